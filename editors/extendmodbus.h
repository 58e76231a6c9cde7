#pragma once

#include "core/codes.h"

#include <QDialog>
#include <array>
#include <memory>

class QCheckBox;
class QLineEdit;

namespace Ui {
class extendModbus;
}

namespace cvcfg {

class Dialogs;

// The extended translation table, slots 8 to 39 (extendModbus). What it
// holds reaches neither the record nor a file nor the unit; it keeps each
// number as the high byte, "-" and the low byte for as long as the program
// runs.
class ExtendModbus : public QDialog {
    Q_OBJECT
public:
    static constexpr int kSlots = 32;
    static constexpr int kFirstSlot = 8;

    explicit ExtendModbus(Dialogs& dialogs);
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

    Dialogs& m_dialogs;
    std::unique_ptr<Ui::extendModbus> m_ui;
    std::array<std::array<QLineEdit*, modbus_map::kColumns>, kSlots> m_boxes{};
    std::array<QCheckBox*, kSlots> m_floatingPoint{};
    std::array<std::array<QString, modbus_map::kColumns>, kSlots> m_kept;
};

} // namespace cvcfg
