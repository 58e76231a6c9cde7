#include "editors/channeldialog.h"
#include "editors/extendmodbus.h"
#include "editors/modbusprot.h"
#include "editors/slaveadd.h"
#include "tests/editors/stubshell.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>
#include <map>

namespace cvcfg {
namespace {

using modbus_map::Column;
using modbus_map::wordEntry;
using test::child;
using test::click;
using test::EditorBench;

// The Modbus dialog over a CV210-MODBUS record, shown as its editor opens it.
class ModbusDialog : public testing::Test {
protected:
    ModbusDialog() {
        record() = test::zeroRecord("CV210-MODBUS");
        dialog().showDialog();
        EXPECT_TRUE(test::showActive(form()));
    }
    ConfigRecord& record() { return bench.gui.record; }
    ModbusProt& dialog() { return bench.forms.modbus_prot(); }
    QWidget* form() { return &dialog(); }
    int32_t entry(std::size_t index) { return record().ExtParams[index]; }
    QLineEdit* box(const char* name) { return child<QLineEdit>(form(), name); }
    bool shown(const char* name) { return child(form(), name)->isVisibleTo(form()); }
    // Types into a box as the operator does: a click into it, then the keys.
    void type(const char* name, const char* keys) {
        click(box(name));
        QTest::keyClicks(box(name), QString::fromLatin1(keys));
    }

