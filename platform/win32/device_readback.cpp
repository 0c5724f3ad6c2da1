// Read-back on the system's Direct3D 9: render target 0 is copied into a system-memory surface
// (GetRenderTargetData) and read from there. The system keeps no counters of its own.
#include "platform/device_readback.h"

#include <cstring>
#include <deque>

namespace {

// One copied picture, waiting to be handed over.
struct Copy {
    IDirect3DSurface9* surface = nullptr;  // system memory
    D3DSURFACE_DESC desc{};
};

struct Queue {
    IDirect3DDevice9* device = nullptr;
    std::deque<Copy> copies;
} queue;

constexpr UINT kMostQueued = 3;

HRESULT CopyTarget(IDirect3DDevice9* device, Copy* copy) {
    IDirect3DSurface9* target = nullptr;
    HRESULT hr = device->GetRenderTarget(0, &target);
    if (FAILED(hr)) return hr;
    target->GetDesc(&copy->desc);
    if (copy->desc.Format != D3DFMT_A8R8G8B8 && copy->desc.Format != D3DFMT_X8R8G8B8) {
        target->Release();
        return D3DERR_INVALIDCALL;
    }
    hr = device->CreateOffscreenPlainSurface(copy->desc.Width, copy->desc.Height, copy->desc.Format, D3DPOOL_SYSTEMMEM,
                                             &copy->surface, nullptr);
    if (SUCCEEDED(hr)) hr = device->GetRenderTargetData(target, copy->surface);
    target->Release();
    if (FAILED(hr) && copy->surface) {
        copy->surface->Release();
        copy->surface = nullptr;
    }
    return hr;
}

// The copy's rows as B, G, R, A bytes, top row first (and its size, where asked); the copy is
// released.
HRESULT HandOver(Copy& copy, std::vector<uint8_t>* bgra, UINT* width, UINT* height) {
    D3DLOCKED_RECT locked;
    HRESULT hr = copy.surface->LockRect(&locked, nullptr, D3DLOCK_READONLY);
    if (SUCCEEDED(hr)) {
        const UINT w = copy.desc.Width, h = copy.desc.Height;
        bgra->resize(size_t(w) * h * 4);
        for (UINT y = 0; y < h; ++y)
            std::memcpy(bgra->data() + size_t(y) * w * 4,
                        static_cast<const uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch, size_t(w) * 4);
        copy.surface->UnlockRect();
        if (copy.desc.Format == D3DFMT_X8R8G8B8)
            for (size_t i = 3; i < bgra->size(); i += 4) (*bgra)[i] = 255;
        if (width) *width = w;
        if (height) *height = h;
    }
    copy.surface->Release();
    copy.surface = nullptr;
    return hr;
}

// A queue left by another device is dropped.
void ForDevice(IDirect3DDevice9* device) {
    if (queue.device == device) return;
    for (Copy& c : queue.copies) c.surface->Release();
    queue.copies.clear();
    queue.device = device;
}

}  // namespace

HRESULT PlatformReadRenderTarget(IDirect3DDevice9* device, std::vector<uint8_t>* bgra, UINT* width, UINT* height) {
    if (!device || !bgra) return D3DERR_INVALIDCALL;
    Copy copy;
    const HRESULT hr = CopyTarget(device, &copy);
    if (FAILED(hr)) return hr;
    return HandOver(copy, bgra, width, height);
}

HRESULT PlatformQueueReadRenderTarget(IDirect3DDevice9* device) {
    if (!device) return D3DERR_INVALIDCALL;
    ForDevice(device);
    if (queue.copies.size() >= kMostQueued) return D3DERR_INVALIDCALL;
    Copy copy;
    const HRESULT hr = CopyTarget(device, &copy);
    if (SUCCEEDED(hr)) queue.copies.push_back(copy);
    return hr;
}

HRESULT PlatformTakeReadRenderTarget(IDirect3DDevice9* device, std::vector<uint8_t>* bgra, UINT* width, UINT* height) {
    if (!device || !bgra) return D3DERR_INVALIDCALL;
    ForDevice(device);
    if (queue.copies.empty()) return D3DERR_INVALIDCALL;
    Copy copy = queue.copies.front();
    queue.copies.pop_front();
    return HandOver(copy, bgra, width, height);
}

UINT PlatformPendingReadRenderTargets(IDirect3DDevice9* device) {
    return device && queue.device == device ? UINT(queue.copies.size()) : 0;
}

bool PlatformFrameCost(IDirect3DDevice9*, DeviceFrameCost*, DeviceFrameCost*) {
    return false;
}
