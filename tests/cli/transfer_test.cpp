#include "cli/cli.h"
#include "tests/support/records.h"
#include "tests/support/ser2net.h"
#include "tests/support/tempdir.h"
#include "tests/support/unitprocess.h"

#include <algorithm>
#include <cctype>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <poll.h>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>

namespace cvcfg::cli {
namespace {

using namespace std::chrono_literals;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// A simulated unit reached as COM4 through the environment's port map.
class CliTransfer : public testing::Test {
protected:
    // `lineSpeed`: the unit sends at the line's own speed, 10 bit times a byte.
    void start(const std::string& variant, std::vector<std::string> faults = {},
               bool lineSpeed = false) {
        std::vector<std::string> args = {"--variant", variant, "--link", link()};
        if (lineSpeed) {
            args.insert(args.end(), {"--baud", "line", "--baud-timing"});
        }
        for (const std::string& fault : faults) {
            args.insert(args.end(), {"--fault", fault});
        }
        m_unit.emplace(args);
    }
    void TearDown() override { m_unit.reset(); }

    Outcome cvcfg(const std::vector<std::string>& args, const std::string& input = {}) {
        PortMap environment;
        EXPECT_TRUE(environment.addMapping("4=" + link()).ok());
        std::istringstream in(input);
        std::ostringstream out;
        std::ostringstream err;
        Outcome outcome;
        outcome.status = run(args, in, out, err, environment);
        outcome.out = out.str();
        outcome.err = err.str();
        return outcome;
    }

