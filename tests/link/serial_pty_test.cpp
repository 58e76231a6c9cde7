#include "link/posixbackend.h"
#include "link/seriallayer.h"
#include "tests/support/pty.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <thread>

namespace cvcfg {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kSettings = "baud=9600 parity=N data=8 stop=1";

// The serial layer on the POSIX backend, with COM1 mapped to a pty.
class SerialOnPty : public testing::Test {
protected:
    SerialOnPty() : backend(mapCom1(pty.slavePath())), serial(backend) {}

    static PortMap mapCom1(const std::string& device) {
        PortMap map;
        EXPECT_TRUE(map.addMapping("1=" + device).ok());
        return map;
    }

    void open(const std::string& settings = kSettings) {
        ASSERT_EQ(serial.CommOpen(1, "COM1", settings), 0) << error();
    }

    std::string error() const {
        std::string text;
        serial.CommErrorText(text);
        return text;
    }

    // Reads until `count` bytes have come, as a caller waiting for a reply does.
    std::string readAll(std::size_t count) {
        std::string all;
        const auto deadline = Clock::now() + 2s;
        while (all.size() < count && Clock::now() < deadline) {
            serial.CommWaitInput(1, 100);
            std::string piece;
            const int32_t n = serial.CommRead(1, piece, 1);
            if (n < 0) {
                ADD_FAILURE() << error();
                break;
            }
            EXPECT_LE(n, SerialLayer::kReadBufferSize);
            all += piece;
        }
        return all;
    }

    // The pty hands bytes over in its own time; waits until `count` are queued.
    void waitQueued(int count) const {
        for (int i = 0; i < 500; ++i) {
            int queued = 0;
            ::ioctl(pty.slave(), FIONREAD, &queued);
            if (queued >= count) {
                return;
            }
            std::this_thread::sleep_for(2ms);
        }
    }

    termios lineSettings() const {
        termios settings{};
        ::tcgetattr(pty.slave(), &settings);
        return settings;
    }

