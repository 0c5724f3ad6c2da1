// The one read cursor of every reader (images, .SCENE, .cda) over an untrusted byte span.
//
// Every read checks the bytes left first. A read that fails moves nothing and stores nothing, and it
// records the first problem (what was being read, at which byte); from then on every read, Has and
// Fits fail too, so a reader may chain reads and look at Failed() once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// How a reader words the two failures the cursor finds by itself, so each keeps its own messages.
struct CursorWording {
    std::string (*endsInside)(const char* what);                   // the bytes ran out reading `what`
    std::string (*tooShortFor)(const char* what, uint64_t count);  // `count` records of `what` don't fit
};

// "the file ends inside <what>", "the file is too short for <what>".
extern const CursorWording plainWording;

class ByteCursor {
public:
    ByteCursor(const uint8_t* data, size_t size, const CursorWording& wording = plainWording)
        : data(data), size(size), wording(wording) {}

    // Little-endian reads; `what` names the field in the problem text.
    bool U8(uint8_t* out, const char* what = "the data");
    bool U16(uint16_t* out, const char* what = "the data");
    bool U32(uint32_t* out, const char* what = "the data");
    bool I32(int32_t* out, const char* what = "the data");
    bool F32(float* out, const char* what = "the data");
    // count floats, checked as a whole with Fits first.
    bool Floats(float* out, size_t count, const char* what = "the data");
    // A u8 length L and L bytes, all consumed; the value ends at the first zero byte and keeps at
    // most 127 bytes.
    bool ShortString(std::string* out, const char* what = "the data");
    // Hands out count bytes in place and steps over them.
    bool Bytes(size_t count, const uint8_t** out, const char* what = "the data");
    bool Skip(size_t count, const char* what = "the data");
    bool Seek(size_t to, const char* what = "the data");  // to an offset from the start of the span

    // True when count records of recordSize bytes can still follow; checked, without overflow,
    // before anything the count drives is allocated or looped over.
    bool Fits(uint64_t count, uint64_t recordSize, const char* what);
    // Records a problem at the current offset (only the first one is kept); returns false.
    bool Fail(const std::string& problem);

    const uint8_t* Here() const { return data + offset; }
    size_t Offset() const { return offset; }
    size_t Left() const { return size - offset; }
    bool Has(size_t count) const { return !failed && count <= size - offset; }
    bool Failed() const { return failed; }
    const std::string& Problem() const { return problem; }  // empty while nothing failed
    size_t ProblemOffset() const { return problemOffset; }

private:
    // Steps over count bytes and hands them out; records the failure when they are not all there.
    bool Take(size_t count, const char* what, const uint8_t** bytes);
    void Missing(const char* what);  // the failure path of Take, kept out of line

    const uint8_t* data;  // not owned
    size_t size;
    CursorWording wording;
    size_t offset = 0;
    bool failed = false;
    std::string problem;
    size_t problemOffset = 0;
};

// The byte reads are inline: decoders call them once per pixel.
inline bool ByteCursor::Take(size_t count, const char* what, const uint8_t** bytes) {
    if (failed || count > size - offset) {
        Missing(what);
        return false;
    }
    *bytes = data + offset;
    offset += count;
    return true;
}

inline bool ByteCursor::U8(uint8_t* out, const char* what) {
    const uint8_t* b;
    if (!Take(1, what, &b)) return false;
    *out = b[0];
    return true;
}

inline bool ByteCursor::U16(uint16_t* out, const char* what) {
    const uint8_t* b;
    if (!Take(2, what, &b)) return false;
    *out = uint16_t(b[0] | b[1] << 8);
    return true;
}

inline bool ByteCursor::U32(uint32_t* out, const char* what) {
    const uint8_t* b;
    if (!Take(4, what, &b)) return false;
    *out = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    return true;
}

inline bool ByteCursor::Bytes(size_t count, const uint8_t** out, const char* what) {
    return Take(count, what, out);
}

inline bool ByteCursor::Skip(size_t count, const char* what) {
    const uint8_t* b;
    return Take(count, what, &b);
}
