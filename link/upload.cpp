#include "link/upload.h"

#include "core/catalogue.h"
#include "core/configfile.h"
#include "core/fields.h"
#include "core/savefile.h"
#include "link/contact.h"

#include <algorithm>
#include <filesystem>

namespace cvcfg {

namespace {

constexpr const char* kInvalidReply = "!Error!Invalid Upload Message Received! Upload Again!";

constexpr std::size_t kStage1Basic = 47;    // b(29) to b(47): the fixed section
constexpr std::size_t kStage1Extended = 56; // b(56) onward: ExtParams pairs
constexpr std::size_t kStage2First = 24;    // b(24) to b(111): ExtParams[0..87]
constexpr std::size_t kStage3First = 16;    // b(16) to b(29): ExtParams[0..13]
// The first reply carries the image one place on, so its header's body
// length and the body's application code stand here.
constexpr std::size_t kBodyLengthAt = 2;
constexpr std::size_t kAppCodeAt = 28;
constexpr int kStage3Values = 14;

// How many bytes each stage collects before it judges the reply. The first
// stage collects more where its reply carries more (the CV-PCI reads b(69)).
constexpr std::size_t kStage1Limit = 66;
constexpr std::size_t kStage2Limit = 114;
constexpr std::size_t kStage3Limit = 94;

// A reply may run on past its limit. Before the ACK the stage waits for the
// line to stay quiet this long, so that no byte of it is still on its way
// when the next request goes out: some twenty byte times at 9600 baud, and
// longer than the 16 ms for which a USB serial adapter may hold what it has.
constexpr std::chrono::milliseconds kReplySettle{20};
// However long a reply runs on, a stage keeps no more than this of it.
constexpr std::size_t kLongestReply = 1024;

// One request of the exchange: what it sends, how many bytes it collects and
// the last reply position it reads.
struct Stage {
    const char* request;
    std::size_t limit;
    std::size_t highest;
};

// Where each fixed-section line of the file comes from in the first reply.
constexpr std::array<std::size_t, 15> kFixedPositions = {29, 30, 31, 32, 33, 34, 35, 36,
                                                         37, 41, 42, 44, 45, 46, 47};

bool validStart(const std::string& reply) {
    return reply.size() >= 2 && reply[0] == 'T' && reply[1] == 'R';
}

// Whether a reply is valid and reaches every position the stage reads.
bool carries(const std::string& reply, const Stage& stage) {
    return validStart(reply) && reply.size() > stage.highest;
}

// The fixed-section lines, written as the file writer writes them, from the
// first reply. The decimal-text lines are the bytes as bare numbers.
std::string fixedLines(const ReplyBytes& b) {
    ConfigRecord unit;
    const auto fields = sectionAFields();
    for (std::size_t line = 0; line < fields.size(); ++line) {
        const ByteField& field = fields[line];
        const int value = b[kFixedPositions[line]];
        if (field.form == ByteForm::Number) {
            unit.*field.number = value;
        } else if (field.form == ByteForm::DecimalText) {
            unit.*field.text = std::to_string(value);
        } else {
            unit.*field.text = charField(value);
        }
    }
    unit.ModeBytes += charField(b[43]);
    std::string text;
    for (const ByteField& field : fields) {
        text += field.form == ByteForm::DecimalText ? unit.*field.text : FileValueText(unit, field);
        text += kFileLineEnd;
    }
    return text;
}

std::string pairLines(const ReplyBytes& b, std::size_t first, int values) {
    std::string text;
    for (int k = 0; k < values; k += 2) {
        const std::size_t at = first + static_cast<std::size_t>(k);
        text += std::to_string(b[at]) + "," + std::to_string(b[at + 1]);
        text += kFileLineEnd;
    }
    return text;
}

std::string singleLines(const ReplyBytes& b, std::size_t first, int values) {
    std::string text;
    for (int k = 0; k < values; ++k) {
        text += std::to_string(b[first + static_cast<std::size_t>(k)]);
        text += kFileLineEnd;
    }
    return text;
}

class Upload {
public:
    Upload(Session& session, UploadTarget target, const IdentityCheck& check)
        : m_session(session), m_record(session.record), m_target(target), m_check(check) {
        m_timer.setInterval(session.op.timerInterval(kUploadStageTimeout));
    }

