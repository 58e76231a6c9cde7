#include "cli/transfer.h"

#include "cli/console.h"
#include "cli/describe.h"
#include "core/configfile.h"
#include "link/download.h"
#include "link/posixbackend.h"
#include "link/upload.h"

namespace cvcfg::cli {

namespace {

constexpr std::string_view kDownloadHelp =
    R"(Usage: cvcfg download --variant VARIANT --port PORT [--baud 9600|19200] [--yes] FILE

Opens FILE as a configuration of VARIANT and downloads it to the unit on PORT
(COM1 to COM12 through the COM port map, or a device path). The link runs at
9600 baud unless --baud says 19200 (CV210 units from serial number 21000).

cvcfg asks you to press the unit's Configure pushbutton and waits for Enter;
--yes answers for you. Exit status 0 only when the unit acknowledged.
)";

constexpr std::string_view kUploadHelp =
    R"(Usage: cvcfg upload --variant VARIANT --port PORT [--baud 9600|19200] [--yes] -o FILE

Reads the configuration of the VARIANT unit on PORT (COM1 to COM12 through
the COM port map, or a device path), saves it as FILE (replacing it) and
prints it as "cvcfg show" does. Exit status 0 only for a complete upload.
)";

// The record, port and operator a transfer command runs with.
struct Transfer {
    ConfigRecord record;
    PortMap ports;
};

std::optional<Transfer> prepare(const Arguments& args, const PortMap& ports, UsageError& error) {
    std::optional<ConfigRecord> record = recordFor(args, error);
    if (!record) {
        return std::nullopt;
    }
    const std::string baud = args.option("--baud").value_or("9600");
    if (baud != "9600" && baud != "19200") {
        error.message = "--baud takes 9600 or 19200";
        return std::nullopt;
    }
    const std::optional<std::string> port = args.option("--port");
    if (!port || port->empty()) {
        error.message = "--port is required: COM1 to COM12, or a device path";
        return std::nullopt;
    }
    Transfer transfer{*record, ports};
    transfer.record.LinkBaud = baud;
    if (const int number = comPortNumber(*port)) {
        transfer.record.ComPort = number;
    } else {
        // A device path stands in for COM1 of this run.
        transfer.record.ComPort = 1;
        (void)transfer.ports.addMapping("1=" + *port);
    }
    return transfer;
}

} // namespace

int runDownload(std::span<const std::string> args, std::istream& in, const PortMap& ports,
                Command& command) {
    UsageError error;
    const auto parsed = parseArguments(args, {"--variant", "--port", "--baud"}, {"--yes"}, error);
    if (!parsed) {
        return command.usage(error.message, kDownloadHelp);
    }
    if (parsed->help) {
        return command.succeed(std::string(kDownloadHelp));
    }
    if (parsed->words.size() != 1) {
        return command.usage("give exactly one configuration file", kDownloadHelp);
    }
    std::optional<Transfer> transfer = prepare(*parsed, ports, error);
    if (!transfer) {
        return command.usage(error.message, kDownloadHelp);
    }
    if (const Status status = OpenConfigFile(parsed->words.front(), transfer->record); !status) {
        return command.fail(status.error);
    }
    PosixSerialBackend backend(transfer->ports);
    SerialLayer serial(backend);
    ConsoleOperator op(in, command.conversation(), parsed->flag("--yes"));
    Session session{transfer->record, serial, op};
    if (DownloadConfiguration(session) != DownloadOutcome::Acknowledged) {
        return command.fail("download failed: " + op.status());
    }
    return command.succeed(op.status() + "\n");
}

int runUpload(std::span<const std::string> args, std::istream& in, const PortMap& ports,
              Command& command) {
    UsageError error;
    const auto parsed =
        parseArguments(args, {"--variant", "--port", "--baud", "-o", "--output"}, {"--yes"}, error);
    if (!parsed) {
        return command.usage(error.message, kUploadHelp);
    }
    if (parsed->help) {
        return command.succeed(std::string(kUploadHelp));
    }
    const std::optional<std::string> output =
        parsed->option("-o") ? parsed->option("-o") : parsed->option("--output");
    if (!output || output->empty()) {
        return command.usage("-o FILE is required", kUploadHelp);
    }
    if (!parsed->words.empty()) {
        return command.usage("upload takes no file but -o FILE", kUploadHelp);
    }
    std::optional<Transfer> transfer = prepare(*parsed, ports, error);
    if (!transfer) {
        return command.usage(error.message, kUploadHelp);
    }
    PosixSerialBackend backend(transfer->ports);
    SerialLayer serial(backend);
    ConsoleOperator op(in, command.conversation(), parsed->flag("--yes"), *output);
    Session session{transfer->record, serial, op};
    if (UploadConfiguration(session) != UploadOutcome::Complete) {
        return command.fail("upload failed: " + op.status());
    }
    return command.succeed(describeRecord(transfer->record));
}

} // namespace cvcfg::cli
