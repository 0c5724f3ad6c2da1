// State blocks: a copy of the device's recorded states, put back in one call.
#include "platform/device/device_core.h"

IDirect3DStateBlock9::IDirect3DStateBlock9(IDirect3DDevice9* owner)
    : IDirect3DResource9(owner), saved(new D3DState{}) {}

IDirect3DStateBlock9::~IDirect3DStateBlock9() {
    ReleaseCaptured();
    delete saved;
}

// The block keeps what it captured the way the device keeps what is bound: alive, without a
// reference on the device (an object its owner has released may still be bound).
void IDirect3DStateBlock9::ReleaseCaptured() {
    for (IDirect3DTexture9*& t : saved->textures) DeviceCore::Rebind(t, static_cast<IDirect3DTexture9*>(nullptr));
    DeviceCore::Rebind(saved->stream, static_cast<IDirect3DVertexBuffer9*>(nullptr));
    DeviceCore::Rebind(saved->indices, static_cast<IDirect3DIndexBuffer9*>(nullptr));
}

HRESULT IDirect3DStateBlock9::Capture() {
    const D3DState& now = owner->Core()->state;
    for (UINT i = 0; i < kStageCount; ++i) DeviceCore::Rebind(saved->textures[i], now.textures[i]);
    DeviceCore::Rebind(saved->stream, now.stream);
    DeviceCore::Rebind(saved->indices, now.indices);
    *saved = now;
    saved->lights.clear();
    for (DWORD index : lightIndices) saved->lights[index] = now.lights.at(index);  // lights are never removed
    saved->renderTarget = nullptr;  // targets are not part of a state block
    saved->depthStencil = nullptr;
    return D3D_OK;
}

HRESULT IDirect3DStateBlock9::Apply() {
    DeviceCore* core = owner->Core();
    D3DState& s = core->state;
    for (UINT i = 0; i < kStageCount; ++i) DeviceCore::Rebind(s.textures[i], saved->textures[i]);
    DeviceCore::Rebind(s.stream, saved->stream);
    DeviceCore::Rebind(s.indices, saved->indices);
    IDirect3DSurface9* target = s.renderTarget;
    IDirect3DSurface9* depth = s.depthStencil;
    std::map<DWORD, LightSlot> lights = std::move(s.lights);  // later lights stay as they are
    s = *saved;
    for (const auto& [index, slot] : saved->lights) lights[index] = slot;
    s.lights = std::move(lights);
    s.renderTarget = target;
    s.depthStencil = depth;
    core->dirty = kDirtyAll;
    ++core->stateChanges;  // one change, however many states it puts back
    core->samplerDirty = (1u << kStageCount) - 1;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::CreateStateBlock(D3DSTATEBLOCKTYPE type, IDirect3DStateBlock9** block) {
    if (!block) return D3DERR_INVALIDCALL;
    *block = nullptr;
    if (type != D3DSBT_ALL) return D3DERR_INVALIDCALL;
    auto* b = new IDirect3DStateBlock9(this);
    for (const auto& entry : core->state.lights) b->lightIndices.push_back(entry.first);
    b->Capture();
    AddRef();  // a resource holds its device
    *block = b;
    return D3D_OK;
}
