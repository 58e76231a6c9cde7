#include "editors/channeldialog.h"
#include "editors/df1dialog.h"
#include "tests/editors/stubshell.h"

#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

namespace cvcfg {
namespace {

using test::child;
using test::click;
using test::EditorBench;

void clickAll(QWidget* dialog, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        click(dialog, name);
    }
}

bool checked(QWidget* dialog, const char* name) {
    return child<OptionButton>(dialog, name)->isChecked();
}

// The RS-422/485 pop-up of a channel dialog, open or not.
QMenu* lineMenu(QWidget* dialog) {
    return dialog->findChild<QMenu*>();
}

void pick(QMenu* menu, const char* item) {
    test::pickMenuItem(menu, item);
}

class Dialogs : public testing::Test {
protected:
    Dialogs() {
        record().ModelName = "CV210";
        record().ModelVariant = "CV210-DF1";
    }
    ConfigRecord& record() { return bench.gui.record; }
    // A dialog shown as the CV210 editor opens it: channel B with its line.
    template <typename Dialog> Dialog& shown(Dialog& dialog) {
        if constexpr (std::is_same_v<Dialog, ChannelDialog>) {
            dialog.showSerialConnection(true);
        }
        EXPECT_TRUE(test::showActive(&dialog));
        return dialog;
    }