    UploadOutcome run();

private:
    // Sends a request and collects the reply up to the stage's limit, until
    // the line is quiet; false, with the outcome reported, when the reply
    // does not carry what the stage reads.
    bool exchange(const Stage& stage, bool firstStage);
    // Takes in what still comes after the limit, until the line is quiet.
    void settle(std::string& reply);
    UploadOutcome end(UploadOutcome outcome, const std::string& status = {});

    Session& m_session;
    ConfigRecord& m_record;
    UploadTarget m_target;
    const IdentityCheck& m_check;
    ReplyTimer m_timer;
    ReplyBytes m_bytes{};
    UploadOutcome m_failure = UploadOutcome::TimedOut;
};

UploadOutcome Upload::end(UploadOutcome outcome, const std::string& status) {
    if (!status.empty()) {
        m_session.op.setStatus(status);
    }
    m_session.serial.CommClose(m_record.ComPort);
    return outcome;
}

void Upload::settle(std::string& reply) {
    SerialLayer& serial = m_session.serial;
    while (reply.size() < kLongestReply) {
        serial.CommWaitInput(m_record.ComPort, static_cast<int32_t>(kReplySettle.count()));
        std::string more;
        const int32_t n = serial.CommRead(m_record.ComPort, more, kReplyBytesSize);
        if (n <= 0) {
            return;
        }
        reply += more;
    }
}

bool Upload::exchange(const Stage& stage, bool firstStage) {
    SerialLayer& serial = m_session.serial;
    if (!firstStage) {
        m_record.CommStatus = serial.CommFlush(m_record.ComPort);
    }
    m_record.CommStatus = serial.CommWrite(m_record.ComPort, stage.request);
    // Complete once the limit has come; a reply that does not begin "T","R"
    // or is a lone ACK is over, and wrong, at once.
    const auto complete = [&stage](const std::string& reply) {
        return reply.size() >= stage.limit || reply == std::string(1, 0x06) ||
               (reply.size() >= 2 && !validStart(reply));
    };
    // The form's timer event. A reply that stopped short of the limit but
    // carries every position the stage reads is judged like a full one; one
    // that has begun and stopped earlier is reported as invalid rather than
    // as silence.
    const auto timeUp = [this, &stage](const std::string& partial) {
        m_timer.disable();
        if (carries(partial, stage)) {
            return;
        }
        m_record.TimeoutFlag = false;
        if (partial.empty()) {
            m_session.op.showMessage(
                {"Unable to upload parameters from " + m_record.ModelName + ".", Buttons::Ok,
                 Icon::Critical, "TIMEOUT DETECTED"});
            m_session.op.setStatus("Check connections/settings and TRY UPLOAD AGAIN");
            m_failure = UploadOutcome::TimedOut;
        } else {
            m_session.op.setStatus(kInvalidReply);
            m_failure = UploadOutcome::InvalidReply;
        }
        m_session.serial.CommClose(m_record.ComPort);
    };
    Collected collected =
        CollectReply(m_session, m_timer, static_cast<int32_t>(stage.limit), complete, timeUp);
    if (!m_record.TimeoutFlag) {
        return false;
    }
    m_timer.disable();
    if (collected.readError.empty() && collected.reply.size() >= stage.limit) {
        settle(collected.reply);
    }
    if (!collected.readError.empty()) {
        m_session.op.showMessage({"Unable to upload parameters from " + m_record.ModelName +
                                      ".\r\n\r\n" + collected.readError,
                                  Buttons::Ok, Icon::Critical, "READ FAILED"});
        m_session.op.setStatus("Check connections/settings and TRY UPLOAD AGAIN");
        m_failure = UploadOutcome::ReadFailed;
        return false;
    }
    SplitReply(collected.reply, m_bytes);
    if (!carries(collected.reply, stage)) {
        m_session.op.setStatus(kInvalidReply);
        m_failure = UploadOutcome::InvalidReply;
        return false;
    }
    return true;
}

// What a failed upload says of the file the operator named.
std::string fileLeftAlone(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error) ? " " + path + " was left as it was."
                                                : " No file was written.";
}

UploadOutcome Upload::run() {
    Operator& op = m_session.op;
    op.setStatus("Upload Corvane Configuration in progress...");
    if (ContactUnit(m_session) != kContactOk) {
        return UploadOutcome::NotContacted;
    }
    const UploadPlan plan = uploadPlanFor(m_record);
    m_record.CommStatus = m_session.serial.CommSetNOXON(m_record.ComPort, linkSettings(m_record));

    const std::size_t stage1Highest =
        plan.stage1Values ? kStage1Extended + static_cast<std::size_t>(plan.stage1Values) - 1
                          : kStage1Basic;
    if (!exchange({"TEE", std::max(kStage1Limit, stage1Highest + 1), stage1Highest}, true)) {
        return end(m_failure);
    }
    if (m_check) {
        if (const std::string refused = m_check(identityOf(m_bytes)); !refused.empty()) {
            SendAck(m_session);
            return end(UploadOutcome::OtherVariant, refused);
        }
    }
    const bool toFile = m_target == UploadTarget::FileAndRecord;
    op.setStatus("A-OK! Configuration Uploaded from " + m_record.ModelName +
                 (toFile ? " - Saving to a File." : "."));
    SendAck(m_session);

    std::optional<std::string> path;
    if (toFile) {
        path = op.chooseSaveFile(ConfigFileFilter(m_record));
        if (!path || path->empty()) {
            return end(UploadOutcome::NoFileName,
                       "!Error!Invalid Filename Selected! Upload Again!");
        }
    }
    const auto leftAlone = [&path] {
        return path ? fileLeftAlone(*path) : std::string();
    };
    auto fileFailure = [&](const std::string& error) {
        op.showMessage({error, Buttons::Ok, Icon::Exclamation, "UPLOAD"});
        return end(UploadOutcome::FileError,
                   "!Error!The file could not be written! Upload Again!" + leftAlone());
    };
    std::string text = fixedLines(m_bytes) + pairLines(m_bytes, kStage1Extended, plan.stage1Values);

    struct Later {
        bool runs;
        const char* request;
        std::size_t limit;
        std::size_t first; // the first reply position read
        int values;
    };
    for (const Later& later :
         {Later{plan.registerMap, "TEM", kStage2Limit, kStage2First, kExtParamCount},
          Later{plan.extendedBlock, "TER", kStage3Limit, kStage3First, kStage3Values}}) {
        if (!later.runs) {
            continue;
        }
        const Stage stage{later.request, later.limit,
                          later.first + static_cast<std::size_t>(later.values) - 1};
        if (!exchange(stage, false)) {
            const std::string status = m_failure == UploadOutcome::TimedOut
                                           ? "!Error!Timeout Detected! Upload Again!"
                                       : m_failure == UploadOutcome::InvalidReply
                                           ? kInvalidReply
                                           : "Check connections/settings and TRY UPLOAD AGAIN";
            return end(m_failure, status + leftAlone());
        }
        SendAck(m_session);
        text += singleLines(m_bytes, later.first, later.values);
    }

    // The operator's file is replaced only by a complete upload that reads
    // back as a configuration of this product.
    const Expected<FileValues> values =
        ParseConfigFile(text, sectionBFor(m_record), path.value_or("the unit's configuration"));
    if (!values) {
        return fileFailure(values.error());
    }
    if (path) {
        if (const Status status = SaveFile(*path, text); !status) {
            return fileFailure(status.error);
        }
    }
    ApplyFileValues(m_record, *values, toFile ? op.fileValueView() : nullptr);
    return end(UploadOutcome::Complete,
               "A-OK! Success - Upload complete from " + m_record.ModelName + ".");
}

} // namespace

UploadPlan uploadPlanFor(const ConfigRecord& record) {
    const Variant* variant = variantOf(record);
    if (!variant) {
        return {};
    }
    return {variant->uploadStage1Values, variant->uploadRegisterMap, variant->uploadExtendedBlock};
}

void SplitReply(const std::string& reply, ReplyBytes& bytes) {
    bytes.fill(0);
    for (std::size_t k = 0; k < reply.size() && k < bytes.size(); ++k) {
        bytes[k] = static_cast<unsigned char>(reply[k]);
    }
}

UnitIdentity identityOf(const ReplyBytes& bytes) {
    return {bytes[kBodyLengthAt], bytes[kAppCodeAt]};
}

void SendAck(Session& session) {
    session.record.CommStatus =
        session.serial.CommWrite(session.record.ComPort, std::string(1, 0x06));
}

UploadOutcome UploadConfiguration(Session& session, UploadTarget target,
                                  const IdentityCheck& check) {
    return Upload(session, target, check).run();
}

} // namespace cvcfg
