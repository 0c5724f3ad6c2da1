// From decoded image to texture levels: sizes, device adaptation, the level-0 filter and mips.
#include <gtest/gtest.h>

#include <cstring>

#include "gfx/image.h"
#include "gfx/image_resize.h"
#include "gfx/texture_loader.h"
#include "tests/gfx/test_images.h"

namespace {

DecodedImage Flat8(uint32_t w, uint32_t h, D3DFORMAT format, const Bytes& rgba) {
    DecodedImage image;
    image.format = format;
    image.levels.resize(1);
    image.levels[0].width = w, image.levels[0].height = h, image.levels[0].rgba8 = rgba;
    return image;
}

DecodedImage Grey8(uint32_t w, uint32_t h, const Bytes& values) {
    Bytes rgba;
    for (uint8_t v : values) rgba.insert(rgba.end(), {v, v, v, 255});
    return Flat8(w, h, D3DFMT_L8, rgba);
}

struct Levels {
    TexturePlan plan;
    std::vector<Bytes> bytes;
};

Levels Fill(const DecodedImage& image, const TextureCaps& caps = {}) {
    Levels out;
    std::string error;
    EXPECT_TRUE(PlanTexture(image, caps, &out.plan, &error)) << error;
    const uint32_t bpp = out.plan.format == D3DFMT_L8 ? 1 : out.plan.format == D3DFMT_A32B32G32R32F ? 16 : 4;
    EXPECT_TRUE(FillTextureLevels(image, out.plan, [&](uint32_t level, uint32_t w, uint32_t h, const uint8_t* p) {
        EXPECT_EQ(level, out.bytes.size());
        out.bytes.emplace_back(p, p + size_t(w) * h * bpp);
        return true;
    }));
    return out;
}

}  // namespace

// Each side rounds up to a power of two on its own; the chain runs to 1x1.
TEST(TextureLevels, SizesRoundUpToPowersOfTwo) {
    struct Case {
        uint32_t w, h, tw, th, levels;
    } cases[] = {{300, 200, 512, 256, 10}, {640, 480, 1024, 512, 11}, {3, 5, 4, 8, 4},
                 {256, 256, 256, 256, 9},  {1, 1, 1, 1, 1},           {1, 100, 1, 128, 8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
        TexturePlan plan;
        std::string error;
        ASSERT_TRUE(PlanTexture(Flat8(c.w, c.h, D3DFMT_X8R8G8B8, Bytes(size_t(c.w) * c.h * 4)), {}, &plan, &error));
        EXPECT_EQ(plan.width, c.tw);
        EXPECT_EQ(plan.height, c.th);
        EXPECT_EQ(plan.levels, c.levels);
    }
}

// The device's limits: largest size, aspect ratio, the formats it takes.
TEST(TextureLevels, AdaptedToTheDevice) {
    const DecodedImage grey = Grey8(300, 20, Bytes(300 * 20, 9));
    TextureCaps caps;
    caps.maxWidth = 256;
    caps.maxAspect = 4;
    TexturePlan plan;
    std::string error;
    ASSERT_TRUE(PlanTexture(grey, caps, &plan, &error));
    EXPECT_EQ(plan.width, 256u);
    EXPECT_EQ(plan.height, 64u);  // 32 widened to keep 4:1
    EXPECT_EQ(plan.format, D3DFMT_L8);

    caps = {};
    caps.supports = [](D3DFORMAT f) { return f != D3DFMT_L8 && f != D3DFMT_A32B32G32R32F; };
    ASSERT_TRUE(PlanTexture(grey, caps, &plan, &error));
    EXPECT_EQ(plan.format, D3DFMT_X8R8G8B8);
    DecodedImage hdr = grey;
    hdr.format = D3DFMT_A32B32G32R32F;
    ASSERT_TRUE(PlanTexture(hdr, caps, &plan, &error));
    EXPECT_EQ(plan.format, D3DFMT_X8R8G8B8);

    caps.supports = [](D3DFORMAT) { return false; };
    EXPECT_FALSE(PlanTexture(grey, caps, &plan, &error));
    EXPECT_EQ(error, "the device supports no suitable texture format");
}

// Level 0 is the whole image stretched with a tent filter; exact values where they are exact.
TEST(TextureLevels, LevelZeroTriangleFilter) {
    // 3 -> 4 (magnify): centres at -0.125, 0.625, 1.375, 2.125 in source pixels.
    EXPECT_EQ(Fill(Grey8(3, 1, {0, 120, 240})).bytes[0], (Bytes{0, 75, 165, 240}));
    // 4 -> 2 (minify, the device's limit): tent radius 2, taps outside the image dropped.
    TextureCaps small;
    small.maxWidth = 2;
    EXPECT_EQ(Fill(Grey8(4, 1, {0, 70, 140, 210}), small).bytes[0], (Bytes{50, 160}));
    // A power-of-two 8-bit image is copied as it is; X8R8G8B8 gets an opaque fourth byte.
    const Bytes px = PatternRgba(4, 2);
    const Levels copy = Fill(Flat8(4, 2, D3DFMT_X8R8G8B8, px));
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(copy.bytes[0][i * 4], px[i * 4 + 2]);
        EXPECT_EQ(copy.bytes[0][i * 4 + 2], px[i * 4]);
        EXPECT_EQ(copy.bytes[0][i * 4 + 3], 255);
    }
}

