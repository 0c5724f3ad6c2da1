// A whole file mapped read-only into memory.
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

    bool Open(const std::string& path, std::string* error);  // false: missing, unreadable or empty
    const uint8_t* data() const { return bytes; }
    size_t size() const { return length; }

private:
    const uint8_t* bytes = nullptr;
    size_t length = 0;
};
