// What the tools and tests ask of the device beyond Direct3D 9: the pixels of the bound render
// target, and what drawing a frame cost the device. Our OpenGL device answers from its own backend;
// on the system's Direct3D 9 the pixels come through a system-memory surface and there are no
// counters.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3d9.h"

// Reads render target 0 as 8-bit B, G, R, A rows, top row first (alpha as stored; X8R8G8B8 targets
// read 255). For tests, single frames and offline capture.
HRESULT PlatformReadRenderTarget(IDirect3DDevice9* device, std::vector<uint8_t>* bgra, UINT* width, UINT* height);

// The same read-back without waiting for the picture: Queue starts copying render target 0 and
// returns at once (at most 3 copies wait; then it fails); Take hands over the oldest queued copy as
// PlatformReadRenderTarget would, waiting only if that copy has not finished. Drawing may go on
// between the two.
HRESULT PlatformQueueReadRenderTarget(IDirect3DDevice9* device);
HRESULT PlatformTakeReadRenderTarget(IDirect3DDevice9* device, std::vector<uint8_t>* bgra, UINT* width, UINT* height);
UINT PlatformPendingReadRenderTargets(IDirect3DDevice9* device);  // queued, not yet taken

// What one frame cost the device layer, from one Present to the next.
struct DeviceFrameCost {
    uint64_t draws = 0;          // draw calls that reached the renderer
    uint64_t stateChanges = 0;   // Set* calls that changed a state
    uint64_t textureBinds = 0;   // texture bindings made
    uint64_t rendererCalls = 0;  // every call the device made to the renderer below it
};
// The frame being drawn (since the last Present) and the frame the last Present ended. False, with
// both left as they are, where the device keeps no counters.
bool PlatformFrameCost(IDirect3DDevice9* device, DeviceFrameCost* drawing, DeviceFrameCost* last);
