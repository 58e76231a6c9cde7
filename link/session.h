#pragma once

#include "core/record.h"
#include "link/operator.h"
#include "link/seriallayer.h"

#include <chrono>
#include <functional>
#include <string>

namespace cvcfg {

// What every transaction with a unit works on: the one configuration record,
// the serial layer and the operator of the form that started it.
struct Session {
    ConfigRecord& record;
    SerialLayer& serial;
    Operator& op;
};

// "COM" and the selected port number, the name the serial layer opens.
[[nodiscard]] std::string portName(const ConfigRecord& record);

// The line settings of the configuration link: LinkBaud, no parity, 8 data
// bits, 1 stop bit.
[[nodiscard]] std::string linkSettings(const ConfigRecord& record);

// The serial layer's text for its last failure.
[[nodiscard]] std::string serialErrorText(const SerialLayer& serial);

// A form's time-out timer. It runs on the form's clock: the transaction
// looks at it between its reads, where the form's timer event would run.
class ReplyTimer {
public:
    using Clock = std::chrono::steady_clock;

    void setInterval(std::chrono::milliseconds interval) { m_interval = interval; }
    void enable() {
        m_enabled = true;
        m_deadline = Clock::now() + m_interval;
    }
    void disable() { m_enabled = false; }
    [[nodiscard]] bool due() const { return m_enabled && Clock::now() >= m_deadline; }
    // How long until the timer fires, at most `cap`.
    [[nodiscard]] std::chrono::milliseconds untilDue(std::chrono::milliseconds cap) const;

private:
    std::chrono::milliseconds m_interval{0};
    bool m_enabled = false;
    Clock::time_point m_deadline{};
};

// What a wait for the unit's reply brought.
struct Collected {
    std::string reply;
    std::string readError; // the serial layer's text when a read failed
};

// Collects the unit's reply into one text: it enables the timer and sets
// TimeoutFlag, then reads until `complete` accepts the reply, the timer
// fires (its handler `onTimeout` runs and clears TimeoutFlag) or a read
// fails. Between reads it lets the form handle its events and sleeps until a
// byte arrives or the timer is due. The timer is left running.
Collected CollectReply(Session& session, ReplyTimer& timer, int32_t limit,
                       const std::function<bool(const std::string&)>& complete,
                       const std::function<void(const std::string&)>& onTimeout);

} // namespace cvcfg
