#include "link/netbackend.h"

#include "link/modestring.h"
#include "link/sockets.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace cvcfg {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Telnet (RFC 854, 855) and its com port option (RFC 2217).
constexpr uint8_t kIac = 255;
constexpr uint8_t kDont = 254;
constexpr uint8_t kDo = 253;
constexpr uint8_t kWont = 252;
constexpr uint8_t kWill = 251;
constexpr uint8_t kSb = 250;
constexpr uint8_t kSe = 240;
constexpr uint8_t kBinary = 0;
constexpr uint8_t kSuppressGoAhead = 3;
constexpr uint8_t kComPort = 44;

namespace com {
constexpr uint8_t kSetBaudRate = 1;
constexpr uint8_t kSetDataSize = 2;
constexpr uint8_t kSetParity = 3;
constexpr uint8_t kSetStopSize = 4;
constexpr uint8_t kSetControl = 5;
constexpr uint8_t kSetModemStateMask = 11;
constexpr uint8_t kPurgeData = 12;
// The server answers a command with its code plus this.
constexpr uint8_t kReply = 100;
constexpr uint8_t kNotifyModemState = 7;
constexpr uint8_t kFlowSuspend = 8;
constexpr uint8_t kFlowResume = 9;
constexpr int kCommands = 13;

constexpr uint8_t kNoFlowControl = 1;
constexpr uint8_t kXonXoff = 2;
constexpr uint8_t kBreakOn = 5;
constexpr uint8_t kBreakOff = 6;
constexpr uint8_t kDtrOn = 8;
constexpr uint8_t kDtrOff = 9;
constexpr uint8_t kRtsOn = 11;
constexpr uint8_t kRtsOff = 12;

constexpr uint8_t kPurgeReceived = 1; // what the server holds for us
constexpr uint8_t kPurgeBoth = 3;
} // namespace com

// Output the backend holds before the driver's write would wait.
constexpr std::size_t kOutputLimit = 4096;
// A server that offers an option again after each refusal is not negotiating.
constexpr int kRefusalLimit = 8;
// No subnegotiation this backend reads comes near this.
constexpr std::size_t kSubnegotiationLimit = 256;

std::string seconds(milliseconds time) {
    const auto whole = time.count() / 1000;
    const auto tenths = (time.count() % 1000) / 100;
    return std::to_string(whole) + (tenths ? "." + std::to_string(tenths) : "") + " s";
}

