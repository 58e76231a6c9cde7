#include "core/fields.h"

#include "core/excerpt.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace cvcfg {

namespace {

constexpr ByteField character(std::string_view name, std::string ConfigRecord::*member,
                              int emptyDefault = 0) {
    return {name, ByteForm::Character, emptyDefault, member, nullptr};
}

constexpr ByteField number(std::string_view name, int32_t ConfigRecord::*member) {
    return {name, ByteForm::Number, 0, nullptr, member};
}

constexpr ByteField decimalText(std::string_view name, std::string ConfigRecord::*member) {
    return {name, ByteForm::DecimalText, 0, member, nullptr};
}

// Speed fields default to code 8 (9600 baud, 57.6 kbaud on DH+) when a file
// leaves them empty.
constexpr int kDefaultSpeedCode = 8;

const std::array<ByteField, 15> kSectionA = {
    character("NetType", &ConfigRecord::NetType),
    character("StationNo", &ConfigRecord::StationNo),
    character("HighAddress", &ConfigRecord::HighAddress),
    character("NetSpeed", &ConfigRecord::NetSpeed, kDefaultSpeedCode),
    number("CHAParams", &ConfigRecord::CHAParams),
    character("CHBSpeed", &ConfigRecord::CHBSpeed, kDefaultSpeedCode),
    number("CHBParams", &ConfigRecord::CHBParams),
    character("CHCSpeed", &ConfigRecord::CHCSpeed, kDefaultSpeedCode),
    number("CHCParams", &ConfigRecord::CHCParams),
    number("ProtoParams", &ConfigRecord::ProtoParams),
    ByteField{"ModeBytes", ByteForm::CharacterPair, 0, &ConfigRecord::ModeBytes, nullptr},
    decimalText("NumText1", &ConfigRecord::NumText1),
    decimalText("NumText2", &ConfigRecord::NumText2),
    character("AuxChar", &ConfigRecord::AuxChar),
    number("AuxValue", &ConfigRecord::AuxValue),
};

const ByteField kAppCode = character("AppCode", &ConfigRecord::AppCode);

std::string outOfRange(std::string_view name, long long value) {
    return std::string(name) + " holds " + std::to_string(value) +
           ", which is not a byte (0 to 255)";
}

// Digits only: a sign, a blank or a base prefix is no part of a byte, and
// from_chars alone would take a minus sign and wrap it into the range.
std::optional<int> parseByteDigits(std::string_view digits, int base) {
    const auto isDigit = [base](char c) {
        return (c >= '0' && c <= '9') ||
               (base == 16 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
    };
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), isDigit)) {
        return std::nullopt;
    }
    unsigned value = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, value, base);
    if (error != std::errc() || stop != end || value > 255) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

} // namespace

std::span<const ByteField> sectionAFields() {
    return kSectionA;
}

const ByteField& appCodeField() {
    return kAppCode;
}

const ByteField* findByteField(std::string_view name) {
    if (name == kAppCode.name) {
        return &kAppCode;
    }
    for (const ByteField& field : kSectionA) {
        if (field.name == name) {
            return &field;
        }
    }
    return nullptr;
}

std::optional<int> parseDecimalByte(std::string_view digits) {
    return parseByteDigits(digits, 10);
}

std::optional<int> parseHexByte(std::string_view digits) {
    return parseByteDigits(digits, 16);
}

std::string extParamName(int index) {
    return "ExtParams[" + std::to_string(index) + "]";
}

Expected<uint8_t> fieldByte(const ConfigRecord& record, const ByteField& field, int index) {
    const std::string name(field.name);
    switch (field.form) {
    case ByteForm::Number: {
        const int32_t value = record.*field.number;
        if (value < 0 || value > 255) {
            return Expected<uint8_t>::failure(outOfRange(name, value));
        }
        return static_cast<uint8_t>(value);
    }
    case ByteForm::DecimalText: {
        const std::string& text = record.*field.text;
        if (const auto value = parseDecimalByte(text)) {
            return static_cast<uint8_t>(*value);
        }
        return Expected<uint8_t>::failure(name + " holds " + quotedExcerpt(text) +
                                          ", which is not a number from 0 to 255");
    }
    case ByteForm::Character:
    case ByteForm::CharacterPair: {
        const std::string& text = record.*field.text;
        if (static_cast<std::size_t>(index) >= text.size()) {
            const char* expected =
                field.form == ByteForm::Character ? "one character" : "two characters";
            return Expected<uint8_t>::failure(name + " holds " + std::to_string(text.size()) +
                                              " character(s) where it needs " + expected);
        }
        return static_cast<uint8_t>(text[static_cast<std::size_t>(index)]);
    }
    }
    return Expected<uint8_t>::failure(name + " has no byte form");
}

Expected<uint8_t> extParamByte(const ConfigRecord& record, int index) {
    const int32_t value = record.ExtParams.at(static_cast<std::size_t>(index));
    if (value < 0 || value > 255) {
        return Expected<uint8_t>::failure(outOfRange(extParamName(index), value));
    }
    return static_cast<uint8_t>(value);
}

} // namespace cvcfg