    test::PtyPair pty;
    PosixSerialBackend backend;
    SerialLayer serial;
};

TEST_F(SerialOnPty, SecondOpenOfTheSamePortIsRefused) {
    open();
    EXPECT_EQ(serial.CommOpen(1, "COM1", kSettings), -1);
    EXPECT_EQ(error(), "Error (-1): CommOpen - Port in use.");
    EXPECT_EQ(serial.CommClose(1), 0);
    open();
}

TEST_F(SerialOnPty, OpenSetsTheLineAndSetChoosesFlowControl) {
    open("baud=19200 parity=N data=8 stop=1");
    termios line = lineSettings();
    EXPECT_EQ(cfgetospeed(&line), B19200);
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_FALSE(line.c_cflag & (PARENB | CSTOPB));
    EXPECT_FALSE(line.c_iflag & IXON);
    ASSERT_EQ(serial.CommSet(1, kSettings), 0);
    line = lineSettings();
    EXPECT_EQ(cfgetospeed(&line), B9600);
    EXPECT_TRUE(line.c_iflag & IXON);
    EXPECT_EQ(line.c_cc[VSTOP], 0x13);
    ASSERT_EQ(serial.CommSetNOXON(1, kSettings), 0);
    EXPECT_FALSE(lineSettings().c_iflag & IXON);
}

TEST_F(SerialOnPty, MalformedModeTextFailsAtBuildCommDcb) {
    EXPECT_EQ(serial.CommOpen(1, "COM1", "baud=96OO parity=N data=8 stop=1"), EINVAL);
    EXPECT_EQ(error(), "Error (22): CommOpen (BuildCommDCB) - Invalid argument");
    EXPECT_TRUE(serial.isOpen(1));
    EXPECT_EQ(serial.CommClose(1), 0);
    EXPECT_EQ(serial.CommOpen(1, "COM1", "baud=12345 parity=N data=8 stop=1"), EINVAL);
    EXPECT_NE(error().find("CommOpen (SetCommState)"), std::string::npos) << error();
}

TEST_F(SerialOnPty, ReadWithNothingQueuedReturnsAtOnce) {
    open();
    std::string data = "stale";
    const auto start = Clock::now();
    EXPECT_EQ(serial.CommRead(1, data, 113), 0);
    EXPECT_EQ(data, "");
    EXPECT_LT(Clock::now() - start, 50ms);
}

TEST_F(SerialOnPty, ReadReturnsEverythingQueuedWhateverTheMaximum) {
    open();
    const std::string fifty(50, 'x');
    pty.send(fifty);
    waitQueued(50);
    std::string data;
    EXPECT_EQ(serial.CommRead(1, data, 1), 50);
    EXPECT_EQ(data, fifty);
}

TEST_F(SerialOnPty, MoreThanTheReadBufferComesInPiecesWithNothingLost) {
    open();
    std::string sent;
    for (int i = 0; i < 3000; ++i) {
        sent += static_cast<char>(i * 7);
    }
    pty.send(sent);
    EXPECT_EQ(readAll(sent.size()), sent);
}

TEST_F(SerialOnPty, WithoutXonXoffTheFlowCharactersPassBothWays) {
    open();
    ASSERT_EQ(serial.CommSetNOXON(1, kSettings), 0);
    EXPECT_EQ(serial.CommWrite(1, "\x11\x13"), 2);
    EXPECT_EQ(pty.receive(2), "\x11\x13");
    pty.send("\x13\x11");
    EXPECT_EQ(readAll(2), "\x13\x11");
}

TEST_F(SerialOnPty, WithXonXoffOutputWaitsAfterXoff) {
    open();
    ASSERT_EQ(serial.CommSet(1, kSettings), 0);
    pty.send("\x13");
    std::this_thread::sleep_for(50ms); // the stop takes effect as the pty passes the byte on
    // The write waits for the line while output is held (a pseudo-terminal
    // has no transmit buffer to fill meanwhile).
    int32_t written = 0;
    std::thread writer([&] { written = serial.CommWrite(1, "held"); });
    EXPECT_EQ(pty.receive(4, 300ms), "");
    pty.send("\x11");
    EXPECT_EQ(pty.receive(4), "held");
    writer.join();
    EXPECT_EQ(written, 4);
}

// How much a pseudo-terminal takes before a writer has to wait for its
// reader, measured on a pair of its own.
std::size_t ptyCapacity() {
    test::PtyPair pair;
    const int writer = ::open(pair.slavePath().c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK);
    std::size_t taken = 0;
    const std::string block(4096, 'c');
    for (ssize_t n = 0; (n = ::write(writer, block.data(), block.size())) > 0;) {
        taken += static_cast<std::size_t>(n);
    }
    ::close(writer);
    return taken;
}

std::string numbered(std::size_t size) {
    std::string text;
    for (int line = 0; text.size() < size; ++line) {
        text += "piece " + std::to_string(line) + " of a long system file\r\n";
    }
    text.resize(size);
    return text;
}

TEST_F(SerialOnPty, AHeldWriteKeepsPumpingAndACancelEndsItAtOnceDiscardingTheRest) {
    open();
    const std::size_t capacity = ptyCapacity();
    ASSERT_GT(capacity, 0u);
    // No one reads the line: the pty fills up and the write has to wait.
    const std::string data = numbered(4 * capacity);
    std::vector<Clock::time_point> pumps;
    Clock::time_point cancelled{};
    const auto start = Clock::now();
    serial.setEventPump([&] {
        pumps.push_back(Clock::now());
        if (cancelled == Clock::time_point{} && Clock::now() - start >= 600ms) {
            cancelled = Clock::now();
            EXPECT_EQ(serial.CommCancelWrite(1), 0);
        }
    });
    EXPECT_EQ(serial.CommWrite(1, data), -1);
    const auto returned = Clock::now();
    ASSERT_NE(cancelled, Clock::time_point{}) << "the pump never ran long enough";
    EXPECT_LT(returned - cancelled, 500ms);
    EXPECT_EQ(error().rfind("Error (125): CommWrite (WriteFile) - Operation canceled", 0), 0u)
        << error();
    Clock::time_point previous = start;
    for (const Clock::time_point pump : pumps) {
        EXPECT_LE(pump - previous, 100ms) << "the window went without its events";
        previous = pump;
    }

    // The pty's reading side keeps what it already moved across; the rest
    // of what the write had handed over is gone.
    const std::string arrived = pty.receive(data.size(), 300ms);
    EXPECT_LT(arrived.size(), capacity);
    EXPECT_TRUE(data.starts_with(arrived)) << "the line carried the file's beginning";
    // The cancel ended that write only.
    EXPECT_EQ(serial.CommWrite(1, "next"), 4);
    EXPECT_EQ(pty.receive(4), "next");
}

TEST_F(SerialOnPty, ALineThatTakesNothingEndsTheWriteButASlowOneDoesNot) {
    open();
    ASSERT_EQ(serial.CommSet(1, kSettings), 0);
    pty.send("\x13");
    std::this_thread::sleep_for(50ms);
    const std::string timedOut =
        "Error (110): CommWrite (WriteFile) - Connection timed out  COMM Error Flags = 0";
    // A byte may take 1000 ms.
    auto start = Clock::now();
    EXPECT_EQ(serial.CommWrite(1, "x"), -1);
    EXPECT_GE(Clock::now() - start, 950ms);
    EXPECT_LT(Clock::now() - start, 1500ms);
    EXPECT_EQ(error(), timedOut);
    // A long write gives up once nothing has moved for the stall limit,
    // long before the 1000 ms a byte run out.
    serial.setWriteStallLimit(400ms);
    start = Clock::now();
    EXPECT_EQ(serial.CommWrite(1, std::string(2000, 'y')), -1);
    EXPECT_GE(Clock::now() - start, 390ms);
    EXPECT_LT(Clock::now() - start, 900ms);
    EXPECT_EQ(error(), timedOut);

    // A reader that takes the bytes in its own time keeps a write going
    // for longer than the stall limit.
    pty.send("\x11");
    const std::string data = numbered(ptyCapacity() + 6 * 4096);
    std::string arrived;
    std::atomic<bool> writing = true;
    std::thread unit([&] {
        while (writing && arrived.size() < data.size()) {
            std::this_thread::sleep_for(150ms);
            arrived += pty.receive(std::min<std::size_t>(4096, data.size() - arrived.size()));
        }
    });
    start = Clock::now();
    EXPECT_EQ(serial.CommWrite(1, data), static_cast<int32_t>(data.size())) << error();
    EXPECT_GT(Clock::now() - start, 400ms);
    writing = false;
    unit.join();
    arrived += pty.receive(data.size() - arrived.size());
    EXPECT_TRUE(arrived == data) << arrived.size() << " of " << data.size() << " bytes arrived";
}

TEST_F(SerialOnPty, APortHeldElsewhereFailsAtCreateFile) {
    // Another layer of this process holds the port through another name.
    const std::string link = ::testing::TempDir() + "cvcfg-held-link";
    std::filesystem::remove(link);
    std::filesystem::create_symlink(pty.slavePath(), link);
    PosixSerialBackend otherBackend(PortMap{});
    SerialLayer other(otherBackend);
    ASSERT_EQ(other.CommOpen(2, link, kSettings), 0);
    EXPECT_EQ(serial.CommOpen(1, "COM1", kSettings), EBUSY);
    EXPECT_EQ(error(), "Error (16): CommOpen (CreateFile) - Device or resource busy");
    EXPECT_FALSE(serial.isOpen(1));
    ASSERT_EQ(other.CommClose(2), 0);
    std::filesystem::remove(link);
    open();
}

TEST_F(SerialOnPty, APortHeldByAnotherProcessFailsAtCreateFile) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        PosixSerialBackend childBackend(PortMap{});
        SerialLayer holder(childBackend);
        const char status = holder.CommOpen(1, pty.slavePath(), kSettings) == 0 ? 'y' : 'n';
        (void)!::write(ready[1], &status, 1);
        ::pause();
        ::_exit(0);
    }
    char status = 0;
    ASSERT_EQ(::read(ready[0], &status, 1), 1);
    EXPECT_EQ(status, 'y');
    EXPECT_EQ(serial.CommOpen(1, "COM1", kSettings), EBUSY);
    EXPECT_NE(error().find("CommOpen (CreateFile)"), std::string::npos) << error();
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    open();
}

