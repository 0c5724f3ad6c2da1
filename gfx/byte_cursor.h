// A read cursor over an untrusted byte span: every read checks the bytes left first and a failed
// read leaves the cursor where it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

struct ByteCursor {
    const uint8_t* data = nullptr;
    size_t size = 0;  // bytes in the whole span
    size_t pos = 0;   // next byte to read

    ByteCursor(const uint8_t* d, size_t n) : data(d), size(n) {}

    size_t Left() const { return size - pos; }
    bool Has(size_t n) const { return n <= size - pos; }
    const uint8_t* Here() const { return data + pos; }
    bool Skip(size_t n) {
        if (!Has(n)) return false;
        pos += n;
        return true;
    }
    bool Seek(size_t to) {
        if (to > size) return false;
        pos = to;
        return true;
    }
    bool U8(uint8_t* v) {
        if (!Has(1)) return false;
        *v = data[pos++];
        return true;
    }
    bool U16(uint16_t* v) {  // little-endian
        if (!Has(2)) return false;
        *v = static_cast<uint16_t>(data[pos] | data[pos + 1] << 8);
        pos += 2;
        return true;
    }
    bool U32(uint32_t* v) {  // little-endian
        if (!Has(4)) return false;
        *v = static_cast<uint32_t>(data[pos]) | static_cast<uint32_t>(data[pos + 1]) << 8 |
             static_cast<uint32_t>(data[pos + 2]) << 16 | static_cast<uint32_t>(data[pos + 3]) << 24;
        pos += 4;
        return true;
    }
    bool I32(int32_t* v) {
        uint32_t u;
        if (!U32(&u)) return false;
        std::memcpy(v, &u, 4);
        return true;
    }
    // Hands out n bytes in place.
    bool Bytes(size_t n, const uint8_t** out) {
        if (!Has(n)) return false;
        *out = data + pos;
        pos += n;
        return true;
    }
};
