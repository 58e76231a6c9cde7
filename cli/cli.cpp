#include "cli/cli.h"

#include "cli/arguments.h"
#include "cli/assign.h"
#include "cli/describe.h"
#include "cli/transfer.h"
#include "core/catalogue.h"
#include "core/compare.h"
#include "core/configfile.h"
#include "core/excerpt.h"
#include "core/image.h"
#include "core/savefile.h"
#include "core/sheet.h"
#include "link/portmap.h"
#include "link/portmemory.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>
#include <vector>

namespace cvcfg::cli {

namespace {

constexpr std::string_view kProgramHelp =
    R"(Usage: cvcfg [--com N=PATH]... [--demo | --version | FILE | COMMAND [OPTIONS]]

Configures Corvane protocol converters. Without a command, cvcfg starts the
desktop program; with --demo, it starts it with a simulated unit on COM1.
With FILE (a *.CVF configuration file; its name holds a "." or a "/"), it
starts the desktop program and opens the file in its product's editor.

Commands:
  variants   list the products and variants cvcfg configures
  show       print the configuration a *.CVF file holds
  set        change fields of a configuration and save it as a *.CVF file
  image      print the download image of a configuration
  ports      show which device each COM port stands for
  download   download a *.CVF file to a unit
  upload     read a unit's configuration into a *.CVF file
  diff       compare two configuration files field by field
  verify     compare a unit's configuration with a *.CVF file
  sheet      write a printable configuration sheet of a *.CVF file
  new        the factory settings of a variant, made by the program's set-ups
  snapshot   write a PNG picture of every form of the program

COM1 to COM12 open /dev/ttyS0 to /dev/ttyS11 unless the environment variable
CVCFG_COM<N>=PATH or the option --com N=PATH (which wins) names another device.

Run "cvcfg COMMAND --help" or "cvcfg help COMMAND" for a command's options;
"--" ends the options, so that a word after it may begin with "-".
)";

constexpr std::string_view kNewHelp =
    R"(Usage: cvcfg new --variant VARIANT [--link-baud 9600|19200] [--json] [-o FILE]

Runs the product and variant set-ups of the desktop program, as an operator's
clicks would, and saves the record they leave as FILE, or prints it as
"cvcfg show" does (--json: as "cvcfg show --json"); -o - writes the file to
standard output. --link-baud answers the CV210's serial-number question
(19200 for units from serial number 21000).
)";

constexpr std::string_view kSnapshotHelp = R"(Usage: cvcfg snapshot [--variant VARIANT] DIR

Writes a PNG picture of every form of the desktop program into DIR, as the
forms stand after the set-up of VARIANT (CV210-DF1 unless given).
)";

constexpr std::string_view kPortsHelp = R"(Usage: cvcfg ports [--com N=PATH]... [--json]

Lists the COM ports something stands behind: the serial devices found on this
machine (USB adapters by product, maker and stable /dev/serial/by-id path, and
built-in serial ports), the device servers added in the desktop program, and
the ports given with --com N=PATH or CVCFG_COM<N>=PATH, which win over what
was found. A device keeps its COM number while it is plugged in and gets the
same one back when plugged in again.
)";

constexpr std::string_view kVariantsHelp = R"(Usage: cvcfg variants

Lists every product variant, one a line: the variant name (used with
--variant), its model, the length of its download image body in bytes and its
application code.
)";

constexpr std::string_view kShowHelp = R"(Usage: cvcfg show --variant VARIANT FILE [--json]

Opens FILE (- for standard input) as a configuration of VARIANT and prints
the record it gives, with what each code means, read as "cvcfg diff" reads
it. With --json, prints one JSON object holding every field of the record by
its name, and under "readings" each field's value, meaning and any note.
)";

constexpr std::string_view kSetHelp =
    R"(Usage: cvcfg set --variant VARIANT FILE NAME=VALUE... -o OUT

Opens FILE as a configuration of VARIANT (or starts from an all-zero record
when FILE is "-"), sets the named fields and saves the result as OUT (-o -
writes it to standard output).

Values are bytes 0 to 255, in decimal or as 0x-prefixed hexadecimal; a
character field takes its character code. Examples:
  StationNo=34   CHBParams=0x06   ModeBytes=4,0   NumText1=2   ExtParams[8]=44
Only fields that the variant's configuration file stores can be set.
)";

constexpr std::string_view kDiffHelp = R"(Usage: cvcfg diff --variant VARIANT A B [--json]

