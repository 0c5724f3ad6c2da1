// What the device needs from the window it presents to. The window side (platform/sdl/) makes the
// GL context, makes it current and fills this in, so the device itself knows no window system.
#pragma once

#include <string>

#include "platform/device/d3d9types.h"

class IDirect3DDevice9;

struct DeviceWindow {
    void* window = nullptr;                                                 // handed back to every call
    void (*drawableSize)(void* window, int* width, int* height) = nullptr;  // pixels of the default framebuffer
    void (*swap)(void* window) = nullptr;     // shows what was drawn into the default framebuffer
    void (*release)(void* window) = nullptr;  // the device has deleted its GL objects: the context may go
};

// The size the device draws at (device_scale.h). The default draws everything at the size asked.
struct DeviceDrawSize {
    UINT frameWidth = 0, frameHeight = 0;  // the frame, bars included; 0: the back buffer's own size
    UINT supersample = 1;                  // drawn that many times larger, box-filtered down
};

// Makes the device on the window's current GL context; the back buffer is backBufferWidth x
// backBufferHeight whatever the window's size, stored at the draw size. On failure: null with a
// reason, and the window has been released.
IDirect3DDevice9* CreateDevice(const DeviceWindow& window, UINT backBufferWidth, UINT backBufferHeight,
                               std::string* error, const DeviceDrawSize& drawSize = DeviceDrawSize{});
// The capabilities a device made on the current GL context would report: the adapter's, asked
// before the device is created (the window side makes a short-lived context for it).
D3DCAPS9 CurrentContextCaps();
