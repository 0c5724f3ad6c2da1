#include "platform/d3dwindow.h"
#include "tests/common/headless.h"

namespace {
D3DWindow* window = nullptr;  // lives for the whole test program
}  // namespace

D3DWindow* HeadlessWindow() {
    return window;
}

void UseHeadlessDevice() {
    if (window) return;
    PlatformUseOffscreenVideo();
    window = new D3DWindow(640, 480, false, "virelle-test", WindowUse::Tool);
}
