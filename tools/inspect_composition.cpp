// inspect FILE.cda: the composition as read, as JSON. Textures are really loaded (headless), so the
// quad sizes and the registry names found are the ones the show gets.
#include <cmath>
#include <cstdio>
#include <string>

#include "composition/composition.h"
#include "platform/win32.h"
#include "tools/commands.h"
#include "tools/headless_tool.h"

namespace {

// A Windows-1252 text as a JSON string.
std::string Quoted(const std::string& cp1252) {
    std::string out = "\"";
    for (const char ch : Cp1252ToUtf8(cp1252.c_str())) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

// Nine significant digits round-trip a float; JSON has no infinities or not-a-number.
std::string Number(float v) {
    if (!std::isfinite(v)) return "null";
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", double(v));
    return text;
}

std::string Order(const std::vector<uint32_t>& order) {
    std::string out = "[";
    for (size_t i = 0; i < order.size(); ++i) out += (i ? ", " : "") + std::to_string(order[i]);
    return out + "]";
}

void PrintTrack(const PoseTrack& track, const char* indent) {
    std::printf("[");
    for (size_t i = 0; i < track.keys.size(); ++i) {
        const PoseKey& k = track.keys[i];
        std::printf(
            "%s\n%s  {\"time\": %s, \"x\": %s, \"y\": %s, \"scaleX\": %s, \"scaleY\": %s, \"rotation\": %s, "
            "\"alpha\": %s, \"rates\": [",
            i ? "," : "", indent, Number(k.time).c_str(), Number(k.x).c_str(), Number(k.y).c_str(),
            Number(k.scaleX).c_str(), Number(k.scaleY).c_str(), Number(k.rotation).c_str(), Number(k.alpha).c_str());
        for (int c = 0; c < 6; ++c) std::printf("%s%s", c ? ", " : "", Number(k.rates[c]).c_str());
        std::printf("]}");
    }
    std::printf("\n%s]", indent);
}

// The registry name the element's texture was stored under, or null.
std::string RegistryName(const TextureRegistry& registry, const Texture* texture) {
    const std::string* name = registry.NameOf(texture);
    return name ? Quoted(*name) : "null";
}

void PrintComposition(const Composition& c, const TextureRegistry& registry) {
    std::printf("{\"kind\": \"composition\", \"headerWord\": %u, \"layerOrder\": %s, \"layers\": [", c.headerWord,
                Order(c.layerOrder).c_str());
    for (size_t l = 0; l < c.layers.size(); ++l) {
        const Layer& layer = c.layers[l];
        std::printf("%s\n  {\"name\": %s, \"layerWord\": %u, \"elementOrder\": %s,\n   \"track\": ", l ? "," : "",
                    Quoted(layer.name).c_str(), layer.layerWord, Order(layer.elementOrder).c_str());
        PrintTrack(layer.track, "   ");
        std::printf(",\n   \"elements\": [");
        for (size_t e = 0; e < layer.elements.size(); ++e) {
            const Element& el = layer.elements[e];
            std::printf(
                "%s\n    {\"name\": %s, \"textureName\": %s, \"texture\": %s, \"halfWidth\": %s, "
                "\"halfHeight\": %s,\n     \"track\": ",
                e ? "," : "", Quoted(el.name).c_str(), Quoted(el.textureName).c_str(),
                RegistryName(registry, el.texture).c_str(), Number(el.halfWidth).c_str(),
                Number(el.halfHeight).c_str());
            PrintTrack(el.track, "     ");
            std::printf("}");
        }
        std::printf("]}");
    }
    std::printf("]}\n");
}

}  // namespace

int InspectComposition(const char* path) {
    if (!OpenHeadlessDevice()) {
        std::fprintf(stderr, "virelle-tools: no graphics device for loading textures\n");
        return 1;
    }
    CommandTextures textures;
    int status = 1;
    {
        Composition c;
        if (c.Load(path)) {
            PrintComposition(c, textures.registry);
            status = 0;
        }
        c.ReleaseResources();
    }
    return status;
}
