#include "editors/cvpciparams.h"

#include "core/catalogue.h"
#include "core/offered.h"
#include "editors/df1dialog.h"
#include "editors/riobt.h"
#include "editors/shell.h"
#include "ui_cvpci_params.h"

#include <array>

namespace cvcfg {

namespace {

constexpr std::string_view kModel = "CV-PCI";

// The card's network codes.
constexpr std::array<std::pair<Network, int>, 3> kNetTypes = {{
    {Network::DHPlus, 0},
    {Network::RemoteIO, 1},
    {Network::DH485, 2},
}};

int netType(Network network) {
    for (const auto& [row, code] : kNetTypes) {
        if (row == network) {
            return code;
        }
    }
    return 0;
}

// The bus emulation speeds (4800 to 115.2) and the card's RS-232C speeds
// (600 to 19.2); both lists store into CHBSpeed.
std::span<const SpeedCode> busSpeeds() {
    constexpr int kFirst = 7;
    constexpr int kLast = 12;
    return serialSpeeds(kFirst, kLast);
}
std::span<const SpeedCode> asyncSpeeds() {
    constexpr int kFirst = 4;
    constexpr int kLast = 9;
    return serialSpeeds(kFirst, kLast);
}

QStringList texts(std::span<const SpeedCode> table) {
    QStringList entries;
    for (const SpeedCode& speed : table) {
        entries << latin1(speed.text);
    }
    return entries;
}

int appCode() {
    return catalogueRow(kModel).AppCode;
}

} // namespace

CVPCIParams::CVPCIParams(Dialogs& dialogs)
    : FamilyEditor(dialogs), m_ui(std::make_unique<Ui::CVPCI_Params>()) {
    m_ui->setupUi(this);
    Ui::CVPCI_Params& ui = *m_ui;
    ui.cboRackNum->addItems(octalEntries(kLastRackNumber).mid(kFirstRackNumber));
    for (int racks = 1; racks <= block_transfer::kRacks; ++racks) {
        ui.cboRackRange->addItem(QString::number(racks));
    }
    ui.cboBusSpeed->addItems(texts(busSpeeds()));
    ui.cboAsyncSpeed->addItems(texts(asyncSpeeds()));
    ui.txtDecimal->setAccessibleName(nameInBase(ui.lblStnNum, ui.lblDecimal->text()));

    using Handler = void (CVPCIParams::*)();
    const std::pair<OptionButton*, Handler> options[] = {
        {ui.optDH, &CVPCIParams::optDH_Click},
        {ui.optDH485, &CVPCIParams::optDH485_Click},
        {ui.optRIO, &CVPCIParams::optRIO_Click},
    };
    const std::pair<ListBox*, Handler> lists[] = {
        {ui.cboStationNumber, &CVPCIParams::cboStationNumber_Click},
        {ui.cboRackNum, &CVPCIParams::cboRackNum_Click},
        {ui.cboRackRange, &CVPCIParams::cboRackRange_Click},
        {ui.cboNetworkSpeed, &CVPCIParams::cboNetworkSpeed_Click},
        {ui.cboBusSpeed, &CVPCIParams::cboBusSpeed_Click},
        {ui.cboAsyncSpeed, &CVPCIParams::cboAsyncSpeed_Click},
    };
    wireHandlers(this, options);
    wireHandlers(this, lists);
    const std::pair<QPushButton*, Handler> buttons[] = {
        {ui.cmdDF1Param, &CVPCIParams::cmdDF1Param_Click},
        {ui.cmdRioBt, &CVPCIParams::cmdRioBt_Click},
        {ui.cmdEXIT, &CVPCIParams::cmdEXIT_Click},
    };
    wireHandlers(this, buttons);
    wireCommonControls({ui.cmdCONFIG, ui.cmdDOWNLOAD, ui.cmdRETURN, ui.lblStatus},
                       {"save", "open", "restore_settings"});
    showRecord();
}

CVPCIParams::~CVPCIParams() = default;

// ---- what the choices write ---------------------------------------------------------

void CVPCIParams::takeStation(int station) {
    m_record.StationNo = charField(station);
    m_record.HighAddress = charField(0);
}

void CVPCIParams::takeNetworkSpeed(Network network, const QString& text) {
    if (const std::optional<SpeedCode> speed =
            speedByText(networkSpeeds(network), text.toStdString())) {
        m_record.NetSpeed = charField(speed->code);
    }
    m_record.CHAParams = 0;
}

void CVPCIParams::takeBusSpeed(const QString& text) {
    m_record.CHBParams = 0;
    if (const std::optional<SpeedCode> speed = speedByText(busSpeeds(), text.toStdString())) {
        m_record.CHBSpeed = charField(speed->code);
    }
}

// ---- handlers -----------------------------------------------------------------------------

// Every field the network buttons own, written whichever network was shown
// before, so that the record depends only on the network chosen: station
// "1", the network's first (DH-485: its fastest) speed, and no block
// transfers but on the Remote I/O adapter, which starts as rack "1" with a
// range of one full rack.
void CVPCIParams::takeNetwork(Network network, const QString& speed) {
    const bool remoteIO = network == Network::RemoteIO;
    m_record.AppCode = charField(appCode());
    m_record.NetType = charField(netType(network));
    takeStation(1);
    takeNetworkSpeed(network, speed);
    std::fill_n(m_record.ExtParams.begin(),
                block_transfer::kRacks * block_transfer::kEntriesPerRack, 0);
    if (remoteIO) {
        takeRackRange(m_record, 1);
    }
    m_record.ModeBytes = charField(remoteIO ? 4 : 0) + charField(0);
    m_record.NumText2 = "0";
    m_record.NumText1 = "0";
    m_record.AuxValue = 0;
    m_record.AuxChar = charField(remoteIO ? 2 : 0);
}

void CVPCIParams::optDH_Click() {
    takeNetwork(Network::DHPlus, QStringLiteral("57.6"));
    showRecord();
}

void CVPCIParams::optDH485_Click() {
    m_record.NetworkName = "DH485";
    takeNetwork(Network::DH485, QStringLiteral("19.2"));
    showRecord();
}

void CVPCIParams::optRIO_Click() {
    takeNetwork(Network::RemoteIO, QStringLiteral("57.6"));
    showRecord();
}

void CVPCIParams::cboStationNumber_Click() {
    takeStation(octalEntryValue(m_ui->cboStationNumber->currentText().toInt()));
    showRecord();
}

void CVPCIParams::cboRackNum_Click() {
    m_record.StationNo = charField(octalEntryValue(m_ui->cboRackNum->currentText().toInt()));
    showRecord();
}

void CVPCIParams::cboRackRange_Click() {
    takeRackRange(m_record, m_ui->cboRackRange->currentText().toInt());
    showRecord();
}

void CVPCIParams::cboNetworkSpeed_Click() {
    takeNetworkSpeed(shownNetwork().value_or(Network::DHPlus),
                     m_ui->cboNetworkSpeed->currentText());
    showRecord();
}

void CVPCIParams::cboBusSpeed_Click() {
    takeBusSpeed(m_ui->cboBusSpeed->currentText());
    showRecord();
}

void CVPCIParams::cboAsyncSpeed_Click() {
    if (const std::optional<SpeedCode> speed =
            speedByText(asyncSpeeds(), m_ui->cboAsyncSpeed->currentText().toStdString())) {
        m_record.CHBSpeed = charField(speed->code);
    }
    showRecord();
}

void CVPCIParams::cmdDF1Param_Click() {
    openDialog(m_dialogs.df_Param());
}

void CVPCIParams::cmdRioBt_Click() {
    RioBt& map = m_dialogs.rio_bt();
    map.prepare();
    openDialog(map);
}

void CVPCIParams::cmdEXIT_Click() {
    m_dialogs.shell().endProgram();
}

// ---- set-ups, defaults and loading ------------------------------------------------

void CVPCIParams::chooseNetwork(Network network) {
    Ui::CVPCI_Params& ui = *m_ui;
    reselect(network == Network::DH485      ? ui.optDH485
             : network == Network::RemoteIO ? ui.optRIO
                                            : ui.optDH);
}

void CVPCIParams::chooseNetworkSpeed(const QString& text) {
    takeNetworkSpeed(shownNetwork().value_or(Network::DHPlus), text);
    showRecord();
}

void CVPCIParams::chooseBusSpeed(const QString& text) {
    takeBusSpeed(text);
    showRecord();
}

// The card's step of the main menu's defaults: DH+ (station "1", 57.6 on
// the highway, no block transfers) and 38.4 on the bus.
void CVPCIParams::UpdateParameters() {
    chooseNetwork(Network::DHPlus);
    chooseBusSpeed(QStringLiteral("38.4"));
}

void CVPCIParams::restore_configuration() {
    m_dialogs.shell().UpdateParameters();
}

// A file or an upload carries neither the application code nor the network
// name: they are the network button's, as choosing it again would leave them.
void CVPCIParams::showLoadedRecord() {
    m_record.AppCode = charField(appCode());
    if (shownNetwork() == Network::DH485) {
        m_record.NetworkName = "DH485";
    }
    showRecord();
}

// ---- showing the record -------------------------------------------------------------

std::optional<Network> CVPCIParams::shownNetwork() const {
    const std::optional<int> code = charCode(m_record.NetType);
    for (const auto& [network, netCode] : kNetTypes) {
        if (code == netCode) {
            return network;
        }
    }
    return std::nullopt;
}

void CVPCIParams::showRecord() {
    Ui::CVPCI_Params& ui = *m_ui;
    const std::optional<Network> shown = shownNetwork();
    const Network network = shown.value_or(Network::DHPlus);
    const bool remoteIO = network == Network::RemoteIO;
    const bool dh485 = network == Network::DH485;
    showChoice({ui.optDH, ui.optDH485, ui.optRIO}, !shown     ? nullptr
                                                   : dh485    ? ui.optDH485
                                                   : remoteIO ? ui.optRIO
                                                              : ui.optDH);
    ui.frmNetProt->setTitle(remoteIO ? QStringLiteral("AB RIO ADAPTER NETWORK PARAMETERS")
                            : dh485  ? QStringLiteral("AB DH-485 NETWORK PARAMETERS")
                                     : QStringLiteral("AB DH+ NETWORK PARAMETERS"));
    ui.Label2->setText(remoteIO ? QStringLiteral("RIO NETWORK SPEED")
                       : dh485  ? QStringLiteral("DH-485 NETWORK SPEED")
                                : QStringLiteral("DH+ NETWORK SPEED"));

    // The station, or the first rack and the range of racks.
    showAll({ui.lblStnNum, ui.cboStationNumber}, !remoteIO);
    showAll({ui.txtDecimal, ui.lblDecimal}, dh485);
    showAll({ui.lblRackNum, ui.cboRackNum, ui.lblRackRange, ui.cboRackRange, ui.lblRackSize,
             ui.txtRackMenu, ui.cmdRioBt},
            remoteIO);
    ui.cboRackRange->setEnabled(remoteIO);
    placeInGrid(ui.netLayout, ui.Label3, remoteIO ? 1 : 0, 2);
    const std::optional<int> station = charCode(m_record.StationNo);
    showEntries(ui.cboStationNumber, octalEntries(lastStation(network)));
    showText(ui.cboStationNumber, station && *station <= lastStation(network)
                                      ? QString::fromStdString(octalText(*station))
                                      : QString());
    ui.txtDecimal->setText(station ? QString::number(*station) : QString());
    showText(ui.cboRackNum, station && *station >= kFirstRackNumber && *station <= kLastRackNumber
                                ? QString::fromStdString(octalText(*station))
                                : QString());
    const std::optional<int> racks = charCode(m_record.HighAddress);
    showText(ui.cboRackRange, racks ? QString::number(*racks) : QString());

    const std::span<const SpeedCode> speeds = networkSpeeds(network);
    showEntries(ui.cboNetworkSpeed, texts(speeds));
    const std::optional<SpeedCode> speed =
        speedByCode(speeds, charCode(m_record.NetSpeed).value_or(0));
    showText(ui.cboNetworkSpeed, speed ? latin1(speed->text) : QString());
    ui.lblKbaud->setText(speed ? latin1(speed->unit) : QStringLiteral("Kbaud"));

    // Both bus lists show the one CHBSpeed, each where it has the entry.
    const int busCode = charCode(m_record.CHBSpeed).value_or(0);
    const std::optional<SpeedCode> bus = speedByCode(busSpeeds(), busCode);
    const std::optional<SpeedCode> async = speedByCode(asyncSpeeds(), busCode);
    showText(ui.cboBusSpeed, bus ? latin1(bus->text) : QString());
    showText(ui.cboAsyncSpeed, async ? latin1(async->text) : QString());
    // A unit stands beside the list that shows the speed only.
    ui.lblKbaud2->setText(bus ? latin1(bus->unit) : QString());
    ui.lblAsyncUnit->setText(async ? latin1(async->unit) : QString());
}

void CVPCIParams::layOutDF1Dialog(DF1Dialog& dialog) {
    dialog.showSingleChannel();
}

} // namespace cvcfg
