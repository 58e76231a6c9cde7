#include "core/catalogue.h"

#include "core/codes.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace cvcfg {

namespace {

// clang-format off
constexpr std::string_view kBusLeds = "'BUS' AND 'STATUS' LEDS SHOULD BE ON !";
constexpr std::string_view kChannelLeds = "'CHA' AND 'CHC' LEDS SHOULD BE RED!";

constexpr std::array<Family, 5> kFamilies = {{
    // ModelName          link speed  Reset  LEDs           networks                  variant form             TCP
    {"CV210",             true,       true,  kChannelLeds,  NetworkCoding::Converter, VariantForm::ModelCV210, false},
    {"CV310",             false,      true,  kChannelLeds,  NetworkCoding::None,      VariantForm::ModelCV310, false},
    {"CV320",             false,      true,  kChannelLeds,  NetworkCoding::None,      VariantForm::None,   true},
    {"CV-PCI",            false,      false, kBusLeds,      NetworkCoding::Card,      VariantForm::None,   false},
    {"CV-PC/104-MODBUS",  false,      true,  kBusLeds,      NetworkCoding::Converter, VariantForm::None,   false},
}};

// The CV-PCI card has no variant of its own: its row's ModelVariant is empty.
constexpr std::array<Variant, 16> kCatalogue = {{
    // name                   ModelVariant            ModelName           len  app  section B                 up1  TEM    TER    RIO  A-Modbus
    {"CV210-MODBUS",         "CV210-MODBUS",         "CV210",            138,  1, SectionB::RegisterMap,    0, true,  false, 0, false},
    {"CV-PC/104-MODBUS",     "CV-PC/104-MODBUS",     "CV-PC/104-MODBUS", 138,  1, SectionB::RegisterMap,    0, true,  false, 0, false},
    {"CV210-KFR",            "CV210-KFR",            "CV210",             64,  7, SectionB::ExtendedBlock,  0, false, true,  4, false},
    {"CV210-RMM",            "CV210-RMM",            "CV210",             58, 13, SectionB::None,           0, false, false, 1, false},
    {"CV210-ASCII",          "CV210-ASCII",          "CV210",             58,  9, SectionB::AsciiTable,     6, false, false, 0, false},
    {"CV210-ENI",            "CV210-ENI",            "CV210",             42,  0, SectionB::None,           0, false, false, 0, false},
    {"CV210-SLC5/04 Bridge", "CV210-SLC5/04 Bridge", "CV210",             42,  0, SectionB::None,           0, false, false, 0, false},
    {"CV210-DF1",            "CV210-DF1",            "CV210",             42,  0, SectionB::None,           0, false, false, 0, false},
    {"CV310-DMX",            "CV310-DMX",            "CV310",            138,  2, SectionB::RegisterMap,    0, true,  false, 0, true},
    {"CV310-MMX",            "CV310-MMX",            "CV310",             42,  1, SectionB::None,           0, false, false, 0, false},
    {"CV310-DFX",            "CV310-DFX",            "CV310",             42,  3, SectionB::None,           0, false, false, 0, true},
    {"CV310-BTI",            "CV310-BTI",            "CV310",             58,  4, SectionB::Brabender,      2, false, false, 0, true},
    {"CV310-DF1",            "CV310-DF1",            "CV310",             42,  5, SectionB::None,           0, false, false, 0, false},
    {"CV310-DAS",            "CV310-DAS",            "CV310",             58,  6, SectionB::AsciiTable,     6, false, false, 0, true},
    {"CV320-ME",             "CV320-ME",             "CV320",            138,  2, SectionB::RegisterMap,    0, true,  false, 0, false},
    {"CV-PCI",               "",                     "CV-PCI",            58,  0, SectionB::ExtendedBlock, 14, false, false, 0, false},
}};
// clang-format on

} // namespace

int sectionBValueCount(SectionB section) {
    switch (section) {
    case SectionB::None:
        return 0;
    case SectionB::Brabender:
        return 2;
    case SectionB::AsciiTable:
        return 6;
    case SectionB::ExtendedBlock:
        return 14;
    case SectionB::RegisterMap:
        return kExtParamCount;
    }
    return 0;
}

