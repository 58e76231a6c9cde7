#include "editors/modbusprot.h"
#include "link/contact.h"
#include "shell/headless.h"
#include "tests/shell/bench.h"
#include "tests/support/pty.h"
#include "tests/support/tempdir.h"

#include <QBoxLayout>
#include <QEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPrinter>
#include <QTest>
#include <gtest/gtest.h>

namespace cvcfg {
namespace {

using test::child;
using test::click;
using test::code;
using test::pickEntry;
using test::pickPort;
using test::settle;
using test::ShellBench;

QString text(QWidget* form, const char* name) {
    return test::shownText(form, name);
}

bool checked(QWidget* form, const char* name) {
    return child<QAbstractButton>(form, name)->isChecked();
}

bool shown(QWidget* form, const char* name) {
    return child(form, name)->isVisibleTo(form);
}

// The editor's "S&et Corvane Settings to Defaults..." through its pop-up menu.
void restoreDefaults(QWidget* editor) {
    test::useFileMenu(editor, "restore_configuration");
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
    bench.setUpCV210("CV210-DF1");
    ConfigRecord expected = test::df1SetupRecord();
    expected.BridgeCaption = "DF1 via USB/Serial to ";
    expected.NetworkName = "DH+";
    expected.LinkBaud = "9600";
    EXPECT_EQ(test::parameters(bench.record()), expected);

    EXPECT_FALSE(bench.app.modelCV210Loaded());
    EXPECT_TRUE(bench.menu()->isVisible());
    EXPECT_TRUE(bench.welcome()->isHidden());
    QWidget* editor = bench.editor();
    EXPECT_EQ(editor->windowTitle(), "Configuration of [CV210-DF1] - MAIN MENU");
    EXPECT_TRUE(checked(editor, "optStandardDF1"));
    EXPECT_TRUE(shown(editor, "optBridging"));
    EXPECT_FALSE(shown(editor, "optMODBUS"));
    EXPECT_EQ(child<QBoxLayout>(editor, "modeLayout")->indexOf(child(editor, "optStandardDF1")), 0);
    EXPECT_EQ(text(editor, "cboStationNumber"), "1");
    EXPECT_EQ(text(editor, "cboNetworkSpeed"), "57.6");
    EXPECT_EQ(text(bench.menu(), "lblComPort1"),
              "Select the COM PORT the PC is using to communicate with the CV210");
}

TEST(Setup, SerialNumberAnswerChoosesTheLinkSpeedWhichTheMainMenuShows) {
    test::PtyPair pty;
    PortMap ports;
    ASSERT_TRUE(ports.addMapping("1=" + pty.slavePath()).ok());
    ShellBench fast(ports);
    fast.setUpCV210("CV210-DF1", true);
    EXPECT_EQ(fast.record().LinkBaud, "19200");
    pickPort(fast.menu(), 1);
    EXPECT_EQ(text(fast.menu(), "lblDevice"),
              QString::fromStdString("(" + pty.slavePath() + ", 19200 baud)"));
    fast.app.setSimulatedPort(1);
    click(fast.menu(), "cmdUpdate");
    click(fast.editor(), "cmdRETURN");
    EXPECT_EQ(text(fast.menu(), "lblDevice"), "(simulated unit, 19200 baud)");

    ShellBench slow;
    slow.setUpCV210("CV210-ENI", false);
    EXPECT_EQ(slow.record().LinkBaud, "9600");
    EXPECT_EQ(slow.record().BridgeCaption, "DF1 via 1761-NET-ENI to ");
    EXPECT_EQ(text(slow.editor(), "optStandardDF1"), "DF1 via 1761-NET-ENI to DH+");
    EXPECT_EQ(text(slow.editor(), "lblHighAddress"), "PLC/SLC Node");
}

TEST(Setup, RmmRowLeavesItsCaptionsControlsAndRecord) {
    ShellBench bench;
    bench.setUpCV210("CV210-RMM");
    const ConfigRecord& record = bench.record();
    EXPECT_EQ(record.ConfigLength, 58);
    EXPECT_EQ(code(record.AppCode), 13);
    EXPECT_EQ(code(record.NetType), 1);
    EXPECT_EQ(record.ModeBytes, std::string("\x01\x00", 2));
    EXPECT_EQ(code(record.AuxChar), 1);
    EXPECT_EQ(record.AuxValue, 2);
    QWidget* editor = bench.editor();
    EXPECT_EQ(child<QGroupBox>(editor, "frmNetProt")->title(), "AB RIO NETWORK PARAMETERS");
    EXPECT_EQ(text(editor, "optKFR"), "RIO to Modbus Master");
    EXPECT_TRUE(checked(editor, "optKFR"));
    EXPECT_TRUE(shown(editor, "optStandardDF1"));
    EXPECT_FALSE(shown(editor, "frmProtParam"));
    EXPECT_EQ(child<QGroupBox>(editor, "frmBusProt")->title(),
              "MODBUS SERIAL COMMUNICATION PROTOCOL");
    EXPECT_FALSE(shown(editor, "cboRackRange"));
    EXPECT_TRUE(shown(editor, "cboRackNum"));
    EXPECT_EQ(bench.app.editors().paramConfigB().windowTitle(), "MODBUS SERIAL PARAMETERS");
}

TEST(Setup, SlcBridgeRowLeavesItsCaptionsAndControls) {
    ShellBench bench;
    bench.setUpCV210("CV210-SLC5/04 Bridge");
    QWidget* editor = bench.editor();
    EXPECT_EQ(bench.record().ModelVariant, "CV210-SLC5/04 Bridge");
    EXPECT_EQ(editor->windowTitle(), "Configuration of [CV210-SLC5/04] - MAIN MENU");
    EXPECT_FALSE(shown(editor, "optDH485"));
    EXPECT_FALSE(shown(editor, "optBridging"));
    EXPECT_EQ(text(editor, "optStandardDF1"), "Access a DH485 Node via SLC5/04 Passthru on DH+");
    EXPECT_EQ(text(editor, "lblStnNum"), "DH+/DH485 Device #");
    EXPECT_EQ(text(editor, "lblHighAddress"), "SLC5/04 DH+ Node #");
    EXPECT_EQ(text(editor, "lblRackSize"), "DH-485 LinkID");
    EXPECT_EQ(text(editor, "cboDHPLinkID"), "1");
    EXPECT_EQ(text(editor, "cboDH485LinkID"), "2");
    EXPECT_EQ(code(bench.record().AuxChar), 1);
    EXPECT_EQ(bench.record().AuxValue, 2);
}

TEST(Setup, ModbusWarningComesFirstAndOnlyAtNineThousandSixHundred) {
    ShellBench slow;
    slow.setUpCV210("CV210-MODBUS");
    EXPECT_EQ(slow.op().shown.at(1), test::kModbusWarning);
    EXPECT_EQ(slow.record().ConfigLength, 138);
    EXPECT_TRUE(checked(slow.editor(), "optMODBUS"));
    EXPECT_TRUE(shown(slow.editor(), "cmdModBus"));

    ShellBench fast;
    fast.setUpCV210("CV210-MODBUS", true);
    EXPECT_EQ(fast.op().shown.size(), 1u) << "only the serial-number question";
}

TEST(Setup, HoveringAVariantShowsItsDescriptionAndKeepsTheFormsSize) {
    ShellBench bench;
    bench.op().expect(test::kSerialNumberQuestion, Answer::No);
    click(bench.welcome(), "Command4");
    QWidget* variants = &bench.app.model_CV210();
    settle();
    const QSize size = variants->size();
    for (const char* button : {"cmdSLC504", "cmdENI", "cmd200RMM", "cmdASCII", "cmd200MODBUS",
                               "cmd200KFR", "Command22"}) {
        QTest::mouseMove(child(variants, button));
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(child(variants, button), &enter);
        settle();
        EXPECT_EQ(text(variants, "lblDescription"), child(variants, button)->toolTip());
        EXPECT_EQ(variants->size(), size) << button;
        auto* description = child<QLabel>(variants, "lblDescription");
        EXPECT_LE(description->heightForWidth(description->width()), description->height())
            << button << ": the description is clipped";
    }
}

TEST(Setup, EveryVariantEndsWithItsCatalogueLengthAndCode) {
    for (const Variant& row : catalogue()) {
        if (!editorRowFor(row.ModelName)) {
            continue;
        }
        SCOPED_TRACE(std::string(row.name));
        const Expected<ConfigRecord> record = factorySettings(std::string(row.name), "9600");
        ASSERT_TRUE(record.ok()) << record.error();
        EXPECT_EQ(record->ConfigLength, row.ConfigLength);
        EXPECT_EQ(code(record->AppCode), row.AppCode);
        EXPECT_EQ(record->ModelVariant, row.ModelVariant);
    }
}

TEST(Setup, FactorySettingsRefuseWhatNoSetUpGives) {
    EXPECT_FALSE(factorySettings("CV310-DMX", "19200").ok());
    EXPECT_FALSE(factorySettings("CV210-DF1", "4800").ok());
    EXPECT_FALSE(factorySettings("CV-PC/104-MODBUS", "19200").ok());
    EXPECT_FALSE(factorySettings("CV210-XYZ", "9600").ok());
}

TEST(Setup, AVariantAfterTheMainMenusCloseBoxStartsFromItsOwnModes) {
    ShellBench bench;
    bench.setUpCV210("CV210-KFR");
    bench.menu()->close();
    settle();
    EXPECT_TRUE(bench.welcome()->isVisible());
    bench.setUpCV210("CV210-DF1");
    QWidget* editor = bench.editor();
    EXPECT_FALSE(shown(editor, "optKFR"));
    EXPECT_TRUE(shown(editor, "optBridging"));
    EXPECT_TRUE(checked(editor, "optStandardDF1"));
    EXPECT_TRUE(shown(editor, "cboStationNumber"));
    EXPECT_TRUE(checked(editor, "optDHPlus"));
}

TEST(Setup, ReturnAfterThePc104BringsTheEditorBackInItsDesignState) {
    ShellBench bench;
    bench.setUpPc104();
    EXPECT_EQ(bench.record().ModelVariant, "CV-PC/104-MODBUS");
    EXPECT_FALSE(shown(bench.editor(), "optDH485"));
    EXPECT_FALSE(shown(bench.editor(), "optStandardDF1"));
    EXPECT_FALSE(shown(bench.editor(), "frmBusProt"));
    EXPECT_TRUE(checked(bench.editor(), "optMODBUS"));

    click(bench.menu(), "cmdUpdate");
    EXPECT_TRUE(bench.editor()->isVisible()) << "the card uses the CV210 editor";
    click(bench.editor(), "cmdRETURN");
    click(bench.menu(), "Command2");
    settle();
    EXPECT_FALSE(bench.app.editors().editorLoaded("CV210"));
    EXPECT_TRUE(bench.welcome()->isVisible());
    EXPECT_EQ(bench.op().helpClosed, 1);

    bench.setUpCV210("CV210-DF1");
    EXPECT_TRUE(shown(bench.editor(), "optDH485"));
    EXPECT_TRUE(shown(bench.editor(), "optStandardDF1"));
    EXPECT_TRUE(shown(bench.editor(), "frmBusProt"));
}

TEST(Setup, CV320StartTwiceOrItsDefaultsLeaveTheSameRecordAndCaptions) {
    ShellBench bench;
    for (int start = 0; start < 2; ++start) {
        bench.setUpCV320();
        ASSERT_TRUE(bench.menu()->isVisible());
        EXPECT_EQ(text(bench.menu(), "lblComPort1"),
                  "CVCFG is now set to communicate with the CV320 via COM:");
        EXPECT_EQ(child(bench.menu(), "cmdUpdate")->toolTip(), "Configuration of a CV320");
        click(bench.menu(), "cmdUpdate");
        EXPECT_EQ(bench.editor()->windowTitle(), "Configuration of [CV320-ME] - MAIN MENU");
        EXPECT_TRUE(checked(bench.editor(), "optME"));
        EXPECT_EQ(bench.record(), *factorySettings("CV320-ME", "9600"));
        // Changes that a second start or the defaults must take back.
        test::pickEntry(bench.editor(), "cboCHASpeed", "230.4");
        click(bench.editor(), "cmdModBus");
        ModbusProt& modbus = bench.app.editors().modbus_prot();
        click(&modbus, "optAscii");
        QTest::keyClicks(child<QLineEdit>(&modbus, "txtFile2"), "7");
        click(&modbus, "Command2");
        ASSERT_TRUE(bench.editor()->isVisible());
        if (start == 0) {
            click(bench.editor(), "cmdRETURN");
            bench.menu()->close();
            settle();
        }
    }
    restoreDefaults(bench.editor());
    EXPECT_EQ(bench.record(), *factorySettings("CV320-ME", "9600"));
    EXPECT_EQ(text(bench.editor(), "cboCHASpeed"), "9600");
}

TEST(Setup, CV310VariantMenuDescribesAndGoesBack) {
    ShellBench bench;
    click(bench.welcome(), "Command5");
    QWidget* variants = &bench.app.model_CV310();
    ASSERT_TRUE(variants->isVisible());
    EXPECT_FALSE(bench.welcome()->isVisible());
    EXPECT_EQ(bench.record().ModelName, "CV310");
    EXPECT_EQ(bench.record().LinkBaud, "9600");
    QTest::mouseMove(child(variants, "cmd310DFX"));
    // The offscreen platform moves no pointer into a widget.
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(child(variants, "cmd310DFX"), &enter);
    settle();
    EXPECT_EQ(text(variants, "lblDescription"),
              "Two DF1 Serial devices to a PLC/SLC or DF1 port interface");
    click(variants, "Command10");
    settle();
    EXPECT_TRUE(bench.welcome()->isVisible());
    EXPECT_FALSE(bench.app.mainmenuLoaded());
}

// Each variant's button, and the editor's defaults after it, leave the
// record that cvcfg new gives; the image length is the variant's, whatever
// variant came before.
TEST(Setup, CV310VariantsAndTheirDefaultsLeaveTheirOwnRecords) {
    ShellBench bench;
    for (const char* variant :
         {"CV310-DMX", "CV310-BTI", "CV310-MMX", "CV310-DFX", "CV310-DF1", "CV310-DAS"}) {
        SCOPED_TRACE(variant);
        bench.setUpCV310(variant);
        ASSERT_TRUE(bench.menu()->isVisible());
        const ConfigRecord factory = *factorySettings(variant, "9600");
        EXPECT_EQ(bench.record(), factory);
        EXPECT_EQ(bench.record().ConfigLength, findVariant(variant)->ConfigLength);
        click(bench.menu(), "cmdUpdate");
        EXPECT_EQ(bench.editor()->windowTitle(),
                  QStringLiteral("Configuration of [%1] - MAIN MENU").arg(variant));
        // Changes that the defaults must take back.
        test::pickEntry(bench.editor(), "cboCHBSpeed", "230.4");
        bench.record().CHAParams = 0x26;
        bench.record().HighAddress = charField(40);
        restoreDefaults(bench.editor());
        EXPECT_EQ(bench.record(), factory);
        EXPECT_EQ(text(bench.editor(), "cboCHBSpeed"), "9600");
        click(bench.editor(), "cmdRETURN");
        click(bench.menu(), "Command2");
        settle();
        ASSERT_TRUE(bench.welcome()->isVisible());
    }
}

TEST(Setup, CardAfterTheCV320KeepsTheVariantAndOpensItsOwnEditor) {
    ShellBench bench;
    bench.setUpCV320();
    bench.menu()->close();
    settle();
    bench.setUpPci();
    EXPECT_EQ(bench.record().ModelName, "CV-PCI");
    EXPECT_EQ(bench.record().ModelVariant, "CV320-ME") << "the card has no variant of its own";
    EXPECT_EQ(bench.record().ConfigLength, 58);
    EXPECT_EQ(code(bench.record().CHBSpeed), 10);
    click(bench.menu(), "cmdUpdate");
    EXPECT_EQ(bench.editor()->objectName(), "CVPCI_Params");
    EXPECT_TRUE(checked(bench.editor(), "optDH"));
    EXPECT_EQ(text(bench.editor(), "cboBusSpeed"), "38.4");
    click(bench.editor(), "optRIO");
    test::useFileMenu(bench.editor(), "restore_settings");
    EXPECT_TRUE(checked(bench.editor(), "optDH"));
    EXPECT_EQ(code(bench.record().CHBSpeed), 10) << "the card's defaults, not the menu's 8";
    click(bench.editor(), "cmdEXIT");
    EXPECT_EQ(bench.quits, 1);
}

TEST(Setup, ModbusDialogOpensFromTheCV210sModbusModeWithItsSerialOperation) {
    ShellBench bench;
    bench.setUpCV210("CV210-MODBUS");
    click(bench.menu(), "cmdUpdate");
    click(bench.editor(), "cmdModBus");
    ModbusProt& modbus = bench.app.editors().modbus_prot();
    ASSERT_TRUE(test::showActive(&modbus));
    EXPECT_FALSE(bench.editor()->isVisible());
    EXPECT_TRUE(shown(&modbus, "frmHalDuplex"));
    EXPECT_TRUE(child(&modbus, "Frame6")->isEnabled());
    EXPECT_TRUE(checked(&modbus, "Option15"));
    QTest::keyClick(&modbus, Qt::Key_Escape);
    EXPECT_TRUE(bench.editor()->isVisible());
    EXPECT_TRUE(bench.editor()->isEnabled());
}

TEST(Defaults, KeepTheVariantsOwnModeAndShowWhatTheRecordHolds) {
    for (const char* variant : {"CV210-ENI", "CV210-SLC5/04 Bridge"}) {
        SCOPED_TRACE(variant);
        ShellBench bench;
        bench.setUpCV210(variant);
        click(bench.menu(), "cmdUpdate");
        QWidget* editor = bench.editor();
        pickEntry(editor, "cboStationNumber", "77");
        restoreDefaults(editor);
        EXPECT_EQ(bench.record().ModeBytes, std::string(2, '\0'));
        EXPECT_EQ(text(editor, "cboStationNumber"), "1") << "the station downloaded";
        EXPECT_EQ(code(bench.record().StationNo), 1);
        EXPECT_TRUE(shown(editor, "cboHighAddress")) << "the PLC/SLC node stays";
        EXPECT_EQ(text(editor, "cboHighAddress"),
                  QString::fromStdString(octalText(code(bench.record().HighAddress))));
        if (bench.record().ModelVariant == "CV210-SLC5/04 Bridge") {
            EXPECT_TRUE(shown(editor, "cboDHPLinkID"));
            EXPECT_EQ(text(editor, "cboDHPLinkID"), QString::number(code(bench.record().AuxChar)));
            EXPECT_EQ(text(editor, "cboDH485LinkID"), QString::number(bench.record().AuxValue));
        }
    }
}

TEST(Defaults, LeaveTheCardInItsModbusMode) {
    ShellBench bench;
    bench.setUpPc104();
    click(bench.menu(), "cmdUpdate");
    restoreDefaults(bench.editor());
    EXPECT_EQ(bench.record().ModeBytes, std::string("\x01\x00", 2));
    EXPECT_EQ(code(bench.record().CHBSpeed), 8);
    EXPECT_TRUE(checked(bench.editor(), "optMODBUS"));
    EXPECT_FALSE(shown(bench.editor(), "frmBusProt"));
    EXPECT_FALSE(shown(bench.editor(), "optStandardDF1"));
}

TEST(Defaults, FollowTheNetworkAndResetTheDialogs) {
    ShellBench bench;
    bench.setUpCV210("CV210-DF1");
    click(bench.menu(), "cmdUpdate");
    QWidget* editor = bench.editor();
    click(editor, "optDH485");
    click(editor, "Command3");
    ChannelDialog& b = bench.app.editors().paramConfigB();
    click(&b, "optYes");
    click(&b, "opt7");
    click(&b, "Command2");
    bench.app.UpdateParameters();
    EXPECT_EQ(code(bench.record().NetSpeed), 8);
    EXPECT_EQ(text(editor, "cboNetworkSpeed"), "9600");
    EXPECT_EQ(bench.record().CHBParams, 0);
    EXPECT_TRUE(checked(&b, "optNone"));
    EXPECT_TRUE(checked(&b, "opt8"));
}

TEST(Defaults, TheRmmsTwoWireBitFollowsChannelBThroughDefaultsAndAFile) {
    test::TempDir dir;
    ShellBench bench;
    bench.setUpCV210("CV210-RMM");
    click(bench.menu(), "cmdUpdate");
    QWidget* editor = bench.editor();
    ChannelDialog& b = bench.app.editors().paramConfigB();
    const int32_t& options = bench.record().ExtParams[1];
    const auto wire = [&](const char* item) {
        click(editor, "Command3");
        click(&b, "opt422");
        test::pickMenuItem(b.findChild<QMenu*>(), item);
        click(&b, "Command2");
    };
    wire("RS485");
    EXPECT_EQ(options & 0x08, 0x08) << "RS485-2 Wire is half duplex";
    click(editor, "Command3");
    click(&b, "opt232");
    click(&b, "Command2");
    EXPECT_EQ(options & 0x08, 0) << "RS-232C";
    wire("RS485");
    restoreDefaults(editor);
    EXPECT_EQ(options & 0x08, 0) << "the defaults";

    wire("RS485");
    bench.op().expectSaveFile(dir.path("rmm.CVF"));
    test::useFileMenu(editor, "save_file");
    bench.record().ExtParams[1] = 0; // as in a run that starts afresh
    bench.op().expectOpenFile(dir.path("rmm.CVF"));
    test::useFileMenu(editor, "open_file");
    EXPECT_EQ(options & 0x08, 0x08) << "the file keeps channel B's wiring, and the bit follows it";
    EXPECT_EQ(b.findChild<OptionButton*>("opt422")->text(), "RS485-2 Wire");
}

TEST(Editor, ModbusAndAsciiModesFromDh485TakeADhPlusSpeed) {
    for (const char* variant : {"CV210-MODBUS", "CV210-ASCII"}) {
        SCOPED_TRACE(variant);
        ShellBench bench;
        bench.setUpCV210(variant);
        click(bench.menu(), "cmdUpdate");
        QWidget* editor = bench.editor();
        const char* mode = std::string_view(variant) == "CV210-MODBUS" ? "optMODBUS" : "optASC";
        for (const char* speed : {"4800", "19.2"}) {
            click(editor, "optStandardDF1");
            click(editor, "optDH485");
            pickEntry(editor, "cboNetworkSpeed", speed);
            click(editor, mode);
            EXPECT_EQ(code(bench.record().NetType), 0);
            EXPECT_EQ(code(bench.record().NetSpeed), 8) << "57.6 on DH+, from " << speed;
            EXPECT_TRUE(checked(editor, "optDHPlus"));
            EXPECT_EQ(text(editor, "cboNetworkSpeed"), "57.6");
        }
    }
}

TEST(Editor, KeepsItsSizeWhileItDownloads) {
    ShellBench bench;
    bench.setUpCV210("CV210-DF1");
    click(bench.menu(), "cmdUpdate");
    QWidget* editor = bench.editor();
    settle();
    const QSize idle = editor->size();
    QString caption;
    QSize busy;
    bench.op().whileShown = [&](const MessageBox&) {
        settle();
        caption = child<QPushButton>(editor, "cmdDOWNLOAD")->text();
        busy = editor->size();
    };
    bench.op().expect(noPortMessage());
    click(editor, "cmdDOWNLOAD");
    EXPECT_EQ(caption, "Downloading Parameters...");
    EXPECT_EQ(busy, idle);
}

TEST(Editor, ComesBackAfterItsCloseBoxShowingTheRecord) {
    ShellBench bench;
    bench.setUpCV210("CV210-KFR");
    click(bench.menu(), "cmdUpdate");
    pickEntry(bench.editor(), "cboAsyncSpeed", "57.6");
    pickEntry(bench.editor(), "cboRackNum", "12");
    bench.editor()->close();
    settle();
    EXPECT_TRUE(bench.menu()->isVisible());
    click(bench.menu(), "cmdUpdate");
    QWidget* editor = bench.editor();
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->windowTitle(), "Configuration of [CV210-KFR] - MAIN MENU");
    EXPECT_TRUE(checked(editor, "optKFR"));
    EXPECT_TRUE(shown(editor, "optStandardDF1"));
    EXPECT_EQ(text(editor, "cboAsyncSpeed"), "57.6");
    EXPECT_EQ(text(editor, "cboRackNum"), "12");
    click(editor, "optStandardDF1");
    EXPECT_EQ(text(editor, "cboNetworkSpeed"), "57.6");
    EXPECT_EQ(child<QComboBox>(editor, "cboStationNumber")->count(), 64);
}

TEST(Editor, ComparesWithAFileAndPrintsItsSheetChangingNothing) {
    test::TempDir dir;
    ShellBench bench;
    bench.setUpCV210("CV210-DF1");
    click(bench.menu(), "cmdUpdate");
    const std::string plant = dir.path("plant.CVF");
    const auto useItem = [&bench](const char* item) {
        test::useFileMenu(bench.editor(), item);
    };
    bench.op().expectSaveFile(plant);
    useItem("save_file");
    pickEntry(bench.editor(), "cboStationNumber", "11");
    const ConfigRecord before = bench.record();
    const std::string saved = test::readFile(plant);

    bench.op().expectOpenFile(plant);
    bench.op().expect({"The configuration in the editor differs from " + plant +
                           " (editor -> file):\nStationNo: 9 (octal 11) -> 1 (octal 1)\n",
                       Buttons::Ok, Icon::Information, "Compare with File"});
    useItem("compare_file");
    EXPECT_EQ(bench.record(), before);
    EXPECT_EQ(test::readFile(plant), saved);

    const std::string pdf = dir.path("sheet.pdf");
    bench.app.editors().setPrinterChooser([&pdf](QPrinter& printer, QWidget*) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        return true;
    });
    useItem("print_sheet");
    EXPECT_TRUE(test::readFile(pdf).starts_with("%PDF-"));
    EXPECT_EQ(bench.record(), before);
}

