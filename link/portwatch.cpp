#include "link/portwatch.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <sys/inotify.h>
#include <unistd.h>

namespace cvcfg {

namespace {

constexpr std::uint32_t kEntryEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;

bool isSerialNode(std::string_view name) {
    return name.starts_with("ttyUSB") || name.starts_with("ttyACM") || name.starts_with("ttyS");
}

// Watches `folder` unless already watched; a folder that does not exist yet
// stays unwatched until the next try.
void watch(int fd, const std::string& folder, int& descriptor) {
    if (descriptor < 0) {
        descriptor = ::inotify_add_watch(fd, folder.c_str(), kEntryEvents | IN_ONLYDIR);
    }
}

} // namespace

PortWatch::PortWatch(std::string root) : m_root(std::move(root)) {
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd >= 0) {
        watchFolders();
    }
}

PortWatch::~PortWatch() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

void PortWatch::watchFolders() {
    const std::filesystem::path dev = std::filesystem::path(m_root) / "dev";
    watch(m_fd, dev.string(), m_devWatch);
    watch(m_fd, (dev / "serial").string(), m_serialWatch);
    watch(m_fd, (dev / "serial/by-id").string(), m_byIdWatch);
}

bool PortWatch::takeChanges() {
    if (m_fd < 0) {
        return false;
    }
    bool changed = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            const std::string_view name = event->len ? event->name : "";
            if (event->mask & IN_IGNORED) {
                // A watched folder went away; it is watched again when it
                // comes back.
                for (int* watched : {&m_devWatch, &m_serialWatch, &m_byIdWatch}) {
                    if (*watched == event->wd) {
                        *watched = -1;
                        changed = true;
                    }
                }
            } else if ((event->mask & IN_Q_OVERFLOW) || event->wd == m_serialWatch ||
                       event->wd == m_byIdWatch) {
                // Anything at all when events were lost, and anything in the
                // serial folders, may be a device come or gone.
                changed = true;
            } else if (event->wd == m_devWatch) {
                changed = changed || isSerialNode(name) || name == "serial";
            }
        }
    }
    // udev makes dev/serial and dev/serial/by-id with the first adapter; a
    // folder made between two reads is picked up here, and its entries made
    // before the watch are found by the rescan this change asks for.
    watchFolders();
    return changed;
}

} // namespace cvcfg
