#include "editors/channeldialog.h"
#include "editors/cv320params.h"
#include "editors/modbusprot.h"
#include "tests/editors/stubshell.h"
#include "tests/support/tempdir.h"

#include <QMenu>
#include <gtest/gtest.h>

namespace cvcfg {
namespace {

using test::child;
using test::click;
using test::code;

// The CV320 editor on a stub shell, its variant chosen as the CV320 start
// chooses it.
class CV320Editor : public testing::Test {
protected:
    void SetUp() override {
        record() = test::zeroRecord("CV320-ME");
        record().NetSpeed = charField(8);
        editor().chooseME();
        editor().showEditor();
        ASSERT_TRUE(test::showActive(form()));
    }
    ConfigRecord& record() { return bench.gui.record; }
    CV320Params& editor() { return bench.forms.cv320Params(); }
    QWidget* form() { return &editor(); }
    void useMenu(const char* item) { test::useFileMenu(form(), item); }

    test::TempDir dir;
    test::EditorBench bench;
};

TEST_F(CV320Editor, TheVariantButtonLeavesItsRecordOnceOrTwice) {
    EXPECT_EQ(form()->windowTitle(), "Configuration of [CV320-ME] - MAIN MENU");
    EXPECT_TRUE(child<OptionButton>(form(), "optME")->isChecked());
    EXPECT_TRUE(child(form(), "frmCHAParam")->isVisibleTo(form()));
    EXPECT_EQ(code(record().AppCode), 2);
    EXPECT_EQ(record().ModeBytes, std::string("\x01\x00", 2));
    EXPECT_EQ(code(record().CHCSpeed), 8);
    const ConfigRecord once = record();
    editor().chooseME();
    EXPECT_EQ(record(), once);
}

TEST_F(CV320Editor, ChannelASpeedStoresItsCodeAndUnit) {
    test::pickEntry(form(), "cboCHASpeed", "230.4");
    EXPECT_EQ(code(record().NetSpeed), 13);
    EXPECT_EQ(test::shownText(form(), "lblCHASpeed"), "Kbaud");
    test::pickEntry(form(), "cboCHASpeed", "9600");
    EXPECT_EQ(code(record().NetSpeed), 8);
    EXPECT_EQ(test::shownText(form(), "lblCHASpeed"), "Baud");
    EXPECT_EQ(child<QComboBox>(form(), "cboCHASpeed")->count(), 11);
}

TEST_F(CV320Editor, DefaultsLeaveASlaveOnRtuWithAnEmptyTable) {
    auto& ext = record().ExtParams;
    ext[1] = 0x0F;
    ext[2] = 7;
    ext[4] = 2; // SLC/MicroLogix/CompactLogix
    ext[5] = 2; // MicroLogix address decode
    ext[40] = 99;
    record().ModeBytes = std::string(2, '\0');
    record().AppCode = charField(1);
    useMenu("restore_configuration");
    EXPECT_EQ(bench.shell.updates, 1);
    EXPECT_EQ(code(record().AppCode), 2);
    EXPECT_EQ(record().ModeBytes, std::string("\x01\x00", 2));
    EXPECT_EQ(ext[1], 0) << "RTU, slave, no half duplex, no broadcast";
    EXPECT_EQ(ext[2], 0);
    EXPECT_EQ(ext[4], 0) << "PLC 5";
    EXPECT_EQ(ext[5], 2) << "the CV320 keeps its address decode";
    EXPECT_EQ(ext[40], 0);
}

TEST_F(CV320Editor, OpensItsDialogsAsTheCV320Has) {
    click(form(), "cmdModBus");
    ModbusProt& modbus = bench.forms.modbus_prot();
    ASSERT_TRUE(test::showActive(&modbus));
    EXPECT_FALSE(form()->isVisible());
    EXPECT_FALSE(child(&modbus, "frmHalDuplex")->isVisibleTo(&modbus));
    EXPECT_FALSE(child(&modbus, "Frame6")->isEnabled());
    click(&modbus, "Command2");
    EXPECT_TRUE(form()->isVisible());

    click(form(), "cmdCHA");
    ChannelDialog& channelA = bench.forms.paramConfigA();
    ASSERT_TRUE(test::showActive(&channelA));
    EXPECT_FALSE(form()->isEnabled());
    click(&channelA, "optYes");
    EXPECT_EQ(record().CHAParams, 0x02) << "parity bit";
    click(&channelA, "Command2");
    EXPECT_TRUE(form()->isEnabled());
}

TEST_F(CV320Editor, AFileOfTheUnitOpensAndSavesByteForByte) {
    const std::string golden = test::dataPath("cv320-me.CVF");
    record().AppCode = charField(1);
    bench.gui.op.expectOpenFile(golden);
    useMenu("open_file");
    EXPECT_EQ(code(record().AppCode), 2);
    EXPECT_EQ(test::shownText(form(), "cboCHASpeed"),
              QString::fromStdString(
                  std::string(speedByCode(channelSpeeds(), code(record().NetSpeed))->text)));
    bench.gui.op.expectSaveFile(dir.path("saved.CVF"));
    useMenu("save_file");
    const std::string saved = test::readFile(dir.path("saved.CVF"));
    EXPECT_EQ(saved, test::readFile(golden));
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 103);
}

} // namespace
} // namespace cvcfg
