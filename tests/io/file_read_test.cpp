// Opening a reader's file: only regular files of a sensible size are read, and nothing blocks.
#include "io/file_read.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace {

struct Folder {
    std::string path = std::filesystem::temp_directory_path() / ("virelle-io-" + std::to_string(getpid()));
    Folder() { std::filesystem::create_directories(path); }
    ~Folder() { std::filesystem::remove_all(path); }
};

}  // namespace

TEST(FileRead, OnlyRegularFilesOfASensibleSizeAreRead) {
    Folder dir;
    const std::string good = dir.path + "/good.bin", fifo = dir.path + "/fifo", big = dir.path + "/big.bin";
    std::FILE* f = std::fopen(good.c_str(), "wb");
    std::fputs("four", f);
    std::fclose(f);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);  // no writer: a blocking open would wait for ever
    f = std::fopen(big.c_str(), "wb");
    ASSERT_EQ(ftruncate(fileno(f), off_t(kMaxDocumentBytes) + 1), 0);  // sparse: costs no disk
    std::fclose(f);

    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(ReadWholeFile(good, kMaxDocumentBytes, &bytes, &error)) << error;
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "four");
    const struct {
        std::string path, reason;
    } refused[] = {
        {dir.path + "/missing", kCannotOpenFile}, {fifo, "not a regular file"},
        {"/dev/zero", "not a regular file"},      {dir.path, "not a regular file"},
        {big, "the file is larger than 256 MB"},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.path);
        bytes.assign(3, 1);
        EXPECT_FALSE(ReadWholeFile(r.path, kMaxDocumentBytes, &bytes, &error));
        EXPECT_EQ(error, r.reason);
        EXPECT_TRUE(bytes.empty());
    }
    // The cap is the caller's: a small one refuses a small file.
    EXPECT_FALSE(ReadWholeFile(good, 3, &bytes, &error));
    EXPECT_EQ(error, "the file is larger than 3 bytes");
    EXPECT_EQ(FileProblemAt("a.cda", "ends early in the layer word", 12),
              "a.cda: ends early in the layer word at byte 12");
}
