#include "editors/controls.h"
#include "tests/support/gui.h"

#include <QAbstractItemView>
#include <QHBoxLayout>
#include <QTest>
#include <gtest/gtest.h>

namespace cvcfg {
namespace {

// A small form of an option group, a list and a check box whose handlers
// count their runs, driven by the operator's own mouse and keys.
class Controls : public testing::Test {
protected:
    Controls() {
        auto* layout = new QHBoxLayout(&form);
        for (OptionButton* button : {&first, &second}) {
            layout->addWidget(button);
        }
        layout->addWidget(&list);
        layout->addWidget(&box);
        first.setChecked(true);
        first.onClick = [this] {
            ++firstRuns;
        };
        second.onClick = [this] {
            ++secondRuns;
        };
        second.onClickSelected = [this] {
            ++secondAgain;
        };
        list.addItems({"a", "b", "c"});
        list.onClick = [this] {
            chosen.push_back(list.currentText());
        };
        box.onClick = [this] {
            ++boxRuns;
        };
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
    }

    void pick(int index) { test::pickEntry(&list, list.itemText(index)); }

    QWidget form;
    OptionButton first;
    OptionButton second;
    ListBox list;
    CheckBox box;
    int firstRuns = 0;
    int secondRuns = 0;
    int secondAgain = 0;
    int boxRuns = 0;
    QStringList chosen;
};

TEST_F(Controls, AClickOnAnOptionRunsItsHandlerOnlyWhenItChangesTheChoice) {
    test::click(&second);
    EXPECT_TRUE(second.isChecked());
    EXPECT_EQ(secondRuns, 1);
    test::click(&second);
    EXPECT_EQ(secondRuns, 1) << "a click on the selected button changes nothing";
    EXPECT_EQ(secondAgain, 1);
    test::click(&first);
    EXPECT_EQ(firstRuns, 1);
    // The keyboard selects as the mouse does.
    second.setFocus();
    QTest::keyClick(&second, Qt::Key_Space);
    EXPECT_EQ(secondRuns, 2);
    QTest::keyClick(&second, Qt::Key_Left);
    EXPECT_TRUE(first.isChecked());
    EXPECT_EQ(firstRuns, 2);
}

TEST(OptionButton, AloneInItsFrameStaysSelectedWhenClickedAgain) {
    QWidget frame;
    OptionButton only(&frame);
    int runs = 0;
    only.onClick = [&runs] {
        ++runs;
    };
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    test::click(&only);
    test::click(&only);
    EXPECT_TRUE(only.isChecked());
    EXPECT_EQ(runs, 1);
}

TEST_F(Controls, SelectingFromCodeRunsTheHandlerAsAClickWould) {
    choose(&first);
    EXPECT_EQ(firstRuns, 0) << "already selected";
    choose(&second);
    EXPECT_TRUE(second.isChecked());
    EXPECT_FALSE(first.isChecked());
    EXPECT_EQ(secondRuns, 1);
    reselect(&second);
    EXPECT_EQ(secondRuns, 2) << "reselect runs once, even on the selected button";
    deselect(&second);
    EXPECT_FALSE(second.isChecked());
    EXPECT_EQ(secondRuns, 2) << "deselecting runs nothing";
    showChoice({&first, &second}, nullptr);
    EXPECT_FALSE(first.isChecked() || second.isChecked());
    showChoice({&first, &second}, &first);
    EXPECT_TRUE(first.isChecked());
    EXPECT_EQ(firstRuns + secondAgain, 0) << "showing runs no handler";
}

TEST_F(Controls, AListRunsItsHandlerWhenTheOperatorChoosesAnotherEntry) {
    pick(2);
    EXPECT_EQ(chosen, QStringList{"c"});
    pick(2);
    EXPECT_EQ(chosen, QStringList{"c"}) << "the entry already chosen changes nothing";
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Up);
    EXPECT_EQ(chosen, (QStringList{"c", "b"}));
    QTest::keyClick(&list, Qt::Key_Home);
    QTest::keyClick(&list, Qt::Key_Home);
    EXPECT_EQ(chosen, (QStringList{"c", "b", "a"}));

    showText(&list, "c");
    EXPECT_EQ(chosen.size(), 3) << "showing runs no handler";
    QTest::keyClick(&list, Qt::Key_Up);
    EXPECT_EQ(chosen.back(), "b") << "a shown entry is where the operator starts from";
    EXPECT_TRUE(chooseText(&list, "b"));
    EXPECT_EQ(chosen.size(), 5) << "code runs the handler even on the entry shown";
    EXPECT_FALSE(chooseText(&list, "z"));
    EXPECT_EQ(chosen.size(), 5);
}

TEST_F(Controls, ShowingEntriesKeepsAnUnchangedListAndItsChoice) {
    showEntries(&list, {"a", "b", "c"});
    showText(&list, "b");
    showEntries(&list, {"a", "b", "c"});
    EXPECT_EQ(list.currentText(), "b");
    showEntries(&list, {"x", "y"});
    EXPECT_EQ(list.count(), 2);
    showText(&list, "none of them");
    EXPECT_EQ(list.currentIndex(), -1) << "a value the list lacks shows nothing";
    EXPECT_TRUE(chosen.isEmpty());
}

TEST_F(Controls, ACheckBoxRunsItsHandlerOnEveryClick) {
    test::click(&box);
    test::click(&box);
    EXPECT_EQ(boxRuns, 2);
    EXPECT_FALSE(box.isChecked());
    setChecked(&box, false);
    EXPECT_EQ(boxRuns, 2);
    setChecked(&box, true);
    EXPECT_EQ(boxRuns, 3);
}

} // namespace
} // namespace cvcfg