TEST(Editor, StaysUnderItsDialogAndComesBackOnAccept) {
    ShellBench bench;
    bench.setUpCV210("CV210-DF1");
    click(bench.menu(), "cmdUpdate");
    QWidget* editor = bench.editor();
    click(editor, "cmdProtParam");
    editor->close();
    settle();
    EXPECT_TRUE(editor->isVisible());
    click(&bench.app.editors().df_Param(), "cmdAccept");
    settle();
    EXPECT_EQ(bench.editor(), editor) << "the same editor, not a new one";
    EXPECT_TRUE(editor->isEnabled());
    EXPECT_TRUE(checked(editor, "optStandardDF1"));
    EXPECT_TRUE(bench.menu()->isHidden());
}

TEST(Program, CloseBoxesOfTheSmallFormsLeadBackToProductSelection) {
    ShellBench bench;
    bench.op().expect(test::kSerialNumberQuestion, Answer::No);
    click(bench.welcome(), "Command4");
    bench.app.model_CV210().close();
    settle();
    EXPECT_TRUE(bench.welcome()->isVisible());
    EXPECT_FALSE(bench.app.modelCV210Loaded());
    click(bench.welcome(), "Command3");
    EXPECT_TRUE(bench.welcome()->isHidden());
    bench.app.about().close();
    settle();
    EXPECT_TRUE(bench.welcome()->isVisible());
    EXPECT_EQ(bench.quits, 0);
}

