#pragma once

#include "core/expected.h"
#include "link/portfinder.h"

#include <functional>
#include <string>

namespace cvcfg {

// Where the port memory lives: $XDG_CONFIG_HOME/cvcfg/ports.conf, or
// ~/.config/cvcfg/ports.conf when that is not set; `lookup` reads a variable
// (getenv). Empty when neither XDG_CONFIG_HOME nor HOME is set.
[[nodiscard]] std::string portMemoryPath(const std::function<const char*(const char*)>& lookup);
[[nodiscard]] std::string portMemoryPath();

// Reads the memory. A file that does not exist is an empty memory; a file
// that cannot be read or is damaged is a failure whose message names the
// file and what is wrong with it (the caller goes on with an empty memory).
[[nodiscard]] Expected<PortMemory> loadPortMemory(const std::string& path);

// The memory as loadPortMemory reads it; when it cannot, one line on
// standard error says why, `warned` is set, and the memory is empty, as the
// program starts with no remembered port rather than not at all. An empty
// path is an empty memory.
[[nodiscard]] PortMemory loadPortMemoryOrNone(const std::string& path, bool& warned);

// Writes the memory through the program's one save routine, making the
// folder when it is missing.
[[nodiscard]] Status savePortMemory(const std::string& path, const PortMemory& memory);

} // namespace cvcfg
