#include "cli/describe.h"

#include "core/catalogue.h"
#include "core/codes.h"
#include "core/decode.h"
#include "core/fields.h"
#include "core/offered.h"

#include <cstdio>
#include <optional>
#include <sstream>
#include <vector>

namespace cvcfg::cli {

namespace {

constexpr std::size_t kLabelWidth = 16;

class Report {
public:
    explicit Report(const ConfigRecord& record) : m_unoffered(valuesNotOffered(record)) {}

    // A row of the fields `fields`, each marked when the editor does not
    // offer its value.
    void row(std::string_view label, std::string text,
             std::initializer_list<std::string_view> fields = {}) {
        for (const std::string_view field : fields) {
            for (const UnofferedValue& value : m_unoffered) {
                if (value.field == field) {
                    text += "; " + value.field + " " + std::to_string(value.value) + " " +
                            notOfferedNote(value);
                }
            }
        }
        std::string line(label);
        line.resize(std::max(line.size() + 1, kLabelWidth), ' ');
        m_text << line << text << '\n';
    }
    [[nodiscard]] std::string text() const { return m_text.str(); }

private:
    std::vector<UnofferedValue> m_unoffered;
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
    return joinTexts(values, " ");
}

void describeRegisterMap(const ConfigRecord& record, Report& report) {
    using namespace modbus_map;
    const auto entry = [&record](std::size_t index) {
        return record.ExtParams[index];
    };
    report.row("Modbus", "ExtParams[1] " + modbusOptionsMeaning(entry(kOptions)));
    report.row("Broadcast",
               "ExtParams[2] " + std::to_string(entry(kBroadcastStart)) +
                   octalNote(entry(kBroadcastStart)) + " to ExtParams[3] " +
                   std::to_string(entry(kBroadcastEnd)) + octalNote(entry(kBroadcastEnd)),
               {"ExtParams[2]", "ExtParams[3]"});
    report.row("A-B PLC type",
               "ExtParams[4] " + std::to_string(entry(kPlcType)) + ": " +
                   plcTypeMeaning(entry(kPlcType)),
               {"ExtParams[4]"});
    report.row("Address decode",
               "ExtParams[5] " + std::to_string(entry(kAddressDecode)) + ": " +
                   addressDecodeMeaning(entry(kAddressDecode)),
               {"ExtParams[5]"});
    report.row("Register map",
               "slot  Modbus start  Modbus end  A-B file  A-B word  floating point");
    for (int row = 0; row < kRows; ++row) {
        const RegisterRow slot = registerRow(record, row);
        char line[96];
        std::snprintf(line, sizeof line, "%4d  %12d  %10d  %8d  %8d  %s", row, slot.start, slot.end,
                      slot.file, slot.word, slot.floatingPoint ? "yes" : "no");
        report.row("", line);
    }
    report.row("Other entries", "ExtParams[0] " + std::to_string(ext(record, 0)) +
                                    ", ExtParams[6..7] " + extRange(record, 6, 2));
}

void describeExtended(const ConfigRecord& record, Report& report) {
    switch (sectionBFor(record)) {
    case SectionB::None:
        return;
    case SectionB::Brabender:
        report.row("Brabender",
                   "ExtParams[0] " + std::to_string(ext(record, 0)) + ": " +
                       brabenderMeaning(ext(record, 0)) + "; ExtParams[1] " +
                       std::to_string(ext(record, 1)),
                   {"ExtParams[0]"});
        return;
    case SectionB::AsciiTable:
        report.row("ASCII table", "file " + std::to_string(asciiFile(record)) + ", starting word " +
                                      std::to_string(asciiWord(record)) + " (ExtParams[0..5] " +
                                      extRange(record, 0, 6) + ")");
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
    Report report(record);
    const Variant* variant = variantOf(record);
    report.row("Product", (variant ? std::string(variant->name) : record.ModelVariant) +
                              " (model " + record.ModelName + "), " +
                              std::to_string(record.ConfigLength) + "-byte image body, " +
                              codeText(record, "AppCode"));

    const std::optional<Network> network = networkOf(record);
    const std::string type = codeText(record, "NetType");
    report.row("Network", network ? std::string(networkName(*network)) + " (" + type + ")" : type,
               {"NetType"});
    if (stationIsModbusAddress(record)) {
        report.row("Modbus address", codeText(record, "StationNo") + " (decimal)", {"StationNo"});
    } else {
        report.row("Station",
                   codeText(record, "StationNo") + octalNote(fieldCode(record, "StationNo")),
                   {"StationNo"});
    }
    report.row("High address",
               codeText(record, "HighAddress") + octalNote(fieldCode(record, "HighAddress")),
               {"HighAddress"});
    // Units without an A-B network port keep channel A's speed in NetSpeed.
    const auto netSpeeds = netSpeedTable(record);
    report.row(network ? "Network speed" : "Channel A speed",
               codeText(record, "NetSpeed") +
                   speedNote(netSpeeds, fieldCode(record, "NetSpeed"), false),
               {"NetSpeed"});
    report.row("Channel A", "CHAParams " + channelMeaning(record.CHAParams, true));
    report.row("Channel B",
               codeText(record, "CHBSpeed") +
                   speedNote(SpeedCodeTable(), fieldCode(record, "CHBSpeed")) + "; CHBParams " +
                   channelMeaning(record.CHBParams, true),
               {"CHBSpeed"});
    report.row("Channel C",
               codeText(record, "CHCSpeed") +
                   speedNote(SpeedCodeTable(), fieldCode(record, "CHCSpeed")) + "; CHCParams " +
                   channelMeaning(record.CHCParams, false),
               {"CHCSpeed"});
    report.row("Protocol", "ProtoParams " + protocolMeaning(record));
    const ByteField& mode = *findByteField("ModeBytes");
    report.row("Mode", "ModeBytes " + jsonByte(record, mode, 0) + ", " + jsonByte(record, mode, 1),
               {"ModeBytes"});
    report.row("Variant bytes",
               codeText(record, "NumText1") + ", " + codeText(record, "NumText2") + ", " +
                   codeText(record, "AuxChar") + ", " + codeText(record, "AuxValue"),
               {"AuxChar", "AuxValue"});
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
    members.push_back("\"ExtParams\": [" + joinTexts(ext) + "]");
    return "{\n  " + joinTexts(members, ",\n  ") + "\n}\n";
}

namespace {

std::string readingJson(const FieldReading& reading) {
    std::string json = "{\"value\": " + jsonString(reading.value) +
                       ", \"meaning\": " + jsonString(reading.meaning);
    if (!reading.note.empty()) {
        json += ", \"note\": " + jsonString(reading.note);
    }
    return json + "}";
}

} // namespace

std::string differencesJson(const std::vector<Difference>& differences) {
    std::vector<std::string> items;
    for (const Difference& difference : differences) {
        items.push_back("{\"field\": " + jsonString(difference.left.field) +
                        ", \"left\": " + readingJson(difference.left) +
                        ", \"right\": " + readingJson(difference.right) + "}");
    }
    return items.empty() ? "[]\n" : "[\n  " + joinTexts(items, ",\n  ") + "\n]\n";
}

std::string verificationJson(const Verification& verification) {
    const auto outcome = [&verification]() -> std::string_view {
        switch (verification.outcome) {
        case VerifyOutcome::Holds:
            return "holds";
        case VerifyOutcome::Differs:
            return "differs";
        case VerifyOutcome::OtherVariant:
            return "other variant";
        case VerifyOutcome::NotRead:
            break;
        }
        return "not read";
    }();
    std::string json = "{\n  \"outcome\": " + jsonString(std::string(outcome));
    if (verification.unit) {
        std::vector<std::string> names;
        for (const std::string_view name : variantsAnsweringAs(*verification.unit)) {
            names.push_back(jsonString(std::string(name)));
        }
        json +=
            ",\n  \"unit\": {\"applicationCode\": " + std::to_string(verification.unit->appCode) +
            ", \"bodyLength\": " + std::to_string(verification.unit->bodyLength) +
            ", \"answersAs\": [" + joinTexts(names) + "]}";
    }
    if (!verification.otherVariant.empty()) {
        json += ",\n  \"message\": " + jsonString(verification.otherVariant);
    }
    std::string differences = differencesJson(verification.differences);
    differences.pop_back(); // its line end; the object goes on
    return json + ",\n  \"differences\": " + differences + "\n}\n";
}

} // namespace cvcfg::cli
