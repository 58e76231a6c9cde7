#include "editors/cv310params.h"

#include "core/catalogue.h"
#include "editors/asciidatatable.h"
#include "editors/channeldialog.h"
#include "editors/df1dialog.h"
#include "editors/modbusprot.h"
#include "editors/shell.h"
#include "editors/slaveadd.h"
#include "ui_cv310_params.h"

namespace cvcfg {

namespace {

// How a variant lays out the editor and the dialogs it opens.
struct CV310Layout {
    std::string_view variant{};
    bool modbusMaster = false;    // channel A is the Modbus RTU master, without station
    bool channelAStation = false; // channel A shows its station (or Modbus address)
    bool protocolChoice = false;  // channel A may talk DF1 or Modbus
    std::string_view chbFrame{}, chbSpeed{}, chbButton{}, chbTitle{};
    bool chbSerial = true; // channel B's dialog offers the serial connection
    // The channel dialogs of A (when it talks DF1) and of B offer error
    // checking and the DF1 protocol.
    bool df1ChannelA = false, df1ChannelB = false;
    bool channelC = false;       // the second DF1 device on channel C
    bool brabenderTypes = false; // channel B's Brabender equipment type
    // Channel B's ASCII device sends to a PLC/SLC address, with the ASCII
    // data table.
    bool asciiDestination = false;
    bool modbusParameters = false; // channel B's Modbus operating parameters
};

// The station and address lists offer the octal addresses "10" to "76".
constexpr int kFirstAddress = 8;
constexpr int kLastAddress = 62;
// Channel A's Modbus addresses.
constexpr int kLastModbusAddress = 247;
// Channel C runs at 38.4 Kbaud at most.
constexpr int kLastChannelCSpeed = 10;
// The entry the form's start chooses in its station and address lists: "11".
constexpr int kStartAddress = 9;
constexpr std::string_view kStartSpeed = "9600";

// Channel A's protocol codes in NetType.
constexpr int kNetTypeDF1 = 1;
constexpr int kNetTypeModbus = 2;

constexpr std::array<CV310Layout, 6> kLayouts = {{
    {.variant = "CV310-MMX",
     .modbusMaster = true,
     .chbFrame = "CHB - Modbus ASCII Slave Paramters",
     .chbSpeed = "CHANNEL SERIAL SPEED",
     .chbButton = "SET/CHANGE MODBUS ASCII PARAMETERS",
     .chbTitle = "Modbus ASCII Parameters",
     .chbSerial = false},
    {.variant = "CV310-DMX",
     .channelAStation = true,
     .chbFrame = "CHB - Modbus Interface Paramters",
     .chbSpeed = "Modbus Serial Speed",
     .chbButton = "SET/CHANGE MODBUS PARAMETERS",
     .chbTitle = "Modbus Parameters",
     .modbusParameters = true},
    {.variant = "CV310-DFX",
     .channelAStation = true,
     .chbFrame = "CHB - DF1 Interface Parameters",
     .chbSpeed = "DF1 Serial Speed",
     .chbButton = "SET/CHANGE DF1 PARAMETERS",
     .chbTitle = "DF1 Parameters",
     .channelC = true},
    {.variant = "CV310-BTI",
     .channelAStation = true,
     .protocolChoice = true,
     .chbFrame = "CHB - Brabender Equipment Paramters",
     .chbSpeed = "Brabender Serial Speed",
     .chbButton = "SET/CHANGE BRABENDER PARAMETERS",
     .chbTitle = "Brabender Parameters",
     .brabenderTypes = true},
    {.variant = "CV310-DF1",
     .chbFrame = "CHB - DF1 Interface Parameters",
     .chbSpeed = "DF1 Serial Speed",
     .chbButton = "SET/CHANGE DF1 PARAMETERS",
     .chbTitle = "DF1 Parameters",
     .df1ChannelA = true,
     .df1ChannelB = true},
    {.variant = "CV310-DAS",
     .channelAStation = true,
     .chbFrame = "CHB - ASCII Communication Protocol",
     .chbSpeed = "ASCII Serial Speed",
     .chbButton = "SET/CHANGE ASCII Serial Parameters",
     .chbTitle = "ASCII Serial Parameters",
     .df1ChannelA = true,
     .asciiDestination = true},
}};

const CV310Layout& layoutOf(std::string_view variant) {
    for (const CV310Layout& layout : kLayouts) {
        if (layout.variant == variant) {
            return layout;
        }
    }
    return kLayouts.front();
}

int appCodeOf(std::string_view variant) {
    return catalogueRow(variant).AppCode;
}

// Channel A's captions for each of its protocols.
struct ChannelATexts {
    const char* frame;
    const char* button;
    const char* dialog;
    const char* speed;
};
constexpr ChannelATexts kModbusMasterTexts{"CHA - Modbus RTU Master Paramters",
                                           "SET/CHANGE MODBUS RTU PARAMETERS",
                                           "Modbus RTU Parameters", "Modbus RTU Speed"};
constexpr ChannelATexts kDF1Texts{"CHA - DF1 Interface Paramters", "SET/CHANGE DF1 PARAMETERS",
                                  "DF1 Parameters", "DF1 Serial Speed"};
constexpr ChannelATexts kModbusTexts{"CHA - MODBUS Interface Paramters",
                                     "SET/CHANGE MODBUS PARAMETERS", "Modbus Parameters",
                                     "Modbus RTU Speed"};

const ChannelATexts& channelATexts(const CV310Layout& layout, bool modbus) {
    if (layout.modbusMaster) {
        return kModbusMasterTexts;
    }
    return modbus ? kModbusTexts : kDF1Texts;
}

std::span<const SpeedCode> channelCSpeeds() {
    const int count = kLastChannelCSpeed - channelSpeeds().front().code + 1;
    return channelSpeeds().first(static_cast<std::size_t>(count));
}

// The field's address if the station and address lists offer it.
std::optional<int> listAddress(const std::string& field) {
    const std::optional<int> address = charCode(field);
    return address && *address >= kFirstAddress && *address <= kLastAddress ? address
                                                                            : std::nullopt;
}

// The octal text of an address of the lists, or nothing for another value.
QString addressText(const std::string& field) {
    const std::optional<int> address = listAddress(field);
    return address ? QString::fromStdString(octalText(*address)) : QString();
}

// The channels' speed labels may read alike ("DF1 Serial Speed"), so a speed
// list goes by its label after its channel, with which its frame's title
// begins ("CHA - ...").
void nameSpeedList(ListBox* list, const QGroupBox* frame, const QLabel* label) {
    list->setAccessibleName(QStringLiteral("%1 %2").arg(
        frame->title().section(QStringLiteral(" - "), 0, 0), label->text()));
}

void showSpeed(ListBox* list, QLabel* unit, std::span<const SpeedCode> table,
               const std::string& field) {
    const std::optional<int> code = charCode(field);
    const std::optional<SpeedCode> speed = code ? speedByCode(table, *code) : std::nullopt;
    showText(list, speed ? latin1(speed->text) : QString());
    unit->setText(speed ? latin1(speed->unit) : QStringLiteral("Baud"));
}

// Whether channel A talks Modbus: the Modbus master's always does, without
// the protocol choice.
bool channelAModbus(const CV310Layout& layout, const ConfigRecord& record) {
    return !layout.modbusMaster && charCode(record.NetType) == kNetTypeModbus;
}

} // namespace

CV310Params::CV310Params(Dialogs& dialogs)
    : FamilyEditor(dialogs), m_ui(std::make_unique<Ui::CV310_Params>()) {
    m_ui->setupUi(this);
    Ui::CV310_Params& ui = *m_ui;
    m_designTitle = windowTitle();
    for (ListBox* list : {ui.cboCHASpeed, ui.cboCHBSpeed}) {
        for (const SpeedCode& speed : channelSpeeds()) {
            list->addItem(latin1(speed.text));
        }
    }
    for (const SpeedCode& speed : channelCSpeeds()) {
        ui.cboCHCSpeed->addItem(latin1(speed.text));
    }
    nameSpeedList(ui.cboCHASpeed, ui.frmCHA, ui.Label3);
    nameSpeedList(ui.cboCHBSpeed, ui.frmCHB, ui.Label4);
    nameSpeedList(ui.cboCHCSpeed, ui.frmCHC, ui.Label5);
    const QStringList addresses = octalEntries(kLastAddress).mid(kFirstAddress);
    for (ListBox* list : {ui.cboStationNumber, ui.CboHighAddress, ui.cboPLCadd}) {
        list->addItems(addresses);
    }
    for (int address = 1; address <= kLastModbusAddress; ++address) {
        ui.cboModbusAdd->addItem(QString::number(address));
    }

    m_variants = {
        {"CV310-MMX", ui.optMMX, &CV310Params::optMMX_Click},
        {"CV310-DMX", ui.optDMX, &CV310Params::optDMX_Click},
        {"CV310-DFX", ui.optDFX, &CV310Params::optDFX_Click},
        {"CV310-BTI", ui.optBTI, &CV310Params::optBTI_Click},
        {"CV310-DF1", ui.optDF1toDF1, &CV310Params::optDF1toDF1_Click},
        {"CV310-DAS", ui.optDAS, &CV310Params::optDAS_Click},
    };
    for (const VariantButton& variant : m_variants) {
        variant.button->onClick = [this, handler = variant.handler] {
            (this->*handler)();
        };
    }
    int32_t& type = m_record.ExtParams[brabender::kType];
    m_brabender = {{ui.optSType, &type, 0},    {ui.optMType, &type, 1}, {ui.optLMType, &type, 2},
                   {ui.optPT03Type, &type, 3}, {ui.optLType, &type, 4}, {ui.optSAType, &type, 5}};

    using Handler = void (CV310Params::*)();
    const std::pair<OptionButton*, Handler> options[] = {
        {ui.optDF1, &CV310Params::optDF1_Click},
        {ui.optModbus, &CV310Params::optModbus_Click},
        {ui.optSType, &CV310Params::optSType_Click},
        {ui.optMType, &CV310Params::optMType_Click},
        {ui.optLMType, &CV310Params::optLMType_Click},
        {ui.optPT03Type, &CV310Params::optPT03Type_Click},
        {ui.optLType, &CV310Params::optLType_Click},
        {ui.optSAType, &CV310Params::optSAType_Click},
    };
    const std::pair<ListBox*, Handler> lists[] = {
        {ui.cboCHASpeed, &CV310Params::cboCHASpeed_Click},
        {ui.cboCHBSpeed, &CV310Params::cboCHBSpeed_Click},
        {ui.cboCHCSpeed, &CV310Params::cboCHCSpeed_Click},
        {ui.cboStationNumber, &CV310Params::cboStationNumber_Click},
        {ui.cboModbusAdd, &CV310Params::cboModbusAdd_Click},
        {ui.CboHighAddress, &CV310Params::CboHighAddress_Click},
        {ui.cboPLCadd, &CV310Params::cboPLCadd_Click},
    };
    const std::pair<QPushButton*, Handler> buttons[] = {
        {ui.cmdCHA, &CV310Params::cmdCHA_Click},
        {ui.Command3, &CV310Params::Command3_Click},
        {ui.cmdAsyncC, &CV310Params::cmdAsyncC_Click},
        {ui.cmdProtParam, &CV310Params::cmdProtParam_Click},
        {ui.cmdModBus, &CV310Params::cmdModBus_Click},
        {ui.cmdASCII, &CV310Params::cmdASCII_Click},
    };
    wireHandlers(this, options);
    wireHandlers(this, lists);
    wireHandlers(this, buttons);
    wireCommonControls({ui.cmdCONFIG, ui.cmdDOWNLOAD, ui.cmdRETURN, ui.lblStatus},
                       {"save_file", "open_file", "restore_configuration"});
    showRecord();
}

CV310Params::~CV310Params() = default;

// ---- variants -----------------------------------------------------------------------

bool CV310Params::chooseVariant(std::string_view variant) {
    for (const VariantButton& row : m_variants) {
        if (row.variant == variant) {
            reselect(row.button);
            return true;
        }
    }
    return false;
}

void CV310Params::Setup_Form() {
    Ui::CV310_Params& ui = *m_ui;
    m_record.NetType = charField(kNetTypeDF1);
    const QString speed = latin1(kStartSpeed);
    for (ListBox* list : {ui.cboCHASpeed, ui.cboCHBSpeed, ui.cboCHCSpeed}) {
        chooseText(list, speed);
    }
    const QString address = QString::fromStdString(octalText(kStartAddress));
    for (ListBox* list : {ui.cboStationNumber, ui.CboHighAddress, ui.cboPLCadd}) {
        chooseText(list, address);
    }
    m_record.CHCParams = 0;
    m_record.ModeBytes = charField(0) + charField(0);
    m_record.AuxValue = 0;
    m_record.AuxChar = charField(0);
    m_record.NumText1 = "0";
    m_record.NumText2 = "0";
}

// The MMX, DMX and BTI have no use for the high address the start chose.
void CV310Params::beginVariant(std::string_view variant, bool clearHighAddress) {
    Setup_Form();
    m_record.AppCode = charField(appCodeOf(variant));
    if (clearHighAddress) {
        m_record.HighAddress = charField(0);
    }
}

void CV310Params::optMMX_Click() {
    beginVariant("CV310-MMX", true);
    showRecord();
}

void CV310Params::optDMX_Click() {
    beginVariant("CV310-DMX", true);
    CHA_DF1();
    m_dialogs.modbus_prot().chooseStartOptions(true);
    showRecord();
}

void CV310Params::optDFX_Click() {
    beginVariant("CV310-DFX", false);
    CHA_DF1();
    showRecord();
}

void CV310Params::optBTI_Click() {
    beginVariant("CV310-BTI", true);
    CHA_DF1();
    takeBrabenderType(0);
    showRecord();
}

// The half-duplex slave address of channel B starts at "11", as the
// station lists do.
void CV310Params::optDF1toDF1_Click() {
    beginVariant("CV310-DF1", false);
    CHA_DF1();
    m_dialogs.SlaveAdd().chooseAddress(kStartAddress);
    showRecord();
}

void CV310Params::optDAS_Click() {
    beginVariant("CV310-DAS", false);
    CHA_DF1();
    showRecord();
}

// ---- channel A ----------------------------------------------------------------------

void CV310Params::CHA_DF1() {
    m_record.NetType = charField(kNetTypeDF1);
}

void CV310Params::CHA_Modbus() {
    m_record.NetType = charField(kNetTypeModbus);
}

void CV310Params::optDF1_Click() {
    CHA_DF1();
    showRecord();
}

void CV310Params::optModbus_Click() {
    CHA_Modbus();
    showRecord();
}

void CV310Params::cboStationNumber_Click() {
    m_record.StationNo = charField(octalEntryValue(m_ui->cboStationNumber->currentText().toInt()));
    showRecord();
}

void CV310Params::cboModbusAdd_Click() {
    m_record.StationNo = charField(m_ui->cboModbusAdd->currentText().toInt());
    showRecord();
}

// ---- speeds and addresses -----------------------------------------------------------

void CV310Params::takeSpeed(const ListBox* list, std::string& field) {
    if (const std::optional<SpeedCode> speed =
            speedByText(channelSpeeds(), list->currentText().toStdString())) {
        field = charField(speed->code);
    }
}

void CV310Params::cboCHASpeed_Click() {
    takeSpeed(m_ui->cboCHASpeed, m_record.NetSpeed);
    showRecord();
}

void CV310Params::cboCHBSpeed_Click() {
    takeSpeed(m_ui->cboCHBSpeed, m_record.CHBSpeed);
    showRecord();
}

void CV310Params::cboCHCSpeed_Click() {
    takeSpeed(m_ui->cboCHCSpeed, m_record.CHCSpeed);
    showRecord();
}

void CV310Params::takeHighAddress(const ListBox* list) {
    m_record.HighAddress = charField(octalEntryValue(list->currentText().toInt()));
}

void CV310Params::CboHighAddress_Click() {
    takeHighAddress(m_ui->CboHighAddress);
    showRecord();
}

void CV310Params::cboPLCadd_Click() {
    takeHighAddress(m_ui->cboPLCadd);
    showRecord();
}

// ---- Brabender equipment ------------------------------------------------------------

void CV310Params::takeBrabenderType(int32_t type) {
    m_record.ExtParams[brabender::kType] = type;
    m_record.ExtParams[brabender::kSpare] = 0;
}

void CV310Params::optSType_Click() {
    takeBrabenderType(0);
    showRecord();
}
void CV310Params::optMType_Click() {
    takeBrabenderType(1);
    showRecord();
}
void CV310Params::optLMType_Click() {
    takeBrabenderType(2);
    showRecord();
}
void CV310Params::optPT03Type_Click() {
    takeBrabenderType(3);
    showRecord();
}
void CV310Params::optLType_Click() {
    takeBrabenderType(4);
    showRecord();
}
void CV310Params::optSAType_Click() {
    takeBrabenderType(5);
    showRecord();
}

// ---- dialogs ------------------------------------------------------------------------

void CV310Params::cmdCHA_Click() {
    openDialog(m_dialogs.paramConfigA());
}

void CV310Params::Command3_Click() {
    openDialog(m_dialogs.paramConfigB());
}

void CV310Params::cmdAsyncC_Click() {
    openDialog(m_dialogs.paramConfigC());
}

void CV310Params::cmdProtParam_Click() {
    openDialog(m_dialogs.df_Param());
}

void CV310Params::cmdModBus_Click() {
    hide();
    m_dialogs.modbus_prot().showDialog();
}

void CV310Params::cmdASCII_Click() {
    openDialog(m_dialogs.ASCII_DataTable());
}

// ---- defaults and loading ---------------------------------------------------------

// The defaults run the MMX's button, then the record's own variant's, so
// that asking for them never changes the unit the configuration is for.
void CV310Params::restore_configuration() {
    m_dialogs.shell().UpdateParameters();
    chooseVariant("CV310-MMX");
    const std::string variant = m_record.ModelVariant;
    if (variant != "CV310-MMX") {
        chooseVariant(variant);
    }
    if (layoutOf(variant).modbusParameters) {
        m_dialogs.modbus_prot().restore();
    }
}

// Channels A and B at 9600 baud, channel A's dialog at its start options.
void CV310Params::UpdateParameters() {
    Ui::CV310_Params& ui = *m_ui;
    const QString speed = latin1(kStartSpeed);
    chooseText(ui.cboCHASpeed, speed);
    chooseText(ui.cboCHBSpeed, speed);
    m_dialogs.paramConfigA().chooseStartOptions();
}

// A file or an upload does not carry the application code: it is the
// variant button's, as choosing the button again would leave it.
void CV310Params::showLoadedRecord() {
    for (const VariantButton& row : m_variants) {
        if (row.variant == m_record.ModelVariant) {
            m_record.AppCode = charField(appCodeOf(row.variant));
        }
    }
    showRecord();
}

// ---- showing the record -------------------------------------------------------------

const CV310Params::VariantButton* CV310Params::chosenVariant() const {
    const std::optional<int> code = charCode(m_record.AppCode);
    for (const VariantButton& row : m_variants) {
        if (code == appCodeOf(row.variant)) {
            return &row;
        }
    }
    return nullptr;
}

void CV310Params::showRecord() {
    Ui::CV310_Params& ui = *m_ui;
    setWindowTitle(
        variantOf(m_record)
            ? QStringLiteral("Configuration of [%1] - MAIN MENU").arg(latin1(m_record.ModelVariant))
            : m_designTitle);
    // Only the button of the record's variant is offered: another would
    // leave a record whose files and image are of one variant and whose
    // parameters are of another.
    const VariantButton* chosen = chosenVariant();
    for (const VariantButton& row : m_variants) {
        row.button->setVisible(row.variant == m_record.ModelVariant);
        showChecked(row.button, &row == chosen);
    }
    showAll({ui.frmCHA, ui.frmCHB}, chosen != nullptr);
    if (!chosen) {
        ui.frmCHC->hide();
        return;
    }
    const CV310Layout& layout = layoutOf(chosen->variant);

    // Channel A.
    const bool modbusA = channelAModbus(layout, m_record);
    const ChannelATexts& texts = channelATexts(layout, modbusA);
    ui.frmCHA->setTitle(QString::fromLatin1(texts.frame));
    ui.cmdCHA->setText(QString::fromLatin1(texts.button));
    ui.Label3->setText(QString::fromLatin1(texts.speed));
    nameSpeedList(ui.cboCHASpeed, ui.frmCHA, ui.Label3);
    ui.frmNetA->setVisible(layout.protocolChoice);
    showChoice({ui.optDF1, ui.optModbus}, modbusA ? ui.optModbus : ui.optDF1);
    showSpeed(ui.cboCHASpeed, ui.lblCHASpeed, channelSpeeds(), m_record.NetSpeed);
    showAll({ui.lblStnNum, ui.lblOctal1}, layout.channelAStation);
    ui.cboStationNumber->setVisible(layout.channelAStation && !modbusA);
    ui.cboModbusAdd->setVisible(layout.channelAStation && modbusA);
    const QString octal = QStringLiteral("Octal");
    const QString decimal = QStringLiteral("Decimal");
    ui.lblOctal1->setText(modbusA ? decimal : octal);
    // The station and the Modbus address share their caption: the list not
    // shown goes by the caption and its own base.
    if (modbusA) {
        nameShownField(ui.lblStnNum, ui.cboModbusAdd, ui.cboStationNumber,
                       nameInBase(ui.lblStnNum, octal));
    } else {
        nameShownField(ui.lblStnNum, ui.cboStationNumber, ui.cboModbusAdd,
                       nameInBase(ui.lblStnNum, decimal));
    }
    showText(ui.cboStationNumber, addressText(m_record.StationNo));
    const std::optional<int> station = charCode(m_record.StationNo);
    showText(ui.cboModbusAdd, station ? QString::number(*station) : QString());

    // Channel B.
    ui.frmCHB->setTitle(latin1(layout.chbFrame));
    ui.Label4->setText(latin1(layout.chbSpeed));
    nameSpeedList(ui.cboCHBSpeed, ui.frmCHB, ui.Label4);
    ui.Command3->setText(latin1(layout.chbButton));
    showSpeed(ui.cboCHBSpeed, ui.lblCHBSpeed, channelSpeeds(), m_record.CHBSpeed);
    ui.frmBTI->setVisible(layout.brabenderTypes);
    showOptions(m_brabender);
    // The station box shows the station list's position + 1, in octal.
    const bool dfx = layout.channelC;
    showAll({ui.lblCHBStation, ui.txtCHBStation, ui.lblOctal2}, dfx);
    const std::optional<int> listed = listAddress(m_record.StationNo);
    ui.txtCHBStation->setText(
        listed ? QString::fromStdString(octalText(*listed - kFirstAddress + 1)) : QString());
    showAll({ui.lblPLCadd, ui.cboPLCadd, ui.lblOctal3, ui.cmdASCII}, layout.asciiDestination);
    showText(ui.cboPLCadd, addressText(m_record.HighAddress));
    ui.cmdModBus->setVisible(layout.modbusParameters);

    // Channel C.
    ui.frmCHC->setVisible(dfx);
    ui.cmdAsyncC->setText(QStringLiteral("SET/CHANGE DF1 PARAMETERS"));
    showSpeed(ui.cboCHCSpeed, ui.lblKbaudC, channelCSpeeds(), m_record.CHCSpeed);
    showText(ui.CboHighAddress, addressText(m_record.HighAddress));
}

// The channel dialogs as this editor opens them for the variant.
void CV310Params::layOutChannelDialog(ChannelDialog& dialog) {
    const VariantButton* chosen = chosenVariant();
    if (!chosen) {
        return;
    }
    const CV310Layout& layout = layoutOf(chosen->variant);
    const bool modbusA = channelAModbus(layout, m_record);
    switch (dialog.channel()) {
    case Channel::A:
        dialog.setWindowTitle(QString::fromLatin1(channelATexts(layout, modbusA).dialog));
        dialog.showSerialConnection(true);
        dialog.showErrorChecking(layout.df1ChannelA && !modbusA);
        dialog.showProtocolChoice(layout.df1ChannelA && !modbusA);
        break;
    case Channel::B:
        dialog.setWindowTitle(latin1(layout.chbTitle));
        dialog.showSerialConnection(layout.chbSerial);
        dialog.showErrorChecking(layout.df1ChannelB);
        dialog.showProtocolChoice(layout.df1ChannelB);
        break;
    case Channel::C:
        dialog.setWindowTitle(QStringLiteral("DF1 Parameters"));
        dialog.showErrorChecking(true);
        dialog.enableHandshaking(true);
        break;
    }
}

} // namespace cvcfg