int waitMs(Clock::time_point deadline, Clock::time_point now) {
    const auto left = std::chrono::ceil<milliseconds>(deadline - now).count();
    return static_cast<int>(std::clamp<int64_t>(left, 0, 60'000));
}

} // namespace

struct NetworkSerialBackend::Connection {
    sockets::Socket socket = sockets::kNoSocket;
    ServerAddress address;
    bool telnet = false;

    enum class Parse { Data, Iac, Option, Sub, SubIac };
    struct Option {
        bool us = false; // we do it
        bool usAsked = false;
        bool them = false; // the server does it
        bool themAsked = false;
        int refusals = 0;
    };
    Parse state = Parse::Data;
    uint8_t verb = 0;
    std::string sub;
    std::array<Option, 256> options{};
    bool sawTelnet = false;
    bool comPortRefused = false;
    bool binaryRefused = false;

    std::string input;  // the device's bytes, unescaped, not yet read
    std::string output; // bytes for the server that TCP has not taken yet
    bool suspended = false;
    std::array<unsigned, com::kCommands> replies{}; // answers seen, by command
    std::array<uint32_t, com::kCommands> replyValue{};
    uint32_t modem = 0;
    LineSettings line;
    bool lineSet = false;
    Clock::time_point lineFree{}; // when the server's line will have sent what it was given

    int failure = 0;
    std::string failureText;

    [[nodiscard]] std::string server() const {
        return "the device server at " + address.hostPort();
    }
    void setFailure(int code, std::string text) {
        if (failure == 0) {
            failure = code;
            failureText = std::move(text);
        }
    }
    void protocolError(const std::string& what) {
        setFailure(EPROTO, server() + " sent " + what + ", not Telnet com port control");
    }
    [[nodiscard]] std::chrono::nanoseconds byteTime() const {
        // A byte is ten bit times on the server's line.
        return std::chrono::nanoseconds(10'000'000'000LL / std::max(line.baud, 1));
    }

    void flush() {
        while (!output.empty() && failure == 0) {
            const auto n = sockets::send(socket, output.data(), output.size());
            const int error = n < 0 ? sockets::lastError() : 0;
            if (n > 0) {
                output.erase(0, static_cast<std::size_t>(n));
            } else if (n < 0 && error == EINTR) {
                continue;
            } else if (n < 0 && error != EAGAIN) {
                lost(error);
            } else {
                return;
            }
        }
    }
    void lost(int code) {
        if (code == EPIPE || code == ECONNRESET || code == 0) {
            setFailure(ECONNRESET, server() + " closed the connection");
        } else {
            setFailure(code, server() + ": " + sockets::errorText(code));
        }
    }

    // Takes what the server has sent, and gives it what waits.
    void pump() {
        std::array<uint8_t, 4096> chunk{};
        while (failure == 0) {
            const auto n =
                sockets::receive(socket, reinterpret_cast<char*>(chunk.data()), chunk.size());
            const int error = n < 0 ? sockets::lastError() : 0;
            if (n > 0) {
                receive(chunk.data(), static_cast<std::size_t>(n));
            } else if (n == 0) {
                lost(0);
            } else if (error == EINTR) {
                continue;
            } else if (error != EAGAIN) {
                lost(error);
            } else {
                break;
            }
        }
        flush();
    }

    // Sleeps until `done` holds, the connection fails or `deadline` passes;
    // whether `done` held.
    bool await(Clock::time_point deadline, const std::function<bool()>& done) {
        while (true) {
            pump();
            if (done()) {
                return true;
            }
            const auto now = Clock::now();
            if (failure != 0 || now >= deadline) {
                return false;
            }
            if (const int error =
                    sockets::wait(socket, !output.empty(), std::max(waitMs(deadline, now), 1))) {
                lost(error);
            }
        }
    }

    void command(uint8_t what, uint8_t option) {
        output += static_cast<char>(kIac);
        output += static_cast<char>(what);
        output += static_cast<char>(option);
    }
    void comPort(uint8_t code, std::string_view payload) {
        output += {static_cast<char>(kIac), static_cast<char>(kSb), static_cast<char>(kComPort),
                   static_cast<char>(code)};
        for (const char byte : payload) {
            output += byte;
            if (static_cast<uint8_t>(byte) == kIac) {
                output += byte;
            }
        }
        output += {static_cast<char>(kIac), static_cast<char>(kSe)};
    }
    // Sends a com port command and waits for its answer; false without one.
    bool ask(uint8_t code, std::string_view payload, milliseconds within) {
        const unsigned before = replies.at(code);
        comPort(code, payload);
        return await(Clock::now() + within, [&] { return replies.at(code) != before; });
    }

    static bool weMay(uint8_t option) {
        return option == kBinary || option == kSuppressGoAhead || option == kComPort;
    }
    static bool theyMay(uint8_t option) { return option == kBinary || option == kSuppressGoAhead; }
    void refuse(uint8_t what, uint8_t option) {
        if (++options.at(option).refusals > kRefusalLimit) {
            protocolError("option " + std::to_string(option) + " again and again");
            return;
        }
        command(what, option);
    }

    // An offer of the server's side (WILL) or a request for ours (DO):
    // taken when allowed, else refused; answered unless it answers our own
    // question.
    void accept(uint8_t option, bool allowed, bool& on, bool& asked, uint8_t yes, uint8_t no) {
        if (!allowed) {
            refuse(no, option);
        } else if (!on) {
            on = true;
            if (!asked) {
                command(yes, option);
            }
        }
        asked = false;
    }

    // A refusal or a withdrawal (WONT, DONT), acknowledged unless it answers
    // our own question; whether the option was on or asked for.
    bool withdraw(uint8_t option, bool& on, bool& asked, uint8_t acknowledge) {
        if (!on && !asked) {
            return false;
        }
        if (!asked) {
            command(acknowledge, option);
        }
        on = asked = false;
        return true;
    }

    // One option command, answered so that neither side loops (RFC 1143).
    void negotiate(uint8_t what, uint8_t option) {
        Option& o = options.at(option);
        switch (what) {
        case kWill:
            accept(option, theyMay(option), o.them, o.themAsked, kDo, kDont);
            break;
        case kWont:
            if (withdraw(option, o.them, o.themAsked, kDont)) {
                binaryRefused = binaryRefused || option == kBinary;
            }
            break;
        case kDo:
            accept(option, weMay(option), o.us, o.usAsked, kWill, kWont);
            break;
        default: // kDont
            if (withdraw(option, o.us, o.usAsked, kWont)) {
                comPortRefused = comPortRefused || option == kComPort;
                binaryRefused = binaryRefused || option == kBinary;
            }
            break;
        }
    }

    void subnegotiation() {
        if (sub.empty() || static_cast<uint8_t>(sub[0]) != kComPort) {
            return; // an option refused: nothing to do with it
        }
        if (sub.size() < 2) {
            protocolError("an empty com port message");
            return;
        }
        const auto code = static_cast<uint8_t>(sub[1]);
        if (code < com::kReply || code >= com::kReply + com::kCommands) {
            return; // the server's own requests (its signature) need no answer here
        }
        const auto command = static_cast<uint8_t>(code - com::kReply);
        const std::string_view payload = std::string_view(sub).substr(2);
        const std::size_t needed =
            command == com::kSetBaudRate                                                  ? 4
            : command == 0 || command == com::kFlowSuspend || command == com::kFlowResume ? 0
                                                                                          : 1;
        if (payload.size() < needed) {
            protocolError("a com port reply " + std::to_string(code) + " of " +
                          std::to_string(payload.size()) + " bytes");
            return;
        }
        uint32_t value = 0;
        for (std::size_t i = 0; i < needed; ++i) {
            value = value << 8 | static_cast<uint8_t>(payload[i]);
        }
        switch (command) {
        case com::kNotifyModemState:
            modem = value;
            break;
        case com::kFlowSuspend:
            suspended = true;
            break;
        case com::kFlowResume:
            suspended = false;
            break;
        case com::kPurgeData:
            // The answer follows everything the server sent before it purged.
            input.clear();
            break;
        default:
            break;
        }
        ++replies.at(command);
        replyValue.at(command) = value;
    }

    void receive(const uint8_t* bytes, std::size_t count) {
        if (!telnet) {
            input.append(reinterpret_cast<const char*>(bytes), count);
            return;
        }
        for (std::size_t i = 0; i < count && failure == 0; ++i) {
            const uint8_t byte = bytes[i];
            switch (state) {
            case Parse::Data:
                if (byte == kIac) {
                    state = Parse::Iac;
                } else if (!sawTelnet) {
                    setFailure(EPROTO, server() +
                                           " answered with data, not a Telnet negotiation: is it "
                                           "a raw TCP port (socket://" +
                                           address.hostPort() + ")?");
                } else {
                    input += static_cast<char>(byte);
                }
                break;
            case Parse::Iac:
                sawTelnet = true;
                state = Parse::Data;
                if (byte == kIac) {
                    input += static_cast<char>(byte);
                } else if (byte >= kWill && byte <= kDont) {
                    verb = byte;
                    state = Parse::Option;
                } else if (byte == kSb) {
                    sub.clear();
                    state = Parse::Sub;
                } else if (byte < kSe) {
                    protocolError("IAC followed by " + std::to_string(byte));
                }
                break; // the other commands (NOP, GA, ...) mean nothing to a serial line
            case Parse::Option:
                negotiate(verb, byte);
                state = Parse::Data;
                break;
            case Parse::Sub:
                if (byte == kIac) {
                    state = Parse::SubIac;
                } else if (sub.size() >= kSubnegotiationLimit) {
                    protocolError("a subnegotiation without end");
                } else {
                    sub += static_cast<char>(byte);
                }
                break;
            case Parse::SubIac:
                if (byte == kIac) {
                    sub += static_cast<char>(byte);
                    state = Parse::Sub;
                } else if (byte == kSe) {
                    subnegotiation();
                    state = Parse::Data;
                } else {
                    protocolError("IAC " + std::to_string(byte) + " inside a subnegotiation");
                }
                break;
            }
        }
    }
};

std::string ServerAddress::hostPort() const {
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::string ServerAddress::url() const {
    return (kind == Kind::Rfc2217 ? "rfc2217://" : "socket://") + hostPort();
}

bool isServerAddress(std::string_view name) {
    const std::size_t colon = name.find("://");
    return colon != std::string_view::npos && colon > 0 &&
           std::all_of(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(colon),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

Expected<ServerAddress> parseServerAddress(std::string_view text) {
    const std::string quoted = "\"" + std::string(text) + "\"";
    const std::size_t separator = text.find("://");
    if (!isServerAddress(text)) {
        return Expected<ServerAddress>::failure(
            quoted + " is not a device server address; write rfc2217://HOST:PORT or "
                     "socket://HOST:PORT");
    }
    ServerAddress address;
    std::string scheme(text.substr(0, separator));
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](char c) { return static_cast<char>(std::tolower(c)); });
    if (scheme == "rfc2217") {
        address.kind = ServerAddress::Kind::Rfc2217;
    } else if (scheme == "socket") {
        address.kind = ServerAddress::Kind::Socket;
    } else {
        return Expected<ServerAddress>::failure(
            quoted + ": unknown scheme \"" + std::string(text.substr(0, separator)) +
            "\"; device servers are rfc2217://HOST:PORT or socket://HOST:PORT");
    }
    std::string_view rest = text.substr(separator + 3);
    if (rest.ends_with('/')) {
        rest.remove_suffix(1);
    }
    std::string_view host;
    std::size_t portAt = std::string_view::npos;
    if (rest.starts_with('[')) {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos) {
            return Expected<ServerAddress>::failure(quoted + ": the IPv6 address has no \"]\"");
        }
        host = rest.substr(1, close - 1);
        if (close + 1 < rest.size() && rest[close + 1] == ':') {
            portAt = close + 2;
        } else if (close + 1 < rest.size()) {
            return Expected<ServerAddress>::failure(quoted + R"(: ":PORT" must follow "]")");
        }
    } else {
        const std::size_t colon = rest.rfind(':');
        host = rest.substr(0, colon);
        if (colon != std::string_view::npos) {
            portAt = colon + 1;
        }
    }
    const std::string form = scheme + "://HOST:PORT";
    if (host.empty()) {
        return Expected<ServerAddress>::failure(quoted + " names no host; write " + form);
    }
    // A colon belongs in an IPv6 address, which stands in brackets.
    const bool bracketed = rest.starts_with('[');
    if (host.find_first_of(bracketed ? "/?#@ " : ":/?#@ ") != std::string_view::npos) {
        return Expected<ServerAddress>::failure(quoted + ": \"" + std::string(host) +
                                                "\" is not a host name; write " + form);
    }
    if (portAt == std::string_view::npos || portAt >= rest.size()) {
        return Expected<ServerAddress>::failure(quoted + " has no port; write " + form);
    }
    const std::string_view digits = rest.substr(portAt);
    if (digits.find_first_not_of("0123456789") != std::string_view::npos) {
        return Expected<ServerAddress>::failure(quoted + ": the port \"" + std::string(digits) +
                                                "\" is not a number");
    }
    unsigned long port = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
    if (error != std::errc() || port < 1 || port > 65535) {
        return Expected<ServerAddress>::failure(quoted + ": the port " + std::string(digits) +
                                                " is out of range (1 to 65535)");
    }
    address.host = std::string(host);
    address.port = static_cast<uint16_t>(port);
    return address;
}

namespace {

// A name lookup that the caller gives up on after a while: the system's
// resolver cannot be interrupted, so it runs on and cleans up after itself.
struct Lookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    int status = 0;
    sockets::Addresses result;
};

std::shared_ptr<Lookup> lookUp(const ServerAddress& address, Clock::time_point deadline) {
    using Names = sockets::Addresses::Names;
    auto lookup = std::make_shared<Lookup>();
    lookup->status = lookup->result.lookUp(address.host, address.port, Names::AddressesOnly);
    if (!sockets::isName(lookup->status)) {
        lookup->finished = true;
        return lookup;
    }
    std::thread([lookup, host = address.host, port = address.port] {
        sockets::Addresses result;
        const int status = result.lookUp(host, port, Names::Resolve);
        const std::lock_guard lock(lookup->mutex);
        lookup->status = status;
        lookup->result = std::move(result);
        lookup->finished = true;
        lookup->done.notify_all();
    }).detach();
    std::unique_lock lock(lookup->mutex);
    lookup->done.wait_until(lock, deadline, [&] { return lookup->finished; });
    return lookup;
}

} // namespace