Compares the configuration files A and B of VARIANT (one of them may be - for
standard input) field by field, as far as
the variant's file and download image carry them, and prints every field that
differs with both values and what they mean (--json: as one JSON array).
Exit status 0 when they agree, 1 when they differ, 2 when a file cannot be
read or the command is misused.
)";

constexpr std::string_view kSheetHelp =
    R"(Usage: cvcfg sheet --variant VARIANT FILE -o OUT.pdf|OUT.html|-

Writes a configuration sheet of FILE (- for standard input) as a PDF or an
HTML document (-o - writes the HTML to standard output): the
product and variant, the file's name and date, the download image's length
and checksum (to match a printout to a unit later), every parameter with what
it means, and the Modbus translation table or the block-transfer map.
)";

constexpr std::string_view kImageHelp = R"(Usage: cvcfg image --variant VARIANT FILE

Opens FILE (- for standard input) as a configuration of VARIANT and prints
the download image the unit would receive: upper-case two-digit hex bytes
separated by single spaces.
)";

int runVariants(std::span<const std::string> args, Command& command) {
    UsageError error;
    const auto parsed = parseArguments(args, {}, {}, error);
    if (!parsed) {
        return command.usage(error.message, kVariantsHelp);
    }
    if (parsed->help) {
        return command.succeed(std::string(kVariantsHelp));
    }
    if (!parsed->words.empty()) {
        return command.usage("variants takes no arguments", kVariantsHelp);
    }
    std::string text;
    for (const Variant& variant : catalogue()) {
        char line[96];
        std::snprintf(line, sizeof line, "%-22s %-18s %4d %3d\n", std::string(variant.name).c_str(),
                      std::string(variant.ModelName).c_str(), variant.ConfigLength,
                      variant.AppCode);
        text += line;
    }
    return command.succeed(text);
}

// The common start of show and image: the variant and one configuration file.
struct Opened {
    ConfigRecord record;
    bool json = false;
};

int openFileCommand(std::span<const std::string> args, std::istream& in, std::string_view help,
                    bool takesJson, Command& command, std::optional<Opened>& opened) {
    UsageError error;
    const auto parsed = parseArguments(args, {"--variant"},
                                       takesJson ? std::initializer_list<std::string_view>{"--json"}
                                                 : std::initializer_list<std::string_view>{},
                                       error);
    if (!parsed) {
        return command.usage(error.message, help);
    }
    if (parsed->help) {
        return command.succeed(std::string(help));
    }
    if (parsed->words.size() != 1) {
        return command.usage("give exactly one configuration file", help);
    }
    std::optional<ConfigRecord> record = recordFor(*parsed, error);
    if (!record) {
        return command.usage(error.message, help);
    }
    if (const Status status = openConfiguration(parsed->words.front(), *record, in); !status) {
        return command.fail(status.error);
    }
    opened = Opened{*record, parsed->flag("--json")};
    return kSuccess;
}

int runShow(std::span<const std::string> args, std::istream& in, Command& command) {
    std::optional<Opened> opened;
    const int status = openFileCommand(args, in, kShowHelp, true, command, opened);
    if (!opened) {
        return status;
    }
    return command.succeed(opened->json ? describeRecordJson(opened->record)
                                        : describeRecord(opened->record));
}

int runImage(std::span<const std::string> args, std::istream& in, Command& command) {
    std::optional<Opened> opened;
    const int status = openFileCommand(args, in, kImageHelp, false, command, opened);
    if (!opened) {
        return status;
    }
    const Expected<Bytes> image = BuildConfigImage(opened->record);
    if (!image) {
        return command.fail("cannot build the download image: " + image.error());
    }
    return command.succeed(hexBytes(*image) + "\n");
}

int runSheet(std::span<const std::string> args, std::istream& in, const DesktopHooks& desktop,
             Command& command) {
    UsageError error;
    const auto parsed = parseArguments(args, {"--variant", "-o", "--output"}, {}, error);
    if (!parsed) {
        return command.usage(error.message, kSheetHelp);
    }
    if (parsed->help) {
        return command.succeed(std::string(kSheetHelp));
    }
    if (parsed->words.size() != 1) {
        return command.usage("give exactly one configuration file", kSheetHelp);
    }
    const std::optional<std::string> output = outputOption(*parsed);
    const bool pdf = output && output->ends_with(".pdf");
    const bool standardOutput = output == kStandardStream;
    if (!output || (!pdf && !standardOutput && !output->ends_with(".html"))) {
        return command.usage("-o OUT.pdf, -o OUT.html or -o - (HTML) is required", kSheetHelp);
    }
    std::optional<ConfigRecord> record = recordFor(*parsed, error);
    if (!record) {
        return command.usage(error.message, kSheetHelp);
    }
    const std::string& file = parsed->words.front();
    if (const Status status = openConfiguration(file, *record, in); !status) {
        return command.fail(status.error);
    }
    const bool fromInput = file == kStandardStream;
    const std::string html = configurationSheetHtml(
        *record, {fromInput ? "standard input" : file, fromInput ? "" : fileDateText(file)});
    if (standardOutput) {
        return command.succeed(html);
    }
    if (pdf && !desktop.sheetPdf) {
        return command.fail("a PDF sheet needs the desktop program's document support");
    }
    if (const Status status = pdf ? desktop.sheetPdf(html, *output) : SaveFile(*output, html);
        !status) {
        return command.fail(status.error);
    }
    return command.succeed("");
}

