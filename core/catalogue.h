#pragma once

#include "core/record.h"

#include <span>
#include <string_view>

namespace cvcfg {

// The extended block that a configuration file carries after its fixed
// fifteen lines, chosen by the product.
enum class SectionB {
    None,          // nothing
    Brabender,     // 1 line: ExtParams 0,1
    AsciiTable,    // 3 lines: ExtParams 0..5 in pairs
    ExtendedBlock, // 7 lines: ExtParams 0..13 in pairs
    RegisterMap,   // 88 lines: ExtParams 0..87, one a line
};

// How many ExtParams entries the section holds (0, 2, 6, 14 or 88).
[[nodiscard]] int sectionBValueCount(SectionB section);

// How many lines the section takes in a file written by this program.
[[nodiscard]] int sectionBLineCount(SectionB section);

// One product variant: what choosing it leaves in the record, and what its
// files and uploads carry.
struct Variant {
    // The name the command line and messages use. It is the ModelVariant
    // except for the CV-PCI card, which has no variant of its own.
    std::string_view name;
    std::string_view ModelVariant;
    std::string_view ModelName;
    int ConfigLength;
    int AppCode; // after set-up; the CV310 and CV320 rows give the editor's value
    SectionB sectionB;
    // Upload: ExtParams values that the first reply carries, and whether the
    // register-map (T E M) and extended-block (T E R) stages follow.
    int uploadStage1Values;
    bool uploadRegisterMap;
    bool uploadExtendedBlock;
};

// All sixteen rows, in catalogue order.
[[nodiscard]] std::span<const Variant> catalogue();

// The row whose name is exactly `name` (case-sensitive), or null.
[[nodiscard]] const Variant* findVariant(std::string_view name);

// The row of a variant the program itself names; a name outside the
// catalogue is a fault of the program (std::logic_error).
[[nodiscard]] const Variant& catalogueRow(std::string_view name);

// The row the record's model and variant stand for, or null.
[[nodiscard]] const Variant* variantOf(const ConfigRecord& record);

// Writes the variant's identity into the record: ModelName, ModelVariant
// (left alone for the CV-PCI card), ConfigLength and AppCode.
void applyIdentity(ConfigRecord& record, const Variant& variant);

// A record of the variant with every parameter zero.
[[nodiscard]] ConfigRecord blankRecord(const Variant& variant);

// The extended section that the record's current model and variant call for.
[[nodiscard]] SectionB sectionBFor(const ConfigRecord& record);

// What the set-ups of the Modbus variants clear: ExtParams[0] and [4..85].
// The option bits, the broadcast addresses and the last two entries keep
// their values.
void clearModbusSetUpEntries(ConfigRecord& record);

// The number of racks a Remote I/O adapter occupies, kept in HighAddress.
// The block-transfer bits of the racks beyond it are cleared, so that
// nothing the operator no longer sees is saved or downloaded.
void takeRackRange(ConfigRecord& record, int racks);

// Sets the two-wire bit of the Modbus option byte as channel B's wiring
// stands (RS485-2 Wire, else RS-232C or RS422): the wiring chooses it.
void takeTwoWireOption(ConfigRecord& record);

// Whether ExtParams[1] is the unit's Modbus option byte: it is, unless the
// variant's block-transfer map or Brabender type claims that entry.
[[nodiscard]] bool keepsModbusOptions(const ConfigRecord& record);

} // namespace cvcfg
