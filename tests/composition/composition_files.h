// A working folder for composition tests: the headless device, a fresh file-texture registry and a
// scratch folder as the working directory, since texture names resolve against it.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gfx/texture.h"
#include "tests/common/headless.h"
#include "tests/composition/cda_writer.h"

class CompositionFiles : public ::testing::Test {
protected:
    void SetUp() override {
        UseHeadlessDevice();
        previousDir = std::filesystem::current_path();
        std::filesystem::current_path(scratch.path);
        fileTextures = &registry;
    }
    void TearDown() override {
        registry.ReleaseAll();
        fileTextures = nullptr;
        std::filesystem::current_path(previousDir);
    }

    // A solid binary PPM (24-bit, so the texture is opaque) under the working folder.
    static void WriteImage(const std::string& path, int width, int height, uint8_t r, uint8_t g, uint8_t b) {
        const auto parent = std::filesystem::path(path).parent_path();
        if (!parent.empty()) std::filesystem::create_directories(parent);
        char header[64];
        const int n = std::snprintf(header, sizeof header, "P6\n%d %d\n255\n", width, height);
        std::vector<unsigned char> bytes(header, header + n);
        for (int i = 0; i < width * height; ++i) bytes.insert(bytes.end(), {r, g, b});
        ASSERT_TRUE(WriteFileBytes(path, bytes));
    }
    static void WriteCda(const std::string& path, const CdaWriter& w) {
        if (w.bytes.empty()) {  // WriteFileBytes hands fwrite the null data of an empty vector
            std::ofstream{path, std::ios::binary | std::ios::trunc};
            ASSERT_TRUE(std::filesystem::exists(path));
            return;
        }
        ASSERT_TRUE(WriteFileBytes(path, w.bytes));
    }

    ScratchDir scratch;
    TextureRegistry registry;
    std::filesystem::path previousDir;
};