NetworkSerialBackend::NetworkSerialBackend() : NetworkSerialBackend(ServerTimeouts{}) {}

NetworkSerialBackend::NetworkSerialBackend(ServerTimeouts timeouts) : m_timeouts(timeouts) {}

NetworkSerialBackend::~NetworkSerialBackend() {
    for (const auto& [handle, connection] : m_connections) {
        sockets::close(connection->socket);
    }
}

int NetworkSerialBackend::fail(int code, std::string text) {
    m_lastCode = code;
    m_lastText = std::move(text);
    return code;
}

int NetworkSerialBackend::failed(const Connection& connection) {
    return fail(connection.failure, connection.failureText);
}

NetworkSerialBackend::Connection* NetworkSerialBackend::find(PortHandle handle) {
    const auto found = m_connections.find(handle);
    return found == m_connections.end() ? nullptr : found->second.get();
}

int NetworkSerialBackend::open(const std::string& name, PortHandle& handle) {
    const Expected<ServerAddress> address = parseServerAddress(name);
    if (!address) {
        return fail(EINVAL, address.error());
    }
    const std::string url = address->url();
    const auto deadline = Clock::now() + m_timeouts.connect;
    const std::shared_ptr<Lookup> lookup = lookUp(*address, deadline);
    {
        const std::lock_guard lock(lookup->mutex);
        if (!lookup->finished) {
            return fail(ETIMEDOUT, "the host name \"" + address->host + "\" was not found within " +
                                       seconds(m_timeouts.connect) + " (" + url + ")");
        }
        if (lookup->status != 0) {
            return fail(EHOSTUNREACH, "the host \"" + address->host + "\" is not known: " +
                                          sockets::lookupText(lookup->status) + " (" + url + ")");
        }
    }
    int error = 0;
    const sockets::Socket socket = lookup->result.connect(deadline, error);
    if (socket == sockets::kNoSocket) {
        if (error == ETIMEDOUT) {
            return fail(error, "the device server at " + address->hostPort() +
                                   " did not accept a connection within " +
                                   seconds(m_timeouts.connect) + " (" + url + ")");
        }
        return fail(error, sockets::errorText(error) + " (" + url + ")");
    }
    auto connection = std::make_unique<Connection>();
    connection->socket = socket;
    connection->address = *address;
    connection->telnet = address->kind == ServerAddress::Kind::Rfc2217;
    if (connection->telnet) {
        Connection& c = *connection;
        for (const uint8_t option : {kComPort, kBinary, kSuppressGoAhead}) {
            c.command(kWill, option);
            c.options.at(option).usAsked = true;
        }
        for (const uint8_t option : {kBinary, kSuppressGoAhead}) {
            c.command(kDo, option);
            c.options.at(option).themAsked = true;
        }
        // Binary both ways, or a CR would go out with a NUL after it.
        const auto ready = [&c] {
            const auto& binary = c.options.at(kBinary);
            return c.comPortRefused || c.binaryRefused ||
                   (c.options.at(kComPort).us && binary.us && binary.them);
        };
        const bool answered = c.await(Clock::now() + m_timeouts.negotiation, ready);
        int code = 0;
        if (c.failure != 0) {
            code = failed(c);
        } else if (!answered) {
            code = fail(ETIMEDOUT, c.server() + " did not answer the Telnet negotiation within " +
                                       seconds(m_timeouts.negotiation) + " (" + url + ")");
        } else if (c.comPortRefused) {
            code = fail(EPROTONOSUPPORT,
                        c.server() +
                            " refuses RFC 2217 com port control; if its line is set up "
                            "on the server, use socket://" +
                            address->hostPort());
        } else if (c.binaryRefused) {
            code = fail(EPROTONOSUPPORT, c.server() + " refuses binary transmission, which the "
                                                      "unit's messages need");
        }
        if (code != 0) {
            sockets::close(socket);
            return code;
        }
        // Every change of the modem lines is to be told.
        c.comPort(com::kSetModemStateMask, "\xff");
        c.flush();
    }
    handle = socket;
    m_connections.emplace(socket, std::move(connection));
    return 0;
}

