// The window/device lifetime (the pump, keys and cursor: window_pump_test.cpp).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/d3dwindow.h"
#include "tests/common/headless.h"

namespace {

// Ends a child process. SDL_Quit has unloaded the GL driver by then, so LeakSanitizer could only
// report the driver's leftovers as "<unknown module>", beyond any suppression by library name;
// our own teardown is checked by the device going away, and ASan still watches every access.
[[noreturn]] void Done(int code) {
    std::_Exit(code);
}

// A fresh process: construct the window, check what construction leaves, then tear down in the
// show's order (the device outlives the window object while textures hold it).
void ConstructAndTearDown() {
    PlatformUseOffscreenVideo();
    MessageLog log;
    auto* window = new D3DWindow(640, 480, false, "virelle-test");
    if (!device) Done(10);
    D3DCAPS9 caps;
    device->GetDeviceCaps(&caps);
    const bool software = !(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    if (software != (log.boxes.size() == 1)) Done(11);
    if (software && (log.boxes[0].first != "Your GPU is from Poland!" || log.boxes[0].second != "Warning")) Done(12);

    // Samplers filter linearly after construction: a 2-texel texture stretched over the target
    // shows a blend in the middle, not one of the texels.
    IDirect3DTexture9* texture = nullptr;
    device->CreateTexture(2, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr);
    D3DLOCKED_RECT locked;
    texture->LockRect(0, &locked, nullptr, 0);
    static_cast<uint32_t*>(locked.pBits)[0] = 0xFF000000;
    static_cast<uint32_t*>(locked.pBits)[1] = 0xFFFFFFFF;
    texture->UnlockRect(0);
    struct V {
        float x, y, z, u, v;
    } quad[4] = {
        {-1, 1, 0.5f, 0.25f, 0.5f}, {1, 1, 0.5f, 0.75f, 0.5f}, {1, -1, 0.5f, 0.75f, 0.5f}, {-1, -1, 0.5f, 0.25f, 0.5f}};
    IDirect3DVertexBuffer9* vb = nullptr;
    device->CreateVertexBuffer(sizeof quad, 0, 0x102, D3DPOOL_MANAGED, &vb, nullptr);
    void* data = nullptr;
    vb->Lock(0, 0, &data, 0);
    std::memcpy(data, quad, sizeof quad);
    vb->Unlock();
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);  // construction disabled it
    device->SetTexture(0, texture);
    device->SetFVF(0x102);
    device->SetStreamSource(0, vb, 0, sizeof(V));
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    if (device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2) != D3D_OK) Done(13);
    std::vector<uint8_t> pixels;
    UINT w = 0, h = 0;
    device->ReadRenderTarget(&pixels, &w, &h);
    const int middle = pixels[(240 * size_t(w) + 320) * 4];
    if (middle < 100 || middle > 155) Done(14);
    vb->Release();  // still bound: lives until unbound, but its device reference is gone

    // The show's teardown: the program's device reference first, the window object, then textures.
    IDirect3DSurface9* backBuffer = nullptr;
    device->GetRenderTarget(0, &backBuffer);
    backBuffer->Release();
    if (device->Release() != 1) Done(15);  // the texture still holds the device
    delete window;
    if (!device) Done(16);
    if (texture->Release() != 0) Done(17);
    if (device) Done(18);  // gone with its last reference
    Done(0);
}

TEST(WindowLifetime, ConstructionAndTeardown) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(ConstructAndTearDown(), ::testing::ExitedWithCode(0), "");
}

}  // namespace

namespace {

// Mesa offering less than GL 3.3 stands for a failed CreateDevice. The capabilities are checked
// before the device is made, so the software renderer's warning comes first, then the console line.
void ConstructWithoutDevice() {
    setenv("MESA_GL_VERSION_OVERRIDE", "3.1", 1);
    PlatformUseOffscreenVideo();
    SetMessageBoxHook([](const char* text, const char* caption) { std::printf("[%s: %s]", caption, text); });
    testing::internal::CaptureStdout();
    auto* window = new D3DWindow(640, 480, true, "virelle-test");
    const std::string out = testing::internal::GetCapturedStdout();
    SetMessageBoxHook(nullptr);
    if (out != "[Warning: Your GPU is from Poland!]Morra til vesk\n") Done(20);
    if (device) Done(21);
    delete window;
    Done(0);
}

// A tool's window (virelle-tools, headless tests) never shows the show's capability warning.
void ConstructForATool() {
    PlatformUseOffscreenVideo();
    MessageLog log;
    auto* window = new D3DWindow(640, 480, false, "virelle-test", WindowUse::Tool);
    if (!device) Done(40);
    if (!log.boxes.empty()) Done(41);
    delete window;
    Done(0);
}

TEST(WindowLifetime, ToolWindowsGiveNoCapabilityWarning) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(ConstructForATool(), ::testing::ExitedWithCode(0), "");
}

// No GL library to load stands for Direct3DCreate9 failing: an Exception with both texts.
void ConstructWithoutGl() {
    setenv("SDL_VIDEO_EGL_DRIVER", "/nonexistent/libEGL.so", 1);
    PlatformUseOffscreenVideo();
    try {
        D3DWindow window(640, 480, false, "virelle-test");
    } catch (const Exception& e) {
        if (std::strcmp(e.message, "Direct3DCreate9(D3D_SDK_VERSION)") != 0) Done(30);
        if (std::strcmp(e.location, "d3dwindow, Constructor") != 0) Done(31);
        if (windowHandle) Done(32);
        Done(0);
    }
    Done(33);
}

TEST(WindowLifetime, FailedDevicePrintsAndLeavesNoDevice) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(ConstructWithoutDevice(), ::testing::ExitedWithCode(0), "");
}

TEST(WindowLifetime, FailedGlLibraryRaisesException) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(ConstructWithoutGl(), ::testing::ExitedWithCode(0), "");
}

}  // namespace

namespace {

// A display named but not there: about a second of retries, then no window at all, never an
// offscreen one behind the user's back.
void ConstructOnAMissingDisplay() {
    unsetenv("SDL_VIDEODRIVER");
    unsetenv("WAYLAND_DISPLAY");
    setenv("DISPLAY", ":987", 1);
    const auto start = std::chrono::steady_clock::now();
    if (PlatformChooseDisplay() != PlatformDisplay::Unreachable) Done(50);
    if (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(800)) Done(51);  // it retried
    if (PlatformHasDisplay() || std::string(PlatformDisplayError()).find("x11") == std::string::npos) Done(52);
    try {
        D3DWindow window(640, 480, true, "virelle-test");
    } catch (const Exception& e) {
        if (std::strcmp(e.message, "Failed To RegisterClass") != 0) Done(53);
        if (windowHandle || device) Done(54);
        Done(0);
    }
    Done(55);
}

// Started with no display at all: the offscreen driver, decided once.
void ConstructWithNoDisplay() {
    unsetenv("SDL_VIDEODRIVER");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("DISPLAY");
    if (PlatformChooseDisplay() != PlatformDisplay::None) Done(60);
    auto* window = new D3DWindow(640, 480, false, "virelle-test", WindowUse::Tool);
    if (!device || !windowHandle) Done(61);
    delete window;
    Done(0);
}

TEST(DisplayChoice, ANamedDisplayThatCannotBeReachedGivesNoWindow) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(ConstructOnAMissingDisplay(), ::testing::ExitedWithCode(0), "");
}

TEST(DisplayChoice, NoDisplayAtAllUsesTheOffscreenDriver) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(ConstructWithNoDisplay(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
