#include "cli/transfer.h"

#include "cli/cli.h"
#include "cli/console.h"
#include "cli/describe.h"
#include "cli/interrupt.h"
#include "core/compare.h"
#include "core/configfile.h"
#include "link/download.h"
#include "link/portbackend.h"
#include "link/upload.h"
#include "link/verify.h"

namespace cvcfg::cli {

namespace {

constexpr std::string_view kDownloadHelp =
    R"(Usage: cvcfg download --variant VARIANT --port PORT [--baud 9600|19200] [--yes] [--verify] FILE

Opens FILE (- for standard input, with --yes) as a configuration of VARIANT
and downloads it to the unit on PORT: COM1 to COM12 through the COM port
map, a device path, or a serial device server, rfc2217://HOST:PORT (the
program sets the server's line) or socket://HOST:PORT (raw TCP; set the
server's line to the link speed). The link runs at 9600 baud unless --baud
says 19200 (CV210 units from serial number 21000).

cvcfg asks you to press the unit's Configure pushbutton and waits for Enter;
--yes answers for you.

With --verify, cvcfg then reads the configuration back from the unit (press
Configure again) and compares it with FILE, as "cvcfg verify" does.

Exit status without --verify: 0 when the unit acknowledged, 1 when it did
not. With --verify: 0 when the unit holds what FILE says; 1 when the download
failed, the unit holds other values or answers as another variant; 2 when
the unit acknowledged but could not be read back, or FILE could not be read.
)";

constexpr std::string_view kVerifyHelp =
    R"(Usage: cvcfg verify --variant VARIANT --port PORT [--baud 9600|19200] [--yes] [--json] FILE

Reads the configuration of the VARIANT unit on PORT, as "cvcfg upload" does
but without writing any file, and compares it with FILE (- for standard
input, with --yes) field by field.
First the unit's identity (its application code and body length) is checked:
a unit that answers as another variant or product is reported as such and
its fields are not compared. Then cvcfg prints "The unit holds this
configuration." when they agree, or every field that differs (FILE's value
-> the unit's). --json prints one JSON object instead: the outcome, what the
unit said it is (application code, body length, the variants that answer
so) and the differences.

Exit status: 0 when the unit holds what FILE says, as far as an upload
carries it; 1 when it holds other values or answers as another variant;
2 when the unit or FILE could not be read.
)";

constexpr std::string_view kHolds = "The unit holds this configuration.\n";

constexpr std::string_view kStandardInputNeedsYes =
    "FILE - (standard input) needs --yes: the Configure prompt cannot be answered from the "
    "input that holds the file";

// verify and download --verify: nothing could be read to compare.
constexpr int kNotRead = 2;

constexpr std::string_view kUploadHelp =
    R"(Usage: cvcfg upload --variant VARIANT --port PORT [--baud 9600|19200] [--yes] -o FILE

Reads the configuration of the VARIANT unit on PORT (COM1 to COM12 through
the COM port map, a device path, rfc2217://HOST:PORT or socket://HOST:PORT),
saves it as FILE (replacing it) and prints it as "cvcfg show" does; -o -
prints the file's text instead, and saves nothing. Exit status 0 only for a
complete upload.
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
        error.message = "--port is required: COM1 to COM12, a device path, rfc2217://HOST:PORT "
                        "or socket://HOST:PORT";
        return std::nullopt;
    }
    if (isServerAddress(*port)) {
        if (const Expected<ServerAddress> server = parseServerAddress(*port); !server) {
            error.message = "--port " + server.error();
            return std::nullopt;
        }
    }
    if (port->size() > 3 && comPortNumber(*port) == 0 && port->starts_with("COM") &&
        port->find_first_not_of("0123456789", 3) == std::string::npos) {
        error.message = "--port " + *port + ": COM ports are COM1 to COM12";
        return std::nullopt;
    }
    Transfer transfer{*record, ports};
    transfer.record.LinkBaud = baud;
    if (const int number = comPortNumber(*port)) {
        transfer.record.ComPort = number;
    } else {
        // A device path or a server stands in for COM1 of this run.
        transfer.record.ComPort = 1;
        (void)transfer.ports.addMapping("1=" + *port);
    }
    return transfer;
}

// Runs a transfer on the prepared port. A Ctrl-C, SIGTERM or SIGHUP ends it
// in order: the serial layer closes the port on the way out, and nothing
// is left half written.
template <typename Transaction>
int runTransfer(const char* name, Transfer& transfer, Command& command, ConsoleOperator& op,
                Transaction transaction, int failure = kFailure) {
    const InterruptCatcher catcher;
    try {
        PortBackend backend(transfer.ports);
        SerialLayer serial(backend);
        serial.setEventPump([&op] { op.processEvents(); });
        Session session{transfer.record, serial, op};
        const bool done = transaction(session);
        throwIfInterrupted();
        if (!done) {
            return command.fail(std::string(name) + " failed: " + op.failureReason(), failure);
        }
        return kSuccess;
    } catch (const Interrupted& interrupted) {
        command.fail(std::string(name) + " interrupted by " + signalName(interrupted.signal));
        return interruptedStatus(interrupted.signal);
    }
}

