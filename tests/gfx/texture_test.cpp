// Texture records on the headless device: file loading, render targets, the registries.
#include "gfx/texture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "gfx/texture_loader.h"
#include "platform/d3dwindow.h"
#include "tests/common/headless.h"
#include "tests/gfx/test_images.h"

namespace {

class TextureTest : public testing::Test {
protected:
    void SetUp() override {
        UseHeadlessDevice();
        ASSERT_NE(device, nullptr);
    }
    ScratchDir dir;
    std::string Write(const std::string& name, const Bytes& bytes) {
        const std::string path = dir.File(name);
        EXPECT_TRUE(WriteFileBytes(path, bytes));
        return path;
    }
};

}  // namespace

// The record holds the power-of-two texture, its level-0 surface and description.
TEST_F(TextureTest, LoadFromFileFillsTheRecord) {
    Texture t;
    ASSERT_TRUE(t.LoadFromFile(Write("wide.png", MakePng(640, 480, PatternRgba(640, 480), 2, 8))));
    ASSERT_NE(t.texture, nullptr);
    ASSERT_NE(t.surface, nullptr);
    EXPECT_EQ(t.desc.Width, 1024u);
    EXPECT_EQ(t.desc.Height, 512u);
    EXPECT_EQ(t.desc.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(t.desc.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(t.texture->GetLevelCount(), 11u);
    t.Release();
    EXPECT_EQ(t.texture, nullptr);
    EXPECT_EQ(t.surface, nullptr);
}

// The content decides the type, not the name; the texture's levels hold the filtered pixels.
TEST_F(TextureTest, TypeFromContentAndLevelsInTheTexture) {
    IDirect3DTexture9* tex = nullptr;
    TextureFileInfo info;
    std::string error;
    const std::string jpeg = Write("x.png", MakeJpeg(300, 200, PatternRgba(300, 200), false, false));
    ASSERT_EQ(CreateTextureFromFile(device, jpeg.c_str(), &tex, &info, &error), D3D_OK) << error;
    EXPECT_EQ(info.type, ImageType::Jpeg);
    EXPECT_EQ(info.imageWidth, 300u);
    D3DSURFACE_DESC desc{};
    tex->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 512u);
    EXPECT_EQ(desc.Height, 256u);
    tex->Release();

    // A 4x4 grey picture: L8 and a last level that is the box average of the box averages.
    Bytes rgba;
    for (uint8_t v : {0, 10, 100, 100, 20, 31, 100, 101, 255, 255, 1, 2, 255, 255, 3, 4})
        rgba.insert(rgba.end(), {v, v, v, 255});
    const std::string grey = Write("grey.png", MakePng(4, 4, rgba, 0, 8));
    ASSERT_EQ(D3DXCreateTextureFromFileA(device, grey.c_str(), &tex), D3D_OK);
    ASSERT_EQ(tex->GetLevelCount(), 3u);
    tex->GetLevelDesc(2, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_L8);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(tex->LockRect(2, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(static_cast<const uint8_t*>(locked.pBits)[0], 93);
    tex->UnlockRect(2);
    tex->Release();

    EXPECT_NE(D3DXCreateTextureFromFileA(device, dir.File("missing.png").c_str(), &tex), D3D_OK);
    EXPECT_EQ(tex, nullptr);
}

// One record per exact byte string; a repeat does not read the file again.
TEST_F(TextureTest, RegistryIdentityAndCaseSensitiveNames) {
    TextureRegistry registry;
    const Bytes png = MakePng(8, 8, PatternRgba(8, 8), 6, 8);
    std::filesystem::create_directory(dir.File("Data"));
    std::filesystem::create_directory(dir.File("data"));
    const std::string a = Write("data/a.png", png), b = Write("Data/a.png", png);
    Texture* first = registry.GetOrLoad(a);
    ASSERT_NE(first, nullptr);
    std::filesystem::remove(a);  // gone from disk: the repeat must come from the registry
    EXPECT_EQ(registry.GetOrLoad(a), first);
    Texture* other = registry.GetOrLoad(b);
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other, first);
    EXPECT_EQ(registry.Size(), 2u);
    EXPECT_EQ(registry.Names(), (std::deque<std::string>{a, b}));
}

// A failed request leaves nothing behind; the next request for the name tries again.
TEST_F(TextureTest, FailedLoadsAreNotRemembered) {
    TextureRegistry registry;
    const std::string path = dir.File("later.bmp");
    EXPECT_EQ(registry.GetOrLoad(path), nullptr);
    Write("later.bmp", Bytes{'B', 'M', 0, 0});  // damaged
    EXPECT_EQ(registry.GetOrLoad(path), nullptr);
    EXPECT_EQ(registry.Size(), 0u);
    EXPECT_TRUE(registry.Names().empty());
    Write("later.bmp", MakeBmp(3, 3, PatternRgba(3, 3), 24, false));
    Texture* t = registry.GetOrLoad(path);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->desc.Width, 4u);
    EXPECT_EQ(registry.Names().size(), 1u);
}

// Render targets: 512x512 A8R8G8B8 in device memory; a repeated name keeps the first size.
TEST_F(TextureTest, RenderTargets) {
    TextureRegistry registry;
    Texture* target = registry.GetOrCreateRenderTarget("render_target", 512, 512);
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->desc.Width, 512u);
    EXPECT_EQ(target->desc.Height, 512u);
    EXPECT_EQ(target->desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(target->desc.Usage, D3DUSAGE_RENDERTARGET);
    EXPECT_EQ(target->desc.Pool, D3DPOOL_DEFAULT);
    EXPECT_EQ(target->texture->GetLevelCount(), 1u);
    EXPECT_EQ(registry.GetOrCreateRenderTarget("render_target", 256, 256), target);
    EXPECT_EQ(target->desc.Width, 512u);
    EXPECT_EQ(registry.GetOrCreateRenderTarget("nothing", 0, 512), nullptr);
    EXPECT_EQ(registry.Size(), 1u);

    // Clearing the bound target is silent; without a device it reports on the console.
    IDirect3DSurface9* backBuffer = nullptr;
    device->GetRenderTarget(0, &backBuffer);
    device->SetRenderTarget(0, target->surface);
    testing::internal::CaptureStdout();
    target->ClearTarget();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    device->SetRenderTarget(0, backBuffer);
    backBuffer->Release();
    IDirect3DDevice9* saved = device;
    device = nullptr;
    testing::internal::CaptureStdout();
    target->ClearTarget();
    device = saved;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "clear failed\n");
}

