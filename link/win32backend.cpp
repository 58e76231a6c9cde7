#include "link/win32backend.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <utility>
#include <vector>
#include <windows.h>

namespace cvcfg {

namespace {

// How long cancelled I/O may take to come back before the port's blocks are
// given up as the driver's.
constexpr DWORD kCancelGraceMs = 2000;

constexpr DWORD kInputEvents = EV_RXCHAR | EV_ERR | EV_BREAK;

// How often a port whose driver cannot signal arriving input is looked at:
// about ten bytes' time at 9600 baud.
constexpr DWORD kInputPollMs = 10;

using Clock = std::chrono::steady_clock;

DWORD remainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<DWORD>(std::max<int64_t>(left.count(), 0));
}

constexpr std::array<std::pair<char, BYTE>, 5> kParities = {{
    {'N', NOPARITY},
    {'O', ODDPARITY},
    {'E', EVENPARITY},
    {'M', MARKPARITY},
    {'S', SPACEPARITY},
}};

int lastError() {
    return static_cast<int>(::GetLastError());
}

// Writes `state` into a control block; the flags not named here stay as the
// block had them. A state the device could not take is refused before the
// driver sees it.
int applyLineState(DCB& dcb, const LineSettings& state) {
    const auto parity = std::find_if(kParities.begin(), kParities.end(),
                                     [&](const auto& p) { return p.first == state.parity; });
    if (parity == kParities.end() || state.baud <= 0 || state.dataBits < 5 || state.dataBits > 8 ||
        (state.stopBits != 1 && state.stopBits != 2)) {
        return ERROR_INVALID_PARAMETER;
    }
    dcb.BaudRate = static_cast<DWORD>(state.baud);
    dcb.Parity = parity->second;
    // Check received parity whenever the line carries a parity bit.
    dcb.fParity = parity->second != NOPARITY;
    dcb.ByteSize = static_cast<BYTE>(state.dataBits);
    dcb.StopBits = state.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    dcb.fOutX = state.xonXoffOutput;
    dcb.XonChar = static_cast<char>(state.xonChar);
    dcb.XoffChar = static_cast<char>(state.xoffChar);
    return 0;
}

// A raw 8-bit line: every byte arrives, input is never held, the control
// lines stay raised and a line error does not stop the port. Discarding
// NULs or input while DSR is low would lose bytes of a binary message on a
// three-wire cable.
void makeRawLine(DCB& dcb) {
    dcb.fBinary = TRUE;
    dcb.fInX = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fNull = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
}

LineSettings lineStateOf(const DCB& dcb) {
    LineSettings state;
    state.baud = static_cast<int32_t>(dcb.BaudRate);
    state.parity = 'N';
    for (const auto& [letter, value] : kParities) {
        if (value == dcb.Parity) {
            state.parity = letter;
        }
    }
    state.dataBits = dcb.ByteSize;
    // One and a half stop bits is the nearest to two the settings can say.
    state.stopBits = dcb.StopBits == ONESTOPBIT ? 1 : 2;
    state.xonXoffOutput = dcb.fOutX != 0;
    state.xonChar = static_cast<uint8_t>(dcb.XonChar);
    state.xoffChar = static_cast<uint8_t>(dcb.XoffChar);
    return state;
}

} // namespace

// One overlapped operation: its block and event live as long as the driver
// may complete into them.
struct Operation {
    OVERLAPPED block{};
    HANDLE event = nullptr;
    bool pending = false;

    void start() {
        block = OVERLAPPED{};
        ::ResetEvent(event);
        block.hEvent = event;
    }
};

struct Win32SerialBackend::Port {
    HANDLE device = INVALID_HANDLE_VALUE;
    Operation write;
    Operation read;
    Operation wait;
    std::vector<uint8_t> written; // the bytes of the pending write
    DWORD events = 0;             // what a comm-event wait reports
    DWORD mask = 0;               // the events the port signals now
    bool commEvents = true;       // whether the driver can wait for them
    DWORD lineErrors = 0;         // line-error flags not yet reported
    DCB found{};                  // the line as the port was found, given back at close
    COMMTIMEOUTS foundTimeouts{};
    bool restore = false;

