#include "io/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

MappedFile::~MappedFile() {
    if (bytes) munmap(const_cast<uint8_t*>(bytes), length);
}

bool MappedFile::Open(const std::string& path, std::string* error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *error = "cannot open the file";
        return false;
    }
    struct stat st {};
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (!ok) *error = "not a readable file";
    if (ok && st.st_size == 0) ok = false, *error = "the file is empty";
    if (ok) {
        void* p = mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (p == MAP_FAILED) {
            ok = false, *error = "cannot read the file";
        } else {
            bytes = static_cast<const uint8_t*>(p);
            length = size_t(st.st_size);
        }
    }
    ::close(fd);
    return ok;
}
