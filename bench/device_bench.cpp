// Per-draw cost of the device layer: the composition's textured quads with no state change, with
// the per-element changes the composition makes, a full-target fill for scale, and whole frames of
// full-screen blended layers (what the composition's overdraw costs on the renderer at hand).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/d3dwindow.h"

namespace {

struct QuadVertex {
    float x, y, z, u, v;
};

struct DeviceBench {
    D3DWindow* window = nullptr;
    IDirect3DTexture9* textures[2] = {};
    IDirect3DVertexBuffer9* quad = nullptr;

    DeviceBench() {
        PlatformUseOffscreenVideo();
        SetMessageBoxHook([](const char*, const char*) {});  // the software-rasterizer warning
        window = new D3DWindow(640, 480, false, "virelle-bench");
        SetMessageBoxHook(nullptr);
        if (!device) return;
        for (IDirect3DTexture9*& t : textures) {
            device->CreateTexture(64, 64, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr);
            D3DLOCKED_RECT locked;
            t->LockRect(0, &locked, nullptr, 0);
            std::memset(locked.pBits, 0x80, 64 * 64 * 4);
            t->UnlockRect(0);
        }
        const QuadVertex v[4] = {
            {-0.1f, 0.1f, 0.5f, 0, 0}, {0.1f, 0.1f, 0.5f, 1, 0}, {0.1f, -0.1f, 0.5f, 1, 1}, {-0.1f, -0.1f, 0.5f, 0, 1}};
        device->CreateVertexBuffer(sizeof v, D3DUSAGE_WRITEONLY, 0x102, D3DPOOL_MANAGED, &quad, nullptr);
        void* data = nullptr;
        quad->Lock(0, 0, &data, 0);
        std::memcpy(data, v, sizeof v);
        quad->Unlock();
        // The composition's fixed set-up.
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TFACTOR);
        device->SetFVF(0x102);
        device->SetStreamSource(0, quad, 0, sizeof(QuadVertex));
    }
};

DeviceBench& Bench() {
    static DeviceBench bench;  // one window per program, like the show
    return bench;
}

void Finish() {  // waits for the GPU so queued work is not billed to the next benchmark
    std::vector<uint8_t> pixels;
    device->ReadRenderTarget(&pixels, nullptr, nullptr);
}

// GL calls per draw since `before` (state calls, all calls, texture binds), as counters; then
// waits for the drawing.
void CountStateCalls(benchmark::State& state, const D3DDEVICESTATS& before) {
    const D3DDEVICESTATS after = device->GetStats();
    const double draws = double(after.draws - before.draws);
    state.counters["glStateCallsPerDraw"] = double(after.glStateCalls - before.glStateCalls) / draws;
    state.counters["glCallsPerDraw"] = double(after.glCalls - before.glCalls) / draws;
    state.counters["textureBindsPerDraw"] = double(after.textureBinds - before.textureBinds) / draws;
    Finish();
}

void BM_DrawQuadSameState(benchmark::State& state) {
    DeviceBench& b = Bench();
    if (!device) return state.SkipWithError("no device");
    device->SetTexture(0, b.textures[0]);
    const D3DDEVICESTATS before = device->GetStats();
    for (auto _ : state) device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
    CountStateCalls(state, before);
}
BENCHMARK(BM_DrawQuadSameState);

void BM_DrawQuadPerElementChanges(benchmark::State& state) {
    // What the composition changes per element: texture, factor alpha, world matrix.
    DeviceBench& b = Bench();
    if (!device) return state.SkipWithError("no device");
    D3DMATRIX world = {};
    world.m[0][0] = world.m[1][1] = world.m[2][2] = world.m[3][3] = 1.0f;
    unsigned i = 0;
    const D3DDEVICESTATS before = device->GetStats();
    for (auto _ : state) {
        ++i;
        device->SetTexture(0, b.textures[i & 1]);
        device->SetRenderState(D3DRS_TEXTUREFACTOR, (i & 255) << 24);
        world.m[3][0] = float(i % 17) * 0.05f - 0.4f;
        device->SetTransform(D3DTS_WORLD, &world);
        device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
    }
    CountStateCalls(state, before);
}
BENCHMARK(BM_DrawQuadPerElementChanges);

void BM_ClearFullTarget(benchmark::State& state) {
    // Raw fill rate for scale: one 640x480 colour clear, waited for.
    Bench();
    if (!device) return state.SkipWithError("no device");
    for (auto _ : state) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.0f, 0);
        Finish();
    }
}
BENCHMARK(BM_ClearFullTarget);

// A frame as the show makes one: clear, N full-screen blended layers of a mip-mapped texture of the
// given size (magnified below 640x480, minified above), Present. Frames are back to back, so the
// time per iteration is the renderer's throughput, as in the show.
void BM_FrameOfLayers(benchmark::State& state) {
    DeviceBench& b = Bench();
    if (!device) return state.SkipWithError("no device");
    const UINT size = UINT(state.range(1));
    IDirect3DTexture9* texture = nullptr;
    device->CreateTexture(size, size, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr);
    for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
        D3DLOCKED_RECT locked;
        texture->LockRect(level, &locked, nullptr, 0);
        const UINT side = std::max(1u, size >> level);
        for (UINT y = 0; y < side; ++y)
            for (UINT x = 0; x < side; ++x)
                static_cast<uint32_t*>(locked.pBits)[size_t(y) * (locked.Pitch / 4) + x] =
                    0x80000000u | ((x * 255 / side) << 16) | ((y * 255 / side) << 8) | 0x40;
        texture->UnlockRect(level);
    }
    IDirect3DVertexBuffer9* screen = nullptr;
    const QuadVertex v[4] = {{-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 1, 0}, {1, -1, 0.5f, 1, 1}, {-1, -1, 0.5f, 0, 1}};
    device->CreateVertexBuffer(sizeof v, D3DUSAGE_WRITEONLY, 0x102, D3DPOOL_MANAGED, &screen, nullptr);
    void* data = nullptr;
    screen->Lock(0, 0, &data, 0);
    std::memcpy(data, v, sizeof v);
    screen->Unlock();
    device->SetStreamSource(0, screen, 0, sizeof(QuadVertex));
    device->SetTexture(0, texture);
    device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xC0000000);
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, DWORD(state.range(2)));
    for (auto _ : state) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        for (int64_t i = 0; i < state.range(0); ++i) device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
        device->Present(nullptr, nullptr, nullptr, nullptr);
    }
    // The last frame's record: a steady frame's GL calls and state changes.
    const D3DFRAMESTATS frame = device->GetLastFrameStats();
    state.counters["glCallsPerFrame"] = double(frame.glCalls);
    state.counters["stateChangesPerFrame"] = double(frame.stateChanges);
    Finish();
    device->SetStreamSource(0, b.quad, 0, sizeof(QuadVertex));
    device->SetTexture(0, nullptr);
    screen->Release();
    texture->Release();
}
BENCHMARK(BM_FrameOfLayers)
    ->ArgNames({"layers", "texture", "mip"})
    ->ArgsProduct({{0, 8}, {256, 1024}, {0, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