    EditorBench bench;
};

TEST_F(Dialogs, EveryOptionTheSetWayGivesAllBitsAndTheClearWayNone) {
    struct Case {
        ChannelDialog& dialog;
        int32_t& field;
        int32_t all;
    };
    for (const Case& c : {Case{bench.forms.paramConfigA(), record().CHAParams, 0x7F},
                          Case{bench.forms.paramConfigB(), record().CHBParams, 0x7F},
                          Case{bench.forms.paramConfigC(), record().CHCParams, 0x1F}}) {
        SCOPED_TRACE(c.dialog.objectName().toStdString());
        ChannelDialog& dialog = shown(c.dialog);
        clickAll(&dialog, {"optYes", "optEven", "opt7", "opt2", "optActive"});
        if (dialog.channel() != Channel::C) {
            click(&dialog, "opt422");
            pick(lineMenu(&dialog), "RS485");
        }
        EXPECT_EQ(c.field, c.all);
        clickAll(&dialog, {"optOdd", "optNone", "opt8", "opt1", "optIgnore"});
        if (dialog.channel() != Channel::C) {
            click(&dialog, "opt232");
        }
        EXPECT_EQ(c.field, 0);
        dialog.hide();
    }
}

TEST_F(Dialogs, ShowingTheRecordShowsEveryBitAndLeavesTheRecord) {
    record().ModelVariant = "CV210-MODBUS";
    ChannelDialog& a = bench.forms.paramConfigA();
    ChannelDialog& b = bench.forms.paramConfigB();
    ChannelDialog& c = bench.forms.paramConfigC();
    DF1Dialog& df1 = bench.forms.df_Param();
    for (int32_t value = 0; value < 128; ++value) {
        record().CHAParams = value;
        record().CHBParams = 127 - value;
        record().CHCParams = value & 0x1F;
        record().ProtoParams = (value * 37) & 0xFF;
        record().ExtParams[1] = value & 0x08 ? 0 : 0x08;
        const ConfigRecord before = record();
        bench.forms.showDialogRecords();
        ASSERT_EQ(record(), before) << "value " << value;
        ASSERT_EQ(checked(&a, "optYes"), (value & 0x02) != 0);
        ASSERT_EQ(checked(&a, "optNone"), (value & 0x02) == 0);
        ASSERT_EQ(checked(&a, "optEven"), (value & 0x04) != 0);
        ASSERT_EQ(child(&a, "frmParity")->isHidden(), (value & 0x02) == 0);
        ASSERT_EQ(checked(&a, "optActive"), (value & 0x01) != 0);
        ASSERT_EQ(checked(&b, "opt232"), ((127 - value) & 0x20) == 0);
        ASSERT_EQ(child<OptionButton>(&b, "opt422")->text(),
                  ((127 - value) & 0x20) == 0   ? "RS422/485"
                  : ((127 - value) & 0x40) != 0 ? "RS485-2 Wire"
                                                : "RS422-4 Wire");
        ASSERT_EQ(checked(&b, "optCRC"), (record().ProtoParams & 0x40) != 0);
        ASSERT_EQ(checked(&c, "optCRC"), (record().ProtoParams & 0x80) != 0);
        ASSERT_EQ(checked(&c, "opt7"), (value & 0x10) != 0);
        ASSERT_EQ(checked(&df1, "optPass"), (record().ProtoParams & 0x08) != 0);
        ASSERT_EQ(checked(&df1, "optRTS"), (record().ProtoParams & 0x20) != 0);
    }
}

TEST_F(Dialogs, ParityNoneThenYesKeepsEvenOrOdd) {
    ChannelDialog& dialog = shown(bench.forms.paramConfigB());
    clickAll(&dialog, {"optYes", "optEven"});
    click(&dialog, "optNone");
    EXPECT_EQ(record().CHBParams, 0x04) << "NONE leaves the even bit";
    EXPECT_TRUE(child(&dialog, "frmParity")->isHidden());
    click(&dialog, "optYes");
    EXPECT_TRUE(checked(&dialog, "optEven"));
    EXPECT_EQ(record().CHBParams, 0x06);
}

TEST_F(Dialogs, TheRs422ButtonTakesTheClickAndOffersTheWiring) {
    for (ChannelDialog* dialog : {&bench.forms.paramConfigA(), &bench.forms.paramConfigB()}) {
        SCOPED_TRACE(dialog->objectName().toStdString());
        const int32_t& field =
            dialog->channel() == Channel::A ? record().CHAParams : record().CHBParams;
        shown(*dialog);
        auto* rs422 = child<OptionButton>(dialog, "opt422");
        test::click(rs422);
        ASSERT_TRUE(lineMenu(dialog)->isVisible());
        pick(lineMenu(dialog), "RS485");
        EXPECT_EQ(field, 0x60);
        EXPECT_TRUE(rs422->isChecked()) << "the button shows the line the record holds";
        EXPECT_EQ(rs422->text(), "RS485-2 Wire");
        dialog->hide();
        dialog->showRecord();
        EXPECT_TRUE(rs422->isChecked());

        // Another click offers the wiring again; dismissing it changes nothing.
        shown(*dialog);
        test::click(rs422);
        ASSERT_TRUE(lineMenu(dialog)->isVisible());
        QTest::keyClick(lineMenu(dialog), Qt::Key_Escape);
        EXPECT_EQ(field, 0x60);
        test::click(rs422);
        pick(lineMenu(dialog), "RS422");
        EXPECT_EQ(field, 0x20);
        EXPECT_EQ(rs422->text(), "RS422-4 Wire");

        click(dialog, "opt232");
        EXPECT_EQ(field, 0x00);
        EXPECT_EQ(rs422->text(), "RS422/485") << "RS-232C names no wiring";
        dialog->hide();
    }
}

TEST_F(Dialogs, AnyMouseButtonPressedOnRs422OffersTheWiring) {
    for (const Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
        ChannelDialog& dialog = shown(bench.forms.paramConfigB());
        click(&dialog, "opt232");
        auto* rs422 = child<OptionButton>(&dialog, "opt422");
        QTest::mousePress(rs422, button, {}, test::hitPoint(rs422));
        ASSERT_TRUE(lineMenu(&dialog)->isVisible()) << button;
        EXPECT_TRUE(rs422->isChecked());
        EXPECT_EQ(record().CHBParams, 0x20) << "four-wire until the menu says otherwise";
        pick(lineMenu(&dialog), "RS485");
        EXPECT_EQ(record().CHBParams, 0x60);
        QTest::mousePress(rs422, button, {}, test::hitPoint(rs422));
        ASSERT_TRUE(lineMenu(&dialog)->isVisible()) << "again on the selected button";
        QTest::keyClick(lineMenu(&dialog), Qt::Key_Escape);
        EXPECT_EQ(record().CHBParams, 0x60) << "dismissed: the wiring stays";
        dialog.hide();
    }
}

TEST_F(Dialogs, TheWiringsCaptionLeavesTheDialogsSizeAlone) {
    for (ChannelDialog* dialog : {&bench.forms.paramConfigA(), &bench.forms.paramConfigB()}) {
        SCOPED_TRACE(dialog->objectName().toStdString());
        shown(*dialog);
        test::settle();
        const QSize size = dialog->size();
        for (const char* item : {"RS485", "RS422"}) {
            click(dialog, "opt422");
            pick(lineMenu(dialog), item);
            test::settle();
            EXPECT_EQ(dialog->size(), size) << item;
        }
        click(dialog, "opt232");
        dialog->hide();
    }
}

TEST_F(Dialogs, ChoosingRs422WithTheKeyboardWritesTheLineAndOffersTheWiring) {
    ChannelDialog& dialog = shown(bench.forms.paramConfigB());
    auto* rs232 = child<OptionButton>(&dialog, "opt232");
    rs232->setFocus();
    QTest::keyClick(rs232, Qt::Key_Right);
    EXPECT_TRUE(checked(&dialog, "opt422"));
    EXPECT_EQ(record().CHBParams, 0x20);
    ASSERT_TRUE(lineMenu(&dialog)->isVisible());
    QTest::keyClick(lineMenu(&dialog), Qt::Key_Escape);
    EXPECT_EQ(record().CHBParams, 0x20) << "dismissed: four-wire stays";
}

TEST_F(Dialogs, ChannelBWiringChoosesTheModbusSerialOperationWhereTheUnitKeepsIt) {
    ChannelDialog& dialog = bench.forms.paramConfigB();
    for (const char* variant : {"CV210-MODBUS", "CV210-RMM"}) {
        record().ModelVariant = variant;
        record().ExtParams[1] = 0x01;
        dialog.RS485ON();
        EXPECT_EQ(record().ExtParams[1], 0x09) << variant;
        dialog.RS422ON();
        EXPECT_EQ(record().ExtParams[1], 0x01) << variant;
        dialog.RS485ON();
        shown(dialog);
        click(&dialog, "opt232");
        EXPECT_EQ(record().ExtParams[1], 0x01) << variant << ": RS-232C is not two-wire";
        dialog.hide();
    }
    // On the KFR the byte is part of its block-transfer map.
    record().ModelVariant = "CV210-KFR";
    record().ExtParams[1] = 0x31;
    dialog.RS485ON();
    dialog.RS422ON();
    EXPECT_EQ(record().ExtParams[1], 0x31);
}

TEST_F(Dialogs, ChannelAAndTheDf1DialogShareTheirProtocolBits) {
    ChannelDialog& a = shown(bench.forms.paramConfigA());
    // Channel A's protocol frames are shown by the editors that use them.
    a.showErrorChecking(true);
    a.showProtocolChoice(true);
    clickAll(&a, {"optCRC", "optHD"});
    EXPECT_EQ(record().ProtoParams, 0x11);
    DF1Dialog& df1 = bench.forms.df_Param();
    df1.showRecord();
    EXPECT_TRUE(checked(&df1, "optCRC"));
    EXPECT_TRUE(checked(&df1, "optMultiDrop"));
}

TEST_F(Dialogs, EveryDf1OptionWritesItsBit) {
    DF1Dialog& dialog = shown(bench.forms.df_Param());
    clickAll(&dialog, {"optCRC", "optAccept", "optExecEmbed", "optPass", "optMultiDrop"});
    EXPECT_EQ(record().ProtoParams, 0x1F);
    clickAll(&dialog, {"optBCC", "optIgnore", "optNoneEmbed", "optExecDiag", "optPoint"});
    EXPECT_EQ(record().ProtoParams, 0x00);
    // The loopback and station-address frames are never shown; their options
    // still name the channel B half-duplex bit.
    choose(child<OptionButton>(&dialog, "optSRC"));
    EXPECT_EQ(record().ProtoParams, 0x20);
    dialog.showRecord();
    EXPECT_TRUE(checked(&dialog, "optRTS"));
}

TEST_F(Dialogs, StartOptionsClearTheirBitsAndKeepTheEvenChoice) {
    record().CHBParams = 0x7F;
    record().CHCParams = 0x1F;
    record().ProtoParams = 0xFF;
    bench.forms.paramConfigB().chooseStartOptions();
    bench.forms.paramConfigC().chooseStartOptions();
    EXPECT_EQ(record().CHBParams, 0x04);
    EXPECT_EQ(record().CHCParams, 0x04);
    EXPECT_EQ(record().ProtoParams, 0xFF & ~0x40 & ~0x20) << "channel B's BCC and full duplex";
    bench.forms.df_Param().chooseStartOptions();
    EXPECT_EQ(record().ProtoParams, 0x80);
}

TEST_F(Dialogs, AcceptEscapeAndTheCloseBoxAllGiveTheEditorBack) {
    ChannelDialog& dialog = shown(bench.forms.paramConfigC());
    click(&dialog, "Command2");
    EXPECT_TRUE(dialog.isHidden());
    EXPECT_EQ(bench.shell.editorsShown, 1);
    shown(dialog);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isHidden());
    shown(dialog);
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
