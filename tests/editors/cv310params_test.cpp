#include "editors/asciidatatable.h"
#include "editors/channeldialog.h"
#include "editors/cv210params.h"
#include "editors/cv310params.h"
#include "editors/modbusprot.h"
#include "editors/slaveadd.h"
#include "tests/editors/stubshell.h"
#include "tests/support/tempdir.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

namespace cvcfg {
namespace {

using test::child;
using test::click;
using test::code;

// The CV310 editor on a stub shell, its variant's button chosen as the
// variant menu chooses it.
class CV310Editor : public testing::Test {
protected:
    void choose(const char* variant) {
        record() = test::zeroRecord(variant);
        ASSERT_TRUE(editor().chooseVariant(variant));
        editor().showEditor();
        ASSERT_TRUE(test::showActive(form()));
    }
    ConfigRecord& record() { return bench.gui.record; }
    CV310Params& editor() { return bench.forms.cv310Params(); }
    QWidget* form() { return &editor(); }
    bool shown(const char* name) { return child(form(), name)->isVisibleTo(form()); }
    QString title(const char* frame) { return child<QGroupBox>(form(), frame)->title(); }
    void useMenu(const char* item) { test::useFileMenu(form(), item); }

    test::TempDir dir;
    test::EditorBench bench;
};

TEST_F(CV310Editor, ChannelSpeedsStoreTheirCodesAndUnits) {
    choose("CV310-DFX");
    test::pickEntry(form(), "cboCHASpeed", "19.2");
    EXPECT_EQ(code(record().NetSpeed), 9);
    EXPECT_EQ(test::shownText(form(), "lblCHASpeed"), "Kbaud");
    test::pickEntry(form(), "cboCHBSpeed", "300");
    EXPECT_EQ(code(record().CHBSpeed), 3);
    EXPECT_EQ(test::shownText(form(), "lblCHBSpeed"), "Baud");
    test::pickEntry(form(), "cboCHCSpeed", "38.4");
    EXPECT_EQ(code(record().CHCSpeed), 10);
    EXPECT_EQ(test::shownText(form(), "lblKbaudC"), "Kbaud");
    auto* channelC = child<QComboBox>(form(), "cboCHCSpeed");
    EXPECT_EQ(channelC->itemText(channelC->count() - 1), "38.4") << "channel C ends at 38.4";
    EXPECT_EQ(child<QComboBox>(form(), "cboCHASpeed")->count(), 11);
}

TEST_F(CV310Editor, StationsAndAddressesAreOctal) {
    choose("CV310-DFX");
    EXPECT_EQ(code(record().StationNo), 9) << "the start chooses \"11\"";
    EXPECT_EQ(test::shownText(form(), "txtCHBStation"), "2");
    test::pickEntry(form(), "cboStationNumber", "17");
    EXPECT_EQ(code(record().StationNo), 15);
    EXPECT_EQ(test::shownText(form(), "txtCHBStation"), "10") << "position 7, plus 1, in octal";
    test::pickEntry(form(), "cboStationNumber", "76");
    EXPECT_EQ(code(record().StationNo), 62);
    test::pickEntry(form(), "CboHighAddress", "76");
    EXPECT_EQ(code(record().HighAddress), 62);
    EXPECT_EQ(child<QComboBox>(form(), "cboStationNumber")->count(), 55);
}

TEST_F(CV310Editor, EachVariantLaysOutItsChannels) {
    struct Layout {
        const char* variant;
        int appCode;
        bool station, channelC, chbStation, modbusMap, ascii, brabender;
        const char* chbFrame;
    };
    for (const Layout& l : {
             Layout{"CV310-MMX", 1, false, false, false, false, false, false,
                    "CHB - Modbus ASCII Slave Paramters"},
             Layout{"CV310-DMX", 2, true, false, false, true, false, false,
                    "CHB - Modbus Interface Paramters"},
             Layout{"CV310-DFX", 3, true, true, true, false, false, false,
                    "CHB - DF1 Interface Parameters"},
             Layout{"CV310-BTI", 4, true, false, false, false, false, true,
                    "CHB - Brabender Equipment Paramters"},
             Layout{"CV310-DF1", 5, false, false, false, false, false, false,
                    "CHB - DF1 Interface Parameters"},
             Layout{"CV310-DAS", 6, true, false, false, false, true, false,
                    "CHB - ASCII Communication Protocol"},
         }) {
        SCOPED_TRACE(l.variant);
        choose(l.variant);
        EXPECT_EQ(code(record().AppCode), l.appCode);
        EXPECT_EQ(code(record().NetType), 1);
        EXPECT_EQ(form()->windowTitle(),
                  QStringLiteral("Configuration of [%1] - MAIN MENU").arg(l.variant));
        EXPECT_EQ(shown("cboStationNumber"), l.station);
        EXPECT_EQ(shown("lblStnNum"), l.station);
        EXPECT_FALSE(shown("cboModbusAdd"));
        EXPECT_FALSE(shown("cmdProtParam"));
        EXPECT_EQ(shown("frmCHC"), l.channelC);
        EXPECT_EQ(shown("txtCHBStation"), l.chbStation);
        EXPECT_EQ(shown("cmdModBus"), l.modbusMap);
        EXPECT_EQ(shown("cmdASCII"), l.ascii);
        EXPECT_EQ(shown("cboPLCadd"), l.ascii);
        EXPECT_EQ(shown("frmBTI"), l.brabender);
        EXPECT_EQ(shown("frmNetA"), l.brabender);
        EXPECT_EQ(title("frmCHB"), l.chbFrame);
        // Only the variant's own button is offered, and it is selected.
        int offered = 0;
        for (const char* button :
             {"optMMX", "optDMX", "optDFX", "optBTI", "optDF1toDF1", "optDAS"}) {
            offered += shown(button) ? 1 : 0;
        }
        EXPECT_EQ(offered, 1);
    }
    EXPECT_EQ(title("frmCHA"), "CHA - DF1 Interface Paramters");
    choose("CV310-MMX");
    EXPECT_EQ(title("frmCHA"), "CHA - Modbus RTU Master Paramters");
    EXPECT_EQ(test::shownText(form(), "cmdCHA"), "SET/CHANGE MODBUS RTU PARAMETERS");
    EXPECT_EQ(code(record().HighAddress), 0) << "MMX, DMX and BTI clear the high address";
}

TEST_F(CV310Editor, ChannelAOfTheBrabenderUnitTalksDF1OrModbus) {
    choose("CV310-BTI");
    click(form(), "optModbus");
    EXPECT_EQ(code(record().NetType), 2);
    EXPECT_TRUE(shown("cboModbusAdd"));
    EXPECT_FALSE(shown("cboStationNumber"));
    EXPECT_EQ(test::shownText(form(), "lblOctal1"), "Decimal");
    EXPECT_EQ(title("frmCHA"), "CHA - MODBUS Interface Paramters");
    test::pickEntry(form(), "cboModbusAdd", "200");
    EXPECT_EQ(code(record().StationNo), 200);
    EXPECT_EQ(bench.forms.paramConfigA().windowTitle(), "Modbus Parameters");
    click(form(), "optDF1");
    EXPECT_EQ(code(record().NetType), 1);
    EXPECT_EQ(test::shownText(form(), "lblOctal1"), "Octal");
    EXPECT_EQ(bench.forms.paramConfigA().windowTitle(), "DF1 Parameters");
}

TEST_F(CV310Editor, BrabenderTypesStoreTheirCodeAndAZero) {
    choose("CV310-BTI");
    EXPECT_TRUE(child<QRadioButton>(form(), "optSType")->isChecked());
    record().ExtParams[1] = 7;
    click(form(), "optPT03Type");
    EXPECT_EQ(record().ExtParams[0], 3);
    EXPECT_EQ(record().ExtParams[1], 0);
    click(form(), "optSAType");
    EXPECT_EQ(record().ExtParams[0], 5);
    record().ExtParams[0] = 1;
    editor().showRecord();
    EXPECT_TRUE(child<QRadioButton>(form(), "optMType")->isChecked());
}

TEST_F(CV310Editor, DefaultsKeepTheVariant) {
    for (const char* variant :
         {"CV310-MMX", "CV310-DMX", "CV310-DFX", "CV310-BTI", "CV310-DF1", "CV310-DAS"}) {
        SCOPED_TRACE(variant);
        choose(variant);
        const ConfigRecord chosen = record();
        record().AppCode = charField(1);
        record().NetType = charField(2);
        record().HighAddress = charField(40);
        record().NetSpeed = charField(13);
        if (std::string_view(variant) == "CV310-BTI") {
            record().ExtParams[brabender::kType] = 4;
        }
        useMenu("restore_configuration");
        EXPECT_EQ(record(), chosen);
        EXPECT_EQ(child<QRadioButton>(form(), "optMMX")->isChecked(),
                  std::string_view(variant) == "CV310-MMX");
    }
}

TEST_F(CV310Editor, OpensTheDialogsOfItsVariant) {
    choose("CV310-DFX");
    click(form(), "cmdAsyncC");
    ChannelDialog& channelC = bench.forms.paramConfigC();
    ASSERT_TRUE(test::showActive(&channelC));
    EXPECT_EQ(channelC.windowTitle(), "DF1 Parameters");
    EXPECT_FALSE(form()->isEnabled());
    click(&channelC, "optCRC");
    EXPECT_EQ(record().ProtoParams, proto_bits::kChannelCCrc);
    click(&channelC, "Command2");
    EXPECT_TRUE(form()->isEnabled());

    // The DF1-to-DF1 unit reaches channel B's half-duplex slave address.
    choose("CV310-DF1");
    EXPECT_EQ(code(record().HighAddress), 9) << "the slave address starts at \"11\"";
    click(form(), "Command3");
    ChannelDialog& channelB = bench.forms.paramConfigB();
    ASSERT_TRUE(test::showActive(&channelB));
    EXPECT_EQ(channelB.windowTitle(), "DF1 Parameters");
    QWidget* halfDuplex = child(&channelB, "optHD");
    ASSERT_TRUE(halfDuplex->isVisible());
    QTest::mouseDClick(halfDuplex, Qt::LeftButton, {}, test::hitPoint(halfDuplex));
    SlaveAddDialog& slave = bench.forms.SlaveAdd();
    ASSERT_TRUE(test::showActive(&slave));
    EXPECT_EQ(test::shownText(&slave, "CboHighAddress"), "11");
    click(&slave, "Command2");
    click(&channelB, "Command2");

    choose("CV310-DMX");
    click(form(), "cmdModBus");
    ModbusProt& modbus = bench.forms.modbus_prot();
    ASSERT_TRUE(test::showActive(&modbus));
    EXPECT_FALSE(form()->isVisible());
    EXPECT_TRUE(child(&modbus, "frmHalDuplex")->isVisibleTo(&modbus));
    click(&modbus, "Command2");
    EXPECT_TRUE(form()->isVisible());
}

TEST_F(CV310Editor, FilesOfEveryVariantOpenAndSaveByteForByte) {
    for (const auto& [variant, file] : test::kCV310Files) {
        SCOPED_TRACE(variant);
        choose(variant);
        const std::string golden = test::dataPath(file);
        record().AppCode = charField(0);
        bench.gui.op.expectOpenFile(golden);
        useMenu("open_file");
        EXPECT_EQ(code(record().AppCode), findVariant(variant)->AppCode);
        const std::optional<SpeedCode> speed =
            speedByCode(channelSpeeds(), code(record().CHBSpeed));
        ASSERT_TRUE(speed);
        EXPECT_EQ(test::shownText(form(), "cboCHBSpeed"), QString::fromLatin1(speed->text));
        const std::string saved = dir.path(std::string(file) + ".saved");
        bench.gui.op.expectSaveFile(saved);
        useMenu("save_file");
        EXPECT_EQ(test::readFile(saved), test::readFile(golden));
    }
}

// ---- the ASCII data table -------------------------------------------------------------

class AsciiTable : public CV310Editor {
protected:
    void SetUp() override {
        choose("CV310-DAS");
        click(form(), "cmdASCII");
        ASSERT_TRUE(test::showActive(dialog()));
    }
    QWidget* dialog() { return &bench.forms.ASCII_DataTable(); }
    QLineEdit* box(const char* name) { return child<QLineEdit>(dialog(), name); }
    void type(const char* name, const char* keys) {
        click(box(name));
        box(name)->selectAll();
        QTest::keyClicks(box(name), QString::fromLatin1(keys));
    }
};

TEST_F(AsciiTable, FileAndWordAreStoredLowByteFirst) {
    EXPECT_FALSE(form()->isEnabled());
    type("txtXXX", "100");
    type("txtYYY", "256");
    EXPECT_EQ(record().ExtParams[2], 100);
    EXPECT_EQ(record().ExtParams[3], 0);
    EXPECT_EQ(record().ExtParams[4], 0);
    EXPECT_EQ(record().ExtParams[5], 1);
    type("txtXXX", "65535");
    EXPECT_EQ(record().ExtParams[2], 255);
    EXPECT_EQ(record().ExtParams[3], 255);
    click(dialog(), "cmdAccept");
    EXPECT_FALSE(dialog()->isVisible());
    EXPECT_TRUE(form()->isEnabled());
}

TEST_F(AsciiTable, ALetterOrTooLargeANumberChangesNothing) {
    type("txtXXX", "7000");
    type("txtYYY", "12");
    const ConfigRecord before = record();
    for (const char* name : {"txtXXX", "txtYYY"}) {
        SCOPED_TRACE(name);
        const QString shown = box(name)->text();
        click(box(name));
        for (const char* refused : {"a", "-", "."}) {
            QTest::keyClicks(box(name), QString::fromLatin1(refused));
            EXPECT_EQ(box(name)->text(), shown);
        }
    }
    QTest::keyClick(box("txtXXX"), Qt::Key_Home);
    QTest::keyClicks(box("txtXXX"), "9");
    EXPECT_EQ(box("txtXXX")->text(), "7000") << "97000 does not fit two bytes";
    EXPECT_EQ(record(), before);

    // An emptied box leaves the record; leaving the box shows it again.
    box("txtYYY")->selectAll();
    QTest::keyClick(box("txtYYY"), Qt::Key_Delete);
    EXPECT_EQ(box("txtYYY")->text(), "");
    EXPECT_EQ(record(), before);
    QTest::keyClick(box("txtYYY"), Qt::Key_Tab);
    EXPECT_EQ(box("txtYYY")->text(), "12");
}

TEST_F(AsciiTable, TheStringFileIsOneBitOfTheProtocolByte) {
    record().ProtoParams = 0x41;
    bench.forms.ASCII_DataTable().showRecord();
    click(dialog(), "Check1");
    EXPECT_EQ(record().ProtoParams, 0xC1);
    click(dialog(), "Check1");
    EXPECT_EQ(record().ProtoParams, 0x41);
    record().ProtoParams = 0x80;
    bench.forms.ASCII_DataTable().showRecord();
    EXPECT_TRUE(child<QCheckBox>(dialog(), "Check1")->isChecked()) << "also on the CV310-DAS";
}

TEST(AsciiTableOfTheCV210, OpensFromTheAsciiMode) {
    test::EditorBench bench;
    bench.gui.record = test::zeroRecord("CV210-ASCII");
    CV210Params& editor = bench.forms.cv210Params();
    editor.chooseMode(CV210Params::Mode::Ascii);
    editor.showEditor();
    ASSERT_TRUE(test::showActive(&editor));
    click(&editor, "cmdASCII");
    ASSERT_TRUE(test::showActive(&bench.forms.ASCII_DataTable()));
    EXPECT_FALSE(editor.isEnabled());
}

} // namespace
} // namespace cvcfg
