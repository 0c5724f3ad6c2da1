// The pending file with the POSIX calls: open with O_EXCL, write all, close, rename; the name noted
// for a signal handler.
#include "io/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

// The latest pending file's temporary name, for a signal handler: written only outside handlers,
// with `pendingSet` cleared while the name changes.
char pendingPath[4096];
volatile std::sig_atomic_t pendingSet = 0;

void NotePending(const std::string& path) {
    pendingSet = 0;
    if (path.size() >= sizeof pendingPath) return;
    std::memcpy(pendingPath, path.c_str(), path.size() + 1);
    pendingSet = 1;
}

}  // namespace

PendingFile::PendingFile(std::string target)
    : target(std::move(target)), temporary(TemporaryPathFor(this->target, long(getpid()))) {}

PendingFile::~PendingFile() {
    if (fd >= 0) close(fd);
    if (exists) unlink(temporary.c_str());
    if (exists && pendingSet && temporary == pendingPath) pendingSet = 0;
}

bool PendingFile::Fail(std::string* why) {
    *why = std::strerror(errno);
    if (fd >= 0) close(fd);
    fd = -1;
    if (exists) unlink(temporary.c_str());
    exists = false;
    pendingSet = 0;
    return false;
}

bool PendingFile::Open(std::string* why) {
    NotePending(temporary);  // before the file exists: a signal from here on removes it
    fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) {
        // Left by a killed process that had our number: no one else writes under it.
        unlink(temporary.c_str());
        fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    }
    if (fd < 0) return Fail(why);
    exists = true;
    // A file replaced keeps its permissions, as one rewritten in place would.
    struct stat old {};
    if (stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) fchmod(fd, old.st_mode & 07777);
    return true;
}

bool PendingFile::Write(const void* bytes, size_t size, std::string* why) {
    const char* p = static_cast<const char*>(bytes);
    while (size > 0) {
        const ssize_t n = write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Fail(why);
        if (n == 0) {
            errno = EIO;
            return Fail(why);
        }
        p += n;
        size -= size_t(n);
    }
    return true;
}

bool PendingFile::Commit(std::string* why) {
    const int closing = fd;
    fd = -1;
    if (closing >= 0 && close(closing) != 0) return Fail(why);  // a network file system reports here
    if (rename(temporary.c_str(), target.c_str()) != 0) return Fail(why);
    exists = false;
    pendingSet = 0;
    return true;
}

void RemovePendingFile() {
    if (pendingSet) unlink(pendingPath);
}

void RemoveStalePendingFiles(const std::string& folder) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const long writer = PendingWriterOf(entry.path().filename().string());
        if (writer < 0) continue;
        if (pid_t(writer) != getpid() && kill(pid_t(writer), 0) != 0 && errno == ESRCH) unlink(entry.path().c_str());
    }
}
