#include "link/posixbackend.h"

#include "link/modestring.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace cvcfg {

namespace {

constexpr std::array<std::pair<int32_t, speed_t>, 24> kSpeeds = {{
    {50, B50},         {75, B75},         {110, B110},         {134, B134},
    {150, B150},       {200, B200},       {300, B300},         {600, B600},
    {1200, B1200},     {1800, B1800},     {2400, B2400},       {4800, B4800},
    {9600, B9600},     {19200, B19200},   {38400, B38400},     {57600, B57600},
    {115200, B115200}, {230400, B230400}, {460800, B460800},   {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {2000000, B2000000},
}};

std::optional<speed_t> speedConstant(int32_t baud) {
    for (const auto& [rate, constant] : kSpeeds) {
        if (rate == baud) {
            return constant;
        }
    }
    return std::nullopt;
}

int32_t baudOf(speed_t constant) {
    for (const auto& [rate, value] : kSpeeds) {
        if (value == constant) {
            return rate;
        }
    }
    return 0;
}

int fd(PortHandle handle) {
    return static_cast<int>(handle);
}

int ioctlError(int result) {
    return result == 0 ? 0 : errno;
}

// What poll's failure bits say about the line: closed descriptor, or a
// device that has gone.
int pollFailure(short revents) {
    if (revents & POLLNVAL) {
        return EBADF;
    }
    return revents & (POLLHUP | POLLERR) ? EIO : 0;
}

} // namespace

std::optional<termios> termiosFor(const termios& base, const LineSettings& state) {
    const std::optional<speed_t> speed = speedConstant(state.baud);
    if (!speed) {
        return std::nullopt;
    }
    termios settings = base;
    // Raw bytes both ways: no line editing, echo, signals or translation.
    settings.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                               ICRNL | IXON | IXOFF | IXANY | INPCK);
    settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    settings.c_cflag |= CLOCAL | CREAD;
    switch (state.dataBits) {
    case 5:
        settings.c_cflag |= CS5;
        break;
    case 6:
        settings.c_cflag |= CS6;
        break;
    case 7:
        settings.c_cflag |= CS7;
        break;
    default:
        settings.c_cflag |= CS8;
        break;
    }
    switch (state.parity) {
    case 'E':
        settings.c_cflag |= PARENB;
        break;
    case 'O':
        settings.c_cflag |= PARENB | PARODD;
        break;
    case 'M':
        settings.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case 'S':
        settings.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        break;
    }
    if (state.stopBits == 2) {
        settings.c_cflag |= CSTOPB;
    }
    // XON/XOFF holds our output when the unit asks; its input is never held.
    if (state.xonXoffOutput) {
        settings.c_iflag |= IXON;
    }
    settings.c_cc[VSTART] = static_cast<cc_t>(state.xonChar);
    settings.c_cc[VSTOP] = static_cast<cc_t>(state.xoffChar);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    cfsetispeed(&settings, *speed);
    cfsetospeed(&settings, *speed);
    return settings;
}

LineSettings lineStateFrom(const termios& settings) {
    LineSettings state;
    state.baud = baudOf(cfgetospeed(&settings));
    switch (settings.c_cflag & CSIZE) {
    case CS5:
        state.dataBits = 5;
        break;
    case CS6:
        state.dataBits = 6;
        break;
    case CS7:
        state.dataBits = 7;
        break;
    default:
        state.dataBits = 8;
        break;
    }
    if (!(settings.c_cflag & PARENB)) {
        state.parity = 'N';
    } else if (settings.c_cflag & CMSPAR) {
        state.parity = settings.c_cflag & PARODD ? 'M' : 'S';
    } else {
        state.parity = settings.c_cflag & PARODD ? 'O' : 'E';
    }
    state.stopBits = settings.c_cflag & CSTOPB ? 2 : 1;
    state.xonXoffOutput = (settings.c_iflag & IXON) != 0;
    state.xonChar = settings.c_cc[VSTART];
    state.xoffChar = settings.c_cc[VSTOP];
    return state;
}

