// The mapped file: opened with the readers' checks, then mapped whole.
#include "io/mapped_file.h"

#include "io/file_map.h"
#include "io/file_read.h"

MappedFile::~MappedFile() {
    if (bytes) UnmapFileBytes(bytes, length);
}

bool MappedFile::Open(const std::string& path, uint64_t maxBytes, std::string* error) {
    int fd;
    uint64_t size;
    if (!OpenRegularFile(path, maxBytes, &fd, &size, error)) return false;
    bool ok = size > 0;
    if (!ok) *error = "the file is empty";
    if (ok) {
        bytes = MapFileBytes(fd, size_t(size));
        if (!bytes) {
            ok = false, *error = "cannot read the file";
        } else {
            length = size_t(size);
        }
    }
    CloseFile(fd);
    return ok;
}
