#pragma once

#include "link/portmap.h"
#include "link/serialbackend.h"

#include <map>
#include <optional>
#include <termios.h>

namespace cvcfg {

// The terminal settings that give `state` on top of `base`: a raw 8-bit
// line that returns at once with what waits, XON/XOFF on output only when
// asked. Nothing when the speed is not one the terminal interface offers.
[[nodiscard]] std::optional<termios> termiosFor(const termios& base, const LineSettings& state);

// The line state that terminal settings stand for.
[[nodiscard]] LineSettings lineStateFrom(const termios& settings);

// The serial backend on the POSIX terminal interface. Port names go through
// the COM port map; the error codes are errno values.
class PosixSerialBackend : public SerialBackend {
public:
    explicit PosixSerialBackend(PortMap map) : m_map(std::move(map)) {}

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

    [[nodiscard]] const PortMap& portMap() const { return m_map; }

private:
    PortMap m_map;
    std::map<PortHandle, Timeouts> m_timeouts;
};

} // namespace cvcfg
