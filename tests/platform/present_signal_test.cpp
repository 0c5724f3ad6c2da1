// What reaches the window: the letterboxed picture at every window size, and the stop signals
// reported through the pump like Escape while quit events stay ignored. Each case runs in a fresh
// process with its own offscreen window.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/d3dwindow.h"
#include "platform/stop_signals.h"
#include "tests/common/headless.h"

namespace {

[[noreturn]] void Done(int code) {
    std::_Exit(code);  // as in window_test.cpp: no exit-time leak check after SDL has unloaded GL
}

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
};

// The smallest rectangle holding every bright pixel of the window as presented, and its size.
Rect PresentedPicture(UINT* width, UINT* height) {
    std::vector<uint8_t> bgra;
    if (device->ReadPresented(&bgra, width, height) != D3D_OK) Done(90);
    int x1 = int(*width), y1 = int(*height), x2 = -1, y2 = -1;
    for (int y = 0; y < int(*height); ++y)
        for (int x = 0; x < int(*width); ++x) {
            const uint8_t* p = &bgra[(size_t(y) * *width + size_t(x)) * 4];
            if (p[0] > 128 && p[1] > 128 && p[2] > 128) {
                x1 = std::min(x1, x), y1 = std::min(y1, y), x2 = std::max(x2, x), y2 = std::max(y2, y);
            } else if (p[0] > 8 || p[1] > 8 || p[2] > 8) {
                Done(91);  // neither the white picture nor a black bar
            }
        }
    return {x1, y1, x2 - x1 + 1, y2 - y1 + 1};
}

// A white picture presented into a window of several sizes: centred, 4:3, touching two edges.
void PresentLetterboxesIntoEverySize() {
    PlatformUseOffscreenVideo();
    auto* window = new D3DWindow(640, 480, false, "virelle-test", WindowUse::Tool);
    if (!device) Done(10);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
    // The offscreen window keeps the surface it was made with, so sizes stay within 640x480.
    const struct {
        int width, height;
        Rect picture;
    } cases[] = {
        {640, 480, {0, 0, 640, 480}}, {640, 240, {160, 0, 320, 240}}, {400, 480, {0, 90, 400, 300}},
        {500, 375, {0, 0, 500, 375}}, {321, 100, {94, 0, 133, 100}},  {640, 480, {0, 0, 640, 480}},
    };
    int step = 0;
    for (const auto& c : cases) {
        PlatformResizeWindow(c.width, c.height);
        device->Present(nullptr, nullptr, nullptr, nullptr);
        UINT w = 0, h = 0;
        const Rect r = PresentedPicture(&w, &h);
        if (int(w) != c.width || int(h) != c.height) Done(20 + step);
        if (r.x != c.picture.x || r.y != c.picture.y || r.w != c.picture.w || r.h != c.picture.h) {
            std::fprintf(stderr, "%dx%d: picture %d,%d %dx%d\n", c.width, c.height, r.x, r.y, r.w, r.h);
            Done(40 + step);
        }
        ++step;
    }
    device->Release();
    delete window;
    Done(0);
}

TEST(Present, LetterboxesThePictureIntoTheWindowAsItsSizeChanges) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(PresentLetterboxesIntoEverySize(), ::testing::ExitedWithCode(0), "");
}

// Full screen: the window is the display's size from the start and the picture fills it at 4:3.
void PresentFullScreenFillsTheDisplay() {
    PlatformUseOffscreenVideo();
    auto* window = new D3DWindow(640, 480, true, "virelle-test", WindowUse::Tool);
    if (!device) Done(10);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
    device->Present(nullptr, nullptr, nullptr, nullptr);
    UINT w = 0, h = 0;
    const Rect r = PresentedPicture(&w, &h);
    if (w <= 640 || h <= 480) Done(11);  // the display, not the back buffer's size
    const bool wide = uint64_t(w) * 3 > uint64_t(h) * 4;
    if (wide ? (r.h != int(h) || r.y != 0) : (r.w != int(w) || r.x != 0)) Done(12);
    if (std::abs(r.w * 3 - r.h * 4) > 4) Done(13);                                               // 4:3 within a pixel
    if (std::abs(2 * r.x + r.w - int(w)) > 1 || std::abs(2 * r.y + r.h - int(h)) > 1) Done(14);  // centred
    device->Release();
    delete window;
    Done(0);
}

