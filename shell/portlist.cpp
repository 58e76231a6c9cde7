#include "shell/portlist.h"

#include "link/netbackend.h"
#include "link/portmemory.h"

#ifdef Q_OS_WIN
#include <QWinEventNotifier>
#else
#include <QSocketNotifier>
#endif
#include <algorithm>
#include <cstdio>

namespace cvcfg {

namespace {

// How long the list waits after a device comes or goes before it looks
// again; well within the second an operator waits for the list.
constexpr int kSettleMs = 300;

} // namespace

PortList::PortList(PortMap fixed, std::string memoryPath, std::string root)
    : m_fixed(std::move(fixed)), m_map(m_fixed), m_memoryPath(std::move(memoryPath)),
      m_root(std::move(root)) {
    m_memory = loadPortMemoryOrNone(m_memoryPath, m_warned);
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &PortList::refresh);
    // The numbers given at the start are kept at once: a device plugged in
    // before the next start must not take one of them.
    renumberAndKeep();
}

PortList::~PortList() = default;

int PortList::rememberedPort() const {
    if (m_memory.lastPort.empty()) {
        return 0;
    }
    for (int port = 1; port <= PortMap::kPortCount; ++port) {
        if (m_map.keyOf(port) == m_memory.lastPort) {
            return port;
        }
    }
    return 0;
}

void PortList::remember(int port) {
    const std::string key = m_map.keyOf(port);
    // A port the command line or the environment gave is theirs to give
    // again; only what the program found or was told to add is kept.
    if (key.empty() || key == m_memory.lastPort) {
        return;
    }
    m_memory.lastPort = key;
    save();
}

Expected<int> PortList::addServer(const std::string& address) {
    const auto parsed = parseServerAddress(address);
    if (!parsed) {
        return Expected<int>::failure(parsed.error());
    }
    if (std::find(m_memory.servers.begin(), m_memory.servers.end(), address) ==
        m_memory.servers.end()) {
        m_memory.servers.push_back(address);
    }
    renumber();
    for (int port = 1; port <= PortMap::kPortCount; ++port) {
        if (m_map.keyOf(port) == address) {
            save();
            emit changed();
            return port;
        }
    }
    // Every number is taken by something present: the server stays unadded.
    std::erase(m_memory.servers, address);
    m_memory.numbers.erase(address);
    renumber();
    return Expected<int>::failure("all of COM1 to COM" + std::to_string(PortMap::kPortCount) +
                                  " are in use; " + address + " was not added");
}

void PortList::forgetServer(int port) {
    if (port < 1 || port > PortMap::kPortCount || m_map.sourceOf(port) != PortMap::Source::Server) {
        return;
    }
    const std::string address = m_map.keyOf(port);
    std::erase(m_memory.servers, address);
    m_memory.numbers.erase(address);
    if (m_memory.lastPort == address) {
        m_memory.lastPort.clear();
    }
    renumber();
    save();
    emit changed();
}

void PortList::refresh() {
    renumberAndKeep();
    emit changed();
}

void PortList::renumberAndKeep() {
    const PortMemory before = m_memory;
    renumber();
    if (m_memory != before) {
        save();
    }
}

void PortList::renumber() {
    // With no root nothing is found; the servers added still take their
    // numbers.
    m_map = m_fixed;
    refreshPortMap(m_map, m_memory, m_root);
}

void PortList::watch() {
    if (m_root.empty() || m_watch) {
        return;
    }
    m_watch = std::make_unique<PortWatch>(m_root);
    const auto changed = [this] {
        if (m_watch->takeChanges()) {
            m_settle.start();
        }
    };
#ifdef Q_OS_WIN
    if (!m_watch->event()) {
        return; // the list stays as it was found at the start
    }
    m_notifier = std::make_unique<QWinEventNotifier>(m_watch->event());
    connect(m_notifier.get(), &QWinEventNotifier::activated, this, changed);
#else
    if (m_watch->descriptor() < 0) {
        return; // the list stays as it was found at the start
    }
    m_notifier = std::make_unique<QSocketNotifier>(m_watch->descriptor(), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, changed);
#endif
}

void PortList::save() {
    if (m_memoryPath.empty()) {
        return;
    }
    // One line in all says what is wrong with the memory; the list goes on
    // working without it.
    if (const Status saved = savePortMemory(m_memoryPath, m_memory);
        !saved && !std::exchange(m_warned, true)) {
        std::fprintf(stderr, "cvcfg: %s; the ports are not remembered\n", saved.error.c_str());
    }
}

} // namespace cvcfg
