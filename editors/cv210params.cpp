#include "editors/cv210params.h"

#include "core/catalogue.h"
#include "core/offered.h"
#include "editors/asciidatatable.h"
#include "editors/channeldialog.h"
#include "editors/df1dialog.h"
#include "editors/modbusprot.h"
#include "editors/shell.h"
#include "ui_cv210_params.h"

#include <algorithm>
#include <array>

namespace cvcfg {

namespace {

using Mode = CV210Params::Mode;

// A character field's code, or 0 for an empty field.
int code(const std::string& field) {
    return charCode(field).value_or(0);
}

// An entry read as a decimal number; text that is no number reads as 0.
int entryNumber(const ListBox* list) {
    return list->currentText().trimmed().toInt();
}

// A station, node or rack entry: two octal digits written as a decimal number.
int octalEntry(const ListBox* list) {
    return octalEntryValue(entryNumber(list));
}

QString octalQText(int value) {
    return QString::fromStdString(octalText(value));
}

// The code a mode writes into the first mode byte.
int modeCode(Mode mode, bool rioModbusMaster) {
    switch (mode) {
    case Mode::DF1:
        return 0;
    case Mode::RemoteIO:
        return rioModbusMaster ? 1 : 4;
    case Mode::Bridging:
    case Mode::Modbus:
    case Mode::Ascii:
        break;
    }
    return 1;
}

// The rack sizes of the Remote I/O adapter, by the code the record holds.
QStringList rackSizeTexts() {
    QStringList texts;
    for (const Choice& size : rackSizes()) {
        texts << latin1(size.name);
    }
    return texts;
}

// The code of a list's speed text in `table`, if the table has that text.
std::optional<int> speedCode(std::span<const SpeedCode> table, const QString& text) {
    const std::optional<SpeedCode> speed = speedByText(table, text.toStdString());
    return speed ? std::optional<int>(speed->code) : std::nullopt;
}

std::string modeBytes(int first) {
    return charField(first) + charField(0);
}

// The texts of the bus protocol frame and of channel B's dialog in a mode.
struct ModeTexts {
    const char* busTitle;
    const char* speedLabel;
    const char* channelButton;
    const char* channelTitle;
    const char* protocolTitle;
    bool protocolFrame;
    bool modbusButton;
};

constexpr ModeTexts kDF1Texts{"DF1 SERIAL/USB COMMUNICATION PROTOCOL",
                              "CHANNEL SERIAL SPEED",
                              "SET/CHANGE CHANNEL SERIAL PARAMETERS",
                              "DF1 SERIAL/USB PARAMETERS",
                              "ADVANCED DF1 PROTOCOL PARAMETERS",
                              true,
                              false};
constexpr ModeTexts kModbusTexts{"MODBUS RTU COMMUNICATION PROTOCOL",
                                 "MODBUS SERIAL SPEED",
                                 "SET/CHANGE MODBUS SERIAL PARAMETERS",
                                 "MODBUS SERIAL PARAMETERS",
                                 "ADVANCED MODBUS RTU PARAMETERS",
                                 true,
                                 true};
constexpr ModeTexts kAsciiTexts{"ASCII COMMUNICATION PROTOCOL",
                                "ASCII SERIAL SPEED",
                                "SET/CHANGE ASCII SERIAL PARAMETERS",
                                "ASCII SERIAL PARAMETERS",
                                "ADVANCED DF1 PROTOCOL PARAMETERS",
                                false,
                                false};
constexpr ModeTexts kModbusMasterTexts{"MODBUS SERIAL COMMUNICATION PROTOCOL",
                                       "MODBUS SERIAL SPEED",
                                       "SET/CHANGE MODBUS SERIAL PARAMETERS",
                                       "MODBUS SERIAL PARAMETERS",
                                       "ADVANCED DF1 PROTOCOL PARAMETERS",
                                       false,
                                       false};

// The Remote I/O mode of the Modbus master names its channel as the Modbus
// modes do; the bridging and the rack adapter modes keep the DF1 channel.
const ModeTexts& textsFor(std::optional<Mode> mode, bool rioModbusMaster) {
    if (mode == Mode::Modbus) {
        return kModbusTexts;
    }
    if (mode == Mode::Ascii) {
        return kAsciiTexts;
    }
    return mode == Mode::RemoteIO && rioModbusMaster ? kModbusMasterTexts : kDF1Texts;
}

} // namespace

// What a variant's set-up prepares in the editor, and what its modes do
// differently from the other variants'.
struct CV210Params::VariantLayout {
    std::string_view variant{};
    std::string_view caption{}; // X of "Configuration of [X] - MAIN MENU"
    std::optional<Mode> left{}; // the mode buttons at the two ends of the frame
    std::optional<Mode> right{};
    bool dh485 = true;              // DH-485 is offered beside DH+
    bool serialPort = true;         // the DF1 serial port and its protocol frame
    std::string_view nodeCaption{}; // the DF1 mode reaches a PLC/SLC node
    bool linkIds = false;           // the SLC5/04 passthru's link identifiers
    // Bridging occupies the node after the station too, as the high address.
    bool bridgeTakesNextNode = false;
    // The Remote I/O mode scans Modbus slaves ("RIO to Modbus Master")
    // instead of adapting a rack.
    bool rioModbusMaster = false;
    // The ASCII mode sends to a PLC/SLC address, with the ASCII data table.
    bool asciiDestination = false;
};

const CV210Params::VariantLayout& CV210Params::layout() const {
    static const std::array<VariantLayout, 8> layouts = {{
        {.variant = "CV210-DF1",
         .caption = "CV210-DF1",
         .left = Mode::DF1,
         .right = Mode::Bridging,
         .bridgeTakesNextNode = true},
        {.variant = "CV210-ENI",
         .caption = "CV210-ENI",
         .left = Mode::DF1,
         .right = Mode::Bridging,
         .nodeCaption = "PLC/SLC Node"},
        {.variant = "CV210-SLC5/04 Bridge",
         .caption = "CV210-SLC5/04",
         .left = Mode::DF1,
         .dh485 = false,
         .nodeCaption = "SLC5/04 DH+ Node #",
         .linkIds = true},
        {.variant = "CV210-MODBUS",
         .caption = "CV210-MODBUS",
         .left = Mode::DF1,
         .right = Mode::Modbus},
        {.variant = "CV-PC/104-MODBUS",
         .caption = "CV-PC/104-MODBUS",
         .right = Mode::Modbus,
         .dh485 = false,
         .serialPort = false},
        {.variant = "CV210-KFR",
         .caption = "CV210-KFR",
         .left = Mode::DF1,
         .right = Mode::RemoteIO},
        {.variant = "CV210-RMM",
         .caption = "CV210-RMM",
         .left = Mode::DF1,
         .right = Mode::RemoteIO,
         .rioModbusMaster = true},
        {.variant = "CV210-ASCII",
         .caption = "CV210-ASCII",
         .left = Mode::DF1,
         .right = Mode::Ascii,
         .asciiDestination = true},
    }};
    // Before a variant is chosen the form keeps its design.
    static const VariantLayout unprepared{};
    for (const VariantLayout& row : layouts) {
        if (row.variant == m_record.ModelVariant) {
            return row;
        }
    }
    return unprepared;
}

CV210Params::CV210Params(Dialogs& dialogs)
    : FamilyEditor(dialogs), m_ui(std::make_unique<Ui::CV210_Params>()) {
    m_ui->setupUi(this);
    m_designTitle = windowTitle();
    m_df1Tooltip = m_ui->optStandardDF1->toolTip();
    m_highAddressTooltip = m_ui->cboHighAddress->toolTip();

    // The adapter offers every rack size a record can hold, so that a file's
    // quarter or half rack is shown as it is downloaded.
    m_ui->cboRackSize->addItems(rackSizeTexts());
    // The entries every CV210 set-up adds to the channel B speeds.
    m_ui->cboAsyncSpeed->addItems(
        {QStringLiteral("38.4"), QStringLiteral("57.6"), QStringLiteral("115.2")});
    wireControls();
    showRecord();
}

CV210Params::~CV210Params() = default;

void CV210Params::wireControls() {
    Ui::CV210_Params& ui = *m_ui;
    using Handler = void (CV210Params::*)();
    const std::pair<OptionButton*, Handler> options[] = {
        {ui.optStandardDF1, &CV210Params::optStandardDF1_Click},
        {ui.optBridging, &CV210Params::optBridging_Click},
        {ui.optMODBUS, &CV210Params::optMODBUS_Click},
        {ui.optASC, &CV210Params::optASC_Click},
        {ui.optKFR, &CV210Params::optKFR_Click},
        {ui.optDHPlus, &CV210Params::optDHPlus_Click},
        {ui.optDH485, &CV210Params::optDH485_Click},
    };
    const std::pair<ListBox*, Handler> lists[] = {
        {ui.cboStationNumber, &CV210Params::cboStationNumber_Click},
        {ui.cboHighAddress, &CV210Params::cboHighAddress_Click},
        {ui.cboNetworkSpeed, &CV210Params::cboNetworkSpeed_Click},
        {ui.cboRackNum, &CV210Params::cboRackNum_Click},
        {ui.cboRackRange, &CV210Params::cboRackRange_Click},
        {ui.cboRackSize, &CV210Params::cboRackSize_Click},
        {ui.cboDHPLinkID, &CV210Params::cboDHPLinkID_Click},
        {ui.cboDH485LinkID, &CV210Params::cboDH485LinkID_Click},
        {ui.cboAsyncSpeed, &CV210Params::cboAsyncSpeed_Click},
    };
    wireHandlers(this, options);
    wireHandlers(this, lists);
    const std::pair<QPushButton*, Handler> buttons[] = {
        {ui.Command3, &CV210Params::Command3_Click},
        {ui.cmdProtParam, &CV210Params::cmdProtParam_Click},
        {ui.cmdModBus, &CV210Params::cmdModBus_Click},
        {ui.cmdASCII, &CV210Params::cmdASCII_Click},
        {ui.cmdEXIT, &CV210Params::cmdEXIT_Click},
    };
    wireHandlers(this, buttons);
    wireCommonControls({ui.cmdCONFIG, ui.cmdDOWNLOAD, ui.cmdRETURN, ui.lblStatus},
                       {"save_file", "open_file", "restore_configuration"});
}

// ---- what the record stands for ----------------------------------------------

std::optional<Mode> CV210Params::shownMode() const {
    const VariantLayout& variant = layout();
    const int first =
        m_record.ModeBytes.empty() ? 0 : static_cast<unsigned char>(m_record.ModeBytes[0]);
    for (const std::optional<Mode>& mode : {variant.right, variant.left}) {
        if (mode && modeCode(*mode, variant.rioModbusMaster) == first) {
            return mode;
        }
    }
    return std::nullopt;
}

Network CV210Params::shownNetwork() const {
    if (shownMode() == Mode::RemoteIO) {
        return Network::RemoteIO;
    }
    return code(m_record.NetType) == 1 ? Network::DH485 : Network::DHPlus;
}

// ---- what the choices write ------------------------------------------------------

void CV210Params::takeStation(int value) {
    m_record.StationNo = charField(value);
    // A bridging DF1 unit occupies the next node too: its high address.
    const int next = value + 1;
    if (layout().bridgeTakesNextNode && m_record.ModeBytes == modeBytes(1) &&
        next <= lastStation(shownNetwork())) {
        m_record.HighAddress = charField(next);
    }
}

void CV210Params::takeNetwork(Network network) {
    const bool dhPlus = network == Network::DHPlus;
    m_record.NetworkName = dhPlus ? "DH+" : "DH485";
    m_record.NetType = charField(dhPlus ? 0 : 1);
    takeStation(1);
    m_record.HighAddress = charField(2);
    if (dhPlus) {
        m_record.AuxChar = charField(1); // DH+ link ID 1
        m_record.AuxValue = 2;           // DH-485 link ID 2
    }
    m_record.NetSpeed = charField(
        speedCode(networkSpeeds(network), dhPlus ? QStringLiteral("57.6") : QStringLiteral("19.2"))
            .value_or(0));
    m_record.CHAParams = 0;
}

void CV210Params::takeMode(Mode mode) {
    // The Remote I/O mode reuses the network type: leaving it brings DH+ back.
    // The Modbus and ASCII modes run on DH+ only: from DH-485 they bring DH+
    // back the same way, so that no DH-485 speed code stays behind as a DH+
    // speed ("4800" has no DH+ code, "19.2" would become "115.2").
    const bool dhPlusOnly = mode == Mode::Modbus || mode == Mode::Ascii;
    if ((shownMode() == Mode::RemoteIO && mode != Mode::RemoteIO) ||
        (dhPlusOnly && shownNetwork() == Network::DH485)) {
        takeNetwork(Network::DHPlus);
    }
    m_record.CHCSpeed = charField(0);
    m_record.CHCParams = 0;
    switch (mode) {
    case Mode::DF1:
        m_record.HighAddress = charField(0);
        m_record.ModeBytes = modeBytes(0);
        m_record.NumText1 = "0";
        m_record.NumText2 = "0";
        m_record.AuxChar = charField(0);
        m_record.AuxValue = 0;
        break;
    case Mode::Bridging:
        m_record.HighAddress = charField(1);
        m_record.ModeBytes = modeBytes(1);
        takeStation(code(m_record.StationNo));
        break;
    case Mode::Modbus:
        m_record.NetType = charField(0);
        m_record.HighAddress = charField(0);
        m_record.ModeBytes = modeBytes(1);
        m_dialogs.modbus_prot().chooseStartOptions(true);
        break;
    case Mode::Ascii:
        m_record.NetType = charField(0);
        m_record.HighAddress = charField(0);
        m_record.ModeBytes = modeBytes(1);
        break;
    case Mode::RemoteIO: {
        const bool master = layout().rioModbusMaster;
        m_record.NetType = charField(1);
        m_record.NetSpeed = charField(8);
        m_record.CHAParams = 0;
        m_record.StationNo = charField(1); // rack 1
        m_record.ModeBytes = modeBytes(modeCode(mode, master));
        if (master) {
            m_record.AuxChar = charField(1);
            m_record.AuxValue = 2;
        } else {
            takeRackRange(m_record, 1);
            m_record.AuxChar = charField(2); // rack size FULL
        }
        break;
    }
    }
}

// ---- handlers ---------------------------------------------------------------------

void CV210Params::optStandardDF1_Click() {
    takeMode(Mode::DF1);
    showRecord();
}

void CV210Params::optBridging_Click() {
    takeMode(Mode::Bridging);
    showRecord();
}

void CV210Params::optMODBUS_Click() {
    takeMode(Mode::Modbus);
    showRecord();
}

void CV210Params::optASC_Click() {
    takeMode(Mode::Ascii);
    showRecord();
}

void CV210Params::optKFR_Click() {
    takeMode(Mode::RemoteIO);
    showRecord();
}

// The network buttons are shut in the Remote I/O mode; the set-ups still end
// by choosing DH+, and then the mode's own fields stand over the network's.
void CV210Params::optDHPlus_Click() {
    const bool remoteIO = shownMode() == Mode::RemoteIO;
    takeNetwork(Network::DHPlus);
    if (remoteIO) {
        takeMode(Mode::RemoteIO);
    }
    showRecord();
}

void CV210Params::optDH485_Click() {
    takeNetwork(Network::DH485);
    showRecord();
}

void CV210Params::cboStationNumber_Click() {
    takeStation(octalEntry(m_ui->cboStationNumber));
    showRecord();
}

void CV210Params::cboHighAddress_Click() {
    m_record.HighAddress = charField(octalEntry(m_ui->cboHighAddress));
    showRecord();
}

void CV210Params::cboNetworkSpeed_Click() {
    if (const std::optional<int> speed =
            speedCode(networkSpeeds(shownNetwork()), m_ui->cboNetworkSpeed->currentText())) {
        m_record.NetSpeed = charField(*speed);
    }
    m_record.CHAParams = 0;
    showRecord();
}

void CV210Params::cboRackNum_Click() {
    m_record.StationNo = charField(octalEntry(m_ui->cboRackNum));
    showRecord();
}

void CV210Params::cboRackRange_Click() {
    takeRackRange(m_record, entryNumber(m_ui->cboRackRange));
    showRecord();
}

void CV210Params::cboRackSize_Click() {
    for (const Choice& size : rackSizes()) {
        if (latin1(size.name) == m_ui->cboRackSize->currentText()) {
            m_record.AuxChar = charField(size.code);
        }
    }
    showRecord();
}

void CV210Params::cboDHPLinkID_Click() {
    m_record.AuxChar = charField(entryNumber(m_ui->cboDHPLinkID) & 0xFF);
    showRecord();
}

void CV210Params::cboDH485LinkID_Click() {
    m_record.AuxValue = entryNumber(m_ui->cboDH485LinkID);
    showRecord();
}

void CV210Params::cboAsyncSpeed_Click() {
    if (const std::optional<int> speed =
            speedCode(SpeedCodeTable(), m_ui->cboAsyncSpeed->currentText())) {
        m_record.CHBSpeed = charField(*speed);
    }
    showRecord();
}

void CV210Params::Command3_Click() {
    openDialog(m_dialogs.paramConfigB());
}

void CV210Params::cmdProtParam_Click() {
    openDialog(m_dialogs.df_Param());
}

void CV210Params::cmdModBus_Click() {
    hide();
    m_dialogs.modbus_prot().showDialog();
}

void CV210Params::cmdASCII_Click() {
    openDialog(m_dialogs.ASCII_DataTable());
}

void CV210Params::cmdEXIT_Click() {
    m_dialogs.shell().endProgram();
}

// ---- file menu and defaults ---------------------------------------------------------

void CV210Params::restore_configuration() {
    m_dialogs.shell().UpdateParameters();
    // The variant's own starting mode: DF1, or Modbus on the card that has no
    // DF1 port.
    const VariantLayout& variant = layout();
    chooseMode(variant.left.value_or(variant.right.value_or(Mode::DF1)));
}

// The model's step of the defaults: the network and channel B speed lists'
// defaults stand for the codes the main menu has already set, so nothing
// more is stored; the menu shows the record once the dialogs are reset.
void CV210Params::UpdateParameters() {}

void CV210Params::showLoadedRecord() {
    const Network network = shownNetwork();
    if (network != Network::RemoteIO) {
        m_record.NetworkName = network == Network::DH485 ? "DH485" : "DH+";
    }
    showRecord();
}

void CV210Params::chooseMode(Mode mode) {
    Ui::CV210_Params& ui = *m_ui;
    const std::array<OptionButton*, 5> buttons = {ui.optStandardDF1, ui.optBridging, ui.optMODBUS,
                                                  ui.optASC, ui.optKFR};
    reselect(buttons[static_cast<std::size_t>(mode)]);
}

void CV210Params::chooseNetwork(Network network) {
    reselect(network == Network::DH485 ? m_ui->optDH485 : m_ui->optDHPlus);
}

// ---- showing the record ----------------------------------------------------------------

void CV210Params::showRecord() {
    const VariantLayout& variant = layout();
    setWindowTitle(
        variant.caption.empty()
            ? m_designTitle
            : QStringLiteral("Configuration of [%1] - MAIN MENU").arg(latin1(variant.caption)));
    showModes();
    showNetwork();
    showAddresses();
    showRemoteIO();
    showBusProtocol();
}

void CV210Params::showModes() {
    Ui::CV210_Params& ui = *m_ui;
    const VariantLayout& variant = layout();
    const std::array<OptionButton*, 5> buttons = {ui.optStandardDF1, ui.optBridging, ui.optMODBUS,
                                                  ui.optASC, ui.optKFR};
    const auto button = [&buttons](std::optional<Mode> mode) -> OptionButton* {
        return mode ? buttons[static_cast<std::size_t>(*mode)] : nullptr;
    };
    OptionButton* left = button(variant.left);
    OptionButton* right = button(variant.right);
    ui.frmMode->setVisible(left || right);

    // The left mode before the spacer, the right one at the far end.
    QHBoxLayout* frame = ui.modeLayout;
    std::vector<QWidget*> order;
    if (left) {
        order.push_back(left);
    }
    for (QWidget* other :
         std::initializer_list<QWidget*>{ui.optStandardDF1, ui.optBridging, ui.optMODBUS, ui.optASC,
                                         ui.optBTI, ui.optK2F, ui.optKFR}) {
        if (other != left && other != right) {
            order.push_back(other);
        }
    }
    if (right) {
        order.push_back(right);
    }
    const bool wide = left && !right; // the only mode takes the whole frame
    const int spacerAt = left ? 1 : 0;
    bool placed = frame->stretch(0) == (wide ? 1 : 0);
    for (std::size_t i = 0; placed && i < order.size(); ++i) {
        const int at = static_cast<int>(i) + (static_cast<int>(i) >= spacerAt ? 1 : 0);
        placed = frame->itemAt(at) && frame->itemAt(at)->widget() == order[i];
    }
    if (!placed) {
        for (QWidget* widget : order) {
            frame->removeWidget(widget);
        }
        for (std::size_t i = 0; i < order.size(); ++i) {
            const int at = static_cast<int>(i) + (static_cast<int>(i) >= spacerAt ? 1 : 0);
            frame->insertWidget(at, order[i], wide && order[i] == left ? 1 : 0);
        }
    }
    for (OptionButton* mode : buttons) {
        mode->setVisible(mode == left || mode == right);
    }
    showChoice({ui.optStandardDF1, ui.optBridging, ui.optMODBUS, ui.optASC, ui.optKFR},
               button(shownMode()));

    const bool dh485 = shownNetwork() == Network::DH485;
    const QString network = dh485 ? QStringLiteral("DH-485") : QStringLiteral("DH+");
    ui.optStandardDF1->setText(latin1(m_record.BridgeCaption) +
                               (dh485 ? QStringLiteral("DH485") : QStringLiteral("DH+")));
    ui.optStandardDF1->setToolTip(
        variant.linkIds ? QStringLiteral("Access a single DH-485 device by using the standard DF1 "
                                         "driver and DH+ via a SLC5/04 Passthru.")
                        : m_df1Tooltip);
    ui.optBridging->setText(QStringLiteral("BRIDGING (DF1 to %1)").arg(network));
    ui.optMODBUS->setText(QStringLiteral("MODBUS to %1").arg(network));
    ui.optASC->setText(QStringLiteral("ASCII to %1").arg(network));
    ui.optKFR->setText(variant.rioModbusMaster ? QStringLiteral("RIO to Modbus Master")
                                               : QStringLiteral("RIO ADAPTER (DF1 to RIO)"));
}

void CV210Params::showNetwork() {
    Ui::CV210_Params& ui = *m_ui;
    const VariantLayout& variant = layout();
    const Network network = shownNetwork();
    const bool remoteIO = network == Network::RemoteIO;
    ui.frmNetProt->setTitle(remoteIO ? QStringLiteral("AB RIO NETWORK PARAMETERS")
                            : network == Network::DH485
                                ? QStringLiteral("AB DH-485 NETWORK PARAMETERS")
                                : QStringLiteral("AB DH+ NETWORK PARAMETERS"));
    ui.optDH485->setVisible(variant.dh485);
    for (OptionButton* button : {ui.optDHPlus, ui.optDH485}) {
        button->setEnabled(!remoteIO);
    }
    showChoice({ui.optDHPlus, ui.optDH485}, remoteIO                    ? nullptr
                                            : network == Network::DH485 ? ui.optDH485
                                                                        : ui.optDHPlus);

    showAll({ui.lblNetSpeed, ui.cboNetworkSpeed, ui.lblKbaud}, !remoteIO);
    const std::span<const SpeedCode> table = networkSpeeds(remoteIO ? Network::DHPlus : network);
    QStringList speeds;
    for (const SpeedCode& speed : table) {
        speeds << latin1(speed.text);
    }
    showEntries(ui.cboNetworkSpeed, speeds);
    const std::optional<SpeedCode> shown = speedByCode(table, code(m_record.NetSpeed));
    showText(ui.cboNetworkSpeed, shown ? latin1(shown->text) : QString());
    ui.lblKbaud->setText(shown && shown->unit == "Baud" ? QStringLiteral("Baud")
                                                        : QStringLiteral("KBaud"));
}

void CV210Params::showAddresses() {
    Ui::CV210_Params& ui = *m_ui;
    const VariantLayout& variant = layout();
    const Network network = shownNetwork();
    const std::optional<Mode> mode = shownMode();
    const int last = lastStation(network);
    const QStringList addresses = octalEntries(last);

    showAll({ui.lblStnNum, ui.cboStationNumber, ui.lblOctal1, ui.txtDecimal, ui.lblDecimal},
            network != Network::RemoteIO);
    ui.lblStnNum->setText(variant.linkIds ? QStringLiteral("DH+/DH485 Device #")
                                          : QStringLiteral("Network Address"));
    ui.txtDecimal->setAccessibleName(nameInBase(ui.lblStnNum, ui.lblDecimal->text()));
    const std::optional<int> station = charCode(m_record.StationNo);
    showEntries(ui.cboStationNumber, addresses);
    showText(ui.cboStationNumber, station && *station <= last ? octalQText(*station) : QString());
    ui.txtDecimal->setText(station ? QString::number(*station) : QString());

    // The high-address row names what the mode or the variant uses it for.
    QString caption;
    if (mode == Mode::Bridging) {
        caption = QStringLiteral("High Address");
    } else if (mode == Mode::Ascii && variant.asciiDestination) {
        caption = QStringLiteral("PLC/SLC Address");
    } else if (mode != Mode::RemoteIO) {
        caption = latin1(variant.nodeCaption);
    }
    const bool asciiTarget = mode == Mode::Ascii && !caption.isEmpty();
    showAll({ui.lblHighAddress, ui.cboHighAddress, ui.lblOctal, ui.txtDecHigh, ui.lblDecHigh},
            !caption.isEmpty());
    if (!caption.isEmpty()) {
        ui.lblHighAddress->setText(caption);
    }
    ui.txtDecHigh->setAccessibleName(nameInBase(ui.lblHighAddress, ui.lblDecHigh->text()));
    ui.cboHighAddress->setToolTip(
        asciiTarget ? QStringLiteral("Station number of the PLC on the DH+ network where the "
                                     "Corvane will send the data")
                    : m_highAddressTooltip);
    const std::optional<int> high = charCode(m_record.HighAddress);
    showEntries(ui.cboHighAddress, addresses);
    showText(ui.cboHighAddress, high && *high <= last ? octalQText(*high) : QString());
    ui.txtDecHigh->setText(high ? QString::number(*high) : QString());
    ui.cmdASCII->setVisible(asciiTarget);

    // The SLC5/04 passthru's link identifiers stand on the station row.
    const bool linkIds = variant.linkIds && mode != Mode::RemoteIO;
    QGridLayout* grid = ui.netLayout;
    if (linkIds) {
        placeInGrid(grid, ui.lblRackNum, 1, 5);
        placeInGrid(grid, ui.cboDHPLinkID, 1, 6);
        placeInGrid(grid, ui.lblRackSize, 1, 7);
        placeInGrid(grid, ui.cboDH485LinkID, 1, 8);
    } else {
        placeInGrid(grid, ui.lblRackNum, 4, 0);
        placeInGrid(grid, ui.cboDHPLinkID, 4, 2);
        placeInGrid(grid, ui.lblRackSize, 5, 0);
        placeInGrid(grid, ui.cboDH485LinkID, 5, 2);
    }
    showAll({ui.cboDHPLinkID, ui.cboDH485LinkID}, linkIds);
    const QStringList ids = [] {
        QStringList entries;
        for (int id = 0; id <= kLastLinkId; ++id) {
            entries << QString::number(id);
        }
        return entries;
    }();
    showEntries(ui.cboDHPLinkID, ids);
    showText(ui.cboDHPLinkID, QString::number(code(m_record.AuxChar)));
    showEntries(ui.cboDH485LinkID, ids);
    showText(ui.cboDH485LinkID, QString::number(m_record.AuxValue));
}

void CV210Params::showRemoteIO() {
    Ui::CV210_Params& ui = *m_ui;
    const VariantLayout& variant = layout();
    const bool remoteIO = shownMode() == Mode::RemoteIO;
    const bool adapter = remoteIO && !variant.rioModbusMaster;
    const bool linkIds = variant.linkIds && !remoteIO;

    // The two rows caption the passthru's link IDs where it shows them, and
    // the rack number and size elsewhere.
    const QString rackNumber = QStringLiteral("RACK NUMBER");
    const QString dhPlusLinkId = QStringLiteral("DH+ LinkID");
    const QString rackSize = QStringLiteral("RACK SIZE");
    const QString dh485LinkId = QStringLiteral("DH-485 LinkID");
    ui.lblRackNum->setVisible(remoteIO || linkIds);
    ui.lblRackNum->setText(linkIds ? dhPlusLinkId : rackNumber);
    ui.lblRackSize->setVisible(adapter || linkIds);
    ui.lblRackSize->setText(linkIds ? dh485LinkId : rackSize);
    if (linkIds) {
        nameShownField(ui.lblRackNum, ui.cboDHPLinkID, ui.cboRackNum, rackNumber);
        nameShownField(ui.lblRackSize, ui.cboDH485LinkID, ui.cboRackSize, rackSize);
    } else {
        nameShownField(ui.lblRackNum, ui.cboRackNum, ui.cboDHPLinkID, dhPlusLinkId);
        nameShownField(ui.lblRackSize, ui.cboRackSize, ui.cboDH485LinkID, dh485LinkId);
    }
    ui.cboRackNum->setVisible(remoteIO);
    for (QWidget* control :
         std::initializer_list<QWidget*>{ui.cboRackSize, ui.lblRackRange, ui.cboRackRange}) {
        control->setVisible(adapter);
    }
    ui.cboRackSize->setEnabled(adapter);
    ui.cboRackRange->setEnabled(adapter);

    showText(ui.cboRackNum, octalQText(code(m_record.StationNo)));
    showText(ui.cboRackRange, QString::number(code(m_record.HighAddress)));
    QString size;
    for (const Choice& row : rackSizes()) {
        if (row.code == code(m_record.AuxChar)) {
            size = latin1(row.name);
        }
    }
    showText(ui.cboRackSize, size);
}

void CV210Params::showBusProtocol() {
    Ui::CV210_Params& ui = *m_ui;
    const ModeTexts& texts = textsFor(shownMode(), layout().rioModbusMaster);
    // The card has no DF1 serial port: its protocol frame moves up.
    ui.frmBusProt->setVisible(layout().serialPort);
    ui.frmBusProt->setTitle(QString::fromLatin1(texts.busTitle));
    ui.Label1->setText(QString::fromLatin1(texts.speedLabel));
    ui.Command3->setText(QString::fromLatin1(texts.channelButton));
    ui.frmProtParam->setVisible(texts.protocolFrame);
    ui.frmProtParam->setTitle(QString::fromLatin1(texts.protocolTitle));
    ui.cmdProtParam->setVisible(!texts.modbusButton);
    ui.cmdModBus->setVisible(texts.modbusButton);

    QString shown;
    QString unit = QStringLiteral("Baud");
    if (const std::optional<SpeedCode> speed =
            speedByCode(SpeedCodeTable(), code(m_record.CHBSpeed))) {
        shown = latin1(speed->text);
        unit = latin1(speed->unit);
    }
    showText(ui.cboAsyncSpeed, shown);
    ui.lblKbaud2->setText(unit);
}

// Channel B is the editor's serial channel, named after the mode's protocol.
void CV210Params::layOutChannelDialog(ChannelDialog& dialog) {
    if (dialog.channel() != Channel::B) {
        return;
    }
    const ModeTexts& texts = textsFor(shownMode(), layout().rioModbusMaster);
    dialog.setWindowTitle(QString::fromLatin1(texts.channelTitle));
    dialog.showSerialConnection(true);
    dialog.showErrorChecking(false);
    dialog.showProtocolChoice(false);
}

void CV210Params::layOutDF1Dialog(DF1Dialog& dialog) {
    dialog.showSingleChannel();
}

} // namespace cvcfg
