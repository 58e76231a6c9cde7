#include "core/configfile.h"
#include "core/image.h"
#include "link/contact.h"
#include "link/download.h"
#include "link/posixbackend.h"
#include "link/upload.h"
#include "link/verify.h"
#include "tests/support/records.h"
#include "tests/support/scriptedoperator.h"
#include "tests/support/tempdir.h"
#include "tests/support/unitprocess.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace cvcfg {
namespace {

using namespace std::chrono_literals;
using test::ScriptedOperator;
using test::UnitProcess;
using Clock = std::chrono::steady_clock;

MessageBox configurePrompt(const std::string& model, const std::string& leds) {
    return {"Press the Configure pushbutton on the " + model + " NOW!\n\rONLY the " + leds,
            Buttons::OkCancel, Icon::Critical, "PRESS THE CONFIGURE PUSHBUTTON NOW!!!"};
}

MessageBox configurePrompt(const std::string& model) {
    const bool card = model == "CV-PCI" || model == "CV-PC/104-MODBUS";
    return configurePrompt(model, card ? "'BUS' AND 'STATUS' LEDS SHOULD BE ON !"
                                       : "'CHA' AND 'CHC' LEDS SHOULD BE RED!");
}

const MessageBox kResetPrompt{"Press the RESET Button of the Corvane to put it ON-LINE",
                              Buttons::Ok, Icon::Information, "Press Reset Button"};

MessageBox downloadFailure(const std::string& title) {
    return {"Unable to communicate with Corvane.", Buttons::Ok, Icon::Critical, title};
}

MessageBox uploadTimeout(const std::string& model) {
    return {"Unable to upload parameters from " + model + ".", Buttons::Ok, Icon::Critical,
            "TIMEOUT DETECTED"};
}

// A port map with one COM entry pointed at `device`.
PortMap portMap(int port, const std::string& device) {
    PortMap map;
    EXPECT_TRUE(map.addMapping(std::to_string(port) + "=" + device).ok());
    return map;
}

// A simulated unit on a pseudo-terminal, reached as COM1, sending at the
// speed of the line, and the program's side of the link: the record, the
// serial layer and a scripted operator. The unit is of `variant` unless
// `unitVariant` names another ("any").
class Bench {
public:
    explicit Bench(const std::string& variant, std::vector<std::string> faults = {},
                   const std::string& speed = "9600", const std::string& unitVariant = "")
        : m_speed(speed),
          m_unit(unitArgs(unitVariant.empty() ? variant : unitVariant, faults, m_dir)),
          m_backend(portMap(1, m_dir.path("port"))), m_serial(m_backend) {
        useRecord(test::zeroRecord(variant));
        op.shorten(kDownloadTimeout, 800ms);
        op.shorten(kUploadStageTimeout, 600ms);
    }
    ~Bench() { m_unit.stop(); }

    // Puts `next` in the record, on this bench's port and line speed.
    void useRecord(const ConfigRecord& next) {
        record = next;
        record.LinkBaud = m_speed;
        record.ComPort = 1;
    }

    Session session() { return Session{record, m_serial, op}; }
    UnitProcess& unit() { return m_unit; }
    SerialLayer& serial() { return m_serial; }
    std::string file(const std::string& name) const { return m_dir.path(name); }