// Teardown releases newest first, and nothing when nothing was made.
TEST_F(TextureTest, ReleaseAllNewestFirst) {
    std::vector<std::string> released;
    TextureRegistry empty;
    empty.onRelease = [&](const std::string& name) { released.push_back(name); };
    empty.ReleaseAll();
    EXPECT_TRUE(released.empty());

    TextureRegistry targets;
    targets.onRelease = [&](const std::string& name) { released.push_back(name); };
    ASSERT_NE(targets.GetOrCreateRenderTarget("render_target", 512, 512), nullptr);
    ASSERT_NE(targets.GetOrCreateRenderTarget("parken", 512, 512), nullptr);
    const std::string p1 = Write("1.png", MakePng(2, 2, PatternRgba(2, 2), 2, 8));
    const std::string p2 = Write("2.tga", MakeTga(2, 2, PatternRgba(2, 2), 24, false, false));
    ASSERT_NE(targets.GetOrLoad(p2), nullptr);
    ASSERT_NE(targets.GetOrLoad(p1), nullptr);
    targets.ReleaseAll();
    EXPECT_EQ(released, (std::vector<std::string>{p1, p2, "parken", "render_target"}));
    EXPECT_EQ(targets.Size(), 0u);
    EXPECT_TRUE(targets.Names().empty());
}
