// The program-wide objects and the live run of the show.
//
// The objects are built at the start of main, not by static initialisation, so that an Exception
// from the window can be caught and shown: the composition cache, the window (and device), the music
// stream, then the file-texture and render-target registries. They go in the reverse order. Before
// them a worker starts preparing the composition's textures (gfx/texture_prefetch.h), which the
// show's start-up then takes instead of decoding them itself.
#pragma once

#include <memory>

#include "audio/music_stream.h"
#include "composition/composition_cache.h"
#include "gfx/texture.h"
#include "gfx/texture_prefetch.h"
#include "platform/d3dwindow.h"

constexpr const char* showTitle = "Virelle";
constexpr const char* showMusicFile = "music/poa.mp3";

struct ProgramSetup {
    bool ownWindow = true;   // false: draw on the device that is already open (offline tools, tests)
    bool fullScreen = true;  // with ownWindow
    MusicStream::Clock clock = MusicStream::Clock::RealTime;
    DrawSize drawSize;  // with ownWindow: the size the show is drawn at (--resolution, --supersample)
};

class Program {
public:
    // Builds the objects in order; an Exception from the window passes through. When the window
    // could not make a device, the music stream is not made.
    explicit Program(const ProgramSetup& setup);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Members in construction order; destroyed in reverse.
    std::unique_ptr<TexturePrefetch> prefetch;  // what texturePrefetch points at while this lives
    CompositionCache compositions;
    std::unique_ptr<D3DWindow> window;     // null without ownWindow
    std::unique_ptr<MusicStream> music;    // null when there is no device
    TextureRegistry fileTextureRegistry;   // what fileTextures points at while this lives
    TextureRegistry renderTargetRegistry;  // what renderTargets points at while this lives
};

// How the live program runs.
struct LiveOptions {
    bool fullScreen = true;
    float startAt = 0.0f;  // music time the show starts at; past 0, the state a run from 0 would reach
    DrawSize drawSize;     // the size the show is drawn at
};

// The live show: builds the program objects, runs the show on the music's real-time clock, tears
// down. 0 after a normal end (music's end, Escape or a failed show start-up, which has told the user),
// 1 when the window raised an Exception (shown in a message box) or no device could be created,
// 128 + N when stop signal N ended it (see platform/stop_signals.h).
int RunLiveProgram(const LiveOptions& options);

// The music's length in seconds as the music stream will report it, from a scan of the file alone;
// negative when the file can't be read as music (the stream reports that itself later).
float ProbeMusicLength(const char* fileName);
