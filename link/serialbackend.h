#pragma once

#include <cerrno>
#include <cstdint>
#include <string>

namespace cvcfg {

// A port as the platform knows it (a file descriptor, or a Windows handle).
using PortHandle = std::intptr_t;
inline constexpr PortHandle kNoHandle = -1;

// The line settings of a port, independent of the platform.
struct LineSettings {
    int32_t baud = 9600;
    char parity = 'N'; // N, E, O, M (mark) or S (space)
    int dataBits = 8;
    int stopBits = 1; // 1 or 2
    bool xonXoffOutput = false;
    uint8_t xonChar = 0x11;
    uint8_t xoffChar = 0x13;

    bool operator==(const LineSettings&) const = default;
};

// Read and write time-outs, in milliseconds.
struct Timeouts {
    uint32_t readInterval = 0;
    uint32_t readTotalMultiplier = 0;
    uint32_t readTotalConstant = 0;
    uint32_t writeTotalMultiplier = 0;
    uint32_t writeTotalConstant = 0;
};

// Modem status bits as the serial layer reports them.
namespace modem_status {
inline constexpr uint32_t kCts = 0x10;
inline constexpr uint32_t kDsr = 0x20;
inline constexpr uint32_t kRing = 0x40;
inline constexpr uint32_t kCarrier = 0x80;
} // namespace modem_status

// Line functions for SerialBackend::lineFunction; any other code is rejected.
namespace line_function {
inline constexpr int kSetRts = 3;
inline constexpr int kClearRts = 4;
inline constexpr int kSetDtr = 5;
inline constexpr int kClearDtr = 6;
inline constexpr int kSetBreak = 8;
inline constexpr int kClearBreak = 9;
} // namespace line_function

// Failures the serial layer finds itself, in the platform's numbering, so
// that the backend's error text names them.
namespace layer_error {
#ifdef _WIN32
inline constexpr int kPortClosed = 6;  // ERROR_INVALID_HANDLE
inline constexpr int kCancelled = 995; // ERROR_OPERATION_ABORTED
inline constexpr int kTimedOut = 1460; // ERROR_TIMEOUT
#else
inline constexpr int kPortClosed = EBADF;
inline constexpr int kCancelled = ECANCELED;
inline constexpr int kTimedOut = ETIMEDOUT;
#endif
} // namespace layer_error

// The platform calls that the serial layer stands on, and nothing else.
// Every call returns 0 or the platform's error code, whose text errorText
// gives. A backend for another platform implements just this.
class SerialBackend {
public:
    virtual ~SerialBackend() = default;

    // Opens the named port for reading and writing, exclusively.
    virtual int open(const std::string& name, PortHandle& handle) = 0;
    virtual int setQueueSizes(PortHandle handle, int input, int output) = 0;
    // Discards what waits in both directions.
    virtual int purge(PortHandle handle) = 0;
    virtual int setTimeouts(PortHandle handle, const Timeouts& timeouts) = 0;
    virtual int getLineState(PortHandle handle, LineSettings& state) = 0;
    // Applies a mode text ("baud=9600 parity=N data=8 stop=1") to `state`.
    virtual int buildLineState(const std::string& settings, LineSettings& state) = 0;
    virtual int setLineState(PortHandle handle, const LineSettings& state) = 0;
    // How many received bytes wait, and the line-error flags (cleared).
    virtual int queuedInput(PortHandle handle, int& count, uint32_t& errorFlags) = 0;
    // Reads up to `count` waiting bytes without waiting for more.
    virtual int read(PortHandle handle, uint8_t* buffer, int count, int& got) = 0;
    // Writes what the driver takes now, without waiting; `written` says how
    // much (none while the line is held).
    virtual int writeSome(PortHandle handle, const uint8_t* data, int count, int& written) = 0;
    // Sleeps until the driver can take more output, the line fails or
    // `timeoutMs` pass.
    virtual int waitWritable(PortHandle handle, int timeoutMs) = 0;
    // Sleeps until the driver has sent all it holds or `timeoutMs` pass;
    // `queued` is what it still holds.
    virtual int waitDrained(PortHandle handle, int timeoutMs, int& queued) = 0;
    // Discards written output the driver has not sent yet.
    virtual int discardOutput(PortHandle handle) = 0;
    // Sleeps until input arrives, the line fails or `timeoutMs` pass.
    virtual int waitReadable(PortHandle handle, int timeoutMs) = 0;
    virtual int modemStatus(PortHandle handle, uint32_t& status) = 0;
    virtual int lineFunction(PortHandle handle, int function) = 0;
    virtual int close(PortHandle handle) = 0;
    [[nodiscard]] virtual std::string errorText(int code) const = 0;
};

} // namespace cvcfg