int runDiff(std::span<const std::string> args, std::istream& in, Command& command) {
    UsageError error;
    const auto parsed = parseArguments(args, {"--variant"}, {"--json"}, error);
    if (!parsed) {
        return command.usage(error.message, kDiffHelp);
    }
    if (parsed->help) {
        return command.succeed(std::string(kDiffHelp));
    }
    if (parsed->words.size() != 2) {
        return command.usage("give the two configuration files to compare", kDiffHelp);
    }
    const std::optional<ConfigRecord> blank = recordFor(*parsed, error);
    if (!blank) {
        return command.usage(error.message, kDiffHelp);
    }
    if (parsed->words[0] == kStandardStream && parsed->words[1] == kStandardStream) {
        return command.usage("only one of A and B can be - (standard input)", kDiffHelp);
    }
    std::array<ConfigRecord, 2> records = {*blank, *blank};
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (const Status status = openConfiguration(parsed->words[i], records[i], in); !status) {
            return command.fail(status.error, kUsage);
        }
    }
    const std::vector<Difference> differences = compareRecords(records[0], records[1]);
    const std::string text =
        parsed->flag("--json") ? differencesJson(differences) : differencesText(differences);
    return command.report(text, differences.empty() ? kSuccess : kFailure);
}

std::string_view sourceName(PortMap::Source source) {
    switch (source) {
    case PortMap::Source::CommandLine:
        return "--com";
    case PortMap::Source::Environment:
        return "environment";
    case PortMap::Source::Found:
        return "found";
    case PortMap::Source::Server:
        return "server";
    case PortMap::Source::Default:
        break;
    }
    return "default";
}

// A name Windows gives a device (COM5, \\.\COM5), not a file to look for.
bool isWindowsDevice([[maybe_unused]] const std::string& name) {
#ifdef _WIN32
    return name.starts_with("\\\\.\\") ||
           (name.starts_with("COM") && name.find_first_of("/\\:") == std::string::npos);
#else
    return false;
#endif
}

int runPorts(std::span<const std::string> args, const PortMap& ports, Command& command) {
    UsageError error;
    const auto parsed = parseArguments(args, {}, {"--json"}, error);
    if (!parsed) {
        return command.usage(error.message, kPortsHelp);
    }
    if (parsed->help) {
        return command.succeed(std::string(kPortsHelp));
    }
    if (!parsed->words.empty()) {
        return command.usage("ports takes no arguments but --com and --json", kPortsHelp);
    }
    std::string text;
    std::vector<std::string> json;
    for (int port = 1; port <= PortMap::kPortCount; ++port) {
        if (!ports.offered(port)) {
            continue;
        }
        const PortMap::Source source = ports.sourceOf(port);
        const std::string device = ports.deviceFor(port);
        const std::string label = ports.labelOf(port);
        // A path someone gave may name nothing (yet); say so beside it.
        std::error_code ignored;
        const bool mapped =
            source == PortMap::Source::CommandLine || source == PortMap::Source::Environment;
        const bool missing = mapped && device.find("://") == std::string::npos &&
                             !isWindowsDevice(device) && !std::filesystem::exists(device, ignored);
        const std::string name = "COM" + std::to_string(port);
        text += name;
        text.append(7 - name.size(), ' ');
        text += label;
        if (mapped) {
            text += " (" + std::string(sourceName(source)) + (missing ? ", missing)" : ")");
        }
        text += "\n";
        // The path opened, where the label does not show it already (a
        // USB adapter's stable link).
        if (label.find(device) == std::string::npos) {
            text += "       " + device + "\n";
        }
        json.push_back("{\"port\": " + jsonString(name) +
                       ", \"source\": " + jsonString(std::string(sourceName(source))) +
                       ", \"label\": " + jsonString(label) + ", \"device\": " + jsonString(device) +
                       ", \"present\": " + (missing ? "false" : "true") + "}");
    }
    if (parsed->flag("--json")) {
        std::string list = "[";
        for (std::size_t i = 0; i < json.size(); ++i) {
            list += (i ? ",\n " : "") + json[i];
        }
        return command.succeed(list + "]\n");
    }
    if (text.empty()) {
        text = "No serial port was found. A USB serial adapter is listed here once it is "
               "plugged in;\nname another device with --com N=PATH, a device server with "
               "--com N=rfc2217://HOST:PORT.\n";
    }
    return command.succeed(text);
}

