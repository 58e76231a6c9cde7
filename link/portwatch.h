#pragma once

#include <string>

namespace cvcfg {

// Tells when serial devices come or go, without polling: the kernel reports
// entries made or removed in dev/, dev/serial and dev/serial/by-id under
// `root` (folders that appear later are watched from then on). The caller
// waits on `descriptor()` (a QSocketNotifier, poll) and then calls
// `takeChanges()`.
class PortWatch {
public:
    explicit PortWatch(std::string root = "/");
    ~PortWatch();
    PortWatch(const PortWatch&) = delete;
    PortWatch& operator=(const PortWatch&) = delete;

    // Readable when something changed; -1 when the watch could not be set up.
    [[nodiscard]] int descriptor() const { return m_fd; }

    // Reads what the kernel reported, without waiting; true when an entry
    // that may be a serial device was made or removed.
    bool takeChanges();

private:
    void watchFolders();

    std::string m_root;
    int m_fd = -1;
    int m_devWatch = -1;
    int m_serialWatch = -1;
    int m_byIdWatch = -1;
};

} // namespace cvcfg
