// Reference counting, surfaces, textures and buffers.
#include <cstdlib>
#include <cstring>

#include "platform/device/device_core.h"

// ---------------------------------------------------------------- reference counting

IDirect3DResource9::IDirect3DResource9(IDirect3DDevice9* device) : owner(device) {}
IDirect3DResource9::~IDirect3DResource9() = default;

ULONG IDirect3DResource9::AddRef() {
    if (container) return container->AddRef();
    if (countsOnDevice) return owner->AddRef();
    return ++refCount;
}

ULONG IDirect3DResource9::Release() {
    if (container) return container->Release();
    if (countsOnDevice) return owner->Release();
    if (refCount == 0) return 0;  // released once too often: ignore rather than free twice
    const ULONG left = --refCount;
    if (left == 0) {
        IDirect3DDevice9* device = owner;
        const bool holds = holdsDevice;
        if (bindCount == 0) delete this;  // still bound: the binding deletes it when it lets go
        if (holds) device->Release();
    }
    return left;
}

void IDirect3DResource9::Bind() {
    if (container) return container->Bind();
    ++bindCount;
}

void IDirect3DResource9::Unbind() {
    if (container) return container->Unbind();
    if (bindCount > 0 && --bindCount == 0 && refCount == 0) delete this;
}

// ---------------------------------------------------------------- surfaces

IDirect3DSurface9::IDirect3DSurface9(IDirect3DDevice9* device, const D3DSURFACE_DESC& d)
    : IDirect3DResource9(device), desc(d), storedWidth(d.Width), storedHeight(d.Height) {}

IDirect3DSurface9::~IDirect3DSurface9() {
    if (renderbuffer) {
        GlDeleteDepthBuffer(owner->Core()->gl, renderbuffer);
        --owner->Core()->defaultPoolObjects;
    }
}

HRESULT IDirect3DSurface9::GetDesc(D3DSURFACE_DESC* out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = desc;
    return D3D_OK;
}

// ---------------------------------------------------------------- textures

IDirect3DTexture9::IDirect3DTexture9(IDirect3DDevice9* device, UINT width, UINT height, UINT levelCount,
                                     DWORD usageFlags, D3DFORMAT fmt, D3DPOOL memoryPool)
    : IDirect3DResource9(device), format(fmt), usage(usageFlags), pool(memoryPool) {
    if (pool == D3DPOOL_DEFAULT) ++device->Core()->defaultPoolObjects;
    for (UINT i = 0; i < levelCount; ++i) {
        Level level;
        level.width = width >> i ? width >> i : 1;
        level.height = height >> i ? height >> i : 1;
        levels.push_back(std::move(level));
    }
    storedWidth = levels.empty() ? width : levels[0].width;
    storedHeight = levels.empty() ? height : levels[0].height;
}

IDirect3DTexture9::~IDirect3DTexture9() {
    if (pool == D3DPOOL_DEFAULT) --owner->Core()->defaultPoolObjects;
    for (Level& level : levels) delete level.surface;
    GlDeleteTexture(owner->Core()->gl, glTexture, framebuffer);
}

void IDirect3DTexture9::DescribeLevel(UINT level, D3DSURFACE_DESC* desc) const {
    *desc = {format, D3DRTYPE_SURFACE, usage, pool, D3DMULTISAMPLE_NONE, 0, levels[level].width, levels[level].height};
}

DWORD IDirect3DTexture9::GetLevelCount() {
    return DWORD(levels.size());
}

HRESULT IDirect3DTexture9::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    if (!desc || level >= levels.size()) return D3DERR_INVALIDCALL;
    DescribeLevel(level, desc);
    return D3D_OK;
}

HRESULT IDirect3DTexture9::GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) {
    if (!surface || level >= levels.size()) return D3DERR_INVALIDCALL;
    Level& l = levels[level];
    if (!l.surface) {
        D3DSURFACE_DESC desc;
        DescribeLevel(level, &desc);
        l.surface = new IDirect3DSurface9(owner, desc);
        l.surface->container = this;  // its references are the texture's
        l.surface->holdsDevice = false;
        l.surface->texture = this;
        l.surface->level = level;
        if (level == 0) l.surface->storedWidth = storedWidth, l.surface->storedHeight = storedHeight;
    }
    AddRef();
    *surface = l.surface;
    return D3D_OK;
}

