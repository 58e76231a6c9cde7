#include "link/session.h"

#include <algorithm>

namespace cvcfg {

namespace {

// The longest the wait sleeps before letting the form handle its events.
constexpr std::chrono::milliseconds kEventSlice{50};

} // namespace

std::string portName(const ConfigRecord& record) {
    return "COM" + std::to_string(record.ComPort);
}

std::string linkSettings(const ConfigRecord& record) {
    return "baud=" + record.LinkBaud + " parity=N data=8 stop=1";
}

std::string serialErrorText(const SerialLayer& serial) {
    std::string text;
    serial.CommErrorText(text);
    return text;
}

std::chrono::milliseconds ReplyTimer::untilDue(std::chrono::milliseconds cap) const {
    if (!m_enabled) {
        return cap;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(m_deadline - Clock::now());
    return std::clamp(left, std::chrono::milliseconds(0), cap);
}

Collected CollectReply(Session& session, ReplyTimer& timer, int32_t limit,
                       const std::function<bool(const std::string&)>& complete,
                       const std::function<void(const std::string&)>& onTimeout) {
    ConfigRecord& record = session.record;
    timer.enable();
    record.TimeoutFlag = true;
    Collected collected;
    auto readOnce = [&] {
        std::string data;
        const int32_t n = session.serial.CommRead(record.ComPort, data, limit);
        record.CommStatus = n;
        if (n < 0) {
            collected.readError = serialErrorText(session.serial);
            return false;
        }
        collected.reply += data;
        return true;
    };
    bool reading = readOnce();
    while (reading && record.TimeoutFlag && !complete(collected.reply)) {
        session.op.processEvents();
        if (timer.due()) {
            onTimeout(collected.reply);
            break;
        }
        session.serial.CommWaitInput(record.ComPort,
                                     static_cast<int32_t>(timer.untilDue(kEventSlice).count()));
        reading = readOnce();
    }
    return collected;
}

} // namespace cvcfg
