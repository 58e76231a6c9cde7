#include "editors/channeldialogs.h"
#include "tests/editors/stubshell.h"

#include <QTest>
#include <gtest/gtest.h>

namespace cvcfg {
namespace {

using test::EditorBench;

void chooseAll(ChannelDialog& dialog, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        choose(dialog.option(name));
    }
}

TEST(ChannelDialogs, EveryOptionTheSetWayGivesAllBitsAndTheClearWayNone) {
    EditorBench bench;
    ConfigRecord& record = bench.gui.record;
    struct Case {
        ChannelDialog& dialog;
        int32_t& field;
        int32_t all;
    };
    for (const Case& c : {Case{bench.forms.paramConfigA(), record.CHAParams, 0x7F},
                          Case{bench.forms.paramConfigB(), record.CHBParams, 0x7F},
                          Case{bench.forms.paramConfigC(), record.CHCParams, 0x1F}}) {
        chooseAll(c.dialog, {"optYes", "optEven", "opt7", "opt2", "optActive"});
        if (c.dialog.channel() != Channel::C) {
            choose(c.dialog.option("opt422"));
            c.dialog.RS485ON();
        }
        EXPECT_EQ(c.field, c.all);
        chooseAll(c.dialog, {"optOdd", "optNone", "opt8", "opt1", "optIgnore"});
        if (c.dialog.channel() != Channel::C) {
            choose(c.dialog.option("opt232"));
        }
        EXPECT_EQ(c.field, 0);
    }
}

TEST(ChannelDialogs, LoadingShowsTheBitsAndLeavesTheRecord) {
    EditorBench bench;
    ConfigRecord& record = bench.gui.record;
    record.ModelName = "CV210";
    record.ModelVariant = "CV210-MODBUS"; // channel B's wiring touches Modbus options here
    ChannelDialog& a = bench.forms.paramConfigA();
    ChannelDialog& b = bench.forms.paramConfigB();
    ChannelDialog& c = bench.forms.paramConfigC();
    DF1Dialog& df1 = bench.forms.df_Param();
    for (int32_t value = 0; value < 128; ++value) {
        record.CHAParams = value;
        record.CHBParams = 127 - value;
        record.CHCParams = value & 0x1F;
        record.ProtoParams = (value * 37) & 0xFF;
        record.ExtParams[1] = value & 0x08 ? 0 : 0x08;
        const ConfigRecord before = record;
        for (ChannelDialog* dialog : {&a, &b, &c}) {
            dialog->loadFromRecord();
        }
        df1.loadFromRecord();
        ASSERT_EQ(record, before) << "value " << value;
        ASSERT_EQ(a.option("optYes")->isChecked(), (value & 0x02) != 0);
        ASSERT_EQ(a.option("optEven")->isChecked(), (value & 0x04) != 0);
        ASSERT_EQ(a.frame("frmParity")->isHidden(), (value & 0x02) == 0);
        ASSERT_EQ(b.option("opt232")->isChecked(), ((127 - value) & 0x20) == 0);
        ASSERT_EQ(df1.option("optPass")->isChecked(), (record.ProtoParams & 0x08) != 0);
    }
}

TEST(ChannelDialogs, ParityNoneThenYesKeepsEvenOrOdd) {
    EditorBench bench;
    ChannelDialog& dialog = bench.forms.paramConfigB();
    chooseAll(dialog, {"optYes", "optEven"});
    choose(dialog.option("optNone"));
    EXPECT_EQ(bench.gui.record.CHBParams, 0x04) << "NONE leaves the even bit";
    EXPECT_TRUE(dialog.frame("frmParity")->isHidden());
    choose(dialog.option("optYes"));
    EXPECT_TRUE(dialog.option("optEven")->isChecked());
    EXPECT_EQ(bench.gui.record.CHBParams, 0x06);
}

TEST(ChannelDialogs, PressingRs422OffersFourOrTwoWire) {
    EditorBench bench;
    for (ChannelDialog* dialog : {&bench.forms.paramConfigA(), &bench.forms.paramConfigB()}) {
        const int32_t& field = dialog->channel() == Channel::A ? bench.gui.record.CHAParams
                                                               : bench.gui.record.CHBParams;
        dialog->show();
        QTest::mousePress(dialog->option("opt422"), Qt::LeftButton);
        ASSERT_TRUE(dialog->lineMenu()->isVisible());
        dialog->lineMenu()->hide(); // dismissed: four-wire stays
        QTest::mouseRelease(dialog->option("opt422"), Qt::LeftButton);
        EXPECT_EQ(field, 0x20);
        EXPECT_EQ(dialog->option("opt422")->text(), "RS422-4 Wire");
        EXPECT_TRUE(dialog->option("opt422")->isChecked());

        dialog->lineMenu()->findChild<QAction*>("RS485")->trigger();
        EXPECT_EQ(field, 0x60);
        EXPECT_EQ(dialog->option("opt422")->text(), "RS485-2 Wire");

        QTest::mouseClick(dialog->option("opt232"), Qt::LeftButton);
        EXPECT_EQ(field, 0x00);
        // Only channel A names the choice again; channel B keeps the last wiring.
        EXPECT_EQ(dialog->option("opt422")->text(),
                  dialog->channel() == Channel::A ? "RS422/485" : "RS485-2 Wire");
        dialog->hide();
    }
}

TEST(ChannelDialogs, ChannelBWiringChoosesTheModbusSerialOperationOnModbusUnitsOnly) {
    EditorBench bench;
    ConfigRecord& record = bench.gui.record;
    ChannelDialog& dialog = bench.forms.paramConfigB();
    record.ModelName = "CV210";
    record.ModelVariant = "CV210-MODBUS";
    dialog.RS485ON();
    EXPECT_EQ(record.ExtParams[1], 0x08);
    dialog.RS422ON();
    EXPECT_EQ(record.ExtParams[1], 0x00);
    // On the KFR the byte is part of its block-transfer map.
    record.ModelVariant = "CV210-KFR";
    record.ExtParams[1] = 0x31;
    dialog.RS485ON();
    dialog.RS422ON();
    EXPECT_EQ(record.ExtParams[1], 0x31);
}

TEST(ChannelDialogs, ChannelAAndTheDf1DialogShareTheirProtocolBits) {
    EditorBench bench;
    ChannelDialog& a = bench.forms.paramConfigA();
    DF1Dialog& df1 = bench.forms.df_Param();
    choose(a.option("optCRC"));
    choose(a.option("optHD"));
    EXPECT_EQ(bench.gui.record.ProtoParams, 0x11);
    df1.loadFromRecord();
    EXPECT_TRUE(df1.option("optCRC")->isChecked());
    EXPECT_TRUE(df1.option("optMultiDrop")->isChecked());
    chooseAll(bench.forms.paramConfigB(), {"optCRC", "optHD"});
    choose(bench.forms.paramConfigC().option("optCRC"));
    EXPECT_EQ(bench.gui.record.ProtoParams, 0x11 | 0x40 | 0x20 | 0x80);
}

TEST(Df1Dialog, EveryOptionWritesItsBit) {
    EditorBench bench;
    DF1Dialog& dialog = bench.forms.df_Param();
    for (const char* name :
         {"optCRC", "optAccept", "optExecEmbed", "optPass", "optMultiDrop", "optRTS"}) {
        choose(dialog.option(name));
    }
    EXPECT_EQ(bench.gui.record.ProtoParams, 0x3F);
    for (const char* name :
         {"optBCC", "optIgnore", "optNoneEmbed", "optExecDiag", "optPoint", "optNoneLoop"}) {
        choose(dialog.option(name));
    }
    EXPECT_EQ(bench.gui.record.ProtoParams, 0x00);
    choose(dialog.option("opt485"));
    choose(dialog.option("optSRC"));
    EXPECT_EQ(bench.gui.record.ProtoParams, 0x30);
}

TEST(ChannelDialogs, AcceptEscapeAndTheCloseBoxAllGiveTheEditorBack) {
    EditorBench bench;
    ChannelDialog& dialog = bench.forms.paramConfigC();
    dialog.show();
    dialog.findChild<QPushButton*>("Command2")->click();
    EXPECT_TRUE(dialog.isHidden());
    EXPECT_EQ(bench.shell.editorsShown, 1);
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isHidden());
    dialog.show();
    dialog.close();
    EXPECT_TRUE(dialog.isHidden());
    EXPECT_EQ(bench.shell.editorsShown, 3);
    DF1Dialog& df1 = bench.forms.df_Param();
    df1.show();
    df1.close();
    EXPECT_EQ(bench.shell.editorsShown, 4);
}

} // namespace
} // namespace cvcfg
