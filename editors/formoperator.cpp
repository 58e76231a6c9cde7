#include "editors/formoperator.h"

#include <QCoreApplication>

namespace cvcfg {

void FormOperator::processEvents() {
    QCoreApplication::processEvents();
}

} // namespace cvcfg
