// What each fuzz target does with one input, shared by the libFuzzer targets and by the test that
// replays fuzz/regress/ through the normal build. Each entry treats the bytes as the file its reader
// takes, the way the show takes it, and throws the result away.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Once per process: message boxes swallowed, the offscreen device made (for the entries that need
// one) and a file texture registry set up where none is.
void FuzzSetUp(bool withDevice);

int FuzzComposition(const uint8_t* data, size_t size);  // Composition::Load, textures from the cwd
int FuzzScene(const uint8_t* data, size_t size);        // Scene::Load
int FuzzMp3(const uint8_t* data, size_t size);          // MusicStream open, decode to the end, spectra
// The texture loader on the device. `type` is an ImageTypeName ("bmp", ...): inputs that another
// decoder would take are left to that decoder's target (-1, not kept in its corpus).
int FuzzImage(const char* type, const uint8_t* data, size_t size);

// Every target's name: "composition", "scene", "mp3", then "image_<type>" for each decoder.
std::vector<std::string> FuzzTargetNames();
// Runs the entry of a target's name; false when there is no such target.
bool RunFuzzEntry(const std::string& target, const uint8_t* data, size_t size, int* result);
