#pragma once

#include <iosfwd>
#include <span>
#include <string>

namespace cvcfg::cli {

// Exit statuses of the command line.
inline constexpr int kSuccess = 0;
inline constexpr int kFailure = 1;
inline constexpr int kUsage = 2;

// Runs one command (the arguments after the program name). What a command
// prints goes to `out` only when it succeeds; failures print one message to
// `err`.
int run(std::span<const std::string> args, std::ostream& out, std::ostream& err);

} // namespace cvcfg::cli
