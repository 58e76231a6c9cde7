#include "editors/channeldialog.h"
#include "editors/cv210params.h"
#include "editors/df1dialog.h"
#include "editors/riobt.h"
#include "tests/editors/stubshell.h"
#include "tests/support/tempdir.h"

#include <QGridLayout>
#include <QLineEdit>
#include <fstream>
#include <gtest/gtest.h>

namespace cvcfg {
namespace {

using test::child;
using test::click;
using test::code;
using test::EditorBench;
using test::pickEntry;

// The CV210 editor on a stub shell, shown, with the record of a variant as
// its set-up leaves it.
class Editor : public testing::Test {
protected:
    void SetUp() override { useVariant("CV210-DF1"); }

    void useVariant(const char* variant, std::string mode = std::string(2, '\0')) {
        ConfigRecord& r = record();
        r = test::df1SetupRecord();
        applyIdentity(r, *findVariant(variant));
        r.BridgeCaption = "DF1 via USB/Serial to ";
        r.NetworkName = "DH+";
        r.ModeBytes = std::move(mode);
        editor().showEditor();
        ASSERT_TRUE(test::showActive(&editor()));
    }
    ConfigRecord& record() { return bench.gui.record; }
    CV210Params& editor() { return bench.forms.cv210Params(); }
    QWidget* form() { return &editor(); }
    bool checked(const char* name) { return child<OptionButton>(form(), name)->isChecked(); }
    bool shown(const char* name) { return child(form(), name)->isVisibleTo(form()); }
    QString text(const char* name) { return test::shownText(form(), name); }
    // An item of the CONFIGURATION Settings pop-up, as the operator picks it.
    void useMenu(const char* item) { test::useFileMenu(form(), item); }
    // Saves the record changed by `change` to a file and opens it in the editor.
    void openChanged(const std::function<void(ConfigRecord&)>& change) {
        ConfigRecord file = record();
        change(file);
        ASSERT_TRUE(SaveConfigFile(dir.path("opened.CVF"), file).ok());
        bench.gui.op.expectOpenFile(dir.path("opened.CVF"));
        useMenu("open_file");
        ASSERT_EQ(FormatConfigFile(record()), FormatConfigFile(file));
    }

