#include "shell/modelcv210.h"

#include "core/catalogue.h"
#include "editors/channeldialog.h"
#include "editors/cv210params.h"
#include "shell/application.h"
#include "shell/mainmenu.h"
#include "ui_model_cv210.h"

#include <utility>

namespace cvcfg {

using Mode = CV210Params::Mode;

ModelCV210::ModelCV210(Application& app)
    : VariantMenu(app), m_ui(std::make_unique<Ui::model_CV210>()) {
    m_ui->setupUi(this);
    Ui::model_CV210& ui = *m_ui;
    wireVariants(
        {
            {"CV210-SLC5/04 Bridge", ui.cmdSLC504,
             [this] {
                 cmdSLC504_Click();
             }},
            {"CV210-ENI", ui.cmdENI,
             [this] {
                 cmdENI_Click();
             }},
            {"CV210-RMM", ui.cmd200RMM,
             [this] {
                 cmd200RMM_Click();
             }},
            {"CV210-ASCII", ui.cmdASCII,
             [this] {
                 cmdASCII_Click();
             }},
            {"CV210-MODBUS", ui.cmd200MODBUS,
             [this] {
                 cmd200MODBUS_Click();
             }},
            {"CV210-KFR", ui.cmd200KFR,
             [this] {
                 cmd200KFR_Click();
             }},
            {"CV210-DF1", ui.Command22,
             [this] {
                 Command22_Click();
             }},
        },
        ui.lblDescription, ui.Command10);
}

ModelCV210::~ModelCV210() = default;

void ModelCV210::unload() {
    m_app.unloadModelCV210();
}

void ModelCV210::startRecord(std::string linkBaud) {
    m_app.startBlankRecord();
    ConfigRecord& record = m_app.record();
    record.BridgeCaption = "DF1 via USB/Serial to ";
    record.ModelName = "CV210";
    record.LinkBaud = std::move(linkBaud);
}

void ModelCV210::takeIdentity(std::string_view variant) {
    const Variant& row = catalogueRow(variant);
    ConfigRecord& record = m_app.record();
    record.ConfigLength = static_cast<int16_t>(row.ConfigLength);
    record.AppCode = charField(row.AppCode);
}

void ModelCV210::CV210s() {
    m_app.mainmenu().setEditorToolTip(
        QStringLiteral("Configuration of a Corvane Freestanding Unit"));
    m_app.UpdateParameters();
}

void ModelCV210::Setup_KFR() {
    Format_Custom();
    takeIdentity("CV210-KFR");
    m_app.record().ModeBytes = charField(4) + charField(0);
    m_app.editors().cv210Params().chooseMode(Mode::RemoteIO);
}

void ModelCV210::Setup_MODBUS(std::string_view variant) {
    ConfigRecord& record = m_app.record();
    takeIdentity(variant);
    clearModbusSetUpEntries(record);
    CV210Params& editor = m_app.editors().cv210Params();
    editor.chooseMode(Mode::DF1);
    editor.chooseMode(Mode::Modbus);
}

void ModelCV210::Setup_DF1(std::string_view variant) {
    takeIdentity(variant);
    m_app.editors().cv210Params().chooseMode(Mode::DF1);
}

void ModelCV210::Format_ASCII() {
    takeIdentity("CV210-ASCII");
    CV210Params& editor = m_app.editors().cv210Params();
    editor.chooseMode(Mode::DF1);
    editor.chooseMode(Mode::Ascii);
}

// The custom formats start with no text numbers and no auxiliary values, and
// with channel C at its start options. The mode chosen next sets the
// station, the speeds and channel C's speed.
void ModelCV210::Format_Custom() {
    ConfigRecord& record = m_app.record();
    record.NumText2 = "0";
    record.NumText1 = "0";
    record.AuxValue = 0;
    record.AuxChar = charField(0);
    m_app.editors().paramConfigC().chooseStartOptions();
    record.CHBSpeed = charField(8); // 9600 baud
}

void ModelCV210::unload_CV120() {
    m_app.editors().cv210Params().chooseNetwork(Network::DHPlus);
    m_app.unloadModelCV210();
    m_app.showMainMenu();
}

void ModelCV210::beginVariant(std::string_view variant, bool df1) {
    CV210s();
    if (df1) {
        Setup_DF1(variant);
    }
    m_app.record().ModelVariant = variant;
}

void ModelCV210::cmd200MODBUS_Click() {
    if (m_app.record().LinkBaud == "9600") {
        m_app.session().op.showMessage(
            {"This version of CVCFG is for Modbus Versions later and including V1.06 dated "
             "September 12,2003 ONLY",
             Buttons::Ok, Icon::Information, "!!!WARNING!!!- Check CV210-Modbus Version Number"});
    }
    beginVariant("CV210-MODBUS", false);
    Setup_MODBUS("CV210-MODBUS");
    unload_CV120();
}

void ModelCV210::cmd200KFR_Click() {
    beginVariant("CV210-KFR", false);
    Setup_KFR();
    unload_CV120();
}

void ModelCV210::cmd200RMM_Click() {
    beginVariant("CV210-RMM", false);
    takeIdentity("CV210-RMM");
    CV210Params& editor = m_app.editors().cv210Params();
    editor.chooseMode(Mode::DF1);
    editor.chooseMode(Mode::RemoteIO);
    unload_CV120();
}

void ModelCV210::cmdASCII_Click() {
    beginVariant("CV210-ASCII", false);
    Format_ASCII();
    unload_CV120();
}

void ModelCV210::cmdENI_Click() {
    beginVariant("CV210-ENI", true);
    m_app.record().BridgeCaption = "DF1 via 1761-NET-ENI to ";
    unload_CV120();
}

void ModelCV210::cmdSLC504_Click() {
    beginVariant("CV210-SLC5/04 Bridge", true);
    m_app.record().BridgeCaption = "Access a DH485 Node via SLC5/04 Passthru on ";
    unload_CV120();
}

void ModelCV210::Command22_Click() {
    beginVariant("CV210-DF1", true);
    unload_CV120();
}

} // namespace cvcfg
