// The mapped file with mmap.
#include "io/mapped_file.h"

#include <sys/mman.h>

#include "io/file_read.h"

MappedFile::~MappedFile() {
    if (bytes) munmap(const_cast<uint8_t*>(bytes), length);
}

bool MappedFile::Open(const std::string& path, uint64_t maxBytes, std::string* error) {
    int fd;
    uint64_t size;
    if (!OpenRegularFile(path, maxBytes, &fd, &size, error)) return false;
    bool ok = size > 0;
    if (!ok) *error = "the file is empty";
    if (ok) {
        void* p = mmap(nullptr, size_t(size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (p == MAP_FAILED) {
            ok = false, *error = "cannot read the file";
        } else {
            bytes = static_cast<const uint8_t*>(p);
            length = size_t(size);
        }
    }
    CloseFile(fd);
    return ok;
}
