// Replays what the fuzz targets once failed on (fuzz/regress/<target>/, as `make fuzz` leaves it)
// through the same entries in this build: each input must come back and every folder must name a
// target. Also checks that the hand-made seeds (fuzz/seeds/) are files the readers take.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "audio/music_stream.h"
#include "fuzz/fuzz_entries.h"
#include "gfx/texture.h"
#include "gfx/texture_loader.h"
#include "platform/d3dwindow.h"
#include "tests/common/headless.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The source tree's fuzz/: as ctest names it, else the tree this program was built from.
fs::path FuzzFolder() {
    const char* source = std::getenv("VIRELLE_SOURCE_DIR");
    return fs::path(source ? source : VIRELLE_SOURCE_ROOT) / "fuzz";
}

// Swallows the boxes and gives the entries a file texture registry of their own.
struct ReplaySetUp {
    ReplaySetUp() {
        UseHeadlessDevice();
        saved = fileTextures;
        fileTextures = &registry;
    }
    ~ReplaySetUp() {
        registry.ReleaseAll();
        fileTextures = saved;
    }
    MessageLog quiet;
    TextureRegistry registry;
    TextureRegistry* saved = nullptr;
};

}  // namespace

TEST(FuzzRegress, EveryKeptInputComesBack) {
    ReplaySetUp setUp;
    const std::vector<std::string> targets = FuzzTargetNames();
    int replayed = 0;
    for (const auto& folder : fs::directory_iterator(FuzzFolder() / "regress")) {
        if (!folder.is_directory()) continue;
        const std::string target = folder.path().filename().string();
        SCOPED_TRACE(target);
        EXPECT_NE(std::find(targets.begin(), targets.end(), target), targets.end()) << "no such fuzz target";
        for (const auto& input : fs::directory_iterator(folder.path())) {
            SCOPED_TRACE(input.path().filename().string());
            const std::vector<uint8_t> bytes = ReadAll(input.path());
            int result = 0;
            RunFuzzEntry(target, bytes.data(), bytes.size(), &result);
            ++replayed;
        }
    }
    RecordProperty("replayed", replayed);
}

// The seeds are good files: each must open (the MP3) or load as a texture, so that every target
// starts from inputs that reach deep into its reader.
TEST(FuzzRegress, EverySeedLoads) {
    ReplaySetUp setUp;
    int seeds = 0;
    for (const auto& entry : fs::directory_iterator(FuzzFolder() / "seeds")) {
        SCOPED_TRACE(entry.path().filename().string());
        const std::vector<uint8_t> bytes = ReadAll(entry.path());
        ++seeds;
        if (entry.path().extension() == ".mp3") {
            const std::string path = ::testing::TempDir() + "seed.mp3";
            ASSERT_TRUE(WriteFileBytes(path, bytes));
            MusicStream music(path.c_str(), MusicStream::Clock::Offline);
            EXPECT_TRUE(music.created);
            EXPECT_GT(music.GetLength(), 0.0f);
            continue;
        }
        IDirect3DTexture9* texture = nullptr;
        std::string error;
        EXPECT_EQ(CreateTextureFromMemory(device, bytes.data(), bytes.size(), &texture, nullptr, &error), D3D_OK)
            << error;
        if (texture) texture->Release();
    }
    EXPECT_GT(seeds, 10);
}
