#include "core/image.h"
#include "link/download.h"
#include "link/netbackend.h"
#include "link/portbackend.h"
#include "tests/support/records.h"
#include "tests/support/scriptedoperator.h"

#include <arpa/inet.h>
#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace cvcfg {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr uint8_t kIac = 255;
constexpr uint8_t kSb = 250;
constexpr uint8_t kSe = 240;

std::string bytes(std::initializer_list<uint8_t> list) {
    return std::string(list.begin(), list.end());
}

// What a device server saw of one com port command (RFC 2217), and when.
struct Command {
    uint8_t code;
    std::string payload;
    Clock::time_point at;
};

// A device server played by the test on 127.0.0.1, on a thread of its own.
// It accepts one connection and hands it to `serve`, which runs until the
// client hangs up or the server is destroyed. Without `serve` it listens and
// never accepts: a server that takes the connection and says nothing.
class FakeServer {
public:
    using Serve = std::function<void(FakeServer&, int)>;

    explicit FakeServer(Serve serve = {}) {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(m_listener, 4) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            throw std::runtime_error("cannot listen on 127.0.0.1");
        }
        m_port = ntohs(address.sin_port);
        if (serve) {
            m_thread = std::thread([this, serve] {
                pollfd ready{m_listener, POLLIN, 0};
                while (!m_stop && ::poll(&ready, 1, 20) == 0) {
                }
                if (m_stop) {
                    return;
                }
                const int fd = ::accept(m_listener, nullptr, nullptr);
                serve(*this, fd);
                ::close(fd);
            });
        }
    }
    ~FakeServer() {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
        ::close(m_listener);
    }
    FakeServer(const FakeServer&) = delete;
    FakeServer& operator=(const FakeServer&) = delete;

    [[nodiscard]] std::string url(const char* scheme = "rfc2217") const {
        return std::string(scheme) + "://127.0.0.1:" + std::to_string(m_port);
    }
    [[nodiscard]] std::string hostPort() const { return "127.0.0.1:" + std::to_string(m_port); }

    // What the client sent, until it hangs up or the server stops; "" then.
    std::string receive(int fd) {
        while (!m_stop) {
            pollfd ready{fd, POLLIN, 0};
            if (::poll(&ready, 1, 20) > 0) {
                char chunk[4096];
                const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
                return n > 0 ? std::string(chunk, static_cast<std::size_t>(n)) : std::string();
            }
        }
        return {};
    }
    static void send(int fd, const std::string& data) {
        ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    }

    // Serves RFC 2217 as a willing server does: agrees to every option,
    // answers each com port command with its value, and keeps the data.
    // `answer` may change an answer's payload; `onData` runs when data came.
    void serveComPort(int fd, const std::function<std::string(const Command&)>& answer = {},
                      std::size_t closeAfter = SIZE_MAX,
                      const std::function<void(int)>& onData = {}) {
        std::string pending;
        while (true) {
            const std::string got = receive(fd);
            if (got.empty()) {
                return;
            }
            pending += got;
            const std::size_t had = data().size();
            std::size_t i = 0;
            while (i < pending.size()) {
                const auto byte = static_cast<uint8_t>(pending[i]);
                if (byte != kIac) {
                    const std::lock_guard lock(m_mutex);
                    m_data += pending[i++];
                    continue;
                }
                if (i + 1 >= pending.size()) {
                    break;
                }
                const auto verb = static_cast<uint8_t>(pending[i + 1]);
                if (verb == kIac) {
                    const std::lock_guard lock(m_mutex);
                    m_data += pending[i];
                    i += 2;
                } else if (verb >= 251 && verb <= 254) {
                    if (i + 2 >= pending.size()) {
                        break;
                    }
                    // WILL -> DO, DO -> WILL.
                    const uint8_t reply = verb == 251 ? 253 : verb == 253 ? 251 : verb;
                    send(fd, bytes({kIac, reply, static_cast<uint8_t>(pending[i + 2])}));
                    i += 3;
                } else if (verb == kSb) {
                    const std::size_t end = pending.find(bytes({kIac, kSe}), i);
                    if (end == std::string::npos) {
                        break;
                    }
                    Command command{static_cast<uint8_t>(pending[i + 3]),
                                    pending.substr(i + 4, end - i - 4), Clock::now()};
                    const std::string reply =
                        bytes({kIac, kSb, 44, static_cast<uint8_t>(command.code + 100)}) +
                        (answer ? answer(command) : command.payload) + bytes({kIac, kSe});
                    {
                        // Kept before the answer, which lets the client go on.
                        const std::lock_guard lock(m_mutex);
                        m_commands.push_back(std::move(command));
                    }
                    send(fd, reply);
                    i = end + 2;
                } else {
                    i += 2;
                }
            }
            pending.erase(0, i);
            if (onData && data().size() > had) {
                onData(fd);
            }
            if (data().size() >= closeAfter) {
                return;
            }
        }
    }

    [[nodiscard]] std::string data() {
        const std::lock_guard lock(m_mutex);
        return m_data;
    }
    [[nodiscard]] std::vector<Command> commands() {
        const std::lock_guard lock(m_mutex);
        return m_commands;
    }
    // The com port commands of `code` the client sent, in order.
    [[nodiscard]] std::vector<Command> commands(uint8_t code) {
        std::vector<Command> found;
        for (const Command& command : commands()) {
            if (command.code == code) {
                found.push_back(command);
            }
        }
        return found;
    }

