#pragma once

#include <cerrno>
#include <chrono>
#include <csignal>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace cvcfg::test {

// The simulated unit, run as its own process the way an operator runs it.
class UnitProcess {
public:
    explicit UnitProcess(const std::vector<std::string>& args) {
        int out[2];
        if (::pipe(out) != 0) {
            throw std::runtime_error("cannot make a pipe");
        }
        m_pid = ::fork();
        if (m_pid < 0) {
            throw std::runtime_error("cannot fork");
        }
        if (m_pid == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            std::vector<char*> argv;
            static std::string binary = CVCFG_UNIT_BINARY;
            argv.push_back(binary.data());
            std::vector<std::string> copies = args;
            for (std::string& arg : copies) {
                argv.push_back(arg.data());
            }
            argv.push_back(nullptr);
            ::execv(binary.c_str(), argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        m_out = out[0];
        m_device = readLine(std::chrono::seconds(10));
        if (m_device.empty()) {
            throw std::runtime_error("the simulated unit did not start");
        }
    }
    ~UnitProcess() {
        stop();
        ::close(m_out);
    }
    UnitProcess(const UnitProcess&) = delete;
    UnitProcess& operator=(const UnitProcess&) = delete;

    [[nodiscard]] const std::string& device() const { return m_device; }

    // The next line the unit logs, or "" when none comes within `within`
    // (with no time at all, a line only if one is there now).
    std::string readLine(std::chrono::milliseconds within) {
        const auto deadline = std::chrono::steady_clock::now() + within;
        while (true) {
            if (const std::size_t end = m_buffer.find('\n'); end != std::string::npos) {
                std::string line = m_buffer.substr(0, end);
                m_buffer.erase(0, end + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd ready{m_out, POLLIN, 0};
            if (::poll(&ready, 1, static_cast<int>(std::max<long long>(left.count(), 0))) <= 0) {
                return {};
            }
            char chunk[4096];
            const ssize_t n = ::read(m_out, chunk, sizeof chunk);
            if (n <= 0) {
                return {};
            }
            m_buffer.append(chunk, static_cast<std::size_t>(n));
        }
    }

    // The first logged line that holds `part`, within `within`.
    std::string awaitLine(const std::string& part, std::chrono::milliseconds within) {
        const auto deadline = std::chrono::steady_clock::now() + within;
        while (std::chrono::steady_clock::now() < deadline) {
            const std::string line = readLine(std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now()));
            if (line.find(part) != std::string::npos) {
                return line;
            }
        }
        return {};
    }

    // Stops the unit as an operator does (SIGTERM); its exit status.
    int stop() {
        if (m_pid <= 0) {
            return m_status;
        }
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return m_status;
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_status = -1;
    std::string m_device;
    std::string m_buffer;
};

} // namespace cvcfg::test
