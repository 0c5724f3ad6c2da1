// Opening and reading files with the POSIX calls.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "io/file_read.h"

bool OpenRegularFile(const std::string& path, uint64_t maxBytes, int* fd, uint64_t* size, std::string* error) {
    *fd = -1;
    *size = 0;
    // O_NONBLOCK: opening a FIFO with no writer returns at once instead of waiting for one.
    const int f = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (f < 0) {
        *error = kCannotOpenFile;
        return false;
    }
    struct stat st {};
    if (fstat(f, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(f);
        *error = "not a regular file";
        return false;
    }
    if (st.st_size < 0 || uint64_t(st.st_size) > maxBytes) {
        ::close(f);
        *error = FileTooLarge(maxBytes);
        return false;
    }
    const int flags = fcntl(f, F_GETFL);
    if (flags >= 0) fcntl(f, F_SETFL, flags & ~O_NONBLOCK);
    *fd = f;
    *size = uint64_t(st.st_size);
    return true;
}

int64_t ReadFileAt(int fd, void* out, size_t count, uint64_t offset) {
    for (;;) {
        const ssize_t n = ::pread(fd, out, count, off_t(offset));
        if (n < 0 && errno == EINTR) continue;
        return n;
    }
}

int DuplicateFile(int fd) {
    return ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
}

void CloseFile(int fd) {
    if (fd >= 0) ::close(fd);
}
