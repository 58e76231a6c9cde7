#pragma once

namespace cvcfg::cli {

// What ends a transfer when the operator presses Ctrl-C, or the session
// ends (SIGHUP), or someone stops the command (SIGTERM). On Windows, Ctrl-C
// and Ctrl-Break count as SIGINT, a closing console, log-off or shut-down as
// SIGTERM.
struct Interrupted {
    int signal;
};

// While it lives, SIGINT, SIGTERM and SIGHUP are noted rather than ending
// the process at once, so that a transfer can close its port and remove its
// temporary files; the transfer looks for them where it lets time pass.
// Blocking calls return early (no restart), so a prompt waiting for Enter
// sees the signal too. On Windows the console's control handler does the
// same (SetConsoleCtrlHandler).
class InterruptCatcher {
public:
    InterruptCatcher();
    ~InterruptCatcher();
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;
};

// Throws Interrupted when a signal has been noted since the catcher began.
void throwIfInterrupted();

// "SIGINT", "SIGTERM" or "SIGHUP"; on Windows "Ctrl-C" or "the console
// closing".
[[nodiscard]] const char* signalName(int signal);

// The exit status of a command ended by `signal`, as a shell reports it.
[[nodiscard]] constexpr int interruptedStatus(int signal) {
    return 128 + signal;
}

} // namespace cvcfg::cli
