// cvcfg-unit: a simulated Corvane unit on a pseudo-terminal, for trying the
// program without hardware and for its tests.

#include "core/catalogue.h"
#include "core/image.h"
#include "link/posixbackend.h"
#include "unit/unit.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

using cvcfg::sim::Unit;
using Clock = Unit::Clock;

constexpr std::string_view kHelp = R"(Usage: cvcfg-unit --variant VARIANT [OPTIONS]

Stands in for a Corvane unit on a pseudo-terminal: takes download images,
answers upload requests and runs an off-line manager terminal. Prints the
device path, then one line for every exchange, and serves until stopped.

Options:
  --variant V     the unit's product variant (see "cvcfg variants"), or "any":
                  an image of any body length, uploads from the last one kept
  --link PATH     make PATH a symbolic link to the device (e.g. for CVCFG_COM1)
  --store FILE    keep the configuration in FILE across runs
  --baud N        the unit's line speed (default 9600); a line set to another
                  speed reaches it garbled. "line" takes whatever speed the
                  program sets, as a unit of the speed the operator chose would
  --baud-timing   carry the bytes both ways at the line speed (10 bit times a
                  byte) and report each exchange: the bytes each way, the time
                  they took and the time the line needs for them
  --wire-baud N   with --baud-timing, run the line at N baud whatever speed
                  the program sets (an adapter of a fixed speed)
  --fault F       misbehave: silent, nak, noise, noise-then-ack, short-reply,
                  garbled-reply, paused-reply (10, 30, then the rest, 400 ms
                  apart), late=MS, or no-reply=E|M|R for one upload request
                  (repeatable)

A pseudo-terminal carries no break: a "D" after a second of silence stands
for the break-and-D debug request.
)";

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int) {
    g_stop = 1;
}

struct Options {
    const cvcfg::Variant* variant = nullptr; // null with `any`
    bool any = false;
    std::string link;
    std::string store;
    int baud = 9600; // 0: the speed the program sets on the line
    bool baudTiming = false;
    int wireBaud = 0; // 0: the line's own speed
    cvcfg::sim::Faults faults;
};

int usage(const std::string& message) {
    std::cerr << "cvcfg-unit: " << message << "\n\n" << kHelp;
    return 2;
}

std::string timestamp() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    char text[32];
    std::strftime(text, sizeof text, "%H:%M:%S", std::localtime(&seconds));
    char full[40];
    std::snprintf(full, sizeof full, "%s.%03lld", text, static_cast<long long>(ms));
    return full;
}

void logLine(const std::string& line) {
    std::cout << timestamp() << "  " << line << std::endl;
}

bool loadStore(const std::string& path, cvcfg::sim::StoredConfiguration& config) {
    std::ifstream in(path);
    if (!in) {
        return false;
    }
    cvcfg::sim::StoredConfiguration loaded{};
    unsigned value = 0;
    for (auto& byte : loaded) {
        if (!(in >> std::hex >> value) || value > 255) {
            return false;
        }
        byte = static_cast<uint8_t>(value);
    }
    config = loaded;
    return true;
}

void saveStore(const std::string& path, const cvcfg::sim::StoredConfiguration& config) {
    const std::string partial = path + ".partial";
    {
        std::ofstream out(partial);
        out << cvcfg::hexBytes(
                   std::string_view(reinterpret_cast<const char*>(config.data()), config.size()))
            << '\n';
    }
    std::error_code error;
    std::filesystem::rename(partial, path, error);
    if (error) {
        logLine("cannot keep the configuration in " + path + ": " + error.message());
    }
}

// The speed the program has set on the line (the unit holds its side open).
int lineBaud(int slave) {
    termios settings{};
    return tcgetattr(slave, &settings) == 0 ? cvcfg::lineStateFrom(settings).baud : 0;
}

