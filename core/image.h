#pragma once

#include "core/expected.h"
#include "core/record.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cvcfg {

using Bytes = std::vector<uint8_t>;

// Length of the image header: the letters N E E, the body length, three zeros.
inline constexpr int kImageHeaderLength = 7;

// How many ExtParams entries, from the first, an image with a body of this
// length carries: 8, 14, all 88, or none.
[[nodiscard]] int imageExtParamCount(int configLength);

// Whether a unit takes a body of this length (42, 58, 64 or 138 bytes).
[[nodiscard]] bool isImageBodyLength(int length);

// The download image of the record: header, body of ConfigLength bytes and
// the two checksum bytes. Refused, with the reason, when ConfigLength is not
// a length a unit takes, when a byte field holds no byte 0..255, or when the
// body sums beyond what the checksum can carry. Reads the record only.
[[nodiscard]] Expected<Bytes> BuildConfigImage(const ConfigRecord& record);

// The checksum of an image body: the low then the high byte of the sum of
// its bytes, a sum kept as a signed 16-bit integer. Nothing when the sum
// passes 32767.
[[nodiscard]] std::optional<std::array<uint8_t, 2>> ImageChecksum(std::span<const uint8_t> body);

// Bytes as upper-case two-digit hex separated by single blanks, the way the
// command line prints an image and the simulated unit logs the line.
[[nodiscard]] std::string hexBytes(std::span<const uint8_t> bytes);
[[nodiscard]] std::string hexBytes(std::string_view bytes);

} // namespace cvcfg
