#include "core/catalogue.h"
#include "core/compare.h"
#include "core/image.h"
#include "core/sheet.h"
#include "tests/support/records.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

namespace cvcfg {
namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string escapedHtml(std::string text) {
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"&", "&amp;"},
                                   {"<", "&lt;"},
                                   {">", "&gt;"},
                                   {"\"", "&quot;"}}) {
        for (std::size_t at = text.find(from); at != std::string::npos;
             at = text.find(from, at + to.size())) {
            text.replace(at, from.size(), to);
        }
    }
    return text;
}

TEST(Sheet, HoldsEveryDecodedValueOfItsRecord) {
    for (const Variant& variant : catalogue()) {
        SCOPED_TRACE(std::string(variant.name));
        ConfigRecord record = test::distinctRecord(variant.name);
        // Entries a file can hold, so that the image can be built.
        for (int32_t& entry : record.ExtParams) {
            entry %= 200;
        }
        const std::string html = configurationSheetHtml(record, {"plant <7>.CVF", "2026-12-06"});
        EXPECT_TRUE(contains(html, "Configuration of " + std::string(variant.name)));
        EXPECT_TRUE(contains(html, "plant &lt;7&gt;.CVF"));
        EXPECT_TRUE(contains(html, "2026-12-06"));
        const Bytes image = *BuildConfigImage(record);
        char checksum[8];
        std::snprintf(checksum, sizeof checksum, "0x%04X",
                      image[image.size() - 2] | (image[image.size() - 1] << 8));
        EXPECT_TRUE(contains(html, std::to_string(image.size()) + " bytes, checksum " + checksum));
        for (const FieldReading& field : readFields(record)) {
            EXPECT_TRUE(contains(html, "<tr><td>" + escapedHtml(field.field) + "</td><td>" +
                                           escapedHtml(field.value) + "</td><td>" +
                                           escapedHtml(readingMeaning(field)) + "</td></tr>"))
                << field.field;
        }
    }
}

TEST(Sheet, ShowsTheTranslationTableAndTheBlockTransferMap) {
    ConfigRecord modbus = test::zeroRecord("CV210-MODBUS");
    modbus.ExtParams[8 + 10 * 2] = 44;
    modbus.ExtParams[9 + 10 * 2] = 1;
    modbus.ExtParams[16 + 10 * 2] = 1;
    modbus.ExtParams[17 + 10 * 2] = 5; // the spare entry goes to the unit too
    EXPECT_TRUE(contains(
        configurationSheetHtml(modbus, {}),
        "<tr><td>2</td><td>300</td><td>0</td><td>0</td><td>0</td><td>yes</td><td>5</td></tr>"));

    ConfigRecord card = test::zeroRecord("CV-PCI");
    card.StationNo = charField(8);
    card.ExtParams[2] = 0x81; // rack 2: group 0 module 0, group 3 module 1
    const std::string html = configurationSheetHtml(card, {});
    EXPECT_TRUE(contains(html, "<tr><td>2 (address 11)</td><td>X</td><td></td>"));
    std::size_t marks = 0;
    for (std::size_t at = html.find("<td>X</td>"); at != std::string::npos;
         at = html.find("<td>X</td>", at + 1)) {
        ++marks;
    }
    EXPECT_EQ(marks, 2u);
}

TEST(Sheet, NamesWhenItsFileWasWritten) {
    test::TempDir dir;
    test::writeFile(dir.path("a.CVF"), "x");
    EXPECT_EQ(fileDateText(dir.path("a.CVF")).size(), std::string("2026-12-06 21:30").size());
    EXPECT_EQ(fileDateText(dir.path("none.CVF")), "");
}

} // namespace
} // namespace cvcfg
