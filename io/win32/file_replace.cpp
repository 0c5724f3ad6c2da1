// The pending file with the C runtime's and Win32's calls: created new, written whole, closed and
// moved over the target (MoveFileEx replaces it in one step on the same volume).
#include "io/file_replace.h"

#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

// The latest pending file's temporary name, for the console's stop handler.
char pendingPath[4096];
volatile LONG pendingSet = 0;

void NotePending(const std::string& path) {
    pendingSet = 0;
    if (path.size() >= sizeof pendingPath) return;
    std::memcpy(pendingPath, path.c_str(), path.size() + 1);
    pendingSet = 1;
}

// The system's words for the last Win32 failure.
std::string SystemReason() {
    char text[256] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, GetLastError(),
                                   0, text, sizeof text, nullptr);
    std::string reason(text, n);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == '.'))
        reason.pop_back();
    return reason.empty() ? "the file cannot be written" : reason;
}

}  // namespace

PendingFile::PendingFile(std::string target)
    : target(std::move(target)), temporary(TemporaryPathFor(this->target, long(_getpid()))) {}

PendingFile::~PendingFile() {
    if (fd >= 0) _close(fd);
    if (exists) _unlink(temporary.c_str());
    if (exists && pendingSet && temporary == pendingPath) pendingSet = 0;
}

bool PendingFile::Fail(std::string* why) {
    if (why->empty()) *why = std::strerror(errno);
    if (fd >= 0) _close(fd);
    fd = -1;
    if (exists) _unlink(temporary.c_str());
    exists = false;
    pendingSet = 0;
    return false;
}

bool PendingFile::Open(std::string* why) {
    why->clear();
    NotePending(temporary);
    const int flags = _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT;
    fd = _open(temporary.c_str(), flags, _S_IREAD | _S_IWRITE);
    if (fd < 0 && errno == EEXIST) {
        // Left by a killed process that had our number: no one else writes under it.
        _unlink(temporary.c_str());
        fd = _open(temporary.c_str(), flags, _S_IREAD | _S_IWRITE);
    }
    if (fd < 0) return Fail(why);
    exists = true;
    return true;
}

bool PendingFile::Write(const void* bytes, size_t size, std::string* why) {
    why->clear();
    const char* p = static_cast<const char*>(bytes);
    while (size > 0) {
        const unsigned chunk = size > 0x40000000u ? 0x40000000u : unsigned(size);
        const int n = _write(fd, p, chunk);
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return Fail(why);
        }
        p += n;
        size -= size_t(n);
    }
    return true;
}

bool PendingFile::Commit(std::string* why) {
    why->clear();
    const int closing = fd;
    fd = -1;
    if (closing >= 0 && _close(closing) != 0) return Fail(why);
    if (!MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        *why = SystemReason();
        return Fail(why);
    }
    exists = false;
    pendingSet = 0;
    return true;
}

void RemovePendingFile() {
    if (pendingSet) DeleteFileA(pendingPath);
}

void RemoveStalePendingFiles(const std::string& folder) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const long writer = PendingWriterOf(entry.path().filename().string());
        if (writer < 0 || writer == long(_getpid())) continue;
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(writer));
        if (process) {
            CloseHandle(process);  // still running
            continue;
        }
        if (GetLastError() == ERROR_INVALID_PARAMETER) std::filesystem::remove(entry.path(), ec);
    }
}
