#include "core/configfile.h"

#include "core/codes.h"
#include "core/excerpt.h"
#include "core/fields.h"
#include "core/savefile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

namespace cvcfg {

namespace {

// ---- writing ----------------------------------------------------------------

// Appended in order: "\"" + text prepends through the overlap-aware
// replace, which g++ 12 -O3 misreads (-Wrestrict).
std::string inQuotes(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '"';
    quoted += text;
    quoted += '"';
    return quoted;
}

// A character field: the character between quotes, except for codes that
// the quotes cannot carry. Line ends and the quote itself stand as bare
// numbers; code 0 is an empty string where an empty value reads back as 0,
// and the bare number 0 where an empty value would read back as 8.
std::string characterNotation(const std::string& field, int emptyDefault) {
    const std::optional<int> code = charCode(field);
    if (!code || (*code == 0 && emptyDefault == 0)) {
        return inQuotes("");
    }
    if (*code == 0 || *code == '\n' || *code == '\r' || *code == '"') {
        return std::to_string(*code);
    }
    return inQuotes(field.substr(0, 1));
}

} // namespace

std::string FileValueText(const ConfigRecord& record, const ByteField& field) {
    switch (field.form) {
    case ByteForm::Character:
    case ByteForm::CharacterPair: // only the first byte reads back from a file
        return characterNotation(record.*field.text, field.emptyDefault);
    case ByteForm::Number:
        return std::to_string(record.*field.number);
    case ByteForm::DecimalText:
        return inQuotes(record.*field.text);
    }
    return {};
}

namespace {

// ---- reading ----------------------------------------------------------------

struct Token {
    std::string_view text;
    bool quoted = false;
    int line = 0;
};

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// A mark that some editors put at the start of a text file; it is no value.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view withoutTrailingBlankLines(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && (isBlank(text[end - 1]) || isLineEnd(text[end - 1]))) {
        --end;
    }
    return text.substr(0, end);
}

// Splits the text into values, one at a time and without copying them, so
// that reading takes no more memory for a long file than for a short one: a
// comma and a line end both end a value, a quoted value ends at the next
// double quote (whatever stands between it and the next separator is passed
// over), an unquoted one loses its outer blanks.
class Tokenizer {
public:
    Tokenizer(std::string_view text, std::string_view fileName)
        : m_text(withoutTrailingBlankLines(text)), m_fileName(fileName) {}

    [[nodiscard]] bool empty() const { return m_text.empty(); }

    // The next value, or nothing once the text is used up.
    Expected<std::optional<Token>> next() {
        if (m_done) {
            return std::optional<Token>();
        }
        Token token{{}, false, m_line};
        skipBlanks();
        if (peek() == '"') {
            const std::size_t close = m_text.find('"', m_pos + 1);
            if (close == std::string_view::npos) {
                return Expected<std::optional<Token>>::failure(
                    std::string(m_fileName) + ", line " + std::to_string(m_line) +
                    ": a quoted value has no closing quote");
            }
            token.text = m_text.substr(m_pos + 1, close - m_pos - 1);
            token.quoted = true;
            m_line += static_cast<int>(std::count(token.text.begin(), token.text.end(), '\n'));
            m_pos = close + 1;
            while (!atEnd() && peek() != ',' && !isLineEnd(peek())) {
                ++m_pos;
            }
        } else {
            const std::size_t start = m_pos;
            while (!atEnd() && peek() != ',' && !isLineEnd(peek())) {
                ++m_pos;
            }
            token.text = m_text.substr(start, m_pos - start);
            while (!token.text.empty() && isBlank(token.text.back())) {
                token.text.remove_suffix(1);
            }
        }
        if (atEnd()) {
            m_done = true;
        } else {
            skipSeparator();
        }
        return std::optional<Token>(token);
    }

private:
    [[nodiscard]] bool atEnd() const { return m_pos >= m_text.size(); }
    [[nodiscard]] char peek() const { return atEnd() ? '\0' : m_text[m_pos]; }

    void skipBlanks() {
        while (!atEnd() && isBlank(peek())) {
            ++m_pos;
        }
    }

    void skipSeparator() {
        if (peek() == ',') {
            ++m_pos;
            return;
        }
        if (peek() == '\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '\n') {
            ++m_pos;
        }
        ++m_pos;
        ++m_line;
    }

    std::string_view m_text;
    std::string_view m_fileName;
    std::size_t m_pos = 0;
    int m_line = 1;
    bool m_done = false;
};

// Converts tokens into one configuration's values, field by field.
class ValueReader {
public:
    ValueReader(std::string_view fileName, FileValues& values)
        : m_fileName(fileName), m_values(values) {}

