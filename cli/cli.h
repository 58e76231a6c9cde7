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

// How the desktop program is asked to start: by no command at all, by
// --demo (with the simulated unit), or by a configuration file alone.
struct DesktopStart {
    bool demo = false;
    std::string file; // empty: no file to open
};

// What the arguments left after the port mappings ask of the desktop
// program; nothing when they name a command. A word that holds a point or a
// slash is never a command, and is a file to open when something of that
// name exists (as the desktop's file manager passes one); a bare word stays
// a command, so that a file named like one cannot hide it.
[[nodiscard]] std::optional<DesktopStart> desktopStart(std::span<const std::string> rest);

// Runs one command on the program's own console, with the COM numbers the
// desktop program gives: those it keeps in the port memory, and the ports
// found on this machine.
int runOnConsole(std::span<const std::string> arguments, PortMap ports,
                 const DesktopHooks& desktop = {});

// Takes the "--com N=PATH" mappings out of the arguments into the port map;
// nothing, with `error` set, when a mapping is malformed.
std::optional<std::vector<std::string>> takePortMappings(std::span<const std::string> args,
                                                         PortMap& ports, std::string& error);

} // namespace cvcfg::cli
