#pragma once

#include "core/expected.h"
#include "core/record.h"

#include <initializer_list>
#include <istream>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cvcfg::cli {

struct UsageError {
    std::string message;
};

// The arguments of one command: named options, flags, positional words.
struct Arguments {
    std::map<std::string, std::string> options;
    std::set<std::string> flags;
    std::vector<std::string> words;
    bool help = false;

    [[nodiscard]] bool flag(const std::string& name) const { return flags.contains(name); }
    [[nodiscard]] std::optional<std::string> option(const std::string& name) const;
};

// Splits a command's arguments. `valued` lists the options that take a value
// ("--variant V" or "--variant=V"), `flags` those that stand alone.
std::optional<Arguments> parseArguments(std::span<const std::string> args,
                                        std::initializer_list<std::string_view> valued,
                                        std::initializer_list<std::string_view> flags,
                                        UsageError& error);

// A fresh record carrying the identity of the variant named by --variant.
std::optional<ConfigRecord> recordFor(const Arguments& args, UsageError& error);

// "-" names standard input as a configuration file, and standard output as
// an output file.
inline constexpr std::string_view kStandardStream = "-";

// Opens the configuration FILE names into the record: a file, or standard
// input (`in`) for "-".
Status openConfiguration(const std::string& file, ConfigRecord& record, std::istream& in);

// The -o (or --output) option's value, if given.
std::optional<std::string> outputOption(const Arguments& args);

// Where a command's words go: its result (held until it succeeds) and its
// messages.
class Command {
public:
    Command(std::ostream& out, std::ostream& err) : m_out(out), m_err(err) {}

    int usage(const std::string& message, std::string_view help);
    int fail(const std::string& message);
    int succeed(const std::string& output);
    // Output that stands although the status is not 0, as diff prints the
    // differences it exits 1 for.
    int report(const std::string& output, int status);
    // A failure with a status of its own (diff's 2 for a file it cannot read).
    int fail(const std::string& message, int status);
    [[nodiscard]] bool reported() const { return m_reported; }
    // The stream on which a transfer talks with the operator as it goes.
    [[nodiscard]] std::ostream& conversation() { return m_err; }

private:
    std::ostream& m_out;
    std::ostream& m_err;
    bool m_reported = false;
};

} // namespace cvcfg::cli
