#include "core/catalogue.h"
#include "core/compare.h"
#include "core/decode.h"
#include "core/fields.h"
#include "tests/support/records.h"

#include <gtest/gtest.h>

namespace cvcfg {
namespace {

// Changes the field's first byte to another value in the same form.
void changeField(ConfigRecord& record, const ByteField& field) {
    switch (field.form) {
    case ByteForm::Number:
        record.*field.number ^= 1;
        return;
    case ByteForm::DecimalText:
        record.*field.text = std::to_string(*fieldByte(record, field) ^ 1);
        return;
    case ByteForm::Character:
    case ByteForm::CharacterPair:
        (record.*field.text)[0] = static_cast<char>((record.*field.text)[0] ^ 1);
        return;
    }
}

TEST(Compare, FindsEachCarriedByteOfEveryLayoutAndNothingElse) {
    for (const Variant& variant : catalogue()) {
        SCOPED_TRACE(std::string(variant.name));
        const ConfigRecord base = test::distinctRecord(variant.name);
        EXPECT_TRUE(compareRecords(base, base).empty());

        std::vector<const ByteField*> fields = {&appCodeField()};
        for (const ByteField& field : sectionAFields()) {
            fields.push_back(&field);
        }
        for (const ByteField* field : fields) {
            ConfigRecord changed = base;
            changeField(changed, *field);
            // Other fields may be listed too, with their codes unchanged,
            // where the field changes how they are read.
            std::vector<Difference> found = compareRecords(base, changed);
            std::erase_if(found, [](const Difference& d) { return d.left.value == d.right.value; });
            ASSERT_EQ(found.size(), 1u) << field->name;
            EXPECT_EQ(found[0].left.field, field->name);
        }
        const int carried = sectionBValueCount(variant.sectionB);
        for (int index = 0; index < kExtParamCount; ++index) {
            ConfigRecord changed = base;
            changed.ExtParams[static_cast<std::size_t>(index)] ^= 1;
            EXPECT_EQ(compareRecords(base, changed).size(), index < carried ? 1u : 0u)
                << "ExtParams[" << index << "]";
        }
    }
}

// The field named, and both values with what they mean.
Difference onlyDifference(const ConfigRecord& left, const ConfigRecord& right) {
    const std::vector<Difference> found = compareRecords(left, right);
    EXPECT_EQ(found.size(), 1u);
    return found.empty() ? Difference{} : found.front();
}

TEST(Compare, SaysWhatBothValuesMean) {
    struct Case {
        const char* variant;
        void (*change)(ConfigRecord&);
        const char* field;
        const char* leftMeaning;
        const char* rightMeaning;
    };
    const Case cases[] = {
        {"CV210-DF1", [](ConfigRecord& r) { r.StationNo = charField(12); }, "StationNo", "octal 1",
         "octal 14"},
        {"CV210-DF1", [](ConfigRecord& r) { r.CHBSpeed = charField(9); }, "CHBSpeed", "9600 Baud",
         "19.2 Kbaud"},
        {"CV210-DF1", [](ConfigRecord& r) { r.CHBParams = 0x26; }, "CHBParams",
         "8 data bits, no parity, 1 stop bit, handshaking ignored, RS-232C",
         "8 data bits, even parity, 1 stop bit, handshaking ignored, RS-422 4-wire"},
        {"CV210-MODBUS", [](ConfigRecord& r) { r.ExtParams[1] = 0x02; }, "Modbus options",
         "RTU framing, slave, no broadcast, RS232/RS422",
         "RTU framing, master, no broadcast, RS232/RS422"},
        {"CV320-ME",
         [](ConfigRecord& r) {
             r.ExtParams[8] = 44;
             r.ExtParams[9] = 1;
         },
         "Modbus slot 0", "unused", "Modbus 300 to 0 to file 0 word 0"},
        {"CV320-ME", [](ConfigRecord& r) { r.ExtParams[16] = 1; }, "Modbus slot 0", "unused",
         "unused, floating point"},
        {"CV-PCI", [](ConfigRecord& r) { r.ExtParams[13] = 0x80; }, "Rack 7 block transfers",
         "none", "7/1"},
        {"CV210-ASCII", [](ConfigRecord& r) { r.ExtParams[3] = 1; }, "ASCII destination file", "",
         ""},
        {"CV310-BTI", [](ConfigRecord& r) { r.ExtParams[0] = 2; }, "Brabender device", "S", "LM"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.variant) + " " + c.field);
        ConfigRecord left = test::df1SetupRecord();
        applyIdentity(left, *findVariant(c.variant));
        ConfigRecord right = left;
        c.change(right);
        const Difference found = onlyDifference(left, right);
        EXPECT_EQ(found.left.field, c.field);
        EXPECT_EQ(found.left.meaning, c.leftMeaning);
        EXPECT_EQ(found.right.meaning, c.rightMeaning);
    }
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The same speed code means another speed on another network, so the
// speed is listed as changed though its code is not.
TEST(Compare, ListsAFieldWhoseCodeIsNowReadAnotherWay) {
    ConfigRecord left = test::df1SetupRecord(); // DH+, NetSpeed 8
    ConfigRecord right = left;
    right.NetType = charField(1);
    const std::vector<Difference> found = compareRecords(left, right);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].left.field, "NetType");
    EXPECT_EQ(found[0].left.meaning, "DH+");
    EXPECT_EQ(found[0].right.meaning, "DH-485");
    EXPECT_EQ(found[1].left.field, "NetSpeed");
    EXPECT_TRUE(contains(found[1].left.meaning, "57.6")) << found[1].left.meaning;
    EXPECT_TRUE(contains(found[1].right.meaning, "9600")) << found[1].right.meaning;
    const std::string text = differencesText(found);
    EXPECT_TRUE(contains(text, "NetSpeed: 8 (57.6") && contains(text, "-> 8 (9600")) << text;

