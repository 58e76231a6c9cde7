#include "link/sockets.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <linux/sockios.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace cvcfg::sockets {

namespace {

using Clock = std::chrono::steady_clock;

int millisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<int64_t>(left, 0, 60'000));
}

} // namespace

#ifdef _WIN32

namespace {

SOCKET native(Socket socket) {
    return static_cast<SOCKET>(socket);
}

// Winsock is started once, before the first socket or lookup, and left
// running until the program ends.
int startUp() {
    static const int status = [] {
        WSADATA data{};
        return ::WSAStartup(MAKEWORD(2, 2), &data);
    }();
    return status;
}

struct Equivalent {
    int winsock;
    int code;
    const char* text; // as a POSIX system words it, so both read alike
};

constexpr Equivalent kEquivalents[] = {
    {WSAEWOULDBLOCK, EAGAIN, "Resource temporarily unavailable"},
    {WSAEINPROGRESS, EINPROGRESS, "Operation now in progress"},
    {WSAEINTR, EINTR, "Interrupted system call"},
    {WSAESHUTDOWN, EPIPE, "Broken pipe"},
    {WSAECONNREFUSED, ECONNREFUSED, "Connection refused"},
    {WSAECONNRESET, ECONNRESET, "Connection reset by peer"},
    {WSAECONNABORTED, ECONNABORTED, "Software caused connection abort"},
    {WSAETIMEDOUT, ETIMEDOUT, "Connection timed out"},
    {WSAEHOSTUNREACH, EHOSTUNREACH, "No route to host"},
    {WSAENETUNREACH, ENETUNREACH, "Network is unreachable"},
    {WSAENETDOWN, ENETDOWN, "Network is down"},
    {WSAEADDRNOTAVAIL, EADDRNOTAVAIL, "Cannot assign requested address"},
    {WSAEAFNOSUPPORT, EAFNOSUPPORT, "Address family not supported by protocol"},
    {WSAENOTCONN, ENOTCONN, "Transport endpoint is not connected"},
    {WSAENOBUFS, ENOBUFS, "No buffer space available"},
    // The backend's own codes. Other small numbers are Windows' (the serial
    // layer's time-out is ERROR_TIMEOUT), which FormatMessage reads.
    {0, EBADF, "Bad file descriptor"},
    {0, EINVAL, "Invalid argument"},
    {0, EPROTO, "Protocol error"},
    {0, EPROTONOSUPPORT, "Protocol not supported"},
    {0, EOPNOTSUPP, "Operation not supported"},
};

int fromSystem(int winsock) {
    for (const Equivalent& e : kEquivalents) {
        if (e.winsock == winsock && winsock != 0) {
            return e.code;
        }
    }
    return winsock;
}

Socket openStream(int family) {
    if (const int status = startUp(); status != 0) {
        ::WSASetLastError(status);
        return kNoSocket;
    }
    const SOCKET s = ::WSASocketW(family, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                                  WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET) {
        return kNoSocket;
    }
    u_long on = 1;
    if (::ioctlsocket(s, FIONBIO, &on) != 0) {
        const int error = ::WSAGetLastError();
        ::closesocket(s);
        ::WSASetLastError(error);
        return kNoSocket;
    }
    return static_cast<Socket>(s);
}

int startConnect(Socket socket, const addrinfo& to) {
    if (::connect(native(socket), to.ai_addr, static_cast<int>(to.ai_addrlen)) == 0) {
        return 0;
    }
    // A non-blocking connect under way is "would block" here.
    const int error = ::WSAGetLastError();
    return error == WSAEWOULDBLOCK ? EINPROGRESS : fromSystem(error);
}

// WSAPoll does not report a connection refused on every Windows version;
// select does, through its exception set.
int awaitConnect(Socket socket, Clock::time_point deadline) {
    fd_set writable;
    fd_set failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(native(socket), &writable);
    FD_SET(native(socket), &failed);
    const int left = millisecondsLeft(deadline);
    timeval time{left / 1000, left % 1000 * 1000};
    const int result = ::select(0, nullptr, &writable, &failed, &time);
    return result > 0 ? 0 : result == 0 ? ETIMEDOUT : lastError();
}

// The system's words for a Winsock or Windows code, without the full stop
// and line end, so that a message can go on after them.
std::string systemText(int code) {
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string words = length > 0 ? std::string(text, length) : "";
    ::LocalFree(text);
    while (!words.empty() &&
           (std::isspace(static_cast<unsigned char>(words.back())) != 0 || words.back() == '.')) {
        words.pop_back();
    }
    return words.empty() ? "error " + std::to_string(code) : words;
}

} // namespace

int lastError() {
    return fromSystem(::WSAGetLastError());
}

std::string errorText(int code) {
    for (const Equivalent& e : kEquivalents) {
        if (e.code == code) {
            return e.text;
        }
    }
    return systemText(code);
}

std::string lookupText(int lookupStatus) {
    // Lookups fail with Winsock's codes here (EAI_NONAME is WSAHOST_NOT_FOUND).
    return systemText(lookupStatus);
}

std::ptrdiff_t send(Socket socket, const char* data, std::size_t size) {
    const int n =
        ::send(native(socket), data, static_cast<int>(std::min<std::size_t>(size, INT_MAX)), 0);
    return n == SOCKET_ERROR ? -1 : n;
}

