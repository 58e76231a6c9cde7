#include "core/decode.h"

#include "core/catalogue.h"
#include "core/fields.h"

#include <array>
#include <cstdio>

namespace cvcfg {

std::string hexByte(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(value) & 0xFFu);
    return text;
}

std::string joinTexts(const std::vector<std::string>& parts, std::string_view separator) {
    std::string text;
    for (const std::string& part : parts) {
        if (!text.empty()) {
            text += separator;
        }
        text += part;
    }
    return text;
}

std::optional<int> fieldCode(const ConfigRecord& record, std::string_view name) {
    const Expected<uint8_t> byte = fieldByte(record, *findByteField(name));
    return byte ? std::optional<int>(*byte) : std::nullopt;
}

std::string codeText(const ConfigRecord& record, std::string_view name) {
    const Expected<uint8_t> byte = fieldByte(record, *findByteField(name));
    if (!byte) {
        return std::string(name) + " (" + byte.error() + ")";
    }
    return std::string(name) + " " + std::to_string(*byte);
}

std::string octalNote(std::optional<int> value) {
    return value ? " (octal " + octalText(*value) + ")" : "";
}

std::string speedNote(std::span<const SpeedCode> table, std::optional<int> code,
                      bool unusedAtZero) {
    if (!code) {
        return "";
    }
    if (*code == 0 && unusedAtZero) {
        return ": not used";
    }
    const std::optional<SpeedCode> speed = speedByCode(table, *code);
    return speed ? ": " + std::string(speed->text) + " " + std::string(speed->unit)
                 : ": not a known speed code";
}

std::optional<Network> networkOf(const ConfigRecord& record) {
    const std::optional<int> type = fieldCode(record, "NetType");
    const Family* family = familyOf(record);
    if (!type || !family) {
        return std::nullopt;
    }
    switch (family->networks) {
    case NetworkCoding::Card:
        switch (*type) {
        case 0:
            return Network::DHPlus;
        case 1:
            return Network::RemoteIO;
        case 2:
            return Network::DH485;
        default:
            return std::nullopt;
        }
    case NetworkCoding::Converter: {
        // A variant's Remote I/O mode reuses NetType 1.
        const Variant* variant = variantOf(record);
        const std::optional<int> mode = charCode(record.ModeBytes);
        if (*type == 1 && variant && variant->remoteIOMode != 0 && mode == variant->remoteIOMode) {
            return Network::RemoteIO;
        }
        if (*type <= 1) {
            return *type == 0 ? Network::DHPlus : Network::DH485;
        }
        return std::nullopt;
    }
    case NetworkCoding::None:
        break;
    }
    return std::nullopt;
}

bool stationIsModbusAddress(const ConfigRecord& record) {
    constexpr int kChannelAModbus = 2;
    const Variant* variant = variantOf(record);
    return variant && variant->channelAModbusAddress &&
           fieldCode(record, "NetType") == kChannelAModbus;
}

std::span<const SpeedCode> netSpeedTable(const ConfigRecord& record) {
    const std::optional<Network> network = networkOf(record);
    return network ? networkSpeeds(*network) : SpeedCodeTable();
}

std::string channelMeaning(int32_t bits, bool hasLineType) {
    using namespace channel_bits;
    std::vector<std::string> parts;
    parts.push_back(bits & kSevenData ? "7 data bits" : "8 data bits");
    parts.push_back(!(bits & kParity) ? "no parity"
                                      : (bits & kEven ? "even parity" : "odd parity"));
    parts.push_back(bits & kTwoStop ? "2 stop bits" : "1 stop bit");
    parts.push_back(bits & kHandshake ? "handshaking active" : "handshaking ignored");
    if (hasLineType) {
        parts.push_back(!(bits & kRs422) ? "RS-232C"
                                         : (bits & kRs485 ? "RS-485 2-wire" : "RS-422 4-wire"));
    }
    return hexByte(bits) + ": " + joinTexts(parts);
}

std::string protocolMeaning(const ConfigRecord& record) {
    using namespace proto_bits;
    const int32_t bits = record.ProtoParams;
    std::vector<std::string> parts;
    parts.push_back(std::string("channel A/DF1 check ") + (bits & kCrc ? "CRC" : "BCC"));
    parts.push_back(std::string("duplicate messages ") +
                    (bits & kAcceptDuplicates ? "accepted" : "ignored"));
    parts.push_back(std::string("embedded responses ") +
                    (bits & kExecuteEmbedded ? "executed" : "none"));
    parts.push_back(std::string("diagnostics ") +
                    (bits & kPassDiagnostics ? "passed" : "executed"));
    parts.push_back(bits & kHalfDuplex ? "half duplex / multi-drop"
                                       : "full duplex / point-to-point");
    parts.push_back(std::string("channel B ") +
                    (bits & kChannelBHalfDuplex ? "half-duplex master" : "full duplex"));
    parts.push_back(std::string("channel B check ") + (bits & kChannelBCrc ? "CRC" : "BCC"));
    // The ASCII variants have no channel C: their bit says what the
    // destination file is.
    if (sectionBFor(record) == SectionB::AsciiTable) {
        parts.push_back(bits & kChannelCCrc ? "destination is a string file"
                                            : "destination is not a string file");
    } else {
        parts.push_back(std::string("channel C check ") + (bits & kChannelCCrc ? "CRC" : "BCC"));
    }
    return hexByte(bits) + ": " + joinTexts(parts);
}

