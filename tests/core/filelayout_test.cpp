#include "core/configfile.h"
#include "core/filelayout.h"
#include "tests/support/records.h"
#include "tests/support/tempdir.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>

namespace cvcfg {
namespace {

using test::dataPath;
using test::readFile;

std::vector<std::string> names(const std::vector<const Variant*>& variants) {
    std::vector<std::string> result;
    for (const Variant* variant : variants) {
        result.emplace_back(variant->name);
    }
    std::sort(result.begin(), result.end());
    return result;
}

// The variants that write each length of file, sorted by name.
const std::vector<std::string> kFifteenLines = {
    "CV210-DF1", "CV210-ENI", "CV210-RMM", "CV210-SLC5/04 Bridge",
    "CV310-DF1", "CV310-DFX", "CV310-MMX"};
const std::vector<std::string> kSixteenLines = {"CV310-BTI"};
const std::vector<std::string> kEighteenLines = {"CV210-ASCII", "CV310-DAS"};
const std::vector<std::string> kTwentyTwoLines = {"CV-PCI", "CV210-KFR"};
const std::vector<std::string> kModbusGroup = {"CV-PC/104-MODBUS", "CV210-MODBUS", "CV310-DMX",
                                               "CV320-ME"};

struct GoldenFile {
    const char* file;
    const std::vector<std::string>* variants;
};

class LayoutOfGoldenFile : public testing::TestWithParam<GoldenFile> {};

TEST_P(LayoutOfGoldenFile, NamesEveryVariantThatWritesItsLayoutAndNoOther) {
    EXPECT_EQ(names(variantsFittingFile(readFile(dataPath(GetParam().file)))),
              *GetParam().variants);
}

INSTANTIATE_TEST_SUITE_P(Files, LayoutOfGoldenFile,
                         testing::Values(GoldenFile{"cv210-df1.CVF", &kFifteenLines},
                                         GoldenFile{"cv310-mmx.CVF", &kFifteenLines},
                                         GoldenFile{"cv310-bti.CVF", &kSixteenLines},
                                         GoldenFile{"cv210-ascii.CVF", &kEighteenLines},
                                         GoldenFile{"cv310-das.CVF", &kEighteenLines},
                                         GoldenFile{"cv210-kfr.CVF", &kTwentyTwoLines},
                                         GoldenFile{"cv-pci.CVF", &kTwentyTwoLines},
                                         GoldenFile{"cv320-me.CVF", &kModbusGroup},
                                         GoldenFile{"cv310-dmx.CVF", &kModbusGroup}));

// A BTI file: fifteen fixed values, then the Brabender type and one more.
std::string btiFile(std::string_view tail) {
    return "\"\"\r\n\"\x01\"\r\n\"\"\r\n\"\b\"\r\n0\r\n\"\b\"\r\n0\r\n\"\b\"\r\n0\r\n0\r\n"
           "\"\"\r\n\"0\"\r\n\"0\"\r\n\"\"\r\n0\r\n" +
           std::string(tail);
}

TEST(FileLayout, GoesByTheValuesNotByTheLines) {
    EXPECT_EQ(names(variantsFittingFile(btiFile("3,0\r\n"))), kSixteenLines);
    // The pair split over two lines reads as the same two values.
    EXPECT_EQ(names(variantsFittingFile(btiFile("3\r\n0\r\n"))), kSixteenLines);
    // Two complete configurations, of which an editor takes the last.
    EXPECT_EQ(names(variantsFittingFile(btiFile("3,0\r\n") + btiFile("2,0\r\n"))), kSixteenLines);
}

TEST(FileLayout, ATextNoProductWritesFitsNothing) {
    // One value short of the Brabender layout, one over it.
    EXPECT_TRUE(variantsFittingFile(btiFile("3\r\n")).empty());
    EXPECT_TRUE(variantsFittingFile(btiFile("3,0\r\n1\r\n")).empty());
    // The right count, but a section value no byte holds.
    EXPECT_TRUE(variantsFittingFile(btiFile("3,256\r\n")).empty());
    EXPECT_TRUE(variantsFittingFile("").empty());
    EXPECT_TRUE(variantsFittingFile("\x89PNG\r\n\x1a\n").empty());
}

TEST(FileLayout, AFileThatCannotBeReadOrFitsNothingIsRefusedByName) {
    test::TempDir dir;
    const Expected<std::vector<const Variant*>> missing =
        variantsFittingFileAt(dir.path("absent.CVF"));
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().find("absent.CVF"), std::string::npos) << missing.error();

    EXPECT_FALSE(variantsFittingFileAt(dir.path("")).ok()) << "a folder";

    const std::string notes = dir.path("notes.CVF");
    std::ofstream(notes) << "not a configuration\n";
    const Expected<std::vector<const Variant*>> refused = variantsFittingFileAt(notes);
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().find("notes.CVF"), std::string::npos) << refused.error();

    const Expected<std::vector<const Variant*>> bti =
        variantsFittingFileAt(dataPath("cv310-bti.CVF"));
    ASSERT_TRUE(bti.ok()) << bti.error();
    EXPECT_EQ(names(*bti), kSixteenLines);
}

} // namespace
} // namespace cvcfg
