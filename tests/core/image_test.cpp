#include "core/configfile.h"
#include "core/image.h"
#include "tests/support/records.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace cvcfg {
namespace {

using test::df1SetupRecord;
using test::zeroRecord;

Bytes build(const ConfigRecord& record) {
    const Expected<Bytes> image = BuildConfigImage(record);
    if (!image) {
        ADD_FAILURE() << image.error();
        return {};
    }
    return *image;
}

TEST(ConfigImage, AllZeroDf1RecordCarriesOnlyTheFixedBytes) {
    EXPECT_EQ(hexBytes(build(zeroRecord("CV210-DF1"))),
              "4E 45 45 2A 00 00 00 00 01 00 00 00 00 00 00 00 00 04 99 00 00 00 00 00 00 00 00 "
              "00 00 00 00 00 00 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 00 A6 00");
}

TEST(ConfigImage, Df1SetupRecordEncodesByteForByte) {
    EXPECT_EQ(hexBytes(build(df1SetupRecord())),
              "4E 45 45 2A 00 00 00 00 01 00 00 00 00 00 00 00 00 04 99 00 00 00 00 00 00 00 00 "
              "00 00 00 00 01 02 08 00 08 00 00 00 08 00 00 00 00 00 00 00 01 02 BC 00");
}

// The golden images come from an encoder written apart from this one.
class GoldenImage : public testing::TestWithParam<const char*> {};

TEST_P(GoldenImage, FileOpensToTheImageOnRecord) {
    const std::string name = GetParam();
    std::string variant = name;
    for (char& c : variant) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    ConfigRecord record = zeroRecord(variant);
    ASSERT_TRUE(OpenConfigFile(test::dataPath(name + ".CVF"), record).ok());
    std::string expected = test::readFile(test::dataPath(name + ".hex"));
    expected.pop_back(); // line end
    EXPECT_EQ(hexBytes(build(record)), expected);
}

INSTANTIATE_TEST_SUITE_P(EveryBodyLength, GoldenImage,
                         testing::Values("cv210-df1", "cv210-kfr", "cv-pci", "cv320-me",
                                         "cv310-bti", "cv210-ascii"));

TEST(ConfigImage, ExtendedBlockIsCutToTheBodyLength) {
    struct Case {
        const char* variant;
        int sent;
    };
    for (const Case& c :
         {Case{"CV-PCI", 8}, Case{"CV310-BTI", 8}, Case{"CV210-KFR", 14}, Case{"CV320-ME", 88}}) {
        SCOPED_TRACE(c.variant);
        ConfigRecord record = zeroRecord(c.variant);
        for (int i = 0; i < kExtParamCount; ++i) {
            record.ExtParams[static_cast<std::size_t>(i)] = i + 1;
        }
        const Bytes image = build(record);
        ASSERT_EQ(image.size(), static_cast<std::size_t>(record.ConfigLength + 9));
        for (int offset = 49; offset < 57; ++offset) {
            EXPECT_EQ(image[static_cast<std::size_t>(offset)], 0) << offset;
        }
        for (int i = 0; i < c.sent; ++i) {
            EXPECT_EQ(image[static_cast<std::size_t>(57 + i)], i + 1);
        }
    }
}

TEST(ConfigImage, RegisterMapImageEndsWithTheLastEntry) {
    ConfigRecord record = zeroRecord("CV210-MODBUS");
    record.ExtParams[87] = 0x5A;
    const Bytes image = build(record);
    ASSERT_EQ(image.size(), 147u);
    EXPECT_EQ(image[144], 0x5A);
}

TEST(ConfigImage, ChecksumCoversTheBodyOnly) {
    const std::array<uint8_t, 3> body = {200, 55, 1};
    EXPECT_EQ(ImageChecksum(body), (std::array<uint8_t, 2>{0x00, 0x01}));

    ConfigRecord record = df1SetupRecord();
    const Bytes before = build(record);
    record.ConfigLength = 58; // header byte 3 changes, and the body grows by zeros
    const Bytes after = build(record);
    EXPECT_EQ(before[3], 42);
    EXPECT_EQ(after[3], 58);
    EXPECT_EQ(before[before.size() - 2], after[after.size() - 2]);
    EXPECT_EQ(before.back(), after.back());
}

TEST(ConfigImage, BodyByteRaisesTheLowChecksumByteWithCarry) {
    ConfigRecord record = zeroRecord("CV210-KFR");
    Bytes image = build(record);
    record.ExtParams[0] = 255 - image[image.size() - 2]; // body sum 255
    image = build(record);
    EXPECT_EQ(image[image.size() - 2], 0xFF);
    EXPECT_EQ(image.back(), 0x00);
    record.ExtParams[0] += 1;
    image = build(record);
    EXPECT_EQ(image[image.size() - 2], 0x00);
    EXPECT_EQ(image.back(), 0x01);
}

void expectRefused(const ConfigRecord& record, const std::string& mentions) {
    const Expected<Bytes> image = BuildConfigImage(record);
    ASSERT_FALSE(image.ok());
    EXPECT_NE(image.error().find(mentions), std::string::npos) << image.error();
}

TEST(ConfigImage, RefusesWhatAUnitCannotTake) {
    ConfigRecord record = df1SetupRecord();
    record.ConfigLength = 50;
    expectRefused(record, "ConfigLength is 50");

    record = df1SetupRecord();
    record.CHBParams = 256;
    expectRefused(record, "CHBParams holds 256");
    record.CHBParams = -1;
    expectRefused(record, "CHBParams holds -1");

    record = df1SetupRecord();
    record.NumText2 = "abc";
    expectRefused(record, "NumText2 holds \"abc\"");
    record.NumText2 = "256";
    expectRefused(record, "NumText2");

    record = df1SetupRecord();
    record.StationNo.clear();
    expectRefused(record, "StationNo");

    record = zeroRecord("CV320-ME");
    record.ExtParams[87] = 300;
    expectRefused(record, "ExtParams[87] holds 300");
}

TEST(ConfigImage, ChecksumRefusesASumBeyondItsSignedSixteenBits) {
    // A body of bytes 0..255 cannot get there through the record (its bytes
    // sum to at most 26941), but the checksum must never wrap if one does.
    Bytes body(138, 255);
    EXPECT_FALSE(ImageChecksum(body).has_value());
    body.assign(128, 255);
    body.push_back(127); // 128 * 255 + 127 = 32767
    EXPECT_EQ(ImageChecksum(body), (std::array<uint8_t, 2>{0xFF, 0x7F}));
    body.back() = 128;
    EXPECT_FALSE(ImageChecksum(body).has_value());
}

} // namespace
} // namespace cvcfg