namespace {

template <std::size_t N>
std::string choice(const std::array<std::string_view, N>& names, int32_t value) {
    return value >= 0 && value < static_cast<int32_t>(N)
               ? std::string(names[static_cast<std::size_t>(value)])
               : std::string("not a known choice");
}

} // namespace

std::string modbusOptionsMeaning(int32_t options) {
    using namespace modbus_map;
    std::vector<std::string> parts = {
        options & kAsciiFraming ? "ASCII framing" : "RTU framing",
        options & kMaster ? "master" : "slave",
        options & kBroadcast ? "broadcast" : "no broadcast",
        options & kTwoWire ? "RS485 (2 Wire)" : "RS232/RS422",
    };
    // A unit's program may leave bits no dialog sets; they are sent as they are.
    constexpr int32_t kKnown = kAsciiFraming | kMaster | kBroadcast | kTwoWire;
    for (int32_t bit = 1; bit <= 0x80; bit <<= 1) {
        if ((options & bit) && !(kKnown & bit)) {
            parts.push_back("unknown bit " + hexByte(bit));
        }
    }
    return hexByte(options) + ": " + joinTexts(parts);
}

std::string plcTypeMeaning(int32_t type) {
    static constexpr std::array<std::string_view, 3> kPlcTypes = {"PLC 5", "PLC 3",
                                                                  "SLC/MicroLogix/CompactLogix"};
    return choice(kPlcTypes, type);
}

std::string addressDecodeMeaning(int32_t decode) {
    static constexpr std::array<std::string_view, 3> kDecodes = {
        "SLC/PLC - (NXYY:Z)", "SLC's - (NXYZ:Z)", "MicroLogix's - (NYXZ:Z)"};
    return choice(kDecodes, decode);
}

RegisterRow registerRow(const ConfigRecord& record, int row) {
    using namespace modbus_map;
    const auto word = [&record, row](Column column) {
        const std::size_t low = wordEntry(row, column);
        return JoinWord(record.ExtParams[low + 1], record.ExtParams[low]);
    };
    return {word(Column::Start), word(Column::End), word(Column::File), word(Column::Word),
            (record.ExtParams[flagEntry(row)] & kFloatingPoint) != 0};
}

std::string registerRowMeaning(const RegisterRow& row) {
    if (row.start == 0 && row.end == 0 && row.file == 0 && row.word == 0) {
        // The flag is sent even for an unused slot, so a change of it shows.
        return row.floatingPoint ? "unused, floating point" : "unused";
    }
    return "Modbus " + std::to_string(row.start) + " to " + std::to_string(row.end) + " to file " +
           std::to_string(row.file) + " word " + std::to_string(row.word) +
           (row.floatingPoint ? ", floating point" : "");
}

std::string registerSlotName(int row) {
    return "Modbus slot " + std::to_string(row);
}

Table translationTable(const ConfigRecord& record) {
    using namespace modbus_map;
    Table table{
        {"slot", "Modbus start", "Modbus end", "A-B file", "A-B word", "floating point", "spare"},
        {}};
    for (int row = 0; row < kRows; ++row) {
        const RegisterRow slot = registerRow(record, row);
        const std::size_t flags = flagEntry(row);
        const std::size_t spare = flags + 1;
        std::string floatingPoint = slot.floatingPoint ? "yes" : "no";
        // The unit is sent the whole flag byte, so bits no dialog sets show.
        if (record.ExtParams[flags] & ~kFloatingPoint) {
            floatingPoint += " (flags " + std::to_string(record.ExtParams[flags]) + ")";
        }
        table.rows.push_back(
            {{registerSlotName(row), extParamName(static_cast<int>(spare))},
             {std::to_string(row), std::to_string(slot.start), std::to_string(slot.end),
              std::to_string(slot.file), std::to_string(slot.word), floatingPoint,
              std::to_string(record.ExtParams[spare])}});
    }
    return table;
}

std::string rackMeaning(const ConfigRecord& record, int rack) {
    using namespace block_transfer;
    std::vector<std::string> enabled;
    for (int group = 0; group < kGroups; ++group) {
        for (int module = 0; module < kModules; ++module) {
            if (record.ExtParams[entry(rack, group)] & mask(group, module)) {
                enabled.push_back(std::to_string(group) + "/" + std::to_string(module));
            }
        }
    }
    return enabled.empty() ? "none" : joinTexts(enabled);
}

std::string brabenderMeaning(int32_t type) {
    static constexpr std::array<std::string_view, 6> kDevices = {"S", "M", "LM", "PT03", "L", "SA"};
    return choice(kDevices, type) == "not a known choice" ? "not a known device type"
                                                          : choice(kDevices, type);
}

int32_t asciiFile(const ConfigRecord& record) {
    return JoinWord(record.ExtParams[3], record.ExtParams[2]);
}

int32_t asciiWord(const ConfigRecord& record) {
    return JoinWord(record.ExtParams[5], record.ExtParams[4]);
}

} // namespace cvcfg
