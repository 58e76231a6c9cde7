#include "link/win32backend.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>
#include <vector>
#include <windows.h>

namespace cvcfg {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// System error codes as the Win32 documentation numbers them.
constexpr int kFileNotFound = 2;
constexpr int kAccessDenied = 5;

// Reads return at once with what waits; a write may take a second a byte.
constexpr Timeouts kLayerTimeouts = {0xFFFFFFFFu, 0, 1000, 1000, 0};

constexpr uint8_t kXon = 0x11;
constexpr uint8_t kXoff = 0x13;

bool underWine() {
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

long long msSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// The two ends of a null-modem pair of COM ports, each on a backend of its
// own as two programs would hold them.
class ComPair : public testing::Test {
protected:
    void SetUp() override {
        const char* pair = std::getenv("CVCFG_COM_PAIR");
        if (!pair) {
            GTEST_SKIP() << "CVCFG_COM_PAIR is not set: it names two COM ports joined as a "
                            "null-modem pair, e.g. \"COM7 COM8\"";
        }
        std::istringstream names(pair);
        names >> nearName >> farName;
        ASSERT_FALSE(farName.empty()) << "CVCFG_COM_PAIR needs two names: " << pair;
        openEnd(nearEnd, nearName, nearPort);
        openEnd(farEnd, farName, farPort);
    }

    void TearDown() override {
        for (auto [backend, handle] :
             {std::pair{&nearEnd, nearPort}, std::pair{&farEnd, farPort}}) {
            if (handle != kNoHandle) {
                EXPECT_EQ(backend->close(handle), 0);
            }
        }
    }

    static void openEnd(Win32SerialBackend& backend, const std::string& name, PortHandle& handle) {
        ASSERT_EQ(backend.open(name, handle), 0) << name;
        ASSERT_EQ(backend.setTimeouts(handle, kLayerTimeouts), 0);
        ASSERT_EQ(backend.setLineState(handle, LineSettings{}), 0);
        ASSERT_EQ(backend.purge(handle), 0);
    }

    // Sends all of `bytes` as the serial layer does, and waits until they
    // have left.
    static void send(Win32SerialBackend& backend, PortHandle handle,
                     const std::vector<uint8_t>& bytes) {
        int sent = 0;
        const auto deadline = Clock::now() + 5s;
        while (Clock::now() < deadline) {
            int took = 0;
            const int size = static_cast<int>(bytes.size());
            if (sent < size) {
                ASSERT_EQ(backend.writeSome(handle, bytes.data() + sent, size - sent, took), 0);
                sent += took;
                ASSERT_EQ(backend.waitWritable(handle, 40), 0);
                continue;
            }
            int queued = 0;
            ASSERT_EQ(backend.waitDrained(handle, 40, queued), 0);
            if (queued == 0) {
                return;
            }
        }
        FAIL() << "the bytes did not leave within 5 s";
    }

    // Collects `count` bytes as CommRead does: only what the queue holds,
    // at most 1024 a read.
    static std::vector<uint8_t> receive(Win32SerialBackend& backend, PortHandle handle,
                                        std::size_t count) {
        std::vector<uint8_t> all;
        const auto deadline = Clock::now() + 5s;
        while (all.size() < count && Clock::now() < deadline) {
            EXPECT_EQ(backend.waitReadable(handle, 50), 0);
            int queued = 0;
            uint32_t flags = 0;
            EXPECT_EQ(backend.queuedInput(handle, queued, flags), 0);
            uint8_t buffer[1024];
            int got = 0;
            EXPECT_EQ(backend.read(handle, buffer, std::min(queued, 1024), got), 0);
            EXPECT_LE(got, queued);
            all.insert(all.end(), buffer, buffer + got);
        }
        return all;
    }

    Win32SerialBackend nearEnd;
    Win32SerialBackend farEnd;
    std::string nearName;
    std::string farName;
    PortHandle nearPort = kNoHandle;
    PortHandle farPort = kNoHandle;
};

struct Block {
    const char* name;
    std::vector<uint8_t> bytes;
};

std::vector<uint8_t> pattern(int size) {
    std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
    for (int i = 0; i < size; ++i) {
        bytes[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i * 7 + i / 256);
    }
    return bytes;
}

class Transfer : public ComPair, public testing::WithParamInterface<Block> {};

TEST_P(Transfer, ArrivesUnchangedOnTheOtherEnd) {
    const Block& block = GetParam();
    send(nearEnd, nearPort, block.bytes);
    EXPECT_EQ(receive(farEnd, farPort, block.bytes.size()), block.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Win32Backend, Transfer,
    testing::Values(
        // With XON/XOFF off the flow-control characters are data like any other.
        Block{"FlowControlCharacters", {kXon, kXoff, 0x00, 0xFF, kXoff, 0x0D, 0x0A}},
        // More than one read buffer holds.
        Block{"TwoThousandBytes", pattern(2000)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ComPair, ReadTakesOnlyWhatWaitsAndNeverWaits) {
    int queued = -1;
    uint32_t flags = 0;
    ASSERT_EQ(farEnd.queuedInput(farPort, queued, flags), 0);
    EXPECT_EQ(queued, 0);
    uint8_t buffer[64];
    int got = -1;
    const auto start = Clock::now();
    EXPECT_EQ(farEnd.read(farPort, buffer, sizeof buffer, got), 0);
    EXPECT_EQ(got, 0);
    EXPECT_LT(msSince(start), 100) << "a read with nothing waiting must not wait";

    send(nearEnd, nearPort, pattern(50));
    for (int i = 0; i < 100 && queued < 50; ++i) {
        ASSERT_EQ(farEnd.waitReadable(farPort, 50), 0);
        ASSERT_EQ(farEnd.queuedInput(farPort, queued, flags), 0);
    }
    EXPECT_EQ(queued, 50);
    // Asking for more than waits returns what waits, at once.
    const auto more = Clock::now();
    EXPECT_EQ(farEnd.read(farPort, buffer, sizeof buffer, got), 0);
    EXPECT_EQ(got, 50);
    EXPECT_LT(msSince(more), 100);
    EXPECT_EQ(farEnd.queuedInput(farPort, queued, flags), 0);
    EXPECT_EQ(queued, 0);
}

TEST_F(ComPair, WaitReadableSleepsItsTimeUnlessInputComes) {
    const auto quiet = Clock::now();
    EXPECT_EQ(farEnd.waitReadable(farPort, 300), 0);
    EXPECT_GE(msSince(quiet), 280);
    EXPECT_LT(msSince(quiet), 1000);

    std::thread writer([this] {
        std::this_thread::sleep_for(150ms);
        send(nearEnd, nearPort, {0x42});
    });
    const auto woken = Clock::now();
    EXPECT_EQ(farEnd.waitReadable(farPort, 3000), 0);
    const long long waited = msSince(woken);
    writer.join();
    EXPECT_GE(waited, 100);
    EXPECT_LT(waited, 1500) << "the byte should end the wait";
    EXPECT_EQ(receive(farEnd, farPort, 1), std::vector<uint8_t>{0x42});
}

// A pseudo-terminal keeps 8 data bits and no parity whatever is set, so the
// port is asked only for what it keeps; parity and data bits go through the
// control block in the mode-text cases below.
class LineStateRoundTrip : public ComPair, public testing::WithParamInterface<LineSettings> {};

TEST_P(LineStateRoundTrip, ReadsBackWhatWasSet) {
    ASSERT_EQ(nearEnd.setLineState(nearPort, GetParam()), 0);
    LineSettings read;
    ASSERT_EQ(nearEnd.getLineState(nearPort, read), 0);
    EXPECT_EQ(read, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Win32Backend, LineStateRoundTrip,
                         testing::Values(LineSettings{9600, 'N', 8, 2, false, kXon, kXoff},
                                         LineSettings{19200, 'N', 8, 1, true, kXon, kXoff},
                                         LineSettings{19200, 'N', 8, 1, false, 0x01, 0x02}),
                         [](const auto& info) {
                             const LineSettings& line = info.param;
                             return std::to_string(line.baud) + "Baud" +
                                    std::to_string(line.stopBits) + "Stop" +
                                    (line.xonXoffOutput ? "Xon" : "") + "Chars" +
                                    std::to_string(line.xonChar) + "_" +
                                    std::to_string(line.xoffChar);
                         });

struct ModeText {
    const char* name;
    LineSettings before;
    const char* text;
    LineSettings after;
};

class ModeTexts : public testing::TestWithParam<ModeText> {};

TEST_P(ModeTexts, SetWhatTheTextNames) {
    Win32SerialBackend backend;
    LineSettings state = GetParam().before;
    ASSERT_EQ(backend.buildLineState(GetParam().text, state), 0);
    EXPECT_EQ(state, GetParam().after);
}

constexpr LineSettings kHeld{9600, 'E', 7, 2, true, kXon, kXoff};

INSTANTIATE_TEST_SUITE_P(
    Win32Backend, ModeTexts,
    testing::Values(
        // The layer's own text; a mode text turns flow control off.
        ModeText{"LayerSettings",
                 kHeld,
                 "baud=19200 parity=N data=8 stop=1",
                 {19200, 'N', 8, 1, false, kXon, kXoff}},
        // What the text does not name stays; stop bits not named are one,
        // as the system's mode command supplies them.
        ModeText{"SpeedAlone", kHeld, "baud=19200", {19200, 'E', 7, 1, false, kXon, kXoff}},
        ModeText{"OddParity", {}, "parity=O data=7 stop=2", {9600, 'O', 7, 2, false, kXon, kXoff}},
        ModeText{"MarkParity", {}, "parity=M", {9600, 'M', 8, 1, false, kXon, kXoff}},
        ModeText{"SpaceParity", {}, "parity=S", {9600, 'S', 8, 1, false, kXon, kXoff}},
        ModeText{"FlowControlAskedFor", {}, "xon=on", {9600, 'N', 8, 1, true, kXon, kXoff}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Win32BackendModeText, RefusesGarbageAndLeavesTheState) {
    Win32SerialBackend backend;
    LineSettings state = kHeld;
    EXPECT_NE(backend.buildLineState("baud=fast parity=Q", state), 0);
    EXPECT_EQ(state, kHeld);
}

TEST(Win32BackendOpen, MissingPortFailsWithItsSystemText) {
    Win32SerialBackend backend;
    PortHandle handle = kNoHandle;
    ASSERT_EQ(backend.open("COM213", handle), kFileNotFound);
    std::string text = backend.errorText(kFileNotFound);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.front(), ' ');
    EXPECT_NE(text.back(), ' ');
    // Windows says "The system cannot find the file specified.", Wine "File
    // not found."
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    EXPECT_NE(text.find("file"), std::string::npos) << text;
}

TEST_F(ComPair, PortOpenedOnceIsNotOpenedAgain) {
    Win32SerialBackend other;
    PortHandle second = kNoHandle;
    const int code = other.open(nearName, second);
    if (code == 0) {
        other.close(second);
    }
    if (underWine()) {
        // Wine hands a COM port to every opener; should it learn otherwise,
        // this case can hold it to the Windows code below.
        EXPECT_EQ(code, 0) << "Wine now refuses a second opener";
    } else {
        // Windows refuses a COM port held elsewhere with access denied.
        EXPECT_EQ(code, kAccessDenied);
    }
}

TEST_F(ComPair, UnknownLineFunctionIsRefused) {
    EXPECT_NE(nearEnd.lineFunction(nearPort, 0), 0);
}

// The far end holds the near end's output with XOFF while a write waits;
// the fixture's next opening turns XON/XOFF off, which frees the line.
TEST_F(ComPair, HeldWriteIsDiscardedOrClosedWithoutHanging) {
    const LineSettings flowControl{9600, 'N', 8, 1, true, kXon, kXoff};
    const std::vector<uint8_t> block = pattern(65536);
    auto startHeldWrite = [&] {
        ASSERT_EQ(nearEnd.setLineState(nearPort, flowControl), 0);
        send(farEnd, farPort, {kXoff});
        std::this_thread::sleep_for(100ms);
        int took = 0;
        ASSERT_EQ(nearEnd.writeSome(nearPort, block.data(), static_cast<int>(block.size()), took),
                  0);
        int queued = 0;
        const auto start = Clock::now();
        ASSERT_EQ(nearEnd.waitDrained(nearPort, 200, queued), 0);
        EXPECT_GE(msSince(start), 180);
        ASSERT_GT(queued, 0) << "XOFF should hold the output";
    };

    startHeldWrite();
    ASSERT_EQ(nearEnd.discardOutput(nearPort), 0);
    int took = 0;
    const uint8_t next = 0x55;
    EXPECT_EQ(nearEnd.writeSome(nearPort, &next, 1, took), 0);
    EXPECT_EQ(took, 1) << "the discarded write still holds the port";
    send(farEnd, farPort, {kXon});
    EXPECT_EQ(receive(farEnd, farPort, 1), std::vector<uint8_t>{next});
    EXPECT_EQ(farEnd.waitReadable(farPort, 200), 0);
    int queued = -1;
    uint32_t flags = 0;
    ASSERT_EQ(farEnd.queuedInput(farPort, queued, flags), 0);
    EXPECT_EQ(queued, 0) << "discarded bytes arrived";

    startHeldWrite();
    const auto start = Clock::now();
    EXPECT_EQ(nearEnd.close(nearPort), 0);
    nearPort = kNoHandle;
    EXPECT_LT(msSince(start), 5000);
    openEnd(nearEnd, nearName, nearPort); // free again
}

// The next program on the port finds it as this one found it.
TEST_F(ComPair, ClosingGivesThePortBackAsItWasFound) {
    const auto lineOnOpening = [&](LineSettings& found) {
        Win32SerialBackend program;
        PortHandle handle = kNoHandle;
        ASSERT_EQ(program.open(nearName, handle), 0);
        ASSERT_EQ(program.getLineState(handle, found), 0);
        LineSettings changed = found;
        changed.baud = found.baud == 19200 ? 9600 : 19200;
        changed.xonXoffOutput = !found.xonXoffOutput;
        ASSERT_EQ(program.setLineState(handle, changed), 0);
        EXPECT_EQ(program.close(handle), 0);
    };
    ASSERT_EQ(nearEnd.close(nearPort), 0);
    nearPort = kNoHandle;
    LineSettings first;
    LineSettings second;
    lineOnOpening(first);
    lineOnOpening(second);
    EXPECT_EQ(second.baud, first.baud);
    EXPECT_EQ(second.xonXoffOutput, first.xonXoffOutput);
}

} // namespace
} // namespace cvcfg
