// Ctrl-C on Windows: the console calls a handler on a thread of its own.
#include "cli/interrupt.h"

#include <atomic>
#include <csignal>
#include <windows.h>

namespace cvcfg::cli {

namespace {

std::atomic<int> g_caught{0};
HANDLE g_mainThread = nullptr; // the thread a prompt may be waiting in
HANDLE g_finished = nullptr;   // set once the catcher's owner has cleaned up

BOOL WINAPI noteControl(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        g_caught = SIGINT;
        break;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        g_caught = SIGTERM;
        break;
    default:
        return FALSE;
    }
    // A prompt waiting for Enter returns at once and sees the note.
    if (g_mainThread) {
        CancelSynchronousIo(g_mainThread);
    }
    // Windows ends the process when this returns from a closing console;
    // until then the transfer has a few seconds to close its port.
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && g_finished) {
        WaitForSingleObject(g_finished, 4000);
    }
    return TRUE;
}

} // namespace

InterruptCatcher::InterruptCatcher() {
    g_caught = 0;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &g_mainThread, 0,
                    FALSE, DUPLICATE_SAME_ACCESS);
    g_finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(noteControl, TRUE);
}

InterruptCatcher::~InterruptCatcher() {
    SetConsoleCtrlHandler(noteControl, FALSE);
    if (g_finished) {
        SetEvent(g_finished);
        CloseHandle(g_finished);
        g_finished = nullptr;
    }
    if (g_mainThread) {
        CloseHandle(g_mainThread);
        g_mainThread = nullptr;
    }
}

const char* signalName(int signal) {
    return signal == SIGINT ? "Ctrl-C" : "the console closing";
}

void throwIfInterrupted() {
    if (const int signal = g_caught; signal != 0) {
        throw Interrupted{signal};
    }
}

} // namespace cvcfg::cli
