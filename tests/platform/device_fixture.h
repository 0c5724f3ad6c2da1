// Shared set-up for the device tests: a known state before every test, small buffers and
// read-back helpers.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/d3dwindow.h"
#include "platform/device_readback.h"
#include "tests/common/headless.h"

struct Bgra {
    int b, g, r, a;
};

struct TexturedVertex {  // FVF 0x102
    float x, y, z, u, v;
};

struct LitVertex {  // FVF 0x112
    float x, y, z, nx, ny, nz, u, v;
};

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseHeadlessDevice();
        ASSERT_NE(device, nullptr);
        if (!backBuffer) device->GetRenderTarget(0, &backBuffer);  // kept for the program, as the show does
        device->SetRenderTarget(0, backBuffer);
        D3DMATRIX identity = {};
        identity.m[0][0] = identity.m[1][1] = identity.m[2][2] = identity.m[3][3] = 1.0f;
        device->SetTransform(D3DTS_WORLD, &identity);
        device->SetTransform(D3DTS_VIEW, &identity);
        device->SetTransform(D3DTS_PROJECTION, &identity);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        device->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
        device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFFFFFF);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_CURRENT);
        device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
        device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
        device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
        device->SetTexture(0, nullptr);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    }
    void TearDown() override {
        device->SetTexture(0, nullptr);
        device->SetStreamSource(0, nullptr, 0, 0);
        device->SetIndices(nullptr);
        for (IDirect3DResource9* r : owned) r->Release();
    }

    template <typename V>
    IDirect3DVertexBuffer9* Buffer(const std::vector<V>& vertices, DWORD fvf) {
        IDirect3DVertexBuffer9* vb = nullptr;
        const UINT bytes = UINT(vertices.size() * sizeof(V));
        EXPECT_EQ(device->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, fvf, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
        void* data = nullptr;
        EXPECT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
        std::memcpy(data, vertices.data(), bytes);
        vb->Unlock();
        owned.push_back(vb);
        return vb;
    }

    // A managed 16-bit index buffer holding indices.
    IDirect3DIndexBuffer9* Indices(const std::vector<uint16_t>& indices) {
        IDirect3DIndexBuffer9* ib = nullptr;
        const UINT bytes = UINT(indices.size() * 2);
        EXPECT_EQ(device->CreateIndexBuffer(bytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr),
                  D3D_OK);
        void* data = nullptr;
        EXPECT_EQ(ib->Lock(0, 0, &data, 0), D3D_OK);
        std::memcpy(data, indices.data(), bytes);
        ib->Unlock();
        owned.push_back(ib);
        return ib;
    }

    // Draws a fan (quads) or list of vertices with the given FVF.
    template <typename V>
    HRESULT Draw(const std::vector<V>& vertices, DWORD fvf, D3DPRIMITIVETYPE type, UINT primitives) {
        IDirect3DVertexBuffer9* vb = Buffer(vertices, fvf);
        device->SetFVF(fvf);
        device->SetStreamSource(0, vb, 0, sizeof(V));
        return device->DrawPrimitive(type, 0, primitives);
    }

    // A quad over the clip rectangle (x0,y0)-(x1,y1) at depth z, as a fan, u,v from the top-left.
    HRESULT Quad(float x0, float y0, float x1, float y1, float z = 0.5f) {
        std::vector<TexturedVertex> v = {{x0, y1, z, 0, 0}, {x1, y1, z, 1, 0}, {x1, y0, z, 1, 1}, {x0, y0, z, 0, 1}};
        return Draw(v, 0x102, D3DPT_TRIANGLEFAN, 2);
    }

    // A managed A8R8G8B8 texture from top-first BGRA rows.
    IDirect3DTexture9* Texture(UINT w, UINT h, const std::vector<uint32_t>& argb, D3DFORMAT format = D3DFMT_A8R8G8B8) {
        IDirect3DTexture9* t = nullptr;
        EXPECT_EQ(device->CreateTexture(w, h, 1, 0, format, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
        D3DLOCKED_RECT locked;
        EXPECT_EQ(t->LockRect(0, &locked, nullptr, 0), D3D_OK);
        for (UINT y = 0; y < h; ++y)
            std::memcpy(static_cast<uint8_t*>(locked.pBits) + y * UINT(locked.Pitch), &argb[y * w], w * 4);
        t->UnlockRect(0);
        owned.push_back(t);
        return t;
    }

    // A w x h A8R8G8B8 render target's level-0 surface (its texture through `texture` when asked
    // for); both are released at tear-down. Null when the target can't be made.
    IDirect3DSurface9* Target(UINT w, UINT h, IDirect3DTexture9** texture = nullptr) {
        IDirect3DTexture9* t = nullptr;
        EXPECT_EQ(device->CreateTexture(w, h, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &t, nullptr),
                  D3D_OK);
        if (!t) return nullptr;
        owned.push_back(t);
        IDirect3DSurface9* surface = nullptr;
        EXPECT_EQ(t->GetSurfaceLevel(0, &surface), D3D_OK);
        if (surface) owned.push_back(surface);
        if (texture) *texture = t;
        return surface;
    }

    void Read() { ASSERT_EQ(PlatformReadRenderTarget(device, &pixels, &width, &height), D3D_OK); }
    Bgra At(UINT x, UINT y) const {
        const uint8_t* p = &pixels[(size_t(y) * width + x) * 4];
        return {p[0], p[1], p[2], p[3]};
    }

    static inline IDirect3DSurface9* backBuffer = nullptr;
    std::vector<IDirect3DResource9*> owned;
    std::vector<uint8_t> pixels;
    UINT width = 0, height = 0;
};

// Channel-wise comparison within tol of 255.
#define EXPECT_BGR_NEAR(pixel, B, G, R, tol)      \
    do {                                          \
        const Bgra p_ = (pixel);                  \
        EXPECT_NEAR(p_.b, (B), (tol)) << "blue";  \
        EXPECT_NEAR(p_.g, (G), (tol)) << "green"; \
        EXPECT_NEAR(p_.r, (R), (tol)) << "red";   \
    } while (0)
