#include "shell/mainmenu.h"

#include "core/compare.h"
#include "editors/channeldialog.h"
#include "editors/df1dialog.h"
#include "editors/formoperator.h"
#include "link/contact.h"
#include "link/upload.h"
#include "link/verify.h"
#include "monitor/monitor.h"
#include "shell/application.h"
#include "shell/downloadform.h"
#include "shell/uploadform.h"
#include "ui_mainmenu.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QRegularExpression>
#include <utility>

namespace cvcfg {

MainMenu::MainMenu(Application& app) : m_app(app), m_ui(std::make_unique<Ui::Mainmenu>()) {
    m_ui->setupUi(this);
    Ui::Mainmenu& ui = *m_ui;
    // The device and link line wraps within the form instead of widening it.
    ui.lblDevice->setWordWrap(true);
    ui.lblDevice->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    ui.lblDevice->setFixedHeight(ui.lblDevice->fontMetrics().lineSpacing() * 2);
    ui.lblDevice->setMinimumWidth(ui.lblDevice->fontMetrics().averageCharWidth() * 24);
    // The entries name whole devices; the list takes the room the row has
    // and its pop-up is as wide as they are.
    ui.cboCOM->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ui.cboCOM->setMinimumContentsLength(30);
    ui.cboCOM->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(&m_app.ports(), &PortList::changed, this, &MainMenu::showPort);
    ui.cboCOM->onClick = [this] {
        cboCOM_Click();
    };
    ui.lblComPort1->setText(ui.lblComPort1->text() +
                            QString::fromStdString(m_app.record().ModelName));

    using Handler = void (MainMenu::*)();
    const std::pair<QPushButton*, Handler> buttons[] = {
        {ui.cmdUpdate, &MainMenu::cmdUpdate_Click},
        {ui.cmdDOWNLOAD, &MainMenu::cmdDOWNLOAD_Click},
        {ui.cmdUPLOAD, &MainMenu::cmdUPLOAD_Click},
        {ui.cmdCompare, &MainMenu::cmdCompare_Click},
        {ui.cmdBurn, &MainMenu::cmdBurn_Click},
        {ui.Command3, &MainMenu::Command3_Click},
        {ui.Command2, &MainMenu::Command2_Click},
        {ui.cmdAddServer, &MainMenu::cmdAddServer_Click},
        {ui.cmdForgetServer, &MainMenu::cmdForgetServer_Click},
    };
    for (const auto& [button, handler] : buttons) {
        connect(button, &QPushButton::clicked, this, handler);
    }
    showPort();
}

MainMenu::~MainMenu() = default;

void MainMenu::setEditorToolTip(const QString& text) {
    m_ui->cmdUpdate->setToolTip(text);
}

void MainMenu::setPortCaption(const QString& text) {
    m_ui->lblComPort1->setText(text);
}

// The list offers "NONE" and the ports something stands behind, each named
// by what it is, and shows the port that the transfers use, also when the
// menu comes back after product selection or the device has gone; beside
// it, what the port opens and the speed of the link to the unit.
void MainMenu::showPort() {
    const ConfigRecord& record = m_app.record();
    const PortMap& ports = m_app.ports().map();
    const int port = record.ComPort;
    QStringList entries{QStringLiteral("NONE")};
    QList<int> numbers{0};
    for (int number = 1; number <= PortMap::kPortCount; ++number) {
        if (number != port && !ports.offered(number) && number != m_app.simulatedPort()) {
            continue;
        }
        const QString label = number == m_app.simulatedPort()
                                  ? QStringLiteral("simulated unit")
                                  : QString::fromStdString(ports.labelOf(number));
        entries << (label.isEmpty() ? QStringLiteral("COM%1").arg(number)
                                    : QStringLiteral("COM%1 \u2014 %2").arg(number).arg(label));
        numbers << number;
    }
    showEntries(m_ui->cboCOM, entries);
    for (int row = 0; row < numbers.size(); ++row) {
        m_ui->cboCOM->setItemData(row, numbers[row]);
        m_ui->cboCOM->setItemData(row, entries[row], Qt::ToolTipRole);
    }
    {
        const QSignalBlocker quiet(m_ui->cboCOM);
        m_ui->cboCOM->setCurrentIndex(static_cast<int>(numbers.indexOf(port)));
    }
    m_ui->cboCOM->view()->setMinimumWidth(m_ui->cboCOM->view()->sizeHintForColumn(0));
    // Only a server the operator added can be taken off the list.
    m_ui->cmdForgetServer->setEnabled(port != 0 && ports.sourceOf(port) == PortMap::Source::Server);
    QString device;
    if (port) {
        device = port == m_app.simulatedPort() ? QStringLiteral("simulated unit")
                                               : QString::fromStdString(ports.deviceFor(port));
        if (!record.LinkBaud.empty()) {
            device += QStringLiteral(", %1 baud").arg(QString::fromStdString(record.LinkBaud));
        }
        device = QStringLiteral("(%1)").arg(device);
    }
    // A path wraps after its separators; a screen reader reads it whole.
    QString breakable = device;
    breakable.replace(QRegularExpression(QStringLiteral("([/_-])")), QStringLiteral("\\1\u200B"));
    m_ui->lblDevice->setText(breakable);
    m_ui->lblDevice->setAccessibleName(device);
    m_ui->lblDevice->setToolTip(device);
}

void MainMenu::showEvent(QShowEvent* event) {
    // The link speed follows the product chosen since the menu was built.
    showPort();
    QWidget::showEvent(event);
}

void MainMenu::enableTransfers(bool enabled) {
    Ui::Mainmenu& ui = *m_ui;
    for (QWidget* control :
         std::initializer_list<QWidget*>{ui.frmTOOLS, ui.cmdBurn, ui.frmCONFIG, ui.cmdUpdate,
                                         ui.cmdUPLOAD, ui.cmdDOWNLOAD, ui.cmdCompare}) {
        control->setEnabled(enabled);
    }
}

void MainMenu::cboCOM_Click() {
    ConfigRecord& record = m_app.record();
    record.ComPort = m_ui->cboCOM->currentData().toInt();
    if (record.ComPort) {
        Session& session = m_app.session();
        const bool opened = TestComPort(session);
        if (opened) {
            m_app.ports().remember(record.ComPort);
        } else {
            record.ComPort = 0;
        }
        enableTransfers(opened);
    }
    showPort();
}

// A serial device server joins the list under a number of its own and is
// tried at once, as a port picked from the list is.
void MainMenu::cmdAddServer_Click() {
    Session& session = m_app.session();
    const char* title = "Add Device Server";
    const std::optional<std::string> address = session.op.askText(
        {"Address of the serial device server:\nrfc2217://HOST:PORT (RFC 2217), or "
         "socket://HOST:PORT (raw TCP, line set up on the server)",
         title, "Device server address", "rfc2217://"});
    if (!address) {
        return;
    }
    const Expected<int> port = m_app.ports().addServer(*address);
    if (!port) {
        session.op.showMessage({port.error(), Buttons::Ok, Icon::Exclamation, title});
        return;
    }
    m_app.record().ComPort = *port;
    showPort();
    cboCOM_Click();
}

// The server chosen leaves the list and the memory; the port is NONE again.
void MainMenu::cmdForgetServer_Click() {
    ConfigRecord& record = m_app.record();
    const int port = std::exchange(record.ComPort, 0);
    m_app.ports().forgetServer(port);
    showPort();
}

void MainMenu::cmdUpdate_Click() {
    hide();
    OpenModelEditor();
}

void MainMenu::cmdDOWNLOAD_Click() {
    hide();
    m_app.download().show();
}

void MainMenu::cmdUPLOAD_Click() {
    hide();
    m_app.upload().show();
}

// Reads the unit into a record of its own and compares it with a file the
// operator chooses; neither the record nor any file changes.
void MainMenu::cmdCompare_Click() {
    Session& session = m_app.session();
    const ConfigRecord& record = m_app.record();
    const char* title = "Compare Unit with File";
    const std::optional<std::string> path =
        session.op.chooseOpenFile(ConfigFileFilter(record), title);
    if (!path || path->empty()) {
        return;
    }
    ConfigRecord file = record;
    if (const Status status = OpenConfigFile(*path, file); !status) {
        session.op.showMessage({status.error, Buttons::Ok, Icon::Exclamation, title});
        return;
    }
    std::string lastStatus;
    FormOperator op(
        session.op, [&lastStatus](const QString& text) { lastStatus = text.toStdString(); },
        [this](bool busy) { enableTransfers(!busy); });
    const Verification verification = VerifyUnit(session.serial, op, file);
    enableTransfers(true);
    // The contact has told the operator already why it did not come about.
    if (verification.upload == UploadOutcome::NotContacted) {
        return;
    }
    switch (verification.outcome) {
    case VerifyOutcome::NotRead:
        session.op.showMessage({lastStatus, Buttons::Ok, Icon::Exclamation, title});
        return;
    case VerifyOutcome::OtherVariant:
        session.op.showMessage({verification.otherVariant + ".\nIts fields were not compared.",
                                Buttons::Ok, Icon::Exclamation, title});
        return;
    case VerifyOutcome::Holds:
    case VerifyOutcome::Differs:
        break;
    }
    const std::vector<Difference>& differences = verification.differences;
    session.op.showMessage({differences.empty()
                                ? std::string("The unit holds this configuration.")
                                : "The unit's configuration differs from " + *path +
                                      " (file -> unit):\n" + differencesText(differences),
                            Buttons::Ok, Icon::Information, title});
}

void MainMenu::cmdBurn_Click() {
    const int16_t contact = ContactUnit(m_app.session());
    if (contact == kContactCancelled || contact == kContactNoPort) {
        return;
    }
    // The monitor opens even when the port did not: it says so itself.
    hide();
    m_app.monitor().show();
}

void MainMenu::Command2_Click() {
    m_app.unloadModelEditor();
    m_app.unloadMainmenu();
}

void MainMenu::Command3_Click() {
    m_app.endProgram();
}

void MainMenu::Click_CHA_Params() {
    m_app.editors().paramConfigA().chooseStartOptions();
}

void MainMenu::Click_CHB_Params() {
    m_app.editors().paramConfigB().chooseStartOptions();
}

void MainMenu::Click_CHC_Params() {
    m_app.editors().paramConfigC().chooseStartOptions();
}

void MainMenu::ResetDF1Dialog() {
    m_app.editors().df_Param().chooseStartOptions();
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
    ModelEditor* editor = m_app.editors().editor();
    if (editor) {
        editor->UpdateParameters();
    }
    ResetDF1Dialog();
    Click_CHB_Params();
    Click_CHC_Params();
    if (editor) {
        editor->showRecord();
    }
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
