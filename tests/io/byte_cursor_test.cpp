// The readers' cursor at its edges: the last bytes, the first failure, hostile counts, short strings.
#include "io/byte_cursor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace {

TEST(ByteCursor, ReadsLittleEndianUpToTheLastByte) {
    const std::vector<uint8_t> bytes = {0x01, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xFE,
                                        0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xC0, 0x3F};
    ByteCursor in(bytes.data(), bytes.size());
    uint8_t u8 = 0;
    uint16_t u16 = 0;
    uint32_t u32 = 0;
    int32_t i32 = 0;
    float f32 = 0;
    ASSERT_TRUE(in.U8(&u8) && in.U16(&u16) && in.U32(&u32) && in.I32(&i32) && in.F32(&f32));
    EXPECT_EQ(u8, 0x01);
    EXPECT_EQ(u16, 0x1234);
    EXPECT_EQ(u32, 0x12345678u);
    EXPECT_EQ(i32, -2);
    EXPECT_EQ(f32, 1.5f);
    EXPECT_EQ(in.Offset(), bytes.size());
    EXPECT_EQ(in.Left(), 0u);
    EXPECT_TRUE(in.Has(0));
    EXPECT_FALSE(in.Has(1));
    EXPECT_FALSE(in.Failed());
    EXPECT_EQ(in.Problem(), "");
}

// Reads one T that must fail and leave the value alone.
template <typename T>
bool FailsKeeping(ByteCursor& c, bool (ByteCursor::*read)(T*, const char*)) {
    T v = T(9);
    return !(c.*read)(&v, "x") && v == T(9);
}

// Each read one byte short of what it needs: it fails at that offset, stores and moves nothing
// (null outputs would crash if anything were written).
TEST(ByteCursor, AReadPastTheEndFailsWhereItStarted) {
    const std::vector<uint8_t> bytes = {1, 2, 3, 4, 5, 6};
    using Read = bool (*)(ByteCursor&);
    const struct {
        const char* name;
        size_t start;
        Read fails;
    } cases[] = {
        {"U8", 6, [](ByteCursor& c) { return FailsKeeping(c, &ByteCursor::U8); }},
        {"U16", 5, [](ByteCursor& c) { return FailsKeeping(c, &ByteCursor::U16); }},
        {"U32", 3, [](ByteCursor& c) { return FailsKeeping(c, &ByteCursor::U32); }},
        {"I32", 3, [](ByteCursor& c) { return FailsKeeping(c, &ByteCursor::I32); }},
        {"F32", 3, [](ByteCursor& c) { return FailsKeeping(c, &ByteCursor::F32); }},
        {"Floats", 0, [](ByteCursor& c) { return !c.Floats(nullptr, 2, "x"); }},
        {"Skip", 2, [](ByteCursor& c) { return !c.Skip(5, "x"); }},
        {"Bytes", 1, [](ByteCursor& c) { return !c.Bytes(6, nullptr, "x"); }},
        {"Seek", 4, [](ByteCursor& c) { return !c.Seek(7, "x"); }},
    };
    for (const auto& c : cases) {
        ByteCursor in(bytes.data(), bytes.size());
        ASSERT_TRUE(in.Seek(c.start));
        EXPECT_TRUE(c.fails(in)) << c.name;
        EXPECT_TRUE(in.Failed()) << c.name;
        EXPECT_EQ(in.Offset(), c.start) << c.name;
        EXPECT_EQ(in.ProblemOffset(), c.start) << c.name;
        EXPECT_EQ(in.Problem(),
                  std::string(c.name) == "Floats" ? "the file is too short for x" : "the file ends inside x")
            << c.name;
    }
}

TEST(ByteCursor, TheFirstFailureIsKeptAndEveryLaterReadFails) {
    const std::vector<uint8_t> bytes = {1, 2, 3, 4, 5, 6, 7, 8};
    ByteCursor in(bytes.data(), bytes.size());
    uint32_t v = 0;
    ASSERT_TRUE(in.Skip(6));
    EXPECT_FALSE(in.U32(&v, "the count"));
    // Bytes that would fit now fail all the same, and so do later problems.
    uint8_t b = 0;
    std::string s;
    const uint8_t* p = nullptr;
    EXPECT_FALSE(in.U8(&b));
    EXPECT_FALSE(in.Skip(0));
    EXPECT_FALSE(in.Bytes(1, &p));
    EXPECT_FALSE(in.Seek(0));
    EXPECT_FALSE(in.ShortString(&s));
    EXPECT_FALSE(in.Fits(0, 1, "records"));
    EXPECT_FALSE(in.Has(0));
    EXPECT_FALSE(in.Fail("a later problem"));
    EXPECT_EQ(in.Problem(), "the file ends inside the count");
    EXPECT_EQ(in.ProblemOffset(), 6u);
    EXPECT_EQ(in.Offset(), 6u);
    EXPECT_EQ(b, 0);
}

