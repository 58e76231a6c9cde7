#pragma once

#include "core/compare.h"
#include "core/record.h"
#include "link/verify.h"

#include <string>

namespace cvcfg::cli {

// The record as an engineer reads it: each field with what its code means.
[[nodiscard]] std::string describeRecord(const ConfigRecord& record);

// A text as a JSON string, quoted and escaped.
[[nodiscard]] std::string jsonString(const std::string& text);

// The record as one JSON object holding every field by its name.
[[nodiscard]] std::string recordJson(const ConfigRecord& record);

// That object with its readings: "readings" holds what describeRecord shows,
// an object per field with its name, value, meaning and any note.
[[nodiscard]] std::string describeRecordJson(const ConfigRecord& record);

// The differences as one JSON array of objects with the field and both
// values with their meanings.
[[nodiscard]] std::string differencesJson(const std::vector<Difference>& differences);

// A read-back as one JSON object: its outcome, what the unit said it is (its
// application code, body length and the variants that answer so), and the
// differences, file -> unit.
[[nodiscard]] std::string verificationJson(const Verification& verification);

} // namespace cvcfg::cli
