// Author mode: the show with a transport (pause, jumps, loop), live reload of the content and a
// timing overlay, for the people who make it. The show's own code runs unchanged underneath.
#pragma once

#include "app/author/beat_grid.h"
#include "platform/d3dwindow.h"

struct AuthorOptions {
    bool fullScreen = true;
    float startAt = 0.0f;  // music time to open at
    BeatGrid grid;         // bars for Shift+Left/Right and the overlay's bar.beat
    DrawSize drawSize;     // the size the show (and the overlay with it) is drawn at
};

// Builds the program objects, runs the show under the author's keys until Escape, tears down.
// Exit statuses as RunLiveProgram's.
int RunAuthorProgram(const AuthorOptions& options);
