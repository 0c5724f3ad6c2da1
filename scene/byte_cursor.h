// A read position over a byte span that never reads past its end. Every read checks the bytes left
// first; the first problem is kept with its offset, and every later read fails as well, so a reader
// can chain reads and look once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class ByteCursor {
public:
    ByteCursor(const uint8_t* data, size_t size) : data(data), size(size) {}

    // Little-endian reads; `what` names the field for the message when the bytes run out.
    bool U8(uint8_t* out, const char* what);
    bool U16(uint16_t* out, const char* what);
    bool U32(uint32_t* out, const char* what);
    bool I32(int32_t* out, const char* what);
    bool F32(float* out, const char* what);
    bool Floats(float* out, size_t count, const char* what);
    bool Skip(size_t count, const char* what);

    // True when count records of recordSize bytes can still follow; checked before allocating them.
    bool Fits(uint64_t count, uint64_t recordSize, const char* what);
    // Records a problem at the current offset (only the first one is kept); returns false.
    bool Fail(const std::string& problem);

    size_t Offset() const { return offset; }
    size_t Remaining() const { return size - offset; }
    bool Failed() const { return failed; }
    const std::string& Problem() const { return problem; }
    size_t ProblemOffset() const { return problemOffset; }

private:
    bool Take(size_t count, const char* what, const uint8_t** bytes);

    const uint8_t* data;  // not owned
    size_t size;
    size_t offset = 0;
    bool failed = false;
    std::string problem;
    size_t problemOffset = 0;
};
