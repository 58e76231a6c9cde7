#include "core/configfile.h"
#include "tests/shell/bench.h"
#include "tests/support/tempdir.h"

#include <QListWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace cvcfg {
namespace {

using test::child;
using test::click;
using test::dataPath;
using test::settle;
using test::ShellBench;

const char* const kOpenTitle = "Open Corvane Configuration Settings";

// What a file gives when the operator sets the variant up through the menus
// and opens the file with the editor's Open.
struct OpenedByHand {
    OpenedByHand(std::string_view variant, const std::string& path, bool fastLink = false) {
        if (variant.starts_with("CV210")) {
            bench.setUpCV210(variant, fastLink);
        } else {
            bench.setUp(variant);
        }
        click(bench.menu(), "cmdUpdate");
        bench.op().expectOpenFile(path);
        // The CV-PCI editor calls its item "open".
        test::useFileMenu(bench.editor(), variant == "CV-PCI" ? "open" : "open_file");
        settle();
    }
    ShellBench bench;
};

// The choice form's entries, as the operator reads them.
QStringList entries(QListWidget* list) {
    QStringList texts;
    for (int row = 0; row < list->count(); ++row) {
        texts << list->item(row)->text();
    }
    return texts;
}

void pickVariant(QListWidget* list, const QString& text) {
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << text.toStdString();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(found.front()).center());
}

// The form that asks which variant a file is for, while it is shown.
QWidget* shownChoice() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == "ChooseVariant" && window->isVisible()) {
            return window;
        }
    }
    return nullptr;
}

TEST(StartWithFile, AFileOnlyOneVariantWritesOpensInItsEditor) {
    const std::string path = dataPath("cv310-bti.CVF");
    OpenedByHand expected("CV310-BTI", path);

    ShellBench bench;
    bench.app.startWithFile(path);
    settle();
    QWidget* editor = bench.editor();
    EXPECT_EQ(editor->objectName(), "CV310_Params");
    EXPECT_TRUE(editor->isVisible());
    EXPECT_TRUE(bench.welcome()->isHidden());
    EXPECT_TRUE(bench.menu()->isHidden());
    EXPECT_EQ(shownChoice(), nullptr) << "nothing to ask";
    EXPECT_EQ(test::parameters(bench.record()), test::parameters(expected.bench.record()));
    EXPECT_EQ(FormatConfigFile(bench.record()), test::readFile(path))
        << "the record holds exactly the file's values";
    EXPECT_EQ(test::shownText(editor, "cboStationNumber"),
              test::shownText(expected.bench.editor(), "cboStationNumber"));
}

TEST(StartWithFile, AFileOfSeveralVariantsOpensAsTheOperatorsChoice) {
    const std::string path = dataPath("cv210-kfr.CVF");
    OpenedByHand expected("CV210-KFR", path, true);

    ShellBench bench;
    bench.app.startWithFile(path);
    settle();
    QWidget* choice = shownChoice();
    ASSERT_NE(choice, nullptr) << "the operator is asked";
    EXPECT_TRUE(bench.welcome()->isHidden());
    auto* list = child<QListWidget>(choice, "lstVariants");
    EXPECT_EQ(entries(list), (QStringList{"CV210-KFR", "CV-PCI"}));

    // Another entry first, so that the choice is the operator's, not the
    // list's first entry.
    pickVariant(list, "CV-PCI");
    pickVariant(list, "CV210-KFR");
    bench.op().expect(test::kSerialNumberQuestion, Answer::Yes);
    click(choice, "cmdOpen");
    settle();
    QWidget* editor = bench.editor();
    EXPECT_EQ(editor->objectName(), "CV210_Params");
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(bench.record().LinkBaud, "19200");
    EXPECT_EQ(test::parameters(bench.record()), test::parameters(expected.bench.record()));
    EXPECT_EQ(FormatConfigFile(bench.record()), test::readFile(path));
}

TEST(StartWithFile, TheModbusGroupIsOfferedAndCancelGoesToProductSelection) {
    ShellBench bench;
    bench.app.startWithFile(dataPath("cv320-me.CVF"));
    settle();
    QWidget* choice = shownChoice();
    ASSERT_NE(choice, nullptr);
    auto* list = child<QListWidget>(choice, "lstVariants");
    QStringList offered = entries(list);
    offered.sort();
    EXPECT_EQ(offered, (QStringList{"CV-PC/104-MODBUS", "CV210-MODBUS", "CV310-DMX", "CV320-ME"}));
    EXPECT_FALSE(list->accessibleName().isEmpty());
    click(choice, "cmdCancel");
    settle();
    EXPECT_EQ(shownChoice(), nullptr);
    EXPECT_TRUE(bench.welcome()->isVisible());
    EXPECT_EQ(bench.record().ModelName, "");
}

// Each entry the choice offers, chosen by the operator, gives what setting
// that variant up by hand and opening the file there gives, the start's own
// messages (the CV-PCI warning, the CV210-Modbus version check) included.
struct Choice {
    const char* file;
    const char* variant;
};

void PrintTo(const Choice& choice, std::ostream* os) {
    *os << choice.file << " as " << choice.variant;
}

class ChoosingAnEntry : public testing::TestWithParam<Choice> {};

TEST_P(ChoosingAnEntry, OpensTheFileAsSettingTheVariantUpByHandDoes) {
    const auto [file, variant] = GetParam();
    const std::string path = dataPath(file);
    OpenedByHand expected(variant, path);

    ShellBench bench;
    bench.app.startWithFile(path);
    settle();
    QWidget* choice = shownChoice();
    ASSERT_NE(choice, nullptr);
    pickVariant(child<QListWidget>(choice, "lstVariants"), variant);
    bench.expectStartMessages(variant);
    click(choice, "cmdOpen");
    settle();
    EXPECT_EQ(shownChoice(), nullptr);
    QWidget* editor = bench.editor();
    EXPECT_EQ(editor->objectName(), expected.bench.editor()->objectName());
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(bench.record().AppCode, expected.bench.record().AppCode);
    EXPECT_EQ(test::parameters(bench.record()), test::parameters(expected.bench.record()));
}

INSTANTIATE_TEST_SUITE_P(StartWithFile, ChoosingAnEntry,
                         testing::Values(Choice{"cv210-kfr.CVF", "CV-PCI"},
                                         Choice{"cv210-modbus.CVF", "CV210-MODBUS"},
                                         Choice{"cv210-modbus.CVF", "CV-PC/104-MODBUS"},
                                         Choice{"cv320-me.CVF", "CV310-DMX"},
                                         Choice{"cv320-me.CVF", "CV320-ME"}),
                         [](const testing::TestParamInfo<Choice>& info) {
                             return test::variantTestName({info.param.variant, info.index});
                         });

TEST(StartWithFile, AFileThatCannotBeReadIsReportedAtProductSelection) {
    test::TempDir dir;
    const std::string path = dir.path("absent.CVF");
    ShellBench bench;
    bench.op().expect({"Cannot open " + path + ": No such file or directory", Buttons::Ok,
                       Icon::Exclamation, kOpenTitle});
    bench.app.startWithFile(path);
    settle();
    EXPECT_TRUE(bench.welcome()->isVisible());
    EXPECT_EQ(shownChoice(), nullptr);
    EXPECT_EQ(bench.record().ModelName, "");
}

} // namespace
} // namespace cvcfg