    Port() {
        for (Operation* op : {&write, &read, &wait}) {
            op->event = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        }
    }
    ~Port() {
        for (Operation* op : {&write, &read, &wait}) {
            if (op->event) {
                ::CloseHandle(op->event);
            }
        }
    }
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;

    [[nodiscard]] bool ready() const { return write.event && read.event && wait.event; }
    [[nodiscard]] bool idle() const { return !write.pending && !read.pending && !wait.pending; }

    // Waits up to `waitMs` for `op`; `done` says whether it has ended, and
    // the result is its failure, if any.
    int finish(Operation& op, DWORD waitMs, bool& done, DWORD& transferred) {
        done = false;
        transferred = 0;
        const DWORD result = ::WaitForSingleObject(op.event, waitMs);
        if (result == WAIT_TIMEOUT) {
            return 0;
        }
        if (result != WAIT_OBJECT_0) {
            return lastError();
        }
        op.pending = false;
        done = true;
        return ::GetOverlappedResult(device, &op.block, &transferred, FALSE) ? 0 : lastError();
    }

    // Ends the write that waits: a short write is the driver's time-out.
    int finishWrite(DWORD waitMs, bool& done) {
        DWORD transferred = 0;
        const int code = finish(write, waitMs, done, transferred);
        if (code != 0 || !done) {
            return code;
        }
        const bool whole = transferred == written.size();
        written.clear();
        return whole ? 0 : ERROR_COUNTER_TIMEOUT;
    }

    // Cancels `op` and waits for the driver to give its block back; false
    // when it does not within the grace time.
    bool cancel(Operation& op) {
        if (!op.pending) {
            return true;
        }
        ::CancelIoEx(device, &op.block);
        bool done = false;
        DWORD transferred = 0;
        finish(op, kCancelGraceMs, done, transferred);
        return done;
    }

    // Reads the queues. Reading clears the driver's line-error flags, so
    // they are kept until queuedInput reports them.
    int queues(COMSTAT& status) {
        status = COMSTAT{};
        DWORD errors = 0;
        if (!::ClearCommError(device, &errors, &status)) {
            return lastError();
        }
        lineErrors |= errors;
        return 0;
    }

    // Starts a wait for `events`; `fired` when one had already happened.
    int armWait(DWORD eventMask, bool& fired) {
        fired = false;
        if (mask != eventMask) {
            if (!::SetCommMask(device, eventMask)) {
                return lastError();
            }
            mask = eventMask;
        }
        wait.start();
        events = 0;
        if (::WaitCommEvent(device, &events, &wait.block)) {
            fired = true;
            return 0;
        }
        if (const int code = lastError(); code != ERROR_IO_PENDING) {
            return code;
        }
        wait.pending = true;
        return 0;
    }

    // Sleeps until one of `eventMask` happens or `waitMs` pass. `reached`
    // looks at the queues once the wait is armed: what happened before
    // raised no event. Where the driver cannot wait for the port's events
    // (Wine on a pseudo-terminal ends every such wait at once), it sleeps
    // `fallbackMs` instead and the caller looks again.
    template <typename Reached>
    int sleepUntil(DWORD eventMask, DWORD waitMs, DWORD fallbackMs, Reached reached) {
        bool fired = false;
        if (commEvents && armWait(eventMask, fired) != 0) {
            commEvents = false;
        }
        if (fired) {
            return 0;
        }
        COMSTAT status{};
        if (const int code = queues(status); code != 0 || reached(status)) {
            cancel(wait);
            return code;
        }
        if (!wait.pending) {
            ::Sleep(std::min(waitMs, fallbackMs));
            return 0;
        }
        bool done = false;
        DWORD transferred = 0;
        const int code = finish(wait, waitMs, done, transferred);
        if (!done) {
            cancel(wait);
            return 0;
        }
        if (code == ERROR_OPERATION_ABORTED) {
            commEvents = false;
            return 0;
        }
        return code;
    }

