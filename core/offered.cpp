#include "core/offered.h"

#include "core/catalogue.h"
#include "core/decode.h"
#include "core/fields.h"

#include <algorithm>
#include <array>
#include <type_traits>

namespace cvcfg {

namespace {

constexpr std::array<Choice, 3> kRackSizes = {{{0, "1/4"}, {1, "1/2"}, {2, "FULL"}}};

// ---- the editors' offers, variant by variant ------------------------------------

using enum OperatingMode;

// The CV210 family's network buttons: DH+ and DH-485, or DH+ alone where the
// variant hides the DH-485 button. Its Remote I/O modes show neither and
// write NetType 1 themselves.
constexpr std::array<NetworkChoice, 2> kDHNetworks = {{
    {0, Network::DHPlus, RackRows::None},
    {1, Network::DH485, RackRows::None},
}};
constexpr std::span<const NetworkChoice> kDHPlusOnly = std::span(kDHNetworks).first(1);

// The CV-PCI card's network buttons.
constexpr std::array<NetworkChoice, 3> kCardNetworks = {{
    {0, Network::DHPlus, RackRows::None},
    {1, Network::RemoteIO, RackRows::NumberAndRange},
    {2, Network::DH485, RackRows::None},
}};

constexpr ModeChoice kDF1{0, DF1, "DF1", "", RackRows::None, false};
constexpr ModeChoice kBridging{1, Bridging, "bridging", "high address", RackRows::None, false};

constexpr std::array<ModeChoice, 2> kDF1Modes = {{kDF1, kBridging}};
constexpr std::array<ModeChoice, 2> kENIModes = {{
    {0, DF1, "DF1", "PLC/SLC node", RackRows::None, false},
    kBridging,
}};
constexpr std::array<ModeChoice, 1> kSLC504Modes = {{
    {0, DF1, "DF1", "SLC5/04 DH+ node", RackRows::None, true},
}};
constexpr std::array<ModeChoice, 2> kModbusModes = {{
    kDF1,
    {1, Modbus, "Modbus", "", RackRows::None, false},
}};
constexpr std::span<const ModeChoice> kModbusOnly = std::span(kModbusModes).last(1);
constexpr std::array<ModeChoice, 2> kKFRModes = {{
    kDF1,
    {4, RemoteIO, "Remote I/O adapter", "", RackRows::NumberRangeAndSize, false},
}};
constexpr std::array<ModeChoice, 2> kRMMModes = {{
    kDF1,
    {1, RemoteIO, "Remote I/O to Modbus master", "", RackRows::Number, false},
}};
constexpr std::array<ModeChoice, 2> kASCIIModes = {{
    kDF1,
    {1, Ascii, "ASCII", "PLC/SLC address", RackRows::None, false},
}};

// The channel lists: the CV210's channel B offers "300" to "115.2"; the
// CV310's channels A and B the standard rates to "230.4", its channel C to
// "38.4"; the CV320's channel A the standard rates; the card's two bus lists
// together "600" to "115.2".
constexpr CodeRange kNone{};
constexpr CodeRange kCV210ChannelB{3, 12};
constexpr CodeRange kStandardRates{3, 13};
constexpr CodeRange kCV310ChannelC{3, 10};
constexpr CodeRange kCardBus{4, 12};

// clang-format off
constexpr std::array<EditorOffer, 16> kOffers = {{
    // variant                 networks       modes          channel A       channel B       channel C
    {"CV210-MODBUS",         kDHNetworks,   kModbusModes,  kNone,          kCV210ChannelB, kNone},
    {"CV-PC/104-MODBUS",     kDHPlusOnly,   kModbusOnly,   kNone,          kNone,          kNone},
    {"CV210-KFR",            kDHNetworks,   kKFRModes,     kNone,          kCV210ChannelB, kNone},
    {"CV210-RMM",            kDHNetworks,   kRMMModes,     kNone,          kCV210ChannelB, kNone},
    {"CV210-ASCII",          kDHNetworks,   kASCIIModes,   kNone,          kCV210ChannelB, kNone},
    {"CV210-ENI",            kDHNetworks,   kENIModes,     kNone,          kCV210ChannelB, kNone},
    {"CV210-SLC5/04 Bridge", kDHPlusOnly,   kSLC504Modes,  kNone,          kCV210ChannelB, kNone},
    {"CV210-DF1",            kDHNetworks,   kDF1Modes,     kNone,          kCV210ChannelB, kNone},
    {"CV310-DMX",            {},            {},            kStandardRates, kStandardRates, kNone},
    {"CV310-MMX",            {},            {},            kStandardRates, kStandardRates, kNone},
    {"CV310-DFX",            {},            {},            kStandardRates, kStandardRates, kCV310ChannelC},
    {"CV310-BTI",            {},            {},            kStandardRates, kStandardRates, kNone},
    {"CV310-DF1",            {},            {},            kStandardRates, kStandardRates, kNone},
    {"CV310-DAS",            {},            {},            kStandardRates, kStandardRates, kNone},
    {"CV320-ME",             {},            {},            kStandardRates, kNone,          kNone},
    {"CV-PCI",               kCardNetworks, {},            kNone,          kCardBus,       kNone},
}};
// clang-format on

// The Remote I/O mode of the CV210 family, as its editor shows it.
constexpr NetworkChoice kRemoteIOMode{1, Network::RemoteIO, RackRows::None};

// ---- how the offers read ------------------------------------------------------------

std::string rangeText(int first, int last, bool octal) {
    std::string text = std::to_string(first) + " to " + std::to_string(last);
    if (octal) {
        text += " (octal " + octalText(first) + " to " + octalText(last) + ")";
    }
    return text;
}

std::string speedText(const SpeedCode& speed) {
    return std::string(speed.text) + " " + std::string(speed.unit);
}

// A short table names each code; a long run of codes names its ends.
std::string speedsText(std::span<const SpeedCode> speeds) {
    constexpr std::size_t kNamedEach = 3;
    const bool run = std::adjacent_find(speeds.begin(), speeds.end(),
                                        [](const SpeedCode& a, const SpeedCode& b) {
                                            return b.code != a.code + 1;
                                        }) == speeds.end();
    if (speeds.size() > kNamedEach && run) {
        return rangeText(speeds.front().code, speeds.back().code, false) + " (" +
               speedText(speeds.front()) + " to " + speedText(speeds.back()) + ")";
    }
    std::vector<std::string> parts;
    for (const SpeedCode& speed : speeds) {
        parts.push_back(std::to_string(speed.code) + " " + speedText(speed));
    }
    return joinTexts(parts);
}

template <typename Row> std::string choicesText(std::span<const Row> rows) {
    std::vector<std::string> parts;
    for (const Row& row : rows) {
        if constexpr (std::is_same_v<Row, NetworkChoice>) {
            parts.push_back(std::to_string(row.code) + " " + std::string(networkName(row.network)));
        } else {
            parts.push_back(std::to_string(row.code) + " " + std::string(row.name));
        }
    }
    return joinTexts(parts);
}

template <typename Row> const Row* findCode(std::span<const Row> rows, std::optional<int> code) {
    const auto found =
        std::find_if(rows.begin(), rows.end(), [code](const Row& row) { return row.code == code; });
    return found == rows.end() ? nullptr : &*found;
}

// Collects the fields whose values are not offered.
class Finding {
public:
    void range(std::string_view field, std::string_view meaning, std::optional<int> value,
               int first, int last, bool octal = false) {
        if (value && (*value < first || *value > last)) {
            add(field, meaning, *value, rangeText(first, last, octal));
        }
    }
    template <typename Row>
    void choices(std::string_view field, std::string_view meaning, std::optional<int> value,
                 std::span<const Row> rows) {
        if (value && !findCode(rows, value)) {
            add(field, meaning, *value, choicesText(rows));
        }
    }
    void speeds(std::string_view field, std::string_view meaning, std::optional<int> value,
                std::span<const SpeedCode> table) {
        if (value && !speedByCode(table, *value)) {
            add(field, meaning, *value, speedsText(table));
        }
    }

