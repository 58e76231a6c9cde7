#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace cvcfg {

// What the terminal shows, kept as text, and how each chunk received from
// the unit changes it. Carriage returns are dropped, line feeds end lines, a
// backspace deletes the character before it (never a line end), and the text
// stays bounded: once it reaches 16384 characters its first 4096 go.
class TerminalText {
public:
    static constexpr std::size_t kLimit = 16384;
    static constexpr std::size_t kTrim = 4096;

    // How the shown text changes: drop characters at the front, erase some at
    // the end, then append.
    struct Edit {
        std::size_t dropFront = 0;
        std::size_t eraseBack = 0;
        std::string append;
    };

    Edit receive(std::string_view data);

    [[nodiscard]] const std::string& text() const { return m_text; }

private:
    std::string m_text;
};

// A flash system file goes to the unit in pieces of 512 bytes; the last
// piece is what remains.
inline constexpr std::size_t kSystemFilePiece = 512;
[[nodiscard]] std::vector<std::size_t> systemFilePieces(std::size_t size);

// The progress bar's maximum: the file's size in pieces, rounded to the
// nearest, and 5 more.
[[nodiscard]] int systemFileProgressMaximum(std::size_t size);

// The share of the file sent, in whole percent (an empty file is all sent).
[[nodiscard]] int percentSent(std::size_t sent, std::size_t size);

} // namespace cvcfg