int runNew(std::span<const std::string> args, const DesktopHooks& desktop, Command& command) {
    UsageError error;
    const auto parsed =
        parseArguments(args, {"--variant", "--link-baud", "-o", "--output"}, {"--json"}, error);
    if (!parsed) {
        return command.usage(error.message, kNewHelp);
    }
    if (parsed->help) {
        return command.succeed(std::string(kNewHelp));
    }
    if (!parsed->words.empty()) {
        return command.usage("new takes no file but -o FILE", kNewHelp);
    }
    const std::optional<std::string> variant = parsed->option("--variant");
    if (!variant || !findVariant(*variant)) {
        return command.usage(variant ? "unknown variant " + quotedExcerpt(*variant)
                                     : "--variant is required",
                             kNewHelp);
    }
    if (!desktop.factorySettings) {
        return command.fail("new needs the desktop program's forms");
    }
    const Expected<ConfigRecord> record =
        desktop.factorySettings(*variant, parsed->option("--link-baud").value_or("9600"));
    if (!record) {
        return command.fail(record.error());
    }
    const std::optional<std::string> output = outputOption(*parsed);
    if (output == kStandardStream) {
        return command.succeed(FormatConfigFile(*record));
    }
    if (output) {
        if (const Status status = SaveConfigFile(*output, *record); !status) {
            return command.fail(status.error);
        }
        return command.succeed("");
    }
    return command.succeed(parsed->flag("--json") ? recordJson(*record) : describeRecord(*record));
}

int runSnapshot(std::span<const std::string> args, const DesktopHooks& desktop, Command& command) {
    UsageError error;
    const auto parsed = parseArguments(args, {"--variant"}, {}, error);
    if (!parsed) {
        return command.usage(error.message, kSnapshotHelp);
    }
    if (parsed->help) {
        return command.succeed(std::string(kSnapshotHelp));
    }
    if (parsed->words.size() != 1) {
        return command.usage("give the folder for the pictures", kSnapshotHelp);
    }
    if (!desktop.snapshots) {
        return command.fail("snapshot needs the desktop program's forms");
    }
    const std::string variant = parsed->option("--variant").value_or("CV210-DF1");
    if (const Status status = desktop.snapshots(variant, parsed->words.front()); !status) {
        return command.fail(status.error);
    }
    return command.succeed("");
}

int runSet(std::span<const std::string> args, Command& command) {
    UsageError error;
    const auto parsed = parseArguments(args, {"--variant", "-o", "--output"}, {}, error);
    if (!parsed) {
        return command.usage(error.message, kSetHelp);
    }
    if (parsed->help) {
        return command.succeed(std::string(kSetHelp));
    }
    std::optional<ConfigRecord> record = recordFor(*parsed, error);
    if (!record) {
        return command.usage(error.message, kSetHelp);
    }
    auto output = parsed->options.find("-o");
    if (output == parsed->options.end()) {
        output = parsed->options.find("--output");
    }
    if (output == parsed->options.end() || output->second.empty()) {
        return command.usage("-o OUT is required", kSetHelp);
    }
    if (parsed->words.empty()) {
        return command.usage("give the configuration file to start from, or - for zeros", kSetHelp);
    }

    const std::string& source = parsed->words.front();
    if (source == "-") {
        zeroParameters(*record);
    } else if (const Status status = OpenConfigFile(source, *record); !status) {
        return command.fail(status.error);
    }
    for (std::size_t i = 1; i < parsed->words.size(); ++i) {
        if (const Status status = assignField(*record, parsed->words[i]); !status) {
            return command.fail(status.error);
        }
    }
    if (output->second == kStandardStream) {
        return command.succeed(FormatConfigFile(*record));
    }
    if (const Status status = SaveConfigFile(output->second, *record); !status) {
        return command.fail(status.error);
    }
    return command.succeed("");
}

} // namespace

