#pragma once

#include "core/codes.h"
#include "core/record.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cvcfg {

// What the record's codes mean, in the words an engineer reads: the one
// decoding that "cvcfg show", the comparison and the configuration sheet
// share.

// A byte as "0x1F".
[[nodiscard]] std::string hexByte(int value);

// The parts joined by the separator.
[[nodiscard]] std::string joinTexts(const std::vector<std::string>& parts,
                                    std::string_view separator = ", ");

// The byte a field of AppCode or the fixed section holds, if it holds one.
[[nodiscard]] std::optional<int> fieldCode(const ConfigRecord& record, std::string_view name);

// "StationNo 12", or the field's name with why it holds no byte.
[[nodiscard]] std::string codeText(const ConfigRecord& record, std::string_view name);

// " (octal 14)" for a value, nothing for none.
[[nodiscard]] std::string octalNote(std::optional<int> value);

// ": 19.2 Kbaud" for a speed code of the table; channels B and C hold code 0
// when the mode leaves them unused (`unusedAtZero`).
[[nodiscard]] std::string speedNote(std::span<const SpeedCode> table, std::optional<int> code,
                                    bool unusedAtZero = true);

// The A-B network the record's NetType selects, where the product has one.
[[nodiscard]] std::optional<Network> networkOf(const ConfigRecord& record);

// Whether StationNo holds a Modbus address, a decimal number 1 to 247: on
// the CV310 variants that show channel A's station, when channel A talks
// Modbus (NetType 2). Elsewhere StationNo is an octal station or rack.
[[nodiscard]] bool stationIsModbusAddress(const ConfigRecord& record);

// The speed table NetSpeed is read against: the network's, or channel A's
// on units without an A-B network port.
[[nodiscard]] std::span<const SpeedCode> netSpeedTable(const ConfigRecord& record);

// "0x06: 8 data bits, even parity, ..." for a channel option byte.
[[nodiscard]] std::string channelMeaning(int32_t bits, bool hasLineType);

// The protocol option byte, as the record's variant uses its bits.
[[nodiscard]] std::string protocolMeaning(const ConfigRecord& record);

// The Modbus option byte, PLC type, address decode and one translation row.
// The option byte's meaning names each set bit that no dialog sets.
[[nodiscard]] std::string modbusOptionsMeaning(int32_t options);
[[nodiscard]] std::string plcTypeMeaning(int32_t type);
[[nodiscard]] std::string addressDecodeMeaning(int32_t decode);
struct RegisterRow {
    int32_t start, end, file, word;
    bool floatingPoint;
};
[[nodiscard]] RegisterRow registerRow(const ConfigRecord& record, int row);
[[nodiscard]] std::string registerRowMeaning(const RegisterRow& row);

// What a translation row is called where it is read: "Modbus slot 0".
[[nodiscard]] std::string registerSlotName(int row);

// A table of cells under column heads; each row names the readings (of
// readFields) that its cells stand for.
struct TableRow {
    std::vector<std::string> fields;
    std::vector<std::string> cells;
};
struct Table {
    std::vector<std::string> heads;
    std::vector<TableRow> rows;
};

// The translation table, a row per slot: its registers, file and word, its
// floating-point flag (and any other flag bits) and its spare entry.
[[nodiscard]] Table translationTable(const ConfigRecord& record);

// The groups and modules of a rack that take part in block transfers:
// "0/0, 1/1" or "none".
[[nodiscard]] std::string rackMeaning(const ConfigRecord& record, int rack);

// The Brabender device type of the BTI variant.
[[nodiscard]] std::string brabenderMeaning(int32_t type);

// The ASCII variants' destination: file and starting word.
[[nodiscard]] int32_t asciiFile(const ConfigRecord& record);
[[nodiscard]] int32_t asciiWord(const ConfigRecord& record);

} // namespace cvcfg
