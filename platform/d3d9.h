// The graphics device: Direct3D 9 operation names and effects over OpenGL 3.3 core.
//
// Only the operations the show uses exist. Objects are reference counted: each holder releases what
// it took, and every resource keeps its device (and so the GL context) alive until it is released.
//
// Index
//   IDirect3DSurface9       level-0 surfaces of textures, the back buffer, the depth buffer
//   IDirect3DTexture9       file textures (managed, lockable) and render targets (default pool)
//   IDirect3DVertexBuffer9  vertex data (FVF 0x102 and 0x112)
//   IDirect3DIndexBuffer9   16-bit indices
//   IDirect3DDevice9        states, transforms, lights, draws, targets, Present
#pragma once

#include <vector>

#include "platform/d3d9types.h"

class IDirect3DDevice9;

// Shared reference counting. A resource holds one reference on its device.
class IDirect3DResource9 {
public:
    ULONG AddRef();
    ULONG Release();  // deletes the object when the count reaches 0

protected:
    explicit IDirect3DResource9(IDirect3DDevice9* owner);
    virtual ~IDirect3DResource9();
    IDirect3DDevice9* owner;
    ULONG refCount = 1;
};

class IDirect3DSurface9 : public IDirect3DResource9 {
public:
    HRESULT GetDesc(D3DSURFACE_DESC* desc);
};

class IDirect3DTexture9 : public IDirect3DResource9 {
public:
    DWORD GetLevelCount();
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc);
    HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface);  // AddRefs the surface
    // Managed textures only: memory of one level, row 0 = top, uploaded at UnlockRect.
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
    HRESULT UnlockRect(UINT level);
};

class IDirect3DVertexBuffer9 : public IDirect3DResource9 {
public:
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags);  // size 0: to the end
    HRESULT Unlock();
};

class IDirect3DIndexBuffer9 : public IDirect3DResource9 {
public:
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags);  // size 0: to the end
    HRESULT Unlock();
};

class IDirect3DDevice9 {
public:
    ULONG AddRef();
    ULONG Release();  // the context goes when the last reference (device or resource) does

    HRESULT GetDeviceCaps(D3DCAPS9* caps);
    // D3D_OK when a resource of that type, usage and format can be created.
    HRESULT CheckDeviceFormat(DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format);

    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture9** texture, void* sharedHandle);  // levels 0: the full chain
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** buffer,
                               void* sharedHandle);
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer9** buffer, void* sharedHandle);
    HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                                      DWORD quality, BOOL discard, IDirect3DSurface9** surface, void* sharedHandle);
    HRESULT SetDepthStencilSurface(IDirect3DSurface9* surface);

    HRESULT GetRenderTarget(DWORD index, IDirect3DSurface9** surface);  // AddRefs the surface
    HRESULT SetRenderTarget(DWORD index, IDirect3DSurface9* surface);   // viewport becomes the whole surface
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil);
    HRESULT BeginScene();
    HRESULT EndScene();
    HRESULT Present(const RECT* source, const RECT* dest, void* destWindow, const void* dirtyRegion);

    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value);
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value);
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix);
    HRESULT SetMaterial(const D3DMATERIAL9* material);
    HRESULT SetLight(DWORD index, const D3DLIGHT9* light);
    HRESULT LightEnable(DWORD index, BOOL enable);
    HRESULT SetTexture(DWORD stage, IDirect3DTexture9* texture);

    HRESULT SetFVF(DWORD fvf);
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride);
    HRESULT SetIndices(IDirect3DIndexBuffer9* buffer);
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount);
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT minVertexIndex, UINT numVertices,
                                 UINT startIndex, UINT primitiveCount);

    // Not Direct3D: reads the bound render target 0 as 8-bit B, G, R, A rows, top row first.
    // For tests, single frames and offline capture.
    HRESULT ReadRenderTarget(std::vector<uint8_t>* bgra, UINT* width, UINT* height);
};
