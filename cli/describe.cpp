#include "cli/describe.h"

#include "core/catalogue.h"
#include "core/codes.h"
#include "core/fields.h"

#include <cstdio>
#include <optional>
#include <sstream>
#include <vector>

namespace cvcfg::cli {

namespace {

constexpr std::size_t kLabelWidth = 16;

std::string hexByte(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(value) & 0xFFu);
    return text;
}

std::string join(const std::vector<std::string>& parts, std::string_view separator = ", ") {
    std::string text;
    for (const std::string& part : parts) {
        if (!text.empty()) {
            text += separator;
        }
        text += part;
    }
    return text;
}

// "NAME 12" for a field's code, or "NAME (empty)" when a character field holds none.
std::string codeOf(const ConfigRecord& record, std::string_view name) {
    const ByteField* field = findByteField(name);
    const Expected<uint8_t> byte = fieldByte(record, *field);
    if (!byte) {
        return std::string(name) + " (" + byte.error() + ")";
    }
    return std::string(name) + " " + std::to_string(*byte);
}

std::optional<int> byteOf(const ConfigRecord& record, std::string_view name) {
    const Expected<uint8_t> byte = fieldByte(record, *findByteField(name));
    return byte ? std::optional<int>(*byte) : std::nullopt;
}

std::string octalNote(std::optional<int> value) {
    return value ? " (octal " + octalText(*value) + ")" : "";
}

// `unusedAtZero`: channels B and C hold code 0 when the mode leaves them unused.
std::string speedNote(std::span<const SpeedCode> table, std::optional<int> code,
                      bool unusedAtZero = true) {
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

// The A-B network the record's NetType selects, where the product has one.
std::optional<Network> networkOf(const ConfigRecord& record) {
    const std::optional<int> type = byteOf(record, "NetType");
    if (!type) {
        return std::nullopt;
    }
    if (record.ModelName == "CV-PCI") {
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
    }
    if (record.ModelName == "CV210" || record.ModelName == "CV-PC/104-MODBUS") {
        // The Remote I/O modes of the KFR and RMM variants reuse NetType 1.
        const std::optional<int> mode = charCode(record.ModeBytes);
        const bool remoteIO = *type == 1 && ((record.ModelVariant == "CV210-KFR" && mode == 4) ||
                                             (record.ModelVariant == "CV210-RMM" && mode == 1));
        if (remoteIO) {
            return Network::RemoteIO;
        }
        if (*type <= 1) {
            return *type == 0 ? Network::DHPlus : Network::DH485;
        }
    }
    return std::nullopt;
}

std::string channelOptions(int32_t bits, bool hasLineType) {
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
    return hexByte(bits) + ": " + join(parts);
}

std::string protocolOptions(const ConfigRecord& record) {
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
    if (record.ModelVariant == "CV210-ASCII") {
        parts.push_back(bits & kChannelCCrc ? "destination is a string file"
                                            : "destination is not a string file");
    } else {
        parts.push_back(std::string("channel C check ") + (bits & kChannelCCrc ? "CRC" : "BCC"));
    }
    return hexByte(bits) + ": " + join(parts);
}

class Report {
public:
    void row(std::string_view label, const std::string& text) {
        std::string line(label);
        line.resize(std::max(line.size() + 1, kLabelWidth), ' ');
        m_text << line << text << '\n';
    }
    [[nodiscard]] std::string text() const { return m_text.str(); }

private:
    std::ostringstream m_text;
};

int ext(const ConfigRecord& record, int index) {
    return record.ExtParams[static_cast<std::size_t>(index)];
}

std::string extRange(const ConfigRecord& record, int first, int count) {
    std::vector<std::string> values;
    for (int index = first; index < first + count; ++index) {
        values.push_back(std::to_string(ext(record, index)));
    }
    return join(values, " ");
}

void describeRegisterMap(const ConfigRecord& record, Report& report) {
    using namespace modbus_map;
    const auto entry = [&record](std::size_t index) {
        return record.ExtParams[index];
    };
    const int options = entry(kOptions);
    std::vector<std::string> parts = {
        options & kAsciiFraming ? "ASCII framing" : "RTU framing",
        options & kMaster ? "master" : "slave",
        options & kBroadcast ? "broadcast" : "no broadcast",
        options & kTwoWire ? "RS485 (2 Wire)" : "RS232/RS422",
    };
    report.row("Modbus", "ExtParams[1] " + hexByte(options) + ": " + join(parts));
    report.row("Broadcast", "ExtParams[2] " + std::to_string(entry(kBroadcastStart)) +
                                octalNote(entry(kBroadcastStart)) + " to ExtParams[3] " +
                                std::to_string(entry(kBroadcastEnd)) +
                                octalNote(entry(kBroadcastEnd)));
    static constexpr std::array<std::string_view, 3> kPlcTypes = {"PLC 5", "PLC 3",
                                                                  "SLC/MicroLogix/CompactLogix"};
    static constexpr std::array<std::string_view, 3> kDecodes = {
        "SLC/PLC - (NXYY:Z)", "SLC's - (NXYZ:Z)", "MicroLogix's - (NYXZ:Z)"};
    auto choice = [](const auto& names, int value) {
        return value >= 0 && value < static_cast<int>(names.size())
                   ? std::string(names[static_cast<std::size_t>(value)])
                   : std::string("not a known choice");
    };
    report.row("A-B PLC type", "ExtParams[4] " + std::to_string(entry(kPlcType)) + ": " +
                                   choice(kPlcTypes, entry(kPlcType)));
    report.row("Address decode", "ExtParams[5] " + std::to_string(entry(kAddressDecode)) + ": " +
                                     choice(kDecodes, entry(kAddressDecode)));
    report.row("Register map",
               "slot  Modbus start  Modbus end  A-B file  A-B word  floating point");
    const auto word = [&entry](int row, Column column) {
        const std::size_t low = wordEntry(row, column);
        return JoinWord(entry(low + 1), entry(low));
    };
    for (int row = 0; row < kRows; ++row) {
        char line[96];
        std::snprintf(line, sizeof line, "%4d  %12d  %10d  %8d  %8d  %s", row,
                      word(row, Column::Start), word(row, Column::End), word(row, Column::File),
                      word(row, Column::Word),
                      entry(flagEntry(row)) & kFloatingPoint ? "yes" : "no");
        report.row("", line);
    }
    report.row("Other entries", "ExtParams[0] " + std::to_string(ext(record, 0)) +
                                    ", ExtParams[6..7] " + extRange(record, 6, 2));
}

void describeExtended(const ConfigRecord& record, Report& report) {
    switch (sectionBFor(record)) {
    case SectionB::None:
        return;
    case SectionB::Brabender: {
        static constexpr std::array<std::string_view, 6> kDevices = {"S",    "M", "LM",
                                                                     "PT03", "L", "SA"};
        const int device = ext(record, 0);
        const std::string name = device >= 0 && device < 6
                                     ? std::string(kDevices[static_cast<std::size_t>(device)])
                                     : std::string("not a known device type");
        report.row("Brabender", "ExtParams[0] " + std::to_string(device) + ": " + name +
                                    "; ExtParams[1] " + std::to_string(ext(record, 1)));
        return;
    }
    case SectionB::AsciiTable:
        report.row("ASCII table", "file " +
                                      std::to_string(JoinWord(ext(record, 3), ext(record, 2))) +
                                      ", starting word " +
                                      std::to_string(JoinWord(ext(record, 5), ext(record, 4))) +
                                      " (ExtParams[0..5] " + extRange(record, 0, 6) + ")");
        return;
    case SectionB::ExtendedBlock:
        report.row("Extended block", "ExtParams[0..13] " + extRange(record, 0, 14));
        return;
    case SectionB::RegisterMap:
        describeRegisterMap(record, report);
        return;
    }
}

// ---- JSON ---------------------------------------------------------------------

std::string jsonString(const std::string& text) {
    std::string json = "\"";
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (code < 0x20 || code >= 0x7F) {
            // Texts are single-byte; escaping keeps the output valid UTF-8.
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", code);
            json += escape;
        } else {
            json += c;
        }
    }
    return json + "\"";
}

// A field's byte as a JSON integer; null where the field holds none (an empty
// character field, a decimal text that is not a number).
std::string jsonByte(const ConfigRecord& record, const ByteField& field, int index = 0) {
    if (field.form == ByteForm::Number) {
        return std::to_string(record.*field.number);
    }
    const Expected<uint8_t> byte = fieldByte(record, field, index);
    return byte ? std::to_string(*byte) : "null";
}

} // namespace

