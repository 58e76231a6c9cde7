// Enter in any box of any form ends the entry and does nothing more: no
// button of the form runs, no form opens or closes, and nothing the form
// shows or the record holds changes.
#include "editors/asciidatatable.h"
#include "editors/extendmodbus.h"
#include "editors/modbusprot.h"
#include "editors/riobt.h"
#include "editors/slaveadd.h"
#include "tests/shell/bench.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace cvcfg {
namespace {

using test::click;

// What Enter must leave as it was: which of the forms are shown, and every
// box's text and every button's state in them.
QStringList state(const std::vector<QWidget*>& forms) {
    QStringList shot;
    for (QWidget* form : forms) {
        shot << form->objectName() + (form->isVisible() ? " shown" : " hidden");
        for (const QLineEdit* box : form->findChildren<QLineEdit*>()) {
            shot << box->objectName() + " '" + box->text() + "'";
        }
        for (const QAbstractButton* button : form->findChildren<QAbstractButton*>()) {
            shot << button->objectName() + (button->isChecked() ? " on" : " off");
        }
    }
    return shot;
}

class EnterKey : public testing::TestWithParam<const char*> {};

TEST_P(EnterKey, InEveryBoxOfEveryFormChangesNothing) {
    test::ShellBench bench;
    bench.setUp(GetParam());
    click(bench.menu(), "cmdUpdate");
    EditorForms& forms = bench.app.editors();
    const std::vector<QWidget*> dialogs = {
        &forms.paramConfigA(), &forms.paramConfigB(), &forms.paramConfigC(),
        &forms.df_Param(),     &forms.modbus_prot(),  &forms.extendModbus(),
        &forms.SlaveAdd(),     &forms.rio_bt(),       &forms.ASCII_DataTable(),
    };
    std::vector<QWidget*> all = dialogs;
    all.push_back(bench.editor());
    all.push_back(bench.menu());

    const auto pressEverywhere = [&](QWidget* form) {
        ASSERT_TRUE(test::showActive(form));
        for (QWidget* control : form->findChildren<QWidget*>()) {
            auto* box = qobject_cast<QLineEdit*>(control);
            auto* list = qobject_cast<QComboBox*>(control);
            const bool editable = (box && !box->isReadOnly()) || (list && list->isEditable());
            if (!editable || !control->isVisibleTo(form) || !control->isEnabledTo(form)) {
                continue;
            }
            for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
                const ConfigRecord record = bench.record();
                const QStringList before = state(all);
                control->setFocus();
                QTest::keyClick(control, key);
                test::settle();
                const std::string where =
                    form->objectName().toStdString() + "/" + control->objectName().toStdString();
                EXPECT_EQ(bench.record(), record) << where;
                EXPECT_EQ(state(all), before) << where;
            }
        }
    };
    pressEverywhere(bench.editor());
    bench.editor()->hide();
    for (QWidget* dialog : dialogs) {
        SCOPED_TRACE(dialog->objectName().toStdString());
        pressEverywhere(dialog);
        dialog->hide();
    }
}

INSTANTIATE_TEST_SUITE_P(EveryEditorVariant, EnterKey,
                         testing::Values("CV210-DF1", "CV210-SLC5/04 Bridge", "CV210-MODBUS",
                                         "CV210-KFR", "CV210-ASCII", "CV310-DMX", "CV310-DAS",
                                         "CV-PC/104-MODBUS", "CV320-ME", "CV-PCI"),
                         test::variantTestName);

} // namespace
} // namespace cvcfg