    std::string link() const { return m_dir.path("port"); }
    const test::TempDir& dir() const { return m_dir; }
    std::string file(const std::string& name) const { return m_dir.path(name); }
    test::UnitProcess& unit() { return *m_unit; }

private:
    test::TempDir m_dir;
    std::optional<test::UnitProcess> m_unit;
};

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST_F(CliTransfer, DownloadThenUploadGivesTheFileBack) {
    start("CV210-KFR");
    const Outcome download = cvcfg({"download", "--variant", "CV210-KFR", "--port", "COM4", "--yes",
                                    test::dataPath("cv210-kfr.CVF")});
    ASSERT_EQ(download.status, kSuccess) << download.err;
    EXPECT_EQ(download.out, "A-OK! Transmission received by Corvane\n");
    EXPECT_TRUE(contains(download.err, "PRESS THE CONFIGURE PUSHBUTTON NOW!!!")) << download.err;
    EXPECT_TRUE(contains(download.err, "Press the RESET Button of the Corvane to put it ON-LINE"));
    EXPECT_NE(unit().awaitLine("configuration kept", 3s), "");

    const std::string uploaded = file("up.CVF");
    const Outcome upload =
        cvcfg({"upload", "--variant", "CV210-KFR", "--port", link(), "--yes", "-o", uploaded});
    ASSERT_EQ(upload.status, kSuccess) << upload.err;
    // The last pair of the fourteen values 1 to 14 is rack 7's.
    EXPECT_TRUE(contains(upload.out, "Rack 7 block transfers 0x0D 0x0E")) << upload.out;
    const std::string text = test::readFile(uploaded);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 15 + 14);
    const Outcome image = cvcfg({"image", "--variant", "CV210-KFR", uploaded});
    EXPECT_EQ(image.out, test::readFile(test::dataPath("cv210-kfr.hex")));
}

// A unit behind a serial device server, named by its address and through a
// COM mapping, as an engineer reaches one in a plant.
TEST_F(CliTransfer, ReachesAUnitBehindADeviceServer) {
    if (test::ser2netBinary().empty()) {
        GTEST_SKIP() << "ser2net is not installed (scripts/install-deps installs it)";
    }
    start("CV210-KFR", {}, true);
    const test::Ser2net server(dir(), link(), test::Ser2net::Serves::Rfc2217);
    const Outcome download =
        cvcfg({"download", "--variant", "CV210-KFR", "--port", server.url(), "--baud", "19200",
               "--yes", "--verify", test::dataPath("cv210-kfr.CVF")});
    ASSERT_EQ(download.status, kSuccess) << download.err;
    EXPECT_TRUE(contains(download.out, "A-OK! Transmission received by Corvane\n")) << download.out;
    const std::string exchange = unit().awaitLine("exchange rx", 3s);
    EXPECT_TRUE(contains(exchange, "at 19200 baud")) << "the speed the program set: " << exchange;

    const std::string uploaded = file("up.CVF");
    const Outcome upload = cvcfg({"--com", "7=" + server.url(), "upload", "--variant", "CV210-KFR",
                                  "--port", "COM7", "--yes", "-o", uploaded});
    ASSERT_EQ(upload.status, kSuccess) << upload.err;
    const Outcome image = cvcfg({"image", "--variant", "CV210-KFR", uploaded});
    EXPECT_EQ(image.out, test::readFile(test::dataPath("cv210-kfr.hex")));
}

TEST_F(CliTransfer, AnsweringAtTheKeyboard) {
    start("CV210-DF1");
    const Outcome cancelled = cvcfg(
        {"download", "--variant", "CV210-DF1", "--port", "COM4", test::dataPath("cv210-df1.CVF")},
        "c\n");
    EXPECT_EQ(cancelled.status, kFailure);
    EXPECT_EQ(cancelled.out, "");
    EXPECT_TRUE(contains(cancelled.err, "type C and Enter to cancel")) << cancelled.err;
    EXPECT_EQ(unit().awaitLine("download rx", 300ms), "");

    const Outcome confirmed = cvcfg(
        {"download", "--variant", "CV210-DF1", "--port", "COM4", test::dataPath("cv210-df1.CVF")},
        "\n");
    EXPECT_EQ(confirmed.status, kSuccess) << confirmed.err;
}

TEST_F(CliTransfer, RefusedDownloadFailsWithNothingOnStandardOutput) {
    start("CV210-DF1", {"nak"});
    const Outcome refused = cvcfg({"download", "--variant", "CV210-DF1", "--port", "COM4", "--yes",
                                   test::dataPath("cv210-df1.CVF")});
    EXPECT_EQ(refused.status, kFailure);
    EXPECT_EQ(refused.out, "");
    EXPECT_TRUE(contains(refused.err, "NO ACK RECEIVED")) << refused.err;
    // The last line says why, for scripts that log only that.
    EXPECT_TRUE(contains(refused.err, "cvcfg: download failed: Unable to communicate with Corvane. "
                                      "Try TRANSFER CONFIGURATION Again\n"))
        << refused.err;

    const Outcome wrongBaud = cvcfg({"download", "--variant", "CV210-DF1", "--port", "COM4",
                                     "--baud", "4800", test::dataPath("cv210-df1.CVF")});
    EXPECT_EQ(wrongBaud.status, kUsage);
}

TEST_F(CliTransfer, FailuresEndWithTheirCause) {
    start("CV320-ME", {"no-reply=M"});
    const Outcome missing = cvcfg({"download", "--variant", "CV210-DF1", "--port",
                                   file("no-such-port"), "--yes", test::dataPath("cv210-df1.CVF")});
    EXPECT_EQ(missing.status, kFailure);
    EXPECT_TRUE(contains(missing.err,
                         "download failed: Unable to Communicate withCV210, COM Error: "
                         "Error (2): CommOpen (CreateFile) - No such file or "
                         "directory\n"))
        << missing.err;

    const Outcome cancelled =
        cvcfg({"upload", "--variant", "CV320-ME", "--port", "COM4", "-o", file("x.CVF")}, "c\n");
    EXPECT_TRUE(contains(cancelled.err,
                         "upload failed: cancelled at \"PRESS THE CONFIGURE PUSHBUTTON NOW!!!\"\n"))
        << cancelled.err;

    const Outcome tooHigh =
        cvcfg({"upload", "--variant", "CV320-ME", "--port", "COM13", "-o", file("x.CVF")});
    EXPECT_EQ(tooHigh.status, kUsage);
    EXPECT_TRUE(contains(tooHigh.err, "--port COM13: COM ports are COM1 to COM12")) << tooHigh.err;
    const Outcome badServer = cvcfg({"upload", "--variant", "CV320-ME", "--port",
                                     "rfc2217://10.0.0.7:99999", "-o", file("x.CVF")});
    EXPECT_EQ(badServer.status, kUsage);
    EXPECT_TRUE(contains(badServer.err,
                         "--port \"rfc2217://10.0.0.7:99999\": the port 99999 is out "
                         "of range (1 to 65535)"))
        << badServer.err;

    // A later stage that fails leaves the operator's file as it was.
    const std::string kept = file("kept.CVF");
    test::writeFile(kept, "good old file\r\n");
    const Outcome partial =
        cvcfg({"upload", "--variant", "CV320-ME", "--port", "COM4", "--yes", "-o", kept});
    EXPECT_EQ(partial.status, kFailure);
    EXPECT_TRUE(contains(partial.err, "upload failed: !Error!Timeout Detected! Upload Again! " +
                                          kept + " was left as it was.\n"))
        << partial.err;
    EXPECT_EQ(test::readFile(kept), "good old file\r\n");
}

TEST_F(CliTransfer, VerifyTellsWhetherTheUnitHoldsTheFile) {
    start("CV210-KFR", {}, true);
    const std::string golden = test::dataPath("cv210-kfr.CVF");
    const Outcome commissioned = cvcfg(
        {"download", "--variant", "CV210-KFR", "--port", "COM4", "--yes", "--verify", golden});
    ASSERT_EQ(commissioned.status, kSuccess) << commissioned.err;
    EXPECT_EQ(commissioned.out,
              "A-OK! Transmission received by Corvane\nThe unit holds this configuration.\n");
    EXPECT_TRUE(contains(commissioned.err, "A-OK! Success - Upload complete from CV210."));

    const std::string changed = file("changed.CVF");
    ASSERT_EQ(
        cvcfg({"set", "--variant", "CV210-KFR", golden, "StationNo=12", "-o", changed}).status,
        kSuccess);
    const Outcome differs =
        cvcfg({"verify", "--variant", "CV210-KFR", "--port", "COM4", "--yes", changed});
    EXPECT_EQ(differs.status, kFailure);
    EXPECT_TRUE(contains(differs.out, "The unit's configuration differs from " + changed))
        << differs.out;
    EXPECT_TRUE(contains(differs.out, "StationNo: 12 (octal 14) -> ")) << differs.out;
    EXPECT_EQ(std::count(differs.out.begin(), differs.out.end(), '\n'), 2) << differs.out;

    const Outcome holds =
        cvcfg({"verify", "--variant", "CV210-KFR", "--port", "COM4", "--yes", golden});
    EXPECT_EQ(holds.status, kSuccess) << holds.err;
    EXPECT_EQ(holds.out, "The unit holds this configuration.\n");

    // The same as one JSON object: the unit's identity and the differences.
    const Outcome json =
        cvcfg({"verify", "--variant", "CV210-KFR", "--port", "COM4", "--yes", "--json", changed});
    EXPECT_EQ(json.status, kFailure);
    EXPECT_TRUE(contains(json.out, "\"outcome\": \"differs\"")) << json.out;
    EXPECT_TRUE(contains(json.out, "\"applicationCode\": 7, \"bodyLength\": 64")) << json.out;
    EXPECT_TRUE(contains(json.out, "\"answersAs\": [\"CV210-KFR\"]")) << json.out;
    EXPECT_TRUE(contains(json.out, "\"field\": \"StationNo\"")) << json.out;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file("")),
                            std::filesystem::directory_iterator()),
              2)
        << "the unit's port and the changed file: verify writes no file";
}