int NetworkSerialBackend::setQueueSizes(PortHandle handle, int, int) {
    // TCP keeps its own buffers; the call only checks the port.
    return find(handle) ? 0 : fail(EBADF, "");
}

int NetworkSerialBackend::setTimeouts(PortHandle handle, const Timeouts&) {
    // The serial layer keeps the time-outs itself.
    return find(handle) ? 0 : fail(EBADF, "");
}

int NetworkSerialBackend::purge(PortHandle handle) {
    Connection* c = find(handle);
    if (!c) {
        return fail(EBADF, "");
    }
    c->pump();
    if (c->failure != 0) {
        return failed(*c);
    }
    // As on a device: output still under way is what a time-out left
    // behind; output already sent is the unit's, and stays.
    const auto now = Clock::now();
    const bool outputLeft = !c->output.empty() || c->lineFree > now;
    c->input.clear();
    if (outputLeft) {
        c->output.clear();
        c->lineFree = now;
    }
    if (!c->telnet) {
        return 0;
    }
    // The server holds bytes too; its answer follows all it sent before it
    // purged, so what arrives until then is purged as well.
    const std::string what(1,
                           static_cast<char>(outputLeft ? com::kPurgeBoth : com::kPurgeReceived));
    if (!c->ask(com::kPurgeData, what, m_timeouts.reply)) {
        return c->failure != 0
                   ? failed(*c)
                   : fail(ETIMEDOUT, c->server() + " did not confirm the purge within " +
                                         seconds(m_timeouts.reply));
    }
    return 0;
}

