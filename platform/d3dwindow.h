// The show's one window and the one graphics device created on it.
#pragma once

#include <cstdint>

#include "platform/d3d9.h"
#include "platform/win32.h"

// Raised by the window constructor only.
struct Exception {
    char message[80];   // what failed
    char location[80];  // where
    Exception(const char* message, const char* location);
};

// Who the window is for: the show checks the graphics capabilities and warns in a box; a tool
// (virelle-tools, tests) draws headless and has nobody to show the box to.
enum class WindowUse { Show, Tool };

// The size the show is drawn at, decided once at start-up (--resolution, --supersample). The show
// itself always asks for a 640x480 back buffer and 512x512 targets; where the platform draws at
// any size (PlatformDrawsAtAnySize), the device stores them larger or smaller and the 4:3 picture
// is the largest 4:3 area centred in the frame. The default means "as asked": 640x480, no bars.
struct DrawSize {
    int width = 0, height = 0;  // the frame, bars included; 0 x 0: the back buffer's own size
    bool native = false;        // full screen: the display's own size (width and height unused)
    int supersample = 1;        // 1 to 4: drawn that many times larger, box-filtered down
    bool IsDefault() const { return width == 0 && height == 0 && !native && supersample == 1; }
};
constexpr int kMaxSupersample = 4;

// Where the 4:3 picture lies in a frame of width x height: as wide or as tall as the frame, the
// other side cut down to 4:3 (rounded down), centred (rounded down). One rule for the device, its
// read-back and whoever crops the frame.
struct DrawPictureRect {
    int x, y, width, height;
};
inline DrawPictureRect PictureRectInFrame(int width, int height) {
    DrawPictureRect r{0, 0, width, height};
    if (int64_t(width) * 3 > int64_t(height) * 4)
        r.width = int(int64_t(height) * 4 / 3);
    else
        r.height = int(int64_t(width) * 3 / 4);
    r.x = (width - r.width) / 2, r.y = (height - r.height) / 2;
    return r;
}

// True where the device can draw the show at another size than 640x480 (our OpenGL device); false
// where the system's own device draws it as asked. Option parsers refuse --resolution and
// --supersample where it is false.
bool PlatformDrawsAtAnySize();

class D3DWindow {
public:
    // Full screen covers the whole display (640x480 letterboxed into it by Present); windowed is
    // a 640x480 client area at (200, 300). The display is the one PlatformChooseDisplay decided on.
    // With a draw size the picture is drawn at that size and a window has that client size.
    D3DWindow(int width, int height, bool fullScreen, const char* title, WindowUse use = WindowUse::Show,
              const DrawSize& drawSize = DrawSize{});
    ~D3DWindow();
    D3DWindow(const D3DWindow&) = delete;
    D3DWindow& operator=(const D3DWindow&) = delete;

    // Empties the event queue; true when Escape is down now or was pressed since the last call,
    // or a stop signal (SIGINT, SIGTERM) has come. Quit events (closing the window) are ignored.
    bool PumpMessages();
    // False while the window is minimised or hidden: a frame drawn now would not be seen.
    bool IsVisible() const;
    // After the device was lost (Present failed with D3DERR_DEVICELOST) and can be reset
    // (TestCooperativeLevel says D3DERR_DEVICENOTRESET): Reset with the presentation parameters
    // the device was made with, then the device states this window sets (linear samplers, stages
    // 0 to 2 off, the shared 640x512 depth buffer). The caller has let go of every default-pool
    // resource first. Reset's result.
    HRESULT ResetDevice();

private:
    const char* title;  // not copied, not owned
};

// The program globals written by the window.
extern IDirect3DDevice9* device;  // null when creating the device failed
extern HWND windowHandle;

// The run's one decision about the display, made by the first call and kept. Real: the display
// named by the environment (X11's DISPLAY, Wayland's WAYLAND_DISPLAY, or SDL_VIDEODRIVER) was
// reached, retrying for about a second while a freshly started server comes up; every window of
// the run goes there. None: the run was started without a display; windows use SDL's offscreen
// driver. Unreachable: a display is named but could not be reached; no window can be made.
enum class PlatformDisplay { Real, None, Unreachable };
PlatformDisplay PlatformChooseDisplay();
bool PlatformHasDisplay();  // PlatformChooseDisplay() == Real
// Why the named display could not be reached (after Unreachable).
const char* PlatformDisplayError();
// Decides None for this run: windows use SDL's offscreen driver (tests, tools, capture).
void PlatformUseOffscreenVideo();
// Tests: queue input as if it came from the window system (a key by virtual-key code, or the
// window's close button). Handled by the next PumpMessages / GetAsyncKeyState.
void PlatformPushKeyEvent(int virtualKey, bool down);

// Every key-down the window saw, in order (author mode's keys), with whether Shift was held and
// whether it was the keyboard's auto-repeat. The newest 64 are kept until taken.
struct KeyPress {
    int virtualKey;
    bool shift;
    bool repeat;
};
// Moves up to `capacity` of the oldest kept presses into `out`; returns how many.
int PlatformTakeKeyPresses(KeyPress* out, int capacity);
void PlatformPushCloseEvent();
// Tests: the window's client area changes size, as a window manager would make it.
void PlatformResizeWindow(int width, int height);