// Values 8 bits cannot hold are dithered so that an area keeps its mean.
TEST(TextureLevels, DitherKeepsTheMean) {
    DecodedImage image;
    image.format = D3DFMT_L8;
    image.levels.resize(1);
    image.levels[0].width = 3, image.levels[0].height = 3;
    for (int i = 0; i < 9; ++i)
        image.levels[0].rgbaF.insert(image.levels[0].rgbaF.end(), {100.5f / 255, 100.5f / 255, 100.5f / 255, 1});
    const Bytes level0 = Fill(image).bytes[0];
    ASSERT_EQ(level0.size(), 16u);
    int sum = 0;
    for (uint8_t v : level0) {
        EXPECT_TRUE(v == 100 || v == 101);
        sum += v;
    }
    EXPECT_EQ(sum, 16 * 100 + 8);
}

// Mips: a 2x2 box average per level, rounded, down to 1x1.
TEST(TextureLevels, BoxFilteredMipChain) {
    const Levels l = Fill(Grey8(4, 4, {0, 10, 100, 100, 20, 31, 100, 101, 255, 255, 1, 2, 255, 255, 3, 4}));
    ASSERT_EQ(l.bytes.size(), 3u);
    EXPECT_EQ(l.bytes[1], (Bytes{15, 100, 255, 3}));
    EXPECT_EQ(l.bytes[2], (Bytes{93}));
    // A 4x1 strip halves along its long side only.
    EXPECT_EQ(Fill(Grey8(4, 1, {0, 2, 10, 20})).bytes[2], (Bytes{8}));

    // Four-byte texels, byte by byte, rounded; wide rows take the vector path, the rest the tail.
    Bytes rows;
    for (int i = 0; i < 8; ++i) rows.insert(rows.end(), {uint8_t(i * 30), 255, 0, uint8_t(i)});
    for (int i = 0; i < 8; ++i) rows.insert(rows.end(), {uint8_t(i * 30 + 1), 255, 3, 0});
    Bytes half(16);
    BoxDownsample(rows.data(), 8, 2, D3DFMT_A8R8G8B8, half.data());
    EXPECT_EQ(half, (Bytes{16, 255, 2, 0, 76, 255, 2, 1, 136, 255, 2, 2, 196, 255, 2, 3}));
    Bytes strip;  // 10x1: five texels, one past the vector path's four
    for (int i = 0; i < 10; ++i)
        strip.insert(strip.end(), {uint8_t(i * 25), uint8_t(255 - i), uint8_t(1 + (i & 1)), 7});
    Bytes halfStrip(20);
    BoxDownsample(strip.data(), 10, 1, D3DFMT_X8R8G8B8, halfStrip.data());
    EXPECT_EQ(halfStrip, (Bytes{13, 255, 2, 7, 63, 253, 2, 7, 113, 251, 2, 7, 163, 249, 2, 7, 213, 247, 2, 7}));
}

// Levels a DDS carries are used as they are; the chain continues from the last one.
TEST(TextureLevels, CarriedLevelsAreKept) {
    DecodedImage image = Grey8(4, 4, Bytes(16, 0));
    image.levels.push_back(Grey8(2, 2, {40, 40, 80, 80}).levels[0]);
    const Levels l = Fill(image);
    ASSERT_EQ(l.bytes.size(), 3u);
    EXPECT_EQ(l.bytes[1], (Bytes{40, 40, 80, 80}));
    EXPECT_EQ(l.bytes[2], (Bytes{60}));
}

// Float textures keep the values; the pixel budget covers the texture too.
TEST(TextureLevels, FloatLevelsAndBudget) {
    DecodedImage image;
    image.format = D3DFMT_A32B32G32R32F;
    image.levels.resize(1);
    image.levels[0].width = 2, image.levels[0].height = 1;
    image.levels[0].rgbaF = {4.0f, 0.5f, 0.0f, 1.0f, 2.0f, 0.25f, 1.0f, 1.0f};
    const Levels l = Fill(image);
    EXPECT_EQ(l.plan.format, D3DFMT_A32B32G32R32F);
    float mip[4];
    std::memcpy(mip, l.bytes[1].data(), 16);
    EXPECT_FLOAT_EQ(mip[0], 3.0f);
    EXPECT_FLOAT_EQ(mip[2], 0.5f);

    image.levels[0].width = 4097, image.levels[0].height = 4097;  // 8192^2 floats: 1 GiB
    TexturePlan plan;
    std::string error;
    EXPECT_FALSE(PlanTexture(image, {}, &plan, &error));
}
