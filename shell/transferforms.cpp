#include "core/configfile.h"
#include "editors/familyeditor.h"
#include "editors/formoperator.h"
#include "link/download.h"
#include "link/upload.h"
#include "shell/forms.h"
#include "ui_download.h"
#include "ui_upload.h"

#include <QCloseEvent>

namespace cvcfg {

namespace {

QString model(Application& app) {
    return QString::fromStdString(app.record().ModelName);
}

} // namespace

DownloadForm::DownloadForm(Application& app) : m_app(app), m_ui(std::make_unique<Ui::download>()) {
    m_ui->setupUi(this);
    m_ui->Image1->show();
    m_ui->Image2->hide();
    m_ui->frmCom->setTitle(
        QStringLiteral("Download a Saved Configuration to the %1's EEPROM").arg(model(app)));
    connect(m_ui->cmdDOWNLOAD, &QPushButton::clicked, this, &DownloadForm::cmdDOWNLOAD_Click);
    connect(m_ui->cmdRETURN, &QPushButton::clicked, this, [this] { close(); });
}

DownloadForm::~DownloadForm() = default;

void DownloadForm::setBusy(bool busy) {
    m_ui->cmdDOWNLOAD->setEnabled(!busy);
    m_ui->cmdRETURN->setEnabled(!busy);
}

void DownloadForm::cmdDOWNLOAD_Click() {
    ConfigRecord& record = m_app.record();
    Operator& person = m_app.session().op;
    const std::optional<std::string> path = person.chooseOpenFile(ConfigFileFilter(record), "");
    if (!path || path->empty()) {
        return;
    }
    const Expected<FileValues> values = ReadConfigFile(*path, record);
    if (!values) {
        person.showMessage(
            {values.error(), Buttons::Ok, Icon::Exclamation, "Download a Saved Configuration"});
        return;
    }
    setBusy(true);
    ApplyFileValues(record, *values, m_app.editors().editor());
    setCursor(Qt::WaitCursor);
    FormOperator op(
        person, [this](const QString& text) { m_ui->lblStatus->setText(text); },
        [this](bool busy) { setBusy(busy); });
    Session session{record, m_app.session().serial, op};
    m_transferring = true;
    DownloadConfiguration(session);
    m_transferring = false;
    unsetCursor();
}

void DownloadForm::closeEvent(QCloseEvent* event) {
    // The form stays while its transfer runs: the transfer works on it.
    if (m_transferring) {
        event->ignore();
        return;
    }
    event->accept();
    m_app.unloadDownload();
    m_app.showMainMenu();
}

UploadForm::UploadForm(Application& app) : m_app(app), m_ui(std::make_unique<Ui::upload>()) {
    m_ui->setupUi(this);
    m_ui->Image1->show();
    m_ui->Image2->hide();
    m_ui->frmCom->setTitle(QStringLiteral("Upload the %1's Current Configuration").arg(model(app)));
    connect(m_ui->cmdUpload, &QPushButton::clicked, this, &UploadForm::cmdUpload_Click);
    connect(m_ui->Command1, &QPushButton::clicked, this, &UploadForm::Command1_Click);
    connect(m_ui->cmdExit, &QPushButton::clicked, this, [this] { close(); });
}

UploadForm::~UploadForm() = default;

void UploadForm::Command1_Click() {
    m_app.unloadUpload();
    m_app.mainmenu().OpenModelEditor();
}

// An upload lets the form's events run; its buttons wait meanwhile, so that
// a second upload cannot start inside the first.
void UploadForm::setBusy(bool busy) {
    m_ui->cmdUpload->setEnabled(!busy);
    m_ui->cmdExit->setEnabled(!busy);
    if (busy) {
        m_ui->Command1->setEnabled(false);
    }
}

void UploadForm::cmdUpload_Click() {
    m_ui->Text1->clear();
    setBusy(true);
    // The status line shows the latest step; the box below keeps them all.
    FormOperator op(m_app.session().op,
                    [this](const QString& text) {
                        m_ui->lblStatus->setText(text);
                        m_ui->Text1->appendPlainText(text);
                    },
                    {});
    op.setFileValueView(m_app.editors().editor());
    Session session{m_app.record(), m_app.session().serial, op};
    m_transferring = true;
    const UploadOutcome outcome = UploadConfiguration(session);
    m_transferring = false;
    setBusy(false);
    m_ui->Command1->setEnabled(outcome == UploadOutcome::Complete);
    // Once the unit's configuration stands in the editor, and the port is
    // closed again.
    if (outcome == UploadOutcome::Complete) {
        tellValuesNotOffered(m_app.session().op, m_app.record());
    }
}

void UploadForm::closeEvent(QCloseEvent* event) {
    if (m_transferring) {
        event->ignore();
        return;
    }
    event->accept();
    m_app.unloadUpload();
    m_app.showMainMenu();
}

} // namespace cvcfg