TEST(MainMenu, PortChoiceTestsThePortAndLocksTheTransfers) {
    test::PtyPair pty;
    PortMap ports;
    ASSERT_TRUE(ports.addMapping("1=" + pty.slavePath()).ok());
    ASSERT_TRUE(ports.addMapping("2=/dev/cvcfg-no-such-port").ok());
    ShellBench bench(ports);
    bench.setUpCV210("CV210-DF1");
    QWidget* menu = bench.menu();
    EXPECT_EQ(text(menu, "cboCOM"), "NONE");

    bench.op().expect(
        {"UNABLE TO OPEN COM PORT,  Error: Error (2): CommOpen (CreateFile) - No such "
         "file or directory",
         Buttons::Ok, Icon::Information, "INVALID COM PORT!!! Please Select Again."});
    pickPort(menu, 2);
    EXPECT_EQ(text(menu, "cboCOM"), "NONE");
    EXPECT_EQ(bench.record().ComPort, 0);
    for (const char* control :
         {"frmTOOLS", "cmdBurn", "frmCONFIG", "cmdUpdate", "cmdUPLOAD", "cmdDOWNLOAD"}) {
        EXPECT_FALSE(child(menu, control)->isEnabled()) << control;
    }
    pickPort(menu, 1);
    EXPECT_EQ(bench.record().ComPort, 1);
    EXPECT_TRUE(child(menu, "cmdDOWNLOAD")->isEnabled());
    EXPECT_TRUE(text(menu, "lblDevice").contains(QString::fromStdString(pty.slavePath())));
    EXPECT_FALSE(bench.gui.serial.isOpen(1)) << "the test never leaves the port open";
}

