#pragma once

#include "link/serialbackend.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace cvcfg {

// The last serial failure. Every failure overwrites it; a success leaves it.
struct CommError {
    int32_t CommErrorCode = 0;
    std::string CommErrorSource;
    std::string CommErrorDescription;
};

// One entry of the port table.
struct CommPortEntry {
    PortHandle Handle = kNoHandle;
    bool IsOpen = false;
    LineSettings LineState;
    // The DTR and RTS lines as this program has left them: raised by the
    // open, changed by CommSetLine.
    bool Dtr = false;
    bool Rts = false;
};

// The only code that touches a serial port. Ports are addressed by id 1..12,
// the number of the COM port they open. Every operation returns a status (0
// for success, or an error code; reads and writes a byte count or -1) and
// records a failure in the one error record, which CommErrorText turns into
// a message for the operator. Data texts are byte strings: one char, one
// byte on the wire.
class SerialLayer {
public:
    static constexpr int kPortCount = 12;
    static constexpr int kReadBufferSize = 1024;
    // A write fails when the line takes no byte for this long. It outlasts a
    // unit that holds the line with XOFF while it erases its flash (seconds),
    // and spares the operator the 1000 ms a byte that a whole piece of a
    // file could otherwise take.
    static constexpr std::chrono::milliseconds kWriteStallLimit{30000};

    explicit SerialLayer(SerialBackend& backend) : m_backend(backend) {}
    // Closes every port still open, so that no way out of a transaction (an
    // exception, an interrupted command) leaves a device held.
    ~SerialLayer();
    SerialLayer(const SerialLayer&) = delete;
    SerialLayer& operator=(const SerialLayer&) = delete;

    // What "let the user interface process pending events" runs; nothing by
    // default. The application installs its event pump here.
    void setEventPump(std::function<void()> pump) { m_pump = std::move(pump); }
    // Tests wait less than kWriteStallLimit for a line that takes nothing.
    void setWriteStallLimit(std::chrono::milliseconds limit) { m_writeStallLimit = limit; }

    int32_t CommOpen(int32_t port, const std::string& name, const std::string& settings);
    int32_t CommSet(int32_t port, const std::string& settings);
    int32_t CommSetNOXON(int32_t port, const std::string& settings);
    int32_t CommClose(int32_t port);
    int32_t CommFlush(int32_t port);
    int32_t CommRead(int32_t port, std::string& data, int32_t maxLength);
    // Returns once the line has sent the bytes. While it waits for the line
    // it sleeps, and runs the event pump every few tens of milliseconds so
    // that the window stays alive and can cancel the write.
    int32_t CommWrite(int32_t port, const std::string& data);
    int32_t CommReadCD(int32_t port, int32_t mask, bool& state);
    int32_t CommSetLine(int32_t port, int32_t line, bool state);
    int32_t CommErrorText(std::string& text) const;

    // Abandons the write in progress on the port, from the event pump that
    // the write runs: the write discards what the driver still holds and
    // fails with "CommWrite (WriteFile)". Without a write in progress it does
    // nothing. Returns 0, or 9 for a port id outside the table.
    int32_t CommCancelWrite(int32_t port);

    // Sleeps until input waits on the port, the port fails or `timeoutMs`
    // pass, so that a caller waiting for a reply never spins. Returns 0, or
    // an error code recorded under "CommWaitInput".
    int32_t CommWaitInput(int32_t port, int32_t timeoutMs);

    [[nodiscard]] bool isOpen(int32_t port) const;
    // The port's entry; ids outside 1..12 give an entry that is never open.
    [[nodiscard]] const CommPortEntry& entryOf(int32_t port) const;
    [[nodiscard]] const CommError& lastError() const { return m_error; }

private:
    CommPortEntry* entry(int32_t port, const char* operation);
    int32_t applySettings(int32_t port, const std::string& settings, bool xonXoff,
                          const std::string& operation);
    int32_t recordPlatformError(int code, const std::string& source);
    int32_t recordErrorFlags(int code, const std::string& source, CommPortEntry& entry);
    void pumpEvents(int times = 1);

    // The writes running on a port (more than one when a write's event pump
    // starts another) and whether they are to give up.
    struct WritesInProgress {
        int count = 0;
        bool cancelled = false;
    };
    int transmit(const CommPortEntry& entry, const std::string& data,
                 const WritesInProgress& writes);

    SerialBackend& m_backend;
    std::function<void()> m_pump;
    std::array<CommPortEntry, kPortCount> m_ports{};
    CommError m_error;
    std::array<WritesInProgress, kPortCount> m_writes{};
    std::chrono::milliseconds m_writeStallLimit = kWriteStallLimit;
};

} // namespace cvcfg
