#include "cli/console.h"

#include <istream>
#include <ostream>

namespace cvcfg::cli {

Answer ConsoleOperator::showMessage(const MessageBox& box) {
    m_talk << '\n'
           << (box.title.empty() ? "CVCFG" : box.title) << '\n'
           << messageLines(box.prompt) << '\n';
    const bool confirm = box.buttons == Buttons::OkCancel;
    if (box.buttons == Buttons::Ok) {
        return Answer::Ok;
    }
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
        return no;
    }
    const char first = line.empty() ? '\0' : static_cast<char>(std::tolower(line.front()));
    if (confirm) {
        return first == 'c' ? no : yes;
    }
    return first == 'y' ? yes : no;
}

std::optional<std::string> ConsoleOperator::chooseSaveFile(const std::string&) {
    return m_saveAs;
}

void ConsoleOperator::setStatus(const std::string& text) {
    m_status = text;
    m_talk << text << '\n';
}

} // namespace cvcfg::cli
