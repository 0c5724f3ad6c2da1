// One offscreen window and device per tool run; it lives until the process ends, so textures and
// targets made on it stay valid for the command's whole run.
#include "tools/headless_tool.h"

#include <cstdio>

#include "platform/d3dwindow.h"

bool OpenHeadlessDevice(const DrawSize& drawSize) {
    static D3DWindow* window = nullptr;  // never destroyed: the device must outlive every resource
    if (window) return device != nullptr;
    PlatformUseOffscreenVideo();
    SetMessageBoxHook([](const char* text, const char* caption) {
        std::fprintf(stderr, "%s: %s\n", Cp1252ToUtf8(caption).c_str(), Cp1252ToUtf8(text).c_str());
    });
    try {
        window = new D3DWindow(640, 480, false, "virelle-tools", WindowUse::Tool, drawSize);
    } catch (const Exception& e) {
        std::fprintf(stderr, "virelle-tools: %s (%s)\n", e.message, e.location);
        return false;
    }
    return device != nullptr;
}
