// The program's file from the system's module name (wide, so any folder name survives).
#include "platform/program_path.h"

#include <windows.h>

#include <vector>

std::filesystem::path PlatformProgramPath() {
    std::vector<wchar_t> name(MAX_PATH);
    for (int attempt = 0; attempt < 6; ++attempt) {
        const DWORD got = GetModuleFileNameW(nullptr, name.data(), DWORD(name.size()));
        if (got == 0) return {};
        if (got < name.size()) return std::filesystem::path(std::wstring(name.data(), got));
        name.resize(name.size() * 4);  // cut short: a longer name
    }
    return {};
}
