// A small writer of .cda bytes for the tests, following the file layout independently of the reader.
#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

// One key as the tests think of it: the six channels and a time.
struct Pose {
    float x = 0, y = 0, scaleX = 1, scaleY = 1, rotation = 0, alpha = 1, time = 0;
};

struct CdaWriter {
    std::vector<uint8_t> bytes;

    CdaWriter& U8(uint8_t v) {
        bytes.push_back(v);
        return *this;
    }
    CdaWriter& U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(v >> (8 * i)));
        return *this;
    }
    CdaWriter& F32(float v) { return U32(std::bit_cast<uint32_t>(v)); }
    // A short string: length byte, then the bytes as given (zeros included).
    CdaWriter& Str(const std::string& s) {
        U8(uint8_t(s.size()));
        bytes.insert(bytes.end(), s.begin(), s.end());
        return *this;
    }
    // The first key record: time, alpha, rotation, x, y, scaleX, scaleY.
    CdaWriter& FirstKey(const Pose& p) {
        return F32(p.time).F32(p.alpha).F32(p.rotation).F32(p.x).F32(p.y).F32(p.scaleX).F32(p.scaleY);
    }
    // A further key record carrying every channel (flags 0xFC).
    CdaWriter& FullKey(const Pose& p) {
        return U8(0xFC).F32(p.time).F32(p.x).F32(p.y).F32(p.scaleX).F32(p.scaleY).F32(p.rotation).F32(p.alpha);
    }
    // A whole track record with every key written in full; an empty list writes K = 0 and one
    // all-zero record.
    CdaWriter& Track(const std::vector<Pose>& keys) {
        U32(uint32_t(keys.size()));
        FirstKey(keys.empty() ? Pose{0, 0, 0, 0, 0, 0, 0} : keys[0]);
        for (size_t i = 1; i < keys.size(); ++i) FullKey(keys[i]);
        return *this;
    }
    CdaWriter& Header(uint32_t headerWord, const std::vector<uint32_t>& layerOrder) {
        U32(headerWord).U32(uint32_t(layerOrder.size()));
        for (uint32_t v : layerOrder) U32(v);
        return *this;
    }
    CdaWriter& LayerStart(const std::string& name, uint32_t word, const std::vector<uint32_t>& elementOrder,
                          const std::vector<Pose>& track) {
        Str(name).U32(word).U32(uint32_t(elementOrder.size()));
        for (uint32_t v : elementOrder) U32(v);
        return Track(track);
    }
    CdaWriter& ElementRecord(const std::string& name, const std::string& texture, const std::vector<Pose>& track) {
        return Str(name).Str(texture).Track(track);
    }
};
