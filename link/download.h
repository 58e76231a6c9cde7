#pragma once

#include "link/session.h"

#include <string>

namespace cvcfg {

// How a download ended.
enum class DownloadOutcome {
    NotContacted,  // the port did not open, or the operator cancelled
    InvalidRecord, // the record holds a value no image can carry
    WriteFailed,   // the image could not be written
    TimedOut,      // no answer within the time-out
    NoAck,         // an answer without an ACK
    ReadFailed,    // the port failed while the answer was awaited
    Acknowledged,  // the unit took the configuration
};

inline constexpr std::chrono::milliseconds kDownloadTimeout{6000};
inline constexpr int32_t kDownloadReplyLimit = 113;
inline constexpr char kAck = 0x06;
inline constexpr char kNak = 0x15;

// Sends the record's configuration image to the unit and awaits its ACK,
// reporting on the calling form (status line, buttons, messages). The form
// has made itself busy before; it is idle again afterwards, and the port is
// closed on every way out.
DownloadOutcome DownloadConfiguration(Session& session);

// Collects and judges the unit's answer to the image; ends the download.
DownloadOutcome AwaitAck(Session& session);

// Whether the unit's answer holds an ACK anywhere.
[[nodiscard]] bool ScanForAck(const std::string& reply);

} // namespace cvcfg
