// The mirror test: random operator input on the editors and their dialogs,
// and after every step a fresh set of forms shown from the record must look
// the same as the live one, while showing leaves the download image as it is.
#include "core/image.h"
#include "core/offered.h"
#include "editors/asciidatatable.h"
#include "editors/extendmodbus.h"
#include "editors/modbusprot.h"
#include "editors/riobt.h"
#include "editors/slaveadd.h"
#include "tests/editors/stubshell.h"
#include "tests/shell/bench.h"
#include "tests/support/tempdir.h"

#include <QClipboard>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
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
        if (!lists.empty() && (options.empty() || below(2) == 0)) {
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
        leave(dialog, accept);
        EXPECT_TRUE(test::showActive(bench.editor()));
        return done;
    }

    // Leaves a dialog in one of the operator's three ways, after Enter now
    // and then, which leaves nothing.
    void leave(QDialog& dialog, const char* accept) {
        if (below(4) == 0) {
            QWidget* focus = dialog.focusWidget();
            pressEnter(focus ? focus : &dialog);
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
    }

    // An item of the editor's file menu; the CV-PCI editor names its items
    // save, open and restore_settings.
    void useMenu(const char* item) {
        static const std::map<std::string, const char*> kCardItems = {
            {"save_file", "save"},
            {"open_file", "open"},
            {"restore_configuration", "restore_settings"}};
        auto* menu = child<QMenu>(bench.editor(), "file_menu");
        const bool card = menu->findChild<QAction*>(QString::fromLatin1(item)) == nullptr;
        click(bench.editor(), "cmdCONFIG");
        test::pickMenuItem(menu, card ? kCardItems.at(item) : item);
    }

    // Enter in a box of a dialog only ends the entry: the dialog stays, and
    // no button of it runs.
    void pressEnter(QWidget* control) {
        QWidget* form = control->window();
        QTest::keyClick(control, below(2) == 0 ? Qt::Key_Return : Qt::Key_Enter);
        EXPECT_TRUE(form->isVisible()) << "Enter in " << control->objectName().toStdString();
    }

    // Keys into a random box of a table, then Tab out of it: digits typed
    // over the box's text or into it as it stands (a 0 included), now and
    // then a key the box refuses, a paste, the box emptied, or Enter.
    std::string typeIntoBox(QWidget* form) {
        const std::vector<QLineEdit*> boxes = usable<QLineEdit>(form);
        if (boxes.empty()) {
            return "no box";
        }
        QLineEdit* box = boxes[static_cast<std::size_t>(below(static_cast<int>(boxes.size())))];
        click(box);
        static constexpr char kKeys[] = "0123456789012345678965a -";
        std::string keys;
        for (int i = below(7); i >= 0; --i) {
            keys += kKeys[below(static_cast<int>(sizeof kKeys) - 1)];
        }
        std::string done = box->objectName().toStdString();
        switch (below(5)) {
        case 0:
            box->selectAll();
            QTest::keyClick(box, Qt::Key_Delete);
            done += " (emptied)";
            break;
        case 1:
            QGuiApplication::clipboard()->setText(QString::fromLatin1(keys.c_str()));
            QTest::keySequence(box, QKeySequence::Paste);
            done += " pasted '" + keys + "' into '" + box->text().toStdString() + "'";
            break;
        case 2:
            QTest::keyClicks(box, QString::fromLatin1(keys.c_str()));
            done += " '" + keys + "' typed into it as it stood";
            break;
        default:
            box->selectAll();
            QTest::keyClicks(box, QString::fromLatin1(keys.c_str()));
            done += " '" + keys + "'";
        }
        if (below(3) == 0) {
            pressEnter(box);
            done += " Enter";
        }
        QTest::keyClick(box, Qt::Key_Tab);
        return done;
    }

    std::string clickSomeCheck(QWidget* form) {
        const std::vector<QCheckBox*> checks = usable<QCheckBox>(form);
        if (checks.empty()) {
            return "no check box";
        }
        QCheckBox* check = checks[static_cast<std::size_t>(below(static_cast<int>(checks.size())))];
        click(check);
        return check->objectName().toStdString();
    }

    // The extended table holds nothing of the record: using it changes
    // nothing that a download carries.
    std::string useExtendedTable(ModbusProt& modbus) {
        const ConfigRecord before = bench.record();
        click(&modbus, "Command1");
        ExtendModbus& extended = bench.app.editors().extendModbus();
        EXPECT_TRUE(test::showActive(&extended));
        std::string done = "Command1";
        for (int i = below(4); i >= 0; --i) {
            done += ", " + (below(3) == 0 ? clickSomeCheck(&extended) : typeIntoBox(&extended));
        }
        if (below(4) == 0) {
            click(&extended, "Command3");
            done += ", Command3";
        }
        leave(extended, "Command2");
        EXPECT_TRUE(test::showActive(&modbus));
        EXPECT_EQ(bench.record(), before) << "the extended table changed the record";
        return done;
    }

    std::string useModbusDialog() {
        ModbusProt& modbus = bench.app.editors().modbus_prot();
        click(bench.editor(), "cmdModBus");
        EXPECT_TRUE(test::showActive(&modbus));
        std::string done = "cmdModBus";
        for (int i = below(6); i >= 0; --i) {
            switch (below(8)) {
            case 0:
            case 1:
            case 2:
                done += ", " + typeIntoBox(&modbus);
                break;
            case 3:
                done += ", " + clickSomeCheck(&modbus);
                break;
            case 4:
                click(&modbus, "Command3");
                done += ", Command3";
                break;
            case 5:
                if (child(&modbus, "Command1")->isVisible()) {
                    done += ", " + useExtendedTable(modbus);
                    break;
                }
                [[fallthrough]];
            default:
                done += ", " + chooseSomething(&modbus);
            }
        }
        leave(modbus, "Command2");
        EXPECT_TRUE(test::showActive(bench.editor()));
        return done;
    }

    // The ASCII destination: numbers typed, the string-file box, ACCEPT.
    std::string useAsciiTable() {
        AsciiDataTable& table = bench.app.editors().ASCII_DataTable();
        click(bench.editor(), "cmdASCII");
        EXPECT_TRUE(test::showActive(&table));
        std::string done = "cmdASCII";
        for (int i = below(4); i >= 0; --i) {
            done += ", " + (below(3) == 0 ? clickSomeCheck(&table) : typeIntoBox(&table));
        }
        leave(table, "cmdAccept");
        EXPECT_TRUE(test::showActive(bench.editor()));
        return done;
    }

    // The slave address dialog, as the DF1-to-DF1 channel's double click
    // shows it.
    std::string useSlaveAddress() {
        SlaveAddDialog& slave = bench.app.editors().SlaveAdd();
        slave.showDialog();
        EXPECT_TRUE(test::showActive(&slave));
        const std::string done = "SlaveAdd, " + chooseSomething(&slave);
        leave(slave, "Command2");
        return done;
    }

    // The block-transfer map: boxes, racks and ranges, then ACCEPT, CANCEL
    // (the entries of its opening come back) or the close box.
    std::string useBlockTransferMap() {
        click(bench.editor(), "cmdRioBt");
        RioBt& map = bench.app.editors().rio_bt();
        EXPECT_TRUE(test::showActive(&map));
        const ConfigRecord opened = bench.record();
        std::string done = "cmdRioBt";
        for (int i = below(8); i >= 0; --i) {
            done += ", " + (below(4) == 0 ? chooseSomething(&map) : clickSomeCheck(&map));
        }
        if (below(4) == 0) {
            click(&map, "cmdCancel");
            EXPECT_EQ(bench.record().ExtParams, opened.ExtParams) << "CANCEL after " << done;
            test::settle();
            return done + ", cmdCancel";
        }
        leave(map, "cmdAccept");
        EXPECT_TRUE(test::showActive(bench.editor()));
        return done;
    }

    // A file that holds values no control offers is opened with one message
    // that names them.
    void expectNotOfferedMessage(const std::string& path) {
        ConfigRecord file = bench.record();
        if (!OpenConfigFile(path, file).ok()) {
            return;
        }
        if (const std::vector<UnofferedValue> values = valuesNotOffered(file); !values.empty()) {
            bench.op().expect({notOfferedMessage(file, values), Buttons::Ok, Icon::Exclamation,
                               "Values Not Offered by the Editor"});
        }
    }

    std::string step() {
        EditorForms& forms = bench.app.editors();
        const auto opens = [this](const char* opener) {
            auto* button = bench.editor()->findChild<QWidget*>(QString::fromLatin1(opener));
            return button && button->isVisibleTo(bench.editor());
        };
        switch (below(14)) {
        case 0: {
            // One of the channel dialogs the editor opens.
            const std::pair<const char*, ChannelDialog*> channels[] = {
                {"cmdCHA", &forms.paramConfigA()},
                {"Command3", &forms.paramConfigB()},
                {"cmdAsyncC", &forms.paramConfigC()},
            };
            std::vector<std::pair<const char*, ChannelDialog*>> offered;
            for (const auto& channel : channels) {
                if (opens(channel.first)) {
                    offered.push_back(channel);
                }
            }
            if (!offered.empty()) {
                const auto& [opener, dialog] =
                    offered[static_cast<std::size_t>(below(static_cast<int>(offered.size())))];
                return useDialog(opener, *dialog, "Command2");
            }
            [[fallthrough]];
        }
        case 1:
            if (opens("cmdProtParam")) {
                return useDialog("cmdProtParam", forms.df_Param(), "cmdAccept");
            }
            if (opens("cmdDF1Param")) {
                return useDialog("cmdDF1Param", forms.df_Param(), "cmdAccept");
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
                expectNotOfferedMessage(dir.path("saved.CVF"));
                bench.op().expectOpenFile(dir.path("saved.CVF"));
                useMenu("open_file");
                return "open";
            }
            [[fallthrough]];
        case 5:
        case 6:
            if (opens("cmdModBus")) {
                return useModbusDialog();
            }
            if (opens("cmdRioBt")) {
                return useBlockTransferMap();
            }
            if (opens("cmdASCII")) {
                return useAsciiTable();
            }
            [[fallthrough]];
        case 7:
            // The slave address is the DF1-to-DF1 channel's; elsewhere its
            // field means something else.
            if (below(3) == 0 &&
                child(&forms.paramConfigB(), "optHD")->isVisibleTo(&forms.paramConfigB())) {
                return useSlaveAddress();
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
            {&forms.modbus_prot(), &fresh.bench.forms.modbus_prot()},
            {&forms.SlaveAdd(), &fresh.bench.forms.SlaveAdd()},
            {&forms.rio_bt(), &fresh.bench.forms.rio_bt()},
            {&forms.ASCII_DataTable(), &fresh.bench.forms.ASCII_DataTable()},
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

INSTANTIATE_TEST_SUITE_P(EveryEditorVariant, Mirror,
                         testing::Values("CV210-DF1", "CV210-ENI", "CV210-SLC5/04 Bridge",
                                         "CV210-MODBUS", "CV210-KFR", "CV210-RMM", "CV210-ASCII",
                                         "CV310-MMX", "CV310-DMX", "CV310-DFX", "CV310-BTI",
                                         "CV310-DF1", "CV310-DAS", "CV-PC/104-MODBUS", "CV320-ME",
                                         "CV-PCI"),
                         test::variantTestName);

} // namespace
} // namespace cvcfg
