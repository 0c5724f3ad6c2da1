// Textures prepared on the prefetch worker: each is the texture the loader makes from the file,
// level for level, and one prepared on other limits or a smaller budget is refused so the file is
// loaded as usual.
#include "gfx/texture_prefetch.h"

#include <gtest/gtest.h>

#include "gfx/texture_loader.h"
#include "platform/d3dwindow.h"
#include "tests/common/headless.h"
#include "tests/gfx/test_images.h"
#include "tests/gfx/texture_levels.h"

namespace {

DecodeLimits LimitsOf(IDirect3DDevice9* d, uint64_t budgetLeft) {
    const TextureCaps caps = QueryTextureCaps(d);
    DecodeLimits limits;
    limits.maxWidth = caps.maxWidth;
    limits.maxHeight = caps.maxHeight;
    limits.textureBytesLeft = budgetLeft;
    return limits;
}

class TexturePrefetchTest : public testing::Test {
protected:
    void SetUp() override {
        UseHeadlessDevice();
        ASSERT_NE(device, nullptr);
    }
    std::string Write(const std::string& name, const Bytes& bytes) {
        EXPECT_TRUE(WriteFileBytes(scratch.File(name), bytes));
        return scratch.File(name);
    }
    ScratchDir scratch;
};

}  // namespace

// In place (PNG, JPEG) and through memory (TGA, a PNG that is not a power of two), each entry's
// first path missing: every texture taken from the worker is the one the loader makes, and each
// is paid from the budget as the loader pays.
TEST_F(TexturePrefetchTest, EveryTakenTextureIsTheLoadersTexture) {
    const std::vector<std::string> files = {
        Write("a.png", MakePng(64, 32, PatternRgba(64, 32), 6, 8)),
        Write("b.jpg", MakeJpeg(32, 32, PatternRgba(32, 32), false, false)),
        Write("c.tga", MakeTga(16, 16, PatternRgba(16, 16), 32, false, false)),
        Write("d.png", MakePng(20, 12, PatternRgba(20, 12), 2, 8)),
    };
    TexturePrefetch::Entries entries;
    for (const std::string& f : files) entries.push_back({f + ".missing", f});
    TextureBudget budget;
    TexturePrefetch prefetch([&] { return entries; }, LimitsOf(device, budget.Left()));
    prefetch.WaitForWorker();
    for (const std::string& f : files) {
        EXPECT_FALSE(prefetch.Take(f + ".missing")) << f;
        std::optional<PreparedTexture> prepared = prefetch.Take(f);
        ASSERT_TRUE(prepared) << f;
        EXPECT_FALSE(prefetch.Take(f)) << "handed over once";
        IDirect3DTexture9 *fromPrepared = nullptr, *fromFile = nullptr;
        TextureFileInfo preparedInfo, fileInfo;
        std::string error;
        const uint64_t before = budget.used;
        ASSERT_TRUE(CreateTextureFromPrepared(device, *prepared, &fromPrepared, &preparedInfo, &budget)) << f;
        TextureBudget fileBudget;
        ASSERT_EQ(CreateTextureFromFile(device, f.c_str(), &fromFile, &fileInfo, &error, &fileBudget), D3D_OK) << error;
        EXPECT_EQ(budget.used - before, fileBudget.used) << f;
        EXPECT_EQ(preparedInfo.textureBytes, fileInfo.textureBytes) << f;
        EXPECT_EQ(preparedInfo.imageWidth, fileInfo.imageWidth) << f;
        EXPECT_EQ(fromPrepared->GetLevelCount(), fromFile->GetLevelCount()) << f;
        EXPECT_TRUE(LevelsOfTexture(fromPrepared) == LevelsOfTexture(fromFile)) << f;
        fromPrepared->Release();
        fromFile->Release();
    }
    EXPECT_EQ(prefetch.PreparedCount(), files.size());
    EXPECT_EQ(prefetch.TakenCount(), files.size());
    EXPECT_FALSE(prefetch.Take(scratch.File("never-listed.png")));
}

// Prepared for more budget than is left, or for other limits: refused, nothing made or paid. A
// file that is no image is not prepared (the loader finds it and says why). After Close nothing
// is handed over.
TEST_F(TexturePrefetchTest, OtherLimitsOrLessBudgetAreRefusedAndCloseDropsTheRest) {
    const std::string good = Write("good.png", MakePng(32, 32, PatternRgba(32, 32), 6, 8));
    const std::string other = Write("other.png", MakePng(32, 32, PatternRgba(32, 32), 2, 8));
    const std::string bad = Write("bad.png", Bytes{1, 2, 3, 4});
    DecodeLimits limits = LimitsOf(device, 1u << 20);
    TexturePrefetch prefetch([&] { return TexturePrefetch::Entries{{bad}, {good}, {other}}; }, limits);
    prefetch.WaitForWorker();
    EXPECT_FALSE(prefetch.Take(bad));
    std::optional<PreparedTexture> prepared = prefetch.Take(good);
    ASSERT_TRUE(prepared);
    IDirect3DTexture9* texture = nullptr;
    TextureBudget small;
    small.limit = (1u << 20) - 1;
    EXPECT_FALSE(CreateTextureFromPrepared(device, *prepared, &texture, nullptr, &small));
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(small.used, 0u);
    PreparedTexture narrower = *prepared;
    narrower.limits.maxWidth /= 2;
    EXPECT_FALSE(CreateTextureFromPrepared(device, narrower, &texture, nullptr, nullptr));
    TextureBudget enough;
    ASSERT_TRUE(CreateTextureFromPrepared(device, *prepared, &texture, nullptr, &enough));
    EXPECT_EQ(enough.used, prepared->info.textureBytes);
    texture->Release();
    prefetch.Close();
    EXPECT_FALSE(prefetch.Take(other));
}
