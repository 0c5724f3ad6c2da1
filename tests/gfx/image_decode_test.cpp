// Decoders: recognition by content, pixels, and the pixel format each kind of file asks for.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>

#include "gfx/image.h"
#include "tests/gfx/test_images.h"

namespace {

constexpr uint32_t DDPF_ALPHAPIXELS = 0x1, DDPF_FOURCC = 0x4, DDPF_RGB = 0x40, DDPF_LUMINANCE = 0x20000;

DecodedImage Decode(const Bytes& file) {
    DecodedImage image;
    std::string error;
    EXPECT_TRUE(DecodeImage(file.data(), file.size(), DecodeLimits{}, &image, &error)) << error;
    return image;
}

Bytes Opaque(Bytes rgba) {
    for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
    return rgba;
}

Bytes Indices(uint32_t w, uint32_t h, uint32_t count) {
    Bytes idx(size_t(w) * h);
    for (size_t i = 0; i < idx.size(); ++i) idx[i] = uint8_t((i * 7) % count);
    return idx;
}

Bytes DdsBgra(const Bytes& rgba, bool alpha) {
    Bytes b;
    for (size_t i = 0; i < rgba.size(); i += 4)
        b.insert(b.end(), {rgba[i + 2], rgba[i + 1], rgba[i], alpha ? rgba[i + 3] : uint8_t(0)});
    return b;
}

}  // namespace

// Every lossless kind decodes to the same pixels, row 0 at the top, with the format it implies.
TEST(ImageDecode, LosslessFormatsGiveTheSourcePixels) {
    const uint32_t w = 5, h = 3;  // odd width: row padding in BMP
    const Bytes px = PatternRgba(w, h), opaque = Opaque(px);
    Bytes ddsA = DdsHeader(w, h, 1, DDPF_RGB | DDPF_ALPHAPIXELS, 0, 32, 0xff0000, 0xff00, 0xff, 0xff000000);
    Bytes ddsX = DdsHeader(w, h, 1, DDPF_RGB, 0, 32, 0xff0000, 0xff00, 0xff, 0);
    const Bytes a = DdsBgra(px, true), x = DdsBgra(px, false);
    ddsA.insert(ddsA.end(), a.begin(), a.end());
    ddsX.insert(ddsX.end(), x.begin(), x.end());
    struct Case {
        const char* name;
        Bytes file;
        ImageType type;
        D3DFORMAT format;
        const Bytes& expect;
    } cases[] = {
        {"bmp24 bottom-up", MakeBmp(w, h, px, 24, false), ImageType::Bmp, D3DFMT_X8R8G8B8, opaque},
        {"bmp24 top-down", MakeBmp(w, h, px, 24, true), ImageType::Bmp, D3DFMT_X8R8G8B8, opaque},
        {"bmp32 alpha mask", MakeBmp(w, h, px, 32, false), ImageType::Bmp, D3DFMT_A8R8G8B8, px},
        {"dib24", MakeBmp(w, h, px, 24, false, false), ImageType::Dib, D3DFMT_X8R8G8B8, opaque},
        {"dib32 top-down", MakeBmp(w, h, px, 32, true, false), ImageType::Dib, D3DFMT_A8R8G8B8, px},
        {"ppm binary", MakePpm(w, h, px, '6'), ImageType::Ppm, D3DFMT_X8R8G8B8, opaque},
        {"ppm ascii", MakePpm(w, h, px, '3'), ImageType::Ppm, D3DFMT_X8R8G8B8, opaque},
        {"tga24 raw bottom-up", MakeTga(w, h, px, 24, false, false), ImageType::Tga, D3DFMT_X8R8G8B8, opaque},
        {"tga32 rle top-down", MakeTga(w, h, px, 32, true, true), ImageType::Tga, D3DFMT_A8R8G8B8, px},
        {"png rgb", MakePng(w, h, px, 2, 8), ImageType::Png, D3DFMT_X8R8G8B8, opaque},
        {"png rgba", MakePng(w, h, px, 6, 8), ImageType::Png, D3DFMT_A8R8G8B8, px},
        {"dds a8r8g8b8", ddsA, ImageType::Dds, D3DFMT_A8R8G8B8, px},
        {"dds x8r8g8b8", ddsX, ImageType::Dds, D3DFMT_X8R8G8B8, opaque},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ImageType type;
        ASSERT_TRUE(RecogniseImage(c.file.data(), c.file.size(), &type));
        EXPECT_EQ(type, c.type);
        const DecodedImage image = Decode(c.file);
        ASSERT_EQ(image.levels.size(), 1u);
        EXPECT_EQ(image.levels[0].width, w);
        EXPECT_EQ(image.levels[0].height, h);
        EXPECT_EQ(image.format, c.format);
        EXPECT_EQ(image.levels[0].rgba8, c.expect);
    }
}

