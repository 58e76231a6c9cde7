#pragma once

#include "core/record.h"

#include <string>
#include <vector>

namespace cvcfg {

// One field of a configuration as the comparison and the configuration
// sheet read it: its name, its value as stored, and what that means; and,
// for a value the variant's editor does not offer, a note that says so.
struct FieldReading {
    std::string field;
    std::string value;
    std::string meaning;
    std::string note;
};

// The meaning and the note of a reading, as one text.
[[nodiscard]] std::string readingMeaning(const FieldReading& reading);

// The value with that text: "12 (octal 14)", or the value alone.
[[nodiscard]] std::string readingText(const FieldReading& reading);

// Every field the variant's file or image carries, in file order; the
// extended section by its layout (Modbus options and slots, racks, the
// ASCII destination, the Brabender device).
[[nodiscard]] std::vector<FieldReading> readFields(const ConfigRecord& record);

// A field in which two configurations differ.
struct Difference {
    FieldReading left;
    FieldReading right;
};

// The fields in which two records of one variant differ, in file order;
// nothing for records that agree on all the variant carries.
[[nodiscard]] std::vector<Difference> compareRecords(const ConfigRecord& left,
                                                     const ConfigRecord& right);

// The differences one a line: "StationNo: 12 (octal 14) -> 13 (octal 15)".
[[nodiscard]] std::string differencesText(const std::vector<Difference>& differences);

} // namespace cvcfg
