// Pictures over the largest texture: every decoder puts them straight into an area average at
// that size, whatever order its rows come in, and the average keeps what the picture holds.
#include <gtest/gtest.h>

#include <cstring>

#include "gfx/image.h"
#include "gfx/level_writer.h"
#include "tests/gfx/test_images.h"

namespace {

constexpr uint32_t kW = 200, kH = 130, kLargest = 64;

// Red on the left half, blue on the top half, green on a one-pixel checkerboard.
Bytes Halves() {
    Bytes rgba(size_t(kW) * kH * 4);
    for (uint32_t y = 0; y < kH; ++y)
        for (uint32_t x = 0; x < kW; ++x) {
            uint8_t* p = &rgba[(size_t(y) * kW + x) * 4];
            p[0] = x < kW / 2 ? 255 : 0, p[1] = (x + y) % 2 ? 255 : 0, p[2] = y < kH / 2 ? 255 : 0, p[3] = 255;
        }
    return rgba;
}

// Channel value i of a level, 1.0 = full.
float At(const ImageLevel& l, size_t i) {
    return l.IsFloat() ? l.rgbaF[i] : l.rgba8[i] / 255.0f;
}

DecodeLimits Small() {
    DecodeLimits limits;
    limits.maxWidth = limits.maxHeight = kLargest;
    return limits;
}

}  // namespace

TEST(ImageReduce, EveryDecoderAveragesToTheLargestSize) {
    const Bytes rgba = Halves();
    Bytes wide(rgba.size());  // HDR: 1.0 is (128, 128, 128, 129), 0 is all zero
    for (size_t i = 0; i < rgba.size(); i += 4) {
        const bool any = rgba[i] || rgba[i + 1] || rgba[i + 2];
        for (int k = 0; k < 3; ++k) wide[i + k] = rgba[i + k] ? 128 : 0;
        wide[i + 3] = any ? 129 : 0;
    }
    std::vector<float> rgb;
    for (size_t i = 0; i < rgba.size(); i += 4)
        for (int k = 0; k < 3; ++k) rgb.push_back(rgba[i + k] / 255.0f);
    const struct {
        const char* name;
        Bytes file;
    } files[] = {
        {"bmp", MakeBmp(kW, kH, rgba, 24, false)},
        {"bmp top-down", MakeBmp(kW, kH, rgba, 32, true)},
        {"tga rle", MakeTga(kW, kH, rgba, 24, true, false)},
        {"tga top-down", MakeTga(kW, kH, rgba, 32, false, true)},
        {"ppm", MakePpm(kW, kH, rgba, '6')},
        {"ppm 16-bit", MakePpm(kW, kH, rgba, '6', 65535)},
        {"pfm", MakePfm(kW, kH, rgb, true)},
        {"hdr", MakeHdr(kW, kH, wide, true)},
        {"png", MakePng(kW, kH, rgba, 2, 8)},
        {"png 16-bit", MakePng(kW, kH, rgba, 6, 16)},
        {"png interlaced", MakePng(kW, kH, rgba, 2, 8, {}, {}, true)},
        {"png 16-bit interlaced", MakePng(kW, kH, rgba, 2, 16, {}, {}, true)},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        DecodedImage image;
        std::string error;
        ASSERT_TRUE(DecodeImage(f.file.data(), f.file.size(), Small(), &image, &error)) << error;
        const ImageLevel& l = image.levels[0];
        ASSERT_EQ(l.width, kLargest);
        ASSERT_EQ(l.height, kLargest);
        EXPECT_EQ(l.IsFloat(), image.format == D3DFMT_A32B32G32R32F || std::strstr(f.name, "16-bit"));
        double green = 0;
        int wrong = 0;
        for (uint32_t y = 0; y < kLargest; ++y)
            for (uint32_t x = 0; x < kLargest; ++x) {
                const size_t i = (size_t(y) * kLargest + x) * 4;
                const float p[4] = {At(l, i), At(l, i + 1), At(l, i + 2), At(l, i + 3)};
                // The halves end on pixel edges of the reduced picture: each side stays pure.
                wrong += std::abs(p[0] - (x < kLargest / 2 ? 1.0f : 0.0f)) > 1e-5f;
                wrong += std::abs(p[2] - (y < kLargest / 2 ? 1.0f : 0.0f)) > 1e-5f;
                wrong += std::abs(p[3] - 1.0f) > 1e-5f;
                wrong += p[1] < 0.2f || p[1] > 0.8f;  // each covers 3 x 2 source pixels or more
                green += p[1];
            }
        EXPECT_EQ(wrong, 0);
        EXPECT_NEAR(green / (kLargest * kLargest), 0.5, 2e-3);  // the area average keeps the mean
    }
    // At its own size the interlaced file is the same picture as the plain one.
    DecodedImage plain, interlaced;
    std::string error;
    const Bytes a = MakePng(kW, kH, rgba, 2, 8), b = MakePng(kW, kH, rgba, 2, 8, {}, {}, true);
    ASSERT_TRUE(DecodeImage(a.data(), a.size(), DecodeLimits{}, &plain, &error));
    ASSERT_TRUE(DecodeImage(b.data(), b.size(), DecodeLimits{}, &interlaced, &error));
    EXPECT_EQ(plain.levels[0].rgba8, interlaced.levels[0].rgba8);
}

// A run-length bitmap leaves unwritten pixels at palette index 0, reduced or not; a picture of
// more pixels than a reduced one may have is refused from its header.
TEST(ImageReduce, UnwrittenPixelsAndTheLargestSource) {
    Bytes palette = GreyRamp();
    palette[0] = 10, palette[1] = 20, palette[2] = 30;
    // Row 0 (the bottom): two pixels of index 255, then the end of the picture.
    const Bytes bmp = MakeBmpRle8(300, 100, {2, 255, 0, 1}, palette);
    DecodedImage image;
    std::string error;
    ASSERT_TRUE(DecodeImage(bmp.data(), bmp.size(), Small(), &image, &error)) << error;
    const ImageLevel& l = image.levels[0];
    ASSERT_EQ(l.width, kLargest);
    ASSERT_EQ(l.height, kLargest);
    EXPECT_EQ(l.rgba8[0], 10);  // top left: never written
    EXPECT_EQ(l.rgba8[2], 30);
    const uint8_t* corner = &l.rgba8[size_t(kLargest - 1) * kLargest * 4];  // bottom left: part white
    EXPECT_GT(corner[0], 40);
    EXPECT_LT(corner[0], 255);

    Bytes png = MakePng(2, 2, PatternRgba(2, 2), 2, 8);
    SetPngSize(png, 9000, 8000);
    EXPECT_FALSE(DecodeImage(png.data(), png.size(), DecodeLimits{}, &image, &error));
    EXPECT_EQ(error, "image of 9000 x 8000 pixels is more than a reduced picture may have (64 M)");
}
