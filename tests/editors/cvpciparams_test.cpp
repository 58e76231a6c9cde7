#include "editors/cvpciparams.h"
#include "editors/riobt.h"
#include "tests/editors/stubshell.h"
#include "tests/support/tempdir.h"

#include <QMenu>
#include <gtest/gtest.h>

namespace cvcfg {
namespace {

using block_transfer::entry;
using test::child;
using test::click;
using test::code;
using test::pickEntry;

// The CV-PCI editor on a stub shell, on DH+ as the card's start leaves it.
class CardEditor : public testing::Test {
protected:
    void SetUp() override {
        record() = test::zeroRecord("CV-PCI");
        editor().chooseNetwork(Network::DHPlus);
        editor().chooseBusSpeed(QStringLiteral("38.4"));
        editor().showEditor();
        ASSERT_TRUE(test::showActive(form()));
    }
    ConfigRecord& record() { return bench.gui.record; }
    CVPCIParams& editor() { return bench.forms.cvpciParams(); }
    QWidget* form() { return &editor(); }
    bool shown(const char* name) { return child(form(), name)->isVisibleTo(form()); }
    QString text(const char* name) { return test::shownText(form(), name); }
    int32_t ext(std::size_t index) { return record().ExtParams[index]; }

    // Remote I/O, then the block-transfer map opened from the editor.
    RioBt& openMap() {
        click(form(), "optRIO");
        click(form(), "cmdRioBt");
        RioBt& map = bench.forms.rio_bt();
        EXPECT_TRUE(test::showActive(&map));
        EXPECT_FALSE(form()->isEnabled());
        return map;
    }

