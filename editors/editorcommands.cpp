#include "editors/editorcommands.h"

#include "editors/formoperator.h"
#include "link/download.h"

namespace cvcfg {

QMenu* makeFileMenu(QWidget* editor, FileMenuItems items, const std::function<void()>& save,
                    const std::function<void()>& open, const std::function<void()>& restore) {
    auto* menu = new QMenu(QStringLiteral("&Configuration Settings"), editor);
    menu->setObjectName(QStringLiteral("file_menu"));
    const auto add = [menu, editor](const char* text, const char* name,
                                    const std::function<void()>& run) {
        QAction* action = menu->addAction(QString::fromLatin1(text));
        action->setObjectName(QString::fromLatin1(name));
        QObject::connect(action, &QAction::triggered, editor, run);
    };
    add("&Save Corvane Configuration Settings...", items.save, save);
    add("&Open Corvane Configuration Settings...", items.open, open);
    menu->addSeparator()->setObjectName(QStringLiteral("bar1"));
    add("S&et Corvane Settings to Defaults...", items.restore, restore);
    return menu;
}

void saveConfiguration(EditorForms& forms) {
    Operator& op = forms.session().op;
    const ConfigRecord& record = forms.record();
    const std::optional<std::string> path = op.chooseSaveFile(ConfigFileFilter(record));
    if (!path || path->empty()) {
        return;
    }
    if (const Status status = SaveConfigFile(*path, record); !status) {
        op.showMessage(
            {status.error, Buttons::Ok, Icon::Exclamation, "Save Corvane Configuration Settings"});
    }
}

void openConfiguration(EditorForms& forms, FileValueView* view) {
    Operator& op = forms.session().op;
    ConfigRecord& record = forms.record();
    const std::optional<std::string> path = op.chooseOpenFile(ConfigFileFilter(record), "");
    if (!path || path->empty()) {
        return;
    }
    if (const Status status = OpenConfigFile(*path, record, view); !status) {
        op.showMessage(
            {status.error, Buttons::Ok, Icon::Exclamation, "Open Corvane Configuration Settings"});
    }
}

void downloadFromEditor(EditorForms& forms, const DownloadControls& controls) {
    const QString caption = controls.download->text();
    const auto setBusy = [&controls](bool busy) {
        controls.download->setEnabled(!busy);
        controls.back->setEnabled(!busy);
    };
    setBusy(true);
    controls.download->setText(QStringLiteral("Downloading Parameters..."));
    controls.editor->setCursor(Qt::WaitCursor);
    FormOperator op(
        forms.session().op, [&controls](const QString& text) { controls.status->setText(text); },
        setBusy);
    Session session{forms.record(), forms.session().serial, op};
    DownloadConfiguration(session);
    setBusy(false);
    controls.download->setText(caption);
    controls.editor->unsetCursor();
}

} // namespace cvcfg
