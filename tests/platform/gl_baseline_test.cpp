// The raw-GL yardstick of the benchmarks: it must draw the frames it claims to (or its ratio
// measures nothing), and leave the device drawing correctly after it.
#include "platform/device/gl_baseline.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "tests/platform/device_fixture.h"

namespace {

TEST_F(DeviceTest, RawGlFramesBlendTheirLayersAndLeaveTheDeviceWorking) {
    // A 2x2 texture, top row red, bottom row blue, alpha 0x80 in its texels.
    const uint32_t texels[4] = {0x80FF0000, 0x80FF0000, 0x800000FF, 0x800000FF};
    const uint32_t* levels[] = {texels};
    GlBaselineSetup setup;
    setup.size = 2;
    setup.levels = 1;
    setup.texels = levels;
    setup.alpha = 1.0f;
    GlBaseline* raw = GlBaselineCreate(device, setup);
    ASSERT_NE(raw, nullptr);
    std::vector<uint8_t> bgra(640 * 480 * 4);
    auto at = [&](int x, int y) {
        const uint8_t* p = &bgra[(size_t(y) * 640 + size_t(x)) * 4];
        return Bgra{p[0], p[1], p[2], p[3]};
    };
    // No layer: the clear's black. One layer: half the texel. Two: three quarters, top row first.
    const int expected[] = {0, 128, 191};
    for (int layers = 0; layers <= 2; ++layers) {
        SCOPED_TRACE(layers);
        EXPECT_GT(GlBaselineFrame(raw, layers), 0u);
        ASSERT_TRUE(GlBaselineRead(raw, bgra.data()));
        EXPECT_BGR_NEAR(at(320, 100), 0, 0, expected[layers], 2);
        EXPECT_BGR_NEAR(at(320, 380), expected[layers], 0, 0, 2);
    }
    GlBaselineDestroy(raw);

    // The device's cached GL state was stale after those frames: its next draw must still be right.
    device->SetTexture(0, Texture(1, 1, {0xFF20A040}));
    ASSERT_EQ(Quad(-1, -1, 1, 1), D3D_OK);
    Read();
    EXPECT_BGR_NEAR(At(320, 240), 0x40, 0xA0, 0x20, 1);
}

// The benchmark's ratio compares the device with raw GL for the same pixels: frames of filtered,
// blended layers from both must be the same bytes, magnified (no mip filter) and minified.
TEST_F(DeviceTest, RawGlFramesAreTheDevicesPixels) {
    struct Case {
        UINT size;
        bool minified;
    };
    for (const Case c : {Case{64, false}, Case{1024, true}}) {
        SCOPED_TRACE(c.size);
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(device->CreateTexture(c.size, c.size, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
                  D3D_OK);
        owned.push_back(texture);
        std::vector<std::vector<uint32_t>> levels;  // a gradient with varying alpha, rows packed
        for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
            const UINT side = std::max(1u, c.size >> level);
            std::vector<uint32_t>& texels = levels.emplace_back(size_t(side) * side);
            for (UINT y = 0; y < side; ++y)
                for (UINT x = 0; x < side; ++x)
                    texels[size_t(y) * side + x] = ((x * 7 + y * 3 + level * 40) & 255) << 24 | (x * 255 / side) << 16 |
                                                   (y * 255 / side) << 8 | (level * 50 & 255);
            D3DLOCKED_RECT locked;
            ASSERT_EQ(texture->LockRect(level, &locked, nullptr, 0), D3D_OK);
            for (UINT y = 0; y < side; ++y)
                std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t(y) * UINT(locked.Pitch),
                            &texels[size_t(y) * side], size_t(side) * 4);
            texture->UnlockRect(level);
        }
        device->SetTexture(0, texture);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xC0000000);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TFACTOR);
        device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        for (int layer = 0; layer < 2; ++layer) ASSERT_EQ(Quad(-1, -1, 1, 1), D3D_OK);
        Read();

        std::vector<const uint32_t*> texels;
        for (const auto& level : levels) texels.push_back(level.data());
        GlBaselineSetup setup;
        setup.size = int(c.size);
        setup.levels = int(texels.size());
        setup.texels = texels.data();
        setup.linear = true;
        setup.mipFilter = c.minified;  // the device samples level 0 alone where it magnifies
        setup.alpha = float(0xC0) / 255.0f;
        GlBaseline* raw = GlBaselineCreate(device, setup);
        ASSERT_NE(raw, nullptr);
        GlBaselineFrame(raw, 2);
        std::vector<uint8_t> bgra(640 * 480 * 4);
        ASSERT_TRUE(GlBaselineRead(raw, bgra.data()));
        GlBaselineDestroy(raw);
        ASSERT_EQ(pixels.size(), bgra.size());
        size_t differing = 0;
        for (size_t i = 0; i < bgra.size(); i += 4) differing += std::memcmp(&pixels[i], &bgra[i], 3) != 0;
        EXPECT_EQ(differing, 0u);
        EXPECT_NE(At(320, 240).r, 0);  // the layers were drawn at all
    }
}

TEST_F(DeviceTest, RawGlRefusesAMissingTexture) {
    GlBaselineSetup setup;
    setup.texels = nullptr;
    EXPECT_EQ(GlBaselineCreate(device, setup), nullptr);
    EXPECT_EQ(GlBaselineCreate(nullptr, setup), nullptr);
}

}  // namespace
