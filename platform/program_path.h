// Where this process's program file is, for finding the content beside it.
#pragma once

#include <filesystem>

// The running program's own file; empty when the system cannot say.
std::filesystem::path PlatformProgramPath();