std::chrono::nanoseconds byteTime(int baud) {
    return std::chrono::nanoseconds(10'000'000'000LL / std::max(baud, 1));
}

int parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            return i + 1 < argc ? argv[++i] : "";
        };
        if (arg == "--help" || arg == "-h") {
            std::cout << kHelp;
            return 0;
        }
        if (arg == "--variant") {
            const std::string name = value();
            options.any = name == "any";
            options.variant = cvcfg::findVariant(name);
            if (!options.variant && !options.any) {
                return usage("unknown variant \"" + name + "\"");
            }
        } else if (arg == "--link") {
            options.link = value();
        } else if (arg == "--store") {
            options.store = value();
        } else if (arg == "--baud") {
            const std::string speed = value();
            options.baud = speed == "line" ? 0 : std::atoi(speed.c_str());
            if (speed != "line" && options.baud != 9600 && options.baud != 19200) {
                return usage("--baud takes 9600, 19200 or line");
            }
        } else if (arg == "--baud-timing") {
            options.baudTiming = true;
        } else if (arg == "--wire-baud") {
            options.wireBaud = std::atoi(value().c_str());
            if (options.wireBaud < 300) {
                return usage("--wire-baud takes a speed of 300 baud or more");
            }
        } else if (arg == "--fault") {
            if (const cvcfg::Status status = options.faults.add(value()); !status) {
                return usage(status.error);
            }
        } else {
            return usage("unknown argument " + arg);
        }
    }
    if (!options.variant && !options.any) {
        return usage("--variant is required");
    }
    return -1;
}

// Opens a pseudo-terminal pair. The unit keeps the far end open too, so that
// its own end never reads "device gone" between the program's sessions.
bool openPty(int& master, int& slave, std::string& path) {
    master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        return false;
    }
    const char* name = ptsname(master);
    if (!name) {
        return false;
    }
    path = name;
    slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        return false;
    }
    // A raw 9600-baud line until the program sets its own.
    termios settings{};
    tcgetattr(slave, &settings);
    if (const std::optional<termios> raw = cvcfg::termiosFor(settings, cvcfg::LineSettings{})) {
        tcsetattr(slave, TCSANOW, &*raw);
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    return true;
}

void writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd ready{fd, POLLOUT, 0};
            poll(&ready, 1, 100);
        } else {
            return;
        }
    }
}

// The line between the program and the unit, as --baud-timing runs it: a
// byte written into the pseudo-terminal is read no sooner than the wire would
// have delivered it, one byte time after the one before.
class PacedLine {
public:
    // How many of the `waiting` bytes have arrived by `now`.
    [[nodiscard]] std::size_t arrived(std::size_t waiting, Clock::time_point now,
                                      std::chrono::nanoseconds step) {
        if (!m_carrying) {
            // An idle line starts carrying what was written when it is noticed.
            m_carrying = true;
            m_lastArrival = std::max(m_lastArrival, now);
        }
        const auto delivered = now > m_lastArrival ? (now - m_lastArrival) / step : 0;
        return std::min(waiting, static_cast<std::size_t>(delivered));
    }
    // `count` bytes have been read; `left` still wait in the terminal.
    void read(std::size_t count, std::size_t left, std::chrono::nanoseconds step) {
        m_lastArrival += step * static_cast<int64_t>(count);
        m_carrying = left > 0;
    }
    // When the next waiting byte will have arrived, while some wait.
    [[nodiscard]] std::optional<Clock::time_point>
    nextArrival(std::chrono::nanoseconds step) const {
        return m_carrying ? std::optional(m_lastArrival + step) : std::nullopt;
    }

private:
    bool m_carrying = false;
    Clock::time_point m_lastArrival{};
};

// Measures each exchange (bytes both ways, ended by a quiet line) against the
// time the line needs for its bytes.
class ExchangeMeter {
public:
    static constexpr std::chrono::milliseconds kQuiet{100};