TEST_F(SerialOnPty, APortHeldThroughALockFileIsRefusedWithItsHolder) {
    const std::string folder = ::testing::TempDir() + "cvcfg-locks";
    std::filesystem::create_directories(folder);
    std::string name = pty.slavePath().substr(5); // under /dev
    std::replace(name.begin(), name.end(), '/', '_');
    const std::string lockFile = folder + "/LCK.." + name;
    backend.setLockFolder(folder);

    // A live holder, its id written as text the common way.
    std::ofstream(lockFile) << "     " << ::getpid() << "\n";
    EXPECT_EQ(serial.CommOpen(1, "COM1", kSettings), EBUSY);
    EXPECT_NE(error().find("CommOpen (CreateFile) - Device or resource busy (held by "),
              std::string::npos)
        << error();
    EXPECT_NE(error().find("process " + std::to_string(::getpid()) + ", through " + lockFile),
              std::string::npos)
        << error();
    EXPECT_FALSE(serial.isOpen(1));

    // A lock left by a process that has ended stops no one.
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    std::ofstream(lockFile, std::ios::trunc) << child << "\n";
    open();
    std::filesystem::remove_all(folder);
}

TEST_F(SerialOnPty, ALayerGoneWithAPortOpenFreesItAndRestoresItsSettings) {
    termios found{};
    ASSERT_EQ(::tcgetattr(pty.slave(), &found), 0);
    ::cfsetspeed(&found, B4800);
    found.c_lflag |= ICANON | ECHO;
    ASSERT_EQ(::tcsetattr(pty.slave(), TCSANOW, &found), 0);
    {
        PosixSerialBackend otherBackend(mapCom1(pty.slavePath()));
        SerialLayer other(otherBackend);
        ASSERT_EQ(other.CommOpen(1, "COM1", kSettings), 0);
        termios inUse{};
        ASSERT_EQ(::tcgetattr(pty.slave(), &inUse), 0);
        ASSERT_EQ(::cfgetospeed(&inUse), B9600);
    }
    termios after{};
    ASSERT_EQ(::tcgetattr(pty.slave(), &after), 0);
    EXPECT_EQ(::cfgetospeed(&after), B4800);
    EXPECT_EQ(after.c_lflag & (ICANON | ECHO), tcflag_t{ICANON | ECHO});
    int exclusive = 1;
    ASSERT_EQ(::ioctl(pty.slave(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    open();
}

TEST_F(SerialOnPty, MissingDeviceAndPlainFileAreNoPorts) {
    PortMap map;
    ASSERT_TRUE(map.addMapping("4=/dev/cvcfg-no-such-device").ok());
    const std::string plain = ::testing::TempDir() + "cvcfg-plain-file";
    std::ofstream(plain) << "x";
    ASSERT_TRUE(map.addMapping("5=" + plain).ok());
    PosixSerialBackend mapped(map);
    SerialLayer layer(mapped);
    EXPECT_EQ(layer.CommOpen(4, "COM4", kSettings), ENOENT);
    EXPECT_EQ(layer.CommOpen(5, "COM5", kSettings), ENOTTY);
    std::string text;
    layer.CommErrorText(text);
    EXPECT_EQ(text, "Error (25): CommOpen (CreateFile) - Inappropriate ioctl for device");
    std::filesystem::remove(plain);
}

TEST_F(SerialOnPty, ModemLinesAndLineFunctionsReportThePlatformsRefusal) {
    open();
    bool state = true;
    EXPECT_EQ(serial.CommReadCD(1, 0x20, state), ENOTTY);
    EXPECT_EQ(error(),
              "Error (25): CommReadCD (GetCommModemStatus) - Inappropriate ioctl for device");
    EXPECT_EQ(serial.CommSetLine(1, 2, true), ENOTTY);
    EXPECT_EQ(error(),
              "Error (25): CommSetLine (EscapeCommFunction) - Inappropriate ioctl for device");
    EXPECT_EQ(serial.CommSetLine(1, 7, true), EINVAL);
}

TEST_F(SerialOnPty, AVanishedDeviceFailsTheReadInsteadOfReadingNothing) {
    open();
    pty.closeSlave();
    pty.closeMaster();
    std::string data;
    EXPECT_EQ(serial.CommRead(1, data, 10), -1);
    EXPECT_EQ(error(), "Error (5): CommRead (ClearCommError) - Input/output error");
    EXPECT_EQ(serial.CommWrite(1, "x"), -1);
    EXPECT_NE(error().find("CommWrite (WriteFile)"), std::string::npos) << error();
    EXPECT_EQ(serial.CommClose(1), 0);
}

TEST_F(SerialOnPty, WaitingForInputSleepsUntilBytesArriveOrTimeRunsOut) {
    open();
    const auto start = Clock::now();
    EXPECT_EQ(serial.CommWaitInput(1, 150), 0);
    EXPECT_GE(Clock::now() - start, 140ms);
    pty.send("z");
    const auto woke = Clock::now();
    EXPECT_EQ(serial.CommWaitInput(1, 2000), 0);
    EXPECT_LT(Clock::now() - woke, 500ms);
}

} // namespace
} // namespace cvcfg
