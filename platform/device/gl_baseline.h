// Plain GL 3.3 drawing of the benchmarks' layered frames, on the device's own context: the
// yardstick for what the device layer costs on top of the GL work it issues. A frame is what a
// hand-written GL program would do for the same pixels: clear a 640x480 target like the device's
// back buffer, draw full-screen blended quads of one texture with a minimal shader, copy the
// target to the window, swap and wait for the picture (as the device's Present does with a
// software renderer). The quad sits where the device puts it, on Direct3D's pixel centres, so
// both sample the texture at the same places. Benchmarks only; nothing of the device's state is used, and the device's
// GL state cache is told that GL changed under it. OpenGL 3.3 only: in the browser build creating
// one fails.
#pragma once

#include <cstdint>

class IDirect3DDevice9;

struct GlBaseline;  // the GL objects of one set of frames

struct GlBaselineSetup {
    int size = 256;                           // the texture's side
    int levels = 1;                           // levels given; level i is max(1, size >> i) on a side
    const uint32_t* const* texels = nullptr;  // each level's texels as D3DFMT_A8R8G8B8 words, rows packed
    bool linear = false;                      // filter between texels (else the nearest texel)
    bool mipFilter = false;                   // sample between levels (else level 0 only)
    float alpha = 1.0f;                       // every layer's opacity, multiplied with the texture's alpha
    int targetWidth = 640, targetHeight = 480;
};

// Makes the target, texture, program and quad on the device's context; null when GL refused.
GlBaseline* GlBaselineCreate(IDirect3DDevice9* device, const GlBaselineSetup& setup);
// One frame of `layers` layers, finished; returns the GL calls it made.
uint64_t GlBaselineFrame(GlBaseline* baseline, int layers);
// Reads the target's pixels (B, G, R, A, top row first), for checking that both draw alike.
bool GlBaselineRead(GlBaseline* baseline, uint8_t* bgra);
void GlBaselineDestroy(GlBaseline* baseline);