    // Bytes that arrived by `arrivedBy` on a line of `baud`.
    void received(std::size_t count, Clock::time_point arrivedBy, int baud) {
        note(arrivedBy - byteTime(baud) * static_cast<int64_t>(count), arrivedBy, baud);
        m_received += count;
    }
    // Bytes put on a line of `baud` from `at` on.
    void sent(std::size_t count, Clock::time_point at, int baud) {
        note(at, at + byteTime(baud) * static_cast<int64_t>(count), baud);
        m_sent += count;
    }
    [[nodiscard]] std::optional<Clock::time_point> quietFrom() const {
        return active() ? std::optional(m_last + kQuiet) : std::nullopt;
    }
    // The report of an exchange that has ended by `now`, if one has, at the
    // line speed its bytes went at.
    std::optional<std::string> report(Clock::time_point now) {
        if (!active() || now < m_last + kQuiet) {
            return std::nullopt;
        }
        const int baud = m_baud;
        const double took = std::chrono::duration<double, std::milli>(m_last - m_first).count();
        const double line = std::chrono::duration<double, std::milli>(
                                byteTime(baud) * static_cast<int64_t>(m_received + m_sent))
                                .count();
        char text[200];
        std::snprintf(text, sizeof text,
                      "exchange rx %zu tx %zu bytes within %.1f ms; at %d baud the line carries "
                      "them in %.1f ms",
                      m_received, m_sent, took, baud, line);
        m_received = m_sent = 0;
        return std::string(text);
    }

private:
    [[nodiscard]] bool active() const { return m_received + m_sent > 0; }
    // The exchange runs at the speed of its first byte: the program may set
    // the line back when it closes it while the last bytes are under way.
    void note(Clock::time_point from, Clock::time_point to, int baud) {
        if (!active()) {
            m_baud = baud;
            m_first = from;
            m_last = to;
        }
        m_first = std::min(m_first, from);
        m_last = std::max(m_last, to);
    }

