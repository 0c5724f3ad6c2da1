// The mapped file with a Win32 file mapping.
#include "io/mapped_file.h"

#include <io.h>
#include <windows.h>

#include "io/file_read.h"

MappedFile::~MappedFile() {
    if (bytes) UnmapViewOfFile(bytes);
}

bool MappedFile::Open(const std::string& path, uint64_t maxBytes, std::string* error) {
    int fd;
    uint64_t size;
    if (!OpenRegularFile(path, maxBytes, &fd, &size, error)) return false;
    bool ok = size > 0;
    if (!ok) *error = "the file is empty";
    if (ok) {
        const HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
        // The view keeps the mapping alive: both handles can go at once.
        const HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
        const void* p = mapping ? MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, size_t(size)) : nullptr;
        if (mapping) CloseHandle(mapping);
        if (!p) {
            ok = false, *error = "cannot read the file";
        } else {
            bytes = static_cast<const uint8_t*>(p);
            length = size_t(size);
        }
    }
    CloseFile(fd);
    return ok;
}