    // Channel A's protocol on the CV310 decides how its station is read.
    ConfigRecord df1 = test::df1SetupRecord();
    applyIdentity(df1, *findVariant("CV310-DFX"));
    df1.NetType = charField(1);
    df1.StationNo = charField(12);
    ConfigRecord modbus = df1;
    modbus.NetType = charField(2);
    const std::vector<Difference> station = compareRecords(df1, modbus);
    ASSERT_EQ(station.size(), 2u);
    EXPECT_EQ(station[1].left.field, "StationNo");
    EXPECT_EQ(station[1].left.meaning, "octal 14");
    EXPECT_EQ(station[1].right.meaning, "Modbus address 12");
    ConfigRecord other = modbus;
    other.StationNo = charField(100);
    const std::vector<Difference> address = compareRecords(modbus, other);
    ASSERT_EQ(address.size(), 1u);
    EXPECT_EQ(differencesText(address),
              "StationNo: 12 (Modbus address 12) -> 100 (Modbus address 100)\n");
}

// The CV310 and CV320 have no A-B network port: NetSpeed is channel A's
// speed code, read against the serial speeds.
TEST(Compare, ReadsNetSpeedAsChannelAWhereThereIsNoNetwork) {
    for (const char* variant : {"CV310-DFX", "CV320-ME"}) {
        SCOPED_TRACE(variant);
        ConfigRecord left = test::df1SetupRecord();
        applyIdentity(left, *findVariant(variant));
        left.NetSpeed = charField(8);
        ConfigRecord right = left;
        right.NetSpeed = charField(2);
        const Difference found = onlyDifference(left, right);
        EXPECT_EQ(found.left.field, "NetSpeed");
        EXPECT_EQ(found.left.meaning, "channel A 9600 Baud");
        EXPECT_EQ(found.right.meaning, "not a known speed code of channel A");
    }
}

// A slot's words are two entries, low byte first; bit 0 of its flag entry
// is floating point, and the entry after it is a spare.
TEST(Compare, TranslationTableHoldsEachSlotAndItsSpare) {
    ConfigRecord record = test::df1SetupRecord();
    applyIdentity(record, *findVariant("CV320-ME"));
    record.ExtParams[8] = 44; // slot 0 start 300
    record.ExtParams[9] = 1;
    record.ExtParams[10] = 255; // end 65535
    record.ExtParams[11] = 255;
    record.ExtParams[12] = 7; // file 7, word 0
    record.ExtParams[16] = 1;
    record.ExtParams[26] = 3; // slot 1: floating point and a bit no dialog sets
    record.ExtParams[87] = 5; // slot 7's spare
    const Table table = translationTable(record);
    ASSERT_EQ(table.rows.size(), 8u);
    ASSERT_EQ(table.heads.size(), table.rows[0].cells.size());
    EXPECT_EQ(table.rows[0].cells,
              (std::vector<std::string>{"0", "300", "65535", "7", "0", "yes", "0"}));
    EXPECT_EQ(table.rows[1].cells[5], "yes (flags 3)");
    EXPECT_EQ(table.rows[6].cells[5], "no");
    EXPECT_EQ(table.rows[7].cells[6], "5");

    // The rows stand for readings of the comparison, each once: a change of
    // a slot's entries is a change of those readings.
    std::vector<std::string> read;
    for (const FieldReading& reading : readFields(record)) {
        read.push_back(reading.field);
    }
    for (const TableRow& row : table.rows) {
        for (const std::string& field : row.fields) {
            EXPECT_EQ(std::count(read.begin(), read.end(), field), 1) << field;
        }
    }
    EXPECT_EQ(table.rows[0].fields, (std::vector<std::string>{"Modbus slot 0", "ExtParams[17]"}));
    ConfigRecord spare = record;
    spare.ExtParams[17] = 9;
    EXPECT_EQ(onlyDifference(record, spare).left.field, "ExtParams[17]");
}

} // namespace
} // namespace cvcfg
