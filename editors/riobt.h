#pragma once

#include "core/codes.h"
#include "core/record.h"
#include "editors/controls.h"

#include <QDialog>
#include <QLabel>
#include <array>
#include <memory>

namespace Ui {
class rio_bt;
}

namespace cvcfg {

class Dialogs;

// The Remote I/O block-transfer map (rio_bt): one box per rack, group and
// module slot, each a bit of ExtParams[0..13], and the number of racks the
// adapter occupies.
class RioBt : public QDialog {
    Q_OBJECT
public:
    explicit RioBt(Dialogs& dialogs);
    ~RioBt() override;

    // Shows the record: the rack range, the racks' addresses and every box as
    // its bit stands; runs no handler and changes nothing.
    void showRecord();

    // The set-up the opening editor runs: shows the record and keeps the
    // range and the fourteen entries for CANCEL.
    void prepare();

    // ACCEPT: hide, and give the editor back.
    void accept() override;
    void reject() override { accept(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    using Entries =
        std::array<int32_t, std::size_t{block_transfer::kRacks} * block_transfer::kEntriesPerRack>;

    void optRIO_Click(int racks);
    void Check_Click(int rack);
    void chk_Click(int rack, int group, int module);
    void cmdCancel_Click();
    void buildRacks();

    Dialogs& m_dialogs;
    ConfigRecord& m_record;
    std::unique_ptr<Ui::rio_bt> m_ui;
    std::array<OptionButton*, block_transfer::kRacks> m_ranges{};
    std::array<QWidget*, block_transfer::kRacks> m_frames{};
    std::array<QLabel*, std::size_t{block_transfer::kGroups} * block_transfer::kModules> m_heads{};
    std::array<QLabel*, block_transfer::kRacks> m_addresses{};
    std::array<CheckBox*, block_transfer::kRacks> m_wholeRacks{};
    std::array<std::array<std::array<CheckBox*, block_transfer::kModules>, block_transfer::kGroups>,
               block_transfer::kRacks>
        m_boxes{};
    Entries m_held{};
    std::string m_heldRange; // HighAddress at set-up
};

} // namespace cvcfg
