#include "cli/describe.h"

#include "core/catalogue.h"
#include "core/decode.h"
#include "core/fields.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <sstream>
#include <vector>

namespace cvcfg::cli {

namespace {

constexpr std::size_t kLabelWidth = 16;
// Where a row of many short entries goes on to the next line.
constexpr std::size_t kTextWidth = 80;

// The rows of the fixed section: a heading and the fields it shows.
struct Row {
    std::string_view heading;
    std::vector<std::string_view> fields;
};

const std::vector<Row>& fixedRows() {
    static const std::vector<Row> rows = {
        {"Network", {"NetType"}},
        {"Station", {"StationNo"}},
        {"High address", {"HighAddress"}},
        {"Speed", {"NetSpeed"}},
        {"Channel A", {"CHAParams"}},
        {"Channel B", {"CHBSpeed", "CHBParams"}},
        {"Channel C", {"CHCSpeed", "CHCParams"}},
        {"Protocol", {"ProtoParams"}},
        {"Mode", {"ModeBytes"}},
        {"Variant bytes", {"NumText1", "NumText2", "AuxChar", "AuxValue"}},
    };
    return rows;
}

// The heading of the extended section's named readings.
std::string_view extendedHeading(SectionB section) {
    switch (section) {
    case SectionB::Brabender:
        return "Brabender";
    case SectionB::AsciiTable:
        return "ASCII table";
    case SectionB::ExtendedBlock:
        return "Block transfers";
    case SectionB::RegisterMap:
        return "Modbus";
    case SectionB::None:
        break;
    }
    return "Extended";
}

// The readings of a record, each laid out once.
class Readings {
public:
    explicit Readings(const ConfigRecord& record)
        : m_readings(readFields(record)), m_taken(m_readings.size(), false) {}

    // The reading of that field as "StationNo 12 (octal 14)"; nothing when
    // the record's variant carries no such field.
    std::optional<std::string> take(std::string_view field) {
        for (std::size_t i = 0; i < m_readings.size(); ++i) {
            if (!m_taken[i] && m_readings[i].field == field) {
                m_taken[i] = true;
                return text(m_readings[i]);
            }
        }
        return std::nullopt;
    }
    // The readings not yet taken, in file order.
    std::vector<FieldReading> rest() {
        std::vector<FieldReading> left;
        for (std::size_t i = 0; i < m_readings.size(); ++i) {
            if (!m_taken[i]) {
                m_taken[i] = true;
                left.push_back(m_readings[i]);
            }
        }
        return left;
    }
    static std::string text(const FieldReading& reading) {
        return reading.field + " " + readingText(reading);
    }

private:
    std::vector<FieldReading> m_readings;
    std::vector<bool> m_taken;
};

class Report {
public:
    void row(std::string_view label, const std::string& text) {
        std::string line(label);
        line.resize(std::max(line.size() + 1, kLabelWidth), ' ');
        m_text << line << text << '\n';
    }
    // The texts on as few lines as fit, the label on the first.
    void wrapped(std::string_view label, const std::vector<std::string>& texts) {
        std::string line;
        for (const std::string& text : texts) {
            if (!line.empty() && line.size() + 2 + text.size() > kTextWidth) {
                row(label, line);
                label = "";
                line.clear();
            }
            line += (line.empty() ? "" : "; ") + text;
        }
        if (!line.empty()) {
            row(label, line);
        }
    }
    void table(std::string_view label, const Table& table) {
        std::vector<std::size_t> widths;
        for (const std::string& head : table.heads) {
            widths.push_back(head.size());
        }
        for (const TableRow& row : table.rows) {
            for (std::size_t column = 0; column < row.cells.size(); ++column) {
                widths[column] = std::max(widths[column], row.cells[column].size());
            }
        }
        const auto line = [&widths](const std::vector<std::string>& cells, bool heads) {
            std::string text;
            for (std::size_t column = 0; column < cells.size(); ++column) {
                const std::string& cell = cells[column];
                const std::string pad(widths[column] - cell.size(), ' ');
                text += (column == 0 ? "" : "  ") + (heads ? cell + pad : pad + cell);
            }
            return text.substr(0, text.find_last_not_of(' ') + 1);
        };
        row(label, line(table.heads, true));
        for (const TableRow& cells : table.rows) {
            row("", line(cells.cells, false));
        }
    }
    [[nodiscard]] std::string text() const { return m_text.str(); }

private:
    std::ostringstream m_text;
};

// ---- JSON ---------------------------------------------------------------------

// A field's byte as a JSON integer; null where the field holds none (an empty
// character field, a decimal text that is not a number).
std::string jsonByte(const ConfigRecord& record, const ByteField& field, int index = 0) {
    if (field.form == ByteForm::Number) {
        return std::to_string(record.*field.number);
    }
    const Expected<uint8_t> byte = fieldByte(record, field, index);
    return byte ? std::to_string(*byte) : "null";
}

// A reading's value, meaning and note (where it has one) as JSON members.
std::string readingMembers(const FieldReading& reading) {
    std::string json =
        "\"value\": " + jsonString(reading.value) + ", \"meaning\": " + jsonString(reading.meaning);
    if (!reading.note.empty()) {
        json += ", \"note\": " + jsonString(reading.note);
    }
    return json;
}

std::string readingJson(const FieldReading& reading) {
    return "{" + readingMembers(reading) + "}";
}

} // namespace

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

std::string describeRecord(const ConfigRecord& record) {
    Readings readings(record);
    Report report;
    const Variant* variant = variantOf(record);
    std::string product = (variant ? std::string(variant->name) : record.ModelVariant) +
                          " (model " + record.ModelName + "), " +
                          std::to_string(record.ConfigLength) + "-byte image body";
    if (const std::optional<std::string> appCode = readings.take("AppCode")) {
        product += ", " + *appCode;
    }
    report.row("Product", product);
    for (const Row& row : fixedRows()) {
        std::vector<std::string> texts;
        for (const std::string_view field : row.fields) {
            if (std::optional<std::string> text = readings.take(field)) {
                texts.push_back(std::move(*text));
            }
        }
        if (!texts.empty()) {
            report.row(row.heading, joinTexts(texts, "; "));
        }
    }

    const SectionB section = sectionBFor(record);
    const Table table = section == SectionB::RegisterMap ? translationTable(record) : Table{};
    for (const TableRow& row : table.rows) {
        for (const std::string& field : row.fields) {
            readings.take(field);
        }
    }
    // Entries that hold nothing of their own go last, in short.
    std::string_view heading = extendedHeading(section);
    std::vector<std::string> others;
    for (const FieldReading& reading : readings.rest()) {
        if (reading.field.starts_with("ExtParams[") || findByteField(reading.field)) {
            others.push_back(Readings::text(reading));
        } else {
            report.row(heading, Readings::text(reading));
            heading = "";
        }
    }
    if (!table.rows.empty()) {
        report.table("Register map", table);
    }
    report.wrapped("Other entries", others);
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

std::string describeRecordJson(const ConfigRecord& record) {
    std::vector<std::string> readings;
    for (const FieldReading& reading : readFields(record)) {
        readings.push_back("{\"field\": " + jsonString(reading.field) + ", " +
                           readingMembers(reading) + "}");
    }
    std::string json = recordJson(record);
    json.resize(json.size() - 3); // "\n}\n": the object goes on
    return json + ",\n  \"readings\": [\n    " + joinTexts(readings, ",\n    ") + "\n  ]\n}\n";
}

std::string differencesJson(const std::vector<Difference>& differences) {
    std::vector<std::string> items;
    items.reserve(differences.size());
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
