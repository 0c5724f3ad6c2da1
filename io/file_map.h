// Mapping a whole open file into memory, read-only: the system calls behind MappedFile, in
// io/posix/ and io/win32/. Private to io/.
#pragma once

#include <cstddef>
#include <cstdint>

// The file of descriptor fd, size bytes (more than 0), or null when it cannot be mapped. The
// mapping outlives the descriptor.
const uint8_t* MapFileBytes(int fd, size_t size);
void UnmapFileBytes(const uint8_t* bytes, size_t size);
