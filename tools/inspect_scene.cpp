// inspect FILE.SCENE: the scene as read, as JSON (counts, materials, meshes with their tracks,
// lights, cameras with their tracks). Floats carry 9 significant digits, so they read back exactly.
#include <cmath>
#include <cstdio>
#include <string>

#include "platform/win32.h"
#include "scene/scene.h"
#include "tools/commands.h"

namespace {

std::string Num(float f) {
    if (!std::isfinite(f)) return "null";  // JSON has no NaN or infinity
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", double(f));
    return text;
}

std::string Array(std::initializer_list<float> values) {
    std::string out = "[";
    for (float v : values) out += (out.size() > 1 ? ", " : "") + Num(v);
    return out + "]";
}

std::string Colour(const D3DCOLORVALUE& c) {
    return Array({c.r, c.g, c.b, c.a});
}
std::string Vec(const D3DVECTOR& v) {
    return Array({v.x, v.y, v.z});
}

std::string TransformJson(const Transform& t) {
    return "{\"position\": " + Vec(t.position) +
           ", \"rotation\": " + Array({t.rotation.x, t.rotation.y, t.rotation.z, t.rotation.w}) +
           ", \"scale\": " + Vec(t.scale) + "}";
}

std::string TrackJson(const TransformTrack& track, const char* indent) {
    if (track.keys.empty()) return "[]";
    std::string out = "[";
    for (size_t i = 0; i < track.keys.size(); ++i)
        out += std::string(i ? "," : "") + "\n" + indent + "  " + TransformJson(track.keys[i]);
    return out + "\n" + indent + "]";
}

template <typename T, typename F>
void PrintList(const char* name, const std::vector<T>& items, F describe, bool last) {
    std::printf("  \"%s\": [", name);
    for (size_t i = 0; i < items.size(); ++i) std::printf("%s\n    %s", i ? "," : "", describe(items[i]).c_str());
    std::printf("%s]%s\n", items.empty() ? "" : "\n  ", last ? "" : ",");
}

}  // namespace

int InspectScene(const char* path) {
    SetMessageBoxHook([](const char* text, const char* caption) {
        std::fprintf(stderr, "%s: %s\n", Cp1252ToUtf8(caption).c_str(), Cp1252ToUtf8(text).c_str());
    });
    Scene scene;  // no device here: nothing is uploaded
    if (!scene.Load(path)) return 1;

    std::printf("{\n  \"kind\": \"scene\",\n  \"header\": [%u, %u, %u, %u],\n", scene.header1, scene.header2,
                scene.header3, scene.header4);
    std::printf("  \"materialCount\": %d,\n  \"meshCount\": %d,\n  \"lightCount\": %d,\n  \"cameraCount\": %d,\n",
                scene.materialCount, scene.meshCount, scene.lightCount, scene.cameraCount);
    PrintList(
        "materials", scene.materials,
        [](const Material& m) {
            const D3DMATERIAL9& d = m.material;
            return "{\"word\": " + std::to_string(m.word) + ", \"diffuse\": " + Colour(d.Diffuse) +
                   ", \"ambient\": " + Colour(d.Ambient) + ", \"specular\": " + Colour(d.Specular) +
                   ", \"emissive\": " + Colour(d.Emissive) + ", \"power\": " + Num(d.Power) + "}";
        },
        false);
    PrintList(
        "meshes", scene.meshes,
        [](const std::unique_ptr<Mesh>& m) {
            return "{\"materialIndex\": " + std::to_string(m->materialIndex) +
                   ", \"vertexCount\": " + std::to_string(m->vertexCount) +
                   ", \"triangleCount\": " + std::to_string(m->triangleCount) +
                   ", \"nodeTransform\": " + TransformJson(m->nodeTransform) +
                   ", \"track\": " + TrackJson(m->track, "    ") + "}";
        },
        false);
    PrintList(
        "lights", scene.lights,
        [](const D3DLIGHT9& l) {
            return "{\"diffuse\": " + Colour(l.Diffuse) + ", \"specular\": " + Colour(l.Specular) +
                   ", \"ambient\": " + Colour(l.Ambient) + ", \"position\": " + Vec(l.Position) +
                   ", \"range\": " + Num(l.Range) +
                   ", \"attenuation\": " + Array({l.Attenuation0, l.Attenuation1, l.Attenuation2}) + "}";
        },
        false);
    PrintList(
        "cameras", scene.cameras,
        [](const Camera& c) {
            return "{\"fov\": " + Num(c.fov) + ", \"target\": " + Vec(c.target) +
                   ", \"eyeTrack\": " + TrackJson(c.eyeTrack, "    ") +
                   ", \"targetTrack\": " + TrackJson(c.targetTrack, "    ") + "}";
        },
        true);
    std::printf("}\n");
    return 0;
}