int PosixSerialBackend::open(const std::string& name, PortHandle& handle) {
    const std::string path = m_map.resolve(name);
    m_busyHolder.clear();
    m_deniedPath.clear();
    // A program of the older kind takes a port by a lock file alone.
    std::error_code ignored;
    const std::filesystem::path real = std::filesystem::canonical(path, ignored);
    if (const auto holder = uucpLockHolder(real.empty() ? path : real.string(), m_lockFolder)) {
        m_busyHolder = *holder;
        return EBUSY;
    }
    const int device = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (device < 0) {
        const int code = errno;
        if (code == EACCES) {
            m_deniedPath = path;
        }
        return code;
    }
    auto fail = [device](int code) {
        ::close(device);
        return code;
    };
    if (!::isatty(device)) {
        return fail(ENOTTY);
    }
    // TIOCEXCL keeps other openers out but not one running as root; an
    // advisory lock, as other serial programs take, stops that one too. The
    // lock sits on the device itself, so every name of the device (a link
    // included) shares it.
    if (::flock(device, LOCK_EX | LOCK_NB) != 0) {
        return fail(errno == EWOULDBLOCK ? EBUSY : errno);
    }
    if (::ioctl(device, TIOCEXCL) != 0) {
        return fail(errno);
    }
    termios found{};
    if (::tcgetattr(device, &found) != 0) {
        return fail(errno);
    }
    m_found[device] = found;
    handle = device;
    return 0;
}

int PosixSerialBackend::setQueueSizes(PortHandle handle, int, int) {
    // The driver's queues are fixed here; the call only checks the port.
    return ::fcntl(fd(handle), F_GETFD) < 0 ? errno : 0;
}

int PosixSerialBackend::purge(PortHandle handle) {
    // Discard what waits in both directions. Writes only return once their
    // bytes have left, so output still queued is what a time-out left behind;
    // flushing output otherwise would, on a pseudo-terminal, throw away bytes
    // the other side has not read yet.
    int queued = 0;
    if (::ioctl(fd(handle), TIOCOUTQ, &queued) != 0) {
        return errno;
    }
    return ::tcflush(fd(handle), queued > 0 ? TCIOFLUSH : TCIFLUSH) == 0 ? 0 : errno;
}

int PosixSerialBackend::setTimeouts(PortHandle handle, const Timeouts& timeouts) {
    if (::fcntl(fd(handle), F_GETFD) < 0) {
        return errno;
    }
    // The serial layer keeps the time-outs itself; the terminal has none.
    (void)timeouts;
    return 0;
}

int PosixSerialBackend::getLineState(PortHandle handle, LineSettings& state) {
    termios settings{};
    if (::tcgetattr(fd(handle), &settings) != 0) {
        return errno;
    }
    state = lineStateFrom(settings);
    return 0;
}

int PosixSerialBackend::buildLineState(const std::string& settings, LineSettings& state) {
    const std::optional<LineSettings> built = applyModeString(settings, state);
    if (!built) {
        return EINVAL;
    }
    state = *built;
    return 0;
}

int PosixSerialBackend::setLineState(PortHandle handle, const LineSettings& state) {
    termios current{};
    if (::tcgetattr(fd(handle), &current) != 0) {
        return errno;
    }
    const std::optional<termios> wanted = termiosFor(current, state);
    if (!wanted) {
        return EINVAL;
    }
    return ::tcsetattr(fd(handle), TCSANOW, &*wanted) == 0 ? 0 : errno;
}

int PosixSerialBackend::queuedInput(PortHandle handle, int& count, uint32_t& errorFlags) {
    errorFlags = 0; // the terminal interface keeps no line-error flags to report
    count = 0;
    if (::ioctl(fd(handle), FIONREAD, &count) != 0) {
        return errno;
    }
    if (count > 0) {
        return 0;
    }
    // Nothing waits: tell an idle line from a device that has gone (an
    // adapter pulled out hangs up, and would otherwise read as silence).
    pollfd probe{fd(handle), POLLIN, 0};
    if (::poll(&probe, 1, 0) < 0) {
        return errno;
    }
    if (const int code = pollFailure(probe.revents); code != 0) {
        return code;
    }
    if ((probe.revents & POLLIN) && ::ioctl(fd(handle), FIONREAD, &count) != 0) {
        return errno; // bytes arrived since the first look
    }
    return 0;
}

