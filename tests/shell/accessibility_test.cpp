// Every control an operator can use says what it is to assistive technology:
// the walk goes through each form's accessibility tree, as a screen reader
// does, after the set-up of every variant.
#include "core/catalogue.h"
#include "editors/asciidatatable.h"
#include "editors/channeldialog.h"
#include "editors/df1dialog.h"
#include "editors/extendmodbus.h"
#include "editors/modbusprot.h"
#include "editors/riobt.h"
#include "editors/slaveadd.h"
#include "monitor/monitor.h"
#include "tests/shell/bench.h"

#include <QAccessible>
#include <QLabel>
#include <QSet>
#include <gtest/gtest.h>

namespace cvcfg {
namespace {

bool operable(QAccessible::Role role) {
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::SpinBox:
    case QAccessible::Slider:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::PageTab:
    case QAccessible::Terminal:
        return true;
    default:
        return false;
    }
}

QString describe(QAccessibleInterface* control) {
    const QObject* object = control->object();
    return QStringLiteral("%1 (%2) named '%3'")
        .arg(object ? object->objectName() : QStringLiteral("?"),
             object ? QString::fromLatin1(object->metaObject()->className()) : QString(),
             control->text(QAccessible::Name));
}

// The faults of one window's tree: an operable control without a name, a
// list or text box named by the value it shows (a screen reader would read
// the value twice and never say what it is for), two lists or text boxes of
// one window under one name (named by their frame, not by their label), and
// a label shown beside a field that labels another one, hidden.
QStringList namingFaults(QWidget* window) {
    QStringList faults;
    for (const QLabel* label : window->findChildren<QLabel*>()) {
        const QWidget* field = label->buddy();
        if (field && label->isVisibleTo(window) && !field->isVisibleTo(window)) {
            faults << window->objectName() + ": the shown label " + label->objectName() +
                          " labels the hidden " + field->objectName();
        }
    }
    QAccessibleInterface* root = QAccessible::queryAccessibleInterface(window);
    if (root->text(QAccessible::Name).trimmed().isEmpty()) {
        faults << window->objectName() + ": the window has no name";
    }
    QSet<QString> fieldNames;
    std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
        for (int i = 0; i < node->childCount(); ++i) {
            QAccessibleInterface* control = node->child(i);
            if (!control || !control->isValid()) {
                continue;
            }
            const QAccessible::Role role = control->role();
            if (operable(role)) {
                const QString name = control->text(QAccessible::Name).trimmed();
                const bool field =
                    role == QAccessible::ComboBox || role == QAccessible::EditableText;
                if (name.isEmpty()) {
                    faults << window->objectName() + ": " + describe(control) + " has no name";
                } else if (field && name == control->text(QAccessible::Value).trimmed()) {
                    faults << window->objectName() + ": " + describe(control) +
                                  " is named by its value";
                } else if (field && fieldNames.contains(name)) {
                    faults << window->objectName() + ": " + describe(control) +
                                  " shares its name with another field";
                }
                if (field) {
                    fieldNames.insert(name);
                }
            }
            // A list's entries are its own business, not controls of the form.
            if (role != QAccessible::ComboBox) {
                walk(control);
            }
        }
    };
    walk(root);
    return faults;
}

class AccessibleNames : public testing::TestWithParam<std::string_view> {};

TEST_P(AccessibleNames, EveryOperableControlOfEveryFormSaysWhatItIs) {
    test::ShellBench bench;
    bench.setUp(GetParam());
    Application& app = bench.app;
    EditorForms& editors = app.editors();
    QWidget* forms[] = {
        &app.welcome(),
        &app.about(),
        &app.mainmenu(),
        &app.model_CV210(),
        &app.model_CV310(),
        &editors.paramConfigA(),
        &editors.paramConfigB(),
        &editors.paramConfigC(),
        &editors.df_Param(),
        &editors.modbus_prot(),
        &editors.extendModbus(),
        &editors.SlaveAdd(),
        &editors.ASCII_DataTable(),
        &editors.rio_bt(),
        &app.download(),
        &app.upload(),
        &app.monitor(),
        bench.editor(),
    };
    QStringList faults;
    for (QWidget* form : forms) {
        faults << namingFaults(form);
    }
    EXPECT_TRUE(faults.isEmpty()) << faults.join(QLatin1Char('\n')).toStdString();
}

// One caption serves channel A's station and its Modbus address, whichever
// the protocol shows: it names the list shown after the operator's change of
// protocol as after the set-up.
TEST(AccessibleNames, TheSharedStationCaptionNamesTheListOfTheProtocolShown) {
    test::ShellBench bench;
    bench.setUp("CV310-BTI");
    test::click(bench.menu(), "cmdUpdate");
    QWidget* editor = bench.editor();
    ASSERT_TRUE(test::showActive(editor));
    const std::pair<const char*, const char*> protocols[] = {{"optModbus", "cboModbusAdd"},
                                                             {"optDF1", "cboStationNumber"}};
    for (const auto& [protocol, list] : protocols) {
        test::click(editor, protocol);
        QAccessibleInterface* shown =
            QAccessible::queryAccessibleInterface(test::child(editor, list));
        EXPECT_EQ(shown->text(QAccessible::Name), QStringLiteral("STATION NUMBER")) << protocol;
        EXPECT_TRUE(namingFaults(editor).isEmpty())
            << protocol << ": " << namingFaults(editor).join(QLatin1Char('\n')).toStdString();
    }
}

std::vector<std::string_view> variantsWithEditors() {
    std::vector<std::string_view> variants;
    for (const Variant& row : catalogue()) {
        variants.push_back(row.name);
    }
    return variants;
}

INSTANTIATE_TEST_SUITE_P(AfterEachSetUp, AccessibleNames, testing::ValuesIn(variantsWithEditors()),
                         [](const testing::TestParamInfo<std::string_view>& info) {
                             std::string name(info.param);
                             std::replace_if(
                                 name.begin(), name.end(),
                                 [](char c) {
                                     return !std::isalnum(static_cast<unsigned char>(c));
                                 },
                                 '_');
                             return name;
                         });

} // namespace
} // namespace cvcfg