private:
    int m_listener = -1;
    uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    std::mutex m_mutex;
    std::string m_data;
    std::vector<Command> m_commands;
};

constexpr const char* kSettings = "baud=9600 parity=N data=8 stop=1";

std::string layerError(const SerialLayer& serial) {
    std::string text;
    serial.CommErrorText(text);
    return text;
}

TEST(ServerAddress, OperatorsWritingIsReadOrRefusedWithTheReason) {
    const auto good = parseServerAddress("rfc2217://127.0.0.1:4000");
    ASSERT_TRUE(good.ok()) << good.error();
    EXPECT_EQ(*good, (ServerAddress{ServerAddress::Kind::Rfc2217, "127.0.0.1", 4000}));
    const auto raw = parseServerAddress("socket://moxa.plant.local:950");
    ASSERT_TRUE(raw.ok()) << raw.error();
    EXPECT_EQ(*raw, (ServerAddress{ServerAddress::Kind::Socket, "moxa.plant.local", 950}));
    const auto v6 = parseServerAddress("rfc2217://[::1]:2217");
    ASSERT_TRUE(v6.ok()) << v6.error();
    EXPECT_EQ(v6->host, "::1");
    EXPECT_EQ(v6->url(), "rfc2217://[::1]:2217");

    struct Bad {
        const char* text;
        const char* reason;
    };
    for (const Bad& bad :
         {Bad{"rfc2217://host", "has no port"}, Bad{"rfc2217://host:", "has no port"},
          Bad{"socket://host:0", "out of range (1 to 65535)"},
          Bad{"socket://host:65536", "out of range (1 to 65535)"},
          Bad{"rfc2217://host:40a0", "is not a number"}, Bad{"rfc2217://:4000", "names no host"},
          Bad{"telnet://host:23", "unknown scheme \"telnet\""}}) {
        SCOPED_TRACE(bad.text);
        const auto parsed = parseServerAddress(bad.text);
        ASSERT_FALSE(parsed.ok());
        EXPECT_NE(parsed.error().find(bad.reason), std::string::npos) << parsed.error();
    }
    EXPECT_TRUE(isServerAddress("telnet://host:23")) << "meant as one, so its error is shown";
    EXPECT_FALSE(isServerAddress("COM3"));
    EXPECT_FALSE(isServerAddress("/dev/ttyUSB0"));
}