    EditorBench bench;
};

TEST_F(ModbusDialog, TableBoxesStoreTheirWordLowByteFirst) {
    type("txtStart1", "300");
    EXPECT_EQ(entry(8), 44);
    EXPECT_EQ(entry(9), 1);
    type("txtWord8", "65535");
    EXPECT_EQ(entry(wordEntry(7, Column::Word)), 255);
    EXPECT_EQ(entry(wordEntry(7, Column::Word) + 1), 255);
    EXPECT_EQ(box("txtEnd1")->text(), "0") << "a used row shows what it downloads";
    EXPECT_EQ(box("txtStart2")->text(), "") << "an unused row stays blank";
}

TEST_F(ModbusDialog, BoxesTakeWholeNumbersUpTo65535Only) {
    type("txtFile3", "7000");
    const ConfigRecord before = record();
    for (const char* refused : {"a", "-", " ", ".", "0"}) {
        SCOPED_TRACE(refused);
        QTest::keyClicks(box("txtFile3"), QString::fromLatin1(refused));
        EXPECT_EQ(box("txtFile3")->text(), "7000");
        EXPECT_EQ(record(), before);
    }
    QTest::keyClick(box("txtFile3"), Qt::Key_Home);
    QTest::keyClicks(box("txtFile3"), "9");
    EXPECT_EQ(box("txtFile3")->text(), "7000") << "97000 does not fit two bytes";

    // Emptying the box leaves the record; leaving the box shows it again.
    box("txtFile3")->selectAll();
    QTest::keyClick(box("txtFile3"), Qt::Key_Delete);
    EXPECT_EQ(box("txtFile3")->text(), "");
    EXPECT_EQ(record(), before);
    QTest::keyClick(box("txtFile3"), Qt::Key_Tab);
    EXPECT_EQ(box("txtFile3")->text(), "7000");
}

// Pastes `text` into the box at its cursor, as Ctrl+V does.
void paste(QLineEdit* box, const QString& text) {
    QGuiApplication::clipboard()->setText(text);
    QTest::keySequence(box, QKeySequence::Paste);
}

TEST_F(ModbusDialog, ABoxShowingZeroTakesTheWholeNumberTyped) {
    type("txtStart1", "300");
    ASSERT_EQ(box("txtEnd1")->text(), "0");
    type("txtEnd1", "40010");
    EXPECT_EQ(box("txtEnd1")->text(), "40010");
    EXPECT_EQ(entry(wordEntry(0, Column::End)), 40010 % 256);
    EXPECT_EQ(entry(wordEntry(0, Column::End) + 1), 40010 / 256);

    type("txtStart2", "1");
    ASSERT_EQ(box("txtWord2")->text(), "0");
    click(box("txtWord2"));
    QTest::keyClick(box("txtWord2"), Qt::Key_Home);
    QTest::keyClicks(box("txtWord2"), "65535");
    EXPECT_EQ(box("txtWord2")->text(), "65535") << "typed before the 0, it still replaces it";
    EXPECT_EQ(entry(wordEntry(1, Column::Word)), 255);
    EXPECT_EQ(entry(wordEntry(1, Column::Word) + 1), 255);
}

TEST_F(ModbusDialog, APasteIsTakenWholeOrRefusedWhole) {
    type("txtStart1", "300");
    click(box("txtStart1"));
    const ConfigRecord before = record();
    for (const char* refused : {"123456", "4294967296", "12a", "-1"}) {
        SCOPED_TRACE(refused);
        box("txtStart1")->selectAll();
        paste(box("txtStart1"), QString::fromLatin1(refused));
        EXPECT_EQ(box("txtStart1")->text(), "300");
        EXPECT_EQ(record(), before);
    }
    box("txtStart1")->selectAll();
    paste(box("txtStart1"), QStringLiteral("040010"));
    EXPECT_EQ(box("txtStart1")->text(), "40010") << "a leading zero takes no room";
    EXPECT_EQ(entry(8), 40010 % 256);
    EXPECT_EQ(entry(9), 40010 / 256);
}

TEST_F(ModbusDialog, EnterInABoxOnlyEndsTheEntry) {
    type("txtStart1", "300");
    QTest::keyClick(box("txtStart1"), Qt::Key_Return);
    EXPECT_TRUE(form()->isVisible()) << "Enter opens no other table";
    EXPECT_FALSE(bench.forms.extendModbus().isVisible());
    EXPECT_EQ(entry(8), 44);

    click(form(), "Command1");
    ExtendModbus& extended = bench.forms.extendModbus();
    ASSERT_TRUE(test::showActive(&extended));
    auto* start = child<QLineEdit>(&extended, "txtStartReg_0");
    click(start);
    QTest::keyClicks(start, "12");
    click(&extended, "CheckFP_3");
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(start, key);
        EXPECT_EQ(start->text(), "12") << "Enter must not reset the table";
        EXPECT_TRUE(child<QCheckBox>(&extended, "CheckFP_3")->isChecked());
        EXPECT_TRUE(extended.isVisible());
    }
}

TEST_F(ModbusDialog, BroadcastAddressesAreTheNodesOfTheirEntries) {
    EXPECT_FALSE(shown("frmBroadcastAddress"));
    click(form(), "optYesBroadcast");
    EXPECT_EQ(entry(1), 0x04) << "broadcast bit";
    ASSERT_TRUE(shown("frmBroadcastAddress"));
    test::pickEntry(form(), "cboStartAddress", "17");
    test::pickEntry(form(), "cboEndAddress", "76");
    EXPECT_EQ(entry(2), 15);
    EXPECT_EQ(entry(3), 62);

    EditorBench other;
    other.gui.record = record();
    other.forms.modbus_prot().showRecord();
    EXPECT_EQ(test::shownText(&other.forms.modbus_prot(), "cboStartAddress"), "17");
    EXPECT_EQ(test::shownText(&other.forms.modbus_prot(), "cboEndAddress"), "76");
}

TEST_F(ModbusDialog, DeviceTypeAndPlcTypeLayTheDialogOut) {
    const int slaveHeight = form()->height();
    click(form(), "optMaster");
    EXPECT_EQ(entry(1), 0x02) << "master bit";
    EXPECT_TRUE(test::waitFor([&] { return form()->height() < slaveHeight; }));
    for (const char* hidden : {"frmModbusTable", "frmBroadcast", "frmABtype"}) {
        EXPECT_FALSE(shown(hidden)) << hidden;
    }
    EXPECT_TRUE(shown("frmMasterMode"));
    click(form(), "Option1");
    EXPECT_EQ(entry(5), 2) << "MicroLogix address decode";
    click(form(), "optSlave");
    EXPECT_EQ(entry(1), 0);
    EXPECT_TRUE(shown("frmModbusTable"));
    EXPECT_FALSE(shown("frmMasterMode"));

    click(form(), "Option2");
    EXPECT_EQ(entry(4), 1) << "PLC 3";
    EXPECT_FALSE(shown("frmFP"));
    EXPECT_FALSE(shown("lblFP"));
    click(form(), "Option3");
    EXPECT_EQ(entry(4), 2) << "SLC/MicroLogix/CompactLogix";
    EXPECT_TRUE(shown("frmFP"));
    click(form(), "Check3");
    // Row 3's flag byte is ExtParams(8 + 30 + 8); bit 0 is floating point.
    EXPECT_EQ(entry(46), 0x01);
    click(form(), "Check3");
    EXPECT_EQ(entry(46), 0);
}

// What the dialog's boxes, check boxes and option buttons show, by name.
std::map<QString, QString> shownValues(QWidget* form) {
    std::map<QString, QString> values;
    for (const QLineEdit* box : form->findChildren<QLineEdit*>()) {
        values[box->objectName()] = box->text();
    }
    for (const QAbstractButton* button : form->findChildren<QAbstractButton*>()) {
        if (button->isCheckable()) {
            values[button->objectName()] = button->isChecked() ? "on" : "off";
        }
    }
    return values;
}

TEST_F(ModbusDialog, ResetWhileOpenShowsWhatTheRecordNowHolds) {
    for (const char* option : {"optAscii", "optYesBroadcast", "Option3", "Check0"}) {
        click(form(), option);
    }
    type("txtStart1", "300");
    type("txtWord2", "17");
    click(form(), "Command3");

    EditorBench fresh;
    fresh.gui.record = record();
    fresh.forms.modbus_prot().showRecord();
    EXPECT_EQ(shownValues(form()), shownValues(&fresh.forms.modbus_prot()));
    EXPECT_EQ(box("txtStart1")->text(), "") << "the cleared row is unused again";
}

TEST_F(ModbusDialog, ResetClearsOptionsAddressesAndTable) {
    for (const char* option : {"optAscii", "optYesHalf", "optYesBroadcast", "Option3", "Check0"}) {
        click(form(), option);
    }
    test::pickEntry(form(), "cboStartAddress", "10");
    type("txtEnd5", "1234");
    click(form(), "optMaster");
    click(form(), "Option14");
    dialog().restore();
    EXPECT_EQ(entry(5), 1) << "restore keeps the SLC address decode";
    click(form(), "optMaster");
    click(form(), "Command3");
    EXPECT_EQ(entry(1), 0);
    for (std::size_t index = 2; index < record().ExtParams.size(); ++index) {
        EXPECT_EQ(entry(index), 0) << "ExtParams[" << index << "]";
    }
    EXPECT_TRUE(shown("frmModbusTable"));
    EXPECT_EQ(box("txtEnd5")->text(), "");
    EXPECT_FALSE(child<QCheckBox>(form(), "Check0")->isChecked());
}

TEST_F(ModbusDialog, TheCV320HasNoSerialOperationAndStaysSlave) {
    EXPECT_TRUE(shown("frmHalDuplex"));
    EXPECT_TRUE(child(form(), "Frame6")->isEnabled());
    record().ModelName = "CV320";
    record().ModelVariant = "CV320-ME";
    dialog().showDialog();
    EXPECT_FALSE(shown("frmHalDuplex"));
    EXPECT_FALSE(child(form(), "Frame6")->isEnabled());
}

TEST_F(ModbusDialog, AcceptGivesTheEditorBack) {
    click(form(), "Command2");
    EXPECT_FALSE(form()->isVisible());
    EXPECT_EQ(bench.shell.editorsShown, 1);
}

TEST_F(ModbusDialog, ExtendedTableKeepsItsSlotsToItself) {
    const ConfigRecord before = record();
    click(form(), "Command1");
    ExtendModbus& extended = bench.forms.extendModbus();
    ASSERT_TRUE(test::showActive(&extended));
    EXPECT_FALSE(form()->isVisible());
    auto* start = child<QLineEdit>(&extended, "txtStartReg_0");
    click(start);
    QTest::keyClicks(start, "300x");
    EXPECT_EQ(start->text(), "300");
    EXPECT_EQ(extended.keptText(0, Column::Start), "1-44");
    auto* word = child<QLineEdit>(&extended, "txtWord_31");
    click(word);
    QTest::keyClicks(word, "65535");
    EXPECT_EQ(extended.keptText(31, Column::Word), "255-255");
    click(&extended, "CheckFP_5");
    EXPECT_EQ(record(), before);

    click(&extended, "Command3");
    EXPECT_EQ(start->text(), "");
    EXPECT_FALSE(child<QCheckBox>(&extended, "CheckFP_5")->isChecked());
    click(&extended, "Command2");
    EXPECT_FALSE(extended.isVisible());
    EXPECT_TRUE(form()->isVisible());
    EXPECT_EQ(record(), before);
}

TEST(SlaveAddress, IsTheOctalEntrysValueAndOpensFromChannelB) {
    EditorBench bench;
    bench.gui.record = test::zeroRecord("CV210-MODBUS");
    ChannelDialog& channelB = bench.forms.paramConfigB();
    channelB.showProtocolChoice(true);
    ASSERT_TRUE(test::showActive(&channelB));
    QWidget* halfDuplex = child(&channelB, "optHD");
    QTest::mouseDClick(halfDuplex, Qt::LeftButton, {}, test::hitPoint(halfDuplex));
    SlaveAddDialog& slave = bench.forms.SlaveAdd();
    ASSERT_TRUE(test::showActive(&slave));
    for (const auto& [entry, address] : {std::pair{"10", 8}, {"76", 62}, {"11", 9}}) {
        test::pickEntry(&slave, "CboHighAddress", entry);
        EXPECT_EQ(charCode(bench.gui.record.HighAddress), address) << entry;
    }
    bench.gui.record.HighAddress = charField(2);
    slave.showRecord();
    EXPECT_EQ(test::shownText(&slave, "CboHighAddress"), "") << "no entry for address 2";
    click(&slave, "Command2");
    EXPECT_FALSE(slave.isVisible());
    EXPECT_TRUE(channelB.isVisible());
}

} // namespace
} // namespace cvcfg
