// The graphics device: Direct3D 9 operation names and effects over OpenGL 3.3 core (the GL backend,
// gl_backend.h).
//
// Only the operations the show uses exist. Objects are reference counted: each holder releases what
// it took, and every resource keeps its device (and so the GL context) alive until it is released.
//
// Index
//   IDirect3DSurface9       level-0 surfaces of textures, the back buffer, the depth buffer
//   IDirect3DTexture9       file textures (managed, lockable) and render targets (default pool)
//   IDirect3DVertexBuffer9  vertex data (FVF 0x102 and 0x112)
//   IDirect3DIndexBuffer9   16-bit indices
//   IDirect3DStateBlock9    a saved copy of the device's states, applied back in one call
//   IDirect3DDevice9        states, transforms, lights, draws, targets, Present
//   IDirect3D9              the device's Direct3D object: which formats the adapter takes
#pragma once

#include <memory>
#include <vector>

#include "platform/device/d3d9types.h"

class IDirect3D9;
class IDirect3DDevice9;
class IDirect3DTexture9;
struct DeviceCore;  // the device's own side; platform/device/device_core.h, private to the device
struct D3DState;    // the states a device records; platform/device/device_core.h

// Shared reference counting. A resource holds one reference on its device.
// Device bindings (SetTexture, SetRenderTarget, ...) keep the object itself alive but not its
// device reference, as Direct3D 9's internal references do.
class IDirect3DResource9 {
public:
    ULONG AddRef();
    ULONG Release();  // deletes the object when the count reaches 0

protected:
    explicit IDirect3DResource9(IDirect3DDevice9* owner);
    virtual ~IDirect3DResource9();
    IDirect3DDevice9* owner;
    ULONG refCount = 1;

private:
    friend class IDirect3DDevice9;
    friend class IDirect3DTexture9;
    friend struct DeviceCore;
    IDirect3DResource9* container = nullptr;  // texture levels count on their texture
    bool countsOnDevice = false;              // the back buffer counts on the device itself
    bool holdsDevice = true;                  // false for the device's own internal objects
    ULONG bindCount = 0;                      // device bindings
    void Bind();
    void Unbind();
};

class IDirect3DSurface9 : public IDirect3DResource9 {
public:
    HRESULT GetDesc(D3DSURFACE_DESC* desc);

private:
    friend class IDirect3DDevice9;
    friend class IDirect3DTexture9;
    friend struct DeviceCore;
    IDirect3DSurface9(IDirect3DDevice9* owner, const D3DSURFACE_DESC& desc);
    ~IDirect3DSurface9() override;
    D3DSURFACE_DESC desc;
    // The pixels GL holds: desc's size, or for render targets, the back buffer and the depth
    // buffer that size scaled to the draw size (device_scale.h).
    UINT storedWidth = 0, storedHeight = 0;
    IDirect3DTexture9* texture = nullptr;  // the level's texture (render targets, back buffer)
    UINT level = 0;
    unsigned renderbuffer = 0;  // GL depth renderbuffer of a depth-stencil surface
    uint64_t serial = 0;        // unique per depth surface; GL names are recycled
};

class IDirect3DTexture9 : public IDirect3DResource9 {
public:
    DWORD GetLevelCount();
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc);
    HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface);  // AddRefs the surface
    // Managed textures only: memory of one level, row 0 = top, uploaded at UnlockRect (not with
    // D3DLOCK_READONLY). The device keeps no copy between locks: a lock of a level uploaded before
    // reads it back from GL, a level never written reads as zeros.
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
    HRESULT UnlockRect(UINT level);
    D3DFORMAT Format() const { return format; }  // not Direct3D: GetLevelDesc's format without the copy

private:
    friend class IDirect3DDevice9;
    friend struct DeviceCore;
    IDirect3DTexture9(IDirect3DDevice9* owner, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                      D3DPOOL pool);
    ~IDirect3DTexture9() override;
    struct FreeBytes {
        void operator()(uint8_t* p) const;
    };
    struct Level {
        UINT width, height;
        std::unique_ptr<uint8_t[], FreeBytes> memory;  // only while locked
        bool locked = false;
        bool readOnly = false;                 // this lock's
        bool uploaded = false;                 // GL holds the level's pixels
        IDirect3DSurface9* surface = nullptr;  // made at the first GetSurfaceLevel
    };
    D3DFORMAT format;
    DWORD usage;
    D3DPOOL pool;
    std::vector<Level> levels;
    UINT storedWidth = 0, storedHeight = 0;  // level 0 as GL holds it (render targets: scaled)
    unsigned glTexture = 0;
    unsigned framebuffer = 0;    // render targets only
    uint64_t attachedDepth = 0;  // serial of the depth surface attached to `framebuffer`
    void DescribeLevel(UINT level, D3DSURFACE_DESC* desc) const;
};

