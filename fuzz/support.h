#pragma once

#include "core/catalogue.h"
#include "core/codes.h"
#include "core/configfile.h"
#include "core/record.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace cvcfg::fuzz {

// Stops the run on a broken property, so that the fuzzer keeps the input.
inline void require(bool holds, std::string_view property) {
    if (!holds) {
        std::fprintf(stderr, "broken: %.*s\n", static_cast<int>(property.size()), property.data());
        std::abort();
    }
}

// A message for the operator shows what was wrong without echoing it raw:
// no control bytes but line ends, and no longer than a few lines.
inline void requireReadable(std::string_view message) {
    require(!message.empty(), "a failure says why");
    require(message.size() < 1000, "a message stays short");
    for (const char c : message) {
        const auto byte = static_cast<unsigned char>(c);
        require(c == '\n' || (byte >= 0x20 && byte < 0x7F), "a message holds printable text");
    }
}

// The record, saved, opens into `start` as the same record again.
inline void requireSavedFileReopens(const ConfigRecord& record, const ConfigRecord& start) {
    const Expected<FileValues> saved =
        ParseConfigFile(FormatConfigFile(record), sectionBFor(record), "saved");
    require(saved.ok(), "a saved record opens");
    ConfigRecord reopened = start;
    ApplyFileValues(reopened, *saved);
    // A file without the Modbus option byte gives its two-wire bit from
    // channel B's wiring; every other field is the record's.
    ConfigRecord expected = record;
    if (saved->extendedCount <= static_cast<int>(modbus_map::kOptions)) {
        int32_t& options = expected.ExtParams[modbus_map::kOptions];
        options = (options & ~modbus_map::kTwoWire) |
                  (reopened.ExtParams[modbus_map::kOptions] & modbus_map::kTwoWire);
    }
    require(reopened == expected, "a saved record opens to the same record");
}

// One record for every file layout, each field holding a value of its own,
// so that a field that changes where it should not shows.
inline const std::vector<ConfigRecord>& startRecords() {
    static const std::vector<ConfigRecord> records = [] {
        std::vector<ConfigRecord> made;
        std::vector<SectionB> seen;
        for (const Variant& variant : catalogue()) {
            if (std::find(seen.begin(), seen.end(), variant.sectionB) != seen.end()) {
                continue;
            }
            seen.push_back(variant.sectionB);
            ConfigRecord record = blankRecord(variant);
            record.NetType = charField(2);
            record.StationNo = charField(0x31);
            record.NetSpeed = charField(9);
            record.CHAParams = 0x21;
            record.CHBSpeed = charField(10);
            record.ModeBytes = std::string("\x04\x00", 2);
            record.NumText1 = std::to_string(3); // a literal here trips g++ 12 -O2 -Wrestrict
            record.AuxValue = 6;
            for (std::size_t i = 0; i < record.ExtParams.size(); ++i) {
                record.ExtParams[i] = static_cast<int32_t>(100 + i);
            }
            made.push_back(record);
        }
        return made;
    }();
    return records;
}

} // namespace cvcfg::fuzz
