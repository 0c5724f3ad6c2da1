#include "io/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

const char* const kCannotOpenFile = "cannot open the file";

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
        *error = maxBytes >= (1u << 20) ? "the file is larger than " + std::to_string(maxBytes >> 20) + " MB"
                                        : "the file is larger than " + std::to_string(maxBytes) + " bytes";
        return false;
    }
    const int flags = fcntl(f, F_GETFL);
    if (flags >= 0) fcntl(f, F_SETFL, flags & ~O_NONBLOCK);
    *fd = f;
    *size = uint64_t(st.st_size);
    return true;
}

bool ReadWholeFile(const std::string& path, uint64_t maxBytes, std::vector<uint8_t>* bytes, std::string* error) {
    bytes->clear();
    int fd;
    uint64_t size;
    if (!OpenRegularFile(path, maxBytes, &fd, &size, error)) return false;
    bytes->resize(size_t(size));
    size_t done = 0;
    while (done < bytes->size()) {
        const ssize_t n = ::read(fd, bytes->data() + done, bytes->size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // an error, or the file shrank while it was read
        done += size_t(n);
    }
    ::close(fd);
    if (done != bytes->size()) {
        bytes->clear();
        *error = "cannot read the file";
        return false;
    }
    return true;
}

std::string FileProblem(const std::string& path, const std::string& problem) {
    return path + ": " + problem;
}

std::string FileProblemAt(const std::string& path, const std::string& problem, uint64_t offset) {
    return FileProblem(path, problem) + " at byte " + std::to_string(offset);
}
