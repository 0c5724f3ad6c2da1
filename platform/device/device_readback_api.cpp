// The read-back and frame-cost calls on our own device, which keeps both itself.
#include "platform/device_readback.h"

namespace {

DeviceFrameCost CostOf(const D3DFRAMESTATS& s) {
    DeviceFrameCost cost;
    cost.draws = s.draws;
    cost.stateChanges = s.stateChanges;
    cost.textureBinds = s.textureBinds;
    cost.rendererCalls = s.glCalls;
    return cost;
}

}  // namespace

HRESULT PlatformReadRenderTarget(IDirect3DDevice9* device, std::vector<uint8_t>* bgra, UINT* width, UINT* height) {
    return device ? device->ReadRenderTarget(bgra, width, height) : D3DERR_INVALIDCALL;
}

HRESULT PlatformQueueReadRenderTarget(IDirect3DDevice9* device) {
    return device ? device->QueueReadRenderTarget() : D3DERR_INVALIDCALL;
}

HRESULT PlatformTakeReadRenderTarget(IDirect3DDevice9* device, std::vector<uint8_t>* bgra, UINT* width, UINT* height) {
    return device ? device->TakeReadRenderTarget(bgra, width, height) : D3DERR_INVALIDCALL;
}

UINT PlatformPendingReadRenderTargets(IDirect3DDevice9* device) {
    return device ? device->PendingReadRenderTargets() : 0;
}

bool PlatformFrameCost(IDirect3DDevice9* device, DeviceFrameCost* drawing, DeviceFrameCost* last) {
    if (!device) return false;
    if (drawing) *drawing = CostOf(device->GetFrameStats());
    if (last) *last = CostOf(device->GetLastFrameStats());
    return true;
}
