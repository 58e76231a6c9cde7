#include "cli/console.h"

#include <istream>
#include <ostream>

namespace cvcfg::cli {

namespace {

// Message texts break lines with CR and LF in either order.
std::string plainLines(const std::string& text) {
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            const char next = i + 1 < text.size() ? text[i + 1] : '\0';
            if ((next == '\r' || next == '\n') && next != c) {
                ++i;
            }
            lines += '\n';
        } else {
            lines += c;
        }
    }
    return lines;
}

} // namespace

Answer ConsoleOperator::showMessage(const MessageBox& box) {
    m_talk << '\n'
           << (box.title.empty() ? "CVCFG" : box.title) << '\n'
           << plainLines(box.prompt) << '\n';
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
