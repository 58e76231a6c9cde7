#include "core/catalogue.h"
#include "core/record.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

namespace cvcfg {
namespace {

TEST(BitHelpers, SetAndClearTouchOnlyTheMask) {
    EXPECT_EQ(ClearBits(255, 8), 247);
    EXPECT_EQ(SetBits(0, 8), 8);
    EXPECT_EQ(SetBits(8, 8), 8);
    EXPECT_EQ(ClearBits(0x46, 0x04), 0x42);
}

TEST(WordHelpers, SplitAndJoinAreInverse) {
    const WordBytes bytes = SplitWord(40001);
    EXPECT_EQ(bytes.HiByte, 156);
    EXPECT_EQ(bytes.LoByte, 65);
    EXPECT_EQ(JoinWord(156, 65), 40001);
    for (int value = 0; value <= 65535; ++value) {
        const WordBytes split = SplitWord(value);
        ASSERT_EQ(JoinWord(split.HiByte, split.LoByte), value);
        ASSERT_LE(split.LoByte, 255);
    }
}

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
}

struct Expectation {
    const char* name;
    const char* model;
    int length;
    int appCode;
};

TEST(Catalogue, RowsCarryTheirLengthAndEffectiveAppCode) {
    const Expectation expected[] = {
        {"CV210-MODBUS", "CV210", 138, 1},
        {"CV-PC/104-MODBUS", "CV-PC/104-MODBUS", 138, 1},
        {"CV210-KFR", "CV210", 64, 7},
        {"CV210-RMM", "CV210", 58, 13},
        {"CV210-ASCII", "CV210", 58, 9},
        {"CV210-ENI", "CV210", 42, 0},
        {"CV210-SLC5/04 Bridge", "CV210", 42, 0},
        {"CV210-DF1", "CV210", 42, 0},
        {"CV310-DMX", "CV310", 138, 2},
        {"CV310-MMX", "CV310", 42, 1},
        {"CV310-DFX", "CV310", 42, 3},
        {"CV310-BTI", "CV310", 58, 4},
        {"CV310-DF1", "CV310", 42, 5},
        {"CV310-DAS", "CV310", 58, 6},
        {"CV320-ME", "CV320", 138, 2},
        {"CV-PCI", "CV-PCI", 58, 0},
    };
    for (const Expectation& row : expected) {
        SCOPED_TRACE(row.name);
        const Variant* variant = findVariant(row.name);
        ASSERT_NE(variant, nullptr);
        ConfigRecord record;
        applyIdentity(record, *variant);
        EXPECT_EQ(record.ModelName, row.model);
        EXPECT_EQ(record.ConfigLength, row.length);
        EXPECT_EQ(charCode(record.AppCode), row.appCode);
        EXPECT_EQ(variantOf(record), variant);
    }
}

TEST(Catalogue, ExtendedSectionFollowsTheRecordsModelAndVariant) {
    for (const Variant& variant : catalogue()) {
        SCOPED_TRACE(std::string(variant.name));
        ConfigRecord record;
        applyIdentity(record, variant);
        EXPECT_EQ(sectionBFor(record), variant.sectionB);
    }
}

TEST(Catalogue, CardKeepsItsOwnSectionWhateverVariantWasLeftBefore) {
    // Choosing the CV-PCI card after a CV310-BTI leaves ModelVariant behind;
    // its files must still read the way its editor writes them.
    ConfigRecord record;
    applyIdentity(record, *findVariant("CV310-BTI"));
    applyIdentity(record, *findVariant("CV-PCI"));
    EXPECT_EQ(record.ModelVariant, "CV310-BTI");
    EXPECT_EQ(record.ModelName, "CV-PCI");
    EXPECT_EQ(sectionBFor(record), SectionB::ExtendedBlock);
    EXPECT_EQ(variantOf(record)->name, "CV-PCI");
}

TEST(Catalogue, UploadStagesFollowTheProduct) {
    for (const Variant& variant : catalogue()) {
        SCOPED_TRACE(std::string(variant.name));
        const bool modbusGroup = variant.sectionB == SectionB::RegisterMap;
        EXPECT_EQ(variant.uploadRegisterMap, modbusGroup);
        EXPECT_EQ(variant.uploadExtendedBlock, variant.name == "CV210-KFR");
        // Every other extended section arrives with the first reply.
        const bool laterStage = variant.uploadRegisterMap || variant.uploadExtendedBlock;
        EXPECT_EQ(variant.uploadStage1Values,
                  laterStage ? 0 : sectionBValueCount(variant.sectionB));
    }
}

} // namespace
} // namespace cvcfg
