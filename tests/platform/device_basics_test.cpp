// Resources, targets and the textured-quad path the composition draws with.
#include <algorithm>

#include "tests/platform/device_fixture.h"

namespace {

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

TEST_F(DeviceTest, CapsAndFormats) {
    D3DCAPS9 caps;
    ASSERT_EQ(device->GetDeviceCaps(&caps), D3D_OK);
    EXPECT_GE(caps.MaxTextureWidth, 2048u);
    EXPECT_GE(caps.MaxTextureHeight, 2048u);
    EXPECT_EQ(caps.MaxActiveLights, 8u);
    for (D3DFORMAT f : {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_L8})
        EXPECT_EQ(device->CheckDeviceFormat(0, D3DRTYPE_TEXTURE, f), D3D_OK) << f;
    EXPECT_EQ(device->CheckDeviceFormat(D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8), D3D_OK);
    EXPECT_NE(device->CheckDeviceFormat(D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, D3DFMT_L8), D3D_OK);
    EXPECT_NE(device->CheckDeviceFormat(0, D3DRTYPE_TEXTURE, D3DFMT_DXT1), D3D_OK);
}

TEST_F(DeviceTest, TextureLevelsAndDescriptions) {
    IDirect3DTexture9* t = nullptr;
    ASSERT_EQ(device->CreateTexture(256, 64, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
    EXPECT_EQ(t->GetLevelCount(), 9u);  // 256x64 down to 1x1
    D3DSURFACE_DESC d;
    ASSERT_EQ(t->GetLevelDesc(8, &d), D3D_OK);
    EXPECT_EQ(d.Width, 1u);
    EXPECT_EQ(d.Height, 1u);
    ASSERT_EQ(t->GetLevelDesc(2, &d), D3D_OK);
    EXPECT_EQ(d.Width, 64u);
    EXPECT_EQ(d.Height, 16u);
    EXPECT_EQ(d.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(d.Pool, D3DPOOL_MANAGED);
    EXPECT_NE(t->GetLevelDesc(9, &d), D3D_OK);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(t->LockRect(3, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(locked.Pitch, 32 * 4);
    EXPECT_NE(t->LockRect(3, &locked, nullptr, 0), D3D_OK);  // already locked
    EXPECT_EQ(t->UnlockRect(3), D3D_OK);
    EXPECT_NE(t->UnlockRect(3), D3D_OK);
    t->Release();

    IDirect3DTexture9* l8 = nullptr;
    ASSERT_EQ(device->CreateTexture(16, 16, 1, 0, D3DFMT_L8, D3DPOOL_MANAGED, &l8, nullptr), D3D_OK);
    ASSERT_EQ(l8->LockRect(0, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(locked.Pitch, 16);
    l8->UnlockRect(0);
    l8->Release();

    IDirect3DTexture9* rt = nullptr;
    ASSERT_EQ(device->CreateTexture(512, 512, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &rt, nullptr),
              D3D_OK);
    EXPECT_NE(rt->LockRect(0, &locked, nullptr, 0), D3D_OK);  // device memory is not lockable
    rt->Release();
}

// The device keeps no copy of an uploaded level: a later lock reads back exactly what was written
// (odd widths and every lockable format), a read-only lock changes nothing, an unwritten level is
// zeros, and a partial lock keeps the rest of the level.
TEST_F(DeviceTest, LockAfterUploadReadsTheLevelBack) {
    for (D3DFORMAT format : {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_L8, D3DFMT_A8, D3DFMT_A32B32G32R32F}) {
        SCOPED_TRACE(format);
        IDirect3DTexture9* t = nullptr;
        ASSERT_EQ(device->CreateTexture(12, 6, 0, 0, format, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
        const UINT bpp = format == D3DFMT_A32B32G32R32F ? 16 : format == D3DFMT_L8 || format == D3DFMT_A8 ? 1 : 4;
        std::vector<std::vector<uint8_t>> written;
        for (UINT level = 0; level < t->GetLevelCount(); ++level) {
            D3DLOCKED_RECT locked;
            ASSERT_EQ(t->LockRect(level, &locked, nullptr, 0), D3D_OK);
            const size_t bytes = size_t(std::max(1u, 12u >> level)) * std::max(1u, 6u >> level) * bpp;
            ASSERT_EQ(size_t(locked.Pitch) * std::max(1u, 6u >> level), bytes);
            auto* p = static_cast<uint8_t*>(locked.pBits);
            EXPECT_EQ(std::vector<uint8_t>(p, p + bytes), std::vector<uint8_t>(bytes, 0));  // never written
            written.emplace_back(bytes);
            for (size_t i = 0; i < bytes; ++i) written.back()[i] = uint8_t(i * 7 + level * 31 + 1);
            if (format == D3DFMT_A32B32G32R32F)  // whole floats, not NaN patterns GL might not keep
                for (size_t i = 0; i < bytes; i += 4) {
                    const float v = float(i + level);
                    std::memcpy(&written.back()[i], &v, 4);
                }
            std::memcpy(p, written.back().data(), bytes);
            ASSERT_EQ(t->UnlockRect(level), D3D_OK);
        }
        for (UINT level = 0; level < t->GetLevelCount(); ++level) {
            D3DLOCKED_RECT locked;
            ASSERT_EQ(t->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
            auto* p = static_cast<uint8_t*>(locked.pBits);
            EXPECT_EQ(std::vector<uint8_t>(p, p + written[level].size()), written[level]) << "level " << level;
            p[0] ^= 0xFF;  // read-only: not uploaded
            t->UnlockRect(level);
        }
        const RECT corner = {11, 5, 12, 6};  // the last texel of level 0
        D3DLOCKED_RECT locked;
        ASSERT_EQ(t->LockRect(0, &locked, &corner, 0), D3D_OK);
        std::memset(locked.pBits, 0, bpp);
        t->UnlockRect(0);
        std::fill(written[0].end() - bpp, written[0].end(), 0);
        ASSERT_EQ(t->LockRect(0, &locked, nullptr, 0), D3D_OK);
        auto* p = static_cast<uint8_t*>(locked.pBits);
        EXPECT_EQ(std::vector<uint8_t>(p, p + written[0].size()), written[0]);
        t->UnlockRect(0);
        t->Release();
    }
}

TEST_F(DeviceTest, BadCreationRequestsFail) {
    IDirect3DTexture9* t = reinterpret_cast<IDirect3DTexture9*>(1);
    EXPECT_NE(device->CreateTexture(0, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
    EXPECT_EQ(t, nullptr);
    EXPECT_NE(device->CreateTexture(1u << 20, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
    EXPECT_NE(device->CreateTexture(16, 16, 1, 0, D3DFMT_DXT5, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
    IDirect3DVertexBuffer9* vb = nullptr;
    EXPECT_NE(device->CreateVertexBuffer(0, 0, 0x102, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    IDirect3DIndexBuffer9* ib = nullptr;
    EXPECT_NE(device->CreateIndexBuffer(12, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
}

TEST_F(DeviceTest, BufferLocksStayInside) {
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(
        device->CreateVertexBuffer(80, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0x102, D3DPOOL_DEFAULT, &vb, nullptr),
        D3D_OK);
    void* data = nullptr;
    EXPECT_NE(vb->Lock(60, 40, &data, 0), D3D_OK);
    EXPECT_NE(vb->Lock(81, 0, &data, 0), D3D_OK);
    ASSERT_EQ(vb->Lock(40, 0, &data, D3DLOCK_DISCARD), D3D_OK);
    std::memset(data, 0, 40);  // exactly the rest of the buffer
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    EXPECT_NE(vb->Unlock(), D3D_OK);
    vb->Release();
}

TEST_F(DeviceTest, TexturedQuadIsUpright) {
    // Top row red/green, bottom row blue/white: row 0 of the locked memory is the image's top.
    device->SetTexture(0, Texture(2, 2, {kRed, kGreen, kBlue, kWhite}));
    ASSERT_EQ(Quad(-1, -1, 1, 1), D3D_OK);
    Read();
    ASSERT_EQ(width, 640u);
    ASSERT_EQ(height, 480u);
    EXPECT_BGR_NEAR(At(0, 0), 0, 0, 255, 0);
    EXPECT_BGR_NEAR(At(639, 0), 0, 255, 0, 0);
    EXPECT_BGR_NEAR(At(0, 479), 255, 0, 0, 0);
    EXPECT_BGR_NEAR(At(639, 479), 255, 255, 255, 0);
    EXPECT_EQ(At(0, 0).a, 255);  // the back buffer is X8R8G8B8
}

TEST_F(DeviceTest, PixelCentresFollowDirect3D) {
    // A quad from pixel edge 10 to 20 in D3D screen terms: x_ndc = px / 320 - 1 with centres on
    // integers means pixels 10..19 are covered when the edges sit at 9.5 and 19.5.
    auto ndcX = [](float px) { return px / 320.0f - 1.0f; };
    auto ndcY = [](float py) { return 1.0f - py / 240.0f; };
    device->SetTexture(0, Texture(1, 1, {kWhite}));
    ASSERT_EQ(Quad(ndcX(9.5f), ndcY(19.5f), ndcX(19.5f), ndcY(9.5f)), D3D_OK);
    Read();
    EXPECT_EQ(At(9, 15).r, 0);
    EXPECT_EQ(At(10, 15).r, 255);
    EXPECT_EQ(At(19, 15).r, 255);
    EXPECT_EQ(At(20, 15).r, 0);
    EXPECT_EQ(At(15, 9).r, 0);
    EXPECT_EQ(At(15, 10).r, 255);
    EXPECT_EQ(At(15, 19).r, 255);
    EXPECT_EQ(At(15, 20).r, 0);
}

TEST_F(DeviceTest, RenderTargetIsSampledUpright) {
    IDirect3DTexture9* rt = nullptr;
    IDirect3DSurface9* surface = Target(512, 512, &rt);
    ASSERT_NE(surface, nullptr);
    ASSERT_EQ(device->SetRenderTarget(0, surface), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0), D3D_OK);
    device->SetTexture(0, Texture(1, 1, {kRed}));
    ASSERT_EQ(Quad(-1, 0, 1, 1), D3D_OK);  // the upper half red, the rest stays blue
    Read();
    EXPECT_EQ(width, 512u);
    EXPECT_BGR_NEAR(At(100, 10), 0, 0, 255, 0);
    EXPECT_BGR_NEAR(At(100, 500), 255, 0, 0, 0);

    // Shown on the back buffer, the target's top must still be on top.
    device->SetRenderTarget(0, backBuffer);
    device->SetTexture(0, rt);
    ASSERT_EQ(Quad(-1, -1, 1, 1), D3D_OK);
    Read();
    EXPECT_BGR_NEAR(At(320, 5), 0, 0, 255, 0);
    EXPECT_BGR_NEAR(At(320, 475), 255, 0, 0, 0);
    device->SetTexture(0, nullptr);
}

TEST_F(DeviceTest, PresentKeepsTheBackBuffer) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF336699, 1.0f, 0);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    Read();
    EXPECT_BGR_NEAR(At(1, 1), 0x99, 0x66, 0x33, 0);
}

}  // namespace
