#include "editors/familyeditor.h"

#include "core/compare.h"
#include "core/offered.h"
#include "core/sheet.h"
#include "editors/formoperator.h"
#include "editors/shell.h"
#include "link/download.h"

#include <QCloseEvent>
#include <QCursor>
#include <QDialog>
#include <QPrinter>
#include <algorithm>

namespace cvcfg {

namespace {

const QString kDownloadingCaption = QStringLiteral("Downloading Parameters...");

} // namespace

FamilyEditor::FamilyEditor(Dialogs& dialogs) : m_dialogs(dialogs), m_record(dialogs.record()) {}

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
    add("&Compare with File...", "compare_file", &FamilyEditor::compare_file);
    add("&Print Configuration Sheet...", "print_sheet", &FamilyEditor::print_sheet);
    m_fileMenu->addSeparator()->setObjectName(QStringLiteral("bar1"));
    QAction* restore =
        m_fileMenu->addAction(QStringLiteral("S&et Corvane Settings to Defaults..."));
    restore->setObjectName(QString::fromLatin1(items.restore));
    connect(restore, &QAction::triggered, this, [this] { restore_configuration(); });

    // Room for the caption the button takes while it downloads, so that the
    // editor keeps its size.
    const QString idle = controls.cmdDOWNLOAD->text();
    controls.cmdDOWNLOAD->setText(kDownloadingCaption);
    const int busyWidth = controls.cmdDOWNLOAD->sizeHint().width();
    controls.cmdDOWNLOAD->setText(idle);
    controls.cmdDOWNLOAD->setMinimumWidth(
        std::max(busyWidth, controls.cmdDOWNLOAD->minimumSizeHint().width()));

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
    c.cmdDOWNLOAD->setText(kDownloadingCaption);
    setCursor(Qt::WaitCursor);
    FormOperator op(
        m_dialogs.session().op, [&c](const QString& text) { c.lblStatus->setText(text); }, setBusy);
    Session session{m_record, m_dialogs.session().serial, op};
    m_downloading = true;
    DownloadConfiguration(session);
    m_downloading = false;
    setBusy(false);
    c.cmdDOWNLOAD->setText(caption);
    unsetCursor();
}

void FamilyEditor::cmdRETURN_Click() {
    hide();
    m_dialogs.shell().showMainMenu();
}

void FamilyEditor::save_file() {
    Operator& op = m_dialogs.session().op;
    const std::optional<std::string> path = op.chooseSaveFile(ConfigFileFilter(m_record));
    if (!path || path->empty()) {
        return;
    }
    if (const Status status = SaveConfigFile(*path, m_record); !status) {
        op.showMessage(
            {status.error, Buttons::Ok, Icon::Exclamation, "Save Corvane Configuration Settings"});
        return;
    }
    m_file = *path;
}

void FamilyEditor::open_file() {
    Operator& op = m_dialogs.session().op;
    const std::optional<std::string> path = op.chooseOpenFile(ConfigFileFilter(m_record), "");
    if (!path || path->empty()) {
        return;
    }
    if (const Status status = OpenConfigFile(*path, m_record, this); !status) {
        op.showMessage(
            {status.error, Buttons::Ok, Icon::Exclamation, "Open Corvane Configuration Settings"});
        return;
    }
    m_file = *path;
    tellValuesNotOffered(op, m_record);
}

// The editor's record against a file; neither changes.
void FamilyEditor::compare_file() {
    Operator& op = m_dialogs.session().op;
    const std::optional<std::string> path =
        op.chooseOpenFile(ConfigFileFilter(m_record), "Compare with File");
    if (!path || path->empty()) {
        return;
    }
    ConfigRecord file = m_record;
    if (const Status status = OpenConfigFile(*path, file); !status) {
        op.showMessage({status.error, Buttons::Ok, Icon::Exclamation, "Compare with File"});
        return;
    }
    const std::vector<Difference> differences = compareRecords(m_record, file);
    op.showMessage({differences.empty()
                        ? "The configuration in the editor is the one in " + *path + "."
                        : "The configuration in the editor differs from " + *path +
                              " (editor -> file):\n" + differencesText(differences),
                    Buttons::Ok, Icon::Information, "Compare with File"});
}

// The sheet names the file last saved or opened here, and says when the
// editor's configuration is no longer the one in it.
void FamilyEditor::print_sheet() {
    QPrinter printer;
    if (!m_dialogs.printerChooser()(printer, this)) {
        return;
    }
    SheetSource source{"not saved in a file", ""};
    if (!m_file.empty()) {
        ConfigRecord file = m_record;
        const bool same = OpenConfigFile(m_file, file) && compareRecords(m_record, file).empty();
        source = {m_file + (same ? "" : " (changed in the editor since)"), fileDateText(m_file)};
    }
    printSheet(configurationSheetHtml(m_record, source), printer);
}

void tellValuesNotOffered(Operator& op, const ConfigRecord& record) {
    const std::vector<UnofferedValue> values = valuesNotOffered(record);
    if (!values.empty()) {
        op.showMessage({notOfferedMessage(record, values), Buttons::Ok, Icon::Exclamation,
                        "Values Not Offered by the Editor"});
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
    m_dialogs.shell().showMainMenu();
    m_dialogs.unloadEditorFor(m_record.ModelName);
}

} // namespace cvcfg
