// The mirror test: random operator input on the CV210 editor and its dialogs,
// and after every step a fresh set of forms shown from the record must look
// the same as the live one, while showing leaves the download image as it is.
#include "core/image.h"
#include "tests/editors/stubshell.h"
#include "tests/shell/bench.h"
#include "tests/support/tempdir.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <sstream>

namespace cvcfg {
namespace {

using test::child;
using test::click;

constexpr int kSteps = 250;

// What the operator sees of a form: for every named control whether it is
// shown and enabled, and for a shown one its text, state and place.
using Snapshot = std::map<QString, QString>;

QString describe(QWidget* control, QWidget* form) {
    QString state;
    QTextStream out(&state);
    out << "shown " << control->isVisibleTo(form) << " enabled " << control->isEnabledTo(form);
    if (!control->isVisibleTo(form)) {
        return state;
    }
    out << " tip '" << control->toolTip() << "'";
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        out << " text '" << button->text() << "' checked " << button->isChecked();
    } else if (auto* list = qobject_cast<QComboBox*>(control)) {
        out << " shows '" << list->currentText() << "' of";
        for (int i = 0; i < list->count(); ++i) {
            out << " " << list->itemText(i);
        }
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        out << " text '" << label->text() << "'";
    } else if (auto* box = qobject_cast<QLineEdit*>(control)) {
        out << " text '" << box->text() << "'";
    } else if (auto* frame = qobject_cast<QGroupBox*>(control)) {
        out << " title '" << frame->title() << "'";
    }
    if (QWidget* parent = control->parentWidget(); parent && parent->layout()) {
        QLayout* layout = parent->layout();
        const int index = layout->indexOf(control);
        if (auto* grid = qobject_cast<QGridLayout*>(layout); grid && index >= 0) {
            int row = 0, column = 0, rows = 0, columns = 0;
            grid->getItemPosition(index, &row, &column, &rows, &columns);
            out << " at " << row << "," << column;
        } else {
            // The place among the shown widgets of its row or column.
            int place = 0;
            for (int i = 0; i < index; ++i) {
                QWidget* before = layout->itemAt(i)->widget();
                place += before && before->isVisibleTo(form) ? 1 : 0;
            }
            out << " place " << place << " stretch "
                << (qobject_cast<QBoxLayout*>(layout)
                        ? qobject_cast<QBoxLayout*>(layout)->stretch(index)
                        : 0);
        }
    }
    return state;
}

Snapshot snapshot(QWidget* form) {
    Snapshot shot;
    shot[QStringLiteral("(title)")] = form->windowTitle();
    for (QWidget* control : form->findChildren<QWidget*>()) {
        const QString name = control->objectName();
        if (!name.isEmpty() && !name.startsWith(QStringLiteral("qt_")) &&
            qobject_cast<QMenu*>(control) == nullptr) {
            shot[name] = describe(control, form);
        }
    }
    return shot;
}

std::string differences(const Snapshot& live, const Snapshot& fresh) {
    std::ostringstream out;
    for (const auto& [name, state] : live) {
        const auto found = fresh.find(name);
        const QString other = found == fresh.end() ? QStringLiteral("(none)") : found->second;
        if (other != state) {
            out << "\n  " << name.toStdString() << ": live " << state.toStdString() << "\n  "
                << std::string(name.size(), ' ') << "  fresh " << other.toStdString();
        }
    }
    return out.str();
}

// The forms a fresh run builds from the record alone.
struct FreshForms {
    explicit FreshForms(const ConfigRecord& record) {
        bench.gui.record = record;
        editor = bench.forms.editor();
    }
    test::EditorBench bench;
    ModelEditor* editor = nullptr;
};

class Mirror : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        bench.setUp(GetParam());
        click(bench.menu(), "cmdUpdate");
        ASSERT_TRUE(test::showActive(bench.editor()));
        // A fixed seed for each variant, so that a failure can be replayed.
        const std::string name = GetParam();
        std::seed_seq seed(name.begin(), name.end());
        random.seed(seed);
    }

    int below(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random); }

    template <typename Control> std::vector<Control*> usable(QWidget* form) {
        std::vector<Control*> controls;
        for (Control* control : form->findChildren<Control*>()) {
            if (control->isVisibleTo(form) && control->isEnabledTo(form)) {
                controls.push_back(control);
            }
        }
        return controls;
    }

    // One random choice in a form: an option button or a list entry.
    std::string chooseSomething(QWidget* form) {
        const std::vector<OptionButton*> options = usable<OptionButton>(form);
        const std::vector<ListBox*> lists = usable<ListBox>(form);
        if (!lists.empty() && below(2) == 0) {
            ListBox* list = lists[static_cast<std::size_t>(below(static_cast<int>(lists.size())))];
            const QString entry = list->itemText(below(list->count()));
            test::pickEntry(list, entry);
            return list->objectName().toStdString() + " " + entry.toStdString();
        }
        OptionButton* option =
            options[static_cast<std::size_t>(below(static_cast<int>(options.size())))];
        click(option);
        std::string done = option->objectName().toStdString();
        if (auto* menu = form->findChild<QMenu*>(); menu && menu->isVisible()) {
            const int pick = below(3);
            if (pick == 2) {
                QTest::keyClick(menu, Qt::Key_Escape);
            } else {
                test::pickMenuItem(menu, pick == 0 ? "RS422" : "RS485");
            }
            done += pick == 2 ? " (menu dismissed)" : pick == 0 ? " RS422" : " RS485";
        }
        return done;
    }

    // A dialog of the editor: a few choices, then ACCEPT in one of its ways.
    std::string useDialog(const char* opener, QDialog& dialog, const char* accept) {
        click(bench.editor(), opener);
        EXPECT_TRUE(test::showActive(&dialog));
        std::string done = opener;
        for (int i = below(5); i >= 0; --i) {
            done += ", " + chooseSomething(&dialog);
        }
        switch (below(3)) {
        case 0:
            click(&dialog, accept);
            break;
        case 1:
            QTest::keyClick(&dialog, Qt::Key_Escape);
            break;
        default:
            dialog.close();
        }
        EXPECT_TRUE(test::showActive(bench.editor()));
        return done;
    }

    void useMenu(const char* item) {
        click(bench.editor(), "cmdCONFIG");
        test::pickMenuItem(child<QMenu>(bench.editor(), "file_menu"), item);
    }

    std::string step() {
        EditorForms& forms = bench.app.editors();
        const auto opens = [this](const char* opener) {
            return child(bench.editor(), opener)->isVisibleTo(bench.editor());
        };
        switch (below(12)) {
        case 0:
            if (opens("Command3")) {
                return useDialog("Command3", forms.paramConfigB(), "Command2");
            }
            [[fallthrough]];
        case 1:
            if (opens("cmdProtParam")) {
                return useDialog("cmdProtParam", forms.df_Param(), "cmdAccept");
            }
            [[fallthrough]];
        case 2:
            useMenu("restore_configuration");
            return "defaults";
        case 3:
            bench.op().expectSaveFile(dir.path("saved.CVF"));
            useMenu("save_file");
            saved = true;
            return "save";
        case 4:
            if (saved) {
                bench.op().expectOpenFile(dir.path("saved.CVF"));
                useMenu("open_file");
                return "open";
            }
            [[fallthrough]];
        default:
            return chooseSomething(bench.editor());
        }
    }

    void checkMirror(const std::string& history) {
        const ConfigRecord live = bench.record();
        FreshForms fresh(live);
        ASSERT_NE(fresh.editor, nullptr);
        EditorForms& forms = bench.app.editors();
        const std::pair<QWidget*, QWidget*> pairs[] = {
            {bench.editor(), &fresh.editor->window()},
            {&forms.paramConfigA(), &fresh.bench.forms.paramConfigA()},
            {&forms.paramConfigB(), &fresh.bench.forms.paramConfigB()},
            {&forms.paramConfigC(), &fresh.bench.forms.paramConfigC()},
            {&forms.df_Param(), &fresh.bench.forms.df_Param()},
        };
        for (const auto& [mine, theirs] : pairs) {
            const std::string differ = differences(snapshot(mine), snapshot(theirs));
            ASSERT_TRUE(differ.empty())
                << mine->objectName().toStdString() << " after " << history << differ;
        }
        ASSERT_EQ(fresh.bench.gui.record, live) << "showing changed the record after " << history;
        const Expected<Bytes> image = BuildConfigImage(live);
        const Expected<Bytes> shownImage = BuildConfigImage(fresh.bench.gui.record);
        ASSERT_EQ(image.ok(), shownImage.ok());
        if (image.ok()) {
            ASSERT_EQ(*image, *shownImage);
        }
    }

    test::TempDir dir;
    test::ShellBench bench;
    std::mt19937 random;
    bool saved = false;
};

TEST_P(Mirror, AFreshFormShownFromTheRecordLooksLikeTheLiveOne) {
    std::string history = "the set-up";
    checkMirror(history);
    for (int i = 0; i < kSteps && !HasFatalFailure(); ++i) {
        const std::string done = step();
        history = "step " + std::to_string(i) + ": " + done +
                  " (before: " + history.substr(0, std::min<std::size_t>(history.size(), 200)) +
                  ")";
        checkMirror(history);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryCV210EditorVariant, Mirror,
                         testing::Values("CV210-DF1", "CV210-ENI", "CV210-SLC5/04 Bridge",
                                         "CV210-MODBUS", "CV210-KFR", "CV210-RMM", "CV210-ASCII",
                                         "CV-PC/104-MODBUS"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             std::string name;
                             for (const char c : std::string(info.param)) {
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             }
                             return name;
                         });

} // namespace
} // namespace cvcfg