    test::TempDir dir;
    EditorBench bench;
};

TEST_F(Editor, StationListsAreOctalAndFollowTheNetwork) {
    pickEntry(form(), "cboStationNumber", "77");
    EXPECT_EQ(code(record().StationNo), 63);
    EXPECT_EQ(text("txtDecimal"), "63");

    click(form(), "optDH485");
    EXPECT_EQ(record().NetworkName, "DH485");
    EXPECT_EQ(code(record().NetType), 1);
    EXPECT_EQ(child<QComboBox>(form(), "cboStationNumber")->count(), 33);
    EXPECT_EQ(text("cboStationNumber"), "1");
    EXPECT_EQ(code(record().StationNo), 1);
    EXPECT_EQ(text("optStandardDF1"), "DF1 via USB/Serial to DH485");
    EXPECT_EQ(child<QGroupBox>(form(), "frmNetProt")->title(), "AB DH-485 NETWORK PARAMETERS");
    EXPECT_EQ(text("cboNetworkSpeed"), "19.2");
    EXPECT_EQ(code(record().NetSpeed), 9);
}

TEST_F(Editor, SpeedListsStoreTheirCodesAndUnits) {
    struct Case {
        const char* list;
        const char* text;
        std::string ConfigRecord::*field;
        int code;
        const char* unit;
        const char* label;
    };
    for (const Case& c : {
             Case{"cboAsyncSpeed", "1200", &ConfigRecord::CHBSpeed, 5, "lblKbaud2", "Baud"},
             Case{"cboAsyncSpeed", "19.2", &ConfigRecord::CHBSpeed, 9, "lblKbaud2", "Kbaud"},
             Case{"cboAsyncSpeed", "115.2", &ConfigRecord::CHBSpeed, 12, "lblKbaud2", "Kbaud"},
             Case{"cboNetworkSpeed", "230.4", &ConfigRecord::NetSpeed, 10, "lblKbaud", "KBaud"},
         }) {
        SCOPED_TRACE(c.text);
        record().CHAParams = 0x21;
        pickEntry(form(), c.list, c.text);
        EXPECT_EQ(code(record().*c.field), c.code);
        EXPECT_EQ(child<QLabel>(form(), c.unit)->text(), c.label);
    }
    EXPECT_EQ(record().CHAParams, 0) << "a network speed resets channel A's options";
    click(form(), "optDH485");
    pickEntry(form(), "cboNetworkSpeed", "9600");
    EXPECT_EQ(code(record().NetSpeed), 8);
    EXPECT_EQ(child<QLabel>(form(), "lblKbaud")->text(), "Baud");
}

TEST_F(Editor, BridgingTakesTheNextNodeAsHighAddress) {
    pickEntry(form(), "cboStationNumber", "10");
    EXPECT_EQ(code(record().HighAddress), 2) << "the DF1 mode leaves the high address";
    EXPECT_FALSE(shown("cboHighAddress"));
    click(form(), "optBridging");
    EXPECT_EQ(text("lblHighAddress"), "High Address");
    EXPECT_EQ(text("cboHighAddress"), "11") << "the entry after the station";
    EXPECT_EQ(code(record().HighAddress), 9);
    pickEntry(form(), "cboStationNumber", "77");
    EXPECT_EQ(text("cboHighAddress"), "11") << "no entry after the last";
    EXPECT_EQ(code(record().HighAddress), 9);
}

TEST_F(Editor, AFreshBridgingConfigurationHoldsAndShowsTheNodeAfterTheStation) {
    click(form(), "optBridging");
    EXPECT_EQ(code(record().HighAddress), 2);
    EXPECT_EQ(text("cboHighAddress"), "2");
    EXPECT_EQ(text("txtDecHigh"), "2");
}

TEST_F(Editor, AClickOnTheSelectedModeChangesNothing) {
    for (const char* variant : {"CV210-ENI", "CV210-SLC5/04 Bridge"}) {
        SCOPED_TRACE(variant);
        useVariant(variant);
        const ConfigRecord before = record();
        click(form(), "optStandardDF1");
        EXPECT_EQ(record(), before);
        EXPECT_TRUE(shown("cboHighAddress")) << "the PLC/SLC node stays";
        EXPECT_EQ(text("cboHighAddress"), "2");
    }
    EXPECT_TRUE(shown("cboDHPLinkID"));
    EXPECT_EQ(text("cboDHPLinkID"), "1");
    EXPECT_EQ(text("cboDH485LinkID"), "2");

    useVariant("CV210-ASCII", std::string("\x01\x00", 2));
    EXPECT_TRUE(checked("optASC"));
    const ConfigRecord before = record();
    click(form(), "optASC");
    EXPECT_EQ(record(), before);
    EXPECT_EQ(text("lblHighAddress"), "PLC/SLC Address");
    EXPECT_EQ(text("cboHighAddress"), "2");
}

TEST_F(Editor, TheEniNodeRowComesBackWithTheDf1Mode) {
    useVariant("CV210-ENI");
    EXPECT_EQ(text("lblHighAddress"), "PLC/SLC Node");
    click(form(), "optBridging");
    EXPECT_EQ(text("lblHighAddress"), "High Address");
    click(form(), "optStandardDF1");
    EXPECT_TRUE(shown("cboHighAddress"));
    EXPECT_EQ(text("lblHighAddress"), "PLC/SLC Node");
    EXPECT_EQ(text("cboHighAddress"),
              QString::fromStdString(octalText(code(record().HighAddress))));
    pickEntry(form(), "cboHighAddress", "17");
    EXPECT_EQ(code(record().HighAddress), 15);
}

TEST_F(Editor, TheSlcLinkIdsStandOnTheStationRow) {
    useVariant("CV210-SLC5/04 Bridge");
    auto* grid = child<QGridLayout>(form(), "netLayout");
    const auto rowOf = [grid, this](const char* name) {
        int row = -1, column = -1, rows = 0, columns = 0;
        grid->getItemPosition(grid->indexOf(child(form(), name)), &row, &column, &rows, &columns);
        return row;
    };
    const int stationRow = rowOf("cboStationNumber");
    for (const char* name : {"lblRackNum", "cboDHPLinkID", "lblRackSize", "cboDH485LinkID"}) {
        EXPECT_TRUE(shown(name)) << name;
        EXPECT_EQ(rowOf(name), stationRow) << name;
    }
    EXPECT_EQ(text("lblRackNum"), "DH+ LinkID");
    EXPECT_FALSE(shown("optDH485"));
    EXPECT_FALSE(shown("optBridging"));
    pickEntry(form(), "cboDH485LinkID", "30");
    EXPECT_EQ(record().AuxValue, 30);
}

TEST_F(Editor, RemoteIOKeepsTheRackWhateverTheNetworkButtonsAreClicked) {
    useVariant("CV210-KFR", std::string("\x04\x00", 2));
    record().NetType = charField(1);
    record().AuxChar = charField(2);
    editor().showRecord();
    EXPECT_TRUE(checked("optKFR"));
    pickEntry(form(), "cboRackNum", "17");
    pickEntry(form(), "cboRackRange", "3");
    EXPECT_EQ(code(record().StationNo), 15);
    EXPECT_EQ(code(record().HighAddress), 3);
    const ConfigRecord before = record();
    click(form(), "optDHPlus");
    click(form(), "optDH485");
    EXPECT_EQ(record(), before);
    EXPECT_EQ(text("cboRackNum"), "17");
    EXPECT_EQ(text("cboRackRange"), "3");
    EXPECT_EQ(text("cboRackSize"), "FULL");
}

TEST_F(Editor, RackListsDriveTheBlockTransferMap) {
    useVariant("CV210-KFR", std::string("\x04\x00", 2));
    click(form(), "optKFR");
    record().ExtParams[block_transfer::entry(4, 0)] = 0x11;
    pickEntry(form(), "cboRackNum", "10");
    pickEntry(form(), "cboRackRange", "3");
    EXPECT_EQ(code(record().HighAddress), 3);
    EXPECT_EQ(record().ExtParams[block_transfer::entry(4, 0)], 0) << "rack 4 is beyond the range";
    RioBt& map = bench.forms.rio_bt();
    EXPECT_TRUE(child<QRadioButton>(&map, "optRIO3")->isChecked());
    EXPECT_TRUE(child(&map, "frmRack3")->isVisibleTo(&map));
    EXPECT_FALSE(child(&map, "frmRack4")->isVisibleTo(&map));
    EXPECT_EQ(test::shownText(&map, "lblRack1"), "Rack Addr 10");
    EXPECT_EQ(test::shownText(&map, "lblRack3"), "Rack Addr 12");
}

TEST_F(Editor, LeavingRemoteIOGivesTheDhPlusNetworkBack) {
    useVariant("CV210-KFR", std::string("\x04\x00", 2));
    record().NetType = charField(1);
    editor().showRecord();
    EXPECT_FALSE(shown("cboStationNumber"));
    EXPECT_FALSE(checked("optDHPlus") || checked("optDH485")) << "the network is Remote I/O";
    click(form(), "optStandardDF1");
    EXPECT_EQ(code(record().NetType), 0);
    EXPECT_EQ(code(record().NetSpeed), 8);
    EXPECT_TRUE(checked("optDHPlus"));
    EXPECT_TRUE(shown("cboStationNumber"));
    EXPECT_EQ(text("cboNetworkSpeed"), "57.6");
    EXPECT_EQ(child<QGroupBox>(form(), "frmNetProt")->title(), "AB DH+ NETWORK PARAMETERS");
}

TEST_F(Editor, OpeningAFileShowsItsModeAndValues) {
    openChanged([](ConfigRecord& file) {
        file.ModeBytes = std::string("\x01\x00", 2);
        file.StationNo = charField(8);
        file.HighAddress = charField(9);
        file.NetType = charField(1);
        file.NetSpeed = charField(7);
        file.CHBSpeed = charField(11);
        file.CHBParams = 0x66;
        file.ProtoParams = 0x41;
    });
    EXPECT_TRUE(checked("optBridging"));
    EXPECT_TRUE(checked("optDH485"));
    EXPECT_EQ(record().NetworkName, "DH485");
    EXPECT_EQ(text("cboStationNumber"), "10");
    EXPECT_TRUE(shown("cboHighAddress"));
    EXPECT_EQ(text("cboHighAddress"), "11");
    EXPECT_EQ(text("cboNetworkSpeed"), "4800");
    EXPECT_EQ(text("cboAsyncSpeed"), "57.6");
    ChannelDialog& b = bench.forms.paramConfigB();
    EXPECT_TRUE(child<OptionButton>(&b, "optEven")->isChecked());
    EXPECT_EQ(child<OptionButton>(&b, "opt422")->text(), "RS485-2 Wire");
    EXPECT_TRUE(child<OptionButton>(&b, "optCRC")->isChecked());
    EXPECT_TRUE(child<OptionButton>(&bench.forms.df_Param(), "optCRC")->isChecked());
}

TEST_F(Editor, AKfrFileStaysOnRemoteIOAndLeavesItForDhPlus) {
    useVariant("CV210-KFR");
    openChanged([](ConfigRecord& file) {
        file.ModeBytes = std::string("\x04\x00", 2);
        file.NetType = charField(1);
        file.StationNo = charField(10);
        file.HighAddress = charField(4);
        file.AuxChar = charField(2);
        file.ExtParams[13] = 14;
    });
    EXPECT_TRUE(checked("optKFR"));
    EXPECT_FALSE(checked("optDH485"));
    EXPECT_EQ(text("cboRackNum"), "12");
    EXPECT_EQ(text("cboRackRange"), "4");
    click(form(), "optStandardDF1");
    EXPECT_EQ(code(record().NetType), 0) << "DH+, not DH-485";
    EXPECT_EQ(code(record().NetSpeed), 8);
    EXPECT_EQ(record().ExtParams[13], 14);
}

TEST_F(Editor, TheRackSizeListShowsAndOffersEverySizeAFileCanHold) {
    useVariant("CV210-KFR");
    openChanged([](ConfigRecord& file) {
        file.ModeBytes = std::string("\x04\x00", 2);
        file.NetType = charField(1);
        file.HighAddress = charField(1);
        file.AuxChar = charField(0);
    });
    EXPECT_EQ(text("cboRackSize"), "1/4");
    pickEntry(form(), "cboRackSize", "1/2");
    EXPECT_EQ(code(record().AuxChar), 1);
    pickEntry(form(), "cboRackSize", "FULL");
    EXPECT_EQ(code(record().AuxChar), 2);
}

TEST_F(Editor, SaveAndOpenReportFailuresAndTakeCancel) {
    bench.gui.op.expectSaveFile(dir.path("saved.CVF"));
    useMenu("save_file");
    EXPECT_EQ(test::readFile(dir.path("saved.CVF")), FormatConfigFile(record()));
    bench.gui.op.expectSaveFile(std::nullopt);
    useMenu("save_file");

    std::ofstream(dir.path("bad.CVF"), std::ios::binary)
        << test::replaceLine(FormatConfigFile(record()), 2, "abc");
    const ConfigRecord before = record();
    bench.gui.op.expectOpenFile(dir.path("bad.CVF"));
    bench.gui.op.expect({dir.path("bad.CVF") +
                             ", line 2: StationNo must be a quoted character or a "
                             "character code from 0 to 255, not \"abc\"",
                         Buttons::Ok, Icon::Exclamation, "Open Corvane Configuration Settings"});
    useMenu("open_file");
    EXPECT_EQ(record(), before);
}

TEST_F(Editor, TheFormStaysWhileItsDialogIsOpen) {
    click(form(), "Command3");
    ChannelDialog& channelB = bench.forms.paramConfigB();
    EXPECT_TRUE(channelB.isVisible());
    EXPECT_FALSE(editor().isEnabled());
    editor().close();
    EXPECT_TRUE(bench.forms.editorLoaded("CV210"));
    EXPECT_TRUE(editor().isVisible());
    click(&channelB, "Command2");
    EXPECT_TRUE(editor().isEnabled());
    editor().close();
    EXPECT_FALSE(bench.forms.editorLoaded("CV210")) << "the close box unloads an idle editor";
    EXPECT_EQ(bench.shell.mainMenus, 1);
}

} // namespace
} // namespace cvcfg
