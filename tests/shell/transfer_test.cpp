#include "core/configfile.h"
#include "core/image.h"
#include "editors/modbusprot.h"
#include "editors/riobt.h"
#include "monitor/monitor.h"
#include "tests/shell/bench.h"
#include "tests/support/tempdir.h"
#include "tests/support/unitprocess.h"

#include <QMenu>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace cvcfg {
namespace {

using namespace std::chrono_literals;
using test::child;
using test::click;
using test::code;
using test::settle;

const MessageBox kConfigurePrompt{"Press the Configure pushbutton on the CV210 NOW!\n\rONLY the "
                                  "'CHA' AND 'CHC' LEDS SHOULD BE RED!",
                                  Buttons::OkCancel, Icon::Critical,
                                  "PRESS THE CONFIGURE PUSHBUTTON NOW!!!"};
const MessageBox kResetPrompt{"Press the RESET Button of the Corvane to put it ON-LINE",
                              Buttons::Ok, Icon::Information, "Press Reset Button"};

class WithUnit : public testing::Test, public test::DF1WithUnit {
protected:
    // The image the unit logged having received.
    std::string received() { return unit.awaitLine("download rx", 3s); }
};

TEST_F(WithUnit, EditorDownloadsTheRecordsImage) {
    click(bench.menu(), "cmdUpdate");
    test::pickEntry(bench.editor(), "cboStationNumber", "11");
    click(bench.editor(), "Command3");
    click(&bench.app.editors().paramConfigB(), "optYes");
    click(&bench.app.editors().paramConfigB(), "Command2");
    bench.op().expect(kConfigurePrompt);
    bench.op().expect(kResetPrompt);
    click(bench.editor(), "cmdDOWNLOAD");
    const std::string image = hexBytes(*BuildConfigImage(bench.record()));
    EXPECT_NE(received().find(": " + image + " -> ACK"), std::string::npos);
    EXPECT_EQ(child<QLabel>(bench.editor(), "lblStatus")->text(),
              "A-OK! Transmission received by Corvane");
    EXPECT_EQ(child<QPushButton>(bench.editor(), "cmdDOWNLOAD")->text(), "&DOWNLOAD to CV")
        << "the caption comes back once the download has ended";
    EXPECT_TRUE(child(bench.editor(), "cmdDOWNLOAD")->isEnabled());
    EXPECT_TRUE(child(bench.editor(), "cmdRETURN")->isEnabled());
    EXPECT_FALSE(bench.gui.serial.isOpen(1));
}

// The program with the demonstration's unit on COM1, which paces its bytes
// at the line speed the program sets.
struct AtLineSpeed {
    AtLineSpeed()
        : unit({"--variant", "any", "--baud", "line", "--baud-timing", "--link", dir.path("port")}),
          bench([this] {
              PortMap ports;
              EXPECT_TRUE(ports.addMapping("1=" + dir.path("port")).ok());
              return ports;
          }()) {}

    // A CV210 set up on the fast link, its editor's record downloaded.
    void downloadFromEditor(std::string_view variant) {
        bench.setUpCV210(variant, true);
        test::pickPort(bench.menu(), 1);
        click(bench.menu(), "cmdUpdate");
        bench.op().expect(kConfigurePrompt);
        bench.op().expect(kResetPrompt);
        click(bench.editor(), "cmdDOWNLOAD");
    }

