// A read position over the bytes of an untrusted .cda file. Every read checks the bytes left first; the
// first failure is kept (what was being read, where, and why) and every later read fails too, so a
// reader can go on calling and look at Failed() once.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

class CdaCursor {
public:
    CdaCursor(const uint8_t* data, size_t size) : data(data), size(size) {}

    size_t Offset() const { return pos; }
    size_t Left() const { return size - pos; }
    bool Failed() const { return !problem.empty(); }
    const std::string& Problem() const { return problem; }  // empty while nothing failed

    // Records a failure at the current offset; only the first one is kept.
    bool Fail(const char* what) {
        if (problem.empty()) {
            char text[96];
            std::snprintf(text, sizeof text, "%s at byte %zu", what, pos);
            problem = text;
        }
        return false;
    }

    bool ReadU8(uint8_t* out, const char* what) {
        if (!Need(1, what)) return false;
        *out = data[pos++];
        return true;
    }

    bool ReadU32(uint32_t* out, const char* what) {  // little-endian
        if (!Need(4, what)) return false;
        *out = uint32_t(data[pos]) | uint32_t(data[pos + 1]) << 8 | uint32_t(data[pos + 2]) << 16 |
               uint32_t(data[pos + 3]) << 24;
        pos += 4;
        return true;
    }

    bool ReadF32(float* out, const char* what) {  // IEEE-754 single, little-endian
        uint32_t bits = 0;
        if (!ReadU32(&bits, what)) return false;
        *out = std::bit_cast<float>(bits);
        return true;
    }

    // A u8 length L and L bytes. The value ends at the first zero byte and holds at most 127 bytes;
    // all L bytes are consumed either way.
    bool ReadShortString(std::string* out, const char* what) {
        uint8_t length = 0;
        if (!ReadU8(&length, what) || !Need(length, what)) return false;
        size_t n = 0;
        while (n < length && n < 127 && data[pos + n] != 0) ++n;
        out->assign(reinterpret_cast<const char*>(data + pos), n);
        pos += length;
        return true;
    }

    // True when count records of at least recordBytes each can still follow; checked before any
    // allocation or loop that the count drives.
    bool CheckCount(uint32_t count, size_t recordBytes, const char* what) {
        if (Failed()) return false;
        if (uint64_t(count) * recordBytes <= Left()) return true;
        char text[80];
        std::snprintf(text, sizeof text, "%s count %u runs past the end", what, unsigned(count));
        return Fail(text);
    }

private:
    bool Need(size_t n, const char* what) {
        if (Failed()) return false;
        if (n <= Left()) return true;
        char text[80];
        std::snprintf(text, sizeof text, "ends early in the %s", what);
        return Fail(text);
    }

    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    std::string problem;
};
