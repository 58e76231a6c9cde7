#include "core/catalogue.h"
#include "core/record.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

namespace cvcfg {
namespace {

TEST(Catalogue, HoldsSixteenDistinctRows) {
    std::set<std::string_view> names;
    for (const Variant& variant : catalogue()) {
        names.insert(variant.name);
    }
    EXPECT_EQ(names.size(), 16u);
}

TEST(Catalogue, LookupIsExactAndCaseSensitive) {
    ASSERT_NE(findVariant("CV210-DF1"), nullptr);
    EXPECT_EQ(findVariant("cv210-df1"), nullptr);
    EXPECT_EQ(findVariant("CV210-df1"), nullptr);
    EXPECT_EQ(findVariant("CV210"), nullptr);
    EXPECT_EQ(findVariant("CV210-DF1 "), nullptr);
    EXPECT_EQ(findVariant("CV210-SLC5/04"), nullptr);
    EXPECT_NE(findVariant("CV210-SLC5/04 Bridge"), nullptr);
    EXPECT_EQ(findFamily("cv210"), nullptr);
    EXPECT_NE(findFamily("CV-PC/104-MODBUS"), nullptr);
}

// What a variant is, as the product tables give it: identity, the file's
// extended section, the upload stages after the first (T E M, T E R), and
// the variant-specific readings of its fields.
struct Row {
    const char* name;
    const char* model;
    int length;
    int appCode; // the editor's value where the editor stores one
    SectionB section;
    bool registerMapStage;
    bool extendedBlockStage;
    int remoteIOMode;        // ModeBytes[0] that makes NetType 1 Remote I/O
    bool channelAModbusAddr; // channel A Modbus station written in decimal
};

constexpr SectionB kNone = SectionB::None;
constexpr SectionB kMap = SectionB::RegisterMap;

// clang-format off
const Row kRows[] = {
    {"CV210-MODBUS",         "CV210",            138,  1, kMap,                    true,  false, 0, false},
    {"CV-PC/104-MODBUS",     "CV-PC/104-MODBUS", 138,  1, kMap,                    true,  false, 0, false},
    {"CV210-KFR",            "CV210",             64,  7, SectionB::ExtendedBlock, false, true,  4, false},
    {"CV210-RMM",            "CV210",             58, 13, kNone,                   false, false, 1, false},
    {"CV210-ASCII",          "CV210",             58,  9, SectionB::AsciiTable,    false, false, 0, false},
    {"CV210-ENI",            "CV210",             42,  0, kNone,                   false, false, 0, false},
    {"CV210-SLC5/04 Bridge", "CV210",             42,  0, kNone,                   false, false, 0, false},
    {"CV210-DF1",            "CV210",             42,  0, kNone,                   false, false, 0, false},
    {"CV310-DMX",            "CV310",            138,  2, kMap,                    true,  false, 0, true},
    {"CV310-MMX",            "CV310",             42,  1, kNone,                   false, false, 0, false},
    {"CV310-DFX",            "CV310",             42,  3, kNone,                   false, false, 0, true},
    {"CV310-BTI",            "CV310",             58,  4, SectionB::Brabender,     false, false, 0, true},
    {"CV310-DF1",            "CV310",             42,  5, kNone,                   false, false, 0, false},
    {"CV310-DAS",            "CV310",             58,  6, SectionB::AsciiTable,    false, false, 0, true},
    {"CV320-ME",             "CV320",            138,  2, kMap,                    true,  false, 0, false},
    {"CV-PCI",               "CV-PCI",            58,  0, SectionB::ExtendedBlock, false, false, 0, false},
};
// clang-format on

class CatalogueRow : public testing::TestWithParam<Row> {};

TEST_P(CatalogueRow, CarriesTheProductTablesFacts) {
    const Row& row = GetParam();
    const Variant* variant = findVariant(row.name);
    ASSERT_NE(variant, nullptr);
    ConfigRecord record;
    applyIdentity(record, *variant);
    EXPECT_EQ(record.ModelName, row.model);
    EXPECT_EQ(record.ConfigLength, row.length);
    EXPECT_EQ(charCode(record.AppCode), row.appCode);
    EXPECT_EQ(variantOf(record), variant);

    EXPECT_EQ(sectionBFor(record), row.section);
    // The first reply carries a short extended section itself; the CV-PCI
    // card's reply reaches b(69) and holds its whole block.
    const bool laterStage = row.registerMapStage || row.extendedBlockStage;
    const int stage1 = std::string_view(row.model) == "CV-PCI" ? 14
                       : laterStage                            ? 0
                                                               : sectionBValueCount(row.section);
    EXPECT_EQ(variant->uploadStage1Values, stage1);
    EXPECT_EQ(variant->uploadRegisterMap, row.registerMapStage);
    EXPECT_EQ(variant->uploadExtendedBlock, row.extendedBlockStage);
    EXPECT_EQ(variant->remoteIOMode, row.remoteIOMode);
    EXPECT_EQ(variant->channelAModbusAddress, row.channelAModbusAddr);
    EXPECT_EQ(&variant->family(), familyOf(record));
}

INSTANTIATE_TEST_SUITE_P(Rows, CatalogueRow, testing::ValuesIn(kRows), [](const auto& info) {
    std::string name = info.param.name;
    for (char& c : name) {
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return name;
});

struct FamilyFacts {
    const char* model;
    bool asksLinkSpeed;
    bool resetAfterDownload;
    const char* leds;
    NetworkCoding networks;
    VariantForm form;
    bool modbusTcp;
};

constexpr const char* kBus = "'BUS' AND 'STATUS' LEDS SHOULD BE ON !";
constexpr const char* kChannels = "'CHA' AND 'CHC' LEDS SHOULD BE RED!";

// clang-format off
const FamilyFacts kFamilyFacts[] = {
    {"CV210",            true,  true,  kChannels, NetworkCoding::Converter, VariantForm::ModelCV210, false},
    {"CV310",            false, true,  kChannels, NetworkCoding::None,      VariantForm::ModelCV310, false},
    {"CV320",            false, true,  kChannels, NetworkCoding::None,      VariantForm::None,       true},
    {"CV-PCI",           false, false, kBus,      NetworkCoding::Card,      VariantForm::None,       false},
    {"CV-PC/104-MODBUS", false, true,  kBus,      NetworkCoding::Converter, VariantForm::None,       false},
};
// clang-format on

TEST(Catalogue, FamiliesInProductSelectionOrderWithTheirFacts) {
    ASSERT_EQ(families().size(), std::size(kFamilyFacts));
    for (std::size_t i = 0; i < families().size(); ++i) {
        const Family& family = families()[i];
        const FamilyFacts& want = kFamilyFacts[i];
        SCOPED_TRACE(want.model);
        EXPECT_EQ(family.ModelName, want.model);
        EXPECT_EQ(family.asksLinkSpeed, want.asksLinkSpeed);
        EXPECT_EQ(family.resetAfterDownload, want.resetAfterDownload);
        EXPECT_EQ(family.configurationLeds, want.leds);
        EXPECT_EQ(family.networks, want.networks);
        EXPECT_EQ(family.variantForm, want.form);
        EXPECT_EQ(family.modbusTcp, want.modbusTcp);
    }
}

TEST(Catalogue, ProductsWithoutAVariantFormAreKnownByTheirModel) {
    // Choosing the CV-PCI card after a CV310-BTI leaves ModelVariant behind;
    // its files must still read the way its editor writes them.
    ConfigRecord record;
    applyIdentity(record, *findVariant("CV310-BTI"));
    applyIdentity(record, *findVariant("CV-PCI"));
    EXPECT_EQ(record.ModelVariant, "CV310-BTI");
    EXPECT_EQ(record.ModelName, "CV-PCI");
    EXPECT_EQ(sectionBFor(record), SectionB::ExtendedBlock);
    ASSERT_NE(variantOf(record), nullptr);
    EXPECT_EQ(variantOf(record)->name, "CV-PCI");

    // The CV320's model alone selects the register map.
    record.ModelName = "CV320";
    EXPECT_EQ(sectionBFor(record), SectionB::RegisterMap);

    // A CV210 or CV310 needs one of its own variants.
    record.ModelName = "CV210";
    EXPECT_EQ(variantOf(record), nullptr);
    EXPECT_EQ(sectionBFor(record), SectionB::None);
    record.ModelVariant = "CV210-KFR";
    EXPECT_EQ(sectionBFor(record), SectionB::ExtendedBlock);
    record.ModelName = "CV310";
    EXPECT_EQ(variantOf(record), nullptr);
    EXPECT_EQ(familyOf(ConfigRecord{}), nullptr);
}

} // namespace
} // namespace cvcfg
