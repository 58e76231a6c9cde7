#include "cli/console.h"

#include "cli/interrupt.h"

#include <istream>
#include <ostream>

namespace cvcfg::cli {

namespace {

// A message on one line: its line breaks become single spaces.
std::string oneLine(const std::string& text) {
    std::string line;
    for (const char c : text) {
        if (c != '\r' && c != '\n') {
            line += c;
        } else if (!line.empty() && line.back() != ' ') {
            line += ' ';
        }
    }
    while (!line.empty() && line.back() == ' ') {
        line.pop_back();
    }
    return line;
}

} // namespace

Answer ConsoleOperator::showMessage(const MessageBox& box) {
    m_talk << '\n'
           << (box.title.empty() ? "CVCFG" : box.title) << '\n'
           << messageLines(box.prompt) << '\n';
    const bool confirm = box.buttons == Buttons::OkCancel;
    if (box.buttons == Buttons::Ok) {
        m_reason = oneLine(box.prompt);
        m_reasonIsMessage = true;
        return Answer::Ok;
    }
    const auto answered = [&](Answer answer) {
        if (answer == Answer::Cancel) {
            m_reason = "cancelled at \"" + box.title + "\"";
            m_reasonIsMessage = true;
        }
        return answer;
    };
    const Answer yes = confirm ? Answer::Ok : Answer::Yes;
    const Answer no = confirm ? Answer::Cancel : Answer::No;
    if (m_assumeYes) {
        m_talk << (confirm ? "[OK, by --yes]" : "[Yes, by --yes]") << '\n';
        return yes;
    }
    m_talk << (confirm ? "Press Enter for OK, or type C and Enter to cancel: "
                       : "Type Y and Enter for Yes, anything else for No: ")
           << std::flush;
    std::string line;
    if (!std::getline(m_in, line)) {
        m_talk << '\n';
        throwIfInterrupted();
        return answered(no);
    }
    const char first = line.empty() ? '\0' : static_cast<char>(std::tolower(line.front()));
    if (confirm) {
        return answered(first == 'c' ? no : yes);
    }
    return answered(first == 'y' ? yes : no);
}

void ConsoleOperator::processEvents() {
    throwIfInterrupted();
}

std::optional<std::string> ConsoleOperator::chooseSaveFile(const std::string&) {
    return m_saveAs;
}

void ConsoleOperator::setStatus(const std::string& text) {
    m_status = text;
    m_reason = m_reasonIsMessage ? m_reason + " " + text : text;
    m_reasonIsMessage = false;
    m_talk << text << '\n';
}

} // namespace cvcfg::cli
