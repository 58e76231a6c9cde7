#include "core/compare.h"
#include "core/configfile.h"
#include "core/decode.h"
#include "core/offered.h"
#include "core/sheet.h"
#include "tests/support/records.h"

#include <gtest/gtest.h>

namespace cvcfg {

void PrintTo(const UnofferedValue& value, std::ostream* os) {
    *os << value.field << " " << value.value << " (" << value.offered << ")";
}

namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A record of the variant with the values its set-up leaves in the fields
// the editor shows: station 1, the network's or channel's 9600/57.6 code.
ConfigRecord setUpRecord(std::string_view variant) {
    ConfigRecord record = test::df1SetupRecord();
    applyIdentity(record, *findVariant(variant));
    if (variant == "CV-PCI") {
        record.HighAddress = charField(0);
        record.CHBSpeed = charField(10); // bus speed 38.4
    }
    return record;
}

ConfigRecord remoteIO(std::string_view variant) {
    ConfigRecord record = setUpRecord(variant);
    record.NetType = charField(1);
    record.HighAddress = charField(1); // one rack
    record.AuxChar = charField(2);     // a full rack
    if (variant == "CV210-KFR") {
        record.ModeBytes = std::string("\x04\x00", 2);
    }
    return record;
}

struct Case {
    const char* name;
    ConfigRecord record;
    const char* field;
    int value;
    const char* offered;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

template <typename Change> ConfigRecord with(ConfigRecord record, Change change) {
    change(record);
    return record;
}

class NotOffered : public testing::TestWithParam<Case> {};

// Each value that no list or button of its product offers is found, alone,
// with the values the editor does offer.
TEST_P(NotOffered, IsFoundWithTheOfferedValues) {
    const Case& c = GetParam();
    const std::vector<UnofferedValue> found = valuesNotOffered(c.record);
    ASSERT_EQ(found.size(), 1u) << testing::PrintToString(found);
    EXPECT_EQ(found[0].field, c.field);
    EXPECT_EQ(found[0].value, c.value);
    EXPECT_EQ(found[0].offered, c.offered);
    EXPECT_FALSE(found[0].meaning.empty());
}

const Case kCases[] = {
    {"CardNetType", with(setUpRecord("CV-PCI"), [](auto& r) { r.NetType = charField(3); }),
     "NetType", 3, "0 DH+, 1 Remote I/O, 2 DH-485"},
    {"CardRackRange", with(remoteIO("CV-PCI"), [](auto& r) { r.HighAddress = charField(8); }),
     "HighAddress", 8, "1 to 7"},
    {"CardRackNumber", with(remoteIO("CV-PCI"), [](auto& r) { r.StationNo = charField(24); }),
     "StationNo", 24, "1 to 23 (octal 1 to 27)"},
    {"CardBusSpeed", with(setUpRecord("CV-PCI"), [](auto& r) { r.CHBSpeed = charField(13); }),
     "CHBSpeed", 13, "4 to 12 (600 Baud to 115.2 Kbaud)"},
    {"CardDH485Station",
     with(setUpRecord("CV-PCI"),
          [](auto& r) {
              r.NetType = charField(2);
              r.StationNo = charField(33);
          }),
     "StationNo", 33, "0 to 32 (octal 0 to 40)"},
    {"KFRRackRange", with(remoteIO("CV210-KFR"), [](auto& r) { r.HighAddress = charField(9); }),
     "HighAddress", 9, "1 to 7"},
    {"KFRRackSize", with(remoteIO("CV210-KFR"), [](auto& r) { r.AuxChar = charField(3); }),
     "AuxChar", 3, "0 1/4, 1 1/2, 2 FULL"},
    {"KFRNetTypeInRemoteIO", with(remoteIO("CV210-KFR"), [](auto& r) { r.NetType = charField(0); }),
     "NetType", 0, "1 Remote I/O"},
    {"DF1NetType", with(setUpRecord("CV210-DF1"), [](auto& r) { r.NetType = charField(2); }),
     "NetType", 2, "0 DH+, 1 DH-485"},
    {"DF1Mode", with(setUpRecord("CV210-DF1"), [](auto& r) { r.ModeBytes[0] = 4; }), "ModeBytes", 4,
     "0 DF1, 1 bridging"},
    {"DH485Speed",
     with(setUpRecord("CV210-DF1"),
          [](auto& r) {
              r.NetType = charField(1);
              r.NetSpeed = charField(10);
          }),
     "NetSpeed", 10, "7 4800 Baud, 8 9600 Baud, 9 19.2 Kbaud"},
    {"DHPlusSpeed", with(setUpRecord("CV210-DF1"), [](auto& r) { r.NetSpeed = charField(7); }),
     "NetSpeed", 7, "8 57.6 Kbaud, 9 115.2 Kbaud, 10 230.4 Kbaud"},
    {"ChannelB230k", with(setUpRecord("CV210-DF1"), [](auto& r) { r.CHBSpeed = charField(13); }),
     "CHBSpeed", 13, "3 to 12 (300 Baud to 115.2 Kbaud)"},
    {"BridgingHighAddress",
     with(setUpRecord("CV210-ENI"),
          [](auto& r) {
              r.ModeBytes[0] = 1;
              r.NetType = charField(1);
              r.HighAddress = charField(33);
          }),
     "HighAddress", 33, "0 to 32 (octal 0 to 40)"},
    {"PC104NetType",
     with(setUpRecord("CV-PC/104-MODBUS"),
          [](auto& r) {
              r.ModeBytes[0] = 1;
              r.NetType = charField(1);
          }),
     "NetType", 1, "0 DH+"},
    {"BroadcastStart", with(setUpRecord("CV320-ME"), [](auto& r) { r.ExtParams[2] = 100; }),
     "ExtParams[2]", 100, "0 to 62 (octal 0 to 76)"},
    {"BroadcastEnd", with(setUpRecord("CV210-MODBUS"), [](auto& r) { r.ExtParams[3] = 200; }),
     "ExtParams[3]", 200, "0 to 62 (octal 0 to 76)"},
    {"PlcType", with(setUpRecord("CV320-ME"), [](auto& r) { r.ExtParams[4] = 7; }), "ExtParams[4]",
     7, "0 to 2"},
    {"AddressDecode", with(setUpRecord("CV310-DMX"), [](auto& r) { r.ExtParams[5] = 9; }),
     "ExtParams[5]", 9, "0 to 2"},
    {"CV320ChannelA", with(setUpRecord("CV320-ME"), [](auto& r) { r.NetSpeed = charField(2); }),
     "NetSpeed", 2, "3 to 13 (300 Baud to 230.4 Kbaud)"},
    {"BrabenderType", with(setUpRecord("CV310-BTI"), [](auto& r) { r.ExtParams[0] = 6; }),
     "ExtParams[0]", 6, "0 to 5"},
};

INSTANTIATE_TEST_SUITE_P(Offered, NotOffered, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The ends of each list are offered: nothing to tell.
TEST(Offered, TheEndsOfEachListAreOffered) {
    const ConfigRecord records[] = {
        with(setUpRecord("CV-PCI"), [](auto& r) { r.StationNo = charField(63); }),
        with(setUpRecord("CV-PCI"), [](auto& r) { r.CHBSpeed = charField(4); }),
        with(remoteIO("CV-PCI"),
             [](auto& r) {
                 r.StationNo = charField(23);
                 r.HighAddress = charField(7);
             }),
        with(remoteIO("CV210-KFR"),
             [](auto& r) {
                 r.StationNo = charField(1);
                 r.AuxChar = charField(0);
             }),
        with(setUpRecord("CV210-DF1"), [](auto& r) { r.CHBSpeed = charField(12); }),
        with(setUpRecord("CV320-ME"),
             [](auto& r) {
                 r.ExtParams[2] = 62;
                 r.ExtParams[3] = 62;
                 r.ExtParams[4] = 2;
                 r.ExtParams[5] = 2;
             }),
    };
    for (const ConfigRecord& record : records) {
        SCOPED_TRACE(record.ModelName);
        EXPECT_EQ(testing::PrintToString(valuesNotOffered(record)), "{}");
    }
}

// The files every editor writes hold only values the editor offers.
TEST(Offered, TheSavedFilesOfEveryProductHoldNothingToTell) {
    const std::pair<const char*, const char*> files[] = {
        {"CV210-DF1", "cv210-df1.CVF"},     {"CV210-KFR", "cv210-kfr.CVF"},
        {"CV210-ASCII", "cv210-ascii.CVF"}, {"CV-PCI", "cv-pci.CVF"},
        {"CV320-ME", "cv320-me.CVF"},       {"CV310-DFX", "cv310-dfx.CVF"},
        {"CV310-DMX", "cv310-dmx.CVF"},     {"CV310-BTI", "cv310-bti.CVF"},
    };
    for (const auto& [variant, file] : files) {
        SCOPED_TRACE(file);
        ConfigRecord record = test::zeroRecord(variant);
        ASSERT_TRUE(OpenConfigFile(test::dataPath(file), record).ok());
        EXPECT_EQ(testing::PrintToString(valuesNotOffered(record)), "{}");
    }
}

TEST(Offered, OneMessageNamesEachFieldItsValueAndTheOfferedOnes) {
    ConfigRecord record = setUpRecord("CV320-ME");
    record.ExtParams[2] = 100;
    record.ExtParams[4] = 7;
    const std::string message = notOfferedMessage(record, valuesNotOffered(record));
    EXPECT_TRUE(contains(message, "CV320-ME"));
    EXPECT_TRUE(contains(message, "ExtParams[2] (broadcast start address) holds 100"));
    EXPECT_TRUE(contains(message, "ExtParams[4] (A-B PLC type) holds 7; the editor offers 0 to 2"));
    EXPECT_TRUE(contains(message, "downloaded as they are"));
}

// show, diff and the sheet share these readings.
TEST(Offered, ReadingsMarkTheFieldsAndOnlyThem) {
    ConfigRecord left = setUpRecord("CV-PCI");
    ConfigRecord right = left;
    right.NetType = charField(3);
    right.StationNo = charField(2);
    const std::vector<Difference> found = compareRecords(left, right);
    // The speed code stays, but no longer reads against the DH+ speeds.
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[2].left.field, "NetSpeed");
    EXPECT_EQ(found[2].left.value, found[2].right.value);
    EXPECT_EQ(found[0].left.note, "");
    EXPECT_TRUE(contains(found[0].right.note, "not offered by the editor"));
    EXPECT_EQ(found[1].right.note, "");
    const std::string text = differencesText(found);
    EXPECT_TRUE(contains(text, "NetType: 0 (DH+) -> 3 (not offered by the editor, which offers 0 "
                               "DH+, 1 Remote I/O, 2 DH-485)"));

    const std::string html = configurationSheetHtml(right, {"card.CVF", ""});
    EXPECT_TRUE(contains(html, "<tr><td>NetType</td><td>3</td><td>not offered by the editor"));
    EXPECT_FALSE(contains(html, "<tr><td>StationNo</td><td>2</td><td>octal 2; not offered"));
}

TEST(Offered, ModbusOptionsNameTheBitsNoDialogSets) {
    EXPECT_EQ(modbusOptionsMeaning(0x45),
              "0x45: ASCII framing, slave, broadcast, RS232/RS422, unknown bit 0x40");
    EXPECT_EQ(modbusOptionsMeaning(0x9A),
              "0x9A: RTU framing, master, no broadcast, RS485 (2 Wire), unknown bit 0x10, "
              "unknown bit 0x80");
    EXPECT_FALSE(contains(modbusOptionsMeaning(0x0F), "unknown"));
}

} // namespace
} // namespace cvcfg
