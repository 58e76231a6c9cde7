#pragma once

#include "core/codes.h"
#include "core/record.h"
#include "editors/controls.h"

#include <QDialog>
#include <array>
#include <memory>
#include <vector>

namespace Ui {
class modbus_prot;
}

namespace cvcfg {

class Dialogs;

// The Modbus options and the register translation table, slots 0 to 7
// (modbus_prot). Every control writes ExtParams at once; the record is the
// dialog's only state.
class ModbusProt : public QDialog {
    Q_OBJECT
public:
    explicit ModbusProt(Dialogs& dialogs);
    ~ModbusProt() override;

    // Shows the record: the options, the broadcast addresses, the table, the
    // master or slave layout and what the model's editor offers; runs no
    // handler and changes nothing.
    void showRecord();

    // Shows the dialog from the record, for the editor that hid itself.
    void showDialog();

    // What choosing a Modbus protocol in an editor selects: RTU, slave,
    // RS232/RS422, no broadcast, PLC 5 and, with `addressDecode`, the
    // SLC/PLC address decode.
    void chooseStartOptions(bool addressDecode);

    // Channel B's wiring chooses the serial operation: RS485 (2 Wire) or
    // RS232/RS422.
    void chooseSerialOperation(bool twoWire);

    // The reset of "Reset Slave Device Parameters", keeping the address
    // decode.
    void restore();

    // "Accept Current Parameters": hide, and give the model's editor back.
    void accept() override;
    void reject() override { accept(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void cboStartAddress_Click();
    void cboEndAddress_Click();
    void txtTable_Change(int row, modbus_map::Column column);
    void txtTable_LostFocus();
    void Check_Click(int row);
    void Command1_Click();
    void Command3_Click();
    void reset(bool addressDecode);
    void showTable();

    Dialogs& m_dialogs;
    ConfigRecord& m_record;
    std::unique_ptr<Ui::modbus_prot> m_ui;
    std::vector<BitOption> m_bits;
    std::vector<ValueOption> m_values;
    std::array<std::array<QLineEdit*, modbus_map::kColumns>, modbus_map::kRows> m_table{};
    std::array<CheckBox*, modbus_map::kRows> m_floatingPoint{};
    QLineEdit* m_editing = nullptr; // the box the operator is typing in
};

} // namespace cvcfg