int sectionBLineCount(SectionB section) {
    // The register map stands one value a line; the shorter sections in pairs.
    const int values = sectionBValueCount(section);
    return section == SectionB::RegisterMap ? values : values / 2;
}

std::span<const Variant> catalogue() {
    return kCatalogue;
}

const Variant* findVariant(std::string_view name) {
    for (const Variant& variant : kCatalogue) {
        if (variant.name == name) {
            return &variant;
        }
    }
    return nullptr;
}

const Variant& catalogueRow(std::string_view name) {
    const Variant* variant = findVariant(name);
    if (!variant) {
        throw std::logic_error("no catalogue row for " + std::string(name));
    }
    return *variant;
}

std::span<const Family> families() {
    return kFamilies;
}

const Family* findFamily(std::string_view ModelName) {
    for (const Family& family : kFamilies) {
        if (family.ModelName == ModelName) {
            return &family;
        }
    }
    return nullptr;
}

const Family& Variant::family() const {
    const Family* found = findFamily(ModelName);
    if (!found) {
        throw std::logic_error("no family row for " + std::string(ModelName));
    }
    return *found;
}

const Variant* variantOf(const ConfigRecord& record) {
    // A product without a variant form has one variant, which its model
    // names: the CV-PCI card even keeps whatever ModelVariant an earlier
    // product left.
    const Family* family = familyOf(record);
    const bool byModel = family && family->variantForm == VariantForm::None;
    for (const Variant& variant : kCatalogue) {
        if (variant.ModelName == record.ModelName &&
            (byModel || variant.ModelVariant == record.ModelVariant)) {
            return &variant;
        }
    }
    return nullptr;
}

const Family* familyOf(const ConfigRecord& record) {
    return findFamily(record.ModelName);
}

void applyIdentity(ConfigRecord& record, const Variant& variant) {
    record.ModelName = variant.ModelName;
    if (!variant.ModelVariant.empty()) {
        record.ModelVariant = variant.ModelVariant;
    }
    record.ConfigLength = static_cast<int16_t>(variant.ConfigLength);
    record.AppCode = charField(variant.AppCode);
}

ConfigRecord blankRecord(const Variant& variant) {
    ConfigRecord record;
    applyIdentity(record, variant);
    zeroParameters(record);
    applyIdentity(record, variant); // zeroParameters cleared AppCode too
    return record;
}

SectionB sectionBFor(const ConfigRecord& record) {
    const Variant* variant = variantOf(record);
    return variant ? variant->sectionB : SectionB::None;
}

void clearModbusSetUpEntries(ConfigRecord& record) {
    constexpr std::ptrdiff_t kFirstCleared = 4;
    constexpr std::ptrdiff_t kKept = 2;
    record.ExtParams[0] = 0;
    std::fill(record.ExtParams.begin() + kFirstCleared, record.ExtParams.end() - kKept, 0);
}

void takeRackRange(ConfigRecord& record, int racks) {
    using namespace block_transfer;
    record.HighAddress = charField(racks);
    const std::size_t end = entry(kRacks + 1, 0);
    for (std::size_t index = entry(std::clamp(racks, 0, kRacks) + 1, 0); index < end; ++index) {
        record.ExtParams[index] = 0;
    }
}

void takeTwoWireOption(ConfigRecord& record) {
    using namespace channel_bits;
    constexpr int32_t kTwoWireLine = kRs422 | kRs485;
    int32_t& options = record.ExtParams[modbus_map::kOptions];
    options = (record.CHBParams & kTwoWireLine) == kTwoWireLine
                  ? SetBits(options, modbus_map::kTwoWire)
                  : ClearBits(options, modbus_map::kTwoWire);
}

bool keepsModbusOptions(const ConfigRecord& record) {
    const SectionB section = sectionBFor(record);
    return section != SectionB::ExtendedBlock && section != SectionB::Brabender;
}

} // namespace cvcfg