int PosixSerialBackend::read(PortHandle handle, uint8_t* buffer, int count, int& got) {
    got = 0;
    const ssize_t n = ::read(fd(handle), buffer, static_cast<std::size_t>(count));
    if (n > 0) {
        got = static_cast<int>(n);
        return 0;
    }
    if (n == 0) {
        return EIO; // end of file on a serial line: the device has gone
    }
    return errno == EAGAIN ? 0 : errno;
}

int PosixSerialBackend::writeSome(PortHandle handle, const uint8_t* data, int count, int& written) {
    written = 0;
    while (written < count) {
        const ssize_t n =
            ::write(fd(handle), data + written, static_cast<std::size_t>(count - written));
        if (n > 0) {
            written += static_cast<int>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            // EAGAIN: the driver holds what it can (XOFF, or a slow line).
            return n < 0 && errno != EAGAIN ? errno : 0;
        }
    }
    return 0;
}

int PosixSerialBackend::waitWritable(PortHandle handle, int timeoutMs) {
    pollfd ready{fd(handle), POLLOUT, 0};
    const int result = ::poll(&ready, 1, timeoutMs);
    if (result < 0) {
        return errno == EINTR ? 0 : errno;
    }
    return result > 0 ? pollFailure(ready.revents) : 0;
}

int PosixSerialBackend::waitDrained(PortHandle handle, int timeoutMs, int& queued) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    termios settings{};
    if (::tcgetattr(fd(handle), &settings) != 0) {
        return errno;
    }
    const int32_t baud = baudOf(cfgetospeed(&settings));
    // A byte is ten bit times on the line.
    const int64_t byteMicros = 10'000'000 / (baud > 0 ? baud : 9600);
    while (true) {
        if (::ioctl(fd(handle), TIOCOUTQ, &queued) != 0) {
            return errno;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (queued <= 0 || left.count() <= 0) {
            return 0;
        }
        // There is no event for "sent"; sleep about as long as the queued
        // bytes take on the line, and wake on a hang-up.
        const int64_t lineMs = (int64_t{queued} * byteMicros + 999) / 1000;
        pollfd line{fd(handle), 0, 0};
        const int result =
            ::poll(&line, 1, static_cast<int>(std::clamp<int64_t>(lineMs, 1, left.count())));
        if (result < 0 && errno != EINTR) {
            return errno;
        }
        if (result > 0) {
            return pollFailure(line.revents);
        }
    }
}

int PosixSerialBackend::discardOutput(PortHandle handle) {
    return ::tcflush(fd(handle), TCOFLUSH) == 0 ? 0 : errno;
}

int PosixSerialBackend::waitReadable(PortHandle handle, int timeoutMs) {
    pollfd ready{fd(handle), POLLIN, 0};
    const int result = ::poll(&ready, 1, timeoutMs);
    if (result < 0) {
        return errno == EINTR ? 0 : errno;
    }
    return result > 0 && (ready.revents & POLLNVAL) ? EBADF : 0;
}

int PosixSerialBackend::modemStatus(PortHandle handle, uint32_t& status) {
    int lines = 0;
    if (::ioctl(fd(handle), TIOCMGET, &lines) != 0) {
        return errno;
    }
    status = 0;
    status |= (lines & TIOCM_CTS) ? modem_status::kCts : 0;
    status |= (lines & TIOCM_DSR) ? modem_status::kDsr : 0;
    status |= (lines & TIOCM_RNG) ? modem_status::kRing : 0;
    status |= (lines & TIOCM_CAR) ? modem_status::kCarrier : 0;
    return 0;
}

int PosixSerialBackend::lineFunction(PortHandle handle, int function) {
    using namespace line_function;
    int line = 0;
    switch (function) {
    case kSetBreak:
        return ioctlError(::ioctl(fd(handle), TIOCSBRK));
    case kClearBreak:
        return ioctlError(::ioctl(fd(handle), TIOCCBRK));
    case kSetDtr:
    case kClearDtr:
        line = TIOCM_DTR;
        break;
    case kSetRts:
    case kClearRts:
        line = TIOCM_RTS;
        break;
    default:
        return EINVAL;
    }
    const bool raise = function == kSetDtr || function == kSetRts;
    return ioctlError(::ioctl(fd(handle), raise ? TIOCMBIS : TIOCMBIC, &line));
}