    test::TempDir dir;
    test::UnitProcess unit;
    test::ShellBench bench;
};

// The demonstration's unit takes the link speed that the serial-number answer
// chose, as the unit the operator said he has would.
TEST(DemonstrationUnit, FollowsTheProgramsLinkSpeed) {
    AtLineSpeed line;
    test::ShellBench& bench = line.bench;
    test::UnitProcess& unit = line.unit;
    line.downloadFromEditor("CV210-DF1");
    EXPECT_EQ(child<QLabel>(bench.editor(), "lblStatus")->text(),
              "A-OK! Transmission received by Corvane");
    EXPECT_NE(unit.awaitLine("download rx", 3s).find(hexBytes(*BuildConfigImage(bench.record()))),
              std::string::npos);
}

TEST_F(WithUnit, UploadShowsTheUnitsValuesInTheEditor) {
    // Put a configuration into the unit, then start from another one.
    ConfigRecord stored = bench.record();
    stored.StationNo = charField(9); // octal 11
    stored.CHBSpeed = charField(9);  // 19.2
    stored.CHBParams = 0x06;         // even parity
    stored.ProtoParams = 0x01;       // CRC
    const std::string file = dir.path("stored.CVF");
    ASSERT_TRUE(SaveConfigFile(file, stored).ok());
    click(bench.menu(), "cmdDOWNLOAD");
    bench.op().expectOpenFile(file);
    bench.op().expect(kConfigurePrompt);
    bench.op().expect(kResetPrompt);
    click(&bench.app.download(), "cmdDOWNLOAD");
    EXPECT_NE(received().find(hexBytes(*BuildConfigImage(stored))), std::string::npos);
    EXPECT_EQ(child<QLabel>(&bench.app.download(), "lblStatus")->text(),
              "A-OK! Transmission received by Corvane");
    bench.app.download().close();
    settle();

    bench.app.UpdateParameters();
    EXPECT_EQ(code(bench.record().StationNo), 1);
    click(bench.menu(), "cmdUPLOAD");
    UploadForm& upload = bench.app.upload();
    EXPECT_EQ(child<QGroupBox>(&upload, "frmCom")->title(),
              "Upload the CV210's Current Configuration");
    bench.op().expect(kConfigurePrompt);
    bench.op().expectSaveFile(dir.path("uploaded.CVF"));
    click(&upload, "cmdUpload");
    EXPECT_EQ(child<QLabel>(&upload, "lblStatus")->text(),
              "A-OK! Success - Upload complete from CV210.");
    EXPECT_TRUE(child(&upload, "Command1")->isEnabled());
    click(&upload, "Command1");
    settle();
    EXPECT_TRUE(bench.app.editors().cv210Params().isVisible());
    EXPECT_EQ(child<QComboBox>(bench.editor(), "cboStationNumber")->currentText(), "11");
    EXPECT_EQ(child<QComboBox>(bench.editor(), "cboAsyncSpeed")->currentText(), "19.2");
    EXPECT_TRUE(child<OptionButton>(&bench.app.editors().paramConfigB(), "optEven")->isChecked());
    EXPECT_TRUE(child<OptionButton>(&bench.app.editors().df_Param(), "optCRC")->isChecked());
    EXPECT_EQ(hexBytes(*BuildConfigImage(bench.record())), hexBytes(*BuildConfigImage(stored)));
}

// The register map goes to the unit at its image offsets, low byte first,
// and comes back from it into the boxes, on a line at its real speed.
TEST(ModbusTable, DownloadsAtItsImageOffsetsAndUploadsIntoTheBoxes) {
    AtLineSpeed line;
    test::ShellBench& bench = line.bench;
    bench.setUpCV210("CV210-MODBUS", true);
    test::pickPort(bench.menu(), 1);
    click(bench.menu(), "cmdUpdate");
    click(bench.editor(), "cmdModBus");
    ModbusProt& modbus = bench.app.editors().modbus_prot();
    const auto type = [&modbus](const char* box, const char* keys) {
        auto* line = child<QLineEdit>(&modbus, box);
        click(line);
        QTest::keyClicks(line, QString::fromLatin1(keys));
    };
    type("txtStart1", "300");
    type("txtWord8", "65535");
    type("txtFile8", "7");
    click(&modbus, "Check7");
    click(&modbus, "Command2");

    bench.op().expect(kConfigurePrompt);
    bench.op().expect(kResetPrompt);
    click(bench.editor(), "cmdDOWNLOAD");
    const std::string received = line.unit.awaitLine("download rx", 3s);
    const std::string hex = received.substr(received.find(": ") + 2, (138 + 9) * 3 - 1);
    const auto imageByte = [&hex](std::size_t offset) {
        return std::stoi(hex.substr(offset * 3, 2), nullptr, 16);
    };
    // Row k of the table occupies image offsets 65 + 10k to 74 + 10k.
    EXPECT_EQ(imageByte(65), 44);
    EXPECT_EQ(imageByte(66), 1);
    EXPECT_EQ(imageByte(139), 7) << "row 7 file, low byte";
    EXPECT_EQ(imageByte(140), 0);
    EXPECT_EQ(imageByte(141), 255) << "row 7 word";
    EXPECT_EQ(imageByte(142), 255);
    EXPECT_EQ(imageByte(143), 1) << "row 7 floating point";

    click(bench.editor(), "cmdModBus");
    click(&modbus, "Command3");
    click(&modbus, "Command2");
    click(bench.editor(), "cmdRETURN");
    click(bench.menu(), "cmdUPLOAD");
    bench.op().expect(kConfigurePrompt);
    bench.op().expectSaveFile(line.dir.path("uploaded.CVF"));
    click(&bench.app.upload(), "cmdUpload");
    ASSERT_EQ(child<QLabel>(&bench.app.upload(), "lblStatus")->text(),
              "A-OK! Success - Upload complete from CV210.");
    click(&bench.app.upload(), "Command1");
    settle();
    click(bench.editor(), "cmdModBus");
    EXPECT_EQ(test::shownText(&modbus, "txtStart1"), "300");
    EXPECT_EQ(test::shownText(&modbus, "txtEnd1"), "0");
    EXPECT_EQ(test::shownText(&modbus, "txtWord8"), "65535");
    EXPECT_EQ(test::shownText(&modbus, "txtFile8"), "7");
    EXPECT_EQ(test::shownText(&modbus, "txtStart2"), "") << "an unused slot";
    EXPECT_TRUE(child<QCheckBox>(&modbus, "Check7")->isChecked());
}

// The card goes on-line by itself: no Reset prompt. Its block-transfer map
// goes down with the image and comes back into the map's boxes.
TEST(Card, DownloadsWithoutTheResetPromptAndUploadsItsMapBack) {
    AtLineSpeed line;
    test::ShellBench& bench = line.bench;
    bench.setUpPci();
    test::pickPort(bench.menu(), 1);
    click(bench.menu(), "cmdUpdate");
    click(bench.editor(), "optRIO");
    test::pickEntry(bench.editor(), "cboRackRange", "2");
    click(bench.editor(), "cmdRioBt");
    RioBt& map = bench.app.editors().rio_bt();
    for (const char* box : {"chk100", "chk271", "Check2"}) {
        click(&map, box);
    }
    click(&map, "cmdAccept");
    const ConfigRecord configured = bench.record();
    const MessageBox cardPrompt{"Press the Configure pushbutton on the CV-PCI NOW!\n\rONLY the "
                                "'BUS' AND 'STATUS' LEDS SHOULD BE ON !",
                                Buttons::OkCancel, Icon::Critical,
                                "PRESS THE CONFIGURE PUSHBUTTON NOW!!!"};
    bench.op().expect(cardPrompt);
    click(bench.editor(), "cmdDOWNLOAD");
    EXPECT_EQ(child<QLabel>(bench.editor(), "lblStatus")->text(),
              "A-OK! Transmission received by Corvane");
    const std::string received = line.unit.awaitLine("download rx", 3s);
    EXPECT_NE(received.find("download rx 67: " + hexBytes(*BuildConfigImage(configured))),
              std::string::npos);

    click(bench.editor(), "optDH");
    click(bench.editor(), "cmdRETURN");
    click(bench.menu(), "cmdUPLOAD");
    bench.op().expect(cardPrompt);
    bench.op().expectSaveFile(line.dir.path("card.CVF"));
    click(&bench.app.upload(), "cmdUpload");
    ASSERT_EQ(child<QLabel>(&bench.app.upload(), "lblStatus")->text(),
              "A-OK! Success - Upload complete from CV-PCI.");
    click(&bench.app.upload(), "Command1");
    settle();
    EXPECT_TRUE(child<OptionButton>(bench.editor(), "optRIO")->isChecked());
    click(bench.editor(), "cmdRioBt");
    EXPECT_TRUE(child<QCheckBox>(&map, "chk100")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(&map, "Check2")->isChecked());
    EXPECT_EQ(test::shownText(&map, "Check2"), "Clear All 2nd Rack");
    EXPECT_EQ(hexBytes(*BuildConfigImage(bench.record())), hexBytes(*BuildConfigImage(configured)));
}

// Each CV310 variant sends the image of a file opened in its editor to a unit
// at line speed, and an upload brings every value of that image back into
// the editor after the defaults have changed them.
TEST(CV310, EveryVariantDownloadsItsImageAndUploadsItBack) {
    AtLineSpeed line;
    test::ShellBench& bench = line.bench;
    const MessageBox prompt{"Press the Configure pushbutton on the CV310 NOW!\n\rONLY the "
                            "'CHA' AND 'CHC' LEDS SHOULD BE RED!",
                            Buttons::OkCancel, Icon::Critical,
                            "PRESS THE CONFIGURE PUSHBUTTON NOW!!!"};
    for (const auto& [variant, file] : test::kCV310Files) {
        SCOPED_TRACE(variant);
        bench.setUpCV310(variant);
        test::pickPort(bench.menu(), 1);
        click(bench.menu(), "cmdUpdate");
        bench.op().expectOpenFile(test::dataPath(file));
        test::useFileMenu(bench.editor(), "open_file");
        const ConfigRecord configured = bench.record();
        const std::string image = hexBytes(*BuildConfigImage(configured));
        bench.op().expect(prompt);
        bench.op().expect(kResetPrompt);
        click(bench.editor(), "cmdDOWNLOAD");
        ASSERT_EQ(child<QLabel>(bench.editor(), "lblStatus")->text(),
                  "A-OK! Transmission received by Corvane");
        EXPECT_NE(line.unit.awaitLine("download rx", 3s).find(": " + image + " -> ACK"),
                  std::string::npos);

        test::useFileMenu(bench.editor(), "restore_configuration");
        ASSERT_NE(hexBytes(*BuildConfigImage(bench.record())), image);
        click(bench.editor(), "cmdRETURN");
        click(bench.menu(), "cmdUPLOAD");
        bench.op().expect(prompt);
        bench.op().expectSaveFile(line.dir.path(file));
        click(&bench.app.upload(), "cmdUpload");
        ASSERT_EQ(child<QLabel>(&bench.app.upload(), "lblStatus")->text(),
                  "A-OK! Success - Upload complete from CV310.");
        click(&bench.app.upload(), "Command1");
        settle();
        EXPECT_EQ(hexBytes(*BuildConfigImage(bench.record())), image);
        EXPECT_EQ(test::shownText(bench.editor(), "cboCHBSpeed").toStdString(),
                  speedByCode(channelSpeeds(), code(configured.CHBSpeed))->text);
        ConfigRecord uploaded = bench.record();
        ASSERT_TRUE(OpenConfigFile(line.dir.path(file), uploaded).ok());
        EXPECT_EQ(hexBytes(*BuildConfigImage(uploaded)), image) << "the uploaded file";
        click(bench.editor(), "cmdRETURN");
        click(bench.menu(), "Command2");
        settle();
    }
}

// The main menu reads the unit into a record of its own: the editor's
// record and the files stay as they are.
TEST(MainMenuCompare, TellsWhetherTheUnitHoldsAFile) {
    AtLineSpeed line;
    test::ShellBench& bench = line.bench;
    line.downloadFromEditor("CV210-DF1");
    click(bench.editor(), "cmdRETURN");

    const std::string same = line.dir.path("same.CVF");
    ASSERT_TRUE(SaveConfigFile(same, bench.record()).ok());
    ConfigRecord other = bench.record();
    other.CHBParams = 0x06;
    const std::string changed = line.dir.path("changed.CVF");
    ASSERT_TRUE(SaveConfigFile(changed, other).ok());
    const ConfigRecord before = bench.record();
    const char* title = "Compare Unit with File";

    bench.op().expectOpenFile(same);
    bench.op().expect(kConfigurePrompt);
    bench.op().expect(
        {"The unit holds this configuration.", Buttons::Ok, Icon::Information, title});
    click(bench.menu(), "cmdCompare");

    bench.op().expectOpenFile(changed);
    bench.op().expect(kConfigurePrompt);
    bench.op().expect({"The unit's configuration differs from " + changed +
                           " (file -> unit):\nCHBParams: 6 (8 data bits, even parity, 1 stop bit, "
                           "handshaking ignored, RS-232C) -> 0 (8 data bits, no parity, 1 stop "
                           "bit, handshaking ignored, RS-232C)\n",
                       Buttons::Ok, Icon::Information, title});
    click(bench.menu(), "cmdCompare");
    EXPECT_EQ(bench.record(), before);
    EXPECT_TRUE(child(bench.menu(), "cmdCompare")->isEnabled());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(line.dir.path("")),
                            std::filesystem::directory_iterator()),
              3)
        << "the unit's port and the two files";
}

