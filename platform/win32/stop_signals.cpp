// Ctrl+C, Ctrl+Break and closing the console as the stop signals they are on Linux: Ctrl+C is
// SIGINT (status 130), the others SIGTERM (143). The console's handler runs on a thread of its
// own; it only notes the event, and the window's pump reports it like Escape.
#include "platform/stop_signals.h"

#include <windows.h>

#include <atomic>

namespace {

constexpr int kSigInt = 2, kSigTerm = 15;  // the Linux numbers, for the same exit statuses

std::atomic<int> caught{0};
bool installed = false;

BOOL WINAPI OnConsoleEvent(DWORD event) {
    const int signal = event == CTRL_C_EVENT ? kSigInt : kSigTerm;
    int none = 0;
    // A second Ctrl+C while the first is still being handled takes the default action.
    if (!caught.compare_exchange_strong(none, signal) && event == CTRL_C_EVENT) return FALSE;
    // The system ends the process as soon as this returns from a close, logoff or shutdown: wait
    // here (it allows about five seconds) while the show tears down and returns its status.
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) Sleep(5000);
    return TRUE;
}

}  // namespace

void PlatformCatchStopSignals() {
    if (installed) return;
    installed = true;
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

int PlatformStopSignal() {
    return caught.load();
}

void PlatformResetStopSignal() {
    caught.store(0);
}
