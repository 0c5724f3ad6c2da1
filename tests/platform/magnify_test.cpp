// Small draws whose texture is magnified everywhere are sampled without the mip filter: same
// picture, cheaper on software rasterizers. Everything else keeps the filter it was given.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "tests/platform/device_fixture.h"

namespace {

constexpr uint32_t kLevelColours[] = {0, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF};

class MagnifyTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
        device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
        device->SetTexture(0, Levels());
    }
    void TearDown() override {
        device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
        device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
        DeviceTest::TearDown();
    }

    // 64x64 with the full chain: level 0 a checkerboard of 8-texel squares, every smaller level
    // one flat colour of its own, so a picture shows which level was sampled.
    IDirect3DTexture9* Levels() {
        IDirect3DTexture9* t = nullptr;
        EXPECT_EQ(device->CreateTexture(64, 64, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr), D3D_OK);
        owned.push_back(t);
        for (UINT level = 0; level < t->GetLevelCount(); ++level) {
            const UINT side = 64u >> level;
            D3DLOCKED_RECT locked;
            EXPECT_EQ(t->LockRect(level, &locked, nullptr, 0), D3D_OK);
            for (UINT y = 0; y < side; ++y)
                for (UINT x = 0; x < side; ++x) {
                    const uint32_t checker = ((x / 8 + y / 8) & 1) ? 0xFFFFFFFF : 0xFF202020;
                    static_cast<uint32_t*>(locked.pBits)[y * UINT(locked.Pitch) / 4 + x] =
                        level == 0 ? checker : kLevelColours[level];
                }
            t->UnlockRect(level);
        }
        return t;
    }

    // A quad w x h pixels centred on the picture, turned by angle, as a fan of four vertices.
    std::vector<TexturedVertex> Square(float w, float h, float angle = 0) const {
        std::vector<TexturedVertex> v = {
            {-w, h, 0.5f, 0, 0}, {w, h, 0.5f, 1, 0}, {w, -h, 0.5f, 1, 1}, {-w, -h, 0.5f, 0, 1}};
        for (TexturedVertex& p : v) {  // pixels to clip space of the 640x480 back buffer
            const float x = 0.5f * (p.x * std::cos(angle) - p.y * std::sin(angle));
            const float y = 0.5f * (p.x * std::sin(angle) + p.y * std::cos(angle));
            p.x = x / 320.0f, p.y = y / 240.0f;
        }
        return v;
    }

    uint64_t Magnified() const { return device->GetStats().magnifiedDraws; }

    // The same vertices through the indexed path, which always keeps the mip filter.
    void DrawIndexed(const std::vector<TexturedVertex>& v) {
        IDirect3DVertexBuffer9* vb = Buffer(v, 0x102);
        IDirect3DIndexBuffer9* ib = Indices({0, 1, 2, 0, 2, 3});
        device->SetFVF(0x102);
        device->SetStreamSource(0, vb, 0, sizeof(TexturedVertex));
        device->SetIndices(ib);
        ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
    }
};

TEST_F(MagnifyTest, MagnifiedQuadsSkipTheMipFilterAndLookTheSame) {
    // Twice the texture's size, and 1:1 turned by 30 degrees (the scale is still one texel per pixel).
    for (const auto& v : {Square(128, 128), Square(64, 64, 0.5236f)}) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        const uint64_t before = Magnified();
        ASSERT_EQ(Draw(v, 0x102, D3DPT_TRIANGLEFAN, 2), D3D_OK);
        EXPECT_EQ(Magnified(), before + 1);
        Read();
        const std::vector<uint8_t> fast = pixels;

        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        DrawIndexed(v);
        EXPECT_EQ(Magnified(), before + 1);
        Read();
        ASSERT_EQ(fast.size(), pixels.size());
        int worst = 0;
        for (size_t i = 0; i < fast.size(); ++i) worst = std::max(worst, std::abs(int(fast[i]) - int(pixels[i])));
        EXPECT_LE(worst, 1);
        const Bgra inside = At(310, 230);  // level 0's grey checkerboard, not a flat level colour
        EXPECT_NEAR(inside.r, inside.g, 2);
        EXPECT_NEAR(inside.g, inside.b, 2);
    }
}

TEST_F(MagnifyTest, MinifiedAndPerspectiveDrawsKeepTheMipFilter) {
    const uint64_t before = Magnified();
    // A quarter of the texture's size: level 2, flat green, fills the middle.
    ASSERT_EQ(Draw(Square(16, 16), 0x102, D3DPT_TRIANGLEFAN, 2), D3D_OK);
    Read();
    EXPECT_BGR_NEAR(At(320, 240), 0, 255, 0, 2);
    // Slightly more than one texel per pixel along one axis only.
    ASSERT_EQ(Draw(Square(64, 60), 0x102, D3DPT_TRIANGLEFAN, 2), D3D_OK);
    // Perspective: w differs across the quad.
    D3DMATRIX perspective = {};
    perspective.m[0][0] = perspective.m[1][1] = 1.0f;
    perspective.m[2][2] = 0.5f;
    perspective.m[2][3] = 1.0f;
    device->SetTransform(D3DTS_PROJECTION, &perspective);
    const std::vector<TexturedVertex> tilted = {{-1, 1, 1, 0, 0}, {1, 1, 2, 1, 0}, {1, -1, 2, 1, 1}, {-1, -1, 1, 0, 1}};
    ASSERT_EQ(Draw(tilted, 0x102, D3DPT_TRIANGLEFAN, 2), D3D_OK);
    EXPECT_EQ(Magnified(), before);
}

}  // namespace
