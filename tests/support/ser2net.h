#pragma once

#include "tests/support/tempdir.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace cvcfg::test {

inline std::string ser2netBinary() {
    for (const char* path : {"/usr/sbin/ser2net", "/usr/bin/ser2net", "/usr/local/sbin/ser2net"}) {
        if (::access(path, X_OK) == 0) {
            return path;
        }
    }
    return {};
}

// A TCP port on 127.0.0.1 that nothing listens on just now.
inline uint16_t freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

inline bool accepting(uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    const bool connected =
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

// ser2net serving a device on 127.0.0.1, from a configuration the test
// writes: RFC 2217, or raw TCP on a line set up on the server.
class Ser2net {
public:
    enum class Serves { Rfc2217, RawTcp };

    Ser2net(const test::TempDir& dir, const std::string& device, Serves serves,
            const std::string& line = "9600n81")
        : m_port(freePort()), m_serves(serves) {
        const std::string config = dir.path("ser2net.yaml");
        std::ofstream(config) << "connection: &unit\n"
                              << "  accepter: "
                              << (serves == Serves::Rfc2217 ? "telnet(rfc2217),tcp" : "tcp")
                              << ",127.0.0.1," << m_port << "\n"
                              << "  connector: serialdev," << device << "," << line << ",local\n";
        const std::string log = dir.path("ser2net.log");
        const std::string binary = ser2netBinary();
        m_pid = ::fork();
        if (m_pid == 0) {
            const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(out, STDOUT_FILENO);
            ::dup2(out, STDERR_FILENO);
            ::execl(binary.c_str(), "ser2net", "-n", "-d", "-c", config.c_str(), nullptr);
            ::_exit(127);
        }
        // It says nothing when it is ready; it is when it takes connections.
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (!accepting(m_port) && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~Ser2net() {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
    Ser2net(const Ser2net&) = delete;
    Ser2net& operator=(const Ser2net&) = delete;

    [[nodiscard]] std::string url() const {
        return (m_serves == Serves::Rfc2217 ? "rfc2217://" : "socket://") +
               std::string("127.0.0.1:") + std::to_string(m_port);
    }

private:
    uint16_t m_port;
    Serves m_serves;
    pid_t m_pid = -1;
};

} // namespace cvcfg::test