    ConfigRecord record;
    ScriptedOperator op;

private:
    static std::vector<std::string> unitArgs(const std::string& variant,
                                             const std::vector<std::string>& faults,
                                             const test::TempDir& dir) {
        std::vector<std::string> args = {"--variant", variant, "--link",       dir.path("port"),
                                         "--baud",    "line",  "--baud-timing"};
        for (const std::string& fault : faults) {
            args.insert(args.end(), {"--fault", fault});
        }
        return args;
    }
    std::string m_speed;
    test::TempDir m_dir;
    UnitProcess m_unit;
    PosixSerialBackend m_backend;
    SerialLayer m_serial;
};

struct Golden {
    const char* variant;
    const char* file;
};

void PrintTo(const Golden& golden, std::ostream* out) {
    *out << golden.variant;
}

// Every case runs at both speeds of the configuration link.
const auto kSpeeds = testing::Values(std::string("9600"), std::string("19200"));

template <typename Case> std::string caseName(const Case& c, const std::string& speed) {
    std::string name = c.variant;
    std::replace_if(
        name.begin(), name.end(), [](char ch) { return !std::isalnum(ch); }, '_');
    return name + "_" + speed;
}

class DownloadEveryLength : public testing::TestWithParam<std::tuple<Golden, std::string>> {};

TEST_P(DownloadEveryLength, UnitReceivesTheImageAndTheProgramsAck) {
    const auto& [golden, speed] = GetParam();
    Bench bench(golden.variant, {}, speed);
    ConfigRecord opened = bench.record;
    ASSERT_TRUE(OpenConfigFile(test::dataPath(std::string(golden.file) + ".CVF"), opened));
    bench.useRecord(opened);
    bench.op.expect(configurePrompt(bench.record.ModelName));
    if (bench.record.ModelName != "CV-PCI") {
        bench.op.expect(kResetPrompt);
    }
    Session session = bench.session();
    EXPECT_EQ(DownloadConfiguration(session), DownloadOutcome::Acknowledged);
    EXPECT_EQ(bench.op.statuses, (std::vector<std::string>{
                                     "Downloading Parameters...", "Initiating transfer to Corvane",
                                     "A-OK! Transmission received by Corvane"}));
    EXPECT_EQ(bench.op.busyStates, std::vector<bool>{false});
    EXPECT_FALSE(bench.serial().isOpen(1));

    std::string expected = test::readFile(test::dataPath(std::string(golden.file) + ".hex"));
    expected.pop_back();
    const std::string received = bench.unit().awaitLine("download rx", 3s);
    EXPECT_NE(received.find(": " + expected + " -> ACK"), std::string::npos) << received;
    EXPECT_NE(bench.unit().awaitLine("configuration kept", 3s), "");
}

INSTANTIATE_TEST_SUITE_P(
    Units, DownloadEveryLength,
    testing::Combine(testing::Values(Golden{"CV210-DF1", "cv210-df1"},
                                     Golden{"CV210-ASCII", "cv210-ascii"},
                                     Golden{"CV210-KFR", "cv210-kfr"},
                                     Golden{"CV320-ME", "cv320-me"}, Golden{"CV-PCI", "cv-pci"}),
                     kSpeeds),
    [](const auto& info) { return caseName(std::get<0>(info.param), std::get<1>(info.param)); });

double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

TEST(Download, SilentUnitTimesOutAfterSixSecondsWithoutSpinning) {
    Bench bench("CV210-DF1", {"silent"});
    bench.op.shorten(kDownloadTimeout, kDownloadTimeout); // the real time-out
    bench.useRecord(test::df1SetupRecord());
    bench.op.expect(configurePrompt("CV210"));
    bench.op.expect(downloadFailure("TIMEOUT DETECTED"));
    Session session = bench.session();
    const double cpuBefore = cpuSeconds();
    const auto start = Clock::now();
    EXPECT_EQ(DownloadConfiguration(session), DownloadOutcome::TimedOut);
    const auto took = Clock::now() - start;
    EXPECT_GE(took, 6000ms);
    EXPECT_LT(took, 7000ms);
    EXPECT_LT(cpuSeconds() - cpuBefore, 0.05 * 6.0) << "the wait must sleep, not spin";
    EXPECT_EQ(bench.op.statuses.back(), "Try TRANSFER CONFIGURATION Again");
    EXPECT_FALSE(bench.serial().isOpen(1));
}

TEST(Download, AnswersWithoutAckEndAtOnceAndNoisyAckSucceeds) {
    struct Case {
        const char* fault;
        DownloadOutcome outcome;
    };
    for (const Case& c :
         {Case{"nak", DownloadOutcome::NoAck}, Case{"noise", DownloadOutcome::NoAck},
          Case{"noise-then-ack", DownloadOutcome::Acknowledged}}) {
        SCOPED_TRACE(c.fault);
        Bench bench("CV210-KFR", {c.fault});
        ASSERT_TRUE(OpenConfigFile(test::dataPath("cv210-kfr.CVF"), bench.record));
        bench.op.shorten(kDownloadTimeout, kDownloadTimeout);
        bench.op.expect(configurePrompt("CV210"));
        const bool acknowledged = c.outcome == DownloadOutcome::Acknowledged;
        bench.op.expect(acknowledged ? kResetPrompt : downloadFailure("NO ACK RECEIVED"));
        Session session = bench.session();
        const auto start = Clock::now();
        EXPECT_EQ(DownloadConfiguration(session), c.outcome);
        EXPECT_LT(Clock::now() - start, 2000ms) << "no waiting for the time-out";
        EXPECT_EQ(bench.op.statuses.back(), acknowledged ? "A-OK! Transmission received by Corvane"
                                                         : "Try TRANSFER CONFIGURATION Again");
        EXPECT_FALSE(bench.serial().isOpen(1));
    }
}

TEST(Contact, CancelAtTheConfigurePromptLeavesNoPortOpen) {
    Bench bench("CV210-DF1");
    bench.op.expect(configurePrompt("CV210"), Answer::Cancel);
    Session session = bench.session();
    EXPECT_EQ(ContactUnit(session), kContactCancelled);
    EXPECT_FALSE(bench.serial().isOpen(1));

    bench.op.expect(configurePrompt("CV210"), Answer::Cancel);
    EXPECT_EQ(DownloadConfiguration(session), DownloadOutcome::NotContacted);
    EXPECT_EQ(bench.op.busyStates, std::vector<bool>{false});
    EXPECT_FALSE(bench.serial().isOpen(1));
    EXPECT_EQ(bench.unit().awaitLine("rx", 300ms), "") << "nothing reached the unit";
}

TEST(Contact, APortThatCannotBeOpenedIsReportedAndLeftClosed) {
    Bench bench("CV210-DF1");
    Session session = bench.session();
    bench.record.ComPort = 2; // /dev/ttyS1 through the map: not a port of this machine
    PosixSerialBackend missing(portMap(2, "/dev/cvcfg-missing-port"));
    SerialLayer serial(missing);
    Session elsewhere{bench.record, serial, bench.op};
    bench.op.expect({"Unable to Communicate withCV210, COM Error: Error (2): CommOpen (CreateFile) "
                     "- No such file or directory",
                     Buttons::Ok, Icon::None, ""});
    EXPECT_EQ(ContactUnit(elsewhere), kContactFailed);
    EXPECT_FALSE(serial.isOpen(2));

    // An open that fails after the device was obtained is closed too.
    bench.record.ComPort = 1;
    bench.record.LinkBaud = "12345";
    bench.op.expect({"Unable to Communicate withCV210, COM Error: Error (22): CommOpen "
                     "(SetCommState) - Invalid argument",
                     Buttons::Ok, Icon::None, ""});
    EXPECT_EQ(ContactUnit(session), kContactFailed);
    EXPECT_FALSE(bench.serial().isOpen(1));
}

TEST(Contact, PortTestReportsAndAlwaysCloses) {
    Bench bench("CV210-DF1");
    Session session = bench.session();
    EXPECT_TRUE(TestComPort(session));
    EXPECT_FALSE(bench.serial().isOpen(1));
    bench.record.ComPort = 9;
    bench.op.expect({"UNABLE TO OPEN COM PORT,  Error: Error (2): CommOpen (CreateFile) - No such "
                     "file or directory",
                     Buttons::Ok, Icon::Information, "INVALID COM PORT!!! Please Select Again."});
    PosixSerialBackend missing(portMap(9, "/dev/cvcfg-missing-port"));
    SerialLayer serial(missing);
    Session other{bench.record, serial, bench.op};
    EXPECT_FALSE(TestComPort(other));
    EXPECT_FALSE(serial.isOpen(9));
}

struct UploadCase {
    const char* variant;
    int lines;
    std::vector<std::string> requests;
    const char* unitVariant = ""; // the unit's own, unless "any"
};

void PrintTo(const UploadCase& c, std::ostream* out) {
    *out << c.variant << (*c.unitVariant ? " from a unit of any variant" : "");
}

class UploadEveryPlan : public testing::TestWithParam<std::tuple<UploadCase, std::string>> {};

TEST_P(UploadEveryPlan, WritesTheStagesAndLoadsWhatTheUnitHolds) {
    const auto& [c, speed] = GetParam();
    Bench bench(c.variant, {}, speed, c.unitVariant);
    // Entries past the variant's file section have no meaning there and stay 0,
    // as every editor leaves them.
    ConfigRecord sent = test::distinctRecord(c.variant);
    const auto carried = static_cast<std::size_t>(sectionBValueCount(sectionBFor(sent)));
    std::fill(sent.ExtParams.begin() + static_cast<std::ptrdiff_t>(carried), sent.ExtParams.end(),
              0);
    bench.useRecord(sent);
    Session session = bench.session();
    bench.op.expect(configurePrompt(bench.record.ModelName));
    if (bench.record.ModelName != "CV-PCI") {
        bench.op.expect(kResetPrompt);
    }
    ASSERT_EQ(DownloadConfiguration(session), DownloadOutcome::Acknowledged);

    // Start the upload from an empty record of the same product.
    bench.useRecord(test::zeroRecord(c.variant));
    const std::string file = bench.file("upload.CVF");
    bench.op.statuses.clear();
    bench.op.expect(configurePrompt(bench.record.ModelName));
    bench.op.expectSaveFile(file);
    EXPECT_EQ(UploadConfiguration(session), UploadOutcome::Complete);
    EXPECT_EQ(bench.op.statuses.back(),
              "A-OK! Success - Upload complete from " + bench.record.ModelName + ".");
    EXPECT_EQ(bench.op.saveFilters, std::vector<std::string>{bench.record.ModelName +
                                                             " Configuration Files (*.CVF)|*.CVF"});
    EXPECT_FALSE(bench.serial().isOpen(1));

    const std::string text = test::readFile(file);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), c.lines);
    for (const std::string& request : c.requests) {
        const std::string line = bench.unit().awaitLine("upload   rx 3: " + request, 3s);
        EXPECT_NE(line, "") << request;
        // The ACK of a stage follows the whole of its reply.
        EXPECT_NE(bench.unit().awaitLine("ack      rx", 3s), "") << request;
    }
    EXPECT_EQ(bench.unit().awaitLine("upload   rx", 300ms), "") << "no further request";
    // Every value the image carries came back.
    EXPECT_EQ(hexBytes(*BuildConfigImage(bench.record)), hexBytes(*BuildConfigImage(sent)));
}

