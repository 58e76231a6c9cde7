#include "editors/channeldialogs.h"
#include "editors/cv210params.h"
#include "tests/editors/stubshell.h"
#include "tests/support/tempdir.h"
#include "ui_cv210_params.h"

#include <fstream>
#include <gtest/gtest.h>

namespace cvcfg {
namespace {

using test::EditorBench;

// The CV210 editor on a stub shell, with a CV210-DF1 record and DH+ chosen.
class Editor : public testing::Test {
protected:
    void SetUp() override {
        record().ModelName = "CV210";
        record().ModelVariant = "CV210-DF1";
        record().BridgeCaption = "DF1 via USB/Serial to ";
        zeroParameters(record());
        choose(ui().optDHPlus);
    }
    ConfigRecord& record() { return bench.gui.record; }
    CV210Params& editor() { return bench.forms.cv210Params(); }
    Ui::CV210_Params& ui() { return editor().ui(); }
    int code(const std::string& field) { return charCode(field).value_or(-1); }

    EditorBench bench;
};

TEST_F(Editor, StationListsAreOctalAndFollowTheNetwork) {
    ASSERT_EQ(ui().cboStationNumber->count(), 64);
    ASSERT_TRUE(chooseText(ui().cboStationNumber, "77"));
    EXPECT_EQ(code(record().StationNo), 63);
    EXPECT_EQ(ui().txtDecimal->text(), "63");
    ASSERT_TRUE(chooseText(ui().cboHighAddress, "17"));
    EXPECT_EQ(code(record().HighAddress), 15);
    EXPECT_EQ(ui().txtDecHigh->text(), "15");

    choose(ui().optDH485);
    EXPECT_EQ(record().NetworkName, "DH485");
    EXPECT_EQ(code(record().NetType), 1);
    EXPECT_EQ(ui().cboStationNumber->count(), 33);
    EXPECT_EQ(ui().cboStationNumber->itemText(32), "40");
    EXPECT_EQ(ui().optStandardDF1->text(), "DF1 via USB/Serial to DH485");
    EXPECT_EQ(ui().frmNetProt->title(), "AB DH-485 NETWORK PARAMETERS");
    EXPECT_EQ(code(record().StationNo), 1);
    EXPECT_EQ(code(record().HighAddress), 2);
}

TEST_F(Editor, SpeedListsStoreTheirCodesAndUnits) {
    struct Case {
        ListBox* list;
        const char* text;
        std::string* field;
        int code;
        QLabel* unit;
        const char* label;
    };
    ui().cboAsyncSpeed->addItem("57.6");
    for (const Case& c :
         {Case{ui().cboAsyncSpeed, "1200", &record().CHBSpeed, 5, ui().lblKbaud2, "Baud"},
          Case{ui().cboAsyncSpeed, "19.2", &record().CHBSpeed, 9, ui().lblKbaud2, "Kbaud"},
          Case{ui().cboAsyncSpeed, "57.6", &record().CHBSpeed, 11, ui().lblKbaud2, "Kbaud"},
          Case{ui().cboAsyncSpeedC, "38.4", &record().CHCSpeed, 10, ui().lblKbaudC, "Kbaud"},
          Case{ui().cboChannelCSpeed, "300", &record().CHCSpeed, 3, ui().lblChannelCKbaud, "Baud"},
          Case{ui().cboNetworkSpeed, "230.4", &record().NetSpeed, 10, ui().lblKbaud, "KBaud"}}) {
        SCOPED_TRACE(c.text);
        record().CHAParams = 0x21;
        ASSERT_TRUE(chooseText(c.list, c.text));
        EXPECT_EQ(code(*c.field), c.code);
        EXPECT_EQ(c.unit->text(), c.label);
    }
    EXPECT_EQ(record().CHAParams, 0) << "a network speed resets channel A's options";
    choose(ui().optDH485);
    ASSERT_TRUE(chooseText(ui().cboNetworkSpeed, "9600"));
    EXPECT_EQ(code(record().NetSpeed), 8);
    EXPECT_EQ(ui().lblKbaud->text(), "Baud");
}

TEST_F(Editor, BridgingStationTakesTheNextNodeAsHighAddress) {
    choose(ui().optStandardDF1);
    ASSERT_TRUE(chooseText(ui().cboStationNumber, "10"));
    EXPECT_EQ(code(record().HighAddress), 0) << "the DF1 mode leaves the high address";
    choose(ui().optBridging);
    ASSERT_TRUE(chooseText(ui().cboStationNumber, "10"));
    EXPECT_EQ(ui().cboHighAddress->currentText(), "11");
    EXPECT_EQ(code(record().HighAddress), 9);
    ASSERT_TRUE(chooseText(ui().cboStationNumber, "77"));
    EXPECT_EQ(ui().cboHighAddress->currentText(), "11") << "no entry after the last";
}

TEST_F(Editor, RackAndLinkListsStoreTheirValues) {
    record().ModelVariant = "CV210-KFR";
    choose(ui().optKFR);
    EXPECT_FALSE(ui().cboRackNum->isHidden());
    EXPECT_TRUE(ui().cboStationNumber->isHidden());
    EXPECT_EQ(record().ModeBytes, std::string("\x04\x00", 2));
    EXPECT_EQ(code(record().AuxChar), 2) << "rack size FULL";
    ASSERT_TRUE(chooseText(ui().cboRackNum, "17"));
    EXPECT_EQ(code(record().StationNo), 15);
    ASSERT_TRUE(chooseText(ui().cboRackRange, "3"));
    EXPECT_EQ(code(record().HighAddress), 3);
    ASSERT_TRUE(chooseText(ui().cboDHPLinkID, "7"));
    EXPECT_EQ(code(record().AuxChar), 7);
    ASSERT_TRUE(chooseText(ui().cboDH485LinkID, "30"));
    EXPECT_EQ(record().AuxValue, 30);
}

TEST_F(Editor, OnlyTheDualChannelModeKeepsChannelC) {
    record().CHCParams = 0x13;
    choose(ui().optK2F);
    EXPECT_EQ(record().CHCParams, 0x13);
    EXPECT_EQ(code(record().CHCSpeed), 8);
    EXPECT_EQ(record().ModeBytes, std::string("\x02\x00", 2));
    EXPECT_FALSE(bench.forms.df_Param().label("lblKF2")->isHidden());
    EXPECT_FALSE(bench.forms.paramConfigC().frame("Frame2")->isEnabled());
    for (OptionButton* mode :
         {ui().optStandardDF1, ui().optBridging, ui().optASC, ui().optMODBUS}) {
        record().CHCParams = 0x13;
        choose(mode);
        EXPECT_EQ(record().CHCParams, 0) << mode->objectName().toStdString();
        EXPECT_EQ(code(record().CHCSpeed), 0);
        EXPECT_TRUE(bench.forms.df_Param().label("lblKF2")->isHidden());
    }
}

TEST_F(Editor, BrabenderTypesStoreTheDeviceType) {
    choose(ui().optBTI);
    EXPECT_TRUE(ui().optSType->isChecked());
    int type = 0;
    for (OptionButton* button : {ui().optSType, ui().optMType, ui().optLMType, ui().optPT03Type,
                                 ui().optLType, ui().optSAType}) {
        record().ExtParams[1] = 9;
        reselect(button);
        EXPECT_EQ(record().ExtParams[0], type++);
        EXPECT_EQ(record().ExtParams[1], 0);
    }
}

TEST_F(Editor, LeavingRemoteIOGivesTheStationAndNetworkBack) {
    record().ModelVariant = "CV210-KFR";
    choose(ui().optKFR);
    EXPECT_EQ(code(record().NetType), 1);
    choose(ui().optStandardDF1);
    EXPECT_FALSE(ui().cboStationNumber->isHidden());
    EXPECT_FALSE(ui().cboNetworkSpeed->isHidden());
    EXPECT_EQ(code(record().NetType), 0) << "DH+ is still the network shown";
    EXPECT_EQ(ui().frmNetProt->title(), "AB DH+ NETWORK PARAMETERS");
}

TEST_F(Editor, RestoringDefaultsEndsInTheDf1Mode) {
    choose(ui().optBridging);
    editor().restore_configuration();
    EXPECT_EQ(bench.shell.updates, 1);
    EXPECT_TRUE(ui().optStandardDF1->isChecked());
    EXPECT_EQ(record().ModeBytes, std::string(2, '\0'));
    // Also when the DF1 mode is selected but a file brought other mode bytes.
    record().ModeBytes = std::string("\x01\x00", 2);
    editor().restore_configuration();
    EXPECT_EQ(record().ModeBytes, std::string(2, '\0'));
}

TEST_F(Editor, OpeningAFileSetsTheControlsAndTheDialogs) {
    record().ModelVariant = "CV210-KFR";
    choose(ui().optKFR);
    ui().cboAsyncSpeed->addItems({"38.4", "57.6", "115.2"});
    bench.gui.op.expectOpenFile(test::dataPath("cv210-kfr.CVF"));
    editor().open_file();
    // The file holds NetType 1, channel B at 19.2 with even parity, CRC on A and B.
    EXPECT_TRUE(ui().optDH485->isChecked());
    EXPECT_EQ(ui().cboAsyncSpeed->currentText(), "19.2");
    EXPECT_EQ(ui().cboStationNumber->currentText(), "1");
    EXPECT_EQ(code(record().CHBSpeed), 9);
    EXPECT_EQ(record().ExtParams[13], 14);
    EXPECT_TRUE(bench.forms.paramConfigB().option("optEven")->isChecked());
    EXPECT_TRUE(bench.forms.paramConfigB().option("optCRC")->isChecked());
    EXPECT_TRUE(bench.forms.df_Param().option("optCRC")->isChecked());
}

TEST_F(Editor, SaveAndOpenReportFailuresAndTakeCancel) {
    test::TempDir dir;
    bench.gui.op.expectSaveFile(dir.path("saved.CVF"));
    editor().save_file();
    EXPECT_EQ(test::readFile(dir.path("saved.CVF")), FormatConfigFile(record()));
    bench.gui.op.expectSaveFile(std::nullopt);
    editor().save_file();

    std::ofstream(dir.path("bad.CVF"), std::ios::binary)
        << test::replaceLine(FormatConfigFile(record()), 2, "abc");
    const ConfigRecord before = record();
    bench.gui.op.expectOpenFile(dir.path("bad.CVF"));
    bench.gui.op.expect({dir.path("bad.CVF") +
                             ", line 2: StationNo must be a quoted character or a "
                             "character code from 0 to 255, not \"abc\"",
                         Buttons::Ok, Icon::Exclamation, "Open Corvane Configuration Settings"});
    editor().open_file();
    EXPECT_EQ(record(), before);
}

} // namespace
} // namespace cvcfg
