// The program's file from /proc/self/exe.
#include "platform/program_path.h"

#include <system_error>

std::filesystem::path PlatformProgramPath() {
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : program;
}
