#pragma once

#include "link/serialbackend.h"

#include <optional>
#include <string_view>

namespace cvcfg {

// Applies a mode text of the form "baud=9600 parity=N data=8 stop=1" to a
// line state. Every key is optional but must be well formed; nothing else may
// stand in the text. A mode text sets no flow control. Nothing on a
// malformed text.
[[nodiscard]] std::optional<LineSettings> applyModeString(std::string_view settings,
                                                          LineSettings state);

} // namespace cvcfg
