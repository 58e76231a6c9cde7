#pragma once

#include "core/expected.h"
#include "core/record.h"
#include "link/portmap.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace cvcfg::cli {

// Exit statuses of the command line.
inline constexpr int kSuccess = 0;
inline constexpr int kFailure = 1;
inline constexpr int kUsage = 2;

// Commands that need the desktop program's forms reach them here, so that
// this library stays without a toolkit.
struct DesktopHooks {
    // The record a product's set-ups leave: variant, link baud.
    std::function<Expected<ConfigRecord>(const std::string&, const std::string&)> factorySettings;
    // Writes a PNG of every form after a variant's set-up: variant, folder.
    std::function<Status(const std::string&, const std::string&)> snapshots;
    // Writes a configuration sheet's HTML as a PDF file: html, path.
    std::function<Status(const std::string&, const std::string&)> sheetPdf;
};

// Runs one command (the arguments after the program name). What a command
// prints goes to `out` only when it succeeds; failures print one message to
// `err`, where transfers also talk with the operator (answers come from
// `in`). `ports` is the COM port map of the environment; "--com N=PATH"
// arguments, anywhere on the line, add to it.
int run(std::span<const std::string> arguments, std::istream& in, std::ostream& out,
        std::ostream& err, PortMap ports, const DesktopHooks& desktop = {});

// Takes the "--com N=PATH" mappings out of the arguments into the port map;
// nothing, with `error` set, when a mapping is malformed.
std::optional<std::vector<std::string>> takePortMappings(std::span<const std::string> args,
                                                         PortMap& ports, std::string& error);

} // namespace cvcfg::cli
