#pragma once

#include "link/serialbackend.h"

#include <array>
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

    explicit SerialLayer(SerialBackend& backend) : m_backend(backend) {}

    // What "let the user interface process pending events" runs; nothing by
    // default. The application installs its event pump here.
    void setEventPump(std::function<void()> pump) { m_pump = std::move(pump); }

    int32_t CommOpen(int32_t port, const std::string& name, const std::string& settings);
    int32_t CommSet(int32_t port, const std::string& settings);
    int32_t CommSetNOXON(int32_t port, const std::string& settings);
    int32_t CommClose(int32_t port);
    int32_t CommFlush(int32_t port);
    int32_t CommRead(int32_t port, std::string& data, int32_t maxLength);
    int32_t CommWrite(int32_t port, const std::string& data);
    int32_t CommReadCD(int32_t port, int32_t mask, bool& state);
    int32_t CommSetLine(int32_t port, int32_t line, bool state);
    int32_t CommErrorText(std::string& text) const;

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

    SerialBackend& m_backend;
    std::function<void()> m_pump;
    std::array<CommPortEntry, kPortCount> m_ports{};
    CommError m_error;
};

} // namespace cvcfg
