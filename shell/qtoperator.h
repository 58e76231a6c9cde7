#pragma once

#include "link/operator.h"

#include <QString>
#include <QWidget>

namespace cvcfg {

// A filter of the form "Description (*.EXT)|*.EXT" as the Qt file dialogs
// take it; patterns match either letter case.
[[nodiscard]] QString qtFileFilter(const std::string& filter);

// The person at the PC, reached through Qt's message boxes and file dialogs.
class QtOperator : public Operator {
public:
    Answer showMessage(const MessageBox& box) override;
    std::optional<std::string> chooseSaveFile(const std::string& filter) override;
    std::optional<std::string> chooseOpenFile(const std::string& filter,
                                              const std::string& title) override;
    std::optional<std::string> askText(const TextQuestion& question) override;
    void openWebPage(const std::string& address) override;
    void setStatus(const std::string&) override {}
    void setBusy(bool) override {}
    void processEvents() override;
};

} // namespace cvcfg
