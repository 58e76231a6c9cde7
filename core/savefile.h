#pragma once

#include "core/expected.h"

#include <string>
#include <string_view>

namespace cvcfg {

// The one way this program writes a file. The content goes to a temporary
// file beside the target, is flushed to the disk and then renamed over the
// target, so that a reader sees the old file or the new one, never a part.
// A symbolic link is followed and its target written; a target that exists
// and is not a regular file (a folder, a device) is refused and left alone;
// an existing file keeps its permission bits. The message of a failure names
// the file and the real cause.
[[nodiscard]] Status SaveFile(const std::string& path, std::string_view content);

} // namespace cvcfg
