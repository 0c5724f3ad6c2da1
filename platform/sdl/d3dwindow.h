// The show's one window and the one graphics device created on it.
#pragma once

#include "platform/device/d3d9.h"
#include "platform/sdl/win32.h"

// Raised by the window constructor only.
struct Exception {
    char message[80];   // what failed
    char location[80];  // where
    Exception(const char* message, const char* location);
};

class D3DWindow {
public:
    // Full screen is the desktop's full screen with the 640x480 picture letterboxed; windowed is a
    // 640x480 window at (200, 300). Without a display SDL's offscreen driver is used.
    D3DWindow(int width, int height, bool fullScreen, const char* title);
    ~D3DWindow();
    D3DWindow(const D3DWindow&) = delete;
    D3DWindow& operator=(const D3DWindow&) = delete;

    // Empties the event queue; true when Escape is down now or was pressed since the last call.
    bool PumpMessages();

private:
    const char* title;  // not copied, not owned
};

// The program globals written by the window.
extern IDirect3DDevice9* device;  // null when creating the device failed
extern HWND windowHandle;

// True when a real display (X11 or Wayland) can be opened.
bool PlatformHasDisplay();
// Makes the next window use SDL's offscreen driver (tests, tools, capture).
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
