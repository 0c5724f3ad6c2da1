// The stop signals: a flag set from the handler, read by the window's pump and the offline runs.
#include "platform/stop_signals.h"

#include <SDL.h>

#include <csignal>

namespace {

volatile std::sig_atomic_t caught = 0;
bool installed = false;

extern "C" void OnStopSignal(int signal) {
    if (!caught) caught = signal;
}

void Install() {
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;  // the second signal is the default action
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

void PlatformCatchStopSignals() {
    if (installed) return;
    installed = true;
    // Must be set before SDL starts its events, which is where it would install its handlers.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    Install();
}

int PlatformStopSignal() {
    return caught;
}

void PlatformResetStopSignal() {
    caught = 0;
    if (installed) Install();
}
