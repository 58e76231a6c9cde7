#include "core/catalogue.h"

#include "core/codes.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace cvcfg {

namespace {

constexpr std::string_view kPci = "CV-PCI";

// clang-format off
constexpr std::array<Variant, 16> kCatalogue = {{
    // name                   ModelVariant            ModelName           len  app  section B                 up1  TEM    TER
    {"CV210-MODBUS",         "CV210-MODBUS",         "CV210",            138,  1, SectionB::RegisterMap,    0, true,  false},
    {"CV-PC/104-MODBUS",     "CV-PC/104-MODBUS",     "CV-PC/104-MODBUS", 138,  1, SectionB::RegisterMap,    0, true,  false},
    {"CV210-KFR",            "CV210-KFR",            "CV210",             64,  7, SectionB::ExtendedBlock,  0, false, true},
    {"CV210-RMM",            "CV210-RMM",            "CV210",             58, 13, SectionB::None,           0, false, false},
    {"CV210-ASCII",          "CV210-ASCII",          "CV210",             58,  9, SectionB::AsciiTable,     6, false, false},
    {"CV210-ENI",            "CV210-ENI",            "CV210",             42,  0, SectionB::None,           0, false, false},
    {"CV210-SLC5/04 Bridge", "CV210-SLC5/04 Bridge", "CV210",             42,  0, SectionB::None,           0, false, false},
    {"CV210-DF1",            "CV210-DF1",            "CV210",             42,  0, SectionB::None,           0, false, false},
    {"CV310-DMX",            "CV310-DMX",            "CV310",            138,  2, SectionB::RegisterMap,    0, true,  false},
    {"CV310-MMX",            "CV310-MMX",            "CV310",             42,  1, SectionB::None,           0, false, false},
    {"CV310-DFX",            "CV310-DFX",            "CV310",             42,  3, SectionB::None,           0, false, false},
    {"CV310-BTI",            "CV310-BTI",            "CV310",             58,  4, SectionB::Brabender,      2, false, false},
    {"CV310-DF1",            "CV310-DF1",            "CV310",             42,  5, SectionB::None,           0, false, false},
    {"CV310-DAS",            "CV310-DAS",            "CV310",             58,  6, SectionB::AsciiTable,     6, false, false},
    {"CV320-ME",             "CV320-ME",             "CV320",            138,  2, SectionB::RegisterMap,    0, true,  false},
    {kPci,                   "",                     kPci,                58,  0, SectionB::ExtendedBlock, 14, false, false},
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

const Variant* variantOf(const ConfigRecord& record) {
    if (record.ModelName == kPci) {
        return findVariant(kPci);
    }
    const Variant* variant = findVariant(record.ModelVariant);
    return variant && variant->ModelName == record.ModelName ? variant : nullptr;
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
    // The CV-PCI card keeps whatever ModelVariant an earlier product left, so
    // its model decides before any variant test; its editor always writes the
    // fourteen-entry block, and reading must take what writing gave.
    if (record.ModelName == kPci) {
        return SectionB::ExtendedBlock;
    }
    const std::string& variant = record.ModelVariant;
    if (variant == "CV310-BTI") {
        return SectionB::Brabender;
    }
    if (variant == "CV310-DAS" || variant == "CV210-ASCII") {
        return SectionB::AsciiTable;
    }
    if (variant == "CV210-KFR") {
        return SectionB::ExtendedBlock;
    }
    if (record.ModelName == "CV320" || variant == "CV-PC/104-MODBUS" || variant == "CV210-MODBUS" ||
        variant == "CV310-DMX") {
        return SectionB::RegisterMap;
    }
    return SectionB::None;
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
    const auto first = record.ExtParams.begin();
    std::fill(first + kEntriesPerRack * std::clamp(racks, 0, kRacks),
              first + kEntriesPerRack * kRacks, 0);
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
