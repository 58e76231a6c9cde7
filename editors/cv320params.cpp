#include "editors/cv320params.h"

#include "core/catalogue.h"
#include "editors/channeldialog.h"
#include "editors/modbusprot.h"
#include "editors/shell.h"
#include "ui_cv320_params.h"

namespace cvcfg {

namespace {

constexpr std::string_view kVariant = "CV320-ME";

// The application code of the variant's button.
int variantAppCode() {
    return catalogueRow(kVariant).AppCode;
}

// Whether the record is of the variant the editor's one button stands for.
bool ofVariant(const ConfigRecord& record) {
    return variantOf(record) == &catalogueRow(kVariant);
}

} // namespace

CV320Params::CV320Params(Dialogs& dialogs)
    : FamilyEditor(dialogs), m_ui(std::make_unique<Ui::CV320_Params>()) {
    m_ui->setupUi(this);
    Ui::CV320_Params& ui = *m_ui;
    m_designTitle = windowTitle();
    for (const SpeedCode& speed : channelSpeeds()) {
        ui.cboCHASpeed->addItem(latin1(speed.text));
    }
    using Handler = void (CV320Params::*)();
    const std::pair<OptionButton*, Handler> options[] = {{ui.optME, &CV320Params::optME_Click}};
    const std::pair<ListBox*, Handler> lists[] = {
        {ui.cboCHASpeed, &CV320Params::cboCHASpeed_Click}};
    wireHandlers(this, options);
    wireHandlers(this, lists);
    const std::pair<QPushButton*, Handler> buttons[] = {
        {ui.cmdCHA, &CV320Params::cmdCHA_Click},
        {ui.cmdModBus, &CV320Params::cmdModBus_Click},
    };
    wireHandlers(this, buttons);
    wireCommonControls({ui.cmdCONFIG, ui.cmdDOWNLOAD, ui.cmdRETURN, ui.lblStatus},
                       {"save_file", "open_file", "restore_configuration"});
    showRecord();
}

CV320Params::~CV320Params() = default;

// ---- handlers -----------------------------------------------------------------------

void CV320Params::Setup_Form() {
    m_record.NetType = charField(0);
    m_record.CHCSpeed = charField(8);
    m_record.CHCParams = 0;
    m_record.ModeBytes = charField(0) + charField(0);
    m_record.AuxValue = 0;
    m_record.AuxChar = charField(0);
    m_record.NumText2 = "0";
    m_record.NumText1 = "0";
}

void CV320Params::optME_Click() {
    Setup_Form();
    m_record.AppCode = charField(variantAppCode());
    m_dialogs.modbus_prot().chooseStartOptions(false);
    m_record.HighAddress = charField(0);
    m_record.ModeBytes = charField(1) + charField(0);
    m_record.NumText2 = "0";
    m_record.NumText1 = "0";
    m_record.AuxChar = charField(0);
    showRecord();
}

void CV320Params::cboCHASpeed_Click() {
    const std::optional<SpeedCode> speed =
        speedByText(channelSpeeds(), m_ui->cboCHASpeed->currentText().toStdString());
    m_record.NetSpeed = charField(speed ? speed->code : 0);
    showRecord();
}

void CV320Params::cmdCHA_Click() {
    openDialog(m_dialogs.paramConfigA());
}

void CV320Params::cmdModBus_Click() {
    hide();
    m_dialogs.modbus_prot().showDialog();
}

// ---- defaults and loading ---------------------------------------------------------

void CV320Params::restore_configuration() {
    m_dialogs.shell().UpdateParameters();
    chooseME();
    m_dialogs.modbus_prot().restore();
}

// The main menu's defaults leave nothing more to the CV320.
void CV320Params::UpdateParameters() {}

void CV320Params::chooseME() {
    reselect(m_ui->optME);
}

// A file or an upload does not carry the application code: it is the
// variant button's, as choosing the button again would leave it.
void CV320Params::showLoadedRecord() {
    if (ofVariant(m_record)) {
        m_record.AppCode = charField(variantAppCode());
    }
    showRecord();
}

// ---- showing the record -------------------------------------------------------------

void CV320Params::showRecord() {
    Ui::CV320_Params& ui = *m_ui;
    const bool variant = ofVariant(m_record);
    setWindowTitle(variant
                       ? QStringLiteral("Configuration of [%1] - MAIN MENU").arg(latin1(kVariant))
                       : m_designTitle);
    const bool chosen = variant && charCode(m_record.AppCode) == variantAppCode();
    ui.optME->setVisible(variant);
    showChecked(ui.optME, chosen);
    ui.frmCHAParam->setVisible(chosen);

    const std::optional<int> code = charCode(m_record.NetSpeed);
    const std::optional<SpeedCode> speed =
        code ? speedByCode(channelSpeeds(), *code) : std::nullopt;
    showText(ui.cboCHASpeed, speed ? latin1(speed->text) : QString());
    ui.lblCHASpeed->setText(speed ? latin1(speed->unit) : QStringLiteral("Baud"));
}

// Channel A's dialog as this editor opens it: the serial options only. The
// CV320 start leaves channel B's dialog with its serial frame.
void CV320Params::layOutChannelDialog(ChannelDialog& dialog) {
    switch (dialog.channel()) {
    case Channel::A:
        dialog.setWindowTitle(QStringLiteral("Channel A Properties"));
        dialog.showSerialConnection(true);
        dialog.showErrorChecking(false);
        dialog.showProtocolChoice(false);
        break;
    case Channel::B:
        dialog.showSerialConnection(true);
        break;
    case Channel::C:
        break;
    }
}

} // namespace cvcfg