void IDirect3DTexture9::FreeBytes::operator()(uint8_t* p) const {
    std::free(p);
}

HRESULT IDirect3DTexture9::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    if (!locked || level >= levels.size() || pool == D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
    Level& l = levels[level];
    if (l.locked) return D3DERR_INVALIDCALL;
    const UINT texel = BytesPerTexel(format);
    const size_t pitch = size_t(l.width) * texel;
    if (rect && (rect->left < 0 || rect->top < 0 || rect->left >= rect->right || rect->top >= rect->bottom ||
                 UINT(rect->right) > l.width || UINT(rect->bottom) > l.height))
        return D3DERR_INVALIDCALL;
    // A level kept after upload (where GL cannot read levels back) is locked in place. Otherwise
    // calloc: large blocks come as fresh zero pages, so a level about to be overwritten whole costs
    // no clearing pass; an uploaded level is read back from GL.
    if (!l.memory) {
        l.memory.reset(static_cast<uint8_t*>(std::calloc(pitch * l.height, 1)));
        if (!l.memory) return E_OUTOFMEMORY;
        if (l.uploaded && !GlReadTextureLevel(owner->Core()->gl, glTexture, format, level, l.memory.get())) {
            l.memory.reset();
            return D3DERR_INVALIDCALL;
        }
    }
    size_t offset = rect ? size_t(rect->top) * pitch + size_t(rect->left) * texel : 0;
    locked->Pitch = INT(pitch);
    locked->pBits = l.memory.get() + offset;
    l.locked = true;
    l.readOnly = (flags & D3DLOCK_READONLY) != 0;
    return D3D_OK;
}

HRESULT IDirect3DTexture9::UnlockRect(UINT level) {
    if (level >= levels.size() || !levels[level].locked) return D3DERR_INVALIDCALL;
    Level& l = levels[level];
    l.locked = false;
    if (!l.readOnly) {
        GlUploadTextureLevel(owner->Core()->gl, glTexture, format, level, l.width, l.height, l.memory.get());
        l.uploaded = true;
    }
    if (!GlKeepsTextureCopies()) l.memory.reset();  // GL has the pixels; a later lock reads them back
    return D3D_OK;
}

// ---------------------------------------------------------------- buffers

BufferStorage9::BufferStorage9(IDirect3DDevice9* device, UINT length, DWORD usageFlags, D3DPOOL memoryPool)
    : IDirect3DResource9(device), memory(length, 0), usage(usageFlags), pool(memoryPool) {
    if (pool == D3DPOOL_DEFAULT) ++device->Core()->defaultPoolObjects;
}

BufferStorage9::~BufferStorage9() {
    if (pool == D3DPOOL_DEFAULT) --owner->Core()->defaultPoolObjects;
    if (glBuffer) GlDeleteBuffer(owner->Core()->gl, glBuffer);
}

HRESULT BufferStorage9::Lock(UINT offset, UINT size, void** data, DWORD flags) {
    if (!data || locked || offset > memory.size()) return D3DERR_INVALIDCALL;
    if (size == 0) size = UINT(memory.size() - offset);
    if (size > memory.size() - offset) return D3DERR_INVALIDCALL;
    locked = true;
    lockOffset = offset;
    lockSize = size;
    discard = (flags & D3DLOCK_DISCARD) && (usage & D3DUSAGE_DYNAMIC);
    *data = memory.data() + offset;
    return D3D_OK;
}

HRESULT BufferStorage9::Unlock() {
    if (!locked) return D3DERR_INVALIDCALL;
    locked = false;
    ++version;
    // With discard a fresh store, so a draw still reading the old one never waits.
    GlUploadBuffer(owner->Core()->gl, glBuffer, memory.data(), memory.size(), discard, lockOffset, lockSize);
    return D3D_OK;
}
