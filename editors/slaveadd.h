#pragma once

#include "core/record.h"

#include <QDialog>
#include <memory>

namespace Ui {
class SlaveAdd;
}

namespace cvcfg {

class Dialogs;

// The half-duplex slave address, kept in HighAddress (SlaveAdd).
class SlaveAddDialog : public QDialog {
    Q_OBJECT
public:
    explicit SlaveAddDialog(Dialogs& dialogs);
    ~SlaveAddDialog() override;

    // Shows the record's address; runs no handler and changes nothing.
    void showRecord();
    void showDialog();

    // Chooses the entry of `address` (8 to 62), running its handler as the
    // operator's choice would.
    void chooseAddress(int address);

    void accept() override { hide(); }
    void reject() override { accept(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CboHighAddress_Click();

    Dialogs& m_dialogs;
    ConfigRecord& m_record;
    std::unique_ptr<Ui::SlaveAdd> m_ui;
};

} // namespace cvcfg
