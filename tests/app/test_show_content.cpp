// Byte writers for the test show: the .cda and .SCENE layouts, a PPM texture and MPEG audio frames.
#include "tests/app/test_show_content.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "tests/common/headless.h"

namespace {

struct Bytes {
    std::vector<unsigned char> b;
    void U8(unsigned v) { b.push_back(static_cast<unsigned char>(v)); }
    void U16(unsigned v) {
        U8(v & 0xFF);
        U8((v >> 8) & 0xFF);
    }
    void U32(uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void F32(float v) { U32(std::bit_cast<uint32_t>(v)); }
    void Floats(std::initializer_list<float> vs) {
        for (float v : vs) F32(v);
    }
    void ShortString(const std::string& s) {
        U8(static_cast<unsigned>(s.size()));
        b.insert(b.end(), s.begin(), s.end());
    }
};

// One-key composition track: time, alpha, rotation, x, y, scaleX, scaleY.
void CdaTrack(Bytes& out, float alpha, float x, float y, float scale) {
    out.U32(1);
    out.Floats({0.0f, alpha, 0.0f, x, y, scale, scale});
}

struct Place {
    float alpha, x, y;
};

// Layers 0..18; the wired elements 8x8 texels scaled 16 times, the others invisible.
std::vector<unsigned char> Composition(bool parkenElement, float lastKeyTime) {
    Bytes out;
    const int layers = 19;
    out.U32(0);
    out.U32(layers);
    for (int i = 0; i < layers; ++i) out.U32(static_cast<uint32_t>(i));
    for (int layer = 0; layer < layers; ++layer) {
        std::vector<Place> elements;
        if (layer == 11) elements = {{0.0f, 0, 0}, {1.0f, -80.0f, 0.0f}};
        if (layer == 16) elements = {{1.0f, 0.0f, 0.0f}, {0.0f, 0, 0}};
        if (layer == 18) {
            elements = {{0.0f, 0, 0}, {1.0f, 0.0f, 80.0f}};
            if (parkenElement) elements.push_back({1.0f, 80.0f, 0.0f});
        }
        out.ShortString("layer");
        out.U32(0);
        out.U32(static_cast<uint32_t>(elements.size()));
        for (size_t i = 0; i < elements.size(); ++i) out.U32(static_cast<uint32_t>(i));
        if (layer == 0 && lastKeyTime > 0) {
            out.U32(2);
            out.Floats({0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f});
            out.U8(0);  // a further record: no channel changes, only the time
            out.F32(lastKeyTime);
        } else {
            CdaTrack(out, 1.0f, 0.0f, 0.0f, 1.0f);
        }
        for (const Place& e : elements) {
            out.ShortString("element");
            out.ShortString("grey.ppm");  // found under data/
            CdaTrack(out, e.alpha, e.x, e.y, 16.0f);
        }
    }
    return out.b;
}

// Ten-float node transform or track key 0: position, rotation (x, y, z, w), scale.
void Pose(Bytes& out, float x, float y, float z) {
    out.Floats({x, y, z, 0, 0, 0, 1, 1, 1, 1});
}

void SceneTrack(Bytes& out, float x, float y, float z) {
    out.U32(1);
    Pose(out, x, y, z);
}

void FullNode(Bytes& out, float x, float y, float z, unsigned kind) {
    out.U8(0);
    out.U32(0);
    out.U32(0);
    Pose(out, x, y, z);
    out.U8(kind);
}

// A lit quad of one diffuse colour filling the view of each of three cameras.
std::vector<unsigned char> Scene(float r, float g, float b) {
    Bytes out;
    out.U16(0);
    out.U16(0);
    out.U8(0);
    out.U16(0);
    out.U32(1);  // one material
    out.U32(0);
    out.Floats({0, 0, 0, r, g, b, 0, 0, 0});
    out.U32(0);
    out.U32(0);
    out.F32(1.0f);
    out.U16(2 + 3 * 2);  // light, mesh, three cameras counting two each

    FullNode(out, 0.0f, 0.0f, -20.0f, 1);
    out.U8(0);
    out.Floats({1.0f, 1.0f, 1.0f, 1.0f});

    FullNode(out, 0.0f, 0.0f, 0.0f, 0);
    out.U16(0);
    out.U32(4);
    const float corners[4][2] = {{-6, 6}, {6, 6}, {6, -6}, {-6, -6}};  // lit per vertex: keep them near the light
    for (const auto& c : corners) out.Floats({c[0], c[1], 0.0f, 0.0f, 0.0f, -1.0f, 0.0f, 0.0f});
    out.U32(4);  // both windings, whatever the cull mode
    for (unsigned i : {0u, 1u, 2u, 0u, 2u, 3u, 0u, 2u, 1u, 0u, 3u, 2u}) out.U16(i);
    SceneTrack(out, 0.0f, 0.0f, 0.0f);

    for (int camera = 0; camera < 3; ++camera) {
        FullNode(out, 0.0f, 0.0f, 0.0f, 2);
        out.F32(0.785398f);
        out.Floats({0, 0, 0});
        out.Floats({0, 0, 0, 0, 0, 0, 0});
        SceneTrack(out, 0.0f, 0.0f, 0.0f);                                 // target
        SceneTrack(out, 0.1f * static_cast<float>(camera), 0.0f, -10.0f);  // eye
    }
    return out.b;
}

std::vector<unsigned char> GreyPpm() {
    const std::string header = "P6\n8 8\n255\n";
    std::vector<unsigned char> out(header.size() + 8 * 8 * 3, 128);
    std::copy(header.begin(), header.end(), out.begin());
    return out;
}

// MPEG-1 layer III frames, 128 kbit/s, 44.1 kHz, mono, no CRC, all side information and data zero:
// silence, 1152 samples per 417-byte frame.
std::vector<unsigned char> SilentMp3(int frames) {
    std::vector<unsigned char> out;
    out.reserve(static_cast<size_t>(frames) * 417);
    for (int i = 0; i < frames; ++i) {
        const unsigned char header[4] = {0xFF, 0xFB, 0x90, 0xC0};
        out.insert(out.end(), header, header + 4);
        out.insert(out.end(), 417 - 4, 0);
    }
    return out;
}

}  // namespace

bool WriteTestShow(const std::string& dir, const TestShow& show) {
    std::error_code ec;
    std::filesystem::create_directories(dir + "/data", ec);
    std::filesystem::create_directories(dir + "/music", ec);
    bool ok = WriteFileBytes(dir + "/data/grey.ppm", GreyPpm());
    if (show.composition)
        ok = ok && WriteFileBytes(dir + "/data/virelle.cda", Composition(show.parkenElement, show.lastKeyTime));
    if (show.ringer) ok = ok && WriteFileBytes(dir + "/data/ringer.SCENE", Scene(0, 1, 0));
    if (show.ostrel) ok = ok && WriteFileBytes(dir + "/data/ostrel.SCENE", Scene(1, 0, 0));
    if (show.park) ok = ok && WriteFileBytes(dir + "/data/park.SCENE", Scene(0, 0, 1));
    if (show.mp3Frames > 0) ok = ok && WriteFileBytes(dir + "/music/poa.mp3", SilentMp3(show.mp3Frames));
    return ok;
}
