#pragma once

#include <string>

namespace cvcfg {

// Tells when serial devices come or go, without polling: the kernel reports
// entries made or removed in dev/, dev/serial and dev/serial/by-id under
// `root` (folders that appear later are watched from then on). The caller
// waits on `descriptor()` (a QSocketNotifier, poll) and then calls
// `takeChanges()`. On Windows the registry's device map reports each change
// of its ports through an event (a QWinEventNotifier, WaitForSingleObject);
// `root` is not used there.
class PortWatch {
public:
    explicit PortWatch(std::string root = "/");
    ~PortWatch();
    PortWatch(const PortWatch&) = delete;
    PortWatch& operator=(const PortWatch&) = delete;

#ifdef _WIN32
    // Signalled when something changed; null when the watch could not be
    // set up.
    [[nodiscard]] void* event() const {
        return m_event;
    }
#else
    // Readable when something changed; -1 when the watch could not be set up.
    [[nodiscard]] int descriptor() const {
        return m_fd;
    }
#endif

    // Reads what the kernel reported, without waiting; true when an entry
    // that may be a serial device was made or removed.
    bool takeChanges();

private:
#ifdef _WIN32
    bool arm();

    void* m_key = nullptr; // HKEY of the device map
    void* m_event = nullptr;
#else
    void watchFolders();

    std::string m_root;
    int m_fd = -1;
    int m_devWatch = -1;
    int m_serialWatch = -1;
    int m_byIdWatch = -1;
#endif
};

} // namespace cvcfg