    Status read(const Token& token, const ByteField& field) {
        ConfigRecord& fields = m_values.fields;
        switch (field.form) {
        case ByteForm::Character:
        case ByteForm::CharacterPair: {
            const std::optional<int> code = characterCode(token, field.emptyDefault);
            if (!code) {
                return refuse(token, field.name,
                              "must be a quoted character or a character code from 0 to 255");
            }
            // Only the first byte of ModeBytes is kept; the second is always 0.
            fields.*field.text = charField(*code);
            if (field.form == ByteForm::CharacterPair) {
                fields.*field.text += charField(0);
            }
            return Status::success();
        }
        case ByteForm::Number: {
            const std::optional<int> value = number(token, field.emptyDefault);
            if (!value) {
                return refuse(token, field.name, "must be a number from 0 to 255");
            }
            fields.*field.number = *value;
            return Status::success();
        }
        case ByteForm::DecimalText:
            if (!number(token, field.emptyDefault)) {
                return refuse(token, field.name, "must be a number from 0 to 255");
            }
            fields.*field.text =
                token.text.empty() ? std::to_string(field.emptyDefault) : std::string(token.text);
            return Status::success();
        }
        return Status::success();
    }

    Status readExtended(const Token& token, int index) {
        const std::optional<int> value =
            token.text.empty() ? std::nullopt : parseDecimalByte(token.text);
        if (!value) {
            return refuse(token, extParamName(index), "must be a number from 0 to 255");
        }
        m_values.fields.ExtParams[static_cast<std::size_t>(index)] = *value;
        return Status::success();
    }

private:
    static std::optional<int> characterCode(const Token& token, int emptyDefault) {
        if (token.text.empty()) {
            return emptyDefault;
        }
        if (token.quoted) {
            return static_cast<unsigned char>(token.text.front());
        }
        return parseDecimalByte(token.text);
    }

    static std::optional<int> number(const Token& token, int emptyDefault) {
        return token.text.empty() ? emptyDefault : parseDecimalByte(token.text);
    }

    Status refuse(const Token& token, std::string_view name, std::string_view rule) const {
        return Status::failure(std::string(m_fileName) + ", line " + std::to_string(token.line) +
                               ": " + std::string(name) + " " + std::string(rule) + ", not " +
                               quotedExcerpt(token.text));
    }

    std::string_view m_fileName;
    FileValues& m_values;
};

std::string missingValueName(int index) {
    const auto fixed = sectionAFields();
    const auto count = static_cast<int>(fixed.size());
    return index < count ? std::string(fixed[static_cast<std::size_t>(index)].name)
                         : extParamName(index - count);
}

} // namespace

std::string ConfigFileFilter(const ConfigRecord& record) {
    return record.ModelName + " Configuration Files (*.CVF)|*.CVF";
}

std::string SaveExtParams(const ConfigRecord& record) {
    std::string text;
    for (const int32_t value : record.ExtParams) {
        text += std::to_string(value);
        text += kFileLineEnd;
    }
    return text;
}

std::string FormatConfigFile(const ConfigRecord& record) {
    std::string text;
    for (const ByteField& field : sectionAFields()) {
        text += FileValueText(record, field);
        text += kFileLineEnd;
    }
    const SectionB section = sectionBFor(record);
    if (section == SectionB::RegisterMap) {
        return text + SaveExtParams(record);
    }
    for (int index = 0; index < sectionBValueCount(section); index += 2) {
        text += std::to_string(record.ExtParams[static_cast<std::size_t>(index)]) + "," +
                std::to_string(record.ExtParams[static_cast<std::size_t>(index) + 1]);
        text += kFileLineEnd;
    }
    return text;
}

Status SaveConfigFile(const std::string& path, const ConfigRecord& record) {
    return SaveFile(path, FormatConfigFile(record));
}

