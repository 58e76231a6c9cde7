#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

struct addrinfo;

// The handful of TCP calls the device-server backend makes, for POSIX
// sockets and for Winsock. Error codes are errno values on both: Winsock's
// codes that the backend tells apart are given as their errno equivalents,
// any other stays Winsock's own (10000 and up). On Windows errorText reads
// the errno values the backend gives and, through the system, any other
// code, Windows' own included.
namespace cvcfg::sockets {

using Socket = std::intptr_t;
inline constexpr Socket kNoSocket = -1;

// The addresses a name lookup found, in the order to try them.
class Addresses {
public:
    enum class Names { AddressesOnly, Resolve };

    Addresses() = default;
    ~Addresses();
    Addresses(Addresses&& other) noexcept;
    Addresses& operator=(Addresses&& other) noexcept;
    Addresses(const Addresses&) = delete;
    Addresses& operator=(const Addresses&) = delete;

    // Looks `host` up for a TCP connection to `port`: as a numeric address
    // only, or also as a name the system resolves (which may take long).
    // 0, or a status that lookupText describes.
    [[nodiscard]] int lookUp(const std::string& host, uint16_t port, Names names);

    // Connects to the first address that accepts before `deadline`; the
    // socket, non-blocking and without Nagle's delay, or kNoSocket with
    // `error` set (ETIMEDOUT once the time is up).
    [[nodiscard]] Socket connect(std::chrono::steady_clock::time_point deadline, int& error) const;

private:
    ::addrinfo* m_list = nullptr;
};

// Whether a lookup of numeric addresses only failed because the host is a name.
[[nodiscard]] bool isName(int lookupStatus);
[[nodiscard]] std::string lookupText(int lookupStatus);

// The code of the last socket call that failed on this thread.
[[nodiscard]] int lastError();
[[nodiscard]] std::string errorText(int code);

// Both return what was moved, 0 at the end of the stream (receive), or -1
// with lastError() set; neither waits, nor raises a signal.
[[nodiscard]] std::ptrdiff_t send(Socket socket, const char* data, std::size_t size);
[[nodiscard]] std::ptrdiff_t receive(Socket socket, char* buffer, std::size_t size);

// Sleeps until the socket has input (or room for output, if asked), fails,
// or `timeoutMs` pass. 0, also when interrupted, or the error code.
[[nodiscard]] int wait(Socket socket, bool output, int timeoutMs);

// Bytes the system holds that TCP has not sent yet, where the system says.
[[nodiscard]] int unsent(Socket socket);

// 0, or the error code.
int close(Socket socket);

} // namespace cvcfg::sockets
