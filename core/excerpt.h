#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace cvcfg {

// How much of a rejected value a message quotes.
inline constexpr std::size_t kExcerptLength = 24;

// A rejected value as a message quotes it: between double quotes, cut after
// kExcerptLength bytes (then "..."), with line ends, control bytes, bytes
// above 126, the quote and the backslash escaped, so that a message stays one
// short line whatever the operator or a file handed in.
[[nodiscard]] std::string quotedExcerpt(std::string_view text);

} // namespace cvcfg