std::optional<std::vector<std::string>> takePortMappings(std::span<const std::string> args,
                                                         PortMap& ports, std::string& error) {
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string mapping;
        if (args[i] == "--") {
            // What follows are the command's words, a "--com" among them too.
            rest.insert(rest.end(), args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
            break;
        }
        if (args[i] == "--com") {
            if (i + 1 == args.size()) {
                error = "--com needs a value N=PATH";
                return std::nullopt;
            }
            mapping = args[++i];
        } else if (args[i].starts_with("--com=")) {
            mapping = args[i].substr(6);
        } else {
            rest.push_back(args[i]);
            continue;
        }
        if (const Status status = ports.addMapping(mapping); !status) {
            error = status.error;
            return std::nullopt;
        }
    }
    return rest;
}

int run(std::span<const std::string> arguments, std::istream& in, std::ostream& out,
        std::ostream& err, PortMap ports, const DesktopHooks& desktop) {
    // Output is held back until the command has succeeded, so that a failing
    // command prints nothing on standard output.
    std::ostringstream held;
    Command command(held, err);
    std::string mappingError;
    const auto remaining = takePortMappings(arguments, ports, mappingError);
    if (!remaining) {
        return command.usage(mappingError, kProgramHelp);
    }
    const std::span<const std::string> args = *remaining;
    if (args.size() > 1 && args.front() == "help") {
        const std::vector<std::string> asked = {args[1], "--help"};
        return run(asked, in, out, err, ports, desktop);
    }
    if (args.empty() || args.front() == "--help" || args.front() == "-h" ||
        args.front() == "help") {
        out << kProgramHelp;
        return kSuccess;
    }
    if (args.front() == "--version") {
        out << "cvcfg " << CVCFG_VERSION << " (build " << CVCFG_BUILD << ")\n";
        return kSuccess;
    }
    const std::string& name = args.front();
    const auto rest = args.subspan(1);
    int status = kUsage;
    if (name == "variants") {
        status = runVariants(rest, command);
    } else if (name == "show") {
        status = runShow(rest, in, command);
    } else if (name == "set") {
        status = runSet(rest, command);
    } else if (name == "sheet") {
        status = runSheet(rest, in, desktop, command);
    } else if (name == "diff") {
        status = runDiff(rest, in, command);
    } else if (name == "image") {
        status = runImage(rest, in, command);
    } else if (name == "ports") {
        status = runPorts(rest, ports, command);
    } else if (name == "new") {
        status = runNew(rest, desktop, command);
    } else if (name == "snapshot") {
        status = runSnapshot(rest, desktop, command);
    } else if (name == "download") {
        status = runDownload(rest, in, ports, command);
    } else if (name == "upload") {
        status = runUpload(rest, in, ports, command);
    } else if (name == "verify") {
        status = runVerify(rest, in, ports, command);
    } else {
        // A file opens in the desktop program only when its name cannot be
        // a command's (see main); say how, or that there is no such file.
        std::error_code error;
        const bool exists = std::filesystem::exists(name, error);
        const bool fileLike = name.find_first_of("./") != std::string::npos;
        std::string why = "unknown command " + quotedExcerpt(name);
        if (exists && !fileLike) {
            why += "; to open the file in the desktop program, run cvcfg ./" + name;
        } else if (fileLike && !exists) {
            why += ", and no file of that name to open";
        } else if (fileLike) {
            why += "; a file to open in the desktop program comes alone";
        }
        return command.usage(why, kProgramHelp);
    }
    if (status == kSuccess || command.reported()) {
        out << held.str();
    }
    return status;
}

std::optional<DesktopStart> desktopStart(std::span<const std::string> rest) {
    if (rest.empty()) {
        return DesktopStart{};
    }
    if (rest.size() != 1) {
        return std::nullopt;
    }
    const std::string& word = rest.front();
    if (word == "--demo") {
        return DesktopStart{true, {}};
    }
    std::error_code error;
    if (word.find_first_of("./") != std::string::npos && !word.starts_with('-') &&
        std::filesystem::exists(word, error)) {
        return DesktopStart{false, word};
    }
    return std::nullopt;
}

int runOnConsole(std::span<const std::string> arguments, PortMap ports,
                 const DesktopHooks& desktop) {
    // The mappings of the command line are taken again, unchanged, by run.
    bool warned = false;
    PortMemory memory = loadPortMemoryOrNone(portMemoryPath(), warned);
    refreshPortMap(ports, memory, deviceRoot());
    return run(arguments, std::cin, std::cout, std::cerr, std::move(ports), desktop);
}

} // namespace cvcfg::cli
