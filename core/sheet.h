#pragma once

#include "core/record.h"

#include <string>

namespace cvcfg {

// Where a configuration sheet's record came from, so that a printout can be
// matched to a file and to a unit later.
struct SheetSource {
    std::string fileName; // the configuration file, or what stands for it
    std::string fileDate; // when the file was last written; empty when unknown
};

// When the file was last written, "2026-12-06 21:30" in local time; empty
// when that cannot be told.
[[nodiscard]] std::string fileDateText(const std::string& path);

// The configuration sheet as one HTML document: the product and variant,
// the source, the download image's length and checksum, every parameter with
// what it means (as "cvcfg show" decodes it), and the Modbus translation
// table or the block-transfer map as tables.
[[nodiscard]] std::string configurationSheetHtml(const ConfigRecord& record,
                                                 const SheetSource& source);

} // namespace cvcfg