// verify and download --verify: 2 when nothing could be read to compare.
constexpr int kNotRead = 2;

TEST_F(CliTransfer, VerifyOfASilentUnitFailsWithTheUploadsCause) {
    start("CV210-KFR", {"silent"}, true);
    const Outcome silent = cvcfg({"verify", "--variant", "CV210-KFR", "--port", "COM4", "--yes",
                                  test::dataPath("cv210-kfr.CVF")});
    EXPECT_EQ(silent.status, kNotRead);
    EXPECT_EQ(silent.out, "");
    EXPECT_TRUE(contains(silent.err, "verify failed: Unable to upload parameters from CV210. "
                                     "Check connections/settings and TRY UPLOAD AGAIN"))
        << silent.err;
}

TEST_F(CliTransfer, VerifyOfAnUnreadableFileExitsTwo) {
    start("CV210-DF1");
    const std::string missing = file("none.CVF");
    const Outcome verify =
        cvcfg({"verify", "--variant", "CV210-DF1", "--port", "COM4", "--yes", missing});
    const Outcome download = cvcfg(
        {"download", "--variant", "CV210-DF1", "--port", "COM4", "--yes", "--verify", missing});
    for (const Outcome& outcome : {verify, download}) {
        EXPECT_EQ(outcome.status, kNotRead) << outcome.err;
        EXPECT_TRUE(contains(outcome.err, missing)) << outcome.err;
    }
    EXPECT_EQ(unit().awaitLine("rx", 300ms), "") << "nothing goes to the unit";
}

