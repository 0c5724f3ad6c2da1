#include "io/byte_cursor.h"

#include "math/float_bits.h"

constinit const CursorWording plainWording = {
    [](const char* what) { return std::string("the file ends inside ") + what; },
    [](const char* what, uint64_t) { return std::string("the file is too short for ") + what; },
};

void ByteCursor::Missing(const char* what) {
    if (!failed) Fail(wording.endsInside(what));
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
    *out = FloatFromBits(u);
    return true;
}

bool ByteCursor::Floats(float* out, size_t count, const char* what) {
    if (!Fits(count, 4, what)) return false;
    for (size_t i = 0; i < count; ++i) F32(&out[i], what);
    return true;
}

bool ByteCursor::ShortString(std::string* out, const char* what) {
    const size_t start = offset;
    uint8_t length;
    const uint8_t* text;
    if (!U8(&length, what)) return false;
    if (!Take(length, what, &text)) {
        offset = start;  // the problem stays at the missing bytes; the length is not consumed
        return false;
    }
    size_t n = 0;
    while (n < length && n < 127 && text[n] != 0) ++n;
    out->assign(reinterpret_cast<const char*>(text), n);
    return true;
}

bool ByteCursor::Seek(size_t to, const char* what) {
    if (failed) return false;
    if (to > size) return Fail(wording.endsInside(what));
    offset = to;
    return true;
}

bool ByteCursor::Fits(uint64_t count, uint64_t recordSize, const char* what) {
    if (failed) return false;
    if (recordSize != 0 && count > Left() / recordSize) return Fail(wording.tooShortFor(what, count));
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