    // The line as the driver holds it.
    bool controlBlock(DCB& dcb) const {
        dcb = DCB{};
        dcb.DCBlength = sizeof dcb;
        return ::GetCommState(device, &dcb);
    }

    // Cancels the write that waits and purges with `flags`; the bytes of
    // that write are let go once the driver has given its block back.
    int purge(DWORD flags) {
        if (write.pending) {
            ::CancelIoEx(device, &write.block);
        }
        const int code = ::PurgeComm(device, flags) ? 0 : lastError();
        if (cancel(write)) {
            written.clear();
        }
        return code;
    }

    // How long `bytes` take on the line at the port's speed, at least 1 ms.
    DWORD lineTimeMs(DWORD bytes) {
        DCB dcb;
        const DWORD baud = controlBlock(dcb) && dcb.BaudRate > 0 ? dcb.BaudRate : 9600;
        // A byte is ten bit times on the line.
        return std::max<DWORD>(1, static_cast<DWORD>((uint64_t{bytes} * 10'000 + baud - 1) / baud));
    }
};

Win32SerialBackend::Win32SerialBackend() = default;

Win32SerialBackend::~Win32SerialBackend() {
    while (!m_ports.empty()) {
        const PortHandle handle = m_ports.begin()->first;
        if (close(handle) != 0) {
            m_ports.erase(handle);
        }
    }
}

Win32SerialBackend::Port* Win32SerialBackend::find(PortHandle handle) {
    const auto found = m_ports.find(handle);
    if (found == m_ports.end()) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return found->second.get();
}

int Win32SerialBackend::open(const std::string& name, PortHandle& handle) {
    // The device namespace reaches every COM port, COM10 and above included.
    const std::string path = name.starts_with("\\\\") ? name : "\\\\.\\" + name;
    auto port = std::make_unique<Port>();
    if (!port->ready()) {
        return lastError();
    }
    const HANDLE device = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        return lastError();
    }
    port->device = device;
    // The port is given back as it was found, for the next program on it.
    port->restore =
        port->controlBlock(port->found) && ::GetCommTimeouts(device, &port->foundTimeouts);
    handle = reinterpret_cast<PortHandle>(device);
    m_ports[handle] = std::move(port);
    return 0;
}

int Win32SerialBackend::setQueueSizes(PortHandle handle, int input, int output) {
    Port* port = find(handle);
    if (!port) {
        return lastError();
    }
    return ::SetupComm(port->device, static_cast<DWORD>(input), static_cast<DWORD>(output))
               ? 0
               : lastError();
}

int Win32SerialBackend::purge(PortHandle handle) {
    Port* port = find(handle);
    if (!port) {
        return lastError();
    }
    return port->purge(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
}

int Win32SerialBackend::setTimeouts(PortHandle handle, const Timeouts& timeouts) {
    Port* port = find(handle);
    if (!port) {
        return lastError();
    }
    COMMTIMEOUTS values{};
    values.ReadIntervalTimeout = timeouts.readInterval;
    values.ReadTotalTimeoutMultiplier = timeouts.readTotalMultiplier;
    values.ReadTotalTimeoutConstant = timeouts.readTotalConstant;
    values.WriteTotalTimeoutMultiplier = timeouts.writeTotalMultiplier;
    values.WriteTotalTimeoutConstant = timeouts.writeTotalConstant;
    return ::SetCommTimeouts(port->device, &values) ? 0 : lastError();
}

int Win32SerialBackend::getLineState(PortHandle handle, LineSettings& state) {
    Port* port = find(handle);
    if (!port) {
        return lastError();
    }
    DCB dcb;
    if (!port->controlBlock(dcb)) {
        return lastError();
    }
    state = lineStateOf(dcb);
    return 0;
}

int Win32SerialBackend::buildLineState(const std::string& settings, LineSettings& state) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (const int code = applyLineState(dcb, state); code != 0) {
        return code;
    }
    // As on Windows, flow control is off unless the text turns it on; Wine
    // would otherwise keep what the state had.
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    if (!::BuildCommDCBA(settings.c_str(), &dcb)) {
        return lastError();
    }
    state = lineStateOf(dcb);
    return 0;
}

int Win32SerialBackend::setLineState(PortHandle handle, const LineSettings& state) {
    Port* port = find(handle);
    if (!port) {
        return lastError();
    }
    DCB dcb;
    if (!port->controlBlock(dcb)) {
        return lastError();
    }
    if (const int code = applyLineState(dcb, state); code != 0) {
        return code;
    }
    makeRawLine(dcb);
    return ::SetCommState(port->device, &dcb) ? 0 : lastError();
}

int Win32SerialBackend::queuedInput(PortHandle handle, int& count, uint32_t& errorFlags) {
    count = 0;
    errorFlags = 0;
    Port* port = find(handle);
    if (!port) {
        return lastError();
    }
    COMSTAT status{};
    if (const int code = port->queues(status); code != 0) {
        return code;
    }
    count = static_cast<int>(status.cbInQue);
    errorFlags = std::exchange(port->lineErrors, 0);
    return 0;
}

int Win32SerialBackend::read(PortHandle handle, uint8_t* buffer, int count, int& got) {
    got = 0;
    Port* port = find(handle);
    if (!port) {
        return lastError();
    }
    COMSTAT status{};
    if (const int code = port->queues(status); code != 0) {
        return code;
    }
    // Ask for no more than waits, so the read never sits out a time-out.
    const DWORD wanted = std::min(static_cast<DWORD>(std::max(count, 0)), status.cbInQue);
    if (wanted == 0) {
        return 0;
    }
    port->read.start();
    if (!::ReadFile(port->device, buffer, wanted, nullptr, &port->read.block)) {
        if (const int code = lastError(); code != ERROR_IO_PENDING) {
            return code;
        }
    }
    port->read.pending = true;
    // The bytes wait already, so this ends at once; the read time-out bounds
    // it should another reader have taken them.
    bool done = false;
    DWORD transferred = 0;
    const int code = port->finish(port->read, INFINITE, done, transferred);
    got = static_cast<int>(transferred);
    return code;
}

int Win32SerialBackend::writeSome(PortHandle handle, const uint8_t* data, int count, int& written) {
    written = 0;
    Port* port = find(handle);
    if (!port) {
        return lastError();
    }
    if (port->write.pending) {
        bool done = false;
        if (const int code = port->finishWrite(0, done); code != 0 || !done) {
            return code;
        }
    }
    if (count <= 0) {
        return 0;
    }
    // The driver reads the bytes while the write runs, after this returns.
    port->written.assign(data, data + count);
    port->write.start();
    if (!::WriteFile(port->device, port->written.data(), static_cast<DWORD>(count), nullptr,
                     &port->write.block)) {
        if (const int code = lastError(); code != ERROR_IO_PENDING) {
            port->written.clear();
            return code;
        }
    }
    port->write.pending = true;
    written = count;
    return 0;
}

int Win32SerialBackend::waitWritable(PortHandle handle, int timeoutMs) {
    Port* port = find(handle);
    if (!port) {
        return lastError();
    }
    if (!port->write.pending) {
        return 0;
    }
    bool done = false;
    return port->finishWrite(static_cast<DWORD>(std::max(timeoutMs, 0)), done);
}

int Win32SerialBackend::waitDrained(PortHandle handle, int timeoutMs, int& queued) {
    queued = 0;
    Port* port = find(handle);
    if (!port) {
        return lastError();
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    COMSTAT status{};
    while (true) {
        if (port->write.pending) {
            bool done = false;
            if (const int code = port->finishWrite(remainingMs(deadline), done); code != 0) {
                return code;
            }
            if (!done) {
                // A driver may count the bytes of a write it has not begun
                // apart from its queue; they are still to go.
                if (const int code = port->queues(status); code != 0) {
                    return code;
                }
                queued = static_cast<int>(std::max<std::size_t>(status.cbOutQue, 1));
                return 0;
            }
        }
        if (const int code = port->queues(status); code != 0) {
            return code;
        }
        queued = static_cast<int>(status.cbOutQue);
        const DWORD left = remainingMs(deadline);
        if (queued <= 0 || left == 0) {
            return 0;
        }
        // A driver that cannot signal the empty queue is given the time the
        // bytes take on the line.
        const int code = port->sleepUntil(EV_TXEMPTY, left, port->lineTimeMs(status.cbOutQue),
                                          [](const COMSTAT& now) { return now.cbOutQue == 0; });
        if (code != 0) {
            return code;
        }
    }
}

int Win32SerialBackend::discardOutput(PortHandle handle) {
    Port* port = find(handle);
    if (!port) {
        return lastError();
    }
    return port->purge(PURGE_TXABORT | PURGE_TXCLEAR);
}

int Win32SerialBackend::waitReadable(PortHandle handle, int timeoutMs) {
    Port* port = find(handle);
    if (!port) {
        return lastError();
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    while (true) {
        COMSTAT status{};
        if (const int code = port->queues(status); code != 0 || status.cbInQue > 0) {
            return code;
        }
        const DWORD left = remainingMs(deadline);
        if (left == 0) {
            return 0;
        }
        const bool events = port->commEvents;
        const int code = port->sleepUntil(kInputEvents, left, kInputPollMs,
                                          [](const COMSTAT& now) { return now.cbInQue > 0; });
        // An event or the time-out ends the wait; sleeps in its stead repeat.
        if (code != 0 || (events && port->commEvents)) {
            return code;
        }
    }
}

int Win32SerialBackend::modemStatus(PortHandle handle, uint32_t& status) {
    status = 0;
    Port* port = find(handle);
    if (!port) {
        return lastError();
    }
    DWORD lines = 0;
    if (!::GetCommModemStatus(port->device, &lines)) {
        return lastError();
    }
    status = lines;
    return 0;
}

int Win32SerialBackend::lineFunction(PortHandle handle, int function) {
    Port* port = find(handle);
    if (!port) {
        return lastError();
    }
    // The seam's codes are the system's; an unknown one is the system's to
    // refuse.
    return ::EscapeCommFunction(port->device, static_cast<DWORD>(function)) ? 0 : lastError();
}

int Win32SerialBackend::close(PortHandle handle) {
    const auto found = m_ports.find(handle);
    if (found == m_ports.end()) {
        return ERROR_INVALID_HANDLE;
    }
    Port& port = *found->second;
    for (Operation* op : {&port.write, &port.read, &port.wait}) {
        port.cancel(*op);
    }
    if (port.restore) {
        ::SetCommState(port.device, &port.found);
        ::SetCommTimeouts(port.device, &port.foundTimeouts);
    }
    if (!::CloseHandle(port.device)) {
        return lastError();
    }
    // Closing the handle ends whatever the driver still held; give it the
    // grace time once more before the blocks are freed.
    for (Operation* op : {&port.write, &port.read, &port.wait}) {
        if (op->pending) {
            bool done = false;
            DWORD transferred = 0;
            port.finish(*op, kCancelGraceMs, done, transferred);
        }
    }
    if (!port.idle()) {
        // The driver may still complete into these blocks: leave them to it.
        static_cast<void>(found->second.release());
    }
    m_ports.erase(found);
    return 0;
}

std::string Win32SerialBackend::errorText(int code) const {
    std::array<char, 256> text{};
    ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                     static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                     text.data(), static_cast<DWORD>(text.size() - 1), nullptr);
    std::string message(text.data(), ::strnlen(text.data(), text.size()));
    // Only blanks go: the line end the system's text carries stays.
    const std::size_t start = message.find_first_not_of(' ');
    if (start == std::string::npos) {
        return "System error " + std::to_string(code);
    }
    message.erase(0, start);
    message.erase(message.find_last_not_of(' ') + 1);
    return message;
}

} // namespace cvcfg
