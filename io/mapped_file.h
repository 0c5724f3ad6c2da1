// A whole file mapped read-only into memory, opened with the checks of io/file_read.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // False when missing, not a regular file, larger than maxBytes, unreadable or empty.
    bool Open(const std::string& path, uint64_t maxBytes, std::string* error);
    const uint8_t* data() const { return bytes; }
    size_t size() const { return length; }

private:
    const uint8_t* bytes = nullptr;
    size_t length = 0;
};
