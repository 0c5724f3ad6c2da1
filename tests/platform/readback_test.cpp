// Queued read-backs: each copy holds the picture as it was when queued, whatever is drawn after,
// and matches the waiting read-back byte for byte.
#include <vector>

#include "tests/platform/device_fixture.h"

namespace {

class ReadbackTest : public DeviceTest {
protected:
    void TearDown() override {
        std::vector<uint8_t> drop;
        while (PlatformPendingReadRenderTargets(device) > 0)
            PlatformTakeReadRenderTarget(device, &drop, nullptr, nullptr);
        DeviceTest::TearDown();
    }

    // A picture no two calls share: a cleared colour with a white quad at a place of its own.
    std::vector<uint8_t> Picture(D3DCOLOR clear, float x) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, clear, 1.0f, 0);
        device->SetTexture(0, Texture(1, 1, {0xFFFFFFFF}));
        EXPECT_EQ(Quad(x, -0.5f, x + 0.3f, 0.5f), D3D_OK);
        Read();
        return pixels;
    }
};

TEST_F(ReadbackTest, EachCopyIsThePictureWhenQueuedEvenAfterDrawingOver) {
    const std::vector<uint8_t> first = Picture(0xFFFF0000, -0.9f);
    ASSERT_EQ(PlatformQueueReadRenderTarget(device), D3D_OK);
    const std::vector<uint8_t> second = Picture(0xFF00FF00, 0.1f);
    ASSERT_EQ(PlatformQueueReadRenderTarget(device), D3D_OK);
    const std::vector<uint8_t> third = Picture(0xFF0000FF, 0.5f);
    ASSERT_NE(first, second);
    EXPECT_EQ(PlatformPendingReadRenderTargets(device), 2u);
    // A waiting read-back meanwhile still reads into memory, not into a pixel buffer.
    EXPECT_EQ(pixels, third);

    std::vector<uint8_t> taken;
    UINT w = 0, h = 0;
    ASSERT_EQ(PlatformTakeReadRenderTarget(device, &taken, &w, &h), D3D_OK);
    EXPECT_EQ(w, 640u);
    EXPECT_EQ(h, 480u);
    EXPECT_TRUE(taken == first);
    ASSERT_EQ(PlatformTakeReadRenderTarget(device, &taken, &w, &h), D3D_OK);
    EXPECT_TRUE(taken == second);
    EXPECT_EQ(PlatformPendingReadRenderTargets(device), 0u);

    // Buffers are reused: many more frames than buffers, each still its own picture.
    for (int i = 0; i < 6; ++i) {
        const std::vector<uint8_t> expected = Picture(0xFF000000 | D3DCOLOR(i * 40), -0.9f + 0.2f * float(i));
        ASSERT_EQ(PlatformQueueReadRenderTarget(device), D3D_OK);
        ASSERT_EQ(PlatformTakeReadRenderTarget(device, &taken, nullptr, nullptr), D3D_OK);
        EXPECT_TRUE(taken == expected) << i;
    }
}

TEST_F(ReadbackTest, BoundedQueueAndTheBoundTargetsOwnSizeAndAlpha) {
    std::vector<uint8_t> taken;
    EXPECT_EQ(PlatformTakeReadRenderTarget(device, &taken, nullptr, nullptr), D3DERR_INVALIDCALL);  // nothing queued
    for (int i = 0; i < 3; ++i) ASSERT_EQ(PlatformQueueReadRenderTarget(device), D3D_OK);
    EXPECT_EQ(PlatformQueueReadRenderTarget(device), D3DERR_INVALIDCALL);
    EXPECT_EQ(PlatformPendingReadRenderTargets(device), 3u);
    EXPECT_EQ(PlatformTakeReadRenderTarget(device, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(PlatformPendingReadRenderTargets(device), 3u);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(PlatformTakeReadRenderTarget(device, &taken, nullptr, nullptr), D3D_OK);

    // A render target with real alpha keeps it; the back buffer's X byte reads as 255.
    IDirect3DSurface9* surface = Target(64, 32);
    ASSERT_NE(surface, nullptr);
    device->SetRenderTarget(0, surface);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x40302010, 1.0f, 0);
    ASSERT_EQ(PlatformQueueReadRenderTarget(device), D3D_OK);
    device->SetRenderTarget(0, backBuffer);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x40302010, 1.0f, 0);
    ASSERT_EQ(PlatformQueueReadRenderTarget(device), D3D_OK);

    UINT w = 0, h = 0;
    ASSERT_EQ(PlatformTakeReadRenderTarget(device, &taken, &w, &h), D3D_OK);
    ASSERT_EQ(taken.size(), 64u * 32u * 4u);
    EXPECT_EQ(w, 64u);
    EXPECT_EQ(h, 32u);
    EXPECT_EQ(taken[0], 0x10);
    EXPECT_EQ(taken[3], 0x40);
    ASSERT_EQ(PlatformTakeReadRenderTarget(device, &taken, &w, &h), D3D_OK);
    ASSERT_EQ(taken.size(), 640u * 480u * 4u);
    EXPECT_EQ(taken[2], 0x30);
    EXPECT_EQ(taken[3], 0xFF);
}

}  // namespace
