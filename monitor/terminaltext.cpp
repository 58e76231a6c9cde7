#include "monitor/terminaltext.h"

namespace cvcfg {

TerminalText::Edit TerminalText::receive(std::string_view data) {
    Edit edit;
    if (m_text.size() >= kLimit) {
        edit.dropFront = kTrim;
        m_text.erase(0, kTrim);
    }
    for (const char c : data) {
        if (c == '\r') {
            continue;
        }
        if (c == '\b') {
            // Delete the character before, whether this chunk brought it or
            // an earlier one; a line end stays.
            if (!edit.append.empty()) {
                if (edit.append.back() != '\n') {
                    edit.append.pop_back();
                }
            } else if (m_text.size() > edit.eraseBack &&
                       m_text[m_text.size() - 1 - edit.eraseBack] != '\n') {
                ++edit.eraseBack;
            }
            continue;
        }
        edit.append += c;
    }
    m_text.erase(m_text.size() - edit.eraseBack);
    m_text += edit.append;
    return edit;
}

std::vector<std::size_t> systemFilePieces(std::size_t size) {
    std::vector<std::size_t> pieces;
    for (std::size_t sent = 0; sent < size; sent += kSystemFilePiece) {
        pieces.push_back(std::min(kSystemFilePiece, size - sent));
    }
    return pieces;
}

int systemFileProgressMaximum(std::size_t size) {
    // Halves round to the even count, as the unit's own tools round.
    std::size_t pieces = size / kSystemFilePiece;
    const std::size_t rest = size % kSystemFilePiece;
    if (rest > kSystemFilePiece / 2 || (rest == kSystemFilePiece / 2 && pieces % 2 == 1)) {
        ++pieces;
    }
    return static_cast<int>(pieces) + 5;
}

int percentSent(std::size_t sent, std::size_t size) {
    return size == 0 ? 100 : static_cast<int>((sent * 100 + size / 2) / size);
}

} // namespace cvcfg