int NetworkSerialBackend::getLineState(PortHandle handle, LineSettings& state) {
    Connection* c = find(handle);
    if (!c) {
        return fail(EBADF, "");
    }
    state = c->line;
    return 0;
}

int NetworkSerialBackend::buildLineState(const std::string& settings, LineSettings& state) {
    const std::optional<LineSettings> built = applyModeString(settings, state);
    if (!built) {
        return fail(EINVAL, "");
    }
    state = *built;
    return 0;
}

namespace {

uint8_t parityCode(char parity) {
    switch (parity) {
    case 'O':
        return 2;
    case 'E':
        return 3;
    case 'M':
        return 4;
    case 'S':
        return 5;
    default:
        return 1;
    }
}

} // namespace

int NetworkSerialBackend::setLineState(PortHandle handle, const LineSettings& state) {
    Connection* c = find(handle);
    if (!c) {
        return fail(EBADF, "");
    }
    if (c->failure != 0) {
        return failed(*c);
    }
    if (state.baud <= 0) {
        return fail(EINVAL, "");
    }
    if (!c->telnet) {
        // The server keeps the line as it was set up there; the speed still
        // tells how long bytes take on it.
        c->line = state;
        return 0;
    }
    struct Setting {
        uint8_t command;
        uint32_t value;
        bool changed;
        const char* unit;
    };
    const LineSettings& was = c->line;
    const bool all = !c->lineSet;
    const std::array<Setting, 4> settings = {{
        {com::kSetBaudRate, static_cast<uint32_t>(state.baud), all || state.baud != was.baud,
         "baud"},
        {com::kSetDataSize, static_cast<uint32_t>(state.dataBits),
         all || state.dataBits != was.dataBits, "data bits"},
        {com::kSetParity, parityCode(state.parity), all || state.parity != was.parity,
         "(parity code)"},
        {com::kSetStopSize, static_cast<uint32_t>(state.stopBits),
         all || state.stopBits != was.stopBits, "stop bits"},
    }};
    std::array<unsigned, com::kCommands> before = c->replies;
    for (const Setting& setting : settings) {
        if (!setting.changed) {
            continue;
        }
        std::string payload;
        if (setting.command == com::kSetBaudRate) {
            for (int shift = 24; shift >= 0; shift -= 8) {
                payload += static_cast<char>(setting.value >> shift & 0xFF);
            }
        } else {
            payload += static_cast<char>(setting.value);
        }
        c->comPort(setting.command, payload);
    }
    const bool flowChanged = all || state.xonXoffOutput != was.xonXoffOutput;
    if (flowChanged) {
        c->comPort(com::kSetControl,
                   std::string(1, static_cast<char>(state.xonXoffOutput ? com::kXonXoff
                                                                        : com::kNoFlowControl)));
    }
    const auto answered = [&] {
        for (const Setting& setting : settings) {
            if (setting.changed && c->replies.at(setting.command) == before.at(setting.command)) {
                return false;
            }
        }
        return !flowChanged || c->replies.at(com::kSetControl) != before.at(com::kSetControl);
    };
    if (!c->await(Clock::now() + m_timeouts.reply, answered)) {
        return c->failure != 0
                   ? failed(*c)
                   : fail(ETIMEDOUT, c->server() + " did not confirm the line settings within " +
                                         seconds(m_timeouts.reply));
    }
    for (const Setting& setting : settings) {
        const uint32_t got = c->replyValue.at(setting.command);
        if (setting.changed && got != setting.value) {
            return fail(EINVAL, c->server() + " set " + std::to_string(got) + " " + setting.unit +
                                    " when asked for " + std::to_string(setting.value));
        }
    }
    c->line = state;
    c->lineSet = true;
    return 0;
}

