#pragma once

#include "core/record.h"
#include "editors/controls.h"

#include <QDialog>
#include <memory>
#include <vector>

namespace Ui {
class df_Param;
}

namespace cvcfg {

class Shell;

// The DF1 protocol options (df_Param), all bits of ProtoParams.
class DF1Dialog : public QDialog {
    Q_OBJECT
public:
    DF1Dialog(ConfigRecord& record, Shell& shell);
    ~DF1Dialog() override;

    // Shows the record's bits; runs no handler and changes nothing.
    void showRecord();

    // Selects BCC, diagnostics EXECUTE, POINT-POINT, embedded NONE,
    // duplicates IGNORE and loopback NONE; a button already selected runs
    // nothing.
    void chooseStartOptions();

    // The one-channel layout every CV210 mode uses: one DF1 channel, no
    // loopback, station-address or serial-interface choice.
    void showSingleChannel();

    void accept() override;
    void reject() override { accept(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Shell& m_shell;
    std::unique_ptr<Ui::df_Param> m_ui;
    std::vector<BitOption> m_shownBits;
};

} // namespace cvcfg