// A unit of another family: the variant it runs, the file verified against
// it, and what the answer must name.
struct OtherUnit {
    const char* unitVariant;
    const char* fileVariant;
    const char* file;
    std::string message;
};

void PrintTo(const OtherUnit& c, std::ostream* out) {
    *out << c.unitVariant << " checked as " << c.fileVariant;
}

class CliVerifyOtherUnit : public CliTransfer, public testing::WithParamInterface<OtherUnit> {};

TEST_P(CliVerifyOtherUnit, IsReportedAsSuchAndItsFieldsAreNotCompared) {
    const OtherUnit& c = GetParam();
    start(c.unitVariant, {}, true);
    const Outcome other = cvcfg(
        {"verify", "--variant", c.fileVariant, "--port", "COM4", "--yes", test::dataPath(c.file)});
    EXPECT_EQ(other.status, kFailure) << other.err;
    EXPECT_TRUE(contains(other.out, c.message)) << other.out;
    EXPECT_FALSE(contains(other.out, "The unit holds")) << other.out;
    EXPECT_FALSE(contains(other.out, "differs")) << other.out;
    EXPECT_EQ(std::count(other.out.begin(), other.out.end(), '\n'), 1) << other.out;
}

INSTANTIATE_TEST_SUITE_P(
    Families, CliVerifyOtherUnit,
    testing::Values(
        OtherUnit{"CV310-DF1", "CV210-DF1", "cv210-df1.CVF",
                  "The unit answers as a CV310-DF1 (application code 5), not a CV210-DF1\n"},
        OtherUnit{"CV320-ME", "CV210-DF1", "cv210-df1.CVF",
                  "CV320-ME (application code 2, body length 138), not a CV210-DF1\n"},
        OtherUnit{"CV-PCI", "CV210-DF1", "cv210-df1.CVF",
                  "The unit answers as a CV-PCI (application code 0, body length 58), "
                  "not a CV210-DF1\n"},
        OtherUnit{"CV210-DF1", "CV310-DF1", "cv310-df1.CVF",
                  "CV210-DF1 (application code 0), not a CV310-DF1\n"},
        OtherUnit{"CV-PC/104-MODBUS", "CV210-DF1", "cv210-df1.CVF",
                  "The unit answers as a CV210-MODBUS or CV-PC/104-MODBUS (application code 1, "
                  "body length 138), not a CV210-DF1\n"},
        OtherUnit{"CV210-KFR", "CV310-DMX", "cv310-dmx.CVF",
                  "The unit answers as a CV210-KFR (application code 7, body length 64), "
                  "not a CV310-DMX\n"}),
    [](const testing::TestParamInfo<OtherUnit>& info) {
        std::string name = std::string(info.param.unitVariant) + "_as_" + info.param.fileVariant;
        std::replace_if(
            name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
        return name;
    });

// What a commissioning engineer does: the unit was given its own variant's
// file, and is then checked against another variant's.
TEST_F(CliTransfer, DownloadedUnitCheckedAsAnotherVariantSaysWhatItIs) {
    start("CV310-DF1", {}, true);
    const Outcome download = cvcfg({"download", "--variant", "CV310-DF1", "--port", "COM4", "--yes",
                                    "--verify", test::dataPath("cv310-df1.CVF")});
    ASSERT_EQ(download.status, kSuccess) << download.err;
    const Outcome other = cvcfg({"verify", "--variant", "CV210-DF1", "--port", "COM4", "--yes",
                                 test::dataPath("cv210-df1.CVF")});
    EXPECT_EQ(other.status, kFailure);
    EXPECT_EQ(other.out, "The unit answers as a CV310-DF1 (application code 5), not a CV210-DF1\n");
    EXPECT_EQ(unit().awaitLine("54 45 4D", 300ms), "") << "no later stage is asked for";
}

// A read-back that fails after the unit acknowledged the download.
struct ReadBackFailure {
    const char* name;
    std::vector<std::string> faults;
    std::string input; // the operator's answers at the keyboard; --yes when empty
    std::string cause;
};

void PrintTo(const ReadBackFailure& c, std::ostream* out) {
    *out << c.name;
}

class CliReadBackFailure : public CliTransfer,
                           public testing::WithParamInterface<ReadBackFailure> {};

TEST_P(CliReadBackFailure, SaysTheDownloadWasAcknowledgedAndExitsTwo) {
    const ReadBackFailure& c = GetParam();
    start("CV210-DF1", c.faults, true);
    std::vector<std::string> args = {"download",
                                     "--variant",
                                     "CV210-DF1",
                                     "--port",
                                     "COM4",
                                     "--verify",
                                     test::dataPath("cv210-df1.CVF")};
    if (c.input.empty()) {
        args.push_back("--yes");
    }
    const Outcome outcome = cvcfg(args, c.input);
    EXPECT_NE(unit().awaitLine("configuration kept", 3s), "");
    EXPECT_EQ(outcome.status, kNotRead) << outcome.err;
    EXPECT_EQ(outcome.out, "A-OK! Transmission received by Corvane\n");
    EXPECT_TRUE(
        contains(outcome.err, "cvcfg: Downloaded (the unit acknowledged it), but the read-back "
                              "failed: " +
                                  c.cause + "\n"))
        << outcome.err;
    EXPECT_FALSE(contains(outcome.err, "download failed")) << outcome.err;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CliReadBackFailure,
    testing::Values(
        ReadBackFailure{"garbled",
                        {"garbled-reply"},
                        "",
                        "!Error!Invalid Upload Message Received! Upload Again!"},
        ReadBackFailure{
            "short", {"short-reply"}, "", "!Error!Invalid Upload Message Received! Upload Again!"},
        ReadBackFailure{"none",
                        {"no-reply=E"},
                        "",
                        "Unable to upload parameters from CV210. "
                        "Check connections/settings and TRY UPLOAD AGAIN"},
        ReadBackFailure{
            "cancelled", {}, "\nc\n", "cancelled at \"PRESS THE CONFIGURE PUSHBUTTON NOW!!!\""}),
    [](const testing::TestParamInfo<ReadBackFailure>& info) { return info.param.name; });

// The program run as its own process, as from a shell, with its standard
// input held open and its standard error read.
class ProgramProcess {
public:
    explicit ProgramProcess(std::vector<std::string> args) {
        int in[2];
        int err[2];
        if (::pipe(in) != 0 || ::pipe(err) != 0) {
            throw std::runtime_error("cannot make a pipe");
        }
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(in[0], STDIN_FILENO);
            ::dup2(err[1], STDERR_FILENO);
            for (const int fd : {in[0], in[1], err[0], err[1]}) {
                ::close(fd);
            }
            std::vector<char*> argv;
            static std::string binary = CVCFG_PROGRAM_BINARY;
            argv.push_back(binary.data());
            for (std::string& arg : args) {
                argv.push_back(arg.data());
            }
            argv.push_back(nullptr);
            ::execv(binary.c_str(), argv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(err[1]);
        m_in = in[1];
        m_err = err[0];
    }
    ~ProgramProcess() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        ::close(m_in);
        ::close(m_err);
    }

    // Whether standard error comes to hold `part` within `within`.
    bool awaitError(const std::string& part, std::chrono::milliseconds within) {
        const auto deadline = std::chrono::steady_clock::now() + within;
        while (!contains(m_errText, part)) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd ready{m_err, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
                return false;
            }
            char chunk[1024];
            const ssize_t n = ::read(m_err, chunk, sizeof chunk);
            if (n <= 0) {
                return false;
            }
            m_errText.append(chunk, static_cast<std::size_t>(n));
        }
        return true;
    }

    // Sends `signal` and waits up to 10 s for the end; the exit status, or
    // -1 when the program had to be killed.
    int stop(int signal) {
        ::kill(m_pid, signal);
        int status = 0;
        pid_t ended = 0;
        for (int tries = 0; tries < 1000 && ended == 0; ++tries) {
            ended = ::waitpid(m_pid, &status, WNOHANG);
            if (ended == 0) {
                ::usleep(10'000);
            }
        }
        if (ended != m_pid) {
            return -1; // the destructor kills it
        }
        m_pid = -1;
        char chunk[1024];
        for (ssize_t n; (n = ::read(m_err, chunk, sizeof chunk)) > 0;) {
            m_errText.append(chunk, static_cast<std::size_t>(n));
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    }

    [[nodiscard]] const std::string& errorText() const { return m_errText; }

private:
    pid_t m_pid = -1;
    int m_in = -1;
    int m_err = -1;
    std::string m_errText;
};

TEST_F(CliTransfer, SignalsEndATransferInOrder) {
    start("CV320-ME");
    // The settings the device had before the program took it.
    const int probe = ::open(link().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(probe, 0);
    termios before{};
    ASSERT_EQ(::tcgetattr(probe, &before), 0);

    const std::string kept = file("kept.CVF");
    test::writeFile(kept, "good old file\r\n");
    struct Case {
        int signal;
        int status;
    };
    for (const Case c : {Case{SIGINT, 130}, Case{SIGTERM, 143}, Case{SIGHUP, 129}}) {
        SCOPED_TRACE(c.signal);
        ProgramProcess program({"upload", "--variant", "CV320-ME", "--port", link(), "-o", kept});
        // The prompt for the Configure pushbutton invites a Ctrl-C.
        ASSERT_TRUE(program.awaitError("type C and Enter to cancel", 10s)) << program.errorText();
        EXPECT_EQ(program.stop(c.signal), c.status) << program.errorText();
        EXPECT_TRUE(contains(program.errorText(), "upload interrupted by "));
        int exclusive = 1;
        ASSERT_EQ(::ioctl(probe, TIOCGEXCL, &exclusive), 0);
        EXPECT_EQ(exclusive, 0) << "the next opener is not shut out";
        termios after{};
        ASSERT_EQ(::tcgetattr(probe, &after), 0);
        EXPECT_EQ(after.c_cflag, before.c_cflag) << "the settings found at the open are back";
        EXPECT_EQ(after.c_lflag, before.c_lflag);
        EXPECT_EQ(test::readFile(kept), "good old file\r\n");
    }
    ::close(probe);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file("")),
                            std::filesystem::directory_iterator()),
              2)
        << "the file and the unit's port, no temporary file";
}

} // namespace
} // namespace cvcfg::cli
