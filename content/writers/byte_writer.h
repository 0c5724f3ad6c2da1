// Little-endian byte output shared by the content writers, and a whole-file write.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct ByteWriter {
    std::vector<uint8_t> bytes;

    void U8(uint8_t v) { bytes.push_back(v); }
    void U16(uint16_t v) {
        U8(uint8_t(v));
        U8(uint8_t(v >> 8));
    }
    void U32(uint32_t v) {
        U16(uint16_t(v));
        U16(uint16_t(v >> 16));
    }
    void I32(int32_t v) { U32(uint32_t(v)); }
    void F32(float v) {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        U32(bits);
    }
    void Bytes(const void* data, size_t n) {
        const auto* p = static_cast<const uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + n);
    }
};

// Writes the bytes to path, replacing the file whole (never a part of it in place); false with the
// reason in *why, the file as it was.
bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* why);
