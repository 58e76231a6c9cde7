#include "link/seriallayer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <limits>
#include <vector>

namespace cvcfg {

namespace {

constexpr int32_t kPortInUse = -1;
constexpr int32_t kSubscriptOutOfRange = 9; // the run-time error of an index outside a table
constexpr const char* kSubscriptText = "Subscript out of range";
constexpr int kQueueSize = 1024;

// Reads return at once with what waits; a write may take 1000 ms a byte.
constexpr Timeouts kPortTimeouts = {0xFFFFFFFFu, 0, 1000, 1000, 0};

// The longest a write that waits for the line keeps the window from
// redrawing and from seeing the operator's Cancel.
constexpr std::chrono::milliseconds kPumpInterval{40};

std::string trimmed(std::string text) {
    const std::size_t start = text.find_first_not_of(' ');
    if (start == std::string::npos) {
        return {};
    }
    text.erase(0, start);
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

} // namespace

SerialLayer::~SerialLayer() {
    for (const CommPortEntry& e : m_ports) {
        if (e.IsOpen) {
            m_backend.close(e.Handle);
        }
    }
}

CommPortEntry* SerialLayer::entry(int32_t port, const char* operation) {
    if (port < 1 || port > kPortCount) {
        m_error = {kSubscriptOutOfRange, operation, kSubscriptText};
        return nullptr;
    }
    return &m_ports[static_cast<std::size_t>(port - 1)];
}

const CommPortEntry& SerialLayer::entryOf(int32_t port) const {
    static const CommPortEntry kNone{};
    return port >= 1 && port <= kPortCount ? m_ports[static_cast<std::size_t>(port - 1)] : kNone;
}

bool SerialLayer::isOpen(int32_t port) const {
    return port >= 1 && port <= kPortCount && m_ports[static_cast<std::size_t>(port - 1)].IsOpen;
}

void SerialLayer::pumpEvents(int times) {
    for (int i = 0; i < times && m_pump; ++i) {
        m_pump();
    }
}

int32_t SerialLayer::recordPlatformError(int code, const std::string& source) {
    m_error = {code, source, trimmed(m_backend.errorText(code))};
    return code;
}

int32_t SerialLayer::recordErrorFlags(int code, const std::string& source, CommPortEntry& entry) {
    recordPlatformError(code, source);
    int queued = 0;
    uint32_t flags = 0;
    m_backend.queuedInput(entry.Handle, queued, flags);
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", flags);
    m_error.CommErrorDescription += std::string("  COMM Error Flags = ") + hex;
    return code;
}

int32_t SerialLayer::CommOpen(int32_t port, const std::string& name, const std::string& settings) {
    CommPortEntry* e = entry(port, "CommOpen");
    if (!e) {
        return kSubscriptOutOfRange;
    }
    if (e->IsOpen) {
        m_error = {kPortInUse, "CommOpen", "Port in use."};
        return kPortInUse;
    }
    PortHandle handle = kNoHandle;
    if (const int code = m_backend.open(name, handle); code != 0) {
        return recordPlatformError(code, "CommOpen (CreateFile)");
    }
    e->Handle = handle;
    // From here the port counts as open even if a later step fails: the
    // caller closes it.
    e->IsOpen = true;
    e->Dtr = true;
    e->Rts = true;
    if (const int code = m_backend.setQueueSizes(handle, kQueueSize, kQueueSize); code != 0) {
        return recordPlatformError(code, "CommOpen (SetupComm)");
    }
    if (const int code = m_backend.purge(handle); code != 0) {
        return recordPlatformError(code, "CommOpen (PurgeComm)");
    }
    if (const int code = m_backend.setTimeouts(handle, kPortTimeouts); code != 0) {
        return recordPlatformError(code, "CommOpen (SetCommTimeouts)");
    }
    if (const int code = m_backend.getLineState(handle, e->LineState); code != 0) {
        return recordPlatformError(code, "CommOpen (GetCommState)");
    }
    if (const int code = m_backend.buildLineState(settings, e->LineState); code != 0) {
        return recordPlatformError(code, "CommOpen (BuildCommDCB)");
    }
    if (const int code = m_backend.setLineState(handle, e->LineState); code != 0) {
        return recordPlatformError(code, "CommOpen (SetCommState)");
    }
    return 0;
}

int32_t SerialLayer::applySettings(int32_t port, const std::string& settings, bool xonXoff,
                                   const std::string& operation) {
    CommPortEntry* e = entry(port, operation.c_str());
    if (!e) {
        return kSubscriptOutOfRange;
    }
    if (const int code = m_backend.getLineState(e->Handle, e->LineState); code != 0) {
        return recordPlatformError(code, operation + " (GetCommState)");
    }
    if (const int code = m_backend.buildLineState(settings, e->LineState); code != 0) {
        return recordPlatformError(code, operation + " (BuildCommDCB)");
    }
    e->LineState.xonXoffOutput = xonXoff;
    e->LineState.xonChar = 0x11;
    e->LineState.xoffChar = 0x13;
    if (const int code = m_backend.setLineState(e->Handle, e->LineState); code != 0) {
        return recordPlatformError(code, operation + " (SetCommState)");
    }
    return 0;
}

int32_t SerialLayer::CommSet(int32_t port, const std::string& settings) {
    return applySettings(port, settings, true, "CommSet");
}

int32_t SerialLayer::CommSetNOXON(int32_t port, const std::string& settings) {
    return applySettings(port, settings, false, "CommSetNOXON");
}

int32_t SerialLayer::CommClose(int32_t port) {
    CommPortEntry* e = entry(port, "CommClose");
    if (!e) {
        return kSubscriptOutOfRange;
    }
    if (!e->IsOpen) {
        return 0;
    }
    if (const int code = m_backend.close(e->Handle); code != 0) {
        return recordPlatformError(code, "CommClose (CloseHandle)");
    }
    *e = CommPortEntry{};
    return 0;
}

int32_t SerialLayer::CommFlush(int32_t port) {
    CommPortEntry* e = entry(port, "CommFlush");
    if (!e) {
        return kSubscriptOutOfRange;
    }
    if (const int code = m_backend.purge(e->Handle); code != 0) {
        return recordPlatformError(code, "CommFlush (PurgeComm)");
    }
    return 0;
}

int32_t SerialLayer::CommRead(int32_t port, std::string& data, int32_t /*maxLength*/) {
    // The maximum length is only a threshold for the callers: a read returns
    // whatever waits, up to the size of the read buffer.
    data.clear();
    pumpEvents();
    CommPortEntry* e = entry(port, "CommRead");
    if (!e) {
        return -1;
    }
    int queued = 0;
    uint32_t flags = 0;
    if (const int code = m_backend.queuedInput(e->Handle, queued, flags); code != 0) {
        recordPlatformError(code, "CommRead (ClearCommError)");
        return -1;
    }
    if (queued <= 0) {
        return 0;
    }
    std::vector<uint8_t> buffer(kReadBufferSize);
    int got = 0;
    const int code =
        m_backend.read(e->Handle, buffer.data(), std::min(queued, kReadBufferSize), got);
    if (code != 0) {
        recordErrorFlags(code, "CommRead (ReadFile)", *e);
        return -1;
    }
    data.assign(buffer.begin(), buffer.begin() + got);
    return got;
}

int32_t SerialLayer::CommWrite(int32_t port, const std::string& data) {
    CommPortEntry* e = entry(port, "CommWrite");
    if (!e) {
        return -1;
    }
    WritesInProgress& writes = m_writes[static_cast<std::size_t>(port - 1)];
    // The count drops however the write ends: the event pump may throw (an
    // interrupted command) and leave the layer in use afterwards.
    struct Counted {
        WritesInProgress& writes;
        explicit Counted(WritesInProgress& w) : writes(w) { ++writes.count; }
        ~Counted() {
            if (--writes.count == 0) {
                writes.cancelled = false;
            }
        }
        Counted(const Counted&) = delete;
        Counted& operator=(const Counted&) = delete;
    };
    int code = 0;
    {
        const Counted counted(writes);
        code = transmit(*e, data, writes);
    }
    pumpEvents();
    if (code != 0) {
        recordErrorFlags(code, "CommWrite (WriteFile)", *e);
        return -1;
    }
    pumpEvents(10);
    return static_cast<int32_t>(data.size());
}

int SerialLayer::transmit(const CommPortEntry& entry, const std::string& data,
                          const WritesInProgress& writes) {
    using Clock = std::chrono::steady_clock;
    const PortHandle handle = entry.Handle;
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    const int count = static_cast<int>(data.size());
    const auto start = Clock::now();
    const uint64_t budget = uint64_t{kPortTimeouts.writeTotalMultiplier} * data.size() +
                            kPortTimeouts.writeTotalConstant;
    const auto deadline =
        budget > 0 ? start + std::chrono::milliseconds(budget) : Clock::time_point::max();
    auto lastProgress = start;
    auto nextPump = start + kPumpInterval;
    int written = 0;
    int queued = std::numeric_limits<int>::max(); // what the driver holds, once all is written
    while (true) {
        if (written < count) {
            int took = 0;
            if (const int code =
                    m_backend.writeSome(handle, bytes + written, count - written, took);
                code != 0) {
                return code;
            }
            written += took;
            if (took > 0) {
                lastProgress = Clock::now();
            }
        }
        if (Clock::now() >= nextPump) {
            pumpEvents();
            nextPump = Clock::now() + kPumpInterval;
        }
        // The pump may have closed the port, or the operator cancelled.
        if (!entry.IsOpen || entry.Handle != handle) {
            return layer_error::kPortClosed;
        }
        if (writes.cancelled) {
            m_backend.discardOutput(handle);
            return layer_error::kCancelled;
        }
        const auto giveUp = std::min(deadline, lastProgress + m_writeStallLimit);
        const auto now = Clock::now();
        if (now >= giveUp) {
            return layer_error::kTimedOut;
        }
        const auto wait =
            std::chrono::ceil<std::chrono::milliseconds>(std::min(nextPump, giveUp) - now);
        const int waitMs = static_cast<int>(wait.count());
        if (written < count) {
            if (const int code = m_backend.waitWritable(handle, waitMs); code != 0) {
                return code;
            }
            continue;
        }
        // Like a synchronous write, return once the bytes have left the driver.
        const int before = queued;
        if (const int code = m_backend.waitDrained(handle, waitMs, queued); code != 0) {
            return code;
        }
        if (queued <= 0) {
            return 0;
        }
        if (queued < before) {
            lastProgress = Clock::now();
        }
    }
}

int32_t SerialLayer::CommCancelWrite(int32_t port) {
    if (!entry(port, "CommCancelWrite")) {
        return kSubscriptOutOfRange;
    }
    WritesInProgress& writes = m_writes[static_cast<std::size_t>(port - 1)];
    if (writes.count > 0) {
        writes.cancelled = true;
    }
    return 0;
}

int32_t SerialLayer::CommReadCD(int32_t port, int32_t mask, bool& state) {
    CommPortEntry* e = entry(port, "CommReadCD");
    if (!e) {
        return kSubscriptOutOfRange;
    }
    uint32_t status = 0;
    if (const int code = m_backend.modemStatus(e->Handle, status); code != 0) {
        return recordPlatformError(code, "CommReadCD (GetCommModemStatus)");
    }
    state = (static_cast<uint32_t>(mask) & status) != 0;
    return 0;
}

int32_t SerialLayer::CommSetLine(int32_t port, int32_t line, bool state) {
    CommPortEntry* e = entry(port, "CommSetLine");
    if (!e) {
        return kSubscriptOutOfRange;
    }
    using namespace line_function;
    int function = 0; // an unknown line: the platform rejects code 0
    switch (line) {
    case 1:
        function = state ? kSetBreak : kClearBreak;
        break;
    case 2:
        function = state ? kSetDtr : kClearDtr;
        break;
    case 3:
        function = state ? kSetRts : kClearRts;
        break;
    default:
        break;
    }
    if (const int code = m_backend.lineFunction(e->Handle, function); code != 0) {
        return recordPlatformError(code, "CommSetLine (EscapeCommFunction)");
    }
    if (line == 2) {
        e->Dtr = state;
    } else if (line == 3) {
        e->Rts = state;
    }
    return 0;
}

int32_t SerialLayer::CommWaitInput(int32_t port, int32_t timeoutMs) {
    CommPortEntry* e = entry(port, "CommWaitInput");
    if (!e) {
        return kSubscriptOutOfRange;
    }
    if (const int code = m_backend.waitReadable(e->Handle, timeoutMs); code != 0) {
        return recordPlatformError(code, "CommWaitInput");
    }
    return 0;
}

int32_t SerialLayer::CommErrorText(std::string& text) const {
    text = "Error (" + std::to_string(m_error.CommErrorCode) + "): " + m_error.CommErrorSource +
           " - " + m_error.CommErrorDescription;
    return m_error.CommErrorCode;
}

} // namespace cvcfg