int PosixSerialBackend::close(PortHandle handle) {
    // Clear exclusive use first: a device that stays open elsewhere keeps
    // the flag, and would shut every later opener out. The settings go back
    // to what the port had before, as other serial programs leave it.
    ::ioctl(fd(handle), TIOCNXCL);
    if (const auto found = m_found.find(handle); found != m_found.end()) {
        ::tcsetattr(fd(handle), TCSANOW, &found->second);
    }
    if (::close(fd(handle)) != 0) {
        return errno;
    }
    m_found.erase(handle);
    return 0;
}

std::string permissionAdvice(const std::string& device, const std::string& owner,
                             const std::string& group, unsigned mode) {
    constexpr unsigned kGroupReadWrite = S_IRGRP | S_IWGRP;
    if ((mode & kGroupReadWrite) == kGroupReadWrite) {
        return device + " belongs to the group " + group + ": join it with \"sudo usermod -aG " +
               group + " $USER\" and log in again";
    }
    // Joining a group that may not read and write the device would not help.
    std::string permissions;
    constexpr std::array<unsigned, 9> kBits = {S_IRUSR, S_IWUSR, S_IXUSR, S_IRGRP, S_IWGRP,
                                               S_IXGRP, S_IROTH, S_IWOTH, S_IXOTH};
    for (std::size_t i = 0; i < kBits.size(); ++i) {
        permissions += (mode & kBits[i]) ? "rwx"[i % 3] : '-';
    }
    return device + " is owned by user " + owner + " and group " + group + ", permissions " +
           permissions;
}

std::string permissionAdvice(const std::string& device) {
    struct stat status {};
    if (::stat(device.c_str(), &status) != 0) {
        return "you may not open " + device;
    }
    const ::passwd* user = ::getpwuid(status.st_uid);
    const ::group* owner = ::getgrgid(status.st_gid);
    return permissionAdvice(device, user ? user->pw_name : std::to_string(status.st_uid),
                            owner ? owner->gr_name : std::to_string(status.st_gid),
                            status.st_mode & 0777u);
}

std::string PosixSerialBackend::errorText(int code) const {
    if (code == EBUSY && !m_busyHolder.empty()) {
        return std::string(std::strerror(code)) + " (held by " + m_busyHolder + ")";
    }
    if (code == EACCES && !m_deniedPath.empty()) {
        return std::string(std::strerror(code)) + " (" + permissionAdvice(m_deniedPath) + ")";
    }
    return std::strerror(code);
}

std::optional<std::string> uucpLockHolder(const std::string& device,
                                          const std::string& lockFolder) {
    // The name under /dev with its slashes as underscores: LCK..ttyUSB0,
    // LCK..pts_3.
    std::string name = device.starts_with("/dev/")
                           ? device.substr(5)
                           : std::filesystem::path(device).filename().string();
    std::replace(name.begin(), name.end(), '/', '_');
    const std::string lockFile = lockFolder + "/LCK.." + name;
    std::ifstream in(lockFile, std::ios::binary);
    char text[64] = {};
    if (!in.read(text, sizeof text - 1) && in.gcount() == 0) {
        return std::nullopt;
    }
    // Most programs write the id as text; some old ones as a 4-byte integer.
    long pid = 0;
    if (in.gcount() == 4 && !std::isdigit(static_cast<unsigned char>(text[0])) && text[0] != ' ') {
        int32_t binary = 0;
        std::memcpy(&binary, text, sizeof binary);
        pid = binary;
    } else {
        pid = std::strtol(text, nullptr, 10);
    }
    if (pid <= 0 || (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM)) {
        return std::nullopt; // a stale lock of a process that has ended
    }
    std::string program;
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::getline(comm, program);
    return (program.empty() ? std::string() : program + ", ") + "process " + std::to_string(pid) +
           ", through " + lockFile;
}

} // namespace cvcfg
