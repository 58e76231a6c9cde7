#pragma once

#include "core/expected.h"
#include "core/record.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace cvcfg {

// The form in which a byte field is held in the record and in a file.
enum class ByteForm {
    Character,     // one character, its code is the byte
    CharacterPair, // two characters (ModeBytes)
    Number,        // integer 0..255
    DecimalText,   // decimal digits of 0..255
};

// One byte field of the record, described once so that the file reader and
// writer, the image encoder and the command line all treat it alike.
struct ByteField {
    std::string_view name;
    ByteForm form;
    // What an empty value in a configuration file stands for: a character
    // code, a number, or the number a decimal text holds.
    int emptyDefault = 0;
    std::string ConfigRecord::*text = nullptr;
    int32_t ConfigRecord::*number = nullptr;

    [[nodiscard]] bool isText() const { return text != nullptr; }
};

// The fifteen fields of a configuration file's fixed section, in file order.
[[nodiscard]] std::span<const ByteField> sectionAFields();

// The application code, which files do not store: it comes from the variant.
[[nodiscard]] const ByteField& appCodeField();

// The field of that exact name among AppCode and the fixed section, or null.
[[nodiscard]] const ByteField* findByteField(std::string_view name);

// The byte that `field` holds (`index` 1 is the second byte of a pair),
// refused with a message naming the field when it holds no byte 0..255.
[[nodiscard]] Expected<uint8_t> fieldByte(const ConfigRecord& record, const ByteField& field,
                                          int index = 0);

// The byte that ExtParams entry `index` holds, refused when not 0..255.
[[nodiscard]] Expected<uint8_t> extParamByte(const ConfigRecord& record, int index);

// The number that a text of decimal digits stands for when it is 0..255;
// nothing for anything but digits (no sign, no blanks).
[[nodiscard]] std::optional<int> parseDecimalByte(std::string_view digits);

// The same for hexadecimal digits, given without their "0x".
[[nodiscard]] std::optional<int> parseHexByte(std::string_view digits);

// How messages and the command line name an ExtParams entry: "ExtParams[8]".
[[nodiscard]] std::string extParamName(int index);

} // namespace cvcfg
