#include "core/configfile.h"
#include "core/image.h"
#include "monitor/monitor.h"
#include "tests/shell/bench.h"
#include "tests/support/tempdir.h"
#include "tests/support/unitprocess.h"
#include "ui_download.h"
#include "ui_monitor.h"
#include "ui_upload.h"

#include <fstream>
#include <gtest/gtest.h>

namespace cvcfg {
namespace {

using namespace std::chrono_literals;
using test::settle;
using Variants = Ui::model_CV210;

const MessageBox kConfigurePrompt{"Press the Configure pushbutton on the CV210 NOW!\n\rONLY the "
                                  "'CHA' AND 'CHC' LEDS SHOULD BE RED!",
                                  Buttons::OkCancel, Icon::Critical,
                                  "PRESS THE CONFIGURE PUSHBUTTON NOW!!!"};
const MessageBox kResetPrompt{"Press the RESET Button of the Corvane to put it ON-LINE",
                              Buttons::Ok, Icon::Information, "Press Reset Button"};

int code(const std::string& field) {
    return charCode(field).value_or(-1);
}

// The program with a simulated unit of any variant on COM1, set up as a
// CV210-DF1 with COM1 chosen.
class WithUnit : public testing::Test {
protected:
    WithUnit()
        : unit({"--variant", "any", "--link", dir.path("port")}), bench([this] {
              PortMap ports;
              EXPECT_TRUE(ports.addMapping("1=" + dir.path("port")).ok());
              return ports;
          }()) {
        bench.setUpCV210(&Variants::Command22);
        chooseText(bench.app.mainmenu().ui().cboCOM, "COM1");
    }

    // The image the unit logged having received.
    std::string received() { return unit.awaitLine("download rx", 3s); }

    test::TempDir dir;
    test::UnitProcess unit;
    test::ShellBench bench;
};

TEST_F(WithUnit, EditorDownloadsTheRecordsImage) {
    bench.app.mainmenu().ui().cmdUpdate->click();
    ASSERT_TRUE(chooseText(bench.editor().cboStationNumber, "11"));
    choose(bench.app.editors().paramConfigB().option("optYes"));
    bench.op().expect(kConfigurePrompt);
    bench.op().expect(kResetPrompt);
    bench.editor().cmdDOWNLOAD->click();
    const std::string image = hexBytes(*BuildConfigImage(bench.record()));
    EXPECT_NE(received().find(": " + image + " -> ACK"), std::string::npos);
    EXPECT_EQ(bench.editor().lblStatus->text(), "A-OK! Transmission received by Corvane");
    EXPECT_EQ(bench.editor().cmdDOWNLOAD->text(), "Downloading Parameters...");
    EXPECT_TRUE(bench.editor().cmdDOWNLOAD->isEnabled());
    EXPECT_TRUE(bench.editor().cmdRETURN->isEnabled());
    EXPECT_FALSE(bench.gui.serial.isOpen(1));
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
    bench.app.mainmenu().ui().cmdDOWNLOAD->click();
    bench.op().expectOpenFile(file);
    bench.op().expect(kConfigurePrompt);
    bench.op().expect(kResetPrompt);
    bench.app.download().ui().cmdDOWNLOAD->click();
    EXPECT_NE(received().find(hexBytes(*BuildConfigImage(stored))), std::string::npos);
    EXPECT_EQ(bench.app.download().ui().lblStatus->text(),
              "A-OK! Transmission received by Corvane");
    bench.app.download().close();
    settle();

    bench.app.UpdateParameters();
    EXPECT_EQ(code(bench.record().StationNo), 1);
    bench.app.mainmenu().ui().cmdUPLOAD->click();
    UploadForm& upload = bench.app.upload();
    EXPECT_EQ(upload.ui().frmCom->title(), "Upload the CV210's Current Configuration");
    bench.op().expect(kConfigurePrompt);
    bench.op().expectSaveFile(dir.path("uploaded.CVF"));
    upload.ui().cmdUpload->click();
    EXPECT_EQ(upload.ui().lblStatus->text(), "A-OK! Success - Upload complete from CV210.");
    EXPECT_TRUE(upload.ui().Command1->isEnabled());
    upload.ui().Command1->click();
    settle();
    EXPECT_TRUE(bench.app.editors().cv210Params().isVisible());
    EXPECT_EQ(bench.editor().cboStationNumber->currentText(), "11");
    EXPECT_EQ(bench.editor().cboAsyncSpeed->currentText(), "19.2");
    EXPECT_TRUE(bench.app.editors().paramConfigB().option("optEven")->isChecked());
    EXPECT_TRUE(bench.app.editors().df_Param().option("optCRC")->isChecked());
    EXPECT_EQ(hexBytes(*BuildConfigImage(bench.record())), hexBytes(*BuildConfigImage(stored)));
}

TEST_F(WithUnit, DownloadFormLeavesItselfAloneWhenNoFileIsChosen) {
    bench.app.mainmenu().ui().cmdDOWNLOAD->click();
    DownloadForm& form = bench.app.download();
    EXPECT_EQ(form.ui().frmCom->title(), "Download a Saved Configuration to the CV210's EEPROM");
    const ConfigRecord before = bench.record();
    bench.op().expectOpenFile(std::nullopt);
    form.ui().cmdDOWNLOAD->click();
    const std::string bad = dir.path("bad.CVF");
    std::ofstream(bad) << "\"\"\r\n";
    bench.op().expectOpenFile(bad);
    bench.op().expect({bad + ": the file ends at line 1 before the configuration is complete: "
                             "StationNo is missing (this product's configuration has 15 values)",
                       Buttons::Ok, Icon::Exclamation, "Download a Saved Configuration"});
    form.ui().cmdDOWNLOAD->click();
    EXPECT_EQ(bench.record(), before);
    EXPECT_TRUE(form.ui().cmdDOWNLOAD->isEnabled());
    EXPECT_EQ(unit.awaitLine("download rx", 300ms), "");
    form.ui().cmdRETURN->click();
    settle();
    EXPECT_TRUE(bench.app.mainmenu().isVisible());
}

TEST_F(WithUnit, OffLineManagerOpensAfterTheContactAndClosesThePort) {
    Ui::Mainmenu& menu = bench.app.mainmenu().ui();
    bench.op().expect(kConfigurePrompt, Answer::Cancel);
    menu.cmdBurn->click();
    EXPECT_FALSE(bench.app.monitorLoaded());
    EXPECT_FALSE(bench.gui.serial.isOpen(1));

    bench.op().expect(kConfigurePrompt);
    menu.cmdBurn->click();
    Monitor& monitor = bench.app.monitor();
    EXPECT_TRUE(monitor.isVisible());
    EXPECT_TRUE(bench.app.mainmenu().isHidden());
    EXPECT_TRUE(bench.gui.serial.isOpen(1)) << "the monitor keeps the port";
    EXPECT_TRUE(test::waitFor([&] {
        return unit.readLine(0ms).find("4D -> menu") != std::string::npos;
    })) << "the start-up M";
    monitor.ui().cmdEXIT->click();
    settle();
    EXPECT_FALSE(bench.gui.serial.isOpen(1));
    EXPECT_FALSE(bench.app.monitorLoaded());
    EXPECT_TRUE(bench.app.mainmenu().isVisible());
}

} // namespace
} // namespace cvcfg
