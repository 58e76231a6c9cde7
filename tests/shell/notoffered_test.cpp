#include "core/configfile.h"
#include "tests/shell/bench.h"
#include "tests/support/tempdir.h"
#include "tests/support/unitprocess.h"

#include <gtest/gtest.h>

namespace cvcfg {
namespace {

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

// A CV210-DF1 configuration left by another variant: network type 2, which
// the CV210 has no button for (0 DH+, 1 DH-485), and channel B at 230.4,
// beyond the list's "300" to "115.2".
const MessageBox kNotOffered{
    "This configuration holds values that the CV210-DF1 editor does not offer:\n"
    "- NetType (network) holds 2; the editor offers 0 DH+, 1 DH-485\n"
    "- CHBSpeed (channel B speed) holds 13; the editor offers 3 to 12 (300 Baud to 115.2 Kbaud)\n"
    "The forms cannot show these values. They are kept, and they will be downloaded as they are "
    "unless you change them.",
    Buttons::Ok, Icon::Exclamation, "Values Not Offered by the Editor"};

// The CV210-DF1 program with a simulated unit on COM1, and a file of it
// holding values its editor does not offer.
class NotOfferedValues : public testing::Test, public test::DF1WithUnit {
protected:
    NotOfferedValues() {
        ConfigRecord odd = bench.record();
        odd.NetType = charField(2);
        odd.CHBSpeed = charField(13);
        EXPECT_TRUE(SaveConfigFile(oddFile, odd).ok());
    }

    const std::string oddFile = dir.path("odd.CVF");
};

TEST_F(NotOfferedValues, OpeningAFileTellsOnceAndKeepsTheValues) {
    click(bench.menu(), "cmdUpdate");
    const std::size_t before = bench.op().shown.size();
    bench.op().expectOpenFile(oddFile);
    bench.op().expect(kNotOffered);
    test::useFileMenu(bench.editor(), "open_file");
    EXPECT_EQ(bench.op().shown.size(), before + 1);
    EXPECT_EQ(code(bench.record().NetType), 2);
    EXPECT_EQ(code(bench.record().CHBSpeed), 13);
    EXPECT_EQ(child<QComboBox>(bench.editor(), "cboAsyncSpeed")->currentText(), "");

    // A file of offered values opens without a word.
    bench.op().expectOpenFile(test::dataPath("cv210-df1.CVF"));
    test::useFileMenu(bench.editor(), "open_file");
    EXPECT_EQ(bench.op().shown.size(), before + 1);
    EXPECT_EQ(code(bench.record().NetType), 0);
}

TEST_F(NotOfferedValues, AnUploadTellsOnceItIsInTheEditor) {
    // The unit takes the file as it is, and gives it back.
    click(bench.menu(), "cmdDOWNLOAD");
    bench.op().expectOpenFile(oddFile);
    bench.op().expect(kConfigurePrompt);
    bench.op().expect(kResetPrompt);
    click(&bench.app.download(), "cmdDOWNLOAD");
    bench.app.download().close();
    settle();

    bench.app.UpdateParameters();
    click(bench.menu(), "cmdUPLOAD");
    bench.op().expect(kConfigurePrompt);
    bench.op().expectSaveFile(dir.path("uploaded.CVF"));
    bench.op().expect(kNotOffered);
    const std::size_t before = bench.op().shown.size();
    click(&bench.app.upload(), "cmdUpload");
    EXPECT_EQ(bench.op().shown.size(), before + 2) << "the Configure prompt and one message";
    EXPECT_EQ(child<QLabel>(&bench.app.upload(), "lblStatus")->text(),
              "A-OK! Success - Upload complete from CV210.");
    EXPECT_EQ(code(bench.record().NetType), 2);
    EXPECT_EQ(code(bench.record().CHBSpeed), 13);
    EXPECT_FALSE(bench.gui.serial.isOpen(1)) << "the port is closed before the message";
}

} // namespace
} // namespace cvcfg