TEST(MainMenu, ShowsThePortInUseAndSaysPlainlyWhenThereIsNone) {
    test::PtyPair pty;
    PortMap ports;
    ASSERT_TRUE(ports.addMapping("3=" + pty.slavePath()).ok());
    ShellBench bench(ports);
    bench.setUpCV210("CV210-DF1");
    bench.op().expect(noPortMessage());
    click(bench.menu(), "cmdUPLOAD");
    click(&bench.app.upload(), "cmdUpload");
    bench.app.upload().close();
    settle();

    pickPort(bench.menu(), 3);
    click(bench.menu(), "Command2");
    settle();
    bench.setUpCV210("CV210-DF1");
    EXPECT_EQ(text(bench.menu(), "cboCOM"),
              QString::fromStdString("COM3 \u2014 " + pty.slavePath()))
        << "the port the transfers use";
    EXPECT_EQ(bench.record().ComPort, 3);
}

TEST(MainMenu, KeepsItsSizeWhenALongDeviceIsShown) {
    PortMap ports;
    const std::string longPath = "/dev/serial/by-id/usb-A_Very_Long_Adapter_Name_1234567890-if00";
    ASSERT_TRUE(ports.addMapping("1=" + longPath).ok());
    ShellBench bench(ports);
    bench.setUpCV210("CV210-DF1");
    settle();
    const QSize size = bench.menu()->size();
    bench.record().ComPort = 1;
    bench.menu()->hide();
    bench.menu()->show();
    settle();
    EXPECT_TRUE(text(bench.menu(), "lblDevice").contains(QString::fromStdString(longPath)));
    EXPECT_EQ(bench.menu()->size(), size);
}