    std::size_t m_received = 0;
    std::size_t m_sent = 0;
    int m_baud = 0;
    Clock::time_point m_first{};
    Clock::time_point m_last{};
};

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (const int status = parse(argc, argv, options); status >= 0) {
        return status;
    }

    int master = -1;
    int slave = -1;
    std::string device;
    if (!openPty(master, slave, device)) {
        std::cerr << "cvcfg-unit: cannot open a pseudo-terminal: " << std::strerror(errno) << '\n';
        return 1;
    }
    if (!options.link.empty()) {
        std::error_code error;
        if (std::filesystem::is_symlink(options.link, error)) {
            std::filesystem::remove(options.link, error);
        }
        if (symlink(device.c_str(), options.link.c_str()) != 0) {
            std::cerr << "cvcfg-unit: cannot link " << options.link << ": " << std::strerror(errno)
                      << '\n';
            return 1;
        }
    }

    Unit unit(options.variant, options.faults);
    unit.setBreakFromSilence(true);
    if (!options.store.empty()) {
        cvcfg::sim::StoredConfiguration config{};
        if (loadStore(options.store, config)) {
            unit.loadConfiguration(config);
        }
    }

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGTERM);
    sigset_t open;
    sigprocmask(SIG_BLOCK, &blocked, &open);

    std::cout << device << std::endl;
    logLine((options.any ? std::string("any-variant") : std::string(options.variant->name)) +
            " unit ready on " + device + (options.link.empty() ? "" : " (" + options.link + ")"));

    std::string outgoing;
    Clock::time_point nextByteAt{};
    PacedLine line;
    ExchangeMeter exchange;
    // The speed the line carries bytes at: a fixed wire's, the program's
    // setting, or the unit's own.
    const auto lineSpeed = [&] {
        if (options.wireBaud) {
            return options.wireBaud;
        }
        const int set = lineBaud(slave);
        return set ? set : std::max(options.baud, 1);
    };
    while (!g_stop) {
        const auto now = Clock::now();
        const auto waitStep = byteTime(lineSpeed());
        // To the nanosecond: at 19200 baud a byte takes about half a
        // millisecond, and a wait rounded to milliseconds would send two at
        // once.
        std::optional<std::chrono::nanoseconds> timeout;
        auto until = [&](Clock::time_point when) {
            const auto wait = std::max<std::chrono::nanoseconds>(
                std::chrono::nanoseconds(0),
                std::chrono::duration_cast<std::chrono::nanoseconds>(when - now));
            timeout = timeout ? std::min(*timeout, wait) : wait;
        };
        if (const auto deadline = unit.nextDeadline()) {
            until(*deadline);
        }
        if (!outgoing.empty()) {
            until(nextByteAt);
        }
        // Bytes already written but still on the wire wake the unit when
        // they arrive, at most every millisecond, not when they are written.
        const std::optional<Clock::time_point> arrival =
            options.baudTiming ? line.nextArrival(waitStep) : std::nullopt;
        if (arrival) {
            until(std::max(*arrival, now + std::chrono::milliseconds(1)));
        }
        if (const auto quiet = exchange.quietFrom(); quiet && options.baudTiming) {
            until(*quiet);
        }
        pollfd ready{master, static_cast<short>(arrival ? 0 : POLLIN), 0};
        timespec wait{};
        if (timeout) {
            wait.tv_sec = static_cast<time_t>(timeout->count() / 1'000'000'000);
            wait.tv_nsec = static_cast<long>(timeout->count() % 1'000'000'000);
        }
        ppoll(&ready, 1, timeout ? &wait : nullptr, &open);
        const auto at = Clock::now();
        // The speed the program has set by now, for what the line carries.
        const int baud = lineSpeed();
        const auto step = byteTime(baud);
        int waiting = 0;
        if (ioctl(master, FIONREAD, &waiting) == 0 && waiting > 0) {
            char buffer[4096];
            std::size_t take = std::min(sizeof buffer, static_cast<std::size_t>(waiting));
            if (options.baudTiming) {
                take = line.arrived(take, at, step);
            }
            const ssize_t n = take ? ::read(master, buffer, take) : 0;
            if (n > 0) {
                const auto count = static_cast<std::size_t>(n);
                if (options.baudTiming) {
                    line.read(count, static_cast<std::size_t>(waiting) - count, step);
                    exchange.received(count, at, baud);
                }
                const int set = lineBaud(slave);
                if (set != 0 && options.baud != 0 && set != options.baud) {
                    logLine("line rx " + std::to_string(n) + " bytes at " + std::to_string(set) +
                            " baud; this unit runs at " + std::to_string(options.baud) +
                            " -> unreadable");
                } else {
                    unit.receive(std::string_view(buffer, count), at);
                }
            }
        }
        if (const auto report = exchange.report(at); report && options.baudTiming) {
            logLine(*report);
        }
        unit.advance(at);
        outgoing += unit.takeOutput(at);
        for (const std::string& text : unit.takeLog()) {
            logLine(text);
        }
        if (unit.takeChanged() && !options.store.empty()) {
            saveStore(options.store, unit.configuration());
        }
        if (outgoing.empty()) {
            continue;
        }
        if (!options.baudTiming) {
            writeAll(master, outgoing);
            outgoing.clear();
            continue;
        }
        // One byte every ten bit times of the line's speed.
        if (nextByteAt < at) {
            nextByteAt = at;
        }
        while (!outgoing.empty() && nextByteAt <= Clock::now()) {
            writeAll(master, outgoing.substr(0, 1));
            outgoing.erase(0, 1);
            exchange.sent(1, nextByteAt, baud);
            nextByteAt += step;
        }
    }

    if (!options.link.empty()) {
        std::error_code error;
        if (std::filesystem::is_symlink(options.link, error) &&
            std::filesystem::read_symlink(options.link, error) == device) {
            std::filesystem::remove(options.link, error);
        }
    }
    logLine("stopped");
    close(slave);
    close(master);
    return 0;
}
