// Shared test support: one offscreen window and device per test program, message-box capture and
// scratch folders.
#pragma once

#include <string>
#include <utility>
#include <vector>

// Creates the offscreen 640x480 window and its device once; later calls do nothing.
void UseHeadlessDevice();
// That window (after UseHeadlessDevice), for tests of its message pump.
class D3DWindow;
D3DWindow* HeadlessWindow();

// Records every message box shown while it lives, instead of showing it.
struct MessageLog {
    MessageLog();
    ~MessageLog();
    std::vector<std::pair<std::string, std::string>> boxes;  // (text, caption), in order
};

// A fresh empty folder under the system's temporary folder, removed when this goes.
struct ScratchDir {
    ScratchDir();
    ~ScratchDir();
    std::string path;
    std::string File(const std::string& name) const { return path + "/" + name; }
};

// Sets an environment variable for one scope (null: unset), as it was afterwards.
struct ScopedEnv {
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    std::string name;
    std::string previous;
    bool hadPrevious = false;
};

// Writes bytes to a file; true on success.
bool WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes);
