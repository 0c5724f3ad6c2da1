// The system calls behind every reader and writer, on whichever system they run (io/posix/,
// io/win32/): whole reads, reads at an offset through two descriptors, mapping, refusals of what
// is not a regular file, and files replaced whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "io/file_read.h"
#include "io/file_replace.h"
#include "io/mapped_file.h"
#include "tests/common/headless.h"

namespace {

#if defined(_WIN32)
constexpr const char* kDeviceName = "NUL";  // a character device by the system's own name
#else
constexpr const char* kDeviceName = "/dev/null";
#endif

std::vector<uint8_t> Bytes(size_t n) {
    std::vector<uint8_t> b(n);
    for (size_t i = 0; i < n; ++i) b[i] = uint8_t(i * 7 + 3);
    return b;
}

TEST(FileCalls, ReadsMapsAndReadsAtOffsetsThroughTwoDescriptors) {
    ScratchDir dir;
    const std::string path = dir.File("data.bin");
    const std::vector<uint8_t> bytes = Bytes(100000);
    ASSERT_TRUE(WriteFileBytes(path, bytes));

    std::vector<uint8_t> read;
    std::string error;
    ASSERT_TRUE(ReadWholeFile(path, 1 << 20, &read, &error)) << error;
    EXPECT_TRUE(read == bytes);
    MappedFile mapped;
    ASSERT_TRUE(mapped.Open(path, 1 << 20, &error)) << error;
    ASSERT_EQ(mapped.size(), bytes.size());
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), mapped.data()));

    int fd = -1;
    uint64_t size = 0;
    ASSERT_TRUE(OpenRegularFile(path, 1 << 20, &fd, &size, &error)) << error;
    EXPECT_EQ(size, bytes.size());
    const int second = DuplicateFile(fd);
    ASSERT_GE(second, 0);
    uint8_t a[16], b[16];
    ASSERT_EQ(ReadFileAt(fd, a, sizeof a, 50000), 16);
    ASSERT_EQ(ReadFileAt(second, b, sizeof b, 10), 16);  // the other's position is not disturbed
    ASSERT_EQ(ReadFileAt(fd, a + 8, 8, 50008), 8);
    EXPECT_EQ(a[0], bytes[50000]);
    EXPECT_EQ(a[15], bytes[50015]);
    EXPECT_EQ(b[0], bytes[10]);
    EXPECT_EQ(ReadFileAt(fd, a, sizeof a, bytes.size()), 0);  // at the end
    EXPECT_EQ(ReadFileAt(fd, a, sizeof a, bytes.size() - 4), 4);
    CloseFile(second);
    CloseFile(fd);
}

TEST(FileCalls, RefusesWhatIsNotARegularFileOrTooLarge) {
    ScratchDir dir;
    const std::string path = dir.File("big.bin");
    ASSERT_TRUE(WriteFileBytes(path, Bytes(3000)));
    std::vector<uint8_t> read;
    std::string error;
    EXPECT_FALSE(ReadWholeFile(path, 2999, &read, &error));
    EXPECT_EQ(error, "the file is larger than 2999 bytes");
    EXPECT_TRUE(read.empty());
    // A folder and a device: refused at once, whatever words the system's calls allow.
    for (const std::string& other : {dir.path, std::string(kDeviceName)}) {
        error.clear();
        EXPECT_FALSE(ReadWholeFile(other, 1 << 20, &read, &error)) << other;
        EXPECT_TRUE(error == "not a regular file" || error == kCannotOpenFile) << other << ": " << error;
    }
    error.clear();
    EXPECT_FALSE(ReadWholeFile(dir.File("missing"), 1 << 20, &read, &error));
    EXPECT_EQ(error, kCannotOpenFile);
    const std::string empty = dir.File("empty");
    ASSERT_TRUE(WriteFileBytes(empty, {}));
    MappedFile mapped;
    EXPECT_FALSE(mapped.Open(empty, 1 << 20, &error));
    EXPECT_EQ(error, "the file is empty");
}

TEST(FileCalls, ReplacesAFileWholeAndLeavesNoTemporaryFile) {
    ScratchDir dir;
    const std::string path = dir.File("out.png");
    const std::string first = "first", second = "the second, longer";
    std::string why;
    ASSERT_TRUE(ReplaceFile(path, first.data(), first.size(), &why)) << why;
    ASSERT_TRUE(ReplaceFile(path, second.data(), second.size(), &why)) << why;  // over the old one
    std::vector<uint8_t> read;
    ASSERT_TRUE(ReadWholeFile(path, 1 << 20, &read, &why));
    EXPECT_EQ(std::string(read.begin(), read.end()), second);
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path)) {
        ++entries;
        EXPECT_EQ(entry.path().filename().string(), "out.png");
    }
    EXPECT_EQ(entries, 1);
    // A folder that is not there: refused with the system's reason, nothing made.
    why.clear();
    EXPECT_FALSE(ReplaceFile(dir.File("no/such/out.png"), first.data(), first.size(), &why));
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.File("no")));
}

}  // namespace
