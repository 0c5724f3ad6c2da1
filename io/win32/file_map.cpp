// Mapping a file with a Win32 file mapping; the view keeps the mapping alive, so both handles can
// go at once.
#include "io/file_map.h"

#include <io.h>
#include <windows.h>

const uint8_t* MapFileBytes(int fd, size_t size) {
    const HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    const HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping) return nullptr;
    const void* p = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, size);
    CloseHandle(mapping);
    return static_cast<const uint8_t*>(p);
}

void UnmapFileBytes(const uint8_t* bytes, size_t) {
    UnmapViewOfFile(bytes);
}
