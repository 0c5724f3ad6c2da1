// One capture from a checked request to a finished file: the show on the offline clock, each
// picture read back without stalling the next frame's drawing, the encoder on its own thread, the
// file written under a temporary name and renamed only once complete. Ctrl+C (SIGINT, SIGTERM)
// stops it cleanly; nothing is left at the requested name unless the capture finished.
#pragma once

#include <string>

#include "platform/d3dwindow.h"
#include "tools/capture/capture_plan.h"

// Exit statuses of the capture command.
constexpr int captureOk = 0;
constexpr int captureFailed = 1;         // the device, the encoder or the file failed while working
constexpr int captureBadInput = 2;       // options, the output path or the content
constexpr int captureInterrupted = 130;  // SIGINT or SIGTERM, as shells report an interrupted command

struct CaptureRequest {
    std::string out;  // the file asked for
    Container container = Container::Mp4;
    std::string musicPath;  // decoded again for the sound track
    CaptureRange range;
    int width = 640, height = 480;  // of the video
    DrawSize drawSize;              // what the show is drawn at (--resolution, --supersample)
    bool scaled = false;            // --size given: the drawn 4:3 picture is scaled to fit the video
    int crf = 18;
    std::string preset = "veryfast";
    bool quiet = false;  // no progress on stderr
    bool stats = false;  // a second summary line with where the time went
};

// Writes request.out; messages go to stderr, the summary line to stdout. Returns an exit status.
int RunCapture(const CaptureRequest& request);
