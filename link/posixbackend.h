#pragma once

#include "link/portmap.h"
#include "link/serialbackend.h"

#include <map>
#include <optional>
#include <string>
#include <termios.h>

namespace cvcfg {

// The terminal settings that give `state` on top of `base`: a raw 8-bit
// line that returns at once with what waits, XON/XOFF on output only when
// asked. Nothing when the speed is not one the terminal interface offers.
[[nodiscard]] std::optional<termios> termiosFor(const termios& base, const LineSettings& state);

// The line state that terminal settings stand for.
[[nodiscard]] LineSettings lineStateFrom(const termios& settings);

// The program that holds a device through a UUCP lock file in `lockFolder`
// ("LCK.." and the device's name, the process id inside, as older serial
// programs leave it), as "minicom, process 1234, through FILE"; nothing when there is no
// such file or its process has ended.
[[nodiscard]] std::optional<std::string> uucpLockHolder(const std::string& device,
                                                        const std::string& lockFolder);

// What to do when a device refuses the user: serial ports belong to a group
// (dialout, as a rule), named here from the device itself.
[[nodiscard]] std::string permissionAdvice(const std::string& device);

// The same from the device's owner, group and permission bits (`mode`):
// the group to join where that group may read and write the device, else
// who owns it and its permissions ("rw-------").
[[nodiscard]] std::string permissionAdvice(const std::string& device, const std::string& owner,
                                           const std::string& group, unsigned mode);

// The serial backend on the POSIX terminal interface. Port names go through
// the COM port map; the error codes are errno values. A port is given back
// with the terminal settings it had when it was opened.
class PosixSerialBackend : public SerialBackend {
public:
    explicit PosixSerialBackend(PortMap map) : m_map(std::move(map)) {}

    // Where other programs leave their UUCP lock files.
    void setLockFolder(std::string folder) { m_lockFolder = std::move(folder); }

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
    std::string m_lockFolder = "/var/lock";
    std::map<PortHandle, termios> m_found; // the settings of each port at its open
    std::string m_deniedPath;              // the device the last open was refused
    std::string m_busyHolder;              // who held the port the last open found busy
};

} // namespace cvcfg