// Every file layout: none, the Brabender pair, the ASCII table, the
// extended block (in the first reply for the CV-PCI, in a third stage for
// the KFR) and the register map.
INSTANTIATE_TEST_SUITE_P(
    Units, UploadEveryPlan,
    testing::Combine(
        testing::Values(UploadCase{"CV310-MMX", 15, {"54 45 45"}},
                        UploadCase{"CV310-BTI", 15 + 1, {"54 45 45"}},
                        UploadCase{"CV310-DAS", 15 + 3, {"54 45 45"}},
                        UploadCase{"CV210-ASCII", 15 + 3, {"54 45 45"}},
                        UploadCase{"CV-PCI", 15 + 7, {"54 45 45"}},
                        UploadCase{"CV210-KFR", 15 + 14, {"54 45 45", "54 45 52"}},
                        UploadCase{"CV320-ME", 15 + 88, {"54 45 45", "54 45 4D"}},
                        UploadCase{"CV210-MODBUS", 15 + 88, {"54 45 45", "54 45 4D"}},
                        UploadCase{"CV310-DMX", 15 + 88, {"54 45 45", "54 45 4D"}},
                        UploadCase{"CV-PC/104-MODBUS", 15 + 88, {"54 45 45", "54 45 4D"}},
                        // The demonstration's unit answers the first request
                        // with the CV-PCI's longer reply whatever it holds.
                        UploadCase{"CV210-MODBUS", 15 + 88, {"54 45 45", "54 45 4D"}, "any"}),
        kSpeeds),
    [](const auto& info) {
        const UploadCase& c = std::get<0>(info.param);
        return caseName(c, std::get<1>(info.param)) + (*c.unitVariant ? "_any_unit" : "");
    });