int NetworkSerialBackend::queuedInput(PortHandle handle, int& count, uint32_t& errorFlags) {
    errorFlags = 0; // a server reports no line errors here
    count = 0;
    Connection* c = find(handle);
    if (!c) {
        return fail(EBADF, "");
    }
    c->pump();
    count = static_cast<int>(std::min<std::size_t>(c->input.size(), 1 << 20));
    // What came before the server went away is read first.
    return count == 0 && c->failure != 0 ? failed(*c) : 0;
}

int NetworkSerialBackend::read(PortHandle handle, uint8_t* buffer, int count, int& got) {
    got = 0;
    Connection* c = find(handle);
    if (!c) {
        return fail(EBADF, "");
    }
    c->pump();
    if (c->input.empty()) {
        return c->failure != 0 ? failed(*c) : 0;
    }
    const auto n = std::min<std::size_t>(c->input.size(), static_cast<std::size_t>(count));
    std::copy_n(c->input.begin(), n, buffer);
    c->input.erase(0, n);
    got = static_cast<int>(n);
    return 0;
}

int NetworkSerialBackend::writeSome(PortHandle handle, const uint8_t* data, int count,
                                    int& written) {
    written = 0;
    Connection* c = find(handle);
    if (!c) {
        return fail(EBADF, "");
    }
    c->pump();
    if (c->failure != 0) {
        return failed(*c);
    }
    // The server asks for a pause when its line holds (XOFF from the unit).
    while (written < count && !c->suspended && c->output.size() < kOutputLimit) {
        const auto byte = static_cast<char>(data[written++]);
        c->output += byte;
        if (c->telnet && static_cast<uint8_t>(byte) == kIac) {
            c->output += byte;
        }
    }
    if (written > 0) {
        // The server's line sends them one after the other, from now at the
        // earliest.
        const auto now = Clock::now();
        c->lineFree = std::max(c->lineFree, now) + c->byteTime() * written;
    }
    c->flush();
    return c->failure != 0 ? failed(*c) : 0;
}

