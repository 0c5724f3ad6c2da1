#include "io/file_read.h"

// What every platform's file reading shares; the system calls are in io/posix/ and io/win32/.
const char* const kCannotOpenFile = "cannot open the file";

bool ReadWholeFile(const std::string& path, uint64_t maxBytes, std::vector<uint8_t>* bytes, std::string* error) {
    bytes->clear();
    int fd;
    uint64_t size;
    if (!OpenRegularFile(path, maxBytes, &fd, &size, error)) return false;
    bytes->resize(size_t(size));
    size_t done = 0;
    while (done < bytes->size()) {
        const int64_t n = ReadFileAt(fd, bytes->data() + done, bytes->size() - done, done);
        if (n <= 0) break;  // an error, or the file shrank while it was read
        done += size_t(n);
    }
    CloseFile(fd);
    if (done != bytes->size()) {
        bytes->clear();
        *error = "cannot read the file";
        return false;
    }
    return true;
}

std::string FileTooLarge(uint64_t maxBytes) {
    return maxBytes >= (1u << 20) ? "the file is larger than " + std::to_string(maxBytes >> 20) + " MB"
                                  : "the file is larger than " + std::to_string(maxBytes) + " bytes";
}

std::string FileProblem(const std::string& path, const std::string& problem) {
    return path + ": " + problem;
}

std::string FileProblemAt(const std::string& path, const std::string& problem, uint64_t offset) {
    return FileProblem(path, problem) + " at byte " + std::to_string(offset);
}
