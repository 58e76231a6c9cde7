#include "unit/unit.h"

#include "core/image.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace cvcfg::sim {

namespace {

using std::chrono::milliseconds;

constexpr char kAck = 0x06;
constexpr char kNak = 0x15;

// A frame (image or request) arrives in one burst; a pause this long ends it.
constexpr milliseconds kFrameGap{300};
// A system file has ended once the line has been idle this long.
constexpr milliseconds kFileIdle{2000};
// How long an acknowledged image waits for the program's ACK.
constexpr milliseconds kAckWait{3000};
// The silence that stands for a break on a line that cannot carry one.
constexpr milliseconds kBreakSilence{900};

constexpr std::size_t kNoiseBeforeAck = 20;
constexpr std::size_t kNoiseLength = 113;
constexpr std::size_t kShortReply = 20;
// A paused reply: its first pieces, then the rest, each after this pause.
constexpr std::array<std::size_t, 2> kReplyPieces = {10, 30};
constexpr milliseconds kReplyPause{400};

// Reply lengths: each reaches the highest position the program reads and at
// least the length it collects.
constexpr std::size_t kStage1Length = 66;
constexpr std::size_t kStage1CardLength = 70; // the CV-PCI reads b(69)
constexpr std::size_t kStage2Length = 114;
constexpr std::size_t kStage3Length = 94;
constexpr std::size_t kExtendedOffset = 57; // image offset of ExtParams[0]

// Bytes that are neither ACK nor NAK, the same every run.
std::string noise(std::size_t length) {
    std::string bytes;
    uint32_t state = 0x2545F491u;
    while (bytes.size() < length) {
        state = state * 1664525u + 1013904223u;
        const auto byte = static_cast<char>(state >> 24);
        if (byte != kAck && byte != kNak) {
            bytes += byte;
        }
    }
    return bytes;
}

std::string hex2(uint8_t a, uint8_t b) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X %02X", a, b);
    return text;
}

} // namespace

Status Faults::add(std::string_view name) {
    if (name.starts_with("no-reply=")) {
        const std::string_view stage = name.substr(9);
        if (stage != "E" && stage != "M" && stage != "R") {
            return Status::failure("no-reply= takes the last letter of a request: E, M or R");
        }
        unanswered.insert(stage.front());
        return Status::success();
    }
    if (name.starts_with("late=")) {
        const std::string_view digits = name.substr(5);
        int ms = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), ms);
        if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
            ms < 0) {
            return Status::failure("late=MS needs a number of milliseconds");
        }
        lateMs = ms;
        return Status::success();
    }
    static const std::pair<std::string_view, Fault> kNames[] = {
        {"silent", Fault::Silent},
        {"nak", Fault::Nak},
        {"noise", Fault::Noise},
        {"noise-then-ack", Fault::NoiseThenAck},
        {"short-reply", Fault::ShortReply},
        {"garbled-reply", Fault::GarbledReply},
        {"paused-reply", Fault::PausedReply},
    };
    for (const auto& [text, fault] : kNames) {
        if (name == text) {
            kinds.insert(fault);
            return Status::success();
        }
    }
    return Status::failure("unknown fault \"" + std::string(name) +
                           "\"; the faults are silent, nak, noise, noise-then-ack, "
                           "short-reply, garbled-reply, paused-reply, late=MS and "
                           "no-reply=E|M|R");
}

namespace {

// Keeps the header and body of an image; the checksum is not part of the
// configuration, and what lies beyond the body keeps its earlier value.
void keepImage(const Bytes& image, StoredConfiguration& config) {
    const std::size_t length = std::min<std::size_t>(kImageHeaderLength + image.at(3), kStoreSize);
    std::copy_n(image.begin(), length, config.begin());
}

} // namespace

StoredConfiguration factoryConfiguration(const Variant* variant) {
    StoredConfiguration config{};
    if (!variant) {
        return config;
    }
    ConfigRecord record = blankRecord(*variant);
    record.StationNo = charField(1);
    record.NetSpeed = charField(8);
    record.CHBSpeed = charField(8);
    if (const Expected<Bytes> image = BuildConfigImage(record)) {
        keepImage(*image, config);
    }
    return config;
}

Unit::Unit(const Variant* variant, Faults faults)
    : m_variant(variant), m_faults(std::move(faults)), m_config(factoryConfiguration(variant)) {}

void Unit::receive(std::string_view bytes, TimePoint now) {
    if (bytes.empty()) {
        return;
    }
    const bool quietBefore = m_lastInput == TimePoint{} || now - m_lastInput >= kBreakSilence;
    if (m_breakFromSilence && quietBefore && m_mode == Mode::Terminal && m_input.empty() &&
        (bytes.front() == 'D' || bytes.front() == 'd')) {
        m_breakPending = true;
    }
    m_input.append(bytes);
    m_lastInput = now;
    process(now, false);
}

