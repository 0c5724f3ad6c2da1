// Texture loading for a 1024x1024 PNG and JPEG (and a 1000x1000 pair that needs the level-0
// filter): plain decode, decode + level 0 + mips on the processor, and the whole load into a
// device texture. Each load also reports its peak memory (resident high-water mark above the
// resident size before it; the device's managed copy and llvmpipe's texture included).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "content/writers/image_writers.h"
#include "gfx/image.h"
#include "gfx/texture_loader.h"
#include "platform/d3dwindow.h"

namespace {

// A picture with smooth areas and detail, like the show's images.
Image Picture(int w, int h) {
    Image image(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = image.At(x, y);
            const double v = std::sin(x * 0.02) * std::cos(y * 0.03);
            p[0] = uint8_t(128 + 100 * v), p[1] = uint8_t((x ^ y) & 255), p[2] = uint8_t(y * 255 / h), p[3] = 255;
        }
    return image;
}

const std::string& File(const char* kind, int size) {
    static std::string paths[4];
    std::string& path = paths[(kind[0] == 'j') * 2 + (size == 1000)];
    if (path.empty()) {
        path =
            (std::filesystem::temp_directory_path() / ("virelle-bench-" + std::to_string(size) + "." + kind)).string();
        const Image image = Picture(size, size);
        std::string why;
        if (kind[0] == 'j')
            WriteJpeg(path, image, 90, &why);
        else
            WritePng(path, image, false, &why);
    }
    return path;
}

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// kB from /proc/self/status.
long StatusKb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
    return 0;
}

// Peak resident growth of one call of f, in MiB (the kernel's high-water mark, reset first). Big
// blocks are kept as their own mappings so that what an earlier run freed is really given back.
template <typename F>
double PeakMiB(F f) {
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = StatusKb("VmRSS:");
    f();
    return double(StatusKb("VmHWM:") - before) / 1024.0;
}

bool OpenDevice() {
    if (device) return true;
    static D3DWindow* window = nullptr;
    if (!window) {
        PlatformUseOffscreenVideo();
        SetMessageBoxHook([](const char*, const char*) {});  // the software-rasterizer warning
        window = new D3DWindow(640, 480, false, "virelle-bench");
        SetMessageBoxHook(nullptr);
    }
    return device != nullptr;
}

void BM_Decode(benchmark::State& state, const char* kind, int size) {
    const std::string data = Bytes(File(kind, size));
    const auto* p = reinterpret_cast<const uint8_t*>(data.data());
    auto run = [&] {
        DecodedImage image;
        std::string error;
        if (!DecodeImage(p, data.size(), DecodeLimits{}, &image, &error)) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(image.levels.data());
    };
    state.counters["peak_MiB"] = PeakMiB(run);
    for (auto _ : state) run();
}

void BM_Levels(benchmark::State& state, const char* kind, int size) {
    const std::string data = Bytes(File(kind, size));
    const auto* p = reinterpret_cast<const uint8_t*>(data.data());
    auto run = [&] {
        DecodedImage image;
        TexturePlan plan;
        std::string error;
        if (!DecodeImage(p, data.size(), DecodeLimits{}, &image, &error) || !PlanTexture(image, {}, &plan, &error))
            state.SkipWithError(error.c_str());
        FillTextureLevels(image, plan, [](uint32_t, uint32_t, uint32_t, const uint8_t* bytes) {
            benchmark::DoNotOptimize(bytes);
            return true;
        });
    };
    state.counters["peak_MiB"] = PeakMiB(run);
    for (auto _ : state) run();
}

void BM_LoadTexture(benchmark::State& state, const char* kind, int size) {
    if (!OpenDevice()) {
        state.SkipWithError("no device");
        return;
    }
    const std::string path = File(kind, size);
    auto run = [&] {
        IDirect3DTexture9* texture = nullptr;
        if (FAILED(D3DXCreateTextureFromFileA(device, path.c_str(), &texture)))
            state.SkipWithError("load failed");
        else
            texture->Release();
    };
    state.counters["peak_MiB"] = PeakMiB(run);
    for (auto _ : state) run();
}

}  // namespace

BENCHMARK_CAPTURE(BM_Decode, png_1024, "png", 1024)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Levels, png_1024, "png", 1024)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadTexture, png_1024, "png", 1024)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decode, jpeg_1024, "jpg", 1024)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Levels, jpeg_1024, "jpg", 1024)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadTexture, jpeg_1024, "jpg", 1024)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decode, png_1000, "png", 1000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Levels, png_1000, "png", 1000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadTexture, png_1000, "png", 1000)->Unit(benchmark::kMillisecond);
