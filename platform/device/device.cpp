// The device's life on the window it was given, reference counting, capabilities, counters and
// resource creation.
#include <algorithm>
#include <cstring>

#include "platform/device/device_core.h"

namespace {

UINT FullChainLevels(UINT width, UINT height) {
    UINT levels = 1;
    while (width > 1 || height > 1) {
        width = width > 1 ? width / 2 : 1;
        height = height > 1 ? height / 2 : 1;
        ++levels;
    }
    return levels;
}

}  // namespace

// ---------------------------------------------------------------- creation and lifetime

IDirect3DDevice9::IDirect3DDevice9(DeviceCore* deviceCore) : core(deviceCore) {}

IDirect3DDevice9* CreateDevice(const DeviceWindow& window, UINT width, UINT height, std::string* error,
                               const DeviceDrawSize& drawSize) {
    auto* core = new DeviceCore;
    core->window = window;
    core->gl = GlCreate(&core->info, error);
    if (!core->gl) {
        delete core;
        window.release(window.window);
        return nullptr;
    }
    core->softwareRenderer = IsSoftwareRenderer(core->info.renderer);
    core->info.maxTextureSize = std::min(core->info.maxTextureSize, kLargestTexture);

    auto* device = new IDirect3DDevice9(core);
    if (!MakeDeviceScale(drawSize, width, height, core->info.maxTargetSize, &core->scale, error)) {
        device->Release();
        return nullptr;
    }
    if (!core->MakeBackBuffer(device, width, height)) {
        *error = "the back buffer could not be made";
        device->Release();
        return nullptr;
    }
    core->SetDefaultStates();
    DeviceCore::Rebind(core->state.renderTarget, core->backBuffer);
    core->state.scissor = {0, 0, int32_t(width), int32_t(height)};
    // Direct3D's automatic depth buffer of the back buffer's size, as EnableAutoDepthStencil asks.
    IDirect3DSurface9* depth = nullptr;
    if (SUCCEEDED(device->CreateDepthStencilSurface(width, height, D3DFMT_D24X8, D3DMULTISAMPLE_NONE, 0, TRUE, &depth,
                                                    nullptr))) {
        device->SetDepthStencilSurface(depth);
        depth->Release();
    }
    core->dirty = kDirtyAll;
    core->frameStart = core->Totals();  // the first frame starts now, set-up not counted
    return device;
}

bool DeviceCore::MakeBackBuffer(IDirect3DDevice9* device, UINT width, UINT height) {
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(CreateTarget(device, width, height, 1, scale.storedBackWidth, scale.storedBackHeight, D3DFMT_X8R8G8B8,
                            &texture)))
        return false;
    if (scale.supersample > 1) {  // the picture it is filtered into, made and filled once to know it works
        if (!GlCreateTexture(gl, D3DFMT_X8R8G8B8, scale.pictureWidth, scale.pictureHeight, 1, true, &resolvedTexture,
                             &resolvedFramebuffer) ||
            !GlDownsample(gl, texture->glTexture, scale.supersample, resolvedFramebuffer, scale.pictureWidth,
                          scale.pictureHeight)) {
            texture->Release();
            return false;
        }
    }
    texture->holdsDevice = false;
    device->refCount--;    // internal: the device does not hold itself
    --defaultPoolObjects;  // nor counts it among the program's
    IDirect3DSurface9* surface = nullptr;
    texture->GetSurfaceLevel(0, &surface);
    texture->refCount--;  // GetSurfaceLevel's reference
    surface->container = nullptr;
    surface->countsOnDevice = true;  // its references are the device's, as Direct3D's back buffer
    backBufferTexture = texture;
    backBuffer = surface;
    return true;
}