// What one download and one upload of a file layout put on the wire. A
// download is the image (7 header bytes, the body, 2 checksum bytes), the
// unit's ACK and the program's; each upload stage is a 3-byte request, a
// reply of at least the stage's collection limit (66 for T E E, where the
// CV-PCI's reaches b(69); 114 for T E M; 94 for T E R) and the program's ACK.
struct WireCase {
    const char* variant;
    const char* file;
    int downloadBytes;
    int uploadBytes;
};

void PrintTo(const WireCase& c, std::ostream* out) {
    *out << c.variant;
}

class TransferTime : public testing::TestWithParam<std::tuple<WireCase, std::string>> {};

// A transfer takes the time its bytes need on the line, plus the program's
// own work: opening the port, a 20 ms quiet line after each upload reply,
// and the scheduling of two processes on a build machine's two busy cores
// under AddressSanitizer, which stays below 150 ms. 300 ms leaves room for
// that and is still a tenth of the 3 s an upload stage waits for a reply
// that never reaches its collection limit.
constexpr std::chrono::milliseconds kOwnWork{300};

std::chrono::microseconds wireTime(int bytes, const std::string& speed) {
    return std::chrono::microseconds(bytes * 10 * 1'000'000LL / std::stoi(speed));
}

TEST_P(TransferTime, ExchangesTakeTheirWireTimeAndNoTimeOut) {
    const auto& [c, speed] = GetParam();
    Bench bench(c.variant, {}, speed);
    // The real time-outs: an exchange that waits one out must show it.
    bench.op.shorten(kDownloadTimeout, kDownloadTimeout);
    bench.op.shorten(kUploadStageTimeout, kUploadStageTimeout);
    ConfigRecord opened = bench.record;
    ASSERT_TRUE(OpenConfigFile(test::dataPath(std::string(c.file) + ".CVF"), opened));
    bench.useRecord(opened);
    Session session = bench.session();

    bench.op.expect(configurePrompt(bench.record.ModelName));
    if (bench.record.ModelName != "CV-PCI") {
        bench.op.expect(kResetPrompt);
    }
    auto start = Clock::now();
    ASSERT_EQ(DownloadConfiguration(session), DownloadOutcome::Acknowledged);
    EXPECT_LE(Clock::now() - start, wireTime(c.downloadBytes, speed) + kOwnWork) << "download";

    // Into the record only: the time a file takes to reach the disk is no
    // part of the exchange.
    bench.op.expect(configurePrompt(bench.record.ModelName));
    start = Clock::now();
    ASSERT_EQ(UploadConfiguration(session, UploadTarget::RecordOnly), UploadOutcome::Complete);
    EXPECT_LE(Clock::now() - start, wireTime(c.uploadBytes, speed) + kOwnWork) << "upload";
    EXPECT_EQ(hexBytes(*BuildConfigImage(bench.record)), hexBytes(*BuildConfigImage(opened)));
}