// A unit that keeps another variant's configuration is named for what it
// answers as, and none of its fields is compared with the file's.
TEST(MainMenuCompare, NamesAUnitOfAnotherVariant) {
    AtLineSpeed line;
    test::ShellBench& bench = line.bench;
    bench.setUpCV210("CV210-DF1", true);
    test::pickPort(bench.menu(), 1);
    const std::string file = line.dir.path("df1.CVF");
    ASSERT_TRUE(SaveConfigFile(file, bench.record()).ok());
    click(bench.menu(), "cmdUpdate");
    // The simulated unit keeps any image: give it a CV310-DF1's code.
    bench.record().AppCode = charField(5);
    bench.op().expect(kConfigurePrompt);
    bench.op().expect(kResetPrompt);
    click(bench.editor(), "cmdDOWNLOAD");
    click(bench.editor(), "cmdRETURN");
    bench.record().AppCode = charField(0);

    bench.op().expectOpenFile(file);
    bench.op().expect(kConfigurePrompt);
    bench.op().expect({"The unit answers as a CV310-DF1 (application code 5), not a "
                       "CV210-DF1.\nIts fields were not compared.",
                       Buttons::Ok, Icon::Exclamation, "Compare Unit with File"});
    click(bench.menu(), "cmdCompare");
    EXPECT_TRUE(child(bench.menu(), "cmdCompare")->isEnabled());
}

