#pragma once

#include "link/session.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace cvcfg {

// How an upload ended.
enum class UploadOutcome {
    NotContacted, // the port did not open, or the operator cancelled
    TimedOut,     // a stage had no reply within its time-out
    InvalidReply, // a reply too short or not beginning "T","R"
    NoFileName,   // the operator chose no file
    FileError,    // the file could not be written, or would not read back
    ReadFailed,   // the port failed while a reply was awaited
    OtherVariant, // the first reply came from a unit the caller did not expect
    Complete,     // the file holds the unit's configuration, now loaded
};

inline constexpr std::chrono::milliseconds kUploadStageTimeout{3000};

// Which stages an upload runs for the record's product, and how many
// ExtParams values the first reply carries.
struct UploadPlan {
    int stage1Values = 0;       // 0, 2, 6 or 14
    bool registerMap = false;   // stage 2, T E M: the 88 register-map values
    bool extendedBlock = false; // stage 3, T E R: the 14 extended values

    bool operator==(const UploadPlan&) const = default;
};

[[nodiscard]] UploadPlan uploadPlanFor(const ConfigRecord& record);

// The bytes of the last reply, by position; positions the reply did not
// reach hold 0.
inline constexpr std::size_t kReplyBytesSize = 201;
using ReplyBytes = std::array<int16_t, kReplyBytesSize>;
void SplitReply(const std::string& reply, ReplyBytes& bytes);

// What a unit says it is in its first reply: the body length and the
// application code of the image it keeps.
struct UnitIdentity {
    int bodyLength = 0;
    int appCode = 0;

    bool operator==(const UnitIdentity&) const = default;
};

[[nodiscard]] UnitIdentity identityOf(const ReplyBytes& bytes);

// Judges the identity of the unit that answered: nothing to go on, or the
// status with which the upload stops there.
using IdentityCheck = std::function<std::string(const UnitIdentity&)>;

// Where an upload puts what it read: a file the operator names and the
// record with the editor he shows, or the record alone (to compare it).
enum class UploadTarget { FileAndRecord, RecordOnly };

// Reads the unit's configuration in its stages, saves it as the file the
// operator names and loads it into the record (and the editor the operator
// shows). The file is replaced only by a complete upload that reads back;
// any failure leaves it as it was. With RecordOnly no file is asked for or
// touched and no form is shown the record. With `check`, a unit whose first
// reply it refuses is acknowledged and left at that (OtherVariant), before
// any field is taken. Reports on the calling form; the port is closed on
// every way out.
UploadOutcome UploadConfiguration(Session& session,
                                  UploadTarget target = UploadTarget::FileAndRecord,
                                  const IdentityCheck& check = {});

// Acknowledges a reply with one ACK.
void SendAck(Session& session);

} // namespace cvcfg