IDirect3DDevice9::~IDirect3DDevice9() {
    D3DState& s = core->state;
    for (IDirect3DTexture9*& t : s.textures)
        if (t) t->Unbind(), t = nullptr;
    if (s.renderTarget) s.renderTarget->Unbind(), s.renderTarget = nullptr;
    if (s.depthStencil) s.depthStencil->Unbind(), s.depthStencil = nullptr;
    if (s.stream) s.stream->Unbind(), s.stream = nullptr;
    if (s.indices) s.indices->Unbind(), s.indices = nullptr;
    // The back buffer's surface belongs to its texture; deleting the texture deletes both.
    if (core->backBufferTexture) {
        ++core->defaultPoolObjects;  // as its deletion will count it
        core->backBuffer->container = core->backBufferTexture;
        delete core->backBufferTexture;
    }
    GlDeleteTexture(core->gl, core->resolvedTexture, core->resolvedFramebuffer);
    DestroyReadbackQueue(core);
    GlDestroy(core->gl);
    const DeviceWindow window = core->window;
    delete core;
    window.release(window.window);
}

ULONG IDirect3DDevice9::AddRef() {
    return ++refCount;
}

ULONG IDirect3DDevice9::Release() {
    if (refCount == 0) return 0;  // released once too often: ignore rather than free twice
    const ULONG left = --refCount;
    if (left == 0) delete this;
    return left;
}

D3DDEVICESTATS DeviceCore::Totals() const {
    const GlCounts gl = GlGetCounts(this->gl);
    return {draws, gl.state, magnifiedDraws, stateChanges, gl.textureBinds, gl.total};
}

D3DDEVICESTATS IDirect3DDevice9::GetStats() const {
    return core->Totals();
}

D3DFRAMESTATS IDirect3DDevice9::GetFrameStats() const {
    const D3DDEVICESTATS now = core->Totals(), &start = core->frameStart;
    return {now.draws - start.draws, now.stateChanges - start.stateChanges, now.textureBinds - start.textureBinds,
            now.glCalls - start.glCalls};
}

D3DFRAMESTATS IDirect3DDevice9::GetLastFrameStats() const {
    return core->lastFrame;
}

// ---------------------------------------------------------------- capabilities

HRESULT IDirect3DDevice9::GetDeviceCaps(D3DCAPS9* caps) {
    if (!caps) return D3DERR_INVALIDCALL;
    *caps = CapsOfRenderer(core->softwareRenderer, core->info.maxTextureSize);
    return D3D_OK;
}

HRESULT IDirect3DDevice9::GetDirect3D(IDirect3D9** direct3D) {
    if (!direct3D) return D3DERR_INVALIDCALL;
    *direct3D = new IDirect3D9(this);
    return D3D_OK;
}

IDirect3D9::IDirect3D9(IDirect3DDevice9* owner) : device(owner) {
    device->AddRef();
}

IDirect3D9::~IDirect3D9() {
    device->Release();
}

ULONG IDirect3D9::AddRef() {
    return ++refCount;
}

ULONG IDirect3D9::Release() {
    const ULONG left = --refCount;
    if (left == 0) delete this;
    return left;
}

HRESULT IDirect3D9::CheckDeviceFormat(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat, DWORD usage,
                                      D3DRESOURCETYPE type, D3DFORMAT format) {
    if (adapter != D3DADAPTER_DEFAULT || deviceType != D3DDEVTYPE_HAL || adapterFormat != D3DFMT_X8R8G8B8)
        return D3DERR_NOTAVAILABLE;
    return device->CheckDeviceFormat(usage, type, format);
}

