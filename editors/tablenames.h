#pragma once

#include <QLabel>
#include <QString>

namespace cvcfg {

// How the Modbus translation tables name their cells, as the operator reads
// them off the heads.

// A table cell's name: the row's slot ("SLOT 3", the slot head with the
// row's number for its "#"), then the column ("SLOT 3 Floating Point").
[[nodiscard]] inline QString cellName(const QLabel* slotHead, const QLabel* slot,
                                      const QString& column) {
    return QStringLiteral("%1 %2").arg(QString(slotHead->text()).replace(u'#', slot->text()),
                                       column);
}

// A column under a head over two columns: "A-B START File (WORD)".
[[nodiscard]] inline QString columnUnder(const QLabel* head, const QLabel* column) {
    return QStringLiteral("%1 (%2)").arg(head->text(), column->text());
}

} // namespace cvcfg