// Every file layout: none, the ASCII table, the Brabender pair, the extended
// block in a third stage, the register map in a second, and the extended
// block in a longer first reply.
INSTANTIATE_TEST_SUITE_P(
    Units, TransferTime,
    testing::Combine(testing::Values(WireCase{"CV210-DF1", "cv210-df1", 7 + 42 + 2 + 2, 3 + 66 + 1},
                                     WireCase{"CV210-ASCII", "cv210-ascii", 7 + 58 + 2 + 2,
                                              3 + 66 + 1},
                                     WireCase{"CV310-BTI", "cv310-bti", 7 + 58 + 2 + 2, 3 + 66 + 1},
                                     WireCase{"CV210-KFR", "cv210-kfr", 7 + 64 + 2 + 2,
                                              (3 + 66 + 1) + (3 + 94 + 1)},
                                     WireCase{"CV210-MODBUS", "cv210-modbus", 7 + 138 + 2 + 2,
                                              (3 + 66 + 1) + (3 + 114 + 1)},
                                     WireCase{"CV-PCI", "cv-pci", 7 + 58 + 2 + 2, 3 + 70 + 1}),
                     kSpeeds),
    [](const auto& info) { return caseName(std::get<0>(info.param), std::get<1>(info.param)); });

TEST(Upload, ALaterStageThatFailsLeavesTheFileAsItWasAndLoadsNothing) {
    Bench bench("CV320-ME", {"no-reply=M"});
    bench.op.shorten(kUploadStageTimeout, kUploadStageTimeout); // the real time-out
    const ConfigRecord before = bench.record;
    const std::string file = bench.file("kept.CVF");
    test::writeFile(file, "the operator's good old file\r\n");
    bench.op.expect(configurePrompt("CV320"));
    bench.op.expectSaveFile(file);
    bench.op.expect(uploadTimeout("CV320"));
    Session session = bench.session();
    const auto start = Clock::now();
    EXPECT_EQ(UploadConfiguration(session), UploadOutcome::TimedOut);
    EXPECT_GE(Clock::now() - start, 3000ms);
    EXPECT_EQ(bench.op.statuses.back(),
              "!Error!Timeout Detected! Upload Again! " + file + " was left as it was.");
    EXPECT_EQ(test::readFile(file), "the operator's good old file\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(bench.file("")),
                            std::filesystem::directory_iterator()),
              2)
        << "the file and the unit's port, no temporary file";
    EXPECT_EQ(test::parameters(bench.record), test::parameters(before));
    EXPECT_FALSE(bench.serial().isOpen(1));

    const std::string fresh = bench.file("fresh.CVF");
    bench.op.expect(configurePrompt("CV320"));
    bench.op.expectSaveFile(fresh);
    bench.op.expect(uploadTimeout("CV320"));
    EXPECT_EQ(UploadConfiguration(session), UploadOutcome::TimedOut);
    EXPECT_EQ(bench.op.statuses.back(),
              "!Error!Timeout Detected! Upload Again! No file was written.");
    EXPECT_FALSE(std::filesystem::exists(fresh));
}