HRESULT IDirect3DDevice9::CheckDeviceFormat(DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format) {
    if (type == D3DRTYPE_SURFACE && (usage & D3DUSAGE_DEPTHSTENCIL))
        return format == D3DFMT_D24X8 ? D3D_OK : D3DERR_NOTAVAILABLE;
    if (type != D3DRTYPE_TEXTURE && type != D3DRTYPE_SURFACE) return D3DERR_NOTAVAILABLE;
    if (!BytesPerTexel(format)) return D3DERR_NOTAVAILABLE;
    if ((usage & D3DUSAGE_RENDERTARGET) && format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8)
        return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

// ---------------------------------------------------------------- resources

HRESULT IDirect3DDevice9::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                        D3DPOOL pool, IDirect3DTexture9** texture, void*) {
    if (!texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    const bool renderTarget = usage & D3DUSAGE_RENDERTARGET;
    const UINT maxSize = UINT(core->info.maxTextureSize);
    if (width == 0 || height == 0 || width > maxSize || height > maxSize) return D3DERR_INVALIDCALL;
    if (FAILED(CheckDeviceFormat(usage, D3DRTYPE_TEXTURE, format))) return D3DERR_INVALIDCALL;
    if (renderTarget && pool != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
    const UINT fullChain = FullChainLevels(width, height);
    if (levels == 0 || levels > fullChain) levels = renderTarget ? 1 : fullChain;
    if (renderTarget)  // scaled with the picture, within the largest texture
        return core->CreateTarget(this, width, height, levels, std::min(core->scale.StoredWidth(width), maxSize),
                                  std::min(core->scale.StoredHeight(height), maxSize), format, texture);
    auto* t = new IDirect3DTexture9(this, width, height, levels, usage, format, pool);
    if (!GlCreateTexture(core->gl, format, width, height, levels, false, &t->glTexture, &t->framebuffer)) {
        delete t;
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    AddRef();
    *texture = t;
    return D3D_OK;
}

HRESULT DeviceCore::CreateTarget(IDirect3DDevice9* device, UINT width, UINT height, UINT levels, UINT storedWidth,
                                 UINT storedHeight, D3DFORMAT format, IDirect3DTexture9** texture) {
    auto* t = new IDirect3DTexture9(device, width, height, levels, D3DUSAGE_RENDERTARGET, format, D3DPOOL_DEFAULT);
    t->storedWidth = storedWidth, t->storedHeight = storedHeight;
    if (!GlCreateTexture(gl, format, storedWidth, storedHeight, levels, true, &t->glTexture, &t->framebuffer)) {
        delete t;
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    device->AddRef();
    *texture = t;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                             IDirect3DVertexBuffer9** buffer, void*) {
    if (!buffer) return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0) return D3DERR_INVALIDCALL;
    auto* b = new IDirect3DVertexBuffer9(this, length, usage, fvf, pool);
    b->glBuffer = GlCreateBuffer(core->gl, b->memory.data(), length, usage & D3DUSAGE_DYNAMIC, false);
    AddRef();
    *buffer = b;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                            IDirect3DIndexBuffer9** buffer, void*) {
    if (!buffer) return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0 || format != D3DFMT_INDEX16) return D3DERR_INVALIDCALL;
    auto* b = new IDirect3DIndexBuffer9(this, length, usage, pool);
    b->glBuffer = GlCreateBuffer(core->gl, b->memory.data(), length, usage & D3DUSAGE_DYNAMIC, true);
    AddRef();
    *buffer = b;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE,
                                                    DWORD, BOOL, IDirect3DSurface9** surface, void*) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (format != D3DFMT_D24X8 || width == 0 || height == 0 || width > UINT(core->info.maxTextureSize) ||
        height > UINT(core->info.maxTextureSize))
        return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc = {
        format, D3DRTYPE_SURFACE, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, D3DMULTISAMPLE_NONE, 0, width, height};
    static uint64_t serials = 0;
    auto* s = new IDirect3DSurface9(this, desc);
    s->serial = ++serials;
    // Scaled like the targets it serves; it always covers the back buffer, which fits the renderer.
    const UINT maxTarget = UINT(std::max(core->info.maxTargetSize, core->info.maxTextureSize));
    s->storedWidth = std::min(core->scale.StoredWidth(width), maxTarget);
    s->storedHeight = std::min(core->scale.StoredHeight(height), maxTarget);
    if (!GlCreateDepthBuffer(core->gl, s->storedWidth, s->storedHeight, &s->renderbuffer)) {
        delete s;
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    ++core->defaultPoolObjects;
    AddRef();
    *surface = s;
    return D3D_OK;
}