    std::vector<UnofferedValue> values;

private:
    void add(std::string_view field, std::string_view meaning, int value, std::string offered) {
        values.push_back({std::string(field), std::string(meaning), value, std::move(offered)});
    }
};

// The Modbus dialog's broadcast lists, A-B PLC type and address decode.
void findModbusEntries(const ConfigRecord& record, Finding& finding) {
    using namespace modbus_map;
    const auto entry = [&record](std::size_t index) {
        return std::optional<int>(record.ExtParams[index]);
    };
    finding.range(extParamName(kBroadcastStart), "broadcast start address", entry(kBroadcastStart),
                  0, kLastBroadcastAddress, true);
    finding.range(extParamName(kBroadcastEnd), "broadcast end address", entry(kBroadcastEnd), 0,
                  kLastBroadcastAddress, true);
    finding.range(extParamName(kPlcType), "A-B PLC type", entry(kPlcType), kPlc5, kSlc);
    finding.range(extParamName(kAddressDecode), "destination address decode", entry(kAddressDecode),
                  kDecodeSlcPlc, kDecodeMicro);
}

} // namespace

int lastStation(Network network) {
    constexpr int kLastDHPlus = 63;
    constexpr int kLastDH485 = 32;
    return network == Network::DH485 ? kLastDH485 : kLastDHPlus;
}

std::span<const Choice> rackSizes() {
    return kRackSizes;
}

const EditorOffer* editorOfferFor(const ConfigRecord& record) {
    const Variant* variant = variantOf(record);
    if (!variant) {
        return nullptr;
    }
    const auto* const row =
        std::find_if(kOffers.begin(), kOffers.end(),
                     [variant](const EditorOffer& o) { return o.variant == variant->name; });
    return row == kOffers.end() ? nullptr : &*row;
}

std::vector<UnofferedValue> valuesNotOffered(const ConfigRecord& record) {
    const EditorOffer* offer = editorOfferFor(record);
    if (!offer) {
        return {};
    }
    Finding finding;
    const std::optional<int> netType = charCode(record.NetType);
    const std::optional<int> modeCode = charCode(record.ModeBytes);

    // The mode decides what the rest of the form shows; a mode or network
    // the form does not offer is told, and the rest is read as the
    // variant's first choice shows it.
    const ModeChoice* mode = offer->modes.empty() ? nullptr : findCode(offer->modes, modeCode);
    const ModeChoice* shownMode =
        mode ? mode : (offer->modes.empty() ? nullptr : &offer->modes.front());
    const bool remoteIOMode = shownMode && shownMode->mode == OperatingMode::RemoteIO;
    const std::span<const NetworkChoice> networks =
        remoteIOMode ? std::span<const NetworkChoice>(&kRemoteIOMode, 1) : offer->networks;
    const NetworkChoice* network = findCode(networks, netType);
    const NetworkChoice* shownNetwork =
        network ? network : (networks.empty() ? nullptr : &networks.front());
    const RackRows racks = shownMode      ? shownMode->racks
                           : shownNetwork ? shownNetwork->racks
                                          : RackRows::None;

    if (!networks.empty()) {
        finding.choices("NetType", "network", netType, networks);
    }
    // The station or the first rack; the high address, or the range of racks.
    if (racks != RackRows::None) {
        finding.range("StationNo", "first Remote I/O rack number", charCode(record.StationNo),
                      kFirstRackNumber, kLastRackNumber, true);
    } else if (shownNetwork) {
        finding.range("StationNo", "station number", charCode(record.StationNo), 0,
                      lastStation(shownNetwork->network), true);
    }
    if (racks == RackRows::NumberAndRange || racks == RackRows::NumberRangeAndSize) {
        finding.range("HighAddress", "rack range (number of racks)", charCode(record.HighAddress),
                      1, block_transfer::kRacks);
    } else if (shownMode && !shownMode->highAddress.empty() && shownNetwork) {
        finding.range("HighAddress", shownMode->highAddress, charCode(record.HighAddress), 0,
                      lastStation(shownNetwork->network), true);
    }
    // The CV210's Remote I/O modes show no network speed.
    if (shownNetwork && !remoteIOMode) {
        finding.speeds("NetSpeed", "network speed", charCode(record.NetSpeed),
                       networkSpeeds(shownNetwork->network));
    } else if (!offer->channelA.empty()) {
        finding.speeds("NetSpeed", "channel A speed", charCode(record.NetSpeed),
                       serialSpeeds(offer->channelA.first, offer->channelA.last));
    }
    if (!offer->channelB.empty()) {
        finding.speeds("CHBSpeed", "channel B speed", charCode(record.CHBSpeed),
                       serialSpeeds(offer->channelB.first, offer->channelB.last));
    }
    if (const std::optional<int> channelC = charCode(record.CHCSpeed);
        !offer->channelC.empty() && channelC != 0) {
        finding.speeds("CHCSpeed", "channel C speed", channelC,
                       serialSpeeds(offer->channelC.first, offer->channelC.last));
    }
    finding.choices("ModeBytes", "operating mode", offer->modes.empty() ? std::nullopt : modeCode,
                    offer->modes);
    if (racks == RackRows::NumberRangeAndSize) {
        finding.choices("AuxChar", "rack size", charCode(record.AuxChar), rackSizes());
    }
    if (shownMode && shownMode->linkIds) {
        finding.range("AuxChar", "DH+ link ID", charCode(record.AuxChar), 0, kLastLinkId);
        finding.range("AuxValue", "DH-485 link ID", record.AuxValue, 0, kLastLinkId);
    }

    switch (sectionBFor(record)) {
    case SectionB::RegisterMap:
        findModbusEntries(record, finding);
        break;
    case SectionB::Brabender: {
        constexpr int kLastBrabenderType = 5; // S, M, LM, PT03, L, SA
        finding.range(extParamName(brabender::kType), "Brabender device type",
                      record.ExtParams[brabender::kType], 0, kLastBrabenderType);
        break;
    }
    case SectionB::None:
    case SectionB::AsciiTable:
    case SectionB::ExtendedBlock:
        break;
    }
    return finding.values;
}

std::string notOfferedNote(const UnofferedValue& value) {
    return std::string(kNotOffered) + ", which offers " + value.offered;
}

std::string notOfferedMessage(const ConfigRecord& record,
                              const std::vector<UnofferedValue>& values) {
    const Variant* variant = variantOf(record);
    const std::string product = variant ? std::string(variant->name) : record.ModelName;
    std::string text =
        "This configuration holds values that the " + product + " editor does not offer:\n";
    for (const UnofferedValue& value : values) {
        text += "- " + value.field + " (" + value.meaning + ") holds " +
                std::to_string(value.value) + "; the editor offers " + value.offered + "\n";
    }
    return text + "The forms cannot show these values. They are kept, and they will be "
                  "downloaded as they are unless you change them.";
}

} // namespace cvcfg