std::ptrdiff_t receive(Socket socket, char* buffer, std::size_t size) {
    const int n =
        ::recv(native(socket), buffer, static_cast<int>(std::min<std::size_t>(size, INT_MAX)), 0);
    return n == SOCKET_ERROR ? -1 : n;
}

int wait(Socket socket, bool output, int timeoutMs) {
    WSAPOLLFD ready{native(socket), static_cast<SHORT>(POLLIN | (output ? POLLOUT : 0)), 0};
    if (::WSAPoll(&ready, 1, timeoutMs) != SOCKET_ERROR) {
        return 0;
    }
    const int error = lastError();
    return error == EINTR ? 0 : error;
}

int unsent(Socket) {
    // Winsock tells nothing of its send queue; the server's line time
    // stands for it.
    return 0;
}

int close(Socket socket) {
    return ::closesocket(native(socket)) == 0 ? 0 : lastError();
}

#else

namespace {

int native(Socket socket) {
    return static_cast<int>(socket);
}

int startUp() {
    return 0;
}

int fromSystem(int code) {
    return code;
}

Socket openStream(int family) {
    const int fd = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    return fd < 0 ? kNoSocket : fd;
}

int startConnect(Socket socket, const addrinfo& to) {
    return ::connect(native(socket), to.ai_addr, to.ai_addrlen) == 0 ? 0 : errno;
}

int awaitConnect(Socket socket, Clock::time_point deadline) {
    while (true) {
        pollfd ready{native(socket), POLLOUT, 0};
        const int result = ::poll(&ready, 1, millisecondsLeft(deadline));
        if (result < 0 && errno == EINTR) {
            continue;
        }
        return result > 0 ? 0 : result == 0 ? ETIMEDOUT : errno;
    }
}

} // namespace

int lastError() {
    return errno;
}

std::string errorText(int code) {
    return std::strerror(code);
}

std::string lookupText(int lookupStatus) {
    return ::gai_strerror(lookupStatus);
}

std::ptrdiff_t send(Socket socket, const char* data, std::size_t size) {
    return ::send(native(socket), data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
}

std::ptrdiff_t receive(Socket socket, char* buffer, std::size_t size) {
    return ::recv(native(socket), buffer, size, MSG_DONTWAIT);
}

int wait(Socket socket, bool output, int timeoutMs) {
    pollfd ready{native(socket), static_cast<short>(POLLIN | (output ? POLLOUT : 0)), 0};
    return ::poll(&ready, 1, timeoutMs) < 0 && errno != EINTR ? errno : 0;
}

int unsent(Socket socket) {
    int count = 0;
    return ::ioctl(native(socket), SIOCOUTQNSD, &count) == 0 ? std::max(count, 0) : 0;
}

int close(Socket socket) {
    return ::close(native(socket)) == 0 ? 0 : errno;
}

#endif

Addresses::~Addresses() {
    if (m_list) {
        ::freeaddrinfo(m_list);
    }
}

Addresses::Addresses(Addresses&& other) noexcept : m_list(std::exchange(other.m_list, nullptr)) {}

Addresses& Addresses::operator=(Addresses&& other) noexcept {
    if (this != &other) {
        if (m_list) {
            ::freeaddrinfo(m_list);
        }
        m_list = std::exchange(other.m_list, nullptr);
    }
    return *this;
}

int Addresses::lookUp(const std::string& host, uint16_t port, Names names) {
    if (const int status = startUp(); status != 0) {
        return status;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = names == Names::AddressesOnly ? AI_NUMERICHOST | AI_NUMERICSERV
                                                   : AI_NUMERICSERV | AI_ADDRCONFIG;
    addrinfo* found = nullptr;
    const int status = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    *this = Addresses();
    m_list = found;
    return status;
}

Socket Addresses::connect(Clock::time_point deadline, int& error) const {
    error = ECONNREFUSED;
    for (const addrinfo* at = m_list; at; at = at->ai_next) {
        const Socket socket = openStream(at->ai_family);
        if (socket == kNoSocket) {
            error = lastError();
            continue;
        }
        int code = startConnect(socket, *at);
        if (code == EINPROGRESS) {
            code = awaitConnect(socket, deadline);
            if (code != 0) {
                error = code;
                sockets::close(socket);
                return kNoSocket; // no time is left for another address
            }
            int status = 0;
            socklen_t length = sizeof status;
            code = ::getsockopt(native(socket), SOL_SOCKET, SO_ERROR,
                                reinterpret_cast<char*>(&status), &length) != 0
                       ? lastError()
                       : fromSystem(status);
        }
        if (code == 0) {
            // A one-byte ACK must not wait for more bytes to fill a packet.
            const int on = 1;
            ::setsockopt(native(socket), IPPROTO_TCP, TCP_NODELAY,
                         reinterpret_cast<const char*>(&on), sizeof on);
            return socket;
        }
        error = code;
        sockets::close(socket);
    }
    return kNoSocket;
}

bool isName(int lookupStatus) {
    return lookupStatus == EAI_NONAME;
}

} // namespace cvcfg::sockets
