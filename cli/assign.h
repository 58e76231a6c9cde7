#pragma once

#include "core/expected.h"
#include "core/record.h"

#include <string_view>

namespace cvcfg::cli {

// Sets one field from a NAME=VALUE text such as "StationNo=34",
// "ModeBytes=4,0" or "ExtParams[8]=44". Only fields that the record's
// configuration file stores can be set, and only to bytes 0..255.
[[nodiscard]] Status assignField(ConfigRecord& record, std::string_view assignment);

} // namespace cvcfg::cli
