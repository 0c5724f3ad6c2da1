// Author mode's overlay: the music time and bar.beat, frames per second with a graph of recent
// frame times, the active window with its scene times and cameras, the two beat bands against
// their trigger thresholds, and the paused and loop state. Drawn over the finished picture through
// the device (pre-transformed quads, one font texture), inside one panel at the top left; every
// device state it sets goes back as it was.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/author/beat_grid.h"
#include "app/author/overlay_font.h"
#include "app/timeline.h"
#include "platform/d3d9.h"

// What one overlay picture shows.
struct OverlayFacts {
    float t = 0;
    BarBeat barBeat{1, 1};
    float fps = 0;
    const float* frameMs = nullptr;  // recent frame times, oldest first
    int frameCount = 0;
    FramePlan plan;        // the frame's passes: which window, scene times, cameras
    float s0 = 0, s1 = 0;  // the frame's bands
    bool s0Fired = false;  // the ringer window's camera trigger fired this frame
    bool s1Fired = false;  // the ringer window's restart trigger fired this frame
    bool paused = false;
    bool looping = false;
    float loopStart = 0, loopEnd = 0;
};

// The name of the window a frame's passes belong to: "solo", "duet", "ringer" or "none".
const char* WindowName(const FramePlan& plan);

class Overlay {
public:
    // The panel, in back-buffer pixels; nothing outside it is touched.
    static constexpr int left = 8, top = 8, width = 320, height = 112;
    static constexpr int graphSamples = 180;  // three seconds at 60 frames a second

    Overlay() = default;
    ~Overlay();
    Overlay(const Overlay&) = delete;
    Overlay& operator=(const Overlay&) = delete;

    // Sets the type and makes the texture and vertex buffer. A font that can't be read leaves the
    // overlay without text (the reason in *warning); false only when the device refused.
    bool Create(const std::string& fontPath, std::string* warning);
    void Release();
    // Draws on the bound target (the back buffer).
    void Draw(const OverlayFacts& facts);

private:
    struct Vertex {
        float x, y, z, rhw;
        D3DCOLOR colour;
        float u, v;
    };
    void Rect(float x, float y, float w, float h, D3DCOLOR colour);
    float Text(float x, float baseline, const std::string& text, D3DCOLOR colour);  // returns the pen's end

    OverlayFont font;
    bool hasText = false;
    IDirect3DTexture9* atlas = nullptr;
    IDirect3DVertexBuffer9* buffer = nullptr;
    std::vector<Vertex> vertices;  // the picture being built
    int s0Flash = 0, s1Flash = 0;  // frames of flash left
};
