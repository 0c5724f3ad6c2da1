// Opening and reading files with the Win32 calls. Paths are the system's byte strings (the ANSI
// code page). A descriptor is the C runtime's, made from the file's handle, so the callers close
// and hand it on as they do elsewhere.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "io/file_read.h"

namespace {

HANDLE HandleOf(int fd) {
    return fd < 0 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

}  // namespace

bool OpenRegularFile(const std::string& path, uint64_t maxBytes, int* fd, uint64_t* size, std::string* error) {
    *fd = -1;
    *size = 0;
    // Opening a pipe or a device name ("CON", "\\.\pipe\x") never waits: only disk files are kept.
    // A folder cannot be opened without FILE_FLAG_BACKUP_SEMANTICS, so it is "cannot open".
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        *error = kCannotOpenFile;
        return false;
    }
    LARGE_INTEGER bytes{};
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileSizeEx(h, &bytes)) {
        CloseHandle(h);
        *error = "not a regular file";
        return false;
    }
    if (bytes.QuadPart < 0 || uint64_t(bytes.QuadPart) > maxBytes) {
        CloseHandle(h);
        *error = FileTooLarge(maxBytes);
        return false;
    }
    const int f = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
    if (f < 0) {
        CloseHandle(h);
        *error = kCannotOpenFile;
        return false;
    }
    *fd = f;
    *size = uint64_t(bytes.QuadPart);
    return true;
}

int64_t ReadFileAt(int fd, void* out, size_t count, uint64_t offset) {
    const HANDLE h = HandleOf(fd);
    if (h == INVALID_HANDLE_VALUE) return -1;
    // The offset goes with the read itself, so no reader depends on the handle's position.
    OVERLAPPED at{};
    at.Offset = DWORD(offset & 0xFFFFFFFFu);
    at.OffsetHigh = DWORD(offset >> 32);
    const DWORD want = count > 0x40000000u ? 0x40000000u : DWORD(count);
    DWORD got = 0;
    if (!ReadFile(h, out, want, &got, &at)) return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    return int64_t(got);
}

int DuplicateFile(int fd) {
    const HANDLE h = HandleOf(fd);
    HANDLE copy = INVALID_HANDLE_VALUE;
    if (h == INVALID_HANDLE_VALUE ||
        !DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
        return -1;
    const int f = _open_osfhandle(reinterpret_cast<intptr_t>(copy), _O_RDONLY | _O_BINARY);
    if (f < 0) CloseHandle(copy);
    return f;
}

void CloseFile(int fd) {
    if (fd >= 0) _close(fd);  // closes the handle too
}
