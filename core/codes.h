#pragma once

#include <cstddef>
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

// The rows of that table from code `first` to code `last`, for a list that
// offers those rates.
[[nodiscard]] std::span<const SpeedCode> serialSpeeds(int first, int last);

// The standard rates of that table, "300" to "230.4" (codes 3 to 13): the
// channel lists of the CV310 and CV320, whose codes are their positions + 3.
[[nodiscard]] std::span<const SpeedCode> channelSpeeds();

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

// The Modbus variants' use of ExtParams: the option bits, the broadcast
// addresses, the A-B PLC type, the master-mode address decode and the
// eight-row register translation table that ends the block.
namespace modbus_map {
inline constexpr std::size_t kOptions = 1;
inline constexpr std::size_t kBroadcastStart = 2;
inline constexpr std::size_t kBroadcastEnd = 3;
inline constexpr std::size_t kPlcType = 4;
inline constexpr std::size_t kAddressDecode = 5;

// Bits of ExtParams[kOptions].
inline constexpr int32_t kAsciiFraming = 0x01; // else RTU
inline constexpr int32_t kMaster = 0x02;       // else slave
inline constexpr int32_t kBroadcast = 0x04;    // broadcast messages
inline constexpr int32_t kTwoWire = 0x08;      // RS485 (2 Wire), else RS232/RS422

// Values of ExtParams[kPlcType] and ExtParams[kAddressDecode].
inline constexpr int32_t kPlc5 = 0;
inline constexpr int32_t kPlc3 = 1;
inline constexpr int32_t kSlc = 2;
inline constexpr int32_t kDecodeSlcPlc = 0; // SLC/PLC - (NXYY:Z)
inline constexpr int32_t kDecodeSlc = 1;    // SLC's - (NXYZ:Z)
inline constexpr int32_t kDecodeMicro = 2;  // MicroLogix's - (NYXZ:Z)

// The broadcast addresses are DH+ nodes 0 to 62.
inline constexpr int kLastBroadcastAddress = 62;

// The translation table: rows of ten entries from ExtParams[8], four 16-bit
// words (low byte first), a flag byte and a spare.
inline constexpr int kRows = 8;
inline constexpr std::size_t kFirstRowEntry = 8;
inline constexpr std::size_t kRowEntries = 10;
enum class Column { Start, End, File, Word };
inline constexpr int kColumns = 4;
inline constexpr int32_t kFloatingPoint = 0x01; // bit of the row's flag byte

// The entry of the low byte of a row's word; the high byte follows it.
[[nodiscard]] constexpr std::size_t wordEntry(int row, Column column) {
    return kFirstRowEntry + kRowEntries * static_cast<std::size_t>(row) +
           2 * static_cast<std::size_t>(column);
}
[[nodiscard]] constexpr std::size_t flagEntry(int row) {
    return kFirstRowEntry + kRowEntries * static_cast<std::size_t>(row) + 8;
}
} // namespace modbus_map

// The ASCII variants' destination in the controller's data table: a file
// number and a starting word, each a 16-bit value low byte first, and
// whether the file is a string file.
namespace ascii_table {
inline constexpr std::size_t kFile = 2;
inline constexpr std::size_t kWord = 4;
inline constexpr int32_t kStringFile = proto_bits::kChannelCCrc; // bit of ProtoParams
} // namespace ascii_table

// The Brabender variant's equipment type, in ExtParams[kType]; the entry
// after it is always 0.
namespace brabender {
inline constexpr std::size_t kType = 0;
inline constexpr std::size_t kSpare = 1;
} // namespace brabender

// The Remote I/O block-transfer map in ExtParams[0..13]: one bit per rack of
// the adapter's range (1 to 7), I/O group (0 to 7) and module slot (0, 1).
namespace block_transfer {
inline constexpr int kRacks = 7;
inline constexpr int kGroups = 8;
inline constexpr int kModules = 2;
inline constexpr int kEntriesPerRack = 2;
inline constexpr int32_t kWholeEntry = 0xFF;

// The entry of a rack's group; groups 0 to 3 in the first, 4 to 7 in the
// second.
[[nodiscard]] constexpr std::size_t entry(int rack, int group) {
    return static_cast<std::size_t>(kEntriesPerRack) * static_cast<std::size_t>(rack - 1) +
           static_cast<std::size_t>(group / 4);
}
// The bit of a group's module within its entry.
[[nodiscard]] constexpr int32_t mask(int group, int module) {
    return int32_t{1} << (2 * (group % 4) + module);
}
} // namespace block_transfer

} // namespace cvcfg
