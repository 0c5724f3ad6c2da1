// Reference counting, surfaces, textures and buffers.
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

// ---------------------------------------------------------------- formats

bool LookUpFormat(D3DFORMAT format, GlFormat* out) {
    switch (format) {
        case D3DFMT_A8R8G8B8:
            *out = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, 4, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}};
            return true;
        case D3DFMT_X8R8G8B8:  // the fourth byte is ignored: alpha reads 1
            *out = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, 4, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}};
            return true;
        case D3DFMT_L8:
            *out = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, 1, {GL_RED, GL_RED, GL_RED, GL_ONE}};
            return true;
        case D3DFMT_A8:
            *out = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, 1, {GL_ZERO, GL_ZERO, GL_ZERO, GL_RED}};
            return true;
        case D3DFMT_A32B32G32R32F:  // floats R, G, B, A in memory
            *out = {GL_RGBA32F, GL_RGBA, GL_FLOAT, 16, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}};
            return true;
        default:
            return false;
    }
}

// ---------------------------------------------------------------- surfaces

IDirect3DSurface9::IDirect3DSurface9(IDirect3DDevice9* device, const D3DSURFACE_DESC& d)
    : IDirect3DResource9(device), desc(d) {}

IDirect3DSurface9::~IDirect3DSurface9() {
    if (renderbuffer) glDeleteRenderbuffers(1, &renderbuffer);
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
    for (UINT i = 0; i < levelCount; ++i) {
        Level level;
        level.width = width >> i ? width >> i : 1;
        level.height = height >> i ? height >> i : 1;
        levels.push_back(std::move(level));
    }
}

IDirect3DTexture9::~IDirect3DTexture9() {
    for (Level& level : levels) delete level.surface;
    DeviceCore* core = owner->Core();
    if (framebuffer) {
        core->cache.ForgetFramebuffer(framebuffer);
        glDeleteFramebuffers(1, &framebuffer);
    }
    if (glTexture) {
        core->cache.ForgetTexture(glTexture);
        glDeleteTextures(1, &glTexture);
    }
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
    }
    AddRef();
    *surface = l.surface;
    return D3D_OK;
}

HRESULT IDirect3DTexture9::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD) {
    if (!locked || level >= levels.size() || pool == D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
    Level& l = levels[level];
    if (l.locked) return D3DERR_INVALIDCALL;
    GlFormat gl;
    if (!LookUpFormat(format, &gl)) return D3DERR_INVALIDCALL;
    const size_t pitch = size_t(l.width) * gl.bytesPerTexel;
    if (rect && (rect->left < 0 || rect->top < 0 || rect->left >= rect->right || rect->top >= rect->bottom ||
                 UINT(rect->right) > l.width || UINT(rect->bottom) > l.height))
        return D3DERR_INVALIDCALL;
    if (l.memory.empty()) l.memory.assign(pitch * l.height, 0);
    size_t offset = rect ? size_t(rect->top) * pitch + size_t(rect->left) * gl.bytesPerTexel : 0;
    locked->Pitch = INT(pitch);
    locked->pBits = l.memory.data() + offset;
    l.locked = true;
    return D3D_OK;
}

HRESULT IDirect3DTexture9::UnlockRect(UINT level) {
    if (level >= levels.size() || !levels[level].locked) return D3DERR_INVALIDCALL;
    GlFormat gl;
    if (!LookUpFormat(format, &gl)) return D3DERR_INVALIDCALL;
    Level& l = levels[level];
    l.locked = false;
    DeviceCore* core = owner->Core();
    core->cache.BindTexture(kUploadUnit, glTexture);
    glTexSubImage2D(GL_TEXTURE_2D, GLint(level), 0, 0, GLsizei(l.width), GLsizei(l.height), gl.format, gl.type,
                    l.memory.data());
    return D3D_OK;
}

// ---------------------------------------------------------------- buffers

BufferStorage9::BufferStorage9(IDirect3DDevice9* device, UINT length, DWORD usageFlags, D3DPOOL memoryPool)
    : IDirect3DResource9(device), memory(length, 0), usage(usageFlags), pool(memoryPool) {}

BufferStorage9::~BufferStorage9() {
    if (glBuffer) {
        owner->Core()->cache.ForgetBuffer(glBuffer);
        glDeleteBuffers(1, &glBuffer);
    }
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
    glBindBuffer(GL_COPY_WRITE_BUFFER, glBuffer);
    if (discard)  // a fresh store, so a draw still reading the old one never waits
        glBufferData(GL_COPY_WRITE_BUFFER, GLsizeiptr(memory.size()), memory.data(), GL_DYNAMIC_DRAW);
    else if (lockSize)
        glBufferSubData(GL_COPY_WRITE_BUFFER, lockOffset, lockSize, memory.data() + lockOffset);
    return D3D_OK;
}
