// The raw-GL yardstick of the benchmarks: it must draw the frames it claims to (or its ratio
// measures nothing), and leave the device drawing correctly after it.
#include "platform/device/gl_baseline.h"

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

TEST_F(DeviceTest, RawGlRefusesAMissingTexture) {
    GlBaselineSetup setup;
    setup.texels = nullptr;
    EXPECT_EQ(GlBaselineCreate(device, setup), nullptr);
    EXPECT_EQ(GlBaselineCreate(nullptr, setup), nullptr);
}

}  // namespace