int NetworkSerialBackend::waitWritable(PortHandle handle, int timeoutMs) {
    Connection* c = find(handle);
    if (!c) {
        return fail(EBADF, "");
    }
    c->await(Clock::now() + milliseconds(timeoutMs),
             [c] { return !c->suspended && c->output.size() < kOutputLimit; });
    return c->failure != 0 ? failed(*c) : 0;
}

int NetworkSerialBackend::waitDrained(PortHandle handle, int timeoutMs, int& queued) {
    queued = 0;
    Connection* c = find(handle);
    if (!c) {
        return fail(EBADF, "");
    }
    const auto deadline = Clock::now() + milliseconds(timeoutMs);
    while (true) {
        c->pump();
        if (c->failure != 0) {
            return failed(*c);
        }
        // What TCP has not sent yet. Bytes sent but not yet acknowledged are
        // on their way: the server's acknowledgement may wait for tens of
        // milliseconds, long after the bytes arrived.
        const auto held = static_cast<int64_t>(c->output.size()) + sockets::unsent(c->socket);
        const auto now = Clock::now();
        const auto step = c->byteTime();
        // Bytes not yet at the server reach its line no sooner than now.
        if (held > 0) {
            c->lineFree = std::max(c->lineFree, now + step * held);
        }
        const int64_t onLine =
            c->lineFree > now ? (c->lineFree - now + step - std::chrono::nanoseconds(1)) / step : 0;
        queued = static_cast<int>(std::max(held, onLine));
        if (queued == 0 || now >= deadline) {
            return 0;
        }
        // No event tells when the server's line is done: sleep until the
        // estimate says so, or look again soon while TCP still holds bytes.
        const auto until = held > 0
                               ? now + std::max<std::chrono::nanoseconds>(step, milliseconds(2))
                               : c->lineFree;
        const auto wake = std::min(until, deadline);
        if (const int error =
                sockets::wait(c->socket, !c->output.empty(), std::max(waitMs(wake, now), 1))) {
            c->lost(error);
        }
    }
}

