#include "editors/channeldialogs.h"
#include "editors/cv210params.h"
#include "link/contact.h"
#include "monitor/monitor.h"
#include "shell/forms.h"
#include "ui_cv210_params.h"
#include "ui_mainmenu.h"

#include <QCloseEvent>

namespace cvcfg {

namespace {

// The default selection of a channel dialog, deselected first so that each
// handler runs even when its button is selected already.
void resetChannel(ChannelDialog& dialog, std::initializer_list<const char*> options) {
    for (const char* name : options) {
        deselect(dialog.option(name));
    }
    for (const char* name : options) {
        choose(dialog.option(name));
    }
}

} // namespace

MainMenu::MainMenu(Application& app) : m_app(app), m_ui(std::make_unique<Ui::Mainmenu>()) {
    m_ui->setupUi(this);
    Ui::Mainmenu& ui = *m_ui;
    for (int port = 1; port <= PortMap::kPortCount; ++port) {
        ui.cboCOM->setItemData(port, QString::fromStdString(m_app.ports().deviceFor(port)),
                               Qt::ToolTipRole);
    }
    ui.cboCOM->onClick = [this] {
        cboCOM_Click();
    };
    chooseText(ui.cboCOM, QStringLiteral("NONE"));
    ui.lblComPort1->setText(ui.lblComPort1->text() +
                            QString::fromStdString(m_app.record().ModelName));

    connect(ui.cmdUpdate, &QPushButton::clicked, this, [this] {
        hide();
        OpenModelEditor();
    });
    connect(ui.cmdDOWNLOAD, &QPushButton::clicked, this, [this] {
        hide();
        m_app.download().show();
    });
    connect(ui.cmdUPLOAD, &QPushButton::clicked, this, [this] {
        hide();
        m_app.upload().show();
    });
    connect(ui.cmdBurn, &QPushButton::clicked, this, [this] { cmdBurn_Click(); });
    connect(ui.Command3, &QPushButton::clicked, this, [this] { m_app.endProgram(); });
    connect(ui.Command2, &QPushButton::clicked, this, [this] {
        m_app.unloadModelEditor();
        m_app.unloadMainmenu();
    });
}

MainMenu::~MainMenu() = default;

void MainMenu::showDevice() {
    const int port = comPortNumber(m_ui->cboCOM->currentText().toStdString());
    m_ui->lblDevice->setText(
        port ? QStringLiteral("(%1)").arg(QString::fromStdString(m_app.ports().deviceFor(port)))
             : QString());
}

void MainMenu::enableTransfers(bool enabled) {
    Ui::Mainmenu& ui = *m_ui;
    for (QWidget* control : std::initializer_list<QWidget*>{
             ui.frmTOOLS, ui.cmdBurn, ui.frmCONFIG, ui.cmdUpdate, ui.cmdUPLOAD, ui.cmdDOWNLOAD}) {
        control->setEnabled(enabled);
    }
}

void MainMenu::cboCOM_Click() {
    const QString text = m_ui->cboCOM->currentText();
    ConfigRecord& record = m_app.record();
    if (const int port = comPortNumber(text.toStdString())) {
        record.ComPort = port;
    }
    showDevice();
    if (text == QStringLiteral("NONE")) {
        return;
    }
    Session session{record, m_app.context().serial, m_app.context().op};
    const bool opened = TestComPort(session);
    if (!opened) {
        chooseText(m_ui->cboCOM, QStringLiteral("NONE"));
    }
    enableTransfers(opened);
}

void MainMenu::cmdBurn_Click() {
    Session session{m_app.record(), m_app.context().serial, m_app.context().op};
    if (ContactUnit(session) == kContactCancelled) {
        return;
    }
    // The monitor opens even when the port did not: it says so itself.
    hide();
    m_app.monitor().show();
}

void MainMenu::Click_CHA_Params() {
    resetChannel(m_app.editors().paramConfigA(),
                 {"optNone", "opt8", "opt1", "optIgnore", "opt232", "optBCC", "optFD"});
}

void MainMenu::Click_CHB_Params() {
    resetChannel(m_app.editors().paramConfigB(),
                 {"optNone", "opt8", "opt1", "optIgnore", "opt232", "optBCC", "optFD"});
}

void MainMenu::Click_CHC_Params() {
    resetChannel(m_app.editors().paramConfigC(), {"optNone", "opt8", "opt1", "optIgnore"});
}

void MainMenu::ResetDF1Dialog() {
    // No clear pass: a button already selected does not run again.
    DF1Dialog& dialog = m_app.editors().df_Param();
    for (const char* name :
         {"optBCC", "optExecDiag", "optPoint", "optNoneEmbed", "optIgnore", "optNoneLoop"}) {
        choose(dialog.option(name));
    }
}

void MainMenu::UpdateParameters() {
    ConfigRecord& record = m_app.record();
    record.NetSpeed = charField(8);
    record.CHAParams = 0;
    record.CHBSpeed = charField(8);
    record.CHBParams = 0;
    record.StationNo = charField(1);
    record.HighAddress = charField(0);
    record.CHCSpeed = charField(0);
    record.CHCParams = 0;
    if (record.ModelName == "CV210") {
        Ui::CV210_Params& editor = m_app.editors().cv210Params().ui();
        if (record.NetworkName == "DH+") {
            chooseIndex(editor.cboNetworkSpeed, 0);
        } else if (record.NetworkName == "DH485") {
            chooseIndex(editor.cboNetworkSpeed, 1);
        }
        chooseText(editor.cboAsyncSpeed, QStringLiteral("9600"));
        editor.lblKbaud2->setText(QStringLiteral("Baud"));
    } else if (record.ModelName == "CV-PCI") {
        // The card's editor comes in a later version; its record defaults hold now.
        record.CHBSpeed = charField(10);
        std::fill_n(record.ExtParams.begin(), 14, 0);
    }
    ResetDF1Dialog();
    Click_CHB_Params();
    Click_CHC_Params();
}

void MainMenu::OpenModelEditor() {
    m_app.showModelEditor();
}

void MainMenu::closeEvent(QCloseEvent* event) {
    // The editor stays loaded, hidden.
    event->accept();
    m_app.unloadMainmenu();
}

} // namespace cvcfg
