#include "core/compare.h"

#include "core/catalogue.h"
#include "core/decode.h"
#include "core/fields.h"
#include "core/offered.h"

namespace cvcfg {

namespace {

std::string valueText(const ConfigRecord& record, const ByteField& field) {
    if (field.form == ByteForm::Number) {
        return std::to_string(record.*field.number);
    }
    if (field.form == ByteForm::CharacterPair) {
        std::vector<std::string> bytes;
        for (int index = 0; index < 2; ++index) {
            const Expected<uint8_t> byte = fieldByte(record, field, index);
            bytes.push_back(byte ? std::to_string(*byte) : "(" + byte.error() + ")");
        }
        return joinTexts(bytes);
    }
    const Expected<uint8_t> byte = fieldByte(record, field);
    return byte ? std::to_string(*byte) : "(" + byte.error() + ")";
}

// What a fixed-section field's code means, where it is more than a number.
std::string fieldMeaning(const ConfigRecord& record, std::string_view name) {
    const std::optional<int> code = fieldCode(record, name);
    if (name == "NetType") {
        const std::optional<Network> network = networkOf(record);
        return network ? std::string(networkName(*network)) : "";
    }
    if (name == "StationNo" && stationIsModbusAddress(record)) {
        return code ? "Modbus address " + std::to_string(*code) : "";
    }
    if (name == "StationNo" || name == "HighAddress") {
        return code ? "octal " + octalText(*code) : "";
    }
    const auto speed = [](const std::string& note) {
        return note.starts_with(": ") ? note.substr(2) : note;
    };
    if (name == "NetSpeed") {
        std::string meaning = speed(speedNote(netSpeedTable(record), code, false));
        // Units without an A-B network port keep channel A's speed here.
        if (networkOf(record) || !code) {
            return meaning;
        }
        return speedByCode(SpeedCodeTable(), *code) ? "channel A " + meaning
                                                    : meaning + " of channel A";
    }
    if (name == "CHBSpeed" || name == "CHCSpeed") {
        return speed(speedNote(SpeedCodeTable(), code));
    }
    if (name == "CHAParams" || name == "CHBParams" || name == "CHCParams") {
        const int32_t bits = name == "CHAParams"   ? record.CHAParams
                             : name == "CHBParams" ? record.CHBParams
                                                   : record.CHCParams;
        const std::string meaning = channelMeaning(bits, name != "CHCParams");
        return meaning.substr(meaning.find(": ") + 2);
    }
    if (name == "ProtoParams") {
        const std::string meaning = protocolMeaning(record);
        return meaning.substr(meaning.find(": ") + 2);
    }
    return "";
}

// Reads the fields one after another, and notes each value that the
// variant's editor does not offer.
class Reader {
public:
    explicit Reader(const ConfigRecord& record)
        : m_record(record), m_unoffered(valuesNotOffered(record)) {}

    void field(std::string name, std::string value, std::string meaning) {
        std::string note = noteFor(name);
        fields.push_back({std::move(name), std::move(value), std::move(meaning), std::move(note)});
    }
    // An ExtParams entry, under its own name or the name of what it holds.
    void entry(std::size_t index, std::string name = {}, std::string meaning = {}) {
        fields.push_back({name.empty() ? extParamName(static_cast<int>(index)) : std::move(name),
                          std::to_string(m_record.ExtParams[index]), std::move(meaning),
                          noteFor(extParamName(static_cast<int>(index)))});
    }

    std::vector<FieldReading> fields;

private:
    std::string noteFor(std::string_view name) const {
        for (const UnofferedValue& value : m_unoffered) {
            if (value.field == name) {
                return notOfferedNote(value);
            }
        }
        return {};
    }

