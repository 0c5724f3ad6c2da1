// Per-draw cost of the device layer: the composition's textured quads with no state change, with
// the per-element changes the composition makes, a full-target fill for scale, and whole frames of
// full-screen blended layers (what the composition's overdraw costs on the renderer at hand).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/d3dwindow.h"
#include "platform/device/gl_baseline.h"

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

// The texels of BM_FrameOfLayers' texture: a half-transparent gradient, level by level.
std::vector<std::vector<uint32_t>> LayerTexels(UINT size) {
    std::vector<std::vector<uint32_t>> levels;
    for (UINT side = size;; side /= 2) {
        std::vector<uint32_t>& texels = levels.emplace_back(size_t(side) * side);
        for (UINT y = 0; y < side; ++y)
            for (UINT x = 0; x < side; ++x)
                texels[size_t(y) * side + x] = 0x80000000u | ((x * 255 / side) << 16) | ((y * 255 / side) << 8) | 0x40;
        if (side == 1) return levels;
    }
}

// BM_FrameOfLayers' set-up: a mip-mapped texture of the given size, a full-screen quad, the
// composition's states with a texture factor of 0xC0, linear filtering between texels (the show's,
// which the window sets up) and the given mip filter. Undone by the destructor.
struct LayeredFrames {
    IDirect3DTexture9* texture = nullptr;
    IDirect3DVertexBuffer9* screen = nullptr;
    std::vector<std::vector<uint32_t>> texels;

    LayeredFrames(UINT size, DWORD mipFilter) : texels(LayerTexels(size)) {
        device->CreateTexture(size, size, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr);
        for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
            D3DLOCKED_RECT locked;
            texture->LockRect(level, &locked, nullptr, 0);
            const UINT side = std::max(1u, size >> level);
            for (UINT y = 0; y < side; ++y)
                std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t(y) * UINT(locked.Pitch),
                            texels[level].data() + size_t(y) * side, size_t(side) * 4);
            texture->UnlockRect(level);
        }
        const QuadVertex v[4] = {{-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 1, 0}, {1, -1, 0.5f, 1, 1}, {-1, -1, 0.5f, 0, 1}};
        device->CreateVertexBuffer(sizeof v, D3DUSAGE_WRITEONLY, 0x102, D3DPOOL_MANAGED, &screen, nullptr);
        void* data = nullptr;
        screen->Lock(0, 0, &data, 0);
        std::memcpy(data, v, sizeof v);
        screen->Unlock();
        device->SetStreamSource(0, screen, 0, sizeof(QuadVertex));
        device->SetTexture(0, texture);
        device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xC0000000);
        device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(0, D3DSAMP_MIPFILTER, mipFilter);
    }
    ~LayeredFrames() {
        Finish();
        device->SetStreamSource(0, Bench().quad, 0, sizeof(QuadVertex));
        device->SetTexture(0, nullptr);
        device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
        screen->Release();
        texture->Release();
    }
    // Clear, `layers` full-screen blended layers, Present.
    void Frame(int64_t layers) const {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        for (int64_t i = 0; i < layers; ++i) device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
        device->Present(nullptr, nullptr, nullptr, nullptr);
    }
};

// A frame as the show makes one: clear, N full-screen blended layers of a mip-mapped texture of the
// given size (magnified below 640x480, minified above), Present. Frames are back to back, so the
// time per iteration is the renderer's throughput, as in the show.
void BM_FrameOfLayers(benchmark::State& state) {
    Bench();
    if (!device) return state.SkipWithError("no device");
    const LayeredFrames frames(UINT(state.range(1)), DWORD(state.range(2)));
    for (auto _ : state) frames.Frame(state.range(0));
    // The last frame's record: a steady frame's GL calls and state changes.
    const D3DFRAMESTATS frame = device->GetLastFrameStats();
    state.counters["glCallsPerFrame"] = double(frame.glCalls);
    state.counters["stateChangesPerFrame"] = double(frame.stateChanges);
}
BENCHMARK(BM_FrameOfLayers)
    ->ArgNames({"layers", "texture", "mip"})
    ->ArgsProduct({{0, 8}, {256, 1024}, {0, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

double MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// BM_FrameOfLayers' frames drawn with plain GL calls and a minimal shader (platform/device/
// gl_baseline), the same pixels: the benchmark's time is raw GL's frame. Then device frames and
// raw-GL frames in turns, one each, so that the machine's load falls on both alike:
// device_over_raw_gl is the median device frame over the median raw-GL frame. The raw frames
// sample as the device's draws did (linear between texels; the device skips the mip filter where
// the texture is magnified everywhere), so the ratio is the layer's own cost, not a difference in
// filtering; the last frames of both are compared, and the run fails unless their pixels are the
// same bytes.
void BM_FrameOfLayersRawGl(benchmark::State& state) {
    Bench();
    if (!device) return state.SkipWithError("no device");
    const int64_t layers = state.range(0);
    const UINT size = UINT(state.range(1));
    const LayeredFrames frames(size, DWORD(state.range(2)));
    const D3DDEVICESTATS before = device->GetStats();
    frames.Frame(std::max<int64_t>(layers, 1));  // also builds the device's program variant
    const bool magnified = device->GetStats().magnifiedDraws > before.magnifiedDraws;

    std::vector<const uint32_t*> levels;
    for (const auto& level : frames.texels) levels.push_back(level.data());
    GlBaselineSetup setup;
    setup.size = int(size);
    setup.levels = int(levels.size());
    setup.texels = levels.data();
    setup.linear = true;
    setup.mipFilter = state.range(2) != D3DTEXF_NONE && !magnified;
    setup.alpha = float(0xC0) / 255.0f;
    GlBaseline* raw = GlBaselineCreate(device, setup);
    if (!raw) return state.SkipWithError("raw GL set-up failed");
    uint64_t rawCalls = GlBaselineFrame(raw, int(layers));

    for (auto _ : state) GlBaselineFrame(raw, int(layers));

    std::vector<double> deviceMs, rawMs;
    for (int turn = 0; turn < 30; ++turn) {
        auto start = std::chrono::steady_clock::now();
        frames.Frame(layers);
        deviceMs.push_back(MsSince(start));
        start = std::chrono::steady_clock::now();
        rawCalls = GlBaselineFrame(raw, int(layers));
        rawMs.push_back(MsSince(start));
    }
    std::vector<uint8_t> devicePixels, rawPixels(640 * 480 * 4);
    device->ReadRenderTarget(&devicePixels, nullptr, nullptr);
    const bool read = GlBaselineRead(raw, rawPixels.data()) && devicePixels.size() == rawPixels.size();
    GlBaselineDestroy(raw);
    size_t differing = 0;  // pixels whose colour differs (the back buffer has no alpha)
    for (size_t i = 0; read && i < rawPixels.size(); i += 4)
        differing += std::memcmp(&devicePixels[i], &rawPixels[i], 3) != 0;
    if (!read) return state.SkipWithError("the frames could not be read back");
    if (differing) return state.SkipWithError("raw GL drew other pixels than the device");
    state.counters["device_over_raw_gl"] = Median(deviceMs) / Median(rawMs);
    state.counters["device_ms"] = Median(deviceMs);
    state.counters["raw_gl_ms"] = Median(rawMs);
    state.counters["glCallsPerFrame"] = double(device->GetLastFrameStats().glCalls);
    state.counters["rawGlCallsPerFrame"] = double(rawCalls);
}
BENCHMARK(BM_FrameOfLayersRawGl)
    ->ArgNames({"layers", "texture", "mip"})
    ->ArgsProduct({{0, 8}, {256, 1024}, {0, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
