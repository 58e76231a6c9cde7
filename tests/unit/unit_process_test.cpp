#include "core/image.h"
#include "link/posixbackend.h"
#include "link/seriallayer.h"
#include "tests/support/records.h"
#include "tests/support/tempdir.h"
#include "tests/support/unitprocess.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace cvcfg {
namespace {

using namespace std::chrono_literals;

const std::string kSettings = "baud=9600 parity=N data=8 stop=1";

// Talks to the unit through the program's own serial layer.
class Talk {
public:
    explicit Talk(const std::string& device) : m_backend(PortMap{}), m_serial(m_backend) {
        EXPECT_EQ(m_serial.CommOpen(1, device, kSettings), 0);
        EXPECT_EQ(m_serial.CommSetNOXON(1, kSettings), 0);
    }
    ~Talk() { m_serial.CommClose(1); }

    std::string exchange(const std::string& bytes, std::size_t expect) {
        EXPECT_EQ(m_serial.CommWrite(1, bytes), static_cast<int32_t>(bytes.size()));
        std::string reply;
        const auto deadline = std::chrono::steady_clock::now() + 3s;
        while (reply.size() < expect && std::chrono::steady_clock::now() < deadline) {
            m_serial.CommWaitInput(1, 100);
            std::string piece;
            if (m_serial.CommRead(1, piece, 300) < 0) {
                break;
            }
            reply += piece;
        }
        return reply;
    }

private:
    PosixSerialBackend m_backend;
    SerialLayer m_serial;
};

std::string imageOf(const ConfigRecord& record) {
    const Expected<Bytes> image = BuildConfigImage(record);
    return std::string(image->begin(), image->end());
}

TEST(UnitProcess, KeepsADownloadAcrossRunsAndUploadsIt) {
    const test::TempDir dir;
    const std::string link = dir.path("port");
    const std::string store = dir.path("unit.store");

    ConfigRecord record = test::df1SetupRecord();
    record.StationNo = charField(9);
    const std::string image = imageOf(record);
    {
        test::UnitProcess unit({"--variant", "CV210-DF1", "--link", link, "--store", store});
        EXPECT_TRUE(unit.device().starts_with("/dev/pts/")) << unit.device();
        EXPECT_EQ(std::filesystem::read_symlink(link).string(), unit.device());
        Talk talk(link);
        EXPECT_EQ(talk.exchange(image, 1), "\x06");
        EXPECT_EQ(talk.exchange("\x06", 0), "");
        EXPECT_NE(unit.awaitLine("configuration kept", 3s), "");
        EXPECT_EQ(unit.stop(), 0);
        EXPECT_FALSE(std::filesystem::exists(link)) << "a stopped unit removes its link";
    }
    test::UnitProcess again({"--variant", "CV210-DF1", "--link", link, "--store", store});
    Talk talk(link);
    const std::string reply = talk.exchange("TEE", 66);
    ASSERT_EQ(reply.size(), 66u);
    EXPECT_EQ(reply.substr(0, 2), "TR");
    EXPECT_EQ(reply[30], 9) << "b(30) holds StationNo";
    EXPECT_EQ(reply.substr(29, 19), image.substr(30, 19));

    std::string bad = image;
    bad[40] ^= 0x01;
    EXPECT_EQ(talk.exchange(bad, 1), "\x15");
    EXPECT_NE(again.awaitLine("NAK", 3s), "");
}

// With --baud-timing the unit is a line at its speed both ways: an image
// written at once arrives over its bytes' line time, and the report of the
// exchange sets that time against the line's.
TEST(UnitProcess, TimedLineCarriesBytesAtItsSpeedAndReportsTheExchange) {
    const test::TempDir dir;
    const std::string link = dir.path("port");
    test::UnitProcess unit(
        {"--variant", "CV210-DF1", "--baud", "line", "--baud-timing", "--link", link});
    const std::string image = imageOf(test::df1SetupRecord());
    Talk talk(link);
    const auto began = std::chrono::steady_clock::now();
    EXPECT_EQ(talk.exchange(image, 1), "\x06");
    const auto took = std::chrono::steady_clock::now() - began;
    // 51 bytes out and 1 back, ten bit times each at 9600 baud.
    const auto line = std::chrono::microseconds(52 * 10 * 1'000'000 / 9600);
    EXPECT_GE(took, line - 2ms) << "the image arrived faster than the line carries it";
    EXPECT_EQ(talk.exchange("\x06", 0), "");
    const std::string report = unit.awaitLine("exchange", 3s);
    EXPECT_NE(report.find("exchange rx 52 tx 1 bytes within"), std::string::npos) << report;
    EXPECT_NE(report.find("at 9600 baud the line carries them in 55.2 ms"), std::string::npos)
        << report;
}

} // namespace
} // namespace cvcfg
