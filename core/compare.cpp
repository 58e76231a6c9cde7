#include "core/compare.h"

#include "core/catalogue.h"
#include "core/decode.h"
#include "core/fields.h"

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
    if (name == "StationNo" || name == "HighAddress") {
        return code ? "octal " + octalText(*code) : "";
    }
    const auto speed = [](const std::string& note) {
        return note.starts_with(": ") ? note.substr(2) : note;
    };
    if (name == "NetSpeed") {
        return speed(speedNote(netSpeedTable(record), code, false));
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

std::string entryName(std::size_t index) {
    return "ExtParams[" + std::to_string(index) + "]";
}

void readEntry(const ConfigRecord& record, std::size_t index, std::vector<FieldReading>& fields,
               std::string name = {}, std::string meaning = {}) {
    fields.push_back({name.empty() ? entryName(index) : std::move(name),
                      std::to_string(record.ExtParams[index]), std::move(meaning)});
}

void readRegisterMap(const ConfigRecord& record, std::vector<FieldReading>& fields) {
    using namespace modbus_map;
    const auto& ext = record.ExtParams;
    readEntry(record, 0, fields);
    const std::string options = modbusOptionsMeaning(ext[kOptions]);
    readEntry(record, kOptions, fields, "Modbus options", options.substr(options.find(": ") + 2));
    readEntry(record, kBroadcastStart, fields, "Broadcast start address",
              "octal " + octalText(ext[kBroadcastStart]));
    readEntry(record, kBroadcastEnd, fields, "Broadcast end address",
              "octal " + octalText(ext[kBroadcastEnd]));
    readEntry(record, kPlcType, fields, "A-B PLC type", plcTypeMeaning(ext[kPlcType]));
    readEntry(record, kAddressDecode, fields, "Address decode",
              addressDecodeMeaning(ext[kAddressDecode]));
    readEntry(record, 6, fields);
    readEntry(record, 7, fields);
    for (int row = 0; row < kRows; ++row) {
        const RegisterRow slot = registerRow(record, row);
        fields.push_back({"Modbus slot " + std::to_string(row),
                          "start " + std::to_string(slot.start) + ", end " +
                              std::to_string(slot.end) + ", file " + std::to_string(slot.file) +
                              ", word " + std::to_string(slot.word) + ", flags " +
                              std::to_string(ext[flagEntry(row)]),
                          registerRowMeaning(slot)});
        readEntry(record, flagEntry(row) + 1, fields);
    }
}

void readExtended(const ConfigRecord& record, std::vector<FieldReading>& fields) {
    switch (sectionBFor(record)) {
    case SectionB::None:
        return;
    case SectionB::Brabender:
        readEntry(record, 0, fields, "Brabender device", brabenderMeaning(record.ExtParams[0]));
        readEntry(record, 1, fields);
        return;
    case SectionB::AsciiTable:
        readEntry(record, 0, fields);
        readEntry(record, 1, fields);
        fields.push_back({"ASCII destination file", std::to_string(asciiFile(record)), ""});
        fields.push_back({"ASCII starting word", std::to_string(asciiWord(record)), ""});
        return;
    case SectionB::ExtendedBlock:
        for (int rack = 1; rack <= block_transfer::kRacks; ++rack) {
            const std::size_t first = block_transfer::entry(rack, 0);
            fields.push_back(
                {"Rack " + std::to_string(rack) + " block transfers",
                 hexByte(record.ExtParams[first]) + " " + hexByte(record.ExtParams[first + 1]),
                 rackMeaning(record, rack)});
        }
        return;
    case SectionB::RegisterMap:
        readRegisterMap(record, fields);
        return;
    }
}

} // namespace

std::vector<FieldReading> readFields(const ConfigRecord& record) {
    std::vector<FieldReading> fields;
    // The image carries the application code, though the file does not.
    fields.push_back({"AppCode", valueText(record, appCodeField()), ""});
    for (const ByteField& field : sectionAFields()) {
        fields.push_back(
            {std::string(field.name), valueText(record, field), fieldMeaning(record, field.name)});
    }
    readExtended(record, fields);
    return fields;
}

std::vector<Difference> compareRecords(const ConfigRecord& left, const ConfigRecord& right) {
    const std::vector<FieldReading> mine = readFields(left);
    const std::vector<FieldReading> theirs = readFields(right);
    std::vector<Difference> differences;
    for (std::size_t i = 0; i < mine.size() && i < theirs.size(); ++i) {
        if (mine[i].value != theirs[i].value) {
            differences.push_back({mine[i], theirs[i]});
        }
    }
    return differences;
}

namespace {

std::string readingText(const FieldReading& reading) {
    return reading.meaning.empty() ? reading.value : reading.value + " (" + reading.meaning + ")";
}

} // namespace

std::string differencesText(const std::vector<Difference>& differences) {
    std::string text;
    for (const Difference& difference : differences) {
        text += difference.left.field + ": " + readingText(difference.left) + " -> " +
                readingText(difference.right) + "\n";
    }
    return text;
}

} // namespace cvcfg
