#include "editors/familyeditor.h"

#include "editors/formoperator.h"
#include "link/download.h"

#include <QCloseEvent>
#include <QCursor>
#include <QDialog>

namespace cvcfg {

FamilyEditor::FamilyEditor(EditorForms& forms) : m_forms(forms), m_record(forms.record()) {}

void FamilyEditor::wireCommonControls(const CommonControls& controls, FileMenuItems items) {
    m_common = controls;
    m_fileMenu = new QMenu(QStringLiteral("&Configuration Settings"), this);
    m_fileMenu->setObjectName(QStringLiteral("file_menu"));
    const auto add = [this](const char* text, const char* name, void (FamilyEditor::*run)()) {
        QAction* action = m_fileMenu->addAction(QString::fromLatin1(text));
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, run);
    };
    add("&Save Corvane Configuration Settings...", items.save, &FamilyEditor::save_file);
    add("&Open Corvane Configuration Settings...", items.open, &FamilyEditor::open_file);
    m_fileMenu->addSeparator()->setObjectName(QStringLiteral("bar1"));
    QAction* restore =
        m_fileMenu->addAction(QStringLiteral("S&et Corvane Settings to Defaults..."));
    restore->setObjectName(QString::fromLatin1(items.restore));
    connect(restore, &QAction::triggered, this, [this] { restore_configuration(); });

    connect(controls.cmdCONFIG, &QPushButton::clicked, this, &FamilyEditor::cmdCONFIG_Click);
    connect(controls.cmdDOWNLOAD, &QPushButton::clicked, this, &FamilyEditor::cmdDOWNLOAD_Click);
    connect(controls.cmdRETURN, &QPushButton::clicked, this, &FamilyEditor::cmdRETURN_Click);
}

void FamilyEditor::cmdCONFIG_Click() {
    m_fileMenu->popup(QCursor::pos());
}

void FamilyEditor::cmdDOWNLOAD_Click() {
    const CommonControls& c = m_common;
    const QString caption = c.cmdDOWNLOAD->text();
    const auto setBusy = [&c](bool busy) {
        c.cmdDOWNLOAD->setEnabled(!busy);
        c.cmdRETURN->setEnabled(!busy);
    };
    setBusy(true);
    c.cmdDOWNLOAD->setText(QStringLiteral("Downloading Parameters..."));
    setCursor(Qt::WaitCursor);
    FormOperator op(
        m_forms.session().op, [&c](const QString& text) { c.lblStatus->setText(text); }, setBusy);
    Session session{m_record, m_forms.session().serial, op};
    m_downloading = true;
    DownloadConfiguration(session);
    m_downloading = false;
    setBusy(false);
    c.cmdDOWNLOAD->setText(caption);
    unsetCursor();
}

void FamilyEditor::cmdRETURN_Click() {
    hide();
    m_forms.shell().showMainMenu();
}

void FamilyEditor::save_file() {
    Operator& op = m_forms.session().op;
    const std::optional<std::string> path = op.chooseSaveFile(ConfigFileFilter(m_record));
    if (!path || path->empty()) {
        return;
    }
    if (const Status status = SaveConfigFile(*path, m_record); !status) {
        op.showMessage(
            {status.error, Buttons::Ok, Icon::Exclamation, "Save Corvane Configuration Settings"});
    }
}

void FamilyEditor::open_file() {
    Operator& op = m_forms.session().op;
    const std::optional<std::string> path = op.chooseOpenFile(ConfigFileFilter(m_record), "");
    if (!path || path->empty()) {
        return;
    }
    if (const Status status = OpenConfigFile(*path, m_record, this); !status) {
        op.showMessage(
            {status.error, Buttons::Ok, Icon::Exclamation, "Open Corvane Configuration Settings"});
    }
}

void FamilyEditor::openDialog(QDialog& dialog) {
    setEnabled(false);
    dialog.show();
    dialog.raise();
}

void FamilyEditor::closeEvent(QCloseEvent* event) {
    // The form stays while its download runs on it, and while a dialog it
    // opened is waiting for ACCEPT.
    if (m_downloading || !isEnabled()) {
        event->ignore();
        return;
    }
    event->accept();
    m_forms.shell().showMainMenu();
    m_forms.unloadEditorFor(m_record.ModelName);
}

} // namespace cvcfg
