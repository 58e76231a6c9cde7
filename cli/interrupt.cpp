#include "cli/interrupt.h"

#include <array>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace cvcfg::cli {

namespace {

constexpr std::array<int, 3> kSignals = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t g_caught = 0;
std::array<struct sigaction, kSignals.size()> g_previous{};
int g_nothing = -1; // /dev/null, opened before any signal can come

extern "C" void noteSignal(int signal) {
    g_caught = signal;
    // A signal just before the prompt's read would not cut that read short:
    // from now on the keyboard reads as ended, so the prompt returns at once.
    if (g_nothing >= 0) {
        ::dup2(g_nothing, STDIN_FILENO);
    }
}

} // namespace

InterruptCatcher::InterruptCatcher() {
    g_caught = 0;
    g_nothing = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    struct sigaction action {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: a read at the prompt returns
    for (std::size_t k = 0; k < kSignals.size(); ++k) {
        sigaction(kSignals[k], &action, &g_previous[k]);
    }
}

InterruptCatcher::~InterruptCatcher() {
    for (std::size_t k = 0; k < kSignals.size(); ++k) {
        sigaction(kSignals[k], &g_previous[k], nullptr);
    }
    if (g_nothing >= 0) {
        ::close(g_nothing);
        g_nothing = -1;
    }
}

const char* signalName(int signal) {
    switch (signal) {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
    case SIGHUP:
        return "SIGHUP";
    default:
        return "a signal";
    }
}

void throwIfInterrupted() {
    if (const int signal = g_caught; signal != 0) {
        throw Interrupted{signal};
    }
}

} // namespace cvcfg::cli