TEST(Program, EndsFromEveryExitWithoutAsking) {
    ShellBench bench;
    click(bench.welcome(), "Command1");
    EXPECT_EQ(bench.quits, 1);
    ShellBench closing;
    closing.app.welcome().close();
    EXPECT_EQ(closing.quits, 1);
    ShellBench fromEditor;
    fromEditor.setUpCV210("CV210-DF1");
    click(fromEditor.menu(), "cmdUpdate");
    click(fromEditor.editor(), "cmdEXIT");
    EXPECT_FALSE(fromEditor.editor()->isVisible());
    EXPECT_EQ(fromEditor.quits, 1);
    EXPECT_EQ(fromEditor.op().shown.size(), 1u);
}

TEST(Program, AboutAndTheWebLinkGoThroughTheOperator) {
    ShellBench bench;
    click(bench.welcome(), "Command3");
    EXPECT_TRUE(bench.app.about().isVisible());
    emit child<QLabel>(bench.welcome(), "Label7")->linkActivated("https://www.corvane.example/");
    EXPECT_EQ(bench.op().webPages, std::vector<std::string>{"https://www.corvane.example/"});
    click(&bench.app.about(), "Command1");
    EXPECT_TRUE(bench.welcome()->isVisible());
}

} // namespace
} // namespace cvcfg
