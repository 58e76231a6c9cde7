#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace cvcfg {

class FileValueView;

// Message box buttons and icons, with the values the operator's platform
// gives them; and the answers.
enum class Buttons { Ok = 0, OkCancel = 1, YesNo = 4 };
enum class Icon { None = 0, Critical = 16, Exclamation = 48, Information = 64 };
enum class Answer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

struct MessageBox {
    std::string prompt;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
    std::string title; // empty: the program's own title

    bool operator==(const MessageBox&) const = default;
};

// A question answered with a line of text, offered `initial` to start from;
// `field` names the text box for those who cannot see the prompt beside it.
struct TextQuestion {
    std::string prompt;
    std::string title;
    std::string field;
    std::string initial;
};

// A message text with every line break as one LF: the program's texts break
// lines with CR and LF in either order.
[[nodiscard]] inline std::string messageLines(const std::string& text) {
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

// Everything a transaction needs from the person at the PC and from the form
// that started it: message boxes, file dialogs, the form's status line and
// busy state, its event pump and its timers. The desktop forms, the command
// line and scripted tests each implement it, so one transaction serves all.
class Operator {
public:
    virtual ~Operator() = default;

    virtual Answer showMessage(const MessageBox& box) = 0;
    // The save-file dialog (overwrite prompt on); nothing when cancelled.
    // Filters are written "Description (*.EXT)|*.EXT".
    virtual std::optional<std::string> chooseSaveFile(const std::string& filter) = 0;
    // The open-file dialog, titled `title` (empty: the platform's title);
    // nothing when cancelled.
    virtual std::optional<std::string> chooseOpenFile(const std::string& /*filter*/,
                                                      const std::string& /*title*/) {
        return std::nullopt;
    }
    // Asks for a line of text; nothing when cancelled.
    virtual std::optional<std::string> askText(const TextQuestion& /*question*/) {
        return std::nullopt;
    }
    // Opens a web page in the desktop's browser; failures are ignored.
    virtual void openWebPage(const std::string& /*address*/) {}
    // Asks the help engine to close the program's help windows; there is no
    // help engine here, so by default this does nothing.
    virtual void closeHelp() {}
    // The calling form's status line.
    virtual void setStatus(const std::string& text) = 0;
    // The calling form's transfer buttons disabled and the hourglass shown.
    virtual void setBusy(bool busy) = 0;
    // Lets the user interface handle what is pending; never blocks.
    virtual void processEvents() = 0;
    // The interval a form's timer really runs for one designed as `designed`;
    // tests shorten the transfers' time-outs here.
    [[nodiscard]] virtual std::chrono::milliseconds
    timerInterval(std::chrono::milliseconds designed) const {
        return designed;
    }
    // The editor that shows an opened or uploaded configuration, if any.
    [[nodiscard]] virtual FileValueView* fileValueView() { return nullptr; }
};

} // namespace cvcfg