// Each way a server can fail the program ends the open with words that say
// which, in no more than the wait that belongs to it.
TEST(DeviceServerFaults, RefusedSilentAndGarbledServersFailClearlyAndInTime) {
    NetworkSerialBackend backend;
    PortHandle handle = kNoHandle;
    std::string refusedUrl;
    {
        const FakeServer gone;
        refusedUrl = gone.url();
    }
    auto start = Clock::now();
    int code = backend.open(refusedUrl, handle);
    EXPECT_EQ(code, ECONNREFUSED);
    EXPECT_EQ(backend.errorText(code), "Connection refused (" + refusedUrl + ")");
    EXPECT_LT(Clock::now() - start, 500ms);

    const FakeServer silent;
    start = Clock::now();
    code = backend.open(silent.url(), handle);
    const auto took = Clock::now() - start;
    EXPECT_NE(code, 0);
    EXPECT_EQ(backend.errorText(code), "the device server at " + silent.hostPort() +
                                           " did not answer the Telnet negotiation within 2 s (" +
                                           silent.url() + ")");
    EXPECT_GE(took, 2000ms);
    EXPECT_LT(took, 2300ms);

    struct Garbage {
        std::string sent;
        const char* reason;
    };
    const std::string endless = bytes({kIac, kSb, 44, 101}) + std::string(300, '\x01');
    std::string insistent;
    for (int i = 0; i < 20; ++i) {
        insistent += bytes({kIac, 251, 99}); // WILL an option the program has refused
    }
    for (const Garbage& garbage :
         {Garbage{bytes({kIac, 1}), "sent IAC followed by 1"},
          Garbage{endless, "sent a subnegotiation without end"},
          Garbage{bytes({kIac, kSb, 44, 101, 0, kIac, kSe}), "sent a com port reply 101 of 1"},
          Garbage{insistent, "sent option 99 again and again"},
          Garbage{"SSH-2.0-OpenSSH_9.2\r\n", "answered with data, not a Telnet negotiation"},
          Garbage{bytes({kIac, 254, 44}), "refuses RFC 2217 com port control"}}) {
        SCOPED_TRACE(garbage.reason);
        const FakeServer server([&](FakeServer& self, int fd) {
            FakeServer::send(fd, garbage.sent);
            while (!self.receive(fd).empty()) {
            }
        });
        start = Clock::now();
        code = backend.open(server.url(), handle);
        EXPECT_NE(code, 0);
        const std::string text = backend.errorText(code);
        EXPECT_NE(text.find(garbage.reason), std::string::npos) << text;
        EXPECT_NE(text.find(server.hostPort()), std::string::npos) << text;
        EXPECT_LT(Clock::now() - start, 500ms);
    }
}

// The unit's side goes away while the program waits for its ACK: the
// download ends at once with the server's words, not after 6 s of silence.
TEST(DeviceServerFaults, AServerThatClosesMidTransferEndsTheDownloadAtOnce) {
    ConfigRecord record = test::df1SetupRecord();
    const std::size_t imageSize = BuildConfigImage(record)->size();
    FakeServer server([&](FakeServer& self, int fd) {
        // Gone while the program waits for the ACK, long after its write.
        self.serveComPort(fd, {}, imageSize);
        std::this_thread::sleep_for(300ms);
    });
    PortMap map;
    ASSERT_TRUE(map.addMapping("1=" + server.url()).ok());
    PortBackend backend(map);
    SerialLayer serial(backend);
    test::ScriptedOperator op;
    record.ComPort = 1;
    record.LinkBaud = "9600";
    op.shorten(kDownloadTimeout, kDownloadTimeout);
    op.expect({"Press the Configure pushbutton on the CV210 NOW!\n\rONLY the 'CHA' AND 'CHC' LEDS "
               "SHOULD BE RED!",
               Buttons::OkCancel, Icon::Critical, "PRESS THE CONFIGURE PUSHBUTTON NOW!!!"});
    op.expect({"Unable to communicate with Corvane.\r\n\r\nError (104): CommRead (ClearCommError) "
               "- the device server at " +
                   server.hostPort() + " closed the connection",
               Buttons::Ok, Icon::Critical, "READ FAILED"});
    Session session{record, serial, op};
    const auto start = Clock::now();
    EXPECT_EQ(DownloadConfiguration(session), DownloadOutcome::ReadFailed);
    EXPECT_LT(Clock::now() - start, 1000ms);
    EXPECT_EQ(server.data().size(), imageSize);
    EXPECT_FALSE(serial.isOpen(1));
}

