#pragma once

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <termios.h>
#include <unistd.h>

namespace cvcfg::test {

// A pseudo-terminal pair: the program under test opens slavePath() as its
// serial port; the test plays the unit on the master side. The pair keeps a
// slave descriptor of its own open, so that the master does not read "device
// gone" while the port is closed, and so that tests can see the line settings.
class PtyPair {
public:
    PtyPair() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
            throw std::runtime_error("cannot open a pseudo-terminal");
        }
        m_slavePath = ::ptsname(m_master);
        m_slave = ::open(m_slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_slave < 0) {
            throw std::runtime_error("cannot open " + m_slavePath);
        }
        termios raw{};
        ::tcgetattr(m_slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(m_slave, TCSANOW, &raw);
    }
    ~PtyPair() {
        closeSlave();
        closeMaster();
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    [[nodiscard]] const std::string& slavePath() const { return m_slavePath; }
    [[nodiscard]] int slave() const { return m_slave; }

    // Bytes from the unit's side to the program.
    void send(std::string_view bytes) const {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
            if (n <= 0) {
                throw std::runtime_error("cannot write to the pseudo-terminal");
            }
            done += static_cast<std::size_t>(n);
        }
    }

    // What the program sent: reads until `count` bytes have come or `within`
    // has passed (with no time at all, what waits now).
    [[nodiscard]] std::string
    receive(std::size_t count,
            std::chrono::milliseconds within = std::chrono::milliseconds(1000)) const {
        std::string bytes;
        const auto deadline = std::chrono::steady_clock::now() + within;
        while (bytes.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd ready{m_master, POLLIN, 0};
            if (::poll(&ready, 1, static_cast<int>(std::max<long long>(left.count(), 0))) <= 0) {
                break;
            }
            char buffer[4096];
            const ssize_t n =
                ::read(m_master, buffer, std::min(sizeof buffer, count - bytes.size()));
            if (n <= 0) {
                break;
            }
            bytes.append(buffer, static_cast<std::size_t>(n));
        }
        return bytes;
    }

    // Waits until the program's side has taken everything the unit sent.
    void drain() const { ::tcdrain(m_master); }

    void closeSlave() {
        if (m_slave >= 0) {
            ::close(m_slave);
            m_slave = -1;
        }
    }
    // The unit goes away: the program's side hangs up.
    void closeMaster() {
        if (m_master >= 0) {
            ::close(m_master);
            m_master = -1;
        }
    }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
};

} // namespace cvcfg::test