int NetworkSerialBackend::discardOutput(PortHandle handle) {
    Connection* c = find(handle);
    if (!c) {
        return fail(EBADF, "");
    }
    c->output.clear();
    c->lineFree = Clock::now();
    if (c->telnet) {
        // What the server has not yet sent on its line goes too.
        constexpr uint8_t kPurgeTransmit = 2;
        c->comPort(com::kPurgeData, std::string(1, static_cast<char>(kPurgeTransmit)));
        c->flush();
    }
    return c->failure != 0 ? failed(*c) : 0;
}

int NetworkSerialBackend::waitReadable(PortHandle handle, int timeoutMs) {
    Connection* c = find(handle);
    if (!c) {
        return fail(EBADF, "");
    }
    // A failed connection returns at once: the next read reports it.
    c->await(Clock::now() + milliseconds(timeoutMs),
             [c] { return !c->input.empty() || c->failure != 0; });
    return 0;
}

int NetworkSerialBackend::modemStatus(PortHandle handle, uint32_t& status) {
    Connection* c = find(handle);
    if (!c) {
        return fail(EBADF, "");
    }
    if (!c->telnet) {
        return fail(EOPNOTSUPP,
                    c->address.url() + " reports no modem lines: a raw TCP port carries only data");
    }
    c->pump();
    if (c->failure != 0) {
        return failed(*c);
    }
    // The notification's low half tells of changes, not of the lines.
    status = c->modem & 0xF0u;
    return 0;
}

int NetworkSerialBackend::lineFunction(PortHandle handle, int function) {
    Connection* c = find(handle);
    if (!c) {
        return fail(EBADF, "");
    }
    using namespace line_function;
    uint8_t control = 0;
    const char* what = "";
    switch (function) {
    case kSetBreak:
    case kClearBreak:
        control = function == kSetBreak ? com::kBreakOn : com::kBreakOff;
        what = "a break";
        break;
    case kSetDtr:
    case kClearDtr:
        control = function == kSetDtr ? com::kDtrOn : com::kDtrOff;
        what = "DTR";
        break;
    case kSetRts:
    case kClearRts:
        control = function == kSetRts ? com::kRtsOn : com::kRtsOff;
        what = "RTS";
        break;
    default:
        return fail(EINVAL, "");
    }
    if (!c->telnet) {
        return fail(EOPNOTSUPP, c->address.url() + " cannot " +
                                    (control <= com::kBreakOff ? "send " : "set ") + what +
                                    ": a raw TCP port carries only data; rfc2217://" +
                                    c->address.hostPort() + " can, where the server offers it");
    }
    if (c->failure != 0) {
        return failed(*c);
    }
    if (!c->ask(com::kSetControl, std::string(1, static_cast<char>(control)), m_timeouts.reply)) {
        return c->failure != 0 ? failed(*c)
                               : fail(ETIMEDOUT, c->server() + " did not confirm " + what +
                                                     " within " + seconds(m_timeouts.reply));
    }
    return 0;
}

int NetworkSerialBackend::close(PortHandle handle) {
    const auto found = m_connections.find(handle);
    if (found == m_connections.end()) {
        return fail(EBADF, "");
    }
    const sockets::Socket socket = found->second->socket;
    m_connections.erase(found);
    const int error = sockets::close(socket);
    return error == 0 ? 0 : fail(error, "");
}

std::string NetworkSerialBackend::errorText(int code) const {
    return code == m_lastCode && !m_lastText.empty() ? m_lastText : sockets::errorText(code);
}

} // namespace cvcfg