std::string describeRecord(const ConfigRecord& record) {
    Report report;
    const Variant* variant = variantOf(record);
    report.row("Product", (variant ? std::string(variant->name) : record.ModelVariant) +
                              " (model " + record.ModelName + "), " +
                              std::to_string(record.ConfigLength) + "-byte image body, " +
                              codeOf(record, "AppCode"));

    const std::optional<Network> network = networkOf(record);
    const std::string type = codeOf(record, "NetType");
    report.row("Network", network ? std::string(networkName(*network)) + " (" + type + ")" : type);
    report.row("Station", codeOf(record, "StationNo") + octalNote(byteOf(record, "StationNo")));
    report.row("High address",
               codeOf(record, "HighAddress") + octalNote(byteOf(record, "HighAddress")));
    // Units without an A-B network port keep channel A's speed in NetSpeed.
    const auto netSpeeds = network ? networkSpeeds(*network) : SpeedCodeTable();
    report.row(network ? "Network speed" : "Channel A speed",
               codeOf(record, "NetSpeed") +
                   speedNote(netSpeeds, byteOf(record, "NetSpeed"), false));
    report.row("Channel A", "CHAParams " + channelOptions(record.CHAParams, true));
    report.row("Channel B", codeOf(record, "CHBSpeed") +
                                speedNote(SpeedCodeTable(), byteOf(record, "CHBSpeed")) +
                                "; CHBParams " + channelOptions(record.CHBParams, true));
    report.row("Channel C", codeOf(record, "CHCSpeed") +
                                speedNote(SpeedCodeTable(), byteOf(record, "CHCSpeed")) +
                                "; CHCParams " + channelOptions(record.CHCParams, false));
    report.row("Protocol", "ProtoParams " + protocolOptions(record));
    const ByteField& mode = *findByteField("ModeBytes");
    report.row("Mode", "ModeBytes " + jsonByte(record, mode, 0) + ", " + jsonByte(record, mode, 1));
    report.row("Variant bytes", codeOf(record, "NumText1") + ", " + codeOf(record, "NumText2") +
                                    ", " + codeOf(record, "AuxChar") + ", " +
                                    codeOf(record, "AuxValue"));
    describeExtended(record, report);
    return report.text();
}