// Vertex and index buffers share their storage: a system copy that Lock hands out and Unlock
// uploads to a GL buffer.
class BufferStorage9 : public IDirect3DResource9 {
public:
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags);  // size 0: to the end
    HRESULT Unlock();

protected:
    friend class IDirect3DDevice9;
    friend struct DeviceCore;
    BufferStorage9(IDirect3DDevice9* owner, UINT length, DWORD usage, D3DPOOL pool);
    ~BufferStorage9() override;
    std::vector<uint8_t> memory;
    DWORD usage;
    D3DPOOL pool;
    unsigned glBuffer = 0;
    bool locked = false;
    UINT lockOffset = 0, lockSize = 0;
    bool discard = false;
    uint64_t version = 0;  // bumped by every Unlock
};

class IDirect3DVertexBuffer9 : public BufferStorage9 {
private:
    friend class IDirect3DDevice9;
    IDirect3DVertexBuffer9(IDirect3DDevice9* owner, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
        : BufferStorage9(owner, length, usage, pool), fvf(fvf) {}
    DWORD fvf;
};

class IDirect3DIndexBuffer9 : public BufferStorage9 {
private:
    friend class IDirect3DDevice9;
    friend struct DeviceCore;
    IDirect3DIndexBuffer9(IDirect3DDevice9* owner, UINT length, DWORD usage, D3DPOOL pool)
        : BufferStorage9(owner, length, usage, pool) {}
    // Largest index of the last range drawn, so a draw can be checked without rescanning.
    uint64_t checkedVersion = ~uint64_t(0);
    UINT checkedStart = 0, checkedCount = 0;
    unsigned checkedMax = 0;
};

// Every state a D3DSBT_ALL block holds: render, stage and sampler states, transforms, material,
// the lights that existed when the block was made, textures, the vertex stream, indices, FVF and
// the scissor rectangle; not the render target or the depth buffer. As on Direct3D 9, a light
// first set or enabled after the block was made is neither captured nor put back by it. Keeps the
// textures and buffers it captured alive, as bindings do.
class IDirect3DStateBlock9 : public IDirect3DResource9 {
public:
    HRESULT Capture();  // the device's states now
    HRESULT Apply();    // back onto the device

private:
    friend class IDirect3DDevice9;
    explicit IDirect3DStateBlock9(IDirect3DDevice9* owner);
    ~IDirect3DStateBlock9() override;
    void ReleaseCaptured();
    D3DState* saved;
    std::vector<DWORD> lightIndices;  // the lights the block holds: those there when it was made
};

// Not Direct3D: counters of the device layer since it was made, for tests and benchmarks.
struct D3DDEVICESTATS {
    uint64_t draws;           // DrawPrimitive and DrawIndexedPrimitive calls that reached GL
    uint64_t glStateCalls;    // GL state, binding, uniform, attribute and sampler calls actually made
    uint64_t magnifiedDraws;  // draws sampled without the mip filter: their texture is magnified everywhere
    uint64_t stateChanges;    // Set* calls that changed a recorded state (a repeated value is no change)
    uint64_t textureBinds;    // GL texture bindings made (draws and uploads)
    uint64_t glCalls;         // every GL call the device made: state, objects, uploads, clears, draws, Present
};

// Not Direct3D: what one frame cost the device layer, from one Present to the next.
struct D3DFRAMESTATS {
    uint64_t draws;
    uint64_t stateChanges;
    uint64_t textureBinds;
    uint64_t glCalls;
};

class IDirect3DDevice9 {
public:
    ULONG AddRef();
    ULONG Release();  // the context goes when the last reference (device or resource) does