TEST(ByteCursor, FitsBoundsCountsWithoutOverflow) {
    const std::vector<uint8_t> bytes(12);
    const uint64_t huge = std::numeric_limits<uint64_t>::max();
    const struct {
        uint64_t count, recordSize;
        bool fits;
    } cases[] = {
        {3, 4, true},     {4, 3, true},
        {0, huge, true},  {huge, 0, true},
        {13, 1, false},   {2, 7, false},
        {huge, 1, false}, {1, huge, false},
        {huge, 4, false}, {uint64_t(1) << 62, 4, false},  // 2^64: wraps to 0 when multiplied
    };
    for (const auto& c : cases) {
        ByteCursor in(bytes.data(), bytes.size());
        EXPECT_EQ(in.Fits(c.count, c.recordSize, "records"), c.fits) << c.count << " x " << c.recordSize;
        EXPECT_EQ(in.Failed(), !c.fits);
        EXPECT_EQ(in.Problem(), c.fits ? "" : "the file is too short for records");
    }
    // Measured from the current offset.
    ByteCursor in(bytes.data(), bytes.size());
    ASSERT_TRUE(in.Skip(4));
    EXPECT_TRUE(in.Fits(2, 4, "records"));
    EXPECT_FALSE(in.Fits(3, 3, "records"));
    EXPECT_EQ(in.ProblemOffset(), 4u);
}

TEST(ByteCursor, ShortStringsEndAtAZeroAndKeepAtMost127Bytes) {
    std::vector<uint8_t> bytes = {5, 'a', 'b', 0, 'c', 'd', 0};  // "ab", then an empty string
    bytes.push_back(200);
    bytes.insert(bytes.end(), 200, 'x');
    bytes.push_back(0xAA);  // after the long string
    ByteCursor in(bytes.data(), bytes.size());
    std::string s = "old";
    ASSERT_TRUE(in.ShortString(&s));
    EXPECT_EQ(s, "ab");
    EXPECT_EQ(in.Offset(), 6u);  // every byte of the length consumed
    ASSERT_TRUE(in.ShortString(&s));
    EXPECT_EQ(s, "");
    ASSERT_TRUE(in.ShortString(&s));
    EXPECT_EQ(s, std::string(127, 'x'));
    uint8_t after = 0;
    ASSERT_TRUE(in.U8(&after));
    EXPECT_EQ(after, 0xAA);
    // Cp1252 bytes pass as they are.
    const std::vector<uint8_t> accented = {2, 0xE5, 0xF8};
    ByteCursor other(accented.data(), accented.size());
    ASSERT_TRUE(other.ShortString(&s));
    EXPECT_EQ(s, "\xE5\xF8");
}

TEST(ByteCursor, AShortStringPastTheEndFailsAtItsText) {
    const std::vector<uint8_t> bytes = {1, 'a', 9, 'a', 'b'};
    ByteCursor in(bytes.data(), bytes.size());
    std::string s = "old";
    ASSERT_TRUE(in.ShortString(&s, "a name"));
    EXPECT_FALSE(in.ShortString(&s, "a name"));
    EXPECT_EQ(s, "a");
    EXPECT_EQ(in.Offset(), 2u);         // the length byte is not consumed
    EXPECT_EQ(in.ProblemOffset(), 3u);  // the text that is missing
    EXPECT_EQ(in.Problem(), "the file ends inside a name");
    ByteCursor empty(nullptr, 0);
    EXPECT_FALSE(empty.ShortString(&s, "a name"));
    EXPECT_EQ(empty.ProblemOffset(), 0u);
}

TEST(ByteCursor, AnEmptySpanAllowsOnlyEmptyReads) {
    ByteCursor in(nullptr, 0);
    const uint8_t* p = nullptr;
    EXPECT_TRUE(in.Skip(0) && in.Bytes(0, &p) && in.Seek(0) && in.Fits(1000, 0, "records"));
    float none[1];
    EXPECT_TRUE(in.Floats(none, 0));
    EXPECT_FALSE(in.Failed());
    uint8_t b;
    EXPECT_FALSE(in.U8(&b));
    EXPECT_EQ(in.Problem(), "the file ends inside the data");
}

TEST(ByteCursor, AReaderWordsTheFailuresItself) {
    const CursorWording wording = {
        [](const char* what) { return std::string("ends early in the ") + what; },
        [](const char* what, uint64_t count) { return std::string(what) + " count " + std::to_string(count); },
    };
    const std::vector<uint8_t> bytes = {1, 2};
    ByteCursor in(bytes.data(), bytes.size(), wording);
    uint32_t v;
    EXPECT_FALSE(in.U32(&v, "layer word"));
    EXPECT_EQ(in.Problem(), "ends early in the layer word");
    ByteCursor counted(bytes.data(), bytes.size(), wording);
    EXPECT_FALSE(counted.Fits(4000000000u, 5, "key"));
    EXPECT_EQ(counted.Problem(), "key count 4000000000");
}

TEST(ByteCursor, ACopyReadsOnWithoutMovingTheOriginal) {
    const std::vector<uint8_t> bytes = {1, 2, 3};
    ByteCursor in(bytes.data(), bytes.size());
    ASSERT_TRUE(in.Skip(1));
    ByteCursor probe = in;
    uint16_t v;
    ASSERT_TRUE(probe.U16(&v));
    EXPECT_EQ(v, 0x0302);
    EXPECT_EQ(in.Offset(), 1u);
    EXPECT_EQ(in.Here(), bytes.data() + 1);
}

}  // namespace