TEST(Rfc2217, SettingsDataAndModemLinesCrossTheServerUnchanged) {
    // Its answer to the program's first byte comes in pieces that split an
    // escaped 0xFF and a modem-state notification (CTS and DSR) across reads.
    const auto answerInPieces = [](int fd) {
        for (const std::string& piece :
             {std::string("A"), bytes({kIac}), bytes({kIac}), std::string("B"), bytes({kIac, kSb}),
              bytes({44, 107, 0x30, kIac}), bytes({kSe}), std::string("C")}) {
            FakeServer::send(fd, piece);
            std::this_thread::sleep_for(5ms);
        }
    };
    FakeServer server([&](FakeServer& self, int fd) {
        bool answered = false;
        const auto answerOnce = [&](int to) {
            if (!std::exchange(answered, true)) {
                answerInPieces(to);
            }
        };
        self.serveComPort(
            fd,
            [](const Command& command) {
                // This server's line cannot run at 12345 baud; it stays at 19200.
                return command.code == 1 && command.payload == bytes({0, 0, 0x30, 0x39})
                           ? bytes({0, 0, 0x4B, 0})
                           : command.payload;
            },
            SIZE_MAX, answerOnce);
    });
    NetworkSerialBackend backend;
    SerialLayer serial(backend);
    ASSERT_EQ(serial.CommOpen(1, server.url(), "baud=19200 parity=E data=7 stop=2"), 0)
        << layerError(serial);
    // 19200 = 0x4B00 in four bytes; even parity is code 3 (RFC 2217).
    ASSERT_EQ(server.commands(1).size(), 1u);
    EXPECT_EQ(server.commands(1)[0].payload, bytes({0, 0, 0x4B, 0}));
    EXPECT_EQ(server.commands(2)[0].payload, bytes({7}));
    EXPECT_EQ(server.commands(3)[0].payload, bytes({3}));
    EXPECT_EQ(server.commands(4)[0].payload, bytes({2}));

    ASSERT_EQ(serial.CommWrite(1, "?"), 1);
    std::string got;
    const auto deadline = Clock::now() + 1s;
    while (got.size() < 4 && Clock::now() < deadline) {
        serial.CommWaitInput(1, 100);
        std::string piece;
        ASSERT_GE(serial.CommRead(1, piece, 100), 0) << layerError(serial);
        got += piece;
    }
    EXPECT_EQ(got, "A\xff"
                   "BC");
    bool cts = false;
    bool dsr = false;
    EXPECT_EQ(serial.CommReadCD(1, 0x10, cts), 0);
    EXPECT_EQ(serial.CommReadCD(1, 0x20, dsr), 0);
    EXPECT_TRUE(cts && dsr);

    // XON/XOFF output on the server's line, then off for binary data.
    EXPECT_EQ(serial.CommSet(1, "baud=19200 parity=E data=7 stop=2"), 0) << layerError(serial);
    EXPECT_EQ(serial.CommSetNOXON(1, "baud=19200 parity=E data=7 stop=2"), 0) << layerError(serial);
    const auto controls = server.commands(5);
    ASSERT_GE(controls.size(), 2u);
    EXPECT_EQ(controls[controls.size() - 2].payload, bytes({2}));
    EXPECT_EQ(controls.back().payload, bytes({1}));

    const std::string binary = bytes({0x11, 0xFF, 0x13, 0xFF, 0xFF, 0x00});
    EXPECT_EQ(serial.CommWrite(1, binary), static_cast<int32_t>(binary.size()));
    const auto sent = Clock::now() + 1s;
    while (server.data() != "?" + binary && Clock::now() < sent) {
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_EQ(server.data(), "?" + binary);

    // A speed the server does not take is refused, not reported as set.
    EXPECT_NE(serial.CommSetNOXON(1, "baud=12345 parity=E data=7 stop=2"), 0);
    EXPECT_EQ(layerError(serial),
              "Error (22): CommSetNOXON (SetCommState) - the device server at " +
                  server.hostPort() + " set 19200 baud when asked for 12345");
    EXPECT_EQ(serial.CommClose(1), 0);
}

// A write returns when the server's line has sent the bytes, as it does on
// a device: 192 bytes at 19200 baud are 100 ms on the wire.
TEST(Rfc2217, AWriteLastsTheServersLineTime) {
    FakeServer server([](FakeServer& self, int fd) { self.serveComPort(fd); });
    NetworkSerialBackend backend;
    SerialLayer serial(backend);
    ASSERT_EQ(serial.CommOpen(1, server.url(), "baud=19200 parity=N data=8 stop=1"), 0)
        << layerError(serial);
    const auto start = Clock::now();
    EXPECT_EQ(serial.CommWrite(1, std::string(192, 'x')), 192);
    const auto took = Clock::now() - start;
    EXPECT_GE(took, 95ms);
    EXPECT_LT(took, 160ms);
}

// The off-line manager's debug request: break on, a second, break off, "D".
TEST(Rfc2217, BreakAndModemLinesAreSentInOrderAndRawTcpRefusesThem) {
    FakeServer server([](FakeServer& self, int fd) { self.serveComPort(fd); });
    NetworkSerialBackend backend;
    SerialLayer serial(backend);
    ASSERT_EQ(serial.CommOpen(1, server.url(), kSettings), 0) << layerError(serial);
    const std::size_t before = server.commands(5).size();
    ASSERT_EQ(serial.CommSetLine(1, 1, true), 0) << layerError(serial);
    std::this_thread::sleep_for(1000ms);
    ASSERT_EQ(serial.CommSetLine(1, 1, false), 0) << layerError(serial);
    const auto breakOff = Clock::now();
    ASSERT_EQ(serial.CommWrite(1, "D"), 1);
    // DTR off and on, RTS off and on: codes 9, 8, 12, 11 of RFC 2217.
    for (const auto& [line, state] : {std::pair{2, false}, {2, true}, {3, false}, {3, true}}) {
        ASSERT_EQ(serial.CommSetLine(1, line, state), 0) << layerError(serial);
    }
    const auto controls = server.commands(5);
    ASSERT_EQ(controls.size(), before + 6);
    EXPECT_EQ(controls[before].payload, bytes({5}));
    EXPECT_EQ(controls[before + 1].payload, bytes({6}));
    const auto held = controls[before + 1].at - controls[before].at;
    EXPECT_GE(held, 1000ms);
    EXPECT_LT(held, 1100ms);
    EXPECT_LE(controls[before + 1].at, breakOff);
    EXPECT_EQ(server.data(), "D") << "the D follows the break";
    std::string lines;
    for (std::size_t i = before + 2; i < controls.size(); ++i) {
        lines += controls[i].payload;
    }
    EXPECT_EQ(lines, bytes({9, 8, 12, 11}));

    FakeServer raw([](FakeServer& self, int fd) {
        while (!self.receive(fd).empty()) {
        }
    });
    SerialLayer rawSerial(backend);
    ASSERT_EQ(rawSerial.CommOpen(2, raw.url("socket"), kSettings), 0) << layerError(rawSerial);
    EXPECT_EQ(rawSerial.CommSetLine(2, 1, true), EOPNOTSUPP);
    EXPECT_EQ(layerError(rawSerial),
              "Error (95): CommSetLine (EscapeCommFunction) - " + raw.url("socket") +
                  " cannot send a break: a raw TCP port carries only data; rfc2217://" +
                  raw.hostPort() + " can, where the server offers it");
}

} // namespace
} // namespace cvcfg
