#pragma once

#include "link/netbackend.h"
#include "link/portmap.h"
#ifdef _WIN32
#include "link/win32backend.h"
#else
#include "link/posixbackend.h"
#endif

#include <map>

namespace cvcfg {

// The program's serial backend: a port name goes through the COM port map
// (read at each open, as the desktop program changes it while it runs), and
// opens a serial device, or a device server when the map or the name gives
// an rfc2217:// or socket:// address.
class PortBackend : public SerialBackend {
public:
    explicit PortBackend(const PortMap& map) : m_map(map) {}

    int open(const std::string& name, PortHandle& handle) override;
    int setQueueSizes(PortHandle handle, int input, int output) override;
    int purge(PortHandle handle) override;
    int setTimeouts(PortHandle handle, const Timeouts& timeouts) override;
    int getLineState(PortHandle handle, LineSettings& state) override;
    int buildLineState(const std::string& settings, LineSettings& state) override;
    int setLineState(PortHandle handle, const LineSettings& state) override;
    int queuedInput(PortHandle handle, int& count, uint32_t& errorFlags) override;
    int read(PortHandle handle, uint8_t* buffer, int count, int& got) override;
    int writeSome(PortHandle handle, const uint8_t* data, int count, int& written) override;
    int waitWritable(PortHandle handle, int timeoutMs) override;
    int waitDrained(PortHandle handle, int timeoutMs, int& queued) override;
    int discardOutput(PortHandle handle) override;
    int waitReadable(PortHandle handle, int timeoutMs) override;
    int modemStatus(PortHandle handle, uint32_t& status) override;
    int lineFunction(PortHandle handle, int function) override;
    int close(PortHandle handle) override;
    [[nodiscard]] std::string errorText(int code) const override;

private:
    SerialBackend& owner(PortHandle handle);
    int noted(SerialBackend& backend, int code);

    const PortMap& m_map;
#ifdef _WIN32
    Win32SerialBackend m_devices;
#else
    PosixSerialBackend m_devices{PortMap{}};
#endif
    NetworkSerialBackend m_servers;
    std::map<PortHandle, SerialBackend*> m_owners;
    const SerialBackend* m_lastFailed = &m_devices;
};

} // namespace cvcfg
