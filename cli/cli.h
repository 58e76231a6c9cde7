#pragma once

#include "link/portmap.h"

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
// `err`, where transfers also talk with the operator (answers come from
// `in`). `ports` is the COM port map of the environment; "--com N=PATH"
// arguments, anywhere on the line, add to it.
int run(std::span<const std::string> args, std::istream& in, std::ostream& out, std::ostream& err,
        PortMap ports);

} // namespace cvcfg::cli
