#pragma once

#include "core/catalogue.h"
#include "core/expected.h"

#include <string>
#include <string_view>
#include <vector>

namespace cvcfg {

// The catalogue rows whose configuration files the text could be, in
// catalogue order: a file carries no product, so its layout (how many values
// it holds, and which of them must be numbers) is all there is to go by.
// Several rows share a layout; none fits a text that no product would write.
[[nodiscard]] std::vector<const Variant*> variantsFittingFile(std::string_view text);

// Reads the file at `path` and gives the rows it fits. A file that cannot be
// read is refused with the message that opening it in an editor gives.
[[nodiscard]] Expected<std::vector<const Variant*>> variantsFittingFileAt(const std::string& path);

} // namespace cvcfg
