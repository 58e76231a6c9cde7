#include "shell/welcome.h"

#include "core/catalogue.h"
#include "editors/cv320params.h"
#include "editors/cvpciparams.h"
#include "shell/about.h"
#include "shell/application.h"
#include "shell/mainmenu.h"
#include "shell/modelcv210.h"
#include "shell/modelcv310.h"
#include "ui_welcome.h"

#include <QCloseEvent>
#include <QLocale>

namespace cvcfg {

QString welcomeDateText(const QDate& date) {
    return QLocale(QLocale::English).toString(date, QStringLiteral("MMMM.dd, yy"));
}

Welcome::Welcome(Application& app) : m_app(app), m_ui(std::make_unique<Ui::Welcome>()) {
    m_ui->setupUi(this);
    setWindowTitle(windowTitle() + welcomeDateText(QDate::currentDate()));
    Ui::Welcome& ui = *m_ui;
    using Handler = void (Welcome::*)();
    const std::pair<QAbstractButton*, Handler> buttons[] = {
        {ui.Command1, &Welcome::Command1_Click}, {ui.Command2, &Welcome::Command2_Click},
        {ui.Command3, &Welcome::Command3_Click}, {ui.Command4, &Welcome::Command4_Click},
        {ui.Command5, &Welcome::Command5_Click}, {ui.Command6, &Welcome::Command6_Click},
        {ui.Command7, &Welcome::Command7_Click},
    };
    for (const auto& [button, handler] : buttons) {
        connect(button, &QAbstractButton::clicked, this, handler);
    }
    connect(ui.Label7, &QLabel::linkActivated, this,
            [this](const QString& link) { m_app.session().op.openWebPage(link.toStdString()); });
}

Welcome::~Welcome() = default;

bool Welcome::startProduct(std::string_view model) {
    using Handler = void (Welcome::*)();
    const std::pair<std::string_view, Handler> products[] = {
        {"CV-PC/104-MODBUS", &Welcome::Command2_Click},
        {"CV-PCI", &Welcome::Command7_Click},
        {"CV320", &Welcome::Command6_Click},
        {"CV310", &Welcome::Command5_Click},
        {"CV210", &Welcome::Command4_Click},
    };
    for (const auto& [product, handler] : products) {
        if (product == model) {
            (this->*handler)();
            return true;
        }
    }
    return false;
}

void Welcome::Command1_Click() {
    m_app.endProgram();
}

void Welcome::Command3_Click() {
    hide();
    m_app.about().show();
}

// Every product starts from a blank record (see startBlankRecord); the
// variant forms start each variant from their product's start again.
void Welcome::Command4_Click() {
    const Answer answer = m_app.session().op.showMessage(
        {"Is the serial number of the REVISION 2 CV210 Greater or Equal to 21000 starting "
         "February 2004",
         Buttons::YesNo, Icon::None, "!CHECK CV210 Rev2 SERIAL NUMBER!"});
    ModelCV210& variants = m_app.model_CV210();
    variants.startRecord(answer == Answer::Yes ? "19200" : "9600");
    hide();
    variants.show();
}

// The editor lays out the channel dialogs for the variant chosen next.
void Welcome::Command5_Click() {
    ModelCV310& variants = m_app.model_CV310();
    variants.startRecord("9600");
    hide();
    variants.show();
}

// The CV320 has one variant: the start leads straight to the main menu.
void Welcome::Command6_Click() {
    m_app.startBlankRecord();
    ConfigRecord& record = m_app.record();
    record.ModelName = "CV320";
    record.ModelVariant = "CV320-ME";
    record.LinkBaud = "9600";
    MainMenu& menu = m_app.mainmenu();
    menu.setEditorToolTip(QStringLiteral("Configuration of a CV320"));
    menu.setPortCaption(QStringLiteral("CVCFG is now set to communicate with the CV320 via COM:"));
    m_app.UpdateParameters();
    hide();
    SetupMEparams();
    m_app.showMainMenu();
}

void Welcome::SetupMEparams() {
    ConfigRecord& record = m_app.record();
    const Variant& variant = catalogueRow(record.ModelVariant);
    record.ConfigLength = static_cast<int16_t>(variant.ConfigLength);
    // The start's own code, which the variant's button replaces at once.
    constexpr int kStartAppCode = 1;
    record.AppCode = charField(kStartAppCode);
    clearModbusSetUpEntries(record);
    m_app.editors().cv320Params().chooseME();
}

// The CV-PCI card has no variant of its own: ModelVariant stays as an
// earlier product left it. Neither its files nor its image carry it.
void Welcome::Command7_Click() {
    const std::string variant = m_app.record().ModelVariant;
    m_app.startBlankRecord();
    ConfigRecord& record = m_app.record();
    record.ModelVariant = variant;
    m_app.session().op.showMessage(
        {"This version of CVCFG is for CV-PCI's with Serial Number 20107 or later starting in "
         "October 2003",
         Buttons::Ok, Icon::Information,
         "!!!WARNING!!!- Check CV-PCI Serial Number for Compatibility"});
    record.LinkBaud = "9600";
    record.ModelName = "CV-PCI";
    record.ConfigLength = static_cast<int16_t>(catalogueRow(record.ModelName).ConfigLength);
    hide();
    UpdateCVPCI_Parameters();
    m_app.showMainMenu();
}

// The card's own step of the defaults (DH+, station "1", 57.6 on the
// highway, 38.4 on the bus, no block transfers), the DF1 and channel B
// start options, and no channel C.
void Welcome::UpdateCVPCI_Parameters() {
    m_app.editors().cvpciParams().UpdateParameters();
    MainMenu& menu = m_app.mainmenu();
    menu.ResetDF1Dialog();
    menu.Click_CHB_Params();
    ConfigRecord& record = m_app.record();
    record.CHCSpeed = charField(0);
    record.CHCParams = 0;
}

// The CV-PC/104 card: the CV210's set-up and editor without DH-485 and
// without the serial DF1 port.
void Welcome::Command2_Click() {
    m_app.startBlankRecord();
    ConfigRecord& record = m_app.record();
    m_app.session().op.showMessage(
        {"This version of CVCFG is for CV-PC/104's with MODBUS to DH+ Firmware!", Buttons::Ok,
         Icon::Information, "NOTE - Check CV-PC/104's Model"});
    record.LinkBaud = "9600";
    record.ModelName = "CV-PC/104-MODBUS";
    ModelCV210& variants = m_app.model_CV210();
    variants.CV210s();
    record.ModelVariant = "CV-PC/104-MODBUS";
    hide();
    variants.Setup_MODBUS(record.ModelVariant);
    variants.unload_CV120();
}

void Welcome::closeEvent(QCloseEvent* event) {
    event->accept();
    m_app.endProgram();
}

} // namespace cvcfg
