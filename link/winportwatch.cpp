#include "link/portwatch.h"

#include <windows.h>

namespace cvcfg {

// A serial driver enters and removes its ports under DEVICEMAP\SERIALCOMM,
// which exists only once a port does: the watch covers the whole map.
PortWatch::PortWatch(std::string /*root*/) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP", 0, KEY_NOTIFY, &key) !=
        ERROR_SUCCESS) {
        return;
    }
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_key = key;
    m_event = event;
    if (!event || !arm()) {
        RegCloseKey(key);
        if (event) {
            CloseHandle(event);
        }
        m_key = nullptr;
        m_event = nullptr;
    }
}

PortWatch::~PortWatch() {
    if (m_key) {
        RegCloseKey(static_cast<HKEY>(m_key));
    }
    if (m_event) {
        CloseHandle(m_event);
    }
}

// A notice comes once; it is asked for again after each.
bool PortWatch::arm() {
    ResetEvent(m_event);
    return RegNotifyChangeKeyValue(static_cast<HKEY>(m_key), TRUE,
                                   REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET, m_event,
                                   TRUE) == ERROR_SUCCESS;
}

bool PortWatch::takeChanges() {
    if (!m_event || WaitForSingleObject(m_event, 0) != WAIT_OBJECT_0) {
        return false;
    }
    arm();
    return true;
}

} // namespace cvcfg