    HRESULT GetDeviceCaps(D3DCAPS9* caps);
    HRESULT GetDirect3D(IDirect3D9** direct3D);  // AddRefs; the object holds a reference on the device
    // Not Direct3D: IDirect3D9::CheckDeviceFormat's answer for this device's adapter: D3D_OK when a
    // resource of that type, usage and format can be created.
    HRESULT CheckDeviceFormat(DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format);

    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture9** texture, void* sharedHandle);  // levels 0: the full chain
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** buffer,
                               void* sharedHandle);
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool, IDirect3DIndexBuffer9** buffer,
                              void* sharedHandle);
    HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                                      DWORD quality, BOOL discard, IDirect3DSurface9** surface, void* sharedHandle);
    HRESULT SetDepthStencilSurface(IDirect3DSurface9* surface);
    HRESULT GetDepthStencilSurface(IDirect3DSurface9** surface);  // AddRefs; D3DERR_NOTFOUND when none

    HRESULT GetRenderTarget(DWORD index, IDirect3DSurface9** surface);  // AddRefs the surface
    HRESULT SetRenderTarget(DWORD index, IDirect3DSurface9* surface);   // viewport becomes the whole surface
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil);
    HRESULT BeginScene();
    HRESULT EndScene();  // the scene's commands go to the renderer (no wait)
    HRESULT Present(const RECT* source, const RECT* dest, void* destWindow, const void* dirtyRegion);
    // Whether the device can draw: D3DERR_DEVICELOST while it is lost (Present fails with it and
    // nothing is drawn), D3DERR_DEVICENOTRESET once Reset can bring it back, D3D_OK otherwise.
    HRESULT TestCooperativeLevel();
    // Brings the device back: it lets go of what it has bound, and fails with D3DERR_INVALIDCALL
    // while any default-pool resource the program made is still alive (render targets, depth
    // buffers, default-pool buffers); then every state is the default, target 0 the back buffer,
    // and there is a new automatic depth buffer when the parameters ask for one. The back buffer
    // keeps its size here.
    HRESULT Reset(D3DPRESENT_PARAMETERS* parameters);
    // Not Direct3D, for tests: the device is lost, as when another program takes the display;
    // TestCooperativeLevel answers D3DERR_DEVICELOST `lostChecks` times, then D3DERR_DEVICENOTRESET.
    void LoseForTest(int lostChecks);

    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value);
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value);
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix);
    HRESULT SetMaterial(const D3DMATERIAL9* material);
    HRESULT SetLight(DWORD index, const D3DLIGHT9* light);
    HRESULT LightEnable(DWORD index, BOOL enable);
    HRESULT SetTexture(DWORD stage, IDirect3DTexture9* texture);
    HRESULT SetScissorRect(const RECT* rect);  // used while D3DRS_SCISSORTESTENABLE is TRUE, by draws and Clear
    HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE type, IDirect3DStateBlock9** block);  // D3DSBT_ALL only

    HRESULT SetFVF(DWORD fvf);
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride);
    HRESULT SetIndices(IDirect3DIndexBuffer9* buffer);
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount);
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT minVertexIndex, UINT numVertices,
                                 UINT startIndex, UINT primitiveCount);

    // Not Direct3D: reads the bound render target 0 as 8-bit B, G, R, A rows, top row first.
    // For tests, single frames and offline capture.
    HRESULT ReadRenderTarget(std::vector<uint8_t>* bgra, UINT* width, UINT* height);
    // Not Direct3D: reads the window's pixels as the last Present left them (black bars included),
    // at the window's drawable size, top row first. For tests of the presentation.
    HRESULT ReadPresented(std::vector<uint8_t>* bgra, UINT* width, UINT* height);
    // Not Direct3D: the same read-back without waiting for the picture. QueueReadRenderTarget starts
    // copying the bound render target 0 and returns at once (at most 3 copies wait; then it fails);
    // TakeReadRenderTarget hands over the oldest queued copy as ReadRenderTarget would, waiting only
    // if that copy has not finished. Drawing may go on between the two.
    HRESULT QueueReadRenderTarget();
    HRESULT TakeReadRenderTarget(std::vector<uint8_t>* bgra, UINT* width, UINT* height);
    UINT PendingReadRenderTargets() const;  // queued, not yet taken
    // Not Direct3D: counters since the device was made.
    D3DDEVICESTATS GetStats() const;
    // Not Direct3D: the frame being drawn (since the last Present), and the frame the last Present
    // ended (zero before the first).
    D3DFRAMESTATS GetFrameStats() const;
    D3DFRAMESTATS GetLastFrameStats() const;

    // Made by CreateDevice (platform/device/device_window.h); everyone else uses the global device.
    explicit IDirect3DDevice9(DeviceCore* core);
    IDirect3DDevice9(const IDirect3DDevice9&) = delete;
    IDirect3DDevice9& operator=(const IDirect3DDevice9&) = delete;
    DeviceCore* Core() const { return core; }

private:
    friend struct DeviceCore;
    ~IDirect3DDevice9();
    ULONG refCount = 1;
    DeviceCore* core;
};

// The Direct3D object a device was made from, as far as the show asks it: the formats the adapter
// takes. There is one adapter, running in the back buffer's format.
class IDirect3D9 {
public:
    ULONG AddRef();
    ULONG Release();  // deleted, with its device reference, when the count reaches 0
    HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat, DWORD usage,
                              D3DRESOURCETYPE type, D3DFORMAT format);

private:
    friend class IDirect3DDevice9;
    explicit IDirect3D9(IDirect3DDevice9* device);
    ~IDirect3D9();
    IDirect3D9(const IDirect3D9&) = delete;
    IDirect3D9& operator=(const IDirect3D9&) = delete;
    IDirect3DDevice9* device;
    ULONG refCount = 1;
};
