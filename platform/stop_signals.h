// SIGINT and SIGTERM as a request to end the run the way Escape ends the show.
//
// SDL's own handlers turn both signals into a quit event, which the show ignores (closing the window
// must not end it), so they are kept off. Ours only note the signal; the window's pump then reports
// it like Escape, and the run tears down as usual. Each handler is used once: a second signal of
// the same kind takes its default action, so a run stuck behind a modal box can still be stopped.
#pragma once

// Installs the handlers (once per process; later calls do nothing).
void PlatformCatchStopSignals();
// The signal number caught so far, or 0.
int PlatformStopSignal();
// Tests: forget a caught signal and re-arm the handlers.
void PlatformResetStopSignal();