void Unit::keep(const std::string& image) {
    keepImage(Bytes(image.begin(), image.end()), m_config);
    m_changed = true;
}

void Unit::lineBreak() {
    m_breakPending = true;
    log("break received");
}

void Unit::process(TimePoint now, bool stalled) {
    while (!m_input.empty()) {
        if (m_mode == Mode::ReceivingFile) {
            m_fileBytes += m_input.size();
            m_input.clear();
            return;
        }
        if (m_awaitingAck) {
            if (m_input.front() == kAck) {
                keep(*m_awaitingAck);
                m_awaitingAck.reset();
                m_input.erase(0, 1);
                log("ack      rx 1: 06 -> configuration kept");
                continue;
            }
            log("program answered " + hexBytes(m_input.substr(0, 1)) +
                " instead of ACK -> configuration not kept");
            m_awaitingAck.reset();
        }
        if (!takeFrame(now, stalled)) {
            return;
        }
    }
}

bool Unit::takeFrame(TimePoint now, bool stalled) {
    const std::string& in = m_input;
    if (in[0] == 'N' && (in.size() < 2 || in[1] == 'E') && (in.size() < 3 || in[2] == 'E')) {
        if (in.size() >= 4) {
            const std::size_t total = 7 + static_cast<uint8_t>(in[3]) + 2;
            if (in.size() >= total) {
                const std::string image = in.substr(0, total);
                m_input.erase(0, total);
                handleImage(image, now);
                return true;
            }
            if (stalled) {
                log("download rx " + std::to_string(in.size()) + ": " + hexBytes(in) +
                    " -> NAK: the image stopped after " + std::to_string(in.size()) + " of " +
                    std::to_string(total) + " bytes");
                m_input.clear();
                reply(std::string(1, kNak), now);
                return true;
            }
            return false;
        }
        if (!stalled) {
            return false;
        }
    } else if (in[0] == 'T' && (in.size() < 2 || in[1] == 'E')) {
        if (in.size() >= 3 && (in[2] == 'E' || in[2] == 'M' || in[2] == 'R')) {
            const char stage = in[2];
            m_input.erase(0, 3);
            handleRequest(stage, now);
            return true;
        }
        if (in.size() < 3 && !stalled) {
            return false;
        }
    } else if (in[0] == kAck) {
        m_input.erase(0, 1);
        log("ack      rx 1: 06");
        return true;
    }
    const auto key = static_cast<uint8_t>(in[0]);
    m_input.erase(0, 1);
    handleKey(key);
    return true;
}

void Unit::handleImage(const std::string& image, TimePoint now) {
    const std::string received =
        "download rx " + std::to_string(image.size()) + ": " + hexBytes(image);
    if (m_faults.has(Fault::Silent)) {
        log(received + " -> no answer (silent)");
        return;
    }
    const auto length = static_cast<uint8_t>(image[3]);
    const std::string_view body = std::string_view(image).substr(7, length);
    const auto low = static_cast<uint8_t>(image[7 + length]);
    const auto high = static_cast<uint8_t>(image[8 + length]);
    std::string refusal;
    if (m_variant && length != m_variant->ConfigLength) {
        refusal = "a body of " + std::to_string(length) + " bytes; this unit takes " +
                  std::to_string(m_variant->ConfigLength);
    } else if (!isImageBodyLength(length)) {
        refusal = "a body of " + std::to_string(length) + " bytes, which no unit takes";
    } else if (image[4] != 0 || image[5] != 0 || image[6] != 0) {
        refusal = "header bytes 4 to 6 are not zero";
    } else {
        const auto sum =
            ImageChecksum(std::span(reinterpret_cast<const uint8_t*>(body.data()), body.size()));
        if (!sum || (*sum)[0] != low || (*sum)[1] != high) {
            refusal = "checksum " + hex2(low, high) + " does not match the body" +
                      (sum ? " (" + hex2((*sum)[0], (*sum)[1]) + ")" : std::string());
        } else if (m_faults.has(Fault::Nak)) {
            refusal = "refused (fault nak)";
        }
    }
    if (!refusal.empty()) {
        reply(std::string(1, kNak), now);
        log(received + " -> NAK: " + refusal);
        return;
    }
    if (m_faults.has(Fault::Noise)) {
        reply(noise(kNoiseLength), now);
        log(received + " -> " + std::to_string(kNoiseLength) + " bytes of noise, no ACK");
        return;
    }
    const bool noisy = m_faults.has(Fault::NoiseThenAck);
    reply((noisy ? noise(kNoiseBeforeAck) : std::string()) + kAck, now);
    m_awaitingAck = image;
    m_ackDeadline = now + milliseconds(m_faults.lateMs) + kAckWait;
    log(received + (noisy ? " -> noise, then ACK" : " -> ACK"));
}

