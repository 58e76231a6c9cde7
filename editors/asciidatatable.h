#pragma once

#include "core/record.h"

#include <QDialog>
#include <memory>

class QLineEdit;

namespace Ui {
class ASCII_DataTable;
}

namespace cvcfg {

class Shell;

// Where the ASCII variants write the text they receive (ASCII_DataTable): a
// file number and a starting word of the controller's data table, and
// whether that file is a string file. Every control writes the record at
// once; the record is the dialog's only state.
class AsciiDataTable : public QDialog {
    Q_OBJECT
public:
    AsciiDataTable(ConfigRecord& record, Shell& shell);
    ~AsciiDataTable() override;

    // Shows the record's file, word and string-file bit; runs no handler.
    void showRecord();

    // "Accept Parameters": hide, and give the model's editor back.
    void accept() override;
    void reject() override { accept(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    // Opened again, the dialog shows the record in every box.
    void showEvent(QShowEvent* event) override;

private:
    void txtXXX_Change();
    void txtYYY_Change();
    void Check1_Click();
    void SetXXX();
    // Stores the box's number, if it holds one, into the two entries from
    // `low`.
    void takeWord(QLineEdit* box, std::size_t low);
    void leaveBox();

    ConfigRecord& m_record;
    Shell& m_shell;
    std::unique_ptr<Ui::ASCII_DataTable> m_ui;
    QLineEdit* m_editing = nullptr; // the box the operator is typing in
};

} // namespace cvcfg
