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

// How a product numbers its Allen-Bradley network in NetType.
enum class NetworkCoding {
    None,      // NetType names channel A's protocol, not a network
    Card,      // 0 DH+, 1 Remote I/O, 2 DH-485
    Converter, // 0 DH+, 1 DH-485 (Remote I/O in a variant's Remote I/O mode)
};

// The form that asks for the variant once the product is chosen.
enum class VariantForm { None, ModelCV210, ModelCV310 };

// What every variant of a product shares.
struct Family {
    std::string_view ModelName;
    // Whether the start asks which link speed the unit has (9600 or 19200);
    // the others always link at 9600.
    bool asksLinkSpeed;
    // Whether an acknowledged download asks for the unit's Reset button.
    bool resetAfterDownload;
    // What the unit shows once it is in configuration mode.
    std::string_view configurationLeds;
    NetworkCoding networks;
    VariantForm variantForm;
    // Whether the Modbus side is a Modbus/TCP port (no serial line, slave).
    bool modbusTcp;
};

// All five families, in the order of product selection.
[[nodiscard]] std::span<const Family> families();

// The family of a model name, or null.
[[nodiscard]] const Family* findFamily(std::string_view ModelName);

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
    // The mode (ModeBytes[0]) in which NetType 1 means Remote I/O; 0 for a
    // variant without Remote I/O.
    int remoteIOMode;
    // Whether channel A's station is a Modbus address (written in decimal)
    // when NetType selects Modbus.
    bool channelAModbusAddress;

    [[nodiscard]] const Family& family() const;
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

// The family of the record's model, or null (before a product is chosen).
[[nodiscard]] const Family* familyOf(const ConfigRecord& record);

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