std::string recordJson(const ConfigRecord& record) {
    std::vector<std::string> members = {
        "\"ModelName\": " + jsonString(record.ModelName),
        "\"ModelVariant\": " + jsonString(record.ModelVariant),
        "\"ConfigLength\": " + std::to_string(record.ConfigLength),
        "\"BridgeCaption\": " + jsonString(record.BridgeCaption),
        "\"NetworkName\": " + jsonString(record.NetworkName),
        "\"LinkBaud\": " + jsonString(record.LinkBaud),
        "\"ComPort\": " + std::to_string(record.ComPort),
        "\"CommStatus\": " + std::to_string(record.CommStatus),
        std::string("\"TimeoutFlag\": ") + (record.TimeoutFlag ? "true" : "false"),
        "\"AppCode\": " + jsonByte(record, appCodeField()),
    };
    for (const ByteField& field : sectionAFields()) {
        const std::string value =
            field.form == ByteForm::CharacterPair
                ? "[" + jsonByte(record, field, 0) + ", " + jsonByte(record, field, 1) + "]"
                : jsonByte(record, field);
        members.push_back("\"" + std::string(field.name) + "\": " + value);
    }
    std::vector<std::string> ext;
    for (const int32_t value : record.ExtParams) {
        ext.push_back(std::to_string(value));
    }
    members.push_back("\"ExtParams\": [" + join(ext) + "]");
    return "{\n  " + join(members, ",\n  ") + "\n}\n";
}

} // namespace cvcfg::cli