// RLE8: runs, end of line, an absolute span with its pad byte, a delta, end of bitmap.
TEST(ImageDecode, BmpRunLength) {
    const Bytes stream = {4, 5, 0, 0, 0, 3, 1, 2, 3, 0, 1, 9, 0, 0, 0, 2, 2, 0, 2, 7, 0, 1};
    const DecodedImage image = Decode(MakeBmpRle8(4, 3, stream, GreyRamp()));
    Bytes firstChannel;
    for (size_t i = 0; i < image.levels[0].rgba8.size(); i += 4) firstChannel.push_back(image.levels[0].rgba8[i]);
    // Rows top first: the bottom row was written first.
    EXPECT_EQ(firstChannel, (Bytes{0, 0, 7, 7, 1, 2, 3, 9, 5, 5, 5, 5}));
}

// A TGA whose runs cross rows and a PBM-free run of equal pixels still land where they belong.
TEST(ImageDecode, TgaRunsMayCrossRows) {
    Bytes px(4 * 3 * 4, 0);
    for (size_t i = 0; i < px.size(); i += 4) px[i] = 200, px[i + 3] = 255;  // one colour: one run of 12
    const DecodedImage image = Decode(MakeTga(4, 3, px, 24, true, false));
    EXPECT_EQ(image.levels[0].rgba8, px);
}