std::string Unit::uploadReply(char stage) const {
    std::string bytes;
    auto fill = [&](std::size_t length, std::size_t first, std::size_t count) {
        bytes.assign(length, '\0');
        bytes[0] = 'T';
        bytes[1] = 'R';
        bytes[2] = stage;
        for (std::size_t k = 0; k < count; ++k) {
            bytes[first + k] = static_cast<char>(m_config[kExtendedOffset + k]);
        }
    };
    switch (stage) {
    case 'E': {
        // The basic reply carries the configuration at its image offsets,
        // one place on: reply byte i holds image byte i + 1.
        const std::size_t length =
            !m_variant || m_variant->uploadStage1Values == 14 ? kStage1CardLength : kStage1Length;
        fill(length, 0, 0);
        for (std::size_t i = 2; i < length; ++i) {
            bytes[i] = static_cast<char>(m_config[i + 1]);
        }
        break;
    }
    case 'M':
        fill(kStage2Length, 24, kExtParamCount); // the register map block
        break;
    default:
        fill(kStage3Length, 16, 14); // the extended block of the KFR
        break;
    }
    return bytes;
}

void Unit::handleRequest(char stage, TimePoint now) {
    const std::string received = std::string("upload   rx 3: 54 45 ") + hexBytes({&stage, 1});
    if (m_faults.has(Fault::Silent) || m_faults.unanswered.contains(stage)) {
        log(received + " -> no answer (fault)");
        return;
    }
    std::string answer = uploadReply(stage);
    if (m_faults.has(Fault::ShortReply)) {
        answer.resize(kShortReply);
    }
    if (m_faults.has(Fault::GarbledReply)) {
        answer[0] = 'X';
        answer[1] = 'X';
    }
    log(received + " -> tx " + std::to_string(answer.size()) + ": " + hexBytes(answer));
    if (m_faults.has(Fault::PausedReply)) {
        milliseconds after{0};
        for (const std::size_t piece : kReplyPieces) {
            reply(answer.substr(0, piece), now, after);
            answer.erase(0, piece);
            after += kReplyPause;
        }
        reply(answer, now, after);
        return;
    }
    reply(answer, now);
}

std::string Unit::name() const {
    return m_variant ? std::string(m_variant->name) : "any variant";
}

std::string Unit::prompt() const {
    return m_menuShown ? "\r\nSelect: " : "\r\n";
}

void Unit::handleKey(uint8_t key) {
    const std::string keyHex = hexBytes(std::string(1, static_cast<char>(key)));
    if (key == 0) {
        // A break reaches a reading terminal as a NUL byte.
        lineBreak();
        return;
    }
    const bool yes = key == 'Y' || key == 'y';
    const std::string echo =
        key == '\r' ? std::string("\r\n") : std::string(1, static_cast<char>(key));
    switch (m_mode) {
    case Mode::Debug:
        if (key == 'Q' || key == 'q') {
            show("\r\nLeaving debug mode." + prompt());
            m_mode = Mode::Terminal;
            log("key      rx 1: " + keyHex + " -> debug mode ends");
        } else {
            show(echo);
            log("key      rx 1: " + keyHex + " -> echo (debug)");
        }
        return;
    case Mode::ConfirmWrite:
        show(echo);
        if (yes) {
            show("\r\nWRITE SYSTEM FILE: send the system file now.\r\n");
            m_mode = Mode::ReceivingFile;
            m_fileBytes = 0;
            log("key      rx 1: " + keyHex + " -> waiting for the system file");
        } else {
            show("\r\nCancelled." + prompt());
            m_mode = Mode::Terminal;
            log("key      rx 1: " + keyHex + " -> write cancelled");
        }
        return;
    case Mode::ConfirmRestore:
        show(echo);
        if (yes) {
            m_config = factoryConfiguration(m_variant);
            m_changed = true;
            show("\r\nFactory settings restored." + prompt());
            log("key      rx 1: " + keyHex + " -> factory settings restored");
        } else {
            show("\r\nCancelled." + prompt());
            log("key      rx 1: " + keyHex + " -> restore cancelled");
        }
        m_mode = Mode::Terminal;
        return;
    case Mode::ReceivingFile:
    case Mode::Terminal:
        break;
    }
    if ((key == 'D' || key == 'd') && m_breakPending) {
        m_breakPending = false;
        m_mode = Mode::Debug;
        show("\r\n*** DEBUG MODE *** " + name() + "\r\nQ leaves debug mode.\r\n> ");
        log("key      rx 1: " + keyHex + " after a break -> debug mode");
        return;
    }
    m_breakPending = false;
    show(echo);
    if (key == 'M' || key == 'm') {
        m_menuShown = true;
        show("\r\nCorvane Off-Line Manager - " + name() +
             "\r\n  1  Write system file (flash burn)"
             "\r\n  2  Mode change"
             "\r\n  3  Off-line diagnostics"
             "\r\n  4  Restore factory settings"
             "\r\n  5  Memory dump" +
             prompt());
        log("key      rx 1: " + keyHex + " -> menu");
        return;
    }
    if (m_menuShown && key >= '1' && key <= '5') {
        handleMenuKey(key);
        return;
    }
    log("key      rx 1: " + keyHex + " -> echo");
}

