// Loading straight into the texture: a picture already of the texture's size and format is decoded
// into its locked level 0 and the levels below are made in the texture's own memory. Every level
// must hold exactly what decoding into memory and filling the levels from there makes.
#include <gtest/gtest.h>

#include "gfx/image.h"
#include "gfx/texture_loader.h"
#include "platform/d3dwindow.h"
#include "tests/common/headless.h"
#include "tests/gfx/test_images.h"
#include "tests/gfx/texture_levels.h"

namespace {

class TextureInPlaceTest : public testing::Test {
protected:
    void SetUp() override {
        UseHeadlessDevice();
        ASSERT_NE(device, nullptr);
    }
};

// The levels by the path through memory: plain decode, plan, fill.
std::vector<Bytes> LevelsThroughMemory(const Bytes& file, D3DFORMAT* format) {
    DecodedImage image;
    TexturePlan plan;
    std::string error;
    std::vector<Bytes> levels;
    EXPECT_TRUE(DecodeImage(file.data(), file.size(), DecodeLimits{}, &image, &error)) << error;
    EXPECT_FALSE(image.placed);
    EXPECT_TRUE(PlanTexture(image, QueryTextureCaps(device), &plan, &error)) << error;
    *format = plan.format;
    const uint32_t bpp = plan.format == D3DFMT_L8 ? 1 : plan.format == D3DFMT_A32B32G32R32F ? 16 : 4;
    FillTextureLevels(image, plan, [&](uint32_t, uint32_t w, uint32_t h, const uint8_t* p) {
        levels.emplace_back(p, p + size_t(w) * h * bpp);
        return true;
    });
    return levels;
}

}  // namespace

// Every PNG colour type the loader writes in place (and two it does not: 16-bit and a size that
// is not a power of two), and colour, grey and progressive JPEG.
TEST_F(TextureInPlaceTest, EveryLevelAsThroughMemory) {
    Bytes palette = PatternRgba(16, 1), opaque = palette, indices;
    for (size_t i = 0; i < 16; ++i) opaque[i * 4 + 3] = 255;
    palette[7] = 40;  // one entry with alpha: A8R8G8B8
    for (int i = 0; i < 16 * 8; ++i) indices.push_back(uint8_t((i * 7) % 16));
    Bytes ramp;  // indices into the grey ramp: an L8 texture
    for (int i = 0; i < 16 * 8; ++i) ramp.push_back(uint8_t(i * 2));
    Bytes greyRgba = PatternRgba(16, 8);
    struct Case {
        const char* name;
        Bytes file;
        D3DFORMAT format;
    } cases[] = {
        {"png rgb", MakePng(16, 8, PatternRgba(16, 8), 2, 8), D3DFMT_X8R8G8B8},
        {"png rgba", MakePng(16, 8, PatternRgba(16, 8), 6, 8), D3DFMT_A8R8G8B8},
        {"png grey", MakePng(16, 8, greyRgba, 0, 8), D3DFMT_L8},
        {"png grey alpha", MakePng(16, 8, PatternRgba(16, 8), 4, 8), D3DFMT_A8R8G8B8},
        {"png palette", MakePng(16, 8, {}, 3, 8, opaque, indices), D3DFMT_X8R8G8B8},
        {"png palette alpha", MakePng(16, 8, {}, 3, 8, palette, indices), D3DFMT_A8R8G8B8},
        {"png grey ramp", MakePng(16, 8, {}, 3, 8, GreyRamp(), ramp), D3DFMT_L8},
        {"png 16-bit", MakePng(16, 8, PatternRgba(16, 8), 2, 16), D3DFMT_X8R8G8B8},
        {"png 12x6", MakePng(12, 6, PatternRgba(12, 6), 6, 8), D3DFMT_A8R8G8B8},
        {"jpeg", MakeJpeg(32, 16, PatternRgba(32, 16), false, false), D3DFMT_X8R8G8B8},
        {"jpeg grey", MakeJpeg(16, 16, PatternRgba(16, 16), true, false), D3DFMT_L8},
        {"jpeg progressive", MakeJpeg(64, 32, PatternRgba(64, 32), false, true), D3DFMT_X8R8G8B8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        D3DFORMAT format = D3DFMT_UNKNOWN;
        const std::vector<Bytes> expected = LevelsThroughMemory(c.file, &format);
        EXPECT_EQ(format, c.format);

        // Into a caller's rows with a pitch wider than the row: level 0 exactly, the padding untouched.
        const bool inPlace = c.name != std::string("png 16-bit");  // floats go through memory
        Bytes rows;
        size_t rowBytes = 0;
        DecodedImage image;
        std::string error;
        ASSERT_TRUE(DecodeImage(c.file.data(), c.file.size(), DecodeLimits{}, &image, &error,
                                [&](uint32_t w, uint32_t h, D3DFORMAT f, size_t* pitch) -> uint8_t* {
                                    EXPECT_EQ(f, c.format);
                                    rowBytes = size_t(w) * (f == D3DFMT_L8 ? 1 : 4);
                                    *pitch = rowBytes + 3;
                                    rows.assign(*pitch * h, 0xAB);
                                    return rows.data();
                                }))
            << error;
        EXPECT_EQ(image.placed, inPlace);
        if (inPlace && rows.size() / (rowBytes + 3) * rowBytes == expected[0].size()) {  // not 12x6
            Bytes level0;
            for (size_t y = 0; y < rows.size() / (rowBytes + 3); ++y) {
                const auto row = rows.begin() + std::ptrdiff_t(y * (rowBytes + 3));
                level0.insert(level0.end(), row, row + std::ptrdiff_t(rowBytes));
                EXPECT_EQ(Bytes(row + std::ptrdiff_t(rowBytes), row + std::ptrdiff_t(rowBytes + 3)), Bytes(3, 0xAB));
            }
            EXPECT_EQ(level0, expected[0]);
        }
        IDirect3DTexture9* texture = nullptr;
        TextureFileInfo info;
        TextureBudget budget;
        ASSERT_EQ(CreateTextureFromMemory(device, c.file.data(), c.file.size(), &texture, &info, &error, &budget),
                  D3D_OK)
            << error;
        EXPECT_EQ(budget.used, info.textureBytes);
        EXPECT_EQ(LevelsOfTexture(texture), expected);
        texture->Release();
    }
}

// A file that fails after its header, when the texture already exists and the decoder is writing
// into it: the load fails as any damaged file does, and gives back what it took from the budget.
TEST_F(TextureInPlaceTest, DamageAfterTheHeaderGivesEverythingBack) {
    Bytes png = MakePng(64, 64, PatternRgba(64, 64), 2, 8), jpeg = MakeJpeg(64, 64, PatternRgba(64, 64), false, false);
    png.resize(png.size() * 2 / 3);
    jpeg.resize(jpeg.size() * 2 / 3);
    for (const Bytes* file : {&png, &jpeg}) {
        IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(1);
        TextureBudget budget;
        std::string error;
        EXPECT_EQ(CreateTextureFromMemory(device, file->data(), file->size(), &texture, nullptr, &error, &budget),
                  D3DERR_INVALIDCALL);
        EXPECT_EQ(texture, nullptr);
        EXPECT_EQ(budget.used, 0u);
        EXPECT_NE(error.find("truncated"), std::string::npos) << error;
    }
}
