// The device on an SDL window: the GL context is made here and handed to the device together with
// the window's swap and drawable size.
#pragma once

#include <SDL.h>

#include <string>

#include "platform/device/device_core.h"

// Creates the GL context on the window and the device around it; null with a reason on failure.
// The back buffer is backBufferWidth x backBufferHeight whatever the window's size.
IDirect3DDevice9* CreateDeviceOnWindow(SDL_Window* window, UINT backBufferWidth, UINT backBufferHeight,
                                       std::string* error, const DeviceDrawSize& drawSize = DeviceDrawSize{});

// The adapter's capabilities before a device exists, from a short-lived GL context on the window;
// false, with no capabilities, when no context can be made there.
bool GetAdapterCaps(SDL_Window* window, D3DCAPS9* caps);

// Lifetime shared by the window object and the device: SDL goes when both have gone.
void PlatformWindowGone();
void PlatformDeviceGone();
