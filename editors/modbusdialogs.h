#pragma once

#include "core/codes.h"
#include "editors/controls.h"
#include "editors/formset.h"

#include <QDialog>
#include <array>
#include <memory>
#include <vector>

namespace Ui {
class modbus_prot;
class extendModbus;
class SlaveAdd;
} // namespace Ui

namespace cvcfg {

// The Modbus options and the register translation table, slots 0 to 7
// (modbus_prot). Every control writes ExtParams at once; the record is the
// dialog's only state.
class ModbusProt : public QDialog {
    Q_OBJECT
public:
    explicit ModbusProt(EditorForms& forms);
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

    EditorForms& m_forms;
    ConfigRecord& m_record;
    std::unique_ptr<Ui::modbus_prot> m_ui;
    std::vector<BitOption> m_bits;
    std::vector<ValueOption> m_values;
    std::array<std::array<QLineEdit*, modbus_map::kColumns>, modbus_map::kRows> m_table{};
    std::array<CheckBox*, modbus_map::kRows> m_floatingPoint{};
    QLineEdit* m_editing = nullptr; // the box the operator is typing in
};

// The extended translation table, slots 8 to 39 (extendModbus). What it
// holds reaches neither the record nor a file nor the unit; it keeps each
// number as the high byte, "-" and the low byte for as long as the program
// runs.
class ExtendModbus : public QDialog {
    Q_OBJECT
public:
    static constexpr int kSlots = 32;
    static constexpr int kFirstSlot = 8;

    explicit ExtendModbus(EditorForms& forms);
    ~ExtendModbus() override;

    // What the dialog keeps of a row's box: "1-44" for 300; empty until the
    // box held a number.
    [[nodiscard]] QString keptText(int row, modbus_map::Column column) const;

    // "Accept Current Parameters": back to the eight-row table.
    void accept() override;
    void reject() override { accept(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void txtTable_Change(int row, modbus_map::Column column);
    void Command3_Click();

    EditorForms& m_forms;
    std::unique_ptr<Ui::extendModbus> m_ui;
    std::array<std::array<QLineEdit*, modbus_map::kColumns>, kSlots> m_boxes{};
    std::array<QCheckBox*, kSlots> m_floatingPoint{};
    std::array<std::array<QString, modbus_map::kColumns>, kSlots> m_kept;
};

// The half-duplex slave address, kept in HighAddress (SlaveAdd).
class SlaveAddDialog : public QDialog {
    Q_OBJECT
public:
    explicit SlaveAddDialog(EditorForms& forms);
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

    EditorForms& m_forms;
    ConfigRecord& m_record;
    std::unique_ptr<Ui::SlaveAdd> m_ui;
};

} // namespace cvcfg