void Unit::handleMenuKey(uint8_t key) {
    const std::string keyHex = hexBytes(std::string(1, static_cast<char>(key)));
    switch (key) {
    case '1':
        show("\r\nWRITE SYSTEM FILE - the flash will be erased. Continue (Y/N)? ");
        m_mode = Mode::ConfirmWrite;
        log("key      rx 1: " + keyHex + " -> write system file?");
        return;
    case '2':
        show("\r\nMODE: this unit runs the " + name() + " personality." + prompt());
        log("key      rx 1: " + keyHex + " -> mode shown");
        return;
    case '3':
        show("\r\nDIAGNOSTICS: RAM OK, FLASH OK, EEPROM OK, CHANNELS OK" + prompt());
        log("key      rx 1: " + keyHex + " -> diagnostics");
        return;
    case '4':
        show("\r\nRESTORE FACTORY SETTINGS - Continue (Y/N)? ");
        m_mode = Mode::ConfirmRestore;
        log("key      rx 1: " + keyHex + " -> restore factory settings?");
        return;
    default: {
        std::string dump = "\r\nMEMORY DUMP";
        for (std::size_t row = 0; row < kStoreSize; row += 16) {
            char address[12];
            std::snprintf(address, sizeof address, "\r\n%04zX  ", row);
            dump += address + hexBytes(std::string_view(
                                  reinterpret_cast<const char*>(m_config.data()) + row, 16));
        }
        show(dump + prompt());
        log("key      rx 1: " + keyHex + " -> memory dump");
        return;
    }
    }
}

void Unit::advance(TimePoint now) {
    if (m_awaitingAck && now >= m_ackDeadline) {
        log("no ACK from the program -> configuration not kept");
        m_awaitingAck.reset();
    }
    if (m_mode == Mode::ReceivingFile && m_fileBytes > 0 && now - m_lastInput >= kFileIdle) {
        show("\r\nA-OK  " + std::to_string(m_fileBytes) + " bytes written to flash" + prompt());
        log("file     rx " + std::to_string(m_fileBytes) + " bytes -> A-OK");
        m_fileBytes = 0;
        m_mode = Mode::Terminal;
    }
    if (!m_input.empty() && now - m_lastInput >= kFrameGap) {
        process(now, true);
    }
}

std::optional<Unit::TimePoint> Unit::nextDeadline() const {
    std::optional<TimePoint> next;
    auto consider = [&next](TimePoint when) {
        if (!next || when < *next) {
            next = when;
        }
    };
    if (m_awaitingAck) {
        consider(m_ackDeadline);
    }
    if (m_mode == Mode::ReceivingFile && m_fileBytes > 0) {
        consider(m_lastInput + kFileIdle);
    }
    if (!m_input.empty()) {
        consider(m_lastInput + kFrameGap);
    }
    if (!m_outbox.empty()) {
        consider(m_outbox.front().first);
    }
    return next;
}

void Unit::reply(std::string bytes, TimePoint now, milliseconds after) {
    m_outbox.emplace_back(now + milliseconds(m_faults.lateMs) + after, std::move(bytes));
}

void Unit::show(const std::string& text) {
    if (!m_faults.has(Fault::Silent)) {
        m_outbox.emplace_back(TimePoint{}, text);
    }
}

std::string Unit::takeOutput(TimePoint now) {
    std::string bytes;
    while (!m_outbox.empty() && m_outbox.front().first <= now) {
        bytes += m_outbox.front().second;
        m_outbox.pop_front();
    }
    return bytes;
}

void Unit::log(const std::string& line) {
    m_log.push_back(line);
}

std::vector<std::string> Unit::takeLog() {
    return std::exchange(m_log, {});
}

bool Unit::takeChanged() {
    return std::exchange(m_changed, false);
}

} // namespace cvcfg::sim
