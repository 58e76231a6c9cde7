#include "shell/desktop.h"
#include "tests/shell/bench.h"
#include "tests/support/pty.h"

#include <QEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace cvcfg {
namespace {

using test::settle;
using test::ShellBench;
using Variants = Ui::model_CV210;

int code(const std::string& field) {
    return charCode(field).value_or(-1);
}

TEST(Welcome, CaptionCarriesTheDate) {
    EXPECT_EQ(welcomeDateText(QDate(2026, 12, 5)), "December.05, 26");
    EXPECT_EQ(welcomeDateText(QDate(2031, 3, 17)), "March.17, 31");
    ShellBench bench;
    EXPECT_TRUE(
        bench.app.welcome().windowTitle().startsWith("Select Product Shown to configure. - "));
}

TEST(Setup, Df1AfterTheCV210StartLeavesTheRecordOfItsRow) {
    ShellBench bench;
    bench.setUpCV210(&Variants::Command22);
    // The record of the set-up's row, with the identity the CV210 start gave.
    ConfigRecord expected = test::df1SetupRecord();
    expected.BridgeCaption = "DF1 via USB/Serial to ";
    expected.NetworkName = "DH+";
    expected.LinkBaud = "9600";
    EXPECT_EQ(test::parameters(bench.record()), expected);

    EXPECT_FALSE(bench.app.modelCV210Loaded());
    EXPECT_TRUE(bench.app.mainmenu().isVisible());
    EXPECT_TRUE(bench.app.welcome().isHidden());
    EXPECT_EQ(bench.app.editors().cv210Params().windowTitle(),
              "Configuration of [CV210-DF1] - MAIN MENU");
    EXPECT_TRUE(bench.editor().optStandardDF1->isChecked());
    EXPECT_FALSE(bench.editor().optBridging->isHidden());
    EXPECT_TRUE(bench.editor().optMODBUS->isHidden());
    EXPECT_EQ(bench.editor().modeLayout->indexOf(bench.editor().optStandardDF1), 0);
    EXPECT_EQ(bench.editor().cboStationNumber->currentText(), "1");
    EXPECT_EQ(bench.editor().cboNetworkSpeed->currentText(), "57.6");
    EXPECT_EQ(bench.app.mainmenu().ui().lblComPort1->text(),
              "Select the COM PORT the PC is using to communicate with the CV210");
}

TEST(Setup, SerialNumberAnswerChoosesTheLinkSpeed) {
    ShellBench fast;
    fast.setUpCV210(&Variants::Command22, true);
    EXPECT_EQ(fast.record().LinkBaud, "19200");
    ShellBench slow;
    slow.setUpCV210(&Variants::cmdENI, false);
    EXPECT_EQ(slow.record().LinkBaud, "9600");
    EXPECT_EQ(slow.record().BridgeCaption, "DF1 via 1761-NET-ENI to ");
    EXPECT_EQ(slow.editor().optStandardDF1->text(), "DF1 via 1761-NET-ENI to DH+");
    EXPECT_EQ(slow.editor().lblHighAddress->text(), "PLC/SLC Node");
}

TEST(Setup, RmmRowLeavesItsCaptionsControlsAndRecord) {
    ShellBench bench;
    bench.setUpCV210(&Variants::cmd200RMM);
    const ConfigRecord& record = bench.record();
    EXPECT_EQ(record.ConfigLength, 58);
    EXPECT_EQ(code(record.AppCode), 13);
    EXPECT_EQ(code(record.NetType), 1);
    EXPECT_EQ(record.ModeBytes, std::string("\x01\x00", 2));
    EXPECT_EQ(code(record.AuxChar), 1);
    EXPECT_EQ(record.AuxValue, 2);
    Ui::CV210_Params& ui = bench.editor();
    EXPECT_EQ(ui.frmNetProt->title(), "AB RIO NETWORK PARAMETERS")
        << "DH+ does not undo Remote I/O";
    EXPECT_EQ(ui.optKFR->text(), "RIO to Modbus Master");
    EXPECT_TRUE(ui.optKFR->isChecked());
    EXPECT_FALSE(ui.optStandardDF1->isHidden());
    EXPECT_EQ(ui.modeLayout->indexOf(ui.optStandardDF1), 0);
    EXPECT_TRUE(ui.frmProtParam->isHidden());
    EXPECT_EQ(ui.frmBusProt->title(), "MODBUS SERIAL COMMUNICATION PROTOCOL");
    EXPECT_TRUE(ui.cboRackRange->isHidden());
    EXPECT_FALSE(ui.cboRackNum->isHidden());
    EXPECT_TRUE(bench.app.editors().df_Param().frame("frmRTS")->isHidden());
    EXPECT_EQ(bench.app.editors().paramConfigB().windowTitle(), "MODBUS SERIAL PARAMETERS");
}

TEST(Setup, SlcBridgeRowLeavesItsCaptionsAndControls) {
    ShellBench bench;
    bench.setUpCV210(&Variants::cmdSLC504);
    Ui::CV210_Params& ui = bench.editor();
    EXPECT_EQ(bench.record().ModelVariant, "CV210-SLC5/04 Bridge");
    EXPECT_EQ(bench.app.editors().cv210Params().windowTitle(),
              "Configuration of [CV210-SLC5/04] - MAIN MENU");
    EXPECT_TRUE(ui.optDH485->isHidden());
    EXPECT_TRUE(ui.optBridging->isHidden());
    EXPECT_EQ(ui.optStandardDF1->text(), "Access a DH485 Node via SLC5/04 Passthru on DH+");
    EXPECT_EQ(ui.lblStnNum->text(), "DH+/DH485 Device #");
    EXPECT_EQ(ui.lblHighAddress->text(), "SLC5/04 DH+ Node #");
    EXPECT_EQ(ui.lblRackNum->text(), "DH+ LinkID");
    EXPECT_EQ(ui.lblRackSize->text(), "DH-485 LinkID");
    EXPECT_FALSE(ui.cboDHPLinkID->isHidden());
    EXPECT_FALSE(ui.cboDH485LinkID->isHidden());
    EXPECT_EQ(code(bench.record().AuxChar), 1);
    EXPECT_EQ(bench.record().AuxValue, 2);
}

TEST(Setup, KfrRowLeavesItsRecord) {
    ShellBench bench;
    bench.setUpCV210(&Variants::cmd200KFR);
    const ConfigRecord& record = bench.record();
    EXPECT_EQ(record.ConfigLength, 64);
    EXPECT_EQ(code(record.AppCode), 7);
    EXPECT_EQ(record.ModeBytes, std::string("\x04\x00", 2));
    EXPECT_EQ(code(record.NetType), 1);
    EXPECT_EQ(code(record.HighAddress), 1);
    EXPECT_EQ(code(record.AuxChar), 2);
    EXPECT_FALSE(bench.editor().cboRackRange->isHidden());
    EXPECT_TRUE(bench.editor().cboRackRange->isEnabled());
    EXPECT_TRUE(bench.editor().cboStationNumber->isHidden());
}

TEST(Setup, ModbusWarningComesFirstAndOnlyAtNineThousandSixHundred) {
    ShellBench slow;
    slow.op().expect(test::kSerialNumberQuestion, Answer::No);
    slow.op().expect(
        {"This version of CVCFG is for Modbus Versions later and including V1.06 dated "
         "September 12,2003 ONLY",
         Buttons::Ok, Icon::Information, "!!!WARNING!!!- Check CV210-Modbus Version Number"});
    slow.app.welcome().ui().Command4->click();
    slow.app.model_CV210().ui().cmd200MODBUS->click();
    settle();
    EXPECT_EQ(slow.record().ConfigLength, 138);
    EXPECT_TRUE(slow.editor().optMODBUS->isChecked());
    EXPECT_FALSE(slow.editor().cmdModBus->isHidden());

    ShellBench fast;
    fast.setUpCV210(&Variants::cmd200MODBUS, true);
    EXPECT_EQ(fast.op().shown.size(), 1u) << "only the serial-number question";
}

TEST(Setup, HoveringAVariantShowsItsDescription) {
    ShellBench bench;
    bench.op().expect(test::kSerialNumberQuestion, Answer::No);
    bench.app.welcome().ui().Command4->click();
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(bench.app.model_CV210().ui().cmdENI, &enter);
    EXPECT_EQ(bench.app.model_CV210().ui().lblDescription->text(),
              "Interface to Ethernet/IP using A-B's 1761-NET-ENI");
}

TEST(Setup, ReturnAfterThePc104BringsTheEditorBackInItsDesignState) {
    ShellBench bench;
    bench.op().expect({"This version of CVCFG is for CV-PC/104's with MODBUS to DH+ Firmware!",
                       Buttons::Ok, Icon::Information, "NOTE - Check CV-PC/104's Model"});
    bench.app.welcome().ui().Command2->click();
    settle();
    EXPECT_EQ(bench.record().ModelVariant, "CV-PC/104-MODBUS");
    EXPECT_TRUE(bench.editor().optDH485->isHidden());
    EXPECT_TRUE(bench.editor().optStandardDF1->isHidden());
    EXPECT_TRUE(bench.editor().frmBusProt->isHidden());
    EXPECT_TRUE(bench.editor().optMODBUS->isChecked());

    bench.app.mainmenu().ui().cmdUpdate->click();
    EXPECT_TRUE(bench.app.editors().cv210Params().isVisible()) << "the card uses the CV210 editor";
    bench.editor().cmdRETURN->click();
    bench.app.mainmenu().ui().Command2->click();
    settle();
    EXPECT_FALSE(bench.app.editors().cv210Loaded());
    EXPECT_TRUE(bench.app.welcome().isVisible());
    EXPECT_EQ(bench.op().helpClosed, 1);

    bench.setUpCV210(&Variants::Command22);
    EXPECT_FALSE(bench.editor().optDH485->isHidden());
    EXPECT_FALSE(bench.editor().optStandardDF1->isHidden());
    EXPECT_FALSE(bench.editor().frmBusProt->isHidden());
}

TEST(MainMenu, DefaultsFollowTheNetworkAndResetTheDialogs) {
    ShellBench bench;
    bench.setUpCV210(&Variants::Command22);
    choose(bench.editor().optDH485);
    ChannelDialog& b = bench.app.editors().paramConfigB();
    choose(b.option("optYes"));
    choose(b.option("opt7"));
    bench.app.editors().paramConfigA().RS485ON();
    choose(bench.app.editors().paramConfigC().option("opt2"));
    bench.app.UpdateParameters();
    EXPECT_EQ(code(bench.record().NetSpeed), 8);
    EXPECT_EQ(bench.editor().cboNetworkSpeed->currentText(), "9600");
    EXPECT_EQ(bench.record().CHBParams, 0);
    EXPECT_EQ(bench.record().CHCParams, 0);
    bench.app.mainmenu().Click_CHA_Params();
    EXPECT_EQ(bench.record().CHAParams, 0);
    bench.app.mainmenu().Click_CHB_Params();
    EXPECT_EQ(bench.record().CHBParams, 0) << "running it twice is running it once";
    EXPECT_TRUE(b.option("optNone")->isChecked());
}

TEST(MainMenu, PortChoiceTestsThePortAndLocksTheTransfers) {
    test::PtyPair pty;
    PortMap ports;
    ASSERT_TRUE(ports.addMapping("1=" + pty.slavePath()).ok());
    ASSERT_TRUE(ports.addMapping("2=/dev/cvcfg-no-such-port").ok());
    ShellBench bench(ports);
    bench.setUpCV210(&Variants::Command22);
    Ui::Mainmenu& ui = bench.app.mainmenu().ui();
    EXPECT_EQ(ui.cboCOM->currentText(), "NONE");

    bench.op().expect(
        {"UNABLE TO OPEN COM PORT,  Error: Error (2): CommOpen (CreateFile) - No such "
         "file or directory",
         Buttons::Ok, Icon::Information, "INVALID COM PORT!!! Please Select Again."});
    ASSERT_TRUE(chooseText(ui.cboCOM, "COM2"));
    EXPECT_EQ(ui.cboCOM->currentText(), "NONE");
    for (QWidget* control : std::initializer_list<QWidget*>{
             ui.frmTOOLS, ui.cmdBurn, ui.frmCONFIG, ui.cmdUpdate, ui.cmdUPLOAD, ui.cmdDOWNLOAD}) {
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    }
    ASSERT_TRUE(chooseText(ui.cboCOM, "COM1"));
    EXPECT_EQ(bench.record().ComPort, 1);
    EXPECT_TRUE(ui.cmdDOWNLOAD->isEnabled());
    EXPECT_TRUE(ui.lblDevice->text().contains(QString::fromStdString(pty.slavePath())));
    EXPECT_FALSE(bench.gui.serial.isOpen(1)) << "the test never leaves the port open";
}

TEST(Program, EndsFromEveryExitWithoutAsking) {
    ShellBench bench;
    bench.app.welcome().ui().Command1->click();
    EXPECT_EQ(bench.quits, 1);
    ShellBench closing;
    closing.app.welcome().close();
    EXPECT_EQ(closing.quits, 1);
    ShellBench fromEditor;
    fromEditor.setUpCV210(&Variants::Command22);
    fromEditor.editor().cmdEXIT->click();
    fromEditor.app.mainmenu().ui().Command3->click();
    EXPECT_EQ(fromEditor.quits, 2);
    EXPECT_TRUE(fromEditor.op().shown.size() == 1);
}

TEST(Program, AboutAndTheWebLinkGoThroughTheOperator) {
    ShellBench bench;
    bench.app.welcome().ui().Command3->click();
    EXPECT_TRUE(bench.app.about().isVisible());
    emit bench.app.welcome().ui().Label7->linkActivated("https://www.corvane.example/");
    EXPECT_EQ(bench.op().webPages, std::vector<std::string>{"https://www.corvane.example/"});
    bench.op().expect({"The CV310 family is not available in this version of CVCFG yet.",
                       Buttons::Ok, Icon::Information, ""});
    bench.app.welcome().ui().Command5->click();
}

} // namespace
} // namespace cvcfg

namespace cvcfg {
namespace {

TEST(FactorySettings, RunTheRealSetUps) {
    const Expected<ConfigRecord> df1 = factorySettings("CV210-DF1", "19200");
    ASSERT_TRUE(df1.ok()) << df1.error();
    EXPECT_EQ(df1->LinkBaud, "19200");
    EXPECT_EQ(df1->NetworkName, "DH+");
    EXPECT_EQ(charCode(df1->HighAddress), 2);
    EXPECT_EQ(charCode(df1->AuxChar), 1);

    const Expected<ConfigRecord> card = factorySettings("CV-PC/104-MODBUS", "9600");
    ASSERT_TRUE(card.ok()) << card.error();
    EXPECT_EQ(card->ModelName, "CV-PC/104-MODBUS");
    EXPECT_EQ(card->ConfigLength, 138);
    EXPECT_EQ(card->ModeBytes, std::string("\x01\x00", 2));

    EXPECT_FALSE(factorySettings("CV310-DMX", "9600").ok());
    EXPECT_FALSE(factorySettings("CV210-DF1", "4800").ok());
    EXPECT_FALSE(factorySettings("CV-PC/104-MODBUS", "19200").ok());
}

} // namespace
} // namespace cvcfg
