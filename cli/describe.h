#pragma once

#include "core/record.h"

#include <string>

namespace cvcfg::cli {

// The record as an engineer reads it: each field with what its code means.
[[nodiscard]] std::string describeRecord(const ConfigRecord& record);

// The record as one JSON object holding every field by its name.
[[nodiscard]] std::string recordJson(const ConfigRecord& record);

} // namespace cvcfg::cli
