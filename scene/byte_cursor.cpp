#include "scene/byte_cursor.h"

#include <cstring>

bool ByteCursor::Take(size_t count, const char* what, const uint8_t** bytes) {
    if (failed) return false;
    if (count > size - offset) return Fail(std::string("the file ends inside ") + what);
    *bytes = data + offset;
    offset += count;
    return true;
}

bool ByteCursor::U8(uint8_t* out, const char* what) {
    const uint8_t* b;
    if (!Take(1, what, &b)) return false;
    *out = b[0];
    return true;
}

bool ByteCursor::U16(uint16_t* out, const char* what) {
    const uint8_t* b;
    if (!Take(2, what, &b)) return false;
    *out = uint16_t(b[0] | b[1] << 8);
    return true;
}

bool ByteCursor::U32(uint32_t* out, const char* what) {
    const uint8_t* b;
    if (!Take(4, what, &b)) return false;
    *out = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    return true;
}

bool ByteCursor::I32(int32_t* out, const char* what) {
    uint32_t u;
    if (!U32(&u, what)) return false;
    *out = int32_t(u);  // two's complement
    return true;
}

bool ByteCursor::F32(float* out, const char* what) {
    uint32_t u;
    if (!U32(&u, what)) return false;
    std::memcpy(out, &u, 4);
    return true;
}

bool ByteCursor::Floats(float* out, size_t count, const char* what) {
    if (!Fits(count, 4, what)) return false;
    for (size_t i = 0; i < count; ++i) F32(&out[i], what);
    return true;
}

bool ByteCursor::Skip(size_t count, const char* what) {
    const uint8_t* b;
    return Take(count, what, &b);
}

bool ByteCursor::Fits(uint64_t count, uint64_t recordSize, const char* what) {
    if (failed) return false;
    // count * recordSize <= Remaining(), without overflowing.
    if (recordSize != 0 && count > Remaining() / recordSize)
        return Fail(std::string("the file is too short for ") + what);
    return true;
}

bool ByteCursor::Fail(const std::string& text) {
    if (!failed) {
        failed = true;
        problem = text;
        problemOffset = offset;
    }
    return false;
}
