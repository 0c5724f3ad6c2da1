// The device on an SDL window: the GL context is made here and handed to the device together with
// the window's swap and drawable size.
#pragma once

#include <SDL.h>

#include <string>

#include "platform/device/device_core.h"

// Creates the GL context on the window and the device around it; null with a reason on failure.
// The back buffer is backBufferWidth x backBufferHeight whatever the window's size.
IDirect3DDevice9* CreateDeviceOnWindow(SDL_Window* window, UINT backBufferWidth, UINT backBufferHeight,
                                       std::string* error);

// Lifetime shared by the window object and the device: SDL goes when both have gone.
void PlatformWindowGone();
void PlatformDeviceGone();