TEST_F(WithUnit, DownloadFormLeavesItselfAloneWhenNoFileIsChosen) {
    click(bench.menu(), "cmdDOWNLOAD");
    DownloadForm& form = bench.app.download();
    EXPECT_EQ(child<QGroupBox>(&form, "frmCom")->title(),
              "Download a Saved Configuration to the CV210's EEPROM");
    const ConfigRecord before = bench.record();
    bench.op().expectOpenFile(std::nullopt);
    click(&form, "cmdDOWNLOAD");
    const std::string bad = dir.path("bad.CVF");
    std::ofstream(bad) << "\"\"\r\n";
    bench.op().expectOpenFile(bad);
    bench.op().expect({bad + ": the file ends at line 1 before the configuration is complete: "
                             "StationNo is missing (this product's configuration has 15 values)",
                       Buttons::Ok, Icon::Exclamation, "Download a Saved Configuration"});
    click(&form, "cmdDOWNLOAD");
    EXPECT_EQ(bench.record(), before);
    EXPECT_TRUE(child(&form, "cmdDOWNLOAD")->isEnabled());
    EXPECT_EQ(unit.awaitLine("download rx", 300ms), "");
    click(&form, "cmdRETURN");
    settle();
    EXPECT_TRUE(bench.app.mainmenu().isVisible());
}

TEST_F(WithUnit, OffLineManagerOpensAfterTheContactAndClosesThePort) {
    bench.op().expect(kConfigurePrompt, Answer::Cancel);
    click(bench.menu(), "cmdBurn");
    EXPECT_FALSE(bench.app.monitorLoaded());
    EXPECT_FALSE(bench.gui.serial.isOpen(1));

    bench.op().expect(kConfigurePrompt);
    click(bench.menu(), "cmdBurn");
    Monitor& monitor = bench.app.monitor();
    EXPECT_TRUE(monitor.isVisible());
    EXPECT_TRUE(bench.app.mainmenu().isHidden());
    EXPECT_TRUE(bench.gui.serial.isOpen(1)) << "the monitor keeps the port";
    EXPECT_TRUE(test::waitFor([&] {
        return unit.readLine(0ms).find("4D -> menu") != std::string::npos;
    })) << "the start-up M";
    click(&monitor, "cmdEXIT");
    settle();
    EXPECT_FALSE(bench.gui.serial.isOpen(1));
    EXPECT_FALSE(bench.app.monitorLoaded());
    EXPECT_TRUE(bench.app.mainmenu().isVisible());
}

} // namespace
} // namespace cvcfg
