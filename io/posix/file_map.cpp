// Mapping a file with mmap.
#include "io/file_map.h"

#include <sys/mman.h>

const uint8_t* MapFileBytes(int fd, size_t size) {
    void* p = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    return p == MAP_FAILED ? nullptr : static_cast<const uint8_t*>(p);
}

void UnmapFileBytes(const uint8_t* bytes, size_t size) {
    munmap(const_cast<uint8_t*>(bytes), size);
}
