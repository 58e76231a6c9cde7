#include "core/configfile.h"
#include "core/image.h"
#include "link/download.h"
#include "link/portbackend.h"
#include "link/upload.h"
#include "link/verify.h"
#include "tests/support/records.h"
#include "tests/support/scriptedoperator.h"
#include "tests/support/ser2net.h"
#include "tests/support/tempdir.h"
#include "tests/support/unitprocess.h"

#include <arpa/inet.h>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace cvcfg {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::Ser2net;
using test::ser2netBinary;
using test::UnitProcess;

MessageBox configurePrompt(const std::string& model) {
    return {"Press the Configure pushbutton on the " + model +
                " NOW!\n\rONLY the 'CHA' AND 'CHC' LEDS SHOULD BE RED!",
            Buttons::OkCancel, Icon::Critical, "PRESS THE CONFIGURE PUSHBUTTON NOW!!!"};
}

const MessageBox kResetPrompt{"Press the RESET Button of the Corvane to put it ON-LINE",
                              Buttons::Ok, Icon::Information, "Press Reset Button"};

// The simulated unit at line speed on a pseudo-terminal behind ser2net, and
// the program reaching it as COM1 through the server's address.
class ServedUnit {
public:
    ServedUnit(const std::string& variant, Ser2net::Serves serves, const std::string& line)
        : m_unit({"--variant", variant, "--baud", "line", "--baud-timing"}),
          m_server(m_dir, m_unit.device(), serves, line), m_backend(m_map), m_serial(m_backend) {
        EXPECT_TRUE(m_map.addMapping("1=" + m_server.url()).ok());
        op.shorten(kDownloadTimeout, kDownloadTimeout);
        op.shorten(kUploadStageTimeout, kUploadStageTimeout);
    }

    // The record of a golden file, on this port at `speed`.
    ConfigRecord record(const std::string& file, const std::string& variant,
                        const std::string& speed) {
        ConfigRecord record = test::zeroRecord(variant);
        EXPECT_TRUE(OpenConfigFile(test::dataPath(file + ".CVF"), record));
        record.ComPort = 1;
        record.LinkBaud = speed;
        return record;
    }

    UnitProcess& unit() { return m_unit; }
    SerialLayer& serial() { return m_serial; }

    test::ScriptedOperator op;

private:
    test::TempDir m_dir;
    UnitProcess m_unit;
    Ser2net m_server;
    PortMap m_map;
    PortBackend m_backend;
    SerialLayer m_serial;
};

// A download is the 7-byte header, the body, the 2-byte checksum and the two
// ACKs; it takes their time on the wire and no more than 100 ms besides.
std::chrono::microseconds wireTime(std::size_t bytes, const std::string& speed) {
    return std::chrono::microseconds(static_cast<int64_t>(bytes) * 10 * 1'000'000LL /
                                     std::stoi(speed));
}

struct Served {
    Ser2net::Serves serves;
    const char* speed;
    const char* line; // the server's own setting of its line
};

void PrintTo(const Served& served, std::ostream* out) {
    *out << (served.serves == Ser2net::Serves::Rfc2217 ? "rfc2217 " : "socket ") << served.speed;
}

class ThroughSer2net : public testing::TestWithParam<Served> {
protected:
    void SetUp() override {
        if (ser2netBinary().empty()) {
            GTEST_SKIP() << "ser2net is not installed (Debian package ser2net, which "
                            "scripts/install-deps installs)";
        }
    }
};

