// The show: its start-up (first picture, content, wiring), one frame at a music time, and its end.
// The same code runs live and offline; only the caller's clock and presentation differ.
#pragma once

#include <chrono>
#include <memory>
#include <optional>

#include "app/demo.h"
#include "app/timeline.h"
#include "platform/d3d9.h"

class Composition;
class CompositionCache;

// The composition every frame draws, and the positions in it that the show addresses.
constexpr const char* showCompositionFile = "data/virelle.cda";

class Show {
public:
    // Borrows the program's composition cache; draws on the global device.
    explicit Show(CompositionCache& compositions);
    ~Show();
    Show(const Show&) = delete;
    Show& operator=(const Show&) = delete;

    // Keeps the back buffer, gets the composition and checks that every layer and element the show
    // addresses exists (one box naming what lacks), presents the composition at time 0, loads the
    // Demo, resets the timeline and wires the targets into the composition. False on any failure;
    // nothing missing is then drawn or addressed.
    bool Start();
    // The 3D passes of the window t lies in, then the composition at t. spectrum[0] and [1] are s0, s1.
    void Frame(float t, const float* spectrum);
    // Steps the timeline exactly as Frame does but draws nothing. Each scene's latest pass is kept
    // and drawn by the next Frame, in the order the passes happened: that leaves the targets and the
    // device's light slots as the skipped frames would have (offline runs that start late).
    void Skip(float t, const float* spectrum);
    // Puts the show back where Start left it, to be stepped again from time 0 (a jump back in
    // music time): the timeline at its initial values, no skipped passes, the moved element's offset
    // 0 and both targets cleared. Draws nothing else.
    void Rewind();
    // Takes over content loaded anew (the composition, borrowed from whoever loaded it, and a loaded
    // Demo) when the composition has every place the show addresses; wires the targets into it. The
    // timeline is kept: Rewind and step again to see the new content at the current time. False
    // (one box naming what lacks) leaves everything as it was.
    bool Replace(Composition* newComposition, std::unique_ptr<Demo> newDemo);
    // Destroys the Demo (its scenes) and lets go of the back buffer.
    void End();
    // A lost device. Before its Reset: lets go of everything the show holds in the device's default
    // pool (the back buffer it keeps, the scenes' vertex buffers, the render targets). After it:
    // makes them again (false when that fails) with the targets cleared, and the next Frame first
    // draws again the latest pass of each target, so they show what they showed before.
    void ReleaseDeviceResources();
    bool RestoreDeviceResources();

    const TimelineState& Timeline() const { return timeline; }
    // Puts the timeline back to a state it had, so a frame can be drawn again as it was (a held
    // picture draws each frame from the state before it).
    void SetTimeline(const TimelineState& state) { timeline = state; }
    // When Start presented the first picture (for start-up measurements).
    std::chrono::steady_clock::time_point FirstPictureTime() const { return firstPicture; }

private:
    Scene& SceneFor(ShowScene scene);
    void TargetPass(const ScenePass& pass);
    void DrawSkippedPasses();
    void Rehearse();
    void Wire();

    struct SkippedPass {
        ScenePass pass;
        long order;  // when it would have been drawn
    };

    CompositionCache& compositions;
    IDirect3DSurface9* backBuffer = nullptr;  // render target 0 at start-up, held for the run
    Composition* composition = nullptr;       // owned by the cache
    std::unique_ptr<Demo> demo;
    TimelineState timeline;
    std::optional<SkippedPass> skipped[3];  // by ShowScene
    std::optional<ScenePass> lastPass[2];   // the latest pass drawn into each target, by ShowTarget
    long skippedCount = 0;
    std::chrono::steady_clock::time_point firstPicture{};
};