// What a read-back found, after what came before it (the download's status):
// 0 when the unit holds the file, 1 when it holds something else.
int reportVerified(const Verification& verification, const std::string& file,
                   const std::string& before, Command& command) {
    switch (verification.outcome) {
    case VerifyOutcome::Holds:
        return command.succeed(before + std::string(kHolds));
    case VerifyOutcome::OtherVariant:
        return command.report(before + verification.otherVariant + "\n", kFailure);
    case VerifyOutcome::Differs:
    case VerifyOutcome::NotRead:
        break;
    }
    return command.report(before + "The unit's configuration differs from " + file +
                              " (file -> unit):\n" + differencesText(verification.differences),
                          kFailure);
}

} // namespace

int runVerify(std::span<const std::string> args, std::istream& in, const PortMap& ports,
              Command& command) {
    UsageError error;
    const auto parsed =
        parseArguments(args, {"--variant", "--port", "--baud"}, {"--yes", "--json"}, error);
    if (!parsed) {
        return command.usage(error.message, kVerifyHelp);
    }
    if (parsed->help) {
        return command.succeed(std::string(kVerifyHelp));
    }
    if (parsed->words.size() != 1) {
        return command.usage("give exactly one configuration file", kVerifyHelp);
    }
    std::optional<Transfer> transfer = prepare(*parsed, ports, error);
    if (!transfer) {
        return command.usage(error.message, kVerifyHelp);
    }
    const std::string& file = parsed->words.front();
    if (file == kStandardStream && !parsed->flag("--yes")) {
        return command.usage(std::string(kStandardInputNeedsYes), kVerifyHelp);
    }
    ConfigRecord expected = transfer->record;
    if (const Status status = openConfiguration(file, expected, in); !status) {
        return command.fail(status.error, kNotRead);
    }
    ConsoleOperator op(in, command.conversation(), parsed->flag("--yes"));
    Verification verification;
    const int status = runTransfer(
        "verify", *transfer, command, op,
        [&](Session& session) {
            verification = VerifyUnit(session.serial, session.op, expected);
            return verification.outcome != VerifyOutcome::NotRead;
        },
        kNotRead);
    if (status != kSuccess) {
        return status;
    }
    if (parsed->flag("--json")) {
        return command.report(verificationJson(verification),
                              verification.outcome == VerifyOutcome::Holds ? kSuccess : kFailure);
    }
    return reportVerified(verification, file, "", command);
}

int runDownload(std::span<const std::string> args, std::istream& in, const PortMap& ports,
                Command& command) {
    UsageError error;
    const auto parsed =
        parseArguments(args, {"--variant", "--port", "--baud"}, {"--yes", "--verify"}, error);
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
    const bool verify = parsed->flag("--verify");
    if (parsed->words.front() == kStandardStream && !parsed->flag("--yes")) {
        return command.usage(std::string(kStandardInputNeedsYes), kDownloadHelp);
    }
    if (const Status status = openConfiguration(parsed->words.front(), transfer->record, in);
        !status) {
        return command.fail(status.error, verify ? kNotRead : kFailure);
    }
    ConsoleOperator op(in, command.conversation(), parsed->flag("--yes"));
    Verification verification;
    std::string downloaded;
    const int status = runTransfer("download", *transfer, command, op, [&](Session& session) {
        if (DownloadConfiguration(session) != DownloadOutcome::Acknowledged) {
            return false;
        }
        downloaded = op.status() + "\n";
        if (verify) {
            verification = VerifyUnit(session.serial, session.op, session.record);
        }
        return true;
    });
    if (status != kSuccess) {
        return status;
    }
    if (!verify) {
        return command.succeed(downloaded);
    }
    if (verification.outcome == VerifyOutcome::NotRead) {
        // The unit has the configuration now: say so, and that it was not
        // confirmed, rather than that the download failed.
        command.report(downloaded, kNotRead);
        return command.fail("Downloaded (the unit acknowledged it), but the read-back failed: " +
                                op.failureReason(),
                            kNotRead);
    }
    return reportVerified(verification, parsed->words.front(), downloaded, command);
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
    const std::optional<std::string> output = outputOption(*parsed);
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
    // -o - gives the file's text on standard output, and nothing else there.
    const bool standardOutput = output == kStandardStream;
    ConsoleOperator op(in, command.conversation(), parsed->flag("--yes"),
                       standardOutput ? std::nullopt : output);
    const int status =
        runTransfer("upload", *transfer, command, op, [standardOutput](Session& session) {
            return UploadConfiguration(session, standardOutput ? UploadTarget::RecordOnly
                                                               : UploadTarget::FileAndRecord) ==
                   UploadOutcome::Complete;
        });
    if (status != kSuccess) {
        return status;
    }
    return command.succeed(standardOutput ? FormatConfigFile(transfer->record)
                                          : describeRecord(transfer->record));
}

} // namespace cvcfg::cli
