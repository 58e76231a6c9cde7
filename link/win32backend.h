#pragma once

#include "link/serialbackend.h"

#include <map>
#include <memory>
#include <string>

namespace cvcfg {

// The serial backend on the Win32 communications API. A port is a device
// handle opened for overlapped I/O, so that a write can be waited for with a
// time-out, drained and cancelled; the error codes are the system's own
// (GetLastError), their texts the system's messages.
class Win32SerialBackend : public SerialBackend {
public:
    Win32SerialBackend();
    ~Win32SerialBackend() override;
    Win32SerialBackend(const Win32SerialBackend&) = delete;
    Win32SerialBackend& operator=(const Win32SerialBackend&) = delete;

    // `name` is a COM port ("COM3", "COM13") or a device path beginning
    // with two backslashes, taken as it stands.
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

    struct Port; // the handle's overlapped blocks, events and write buffer

private:
    Port* find(PortHandle handle);

    std::map<PortHandle, std::unique_ptr<Port>> m_ports;
};

} // namespace cvcfg