TEST(Present, FullScreenFillsTheDisplayLetterboxed) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(PresentFullScreenFillsTheDisplay(), ::testing::ExitedWithCode(0), "");
}

// A picture of four coloured quarters and one white pixel: at the back buffer's size the window
// shows it byte for byte (R, G, B), the right way up; scaled to half, each quarter is where it was.
void PresentCopiesThePictureTheRightWayUp() {
    PlatformUseOffscreenVideo();
    auto* window = new D3DWindow(640, 480, false, "virelle-test", WindowUse::Tool);
    if (!device) Done(10);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    const D3DRECT red{0, 0, 320, 240}, green{320, 0, 640, 240}, blue{0, 240, 320, 480}, dot{10, 20, 11, 21};
    device->Clear(1, &red, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
    device->Clear(1, &green, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
    device->Clear(1, &blue, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    device->Clear(1, &dot, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
    std::vector<uint8_t> drawn, shown;
    UINT w = 0, h = 0;
    if (device->ReadRenderTarget(&drawn, &w, &h) != D3D_OK || w != 640 || h != 480) Done(11);
    for (int round = 0; round < 2; ++round) {  // the first Present and a later one alike
        device->Present(nullptr, nullptr, nullptr, nullptr);
        if (device->ReadPresented(&shown, &w, &h) != D3D_OK || w != 640 || h != 480) Done(12);
        for (size_t i = 0; i < drawn.size(); i += 4)
            if (drawn[i] != shown[i] || drawn[i + 1] != shown[i + 1] || drawn[i + 2] != shown[i + 2]) {
                std::fprintf(stderr, "pixel %zu differs\n", i / 4);
                Done(13 + round);
            }
    }
    PlatformResizeWindow(320, 240);
    device->Present(nullptr, nullptr, nullptr, nullptr);
    if (device->ReadPresented(&shown, &w, &h) != D3D_OK || w != 320 || h != 240) Done(15);
    auto at = [&](int x, int y) {
        const uint8_t* p = &shown[(size_t(y) * w + size_t(x)) * 4];
        return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    };
    if (at(80, 60) != 0xFF0000 || at(240, 60) != 0x00FF00 || at(80, 180) != 0x0000FF || at(240, 180) != 0) Done(16);
    device->Release();
    delete window;
    Done(0);
}

TEST(Present, CopiesThePictureExactlyAndTheRightWayUp) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(PresentCopiesThePictureTheRightWayUp(), ::testing::ExitedWithCode(0), "");
}

// SIGTERM during the show: the next pump reports it as Escape would; closing the window still does
// not. The handler was used once, so a second SIGTERM ends the process the default way.
void PumpReportsAStopSignal(int signal) {
    PlatformCatchStopSignals();
    UseHeadlessDevice();
    D3DWindow* window = HeadlessWindow();
    if (!device) Done(10);
    PlatformPushCloseEvent();
    if (window->PumpMessages()) Done(11);
    if (PlatformStopSignal() != 0) Done(12);
    std::raise(signal);
    PlatformPushCloseEvent();
    if (!window->PumpMessages()) Done(13);
    if (!window->PumpMessages()) Done(14);  // stays reported: the show is ending
    if (PlatformStopSignal() != signal) Done(15);
    PlatformResetStopSignal();  // tests only: armed again
    if (window->PumpMessages()) Done(16);
    std::raise(signal);
    if (PlatformStopSignal() != signal) Done(17);
    std::raise(signal);  // the second one: the default action
    Done(18);
}

TEST(StopSignals, SigtermIsReportedByThePumpAndASecondOneEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(PumpReportsAStopSignal(SIGTERM), ::testing::KilledBySignal(SIGTERM), "");
}

TEST(StopSignals, SigintIsReportedByThePumpAndASecondOneEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(PumpReportsAStopSignal(SIGINT), ::testing::KilledBySignal(SIGINT), "");
}

}  // namespace