    const ConfigRecord& m_record;
    std::vector<UnofferedValue> m_unoffered;
};

void readRegisterMap(const ConfigRecord& record, Reader& reader) {
    using namespace modbus_map;
    const auto& ext = record.ExtParams;
    reader.entry(0);
    const std::string options = modbusOptionsMeaning(ext[kOptions]);
    reader.entry(kOptions, "Modbus options", options.substr(options.find(": ") + 2));
    reader.entry(kBroadcastStart, "Broadcast start address",
                 "octal " + octalText(ext[kBroadcastStart]));
    reader.entry(kBroadcastEnd, "Broadcast end address", "octal " + octalText(ext[kBroadcastEnd]));
    reader.entry(kPlcType, "A-B PLC type", plcTypeMeaning(ext[kPlcType]));
    reader.entry(kAddressDecode, "Address decode", addressDecodeMeaning(ext[kAddressDecode]));
    reader.entry(6);
    reader.entry(7);
    for (int row = 0; row < kRows; ++row) {
        const RegisterRow slot = registerRow(record, row);
        reader.field(registerSlotName(row),
                     "start " + std::to_string(slot.start) + ", end " + std::to_string(slot.end) +
                         ", file " + std::to_string(slot.file) + ", word " +
                         std::to_string(slot.word) + ", flags " +
                         std::to_string(ext[flagEntry(row)]),
                     registerRowMeaning(slot));
        reader.entry(flagEntry(row) + 1);
    }
}

void readExtended(const ConfigRecord& record, Reader& reader) {
    switch (sectionBFor(record)) {
    case SectionB::None:
        return;
    case SectionB::Brabender:
        reader.entry(0, "Brabender device", brabenderMeaning(record.ExtParams[0]));
        reader.entry(1);
        return;
    case SectionB::AsciiTable:
        reader.entry(0);
        reader.entry(1);
        reader.field("ASCII destination file", std::to_string(asciiFile(record)), "");
        reader.field("ASCII starting word", std::to_string(asciiWord(record)), "");
        return;
    case SectionB::ExtendedBlock:
        for (int rack = 1; rack <= block_transfer::kRacks; ++rack) {
            const std::size_t first = block_transfer::entry(rack, 0);
            reader.field("Rack " + std::to_string(rack) + " block transfers",
                         hexByte(record.ExtParams[first]) + " " +
                             hexByte(record.ExtParams[first + 1]),
                         rackMeaning(record, rack));
        }
        return;
    case SectionB::RegisterMap:
        readRegisterMap(record, reader);
        return;
    }
}

} // namespace

std::vector<FieldReading> readFields(const ConfigRecord& record) {
    Reader reader(record);
    // The image carries the application code, though the file does not.
    reader.field("AppCode", valueText(record, appCodeField()), "");
    for (const ByteField& field : sectionAFields()) {
        reader.field(std::string(field.name), valueText(record, field),
                     fieldMeaning(record, field.name));
    }
    readExtended(record, reader);
    return std::move(reader.fields);
}

std::vector<Difference> compareRecords(const ConfigRecord& left, const ConfigRecord& right) {
    const std::vector<FieldReading> mine = readFields(left);
    const std::vector<FieldReading> theirs = readFields(right);
    std::vector<Difference> differences;
    for (std::size_t i = 0; i < mine.size() && i < theirs.size(); ++i) {
        // A field keeps its code but changes its meaning when another field
        // changes how it is read (NetType, the network of a speed code).
        if (mine[i].value != theirs[i].value || mine[i].meaning != theirs[i].meaning) {
            differences.push_back({mine[i], theirs[i]});
        }
    }
    return differences;
}

std::string readingMeaning(const FieldReading& reading) {
    if (reading.meaning.empty() || reading.note.empty()) {
        return reading.meaning + reading.note;
    }
    return reading.meaning + "; " + reading.note;
}

std::string readingText(const FieldReading& reading) {
    const std::string meaning = readingMeaning(reading);
    return meaning.empty() ? reading.value : reading.value + " (" + meaning + ")";
}

std::string differencesText(const std::vector<Difference>& differences) {
    std::string text;
    for (const Difference& difference : differences) {
        text += difference.left.field + ": " + readingText(difference.left) + " -> " +
                readingText(difference.right) + "\n";
    }
    return text;
}

} // namespace cvcfg
