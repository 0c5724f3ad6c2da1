// A page gets no signals: closing the tab ends everything at once.
#include "platform/stop_signals.h"

void PlatformCatchStopSignals() {}

int PlatformStopSignal() {
    return 0;
}

void PlatformResetStopSignal() {}
