#include "link/download.h"

#include "core/catalogue.h"
#include "core/image.h"
#include "link/contact.h"

namespace cvcfg {

namespace {

constexpr const char* kTryAgain = "Try TRANSFER CONFIGURATION Again";
constexpr const char* kNoContact = "Unable to communicate with Corvane.";

// Reports a failed transfer and leaves the form idle and the port closed.
DownloadOutcome fail(Session& session, DownloadOutcome outcome, const std::string& prompt,
                     const std::string& title) {
    session.op.showMessage({prompt, Buttons::Ok, Icon::Critical, title});
    session.op.setStatus(kTryAgain);
    session.op.setBusy(false);
    session.serial.CommClose(session.record.ComPort);
    return outcome;
}

} // namespace

bool ScanForAck(const std::string& reply) {
    return reply.find(kAck) != std::string::npos;
}

DownloadOutcome DownloadConfiguration(Session& session) {
    ConfigRecord& record = session.record;
    session.op.setStatus("Downloading Parameters...");
    // The image is built before the operator is asked to press the unit's
    // button, so that a record no image can carry bothers no one.
    const Expected<Bytes> image = BuildConfigImage(record);
    if (!image) {
        return fail(session, DownloadOutcome::InvalidRecord,
                    "The configuration cannot be downloaded: " + image.error() + ".",
                    "INVALID CONFIGURATION");
    }
    if (ContactUnit(session) != kContactOk) {
        session.op.setBusy(false);
        return DownloadOutcome::NotContacted;
    }
    record.CommStatus = session.serial.CommSetNOXON(record.ComPort, linkSettings(record));
    session.op.setStatus("Initiating transfer to Corvane");
    const std::string bytes(image->begin(), image->end());
    record.CommStatus = session.serial.CommWrite(record.ComPort, bytes);
    if (record.CommStatus != static_cast<int32_t>(bytes.size())) {
        return fail(session, DownloadOutcome::WriteFailed,
                    std::string(kNoContact) + "\r\n\r\n" + serialErrorText(session.serial),
                    "WRITE FAILED");
    }
    return AwaitAck(session);
}

DownloadOutcome AwaitAck(Session& session) {
    ConfigRecord& record = session.record;
    ReplyTimer timer;
    timer.setInterval(session.op.timerInterval(kDownloadTimeout));
    // The unit's answer is complete with an ACK; a NAK without one, or the
    // limit reached, is an answer without ACK.
    const auto answered = [](const std::string& reply) {
        return ScanForAck(reply) || reply.find(kNak) != std::string::npos ||
               reply.size() >= static_cast<std::size_t>(kDownloadReplyLimit);
    };
    // The form's timer event: the wait is over and the port closed.
    const auto timeUp = [&](const std::string&) {
        record.TimeoutFlag = false;
        timer.disable();
        session.serial.CommClose(record.ComPort);
    };
    const Collected collected = CollectReply(session, timer, kDownloadReplyLimit, answered, timeUp);
    timer.disable();

    if (ScanForAck(collected.reply)) {
        record.CommStatus = session.serial.CommWrite(record.ComPort, std::string(1, kAck));
        session.op.setStatus("A-OK! Transmission received by Corvane");
        if (const Family* family = familyOf(record); !family || family->resetAfterDownload) {
            session.op.showMessage({"Press the RESET Button of the Corvane to put it ON-LINE",
                                    Buttons::Ok, Icon::Information, "Press Reset Button"});
        }
        session.op.setBusy(false);
        session.serial.CommClose(record.ComPort);
        return DownloadOutcome::Acknowledged;
    }
    if (!record.TimeoutFlag) {
        return fail(session, DownloadOutcome::TimedOut, kNoContact, "TIMEOUT DETECTED");
    }
    if (!collected.readError.empty()) {
        return fail(session, DownloadOutcome::ReadFailed,
                    std::string(kNoContact) + "\r\n\r\n" + collected.readError, "READ FAILED");
    }
    return fail(session, DownloadOutcome::NoAck, kNoContact, "NO ACK RECEIVED");
}

} // namespace cvcfg
