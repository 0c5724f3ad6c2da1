// What small hostile image files cost: every texture within the device's largest size and the file
// textures' budget, and images over the largest size clamped rather than refused.
#include "gfx/texture_budget.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>

#include "gfx/texture.h"
#include "platform/d3dwindow.h"
#include "tests/common/headless.h"
#include "tests/gfx/test_images.h"

namespace {

class TextureBudgetTest : public testing::Test {
protected:
    void SetUp() override {
        UseHeadlessDevice();
        ASSERT_NE(device, nullptr);
        saved = FileTextureBudget();
    }
    void TearDown() override { FileTextureBudget() = saved; }
    std::string Write(const std::string& name, const Bytes& bytes) {
        const std::string path = dir.File(name);
        EXPECT_TRUE(WriteFileBytes(path, bytes));
        return path;
    }
    // Loads and releases at once; the budget is back where it was afterwards.
    bool LoadsWithinTheBudget(const std::string& path, D3DSURFACE_DESC* desc = nullptr) {
        const uint64_t before = FileTextureBudget().used;
        Texture t;
        const bool ok = t.LoadFromFile(path);
        EXPECT_LE(FileTextureBudget().used, FileTextureBudget().limit);
        if (ok && desc) *desc = t.desc;
        t.Release();
        EXPECT_EQ(FileTextureBudget().used, before);
        return ok;
    }
    TextureBudget saved;
    ScratchDir dir;
};

// The run-length bitmap that declares 8192 x 8192 pixels, all of palette index 0: 64 bytes with
// its palette cut off, or whole (about 1 KB).
Bytes RleBomb(bool whole) {
    Bytes bmp = MakeBmpRle8(1, 1, {0, 1}, GreyRamp());
    uint8_t* info = bmp.data() + 14;
    const uint32_t side = 8192;
    std::memcpy(info + 4, &side, 4);
    std::memcpy(info + 8, &side, 4);
    if (!whole) {
        const uint32_t palette = 0;  // colours used 0: the default 256
        bmp.resize(64, 0);
        std::memcpy(bmp.data() + 14 + 32, &palette, 4);
    }
    return bmp;
}

// A flat HDR of 4096 x 4096 whose scanlines are one pixel and old-style repeats: a few bytes per
// line, 256 MB of floats at its own size.
Bytes FlatHdrBomb() {
    const std::string text = "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 4096 +X 4096\n";
    Bytes hdr(text.begin(), text.end());
    for (int y = 0; y < 4096; ++y) hdr.insert(hdr.end(), {100, 50, 20, 130, 1, 1, 1, 255, 1, 1, 1, 15});
    return hdr;
}

}  // namespace

