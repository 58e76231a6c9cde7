#pragma once

#include "core/catalogue.h"
#include "core/expected.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace cvcfg::sim {

// Misbehaviour a test or demo asks of the unit.
enum class Fault {
    Silent,       // never transmits
    Nak,          // refuses every image
    Noise,        // sends noise instead of the ACK
    NoiseThenAck, // sends noise, then the ACK
    ShortReply,   // cuts upload replies short
    GarbledReply, // upload replies do not begin "T","R"
    PausedReply,  // upload replies come in three pieces with pauses between
};

struct Faults {
    std::set<Fault> kinds;
    int lateMs = 0;            // delay before every download and upload reply
    std::set<char> unanswered; // upload requests (E, M, R) left without reply

    [[nodiscard]] bool has(Fault fault) const { return kinds.contains(fault); }
    // Adds one fault named as on the command line: silent, nak, noise,
    // noise-then-ack, short-reply, garbled-reply, paused-reply, late=MS or
    // no-reply=E|M|R.
    Status add(std::string_view name);
};

// The configuration a unit keeps: the header and body of the download image
// that brought it, at their image offsets; what lies past the body keeps its
// earlier value.
inline constexpr std::size_t kStoreSize = 160;
using StoredConfiguration = std::array<uint8_t, kStoreSize>;

// What the unit holds before any download: its variant's record with the
// main defaults (station 1, 57.6 kbaud / 9600 baud); nothing but zeros for a
// unit of any variant.
[[nodiscard]] StoredConfiguration factoryConfiguration(const Variant* variant);

// A Corvane unit as the program sees it through its configuration port: it
// takes download images, answers upload requests and runs a small off-line
// manager on the terminal. It does no I/O itself: bytes and the time they
// arrive go in, bytes to send and log lines come out.
class Unit {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;

    // A unit of `variant`, or (null) one that takes an image of any body
    // length and answers uploads from the last one it kept.
    Unit(const Variant* variant, Faults faults);

    void receive(std::string_view bytes, TimePoint now);
    // A break condition on the line (the first half of the debug request).
    void lineBreak();
    // A pseudo-terminal cannot carry a break: there a second of silence
    // before the "D" stands for it.
    void setBreakFromSilence(bool enabled) { m_breakFromSilence = enabled; }

    // Runs what falls due by `now`: the end of a stalled frame, the end of a
    // system file, a missing ACK from the program.
    void advance(TimePoint now);
    [[nodiscard]] std::optional<TimePoint> nextDeadline() const;

    // The bytes due for sending by `now`, in order.
    std::string takeOutput(TimePoint now);
    std::vector<std::string> takeLog();

    [[nodiscard]] const StoredConfiguration& configuration() const { return m_config; }
    void loadConfiguration(const StoredConfiguration& config) { m_config = config; }
    // True once after the kept configuration has changed.
    bool takeChanged();

private:
    enum class Mode { Terminal, ConfirmWrite, ConfirmRestore, ReceivingFile, Debug };

    void process(TimePoint now, bool stalled);
    bool takeFrame(TimePoint now, bool stalled);
    void handleImage(const std::string& image, TimePoint now);
    void keep(const std::string& image);
    void handleRequest(char stage, TimePoint now);
    void handleKey(uint8_t key);
    void handleMenuKey(uint8_t key);
    void reply(std::string bytes, TimePoint now,
               std::chrono::milliseconds after = std::chrono::milliseconds(0));
    void show(const std::string& text);
    void log(const std::string& line);
    [[nodiscard]] std::string uploadReply(char stage) const;
    [[nodiscard]] std::string prompt() const;
    [[nodiscard]] std::string name() const;

    const Variant* m_variant;
    Faults m_faults;
    StoredConfiguration m_config;
    bool m_changed = false;

    std::string m_input;
    TimePoint m_lastInput{};
    TimePoint m_quietSince{};
    Mode m_mode = Mode::Terminal;
    bool m_menuShown = false;
    bool m_breakPending = false;
    bool m_breakFromSilence = false;
    std::size_t m_fileBytes = 0;

    std::optional<std::string> m_awaitingAck; // image acknowledged, waiting for the program's ACK
    TimePoint m_ackDeadline{};

    std::deque<std::pair<TimePoint, std::string>> m_outbox;
    std::vector<std::string> m_log;
};

} // namespace cvcfg::sim