TEST(Upload, RepliesThatPauseMidwayAreCollectedWhole) {
    Bench bench("CV210-KFR", {"paused-reply"}, "19200");
    bench.op.shorten(kUploadStageTimeout, kUploadStageTimeout);
    const std::string file = bench.file("paused.CVF");
    bench.op.expect(configurePrompt("CV210"));
    bench.op.expectSaveFile(file);
    Session session = bench.session();
    EXPECT_EQ(UploadConfiguration(session), UploadOutcome::Complete);
    const std::string text = test::readFile(file);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 15 + 14);
}

TEST(Upload, ShortOrGarbledFirstReplyIsRefused) {
    for (const char* fault : {"short-reply", "garbled-reply"}) {
        SCOPED_TRACE(fault);
        Bench bench("CV-PCI", {fault});
        const ConfigRecord before = bench.record;
        bench.op.expect(configurePrompt("CV-PCI"));
        Session session = bench.session();
        EXPECT_EQ(UploadConfiguration(session), UploadOutcome::InvalidReply);
        EXPECT_EQ(bench.op.statuses.back(),
                  "!Error!Invalid Upload Message Received! Upload Again!");
        EXPECT_EQ(test::parameters(bench.record), test::parameters(before));
        EXPECT_FALSE(bench.serial().isOpen(1));
        EXPECT_EQ(bench.unit().awaitLine("ack      rx", 300ms), "") << "no ACK for a bad reply";
    }
}

TEST(Upload, SilenceAndNoFileNameAreReported) {
    Bench silent("CV310-MMX", {"silent"});
    silent.op.expect(configurePrompt("CV310"));
    silent.op.expect(uploadTimeout("CV310"));
    Session quiet = silent.session();
    EXPECT_EQ(UploadConfiguration(quiet), UploadOutcome::TimedOut);
    EXPECT_EQ(silent.op.statuses.back(), "Check connections/settings and TRY UPLOAD AGAIN");

    Bench bench("CV310-MMX");
    bench.op.expect(configurePrompt("CV310"));
    bench.op.expectSaveFile(std::nullopt);
    Session session = bench.session();
    EXPECT_EQ(UploadConfiguration(session), UploadOutcome::NoFileName);
    EXPECT_EQ(bench.op.statuses.back(), "!Error!Invalid Filename Selected! Upload Again!");
    EXPECT_FALSE(bench.serial().isOpen(1));
}

TEST(Upload, RepliesAreSplitAfreshEachTime) {
    ReplyBytes bytes{};
    SplitReply(std::string(250, 'x'), bytes);
    EXPECT_EQ(bytes[200], 'x');
    SplitReply("TR", bytes);
    EXPECT_EQ(bytes[0], 'T');
    EXPECT_EQ(bytes[2], 0) << "nothing left from the earlier reply";
    EXPECT_EQ(bytes[200], 0);
}

TEST(Upload, PlanFollowsTheCatalogue) {
    for (const Variant& variant : catalogue()) {
        SCOPED_TRACE(std::string(variant.name));
        ConfigRecord record;
        applyIdentity(record, variant);
        const UploadPlan expected{variant.uploadStage1Values, variant.uploadRegisterMap,
                                  variant.uploadExtendedBlock};
        EXPECT_EQ(uploadPlanFor(record), expected);
    }
}

// The first reply carries the image one place on: the header's body length
// in its third byte, the application code in its 29th.
TEST(Verify, TheFirstReplyTellsWhatTheUnitIs) {
    ReplyBytes bytes{};
    std::string reply(66, '\0');
    reply.replace(0, 3, "TR\x2a");
    reply[28] = 5;
    SplitReply(reply, bytes);
    const ConfigRecord df1 = test::zeroRecord("CV210-DF1");
    EXPECT_EQ(identityOf(bytes), (UnitIdentity{42, 5}));
    EXPECT_FALSE(answersAs(identityOf(bytes), df1));
    EXPECT_TRUE(answersAs(identityOf(bytes), test::zeroRecord("CV310-DF1")));
    EXPECT_TRUE(answersAs({42, 0}, df1));
    EXPECT_FALSE(answersAs({58, 0}, df1)) << "the CV-PCI has application code 0 too";
    // An identity no catalogue variant has is given as it came.
    EXPECT_EQ(otherVariantText({50, 9}, df1),
              "The unit answers with application code 9 and body length 50, not as a CV210-DF1");
}

} // namespace
} // namespace cvcfg