Expected<FileValues> ParseConfigFile(std::string_view text, SectionB layout,
                                     std::string_view fileName) {
    if (text.starts_with(kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
    }
    Tokenizer tokenizer(text, fileName);
    if (tokenizer.empty()) {
        return Expected<FileValues>::failure(std::string(fileName) + ": the file holds no values");
    }

    const auto fixed = sectionAFields();
    const std::size_t fixedCount = fixed.size();
    const auto perRecord = static_cast<std::size_t>(sectionBValueCount(layout)) + fixedCount;

    FileValues values;
    values.extendedCount = sectionBValueCount(layout);
    ValueReader reader(fileName, values);
    // One configuration's values wait here until it is complete, so that a
    // file cut short is reported as such rather than by a value it left out.
    std::vector<Token> pending;
    pending.reserve(perRecord);
    while (true) {
        Expected<std::optional<Token>> token = tokenizer.next();
        if (!token) {
            return Expected<FileValues>::failure(token.error());
        }
        if (!*token) {
            break;
        }
        pending.push_back(**token);
        if (pending.size() < perRecord) {
            continue;
        }
        for (std::size_t index = 0; index < perRecord; ++index) {
            const Status status =
                index < fixedCount
                    ? reader.read(pending[index], fixed[index])
                    : reader.readExtended(pending[index], static_cast<int>(index - fixedCount));
            if (!status) {
                return Expected<FileValues>::failure(status.error);
            }
        }
        pending.clear();
    }
    if (!pending.empty()) {
        const std::string missing = missingValueName(static_cast<int>(pending.size()));
        return Expected<FileValues>::failure(std::string(fileName) + ": the file ends at line " +
                                             std::to_string(pending.back().line) +
                                             " before the configuration is complete: " + missing +
                                             " is missing (this product's configuration has " +
                                             std::to_string(perRecord) + " values)");
    }
    return values;
}

namespace {

std::string tooLargeText() {
    return "it is larger than " + std::to_string(kMaxConfigFileSize / 1024 / 1024) +
           " MB; a configuration file holds a few kilobytes";
}

// The stream's text, or nothing once it passes the bound: a device, or a
// file that grew since it was measured, is refused without being read to
// its end.
std::optional<std::string> readAtMost(std::istream& in) {
    std::string content;
    std::array<char, 4096> chunk{};
    while (in.read(chunk.data(), chunk.size()) || in.gcount() > 0) {
        content.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
        if (content.size() > kMaxConfigFileSize) {
            return std::nullopt;
        }
    }
    return content;
}

} // namespace

Expected<FileValues> ReadConfigStream(std::istream& in, const ConfigRecord& record,
                                      std::string_view name) {
    const std::optional<std::string> content = readAtMost(in);
    if (!content) {
        return Expected<FileValues>::failure("Cannot open " + std::string(name) + ": " +
                                             tooLargeText());
    }
    if (in.bad()) {
        return Expected<FileValues>::failure("Cannot read " + std::string(name));
    }
    return ParseConfigFile(*content, sectionBFor(record), name);
}

Expected<FileValues> ReadConfigFile(const std::string& path, const ConfigRecord& record) {
    const auto refused = [&path](const std::string& why) {
        return Expected<FileValues>::failure("Cannot open " + path + ": " + why);
    };
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (std::filesystem::is_directory(status)) {
        return refused("it is a folder");
    }
    const std::string tooLarge = tooLargeText();
    if (std::filesystem::is_regular_file(status)) {
        const std::uintmax_t size = std::filesystem::file_size(path, error);
        if (!error && size > kMaxConfigFileSize) {
            return refused(tooLarge);
        }
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return refused(std::strerror(errno));
    }
    const std::optional<std::string> content = readAtMost(in);
    if (!content) {
        return refused(tooLarge);
    }
    if (in.bad()) {
        return Expected<FileValues>::failure("Cannot read " + path + ": " + std::strerror(errno));
    }
    return ParseConfigFile(*content, sectionBFor(record), path);
}

void ApplyFileValues(ConfigRecord& record, const FileValues& values, FileValueView* view) {
    for (const ByteField& field : sectionAFields()) {
        if (field.isText()) {
            record.*field.text = values.fields.*field.text;
        } else {
            record.*field.number = values.fields.*field.number;
        }
    }
    std::copy_n(values.fields.ExtParams.begin(), values.extendedCount, record.ExtParams.begin());
    // Where the values hold no Modbus option byte, its two-wire bit is
    // channel B's wiring, which they do hold; without this a round trip
    // would change the next download of the RMM.
    if (keepsModbusOptions(record) &&
        values.extendedCount <= static_cast<int>(modbus_map::kOptions)) {
        takeTwoWireOption(record);
    }
    if (view) {
        view->showLoadedRecord();
    }
}

Status OpenConfigStream(std::istream& in, ConfigRecord& record, std::string_view name) {
    const Expected<FileValues> values = ReadConfigStream(in, record, name);
    if (!values) {
        return Status::failure(values.error());
    }
    ApplyFileValues(record, *values);
    return Status::success();
}

Status OpenConfigFile(const std::string& path, ConfigRecord& record, FileValueView* view) {
    const Expected<FileValues> values = ReadConfigFile(path, record);
    if (!values) {
        return Status::failure(values.error());
    }
    ApplyFileValues(record, *values, view);
    return Status::success();
}

} // namespace cvcfg