TEST_P(ThroughSer2net, DownloadUploadAndVerifyCarryEveryByteAtTheSpeedSet) {
    const Served& served = GetParam();
    ServedUnit bench("CV210-KFR", served.serves, served.line);
    ConfigRecord record = bench.record("cv210-kfr", "CV210-KFR", served.speed);
    const ConfigRecord sent = record;
    Session session{record, bench.serial(), bench.op};

    bench.op.expect(configurePrompt("CV210"));
    bench.op.expect(kResetPrompt);
    const auto start = Clock::now();
    ASSERT_EQ(DownloadConfiguration(session), DownloadOutcome::Acknowledged);
    const auto took = Clock::now() - start;
    const std::string image = hexBytes(*BuildConfigImage(sent));
    if (served.serves == Ser2net::Serves::Rfc2217) {
        EXPECT_LE(took, wireTime(BuildConfigImage(sent)->size() + 2, served.speed) + 100ms);
    }
    const std::string received = bench.unit().awaitLine("download rx", 3s);
    EXPECT_NE(received.find(": " + image + " -> ACK"), std::string::npos) << received;
    // The unit's line ran at the speed the program set.
    const std::string exchange = bench.unit().awaitLine("exchange rx", 3s);
    EXPECT_NE(exchange.find(std::string("at ") + served.speed + " baud"), std::string::npos)
        << exchange;

    record = test::zeroRecord("CV210-KFR");
    record.ComPort = 1;
    record.LinkBaud = served.speed;
    bench.op.expect(configurePrompt("CV210"));
    ASSERT_EQ(UploadConfiguration(session, UploadTarget::RecordOnly), UploadOutcome::Complete);
    EXPECT_EQ(hexBytes(*BuildConfigImage(record)), image);

    bench.op.expect(configurePrompt("CV210"));
    EXPECT_EQ(VerifyUnit(bench.serial(), bench.op, sent).outcome, VerifyOutcome::Holds);
    EXPECT_FALSE(bench.serial().isOpen(1));
}

// Over RFC 2217 the program sets the line; a raw TCP port runs at what the
// server was set up with, here the link speed.
INSTANTIATE_TEST_SUITE_P(Servers, ThroughSer2net,
                         testing::Values(Served{Ser2net::Serves::Rfc2217, "9600", "9600n81"},
                                         Served{Ser2net::Serves::Rfc2217, "19200", "9600n81"},
                                         Served{Ser2net::Serves::RawTcp, "19200", "19200n81"}),
                         [](const auto& info) {
                             return std::string(info.param.serves == Ser2net::Serves::Rfc2217
                                                    ? "rfc2217_"
                                                    : "socket_") +
                                    info.param.speed;
                         });

// The off-line manager's debug request (break on, a second, break off, "D")
// reaches the unit through the server as it does on a cable.
TEST(OfflineManagerThroughSer2net, BreakAndDPutTheUnitInDebugMode) {
    if (ser2netBinary().empty()) {
        GTEST_SKIP() << "ser2net is not installed (Debian package ser2net, which "
                        "scripts/install-deps installs)";
    }
    ServedUnit bench("CV310-DMX", Ser2net::Serves::Rfc2217, "9600n81");
    SerialLayer& serial = bench.serial();
    ASSERT_EQ(serial.CommOpen(1, "COM1", "baud=9600 parity=N data=8 stop=1"), 0);
    ASSERT_EQ(serial.CommSet(1, "baud=9600 parity=N data=8 stop=1"), 0);
    ASSERT_EQ(serial.CommWrite(1, "M"), 1);
    ASSERT_NE(bench.unit().awaitLine("-> menu", 3s), "");
    ASSERT_EQ(serial.CommSetLine(1, 1, true), 0);
    std::this_thread::sleep_for(1000ms);
    ASSERT_EQ(serial.CommSetLine(1, 1, false), 0);
    ASSERT_EQ(serial.CommWrite(1, "D"), 1);
    EXPECT_NE(bench.unit().awaitLine("after a break -> debug mode", 3s), "");

    std::string shown;
    const auto deadline = Clock::now() + 3s;
    while (shown.find("*** DEBUG MODE ***") == std::string::npos && Clock::now() < deadline) {
        serial.CommWaitInput(1, 100);
        std::string piece;
        ASSERT_GE(serial.CommRead(1, piece, 100), 0);
        shown += piece;
    }
    EXPECT_NE(shown.find("*** DEBUG MODE ***"), std::string::npos) << shown;
    EXPECT_EQ(serial.CommClose(1), 0);
}

} // namespace
} // namespace cvcfg
