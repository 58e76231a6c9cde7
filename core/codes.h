#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace cvcfg {

// A speed as the lists show it and the one-byte code the unit takes.
struct SpeedCode {
    std::string_view text;
    int code;
    std::string_view unit; // "Baud" or "Kbaud"
};

// Serial speeds of the channel lists.
[[nodiscard]] std::span<const SpeedCode> SpeedCodeTable();

// The networks a unit can join. Their speed codes are relative to the network.
enum class Network { DHPlus, DH485, RemoteIO };

[[nodiscard]] std::string_view networkName(Network network);
[[nodiscard]] std::span<const SpeedCode> networkSpeeds(Network network);

// The row of `table` with that code, or nothing.
[[nodiscard]] std::optional<SpeedCode> speedByCode(std::span<const SpeedCode> table, int code);

// The row of `table` whose list text is `text`, or nothing.
[[nodiscard]] std::optional<SpeedCode> speedByText(std::span<const SpeedCode> table,
                                                   std::string_view text);

// Station, node and rack lists show two-digit octal texts; an entry n read
// as decimal digits stands for (n / 10) * 8 + n % 10.
[[nodiscard]] constexpr int octalEntryValue(int entry) {
    return (entry / 10) * 8 + entry % 10;
}
[[nodiscard]] std::string octalText(int value);

// Bits of the channel option bytes CHAParams, CHBParams and CHCParams.
namespace channel_bits {
inline constexpr int32_t kHandshake = 0x01; // handshaking active, else ignored
inline constexpr int32_t kParity = 0x02;    // parity enabled
inline constexpr int32_t kEven = 0x04;      // even parity, else odd
inline constexpr int32_t kTwoStop = 0x08;   // 2 stop bits, else 1
inline constexpr int32_t kSevenData = 0x10; // 7 data bits, else 8
inline constexpr int32_t kRs422 = 0x20;     // RS-422/485 line, else RS-232C (channels A, B)
inline constexpr int32_t kRs485 = 0x40;     // two-wire RS-485, else four-wire RS-422
} // namespace channel_bits

// Bits of the protocol option byte ProtoParams.
namespace proto_bits {
inline constexpr int32_t kCrc = 0x01;                // channel A / DF1 message check CRC, else BCC
inline constexpr int32_t kAcceptDuplicates = 0x02;   // else ignore duplicate messages
inline constexpr int32_t kExecuteEmbedded = 0x04;    // embedded responses executed, else none
inline constexpr int32_t kPassDiagnostics = 0x08;    // diagnostics passed, else executed
inline constexpr int32_t kHalfDuplex = 0x10;         // half duplex / multi-drop, else full duplex
inline constexpr int32_t kChannelBHalfDuplex = 0x20; // channel B half-duplex master
inline constexpr int32_t kChannelBCrc = 0x40;        // channel B CRC, else BCC
inline constexpr int32_t kChannelCCrc = 0x80;        // channel C CRC; ASCII variants: string file
} // namespace proto_bits

} // namespace cvcfg
