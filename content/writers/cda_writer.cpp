// Composition writer: the byte layout the composition reader takes.
#include "content/writers/cda_writer.h"

#include <cstdio>
#include <cstring>

#include "content/writers/byte_writer.h"

namespace {

bool SameBits(float a, float b) {
    return std::memcmp(&a, &b, 4) == 0;
}

void ShortString(ByteWriter& out, const std::string& s) {
    out.U8(uint8_t(s.size()));
    out.Bytes(s.data(), s.size());
}

void Track(ByteWriter& out, const std::vector<CdaKey>& keys) {
    out.U32(uint32_t(keys.size()));
    const CdaKey hidden{0, 0, 0, 0, 0, 0, 0};  // the record is there even for no keys
    const CdaKey& first = keys.empty() ? hidden : keys.front();
    for (float v : {first.time, first.alpha, first.rotation, first.x, first.y, first.scaleX, first.scaleY}) out.F32(v);
    for (size_t i = 1; i < keys.size(); ++i) {
        const CdaKey& prev = keys[i - 1];
        const CdaKey& key = keys[i];
        // Flag bits in the file's value order: x, y, scaleX, scaleY, rotation, alpha.
        const float values[6] = {key.x, key.y, key.scaleX, key.scaleY, key.rotation, key.alpha};
        const float before[6] = {prev.x, prev.y, prev.scaleX, prev.scaleY, prev.rotation, prev.alpha};
        uint8_t flags = 0;
        for (int c = 0; c < 6; ++c)
            if (!SameBits(values[c], before[c])) flags |= uint8_t(0x80 >> c);
        out.U8(flags);
        out.F32(key.time);
        for (int c = 0; c < 6; ++c)
            if (flags & (0x80 >> c)) out.F32(values[c]);
    }
}

std::string CheckKeys(const std::vector<CdaKey>& keys, const std::string& where) {
    if (keys.empty()) return where + ": no keys";
    for (size_t i = 0; i < keys.size(); ++i) {
        if (!(keys[i].time >= 0)) return where + ": negative key time";
        if (i > 0 && !(keys[i].time > keys[i - 1].time)) {
            char text[400];
            std::snprintf(text, sizeof text, ": key %zu at %.4f s is not after the one before", i,
                          double(keys[i].time));
            return where + text;
        }
    }
    return {};
}

std::string CheckOrder(const std::vector<uint32_t>& order, size_t count, const std::string& where) {
    if (order.empty()) return {};
    if (order.size() != count) return where + ": drawing order has the wrong length";
    std::vector<bool> seen(count, false);
    for (uint32_t i : order) {
        if (i >= count || seen[i]) return where + ": drawing order is not a permutation";
        seen[i] = true;
    }
    return {};
}

void Order(ByteWriter& out, const std::vector<uint32_t>& order, size_t count) {
    out.U32(uint32_t(count));
    for (size_t i = 0; i < count; ++i) out.U32(order.empty() ? uint32_t(i) : order[i]);
}

}  // namespace

std::string CheckCda(const CdaComposition& composition) {
    std::string error = CheckOrder(composition.layerOrder, composition.layers.size(), "composition");
    for (size_t l = 0; error.empty() && l < composition.layers.size(); ++l) {
        const CdaLayer& layer = composition.layers[l];
        const std::string where = "layer " + std::to_string(l) + " (" + layer.name + ")";
        if (layer.name.size() > 127) return where + ": name too long";
        error = CheckOrder(layer.elementOrder, layer.elements.size(), where);
        if (error.empty()) error = CheckKeys(layer.keys, where);
        for (size_t e = 0; error.empty() && e < layer.elements.size(); ++e) {
            const CdaElement& element = layer.elements[e];
            const std::string at = where + " element " + std::to_string(e) + " (" + element.name + ")";
            if (element.name.size() > 127 || element.textureName.size() > 127) return at + ": name too long";
            if (element.textureName.empty()) return at + ": no texture name";
            error = CheckKeys(element.keys, at);
        }
    }
    return error;
}

std::vector<uint8_t> WriteCda(const CdaComposition& composition) {
    ByteWriter out;
    out.U32(composition.headerWord);
    Order(out, composition.layerOrder, composition.layers.size());
    for (const CdaLayer& layer : composition.layers) {
        ShortString(out, layer.name);
        out.U32(layer.layerWord);
        Order(out, layer.elementOrder, layer.elements.size());
        Track(out, layer.keys);
        for (const CdaElement& element : layer.elements) {
            ShortString(out, element.name);
            ShortString(out, element.textureName);
            Track(out, element.keys);
        }
    }
    return out.bytes;
}