// Small files of great pictures load clamped, decoded straight to the largest texture size.
TEST_F(TextureBudgetTest, SmallHostileFilesFailOrLoadWithinTheBudget) {
    EXPECT_FALSE(LoadsWithinTheBudget(Write("bomb.bmp", RleBomb(false))));
    D3DSURFACE_DESC desc{};
    ASSERT_TRUE(LoadsWithinTheBudget(Write("whole.bmp", RleBomb(true)), &desc));
    EXPECT_EQ(desc.Width, 2048u);
    EXPECT_EQ(desc.Height, 2048u);
    ASSERT_TRUE(LoadsWithinTheBudget(Write("flat.hdr", FlatHdrBomb()), &desc));
    EXPECT_EQ(desc.Width, 2048u);
    Bytes colour(size_t(4096) * 4096 * 4);  // one colour: 64 MB of pixels in a file of 70 KB
    for (size_t i = 0; i < colour.size(); i += 4) colour[i] = 200, colour[i + 1] = 100, colour[i + 2] = 50;
    const Bytes large = MakePng(4096, 4096, colour, 2, 8);
    colour = {};
    EXPECT_LT(large.size(), 100000u);
    Texture t;
    ASSERT_TRUE(t.LoadFromFile(Write("colour.png", large)));
    EXPECT_EQ(t.desc.Width, 2048u);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(t.texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    const uint8_t* texel = static_cast<const uint8_t*>(locked.pBits) + 1000 * locked.Pitch + 4 * 1000;  // B, G, R
    EXPECT_EQ(texel[0], 50);
    EXPECT_EQ(texel[1], 100);
    EXPECT_EQ(texel[2], 200);
    t.texture->UnlockRect(0);
    t.Release();
    Bytes png = MakePng(2, 2, PatternRgba(2, 2), 2, 8);
    SetPngSize(png, 30000, 30000);  // more pixels than a reduced picture may have
    EXPECT_FALSE(LoadsWithinTheBudget(Write("big.png", png)));
    // Not regular files: refused before anything is read, a FIFO without blocking.
    const std::string fifo = dir.File("fifo.png");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(LoadsWithinTheBudget(fifo));
    EXPECT_FALSE(LoadsWithinTheBudget("/dev/zero"));
    EXPECT_FALSE(LoadsWithinTheBudget(dir.path));
}

// Each side over the device's largest texture is clamped to it; the other keeps its own size. The
// texels are the picture's: a left half red and a right half blue stay so.
TEST_F(TextureBudgetTest, ImagesLargerThanTheLargestTextureAreClamped) {
    D3DCAPS9 caps{};
    ASSERT_EQ(device->GetDeviceCaps(&caps), D3D_OK);
    EXPECT_GE(caps.MaxTextureWidth, 2048u);
    EXPECT_LE(caps.MaxTextureWidth, 8192u);  // what Direct3D 9 hardware reported
    Bytes halves(9000 * 2 * 4);
    for (size_t i = 0; i < 9000 * 2; ++i) {
        uint8_t* p = &halves[i * 4];
        p[0] = i % 9000 < 4500 ? 255 : 0, p[1] = 0, p[2] = 255 - p[0], p[3] = 255;
    }
    for (const auto& [name, file] : {std::pair{"wide.png", MakePng(9000, 2, halves, 2, 8)},
                                     std::pair{"wide.bmp", MakeBmp(9000, 2, halves, 24, false)},
                                     std::pair{"wide.tga", MakeTga(9000, 2, halves, 24, true, false)}}) {
        SCOPED_TRACE(name);
        Texture t;
        ASSERT_TRUE(t.LoadFromFile(Write(name, file)));
        EXPECT_EQ(t.desc.Width, caps.MaxTextureWidth);
        EXPECT_EQ(t.desc.Height, 2u);
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(t.texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        const uint8_t* row = static_cast<const uint8_t*>(locked.pBits) + locked.Pitch;  // B, G, R, A
        EXPECT_EQ(row[2], 255);
        EXPECT_EQ(row[0], 0);
        EXPECT_EQ(row[(t.desc.Width - 1) * 4 + 2], 0);
        EXPECT_EQ(row[(t.desc.Width - 1) * 4], 255);
        t.texture->UnlockRect(0);
        t.Release();
    }
    // A JPEG over the largest size decodes straight to it.
    D3DSURFACE_DESC desc{};
    ASSERT_TRUE(LoadsWithinTheBudget(Write("tall.jpg", MakeJpeg(4, 9000, PatternRgba(4, 9000), false, true)), &desc));
    EXPECT_EQ(desc.Width, 4u);
    EXPECT_EQ(desc.Height, caps.MaxTextureHeight);
}

// All file textures share one budget. One file under two spellings is two textures, both paid for;
// a texture that would pass the budget fails like any unloadable one, and releasing gives back.
TEST_F(TextureBudgetTest, FileTexturesShareOneBudget) {
    const std::string path = Write("b.png", MakePng(256, 256, PatternRgba(256, 256), 2, 8));
    const uint64_t one =
        256 * 256 * 4 + 128 * 128 * 4 + 64 * 64 * 4 + 32 * 32 * 4 + 16 * 16 * 4 + 8 * 8 * 4 + 4 * 4 * 4 + 2 * 2 * 4 + 4;
    FileTextureBudget() = TextureBudget{};
    FileTextureBudget().limit = 2 * one + one / 2;
    TextureRegistry registry;
    const std::string elsewhere = dir.path + "/./b.png";
    ASSERT_NE(registry.GetOrLoad(path), nullptr);
    EXPECT_EQ(registry.GetOrLoad(path), registry.GetOrLoad(path));  // the same name is one texture
    EXPECT_EQ(FileTextureBudget().used, one);
    ASSERT_NE(registry.GetOrLoad(elsewhere), nullptr);
    EXPECT_EQ(FileTextureBudget().used, 2 * one);
    EXPECT_EQ(registry.GetOrLoad(dir.path + "//b.png"), nullptr);  // a third would pass the budget
    EXPECT_EQ(registry.Size(), 2u);
    registry.ReleaseAll();
    EXPECT_EQ(FileTextureBudget().used, 0u);
    EXPECT_NE(registry.GetOrLoad(dir.path + "//b.png"), nullptr);
    registry.ReleaseAll();
}
