#pragma once

#include "link/operator.h"

#include <iosfwd>
#include <optional>
#include <string>

namespace cvcfg::cli {

// The operator of a transfer run from a shell: messages and status lines are
// printed, questions are answered at the keyboard (or by --yes), and the
// upload's file name comes from the command line. Where the transfer lets
// time pass, a noted Ctrl-C, SIGTERM or SIGHUP ends it (Interrupted).
class ConsoleOperator : public Operator {
public:
    ConsoleOperator(std::istream& in, std::ostream& talk, bool assumeYes,
                    std::optional<std::string> saveAs = std::nullopt)
        : m_in(in), m_talk(talk), m_assumeYes(assumeYes), m_saveAs(std::move(saveAs)) {}

    Answer showMessage(const MessageBox& box) override;
    std::optional<std::string> chooseSaveFile(const std::string& filter) override;
    void setStatus(const std::string& text) override;
    void setBusy(bool) override {}
    void processEvents() override;

    [[nodiscard]] const std::string& status() const { return m_status; }
    // Why the transfer failed, on one line: the last status, joined to the
    // message (or the cancelling answer) just before it, if any.
    [[nodiscard]] const std::string& failureReason() const { return m_reason; }

private:
    std::istream& m_in;
    std::ostream& m_talk;
    bool m_assumeYes;
    std::optional<std::string> m_saveAs;
    std::string m_status;
    std::string m_reason;
    bool m_reasonIsMessage = false;
};

} // namespace cvcfg::cli