// Palettes: the exact 256-step grey ramp gives L8, any other opaque palette X8R8G8B8, a palette
// entry below full alpha A8R8G8B8. Grey images without a palette count as the ramp.
TEST(ImageDecode, PaletteAndGreyFormats) {
    const uint32_t w = 16, h = 16;
    const Bytes ramp = GreyRamp();
    Bytes almostRamp(ramp.begin(), ramp.end() - 4);  // 255 entries
    Bytes colours = ramp;
    colours[40 * 4] = 1;  // one entry off grey
    Bytes withAlpha = ramp;
    withAlpha[9 * 4 + 3] = 128;
    const Bytes idx = Indices(w, h, 255), px = PatternRgba(w, h);
    struct Case {
        const char* name;
        Bytes file;
        D3DFORMAT format;
    } cases[] = {
        {"bmp grey ramp", MakeBmpPalette(w, h, idx, ramp), D3DFMT_L8},
        {"bmp 255 greys", MakeBmpPalette(w, h, idx, almostRamp), D3DFMT_X8R8G8B8},
        {"bmp colour palette", MakeBmpPalette(w, h, idx, colours), D3DFMT_X8R8G8B8},
        {"png grey ramp", MakePng(w, h, px, 3, 8, ramp, idx), D3DFMT_L8},
        {"png colour palette", MakePng(w, h, px, 3, 8, colours, idx), D3DFMT_X8R8G8B8},
        {"png palette alpha", MakePng(w, h, px, 3, 8, withAlpha, idx), D3DFMT_A8R8G8B8},
        {"tga grey ramp", MakeTgaMapped(w, h, idx, ramp, false), D3DFMT_L8},
        {"tga palette alpha", MakeTgaMapped(w, h, idx, withAlpha, true), D3DFMT_A8R8G8B8},
        {"png grey", MakePng(w, h, px, 0, 8), D3DFMT_L8},
        {"png grey alpha", MakePng(w, h, px, 4, 8), D3DFMT_A8R8G8B8},
        {"pgm", MakePpm(w, h, px, '5'), D3DFMT_L8},
        {"jpeg grey", MakeJpeg(w, h, px, true, false), D3DFMT_L8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DecodedImage image = Decode(c.file);
        EXPECT_EQ(image.format, c.format);
    }
    // The palette is expanded: index i shows entry i.
    const DecodedImage bmp = Decode(MakeBmpPalette(w, h, idx, colours));
    for (size_t i = 0; i < idx.size(); ++i) ASSERT_EQ(bmp.levels[0].rgba8[i * 4], colours[idx[i] * 4]) << i;
}

// PFM: either byte order, rows stored bottom-up, grey replicated.
TEST(ImageDecode, PfmByteOrderAndRowOrder) {
    const std::vector<float> rgb = {0.25f, 0.5f, 2.0f, -1.0f, 0.0f, 1e-3f};  // 1x2: top, bottom
    for (bool little : {true, false}) {
        SCOPED_TRACE(little ? "little-endian" : "big-endian");
        const DecodedImage image = Decode(MakePfm(1, 2, rgb, little));
        EXPECT_EQ(image.type, ImageType::Pfm);
        EXPECT_EQ(image.format, D3DFMT_A32B32G32R32F);
        const std::vector<float> expect = {0.25f, 0.5f, 2.0f, 1.0f, -1.0f, 0.0f, 1e-3f, 1.0f};
        EXPECT_EQ(image.levels[0].rgbaF, expect);
    }
    const DecodedImage grey = Decode(MakePfm(1, 2, {0.75f, 0, 0, 0.125f, 0, 0}, true, true));
    EXPECT_EQ(grey.levels[0].rgbaF, (std::vector<float>{0.75f, 0.75f, 0.75f, 1, 0.125f, 0.125f, 0.125f, 1}));
}

// Radiance: flat and run-length scanlines decode alike; value = mantissa * 2^(e - 136).
TEST(ImageDecode, HdrFlatAndRunLength) {
    const uint32_t w = 12, h = 2;
    Bytes rgbe;
    for (uint32_t i = 0; i < w * h; ++i)
        rgbe.insert(rgbe.end(), {uint8_t(i < 8 ? 128 : 64 + i), 32, 0, uint8_t(129 + i % 2)});
    const DecodedImage flat = Decode(MakeHdr(w, h, rgbe, false));
    const DecodedImage rle = Decode(MakeHdr(w, h, rgbe, true));
    EXPECT_EQ(flat.type, ImageType::Hdr);
    EXPECT_EQ(flat.levels[0].rgbaF, rle.levels[0].rgbaF);
    EXPECT_FLOAT_EQ(flat.levels[0].rgbaF[0], 128.0f / 128.0f);  // e = 129: 2^-7
    EXPECT_FLOAT_EQ(flat.levels[0].rgbaF[1], 32.0f / 128.0f);
    EXPECT_FLOAT_EQ(flat.levels[0].rgbaF[4], 128.0f / 64.0f);  // e = 130
}

// 16-bit sources keep their precision as floats.
TEST(ImageDecode, SixteenBitSourcesBecomeFloats) {
    const Bytes px = PatternRgba(4, 4);
    const DecodedImage png = Decode(MakePng(4, 4, px, 6, 16));
    ASSERT_TRUE(png.levels[0].IsFloat());
    EXPECT_EQ(png.format, D3DFMT_A8R8G8B8);
    for (size_t i = 0; i < px.size(); ++i) ASSERT_FLOAT_EQ(png.levels[0].rgbaF[i], px[i] * 257.0f / 65535.0f);
    const DecodedImage ppm = Decode(MakePpm(4, 4, px, '6', 65535));
    ASSERT_TRUE(ppm.levels[0].IsFloat());
    EXPECT_NEAR(ppm.levels[0].rgbaF[4], px[4] / 255.0f, 1e-4);
}

// JPEG, baseline and progressive, lossy but close on a smooth picture; named by content alone.
TEST(ImageDecode, JpegBaselineAndProgressive) {
    const uint32_t w = 24, h = 16;
    Bytes px(size_t(w) * h * 4);
    for (uint32_t i = 0; i < w * h; ++i)
        px[i * 4] = uint8_t(i % w * 10), px[i * 4 + 1] = uint8_t(i / w * 15), px[i * 4 + 2] = 90, px[i * 4 + 3] = 255;
    for (bool progressive : {false, true}) {
        const DecodedImage image = Decode(MakeJpeg(w, h, px, false, progressive));
        EXPECT_EQ(image.type, ImageType::Jpeg);
        EXPECT_EQ(image.format, D3DFMT_X8R8G8B8);
        int worst = 0;
        for (size_t i = 0; i < px.size(); ++i) worst = std::max(worst, std::abs(int(px[i]) - image.levels[0].rgba8[i]));
        EXPECT_LE(worst, 12);
    }
}

// DDS: the levels the file carries, DXT blocks, 16-bit and luminance layouts.
TEST(ImageDecode, DdsLevelsBlocksAndLayouts) {
    // Three carried levels of A8R8G8B8, each a flat colour of its own.
    Bytes mips = DdsHeader(4, 4, 3, DDPF_RGB | DDPF_ALPHAPIXELS, 0, 32, 0xff0000, 0xff00, 0xff, 0xff000000);
    for (uint32_t level = 0, n = 16; level < 3; ++level, n /= 4)
        for (uint32_t i = 0; i < n; ++i) mips.insert(mips.end(), {uint8_t(level * 50), 0, 0, 255});
    const DecodedImage carried = Decode(mips);
    ASSERT_EQ(carried.levels.size(), 3u);
    EXPECT_EQ(carried.levels[2].width, 1u);
    EXPECT_EQ(carried.levels[2].rgba8, (Bytes{0, 0, 100, 255}));

    // DXT1: c0 red > c1 blue gives 4 opaque colours; indices 0,1,2,3 along the first row.
    Bytes dxt1 = DdsHeader(4, 4, 1, DDPF_FOURCC, 0x31545844, 0, 0, 0, 0, 0);
    dxt1.insert(dxt1.end(), {0x00, 0xf8, 0x1f, 0x00, 0xe4, 0, 0, 0});
    const DecodedImage d1 = Decode(dxt1);
    EXPECT_EQ(d1.format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(Bytes(d1.levels[0].rgba8.begin(), d1.levels[0].rgba8.begin() + 16),
              (Bytes{255, 0, 0, 255, 0, 0, 255, 255, 170, 0, 85, 255, 85, 0, 170, 255}));
    // DXT1 with c0 <= c1: index 3 is transparent black.
    Bytes dxt1a = DdsHeader(4, 4, 1, DDPF_FOURCC, 0x31545844, 0, 0, 0, 0, 0);
    dxt1a.insert(dxt1a.end(), {0x1f, 0x00, 0x00, 0xf8, 0xff, 0xff, 0xff, 0xff});
    const DecodedImage d1a = Decode(dxt1a);
    EXPECT_EQ(Bytes(d1a.levels[0].rgba8.begin(), d1a.levels[0].rgba8.begin() + 4), (Bytes{0, 0, 0, 0}));
    // DXT5: alpha endpoints 255 and 0, index 1 everywhere gives alpha 0; colour white.
    Bytes dxt5 = DdsHeader(4, 4, 1, DDPF_FOURCC, 0x35545844, 0, 0, 0, 0, 0);
    dxt5.insert(dxt5.end(), {255, 0, 0x49, 0x92, 0x24, 0x49, 0x92, 0x24, 0xff, 0xff, 0xff, 0xff, 0, 0, 0, 0});
    const DecodedImage d5 = Decode(dxt5);
    EXPECT_EQ(Bytes(d5.levels[0].rgba8.begin(), d5.levels[0].rgba8.begin() + 4), (Bytes{255, 255, 255, 0}));
    // R5G6B5 and L8.
    Bytes r565 = DdsHeader(1, 1, 1, DDPF_RGB, 0, 16, 0xf800, 0x07e0, 0x001f, 0);
    r565.insert(r565.end(), {0xe0, 0x07});  // pure green
    const DecodedImage g = Decode(r565);
    EXPECT_EQ(g.format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(g.levels[0].rgba8, (Bytes{0, 255, 0, 255}));
    Bytes l8 = DdsHeader(2, 1, 1, DDPF_LUMINANCE, 0, 8, 0xff, 0, 0, 0);
    l8.insert(l8.end(), {7, 200});
    const DecodedImage lum = Decode(l8);
    EXPECT_EQ(lum.format, D3DFMT_L8);
    EXPECT_EQ(lum.levels[0].rgba8, (Bytes{7, 7, 7, 255, 200, 200, 200, 255}));
}

// Numbers in text headers read the same under any locale, and the caller's locale comes back.
TEST(ImageDecode, NumericLocaleIsRestored) {
    const char* before = std::setlocale(LC_NUMERIC, "C.UTF-8");
    if (!before) GTEST_SKIP() << "no second locale installed";
    const std::string expected = std::setlocale(LC_NUMERIC, nullptr);
    const DecodedImage image = Decode(MakePfm(1, 1, {0.5f, 0.5f, 0.5f}, true));
    EXPECT_EQ(image.levels.size(), 1u);
    EXPECT_EQ(std::string(std::setlocale(LC_NUMERIC, nullptr)), expected);
    std::setlocale(LC_NUMERIC, "C");
}
