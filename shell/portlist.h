#pragma once

#include "core/expected.h"
#include "link/portmap.h"
#include "link/portwatch.h"

#include <QObject>
#include <QTimer>
#include <memory>
#include <string>

#ifdef Q_OS_WIN
class QWinEventNotifier;
#else
class QSocketNotifier;
#endif

namespace cvcfg {

// The ports of this machine as the desktop program offers them: what the
// command line and the environment fixed, and behind the other numbers the
// serial devices found and the device servers the operator added. The list
// follows adapters as they are plugged in and pulled out, and keeps the
// numbers it gave, the servers and the port used last between runs.
class PortList : public QObject {
    Q_OBJECT
public:
    // Nothing is kept between runs when `memoryPath` is empty, and nothing
    // is looked for when `root` (the folder that holds dev/ and sys/) is.
    PortList(PortMap fixed, std::string memoryPath, std::string root);
    // Only the fixed ports: no devices looked for, nothing kept.
    explicit PortList(PortMap fixed) : PortList(std::move(fixed), {}, {}) {}
    ~PortList() override;

    // The transfers resolve their port names through this map, which
    // changes as devices come and go.
    [[nodiscard]] const PortMap& map() const { return m_map; }

    // The number of the port used last, while it is present; else 0.
    [[nodiscard]] int rememberedPort() const;
    // Keeps `port` as the port to start on next time.
    void remember(int port);

    // Adds a device server by its address and gives it a number; the
    // failure names what is wrong with the address.
    Expected<int> addServer(const std::string& address);

    // Drops a server the operator added; its number is free again.
    void forgetServer(int port);

    // Finds the devices again and numbers what is new.
    void refresh();
    // From now on, notices adapters coming and going by itself.
    void watch();

signals:
    void changed();

private:
    void renumber();
    // Numbers what is present and keeps the numbers given.
    void renumberAndKeep();
    void save();

    PortMap m_fixed;
    PortMap m_map;
    PortMemory m_memory;
    std::string m_memoryPath;
    std::string m_root;
    std::unique_ptr<PortWatch> m_watch;
#ifdef Q_OS_WIN
    std::unique_ptr<QWinEventNotifier> m_notifier;
#else
    std::unique_ptr<QSocketNotifier> m_notifier;
#endif
    // Adapters make their node first and their stable link a little later;
    // one look after both have come numbers the adapter by its stable link.
    QTimer m_settle;
    bool m_warned = false;
};

} // namespace cvcfg
