#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "platform/win32.h"
#include "tests/common/headless.h"

MessageLog::MessageLog() {
    SetMessageBoxHook([this](const char* text, const char* caption) { boxes.emplace_back(text, caption); });
}

MessageLog::~MessageLog() {
    SetMessageBoxHook(nullptr);
}

ScratchDir::ScratchDir() {
    std::random_device rd;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        auto candidate = base / ("virelle-test-" + std::to_string(rd()));
        if (std::filesystem::create_directory(candidate)) {
            path = candidate.string();
            break;
        }
    }
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

namespace {

#if defined(_WIN32)
// The C runtime's environment: an empty value removes the name.
int setenv(const char* name, const char* value, int) {
    return _putenv_s(name, value);
}
int unsetenv(const char* name) {
    return _putenv_s(name, "");
}
#endif

}  // namespace

ScopedEnv::ScopedEnv(const char* name, const char* value) : name(name) {
    if (const char* old = std::getenv(name)) previous = old, hadPrevious = true;
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
    if (hadPrevious)
        setenv(name.c_str(), previous.c_str(), 1);
    else
        unsetenv(name.c_str());
}

bool WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}
