#include "shell/downloadform.h"

#include "core/configfile.h"
#include "editors/formoperator.h"
#include "link/download.h"
#include "shell/application.h"
#include "ui_download.h"

#include <QCloseEvent>

namespace cvcfg {

DownloadForm::DownloadForm(Application& app) : m_app(app), m_ui(std::make_unique<Ui::download>()) {
    m_ui->setupUi(this);
    m_ui->Image1->show();
    m_ui->Image2->hide();
    m_ui->frmCom->setTitle(QStringLiteral("Download a Saved Configuration to the %1's EEPROM")
                               .arg(QString::fromStdString(app.record().ModelName)));
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

} // namespace cvcfg
