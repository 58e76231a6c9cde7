#include "shell/uploadform.h"

#include "editors/familyeditor.h"
#include "editors/formoperator.h"
#include "link/upload.h"
#include "shell/application.h"
#include "shell/mainmenu.h"
#include "ui_upload.h"

#include <QCloseEvent>

namespace cvcfg {

UploadForm::UploadForm(Application& app) : m_app(app), m_ui(std::make_unique<Ui::upload>()) {
    m_ui->setupUi(this);
    m_ui->Image1->show();
    m_ui->Image2->hide();
    m_ui->frmCom->setTitle(QStringLiteral("Upload the %1's Current Configuration")
                               .arg(QString::fromStdString(app.record().ModelName)));
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
