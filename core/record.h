#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace cvcfg {

inline constexpr int kExtParamCount = 88;

// The one configuration record of a run, handed to every part that reads or
// writes it. Byte fields keep the form in which configuration files store
// them, so that a file read and written again is the same file:
// - character fields hold a one-character text whose character code is the byte;
// - number fields hold the byte as an integer;
// - decimal-text fields hold the byte as decimal digits.
// A fresh record has every text empty and every number 0.
struct ConfigRecord {
    // Identity of the product, and run-time state of the link.
    std::string ModelName;
    std::string ModelVariant;
    int16_t ConfigLength = 0;
    std::string BridgeCaption;
    std::string NetworkName;
    std::string LinkBaud;
    int32_t ComPort = 0;
    int32_t CommStatus = 0;
    bool TimeoutFlag = false;

    // The unit's parameters, in the order the download image carries them.
    std::string AppCode;     // character
    std::string NetType;     // character
    std::string StationNo;   // character
    std::string HighAddress; // character
    std::string NetSpeed;    // character
    int32_t CHAParams = 0;   // number, bit set
    std::string CHBSpeed;    // character
    int32_t CHBParams = 0;   // number, bit set
    std::string CHCSpeed;    // character
    int32_t CHCParams = 0;   // number, bit set
    int32_t ProtoParams = 0; // number, bit set
    std::string ModeBytes;   // two characters
    std::string NumText1;    // decimal text
    std::string NumText2;    // decimal text
    std::string AuxChar;     // character
    int32_t AuxValue = 0;    // number
    std::array<int32_t, kExtParamCount> ExtParams{};

    bool operator==(const ConfigRecord&) const = default;
};

// The one-character text of a character field holding `code` (0..255).
[[nodiscard]] std::string charField(int code);

// The code a character field holds: that of its first character, or nothing
// when the field is empty.
[[nodiscard]] std::optional<int> charCode(const std::string& field);

// Sets every unit parameter to 0 in its own form (characters of code 0,
// decimal texts "0", numbers 0); identity and link state stay as they are.
void zeroParameters(ConfigRecord& record);

// Bit helpers through which every option of the channel, protocol and Modbus
// dialogs writes its bit.
[[nodiscard]] constexpr int32_t SetBits(int32_t value, int32_t mask) {
    return value | mask;
}
[[nodiscard]] constexpr int32_t ClearBits(int32_t value, int32_t mask) {
    return value & ~mask;
}

// A 16-bit value kept in two ExtParams entries, low byte in the lower entry.
struct WordBytes {
    int32_t HiByte = 0;
    int32_t LoByte = 0;
};

// HiByte is value / 256 truncated toward zero, LoByte is value And 255.
[[nodiscard]] constexpr WordBytes SplitWord(int32_t value) {
    return {value / 256, value & 255};
}
[[nodiscard]] constexpr int32_t JoinWord(int32_t high, int32_t low) {
    return high * 256 + low;
}

} // namespace cvcfg
