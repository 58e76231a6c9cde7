#include "link/upload.h"

#include "core/catalogue.h"
#include "core/configfile.h"
#include "core/fields.h"
#include "link/contact.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace cvcfg {

namespace {

constexpr const char* kInvalidReply = "!Error!Invalid Upload Message Received! Upload Again!";

// A stage of the exchange: its request, the first reply position it reads
// and how many it reads.
struct Stage {
    const char* request;
    std::size_t highestPosition; // the last reply position the stage reads
};

constexpr std::size_t kStage1Basic = 47;    // b(29) to b(47): the fixed section
constexpr std::size_t kStage1Extended = 56; // b(56) onward: ExtParams pairs
constexpr std::size_t kStage2First = 24;    // b(24) to b(111): ExtParams[0..87]
constexpr std::size_t kStage3First = 16;    // b(16) to b(29): ExtParams[0..13]
constexpr int kStage3Values = 14;

// Where each fixed-section line of the file comes from in the first reply.
constexpr std::array<std::size_t, 15> kFixedPositions = {29, 30, 31, 32, 33, 34, 35, 36,
                                                         37, 41, 42, 44, 45, 46, 47};

bool validStart(const std::string& reply) {
    return reply.size() >= 2 && reply[0] == 'T' && reply[1] == 'R';
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

// Writes (or, with `append`, adds) lines to the upload's file.
Status writeLines(const std::string& path, const std::string& lines, bool append) {
    std::ofstream out(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
    if (out) {
        out << lines;
        out.flush();
    }
    if (!out) {
        return Status::failure("Cannot write " + path + ": " + std::strerror(errno));
    }
    return Status::success();
}

class Upload {
public:
    explicit Upload(Session& session) : m_session(session), m_record(session.record) {
        m_timer.setInterval(session.op.timerInterval(kUploadStageTimeout));
    }

    UploadOutcome run();

private:
    // Sends a request and collects the reply until every position the stage
    // reads has come; false, with the outcome reported, when it has not.
    bool exchange(const char* request, std::size_t highest, bool firstStage);
    UploadOutcome end(UploadOutcome outcome, const std::string& status = {});

    Session& m_session;
    ConfigRecord& m_record;
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

bool Upload::exchange(const char* request, std::size_t highest, bool firstStage) {
    SerialLayer& serial = m_session.serial;
    if (!firstStage) {
        m_record.CommStatus = serial.CommFlush(m_record.ComPort);
    }
    m_record.CommStatus = serial.CommWrite(m_record.ComPort, request);
    // Complete once every position the stage reads has come; a reply that
    // does not begin "T","R" or is a lone ACK is over, and wrong, at once.
    const auto complete = [highest](const std::string& reply) {
        return reply.size() > highest || reply == std::string(1, 0x06) ||
               (reply.size() >= 2 && !validStart(reply));
    };
    // The form's timer event. A reply that has begun but stopped short is
    // reported as invalid rather than as silence.
    const auto timeUp = [this](const std::string& partial) {
        m_record.TimeoutFlag = false;
        m_timer.disable();
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
    const Collected collected =
        CollectReply(m_session, m_timer, static_cast<int32_t>(highest + 1), complete, timeUp);
    if (!m_record.TimeoutFlag) {
        return false;
    }
    m_timer.disable();
    if (!collected.readError.empty()) {
        m_session.op.showMessage({"Unable to upload parameters from " + m_record.ModelName +
                                      ".\r\n\r\n" + collected.readError,
                                  Buttons::Ok, Icon::Critical, "READ FAILED"});
        m_session.op.setStatus("Check connections/settings and TRY UPLOAD AGAIN");
        m_failure = UploadOutcome::ReadFailed;
        return false;
    }
    SplitReply(collected.reply, m_bytes);
    if (collected.reply.size() <= highest || !validStart(collected.reply)) {
        m_session.op.setStatus(kInvalidReply);
        m_failure = UploadOutcome::InvalidReply;
        return false;
    }
    return true;
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
    if (!exchange("TEE", stage1Highest, true)) {
        return end(m_failure);
    }
    op.setStatus("A-OK! Configuration Uploaded from " + m_record.ModelName +
                 " - Saving to a File.");
    SendAck(m_session);

    const std::optional<std::string> path = op.chooseSaveFile(ConfigFileFilter(m_record));
    if (!path || path->empty()) {
        return end(UploadOutcome::NoFileName, "!Error!Invalid Filename Selected! Upload Again!");
    }
    auto fileFailure = [&](const Status& status) {
        op.showMessage({status.error, Buttons::Ok, Icon::Exclamation, "UPLOAD"});
        return end(UploadOutcome::FileError, "!Error!The file could not be written! Upload Again!");
    };
    const std::string stage1 =
        fixedLines(m_bytes) + pairLines(m_bytes, kStage1Extended, plan.stage1Values);
    if (const Status status = writeLines(*path, stage1, false); !status) {
        return fileFailure(status);
    }

    struct Later {
        bool runs;
        const char* request;
        std::size_t first;
        int values;
    };
    for (const Later& stage : {Later{plan.registerMap, "TEM", kStage2First, kExtParamCount},
                               Later{plan.extendedBlock, "TER", kStage3First, kStage3Values}}) {
        if (!stage.runs) {
            continue;
        }
        if (!exchange(stage.request, stage.first + static_cast<std::size_t>(stage.values) - 1,
                      false)) {
            // The file keeps its first lines; nothing is loaded.
            return end(m_failure, m_failure == UploadOutcome::TimedOut
                                      ? "!Error!Timeout Detected! Upload Again!"
                                      : "");
        }
        SendAck(m_session);
        if (const Status status =
                writeLines(*path, singleLines(m_bytes, stage.first, stage.values), true);
            !status) {
            return fileFailure(status);
        }
    }

    if (const Status status = OpenConfigFile(*path, m_record, op.fileValueView()); !status) {
        return fileFailure(status);
    }
    return end(UploadOutcome::Complete,
               "A-OK! Success - Upload complete from " + m_record.ModelName + ".");
}

} // namespace

UploadPlan uploadPlanFor(const ConfigRecord& record) {
    // The sections follow the record's file layout, so that the file the
    // upload writes is the file the reader expects.
    switch (sectionBFor(record)) {
    case SectionB::Brabender:
    case SectionB::AsciiTable:
        return {sectionBValueCount(sectionBFor(record)), false, false};
    case SectionB::ExtendedBlock:
        return record.ModelName == "CV-PCI" ? UploadPlan{14, false, false}
                                            : UploadPlan{0, false, true};
    case SectionB::RegisterMap:
        return {0, true, false};
    case SectionB::None:
        break;
    }
    return {};
}

void SplitReply(const std::string& reply, ReplyBytes& bytes) {
    bytes.fill(0);
    for (std::size_t k = 0; k < reply.size() && k < bytes.size(); ++k) {
        bytes[k] = static_cast<unsigned char>(reply[k]);
    }
}

void SendAck(Session& session) {
    session.record.CommStatus =
        session.serial.CommWrite(session.record.ComPort, std::string(1, 0x06));
}

UploadOutcome UploadConfiguration(Session& session) {
    return Upload(session).run();
}

} // namespace cvcfg