    test::TempDir dir;
    test::EditorBench bench;
};

TEST_F(CardEditor, StationAndRackListsFollowTheNetwork) {
    pickEntry(form(), "cboStationNumber", "77");
    EXPECT_EQ(code(record().StationNo), 63);
    EXPECT_EQ(text("txtDecimal"), "63");

    click(form(), "optRIO");
    EXPECT_EQ(code(record().NetType), 1);
    EXPECT_EQ(record().ModeBytes, std::string("\x04\x00", 2));
    EXPECT_EQ(code(record().HighAddress), 1);
    EXPECT_FALSE(shown("cboStationNumber"));
    for (const char* rack : {"cboRackNum", "cboRackRange", "txtRackMenu", "cmdRioBt"}) {
        EXPECT_TRUE(shown(rack)) << rack;
    }
    pickEntry(form(), "cboRackNum", "27");
    EXPECT_EQ(code(record().StationNo), 23);
    EXPECT_EQ(text("Label2"), "RIO NETWORK SPEED");

    click(form(), "optDH");
    EXPECT_EQ(child<QComboBox>(form(), "cboStationNumber")->count(), 64);
    EXPECT_FALSE(shown("cboRackNum"));
    EXPECT_FALSE(shown("cmdRioBt"));
    EXPECT_FALSE(shown("txtDecimal"));

    click(form(), "optDH485");
    auto* stations = child<QComboBox>(form(), "cboStationNumber");
    EXPECT_EQ(stations->count(), 33);
    EXPECT_EQ(stations->itemText(32), "40");
    EXPECT_TRUE(shown("cboStationNumber"));
    EXPECT_TRUE(shown("txtDecimal"));
    EXPECT_EQ(code(record().NetType), 2);
    EXPECT_EQ(text("cboNetworkSpeed"), "19.2");
    EXPECT_EQ(code(record().NetSpeed), 9);
}

TEST_F(CardEditor, BothBusListsWriteTheOneBusSpeed) {
    record().CHBParams = 0x06;
    pickEntry(form(), "cboBusSpeed", "115.2");
    EXPECT_EQ(code(record().CHBSpeed), 12);
    EXPECT_EQ(record().CHBParams, 0);
    EXPECT_EQ(text("lblKbaud2"), "Kbaud");
    pickEntry(form(), "cboAsyncSpeed", "600");
    EXPECT_EQ(code(record().CHBSpeed), 4);
    EXPECT_EQ(text("cboBusSpeed"), "") << "the bus list has no 600";
    pickEntry(form(), "cboAsyncSpeed", "9600");
    EXPECT_EQ(text("cboBusSpeed"), "9600");

    record().CHAParams = 0x21;
    pickEntry(form(), "cboNetworkSpeed", "230.4");
    EXPECT_EQ(code(record().NetSpeed), 10);
    EXPECT_EQ(record().CHAParams, 0);
    click(form(), "optDH485");
    pickEntry(form(), "cboNetworkSpeed", "9600");
    EXPECT_EQ(code(record().NetSpeed), 8);
    EXPECT_EQ(text("lblKbaud"), "Baud");
}

TEST_F(CardEditor, EachBoxOfTheMapIsOneBit) {
    RioBt& map = openMap();
    click(&map, "optRIO7");
    EXPECT_EQ(code(record().HighAddress), 7);
    struct Case {
        const char* box;
        std::size_t entry;
        int32_t bit;
    };
    for (const Case& c : {Case{"chk100", 0, 0x01}, Case{"chk771", 13, 0x80},
                          Case{"chk141", 1, 0x02}, Case{"chk311", 4, 0x08}}) {
        click(&map, c.box);
        EXPECT_EQ(ext(c.entry), c.bit) << c.box;
        click(&map, c.box);
        EXPECT_EQ(ext(c.entry), 0) << c.box;
    }
    click(&map, "Check1");
    EXPECT_EQ(ext(0), 0xFF);
    EXPECT_EQ(ext(1), 0xFF);
    EXPECT_EQ(test::shownText(&map, "Check1"), "Clear All 1st Rack");
    EXPECT_TRUE(child<QCheckBox>(&map, "chk171")->isChecked());
    click(&map, "Check1");
    EXPECT_EQ(ext(0), 0);
    EXPECT_EQ(ext(1), 0);
    EXPECT_EQ(test::shownText(&map, "Check1"), "Enable All 1st Rack");
}

TEST_F(CardEditor, MapShowsTheRacksOfTheRangeFromTheFirstRack) {
    click(form(), "optRIO");
    pickEntry(form(), "cboRackNum", "10");
    click(form(), "cmdRioBt");
    RioBt& map = bench.forms.rio_bt();
    ASSERT_TRUE(test::showActive(&map));
    EXPECT_FALSE(child(&map, "frmRack2")->isVisibleTo(&map)) << "Remote I/O starts at one rack";
    click(&map, "optRIO7");
    for (int rack = 1; rack <= 7; ++rack) {
        const std::string name = "lblRack" + std::to_string(rack);
        EXPECT_EQ(test::shownText(&map, name.c_str()),
                  QStringLiteral("Rack Addr %1").arg(10 + rack - 1));
        EXPECT_TRUE(child(&map, ("frmRack" + std::to_string(rack)).c_str())->isVisibleTo(&map));
    }
    EXPECT_EQ(test::shownText(form(), "cboRackRange"), "7") << "the editor shows the range";
    EXPECT_TRUE(child(&map, "lblNotDownloaded")->isVisibleTo(&map))
        << "the card's image stops at rack 4";
    click(&map, "optRIO4");
    EXPECT_FALSE(child(&map, "lblNotDownloaded")->isVisibleTo(&map));
}

TEST_F(CardEditor, SmallerRangeClearsTheRacksBeyondIt) {
    RioBt& map = openMap();
    click(&map, "optRIO7");
    for (const char* box : {"Check3", "Check4", "chk100", "chk551", "chk240"}) {
        click(&map, box);
    }
    click(&map, "optRIO2");
    EXPECT_EQ(ext(0), 0x01);
    EXPECT_EQ(ext(2), 0x00);
    EXPECT_EQ(ext(3), 0x01) << "rack 2 group 4 slot 0";
    for (std::size_t cleared = 4; cleared < 14; ++cleared) {
        EXPECT_EQ(ext(cleared), 0) << "ExtParams[" << cleared << "]";
    }
    EXPECT_FALSE(child(&map, "frmRack3")->isVisibleTo(&map));
    EXPECT_FALSE(child<QCheckBox>(&map, "Check3")->isChecked());
}

TEST_F(CardEditor, SetUpMirrorsTheRecordAndCancelRestoresIt) {
    RioBt& map = openMap();
    click(&map, "optRIO3");
    click(&map, "chk200");
    click(&map, "cmdAccept");
    EXPECT_TRUE(form()->isEnabled());
    EXPECT_EQ(bench.shell.editorsShown, 1);

    // The bits change behind the dialog's back, as a file opened would.
    record().ExtParams[entry(2, 0)] = 0;
    record().ExtParams[entry(3, 0)] = block_transfer::kWholeEntry;
    record().ExtParams[entry(3, 4)] = block_transfer::kWholeEntry;
    click(form(), "cmdRioBt");
    EXPECT_FALSE(child<QCheckBox>(&map, "chk200")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(&map, "Check3")->isChecked());
    const ConfigRecord atSetUp = record();
    click(&map, "Check3");
    click(&map, "chk100");
    click(&map, "optRIO1");
    click(&map, "cmdCancel");
    EXPECT_EQ(record().ExtParams, atSetUp.ExtParams);
    EXPECT_TRUE(form()->isEnabled());
    test::settle();
    EXPECT_TRUE(child<QCheckBox>(&bench.forms.rio_bt(), "Check3")->isChecked())
        << "a map built afresh shows the entries held at set-up";
}

TEST_F(CardEditor, CancelGivesBackTheRangeTogetherWithItsRacks) {
    RioBt& map = openMap();
    click(&map, "optRIO2");
    click(&map, "Check2");
    click(&map, "cmdAccept");
    click(form(), "cmdRioBt");
    click(&bench.forms.rio_bt(), "optRIO1");
    EXPECT_EQ(ext(2), 0) << "a narrower range clears rack 2";
    click(&bench.forms.rio_bt(), "cmdCancel");
    EXPECT_EQ(code(record().HighAddress), 2);
    EXPECT_EQ(ext(2), 0xFF);
    EXPECT_EQ(ext(3), 0xFF);
    EXPECT_EQ(text("cboRackRange"), "2") << "the editor shows the range given back";
}

TEST_F(CardEditor, EachNetworkGivesOneRecordWhateverWasChosenBefore) {
    click(form(), "optDH485");
    const ConfigRecord dh485 = record();
    click(form(), "optDH");
    const ConfigRecord dhPlus = record();

    RioBt& map = openMap();
    click(&map, "Check1");
    click(&map, "cmdAccept");
    ASSERT_EQ(ext(0), 0xFF);
    click(form(), "optDH");
    EXPECT_EQ(record(), dhPlus) << "leaving Remote I/O leaves no block transfers";
    click(form(), "optRIO");
    click(form(), "optDH485");
    EXPECT_EQ(record(), dh485) << "Remote I/O's mode bytes stay behind";
    EXPECT_EQ(record().ModeBytes, std::string(2, '\0'));
}

TEST_F(CardEditor, TheRackListShowsTheRackTheAdapterStartsAt) {
    click(form(), "optRIO");
    EXPECT_EQ(code(record().StationNo), 1);
    EXPECT_EQ(text("cboRackNum"), "1");
    pickEntry(form(), "cboRackNum", "7");
    EXPECT_EQ(code(record().StationNo), 7);
    pickEntry(form(), "cboRackNum", "10");
    EXPECT_EQ(code(record().StationNo), 8);
}

TEST_F(CardEditor, AFileOfTheCardOpensAndSavesByteForByte) {
    const std::string golden = test::dataPath("cv-pci.CVF");
    record().AppCode = charField(5);
    bench.gui.op.expectOpenFile(golden);
    test::useFileMenu(form(), "open");
    EXPECT_EQ(code(record().AppCode), 0);
    bench.gui.op.expectSaveFile(dir.path("saved.CVF"));
    test::useFileMenu(form(), "save");
    const std::string saved = test::readFile(dir.path("saved.CVF"));
    EXPECT_EQ(saved, test::readFile(golden));
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 22);
}

} // namespace
} // namespace cvcfg
