// Track records as read from bytes, key order and rates, and sampling.
#include "composition/pose_track.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "io/byte_cursor.h"
#include "tests/common/headless.h"
#include "tests/composition/cda_writer.h"

namespace {

const char* const duplicateText = "Det finnes et keyframe p\xE5 samme tid";

// Reads one track record from the writer's bytes; the cursor is handed back for position checks.
struct ReadResult {
    PoseTrack track;
    bool ok = false;
    size_t offset = 0;
    std::string problem;
};

ReadResult ReadTrack(const CdaWriter& w) {
    ReadResult r;
    const std::vector<uint8_t> exact(w.bytes);  // exact size: a read one byte too far shows under ASan
    ByteCursor in(exact.data(), exact.size());
    r.ok = r.track.Read(in);
    r.offset = in.Offset();
    r.problem = in.Problem();
    return r;
}

void ExpectChannels(const PoseKey& k, float x, float y, float sx, float sy, float rot, float alpha) {
    EXPECT_EQ(k.x, x);
    EXPECT_EQ(k.y, y);
    EXPECT_EQ(k.scaleX, sx);
    EXPECT_EQ(k.scaleY, sy);
    EXPECT_EQ(k.rotation, rot);
    EXPECT_EQ(k.alpha, alpha);
}

TEST(TrackReading, CountZeroAndOneBothHoldExactlyOneRecord) {
    for (uint32_t count : {0u, 1u}) {
        CdaWriter w;
        w.U32(count).FirstKey({10, 20, 1, 2, 0.5f, 1, 3}).U32(0xDEADBEEF);  // a word after the track
        ReadResult r = ReadTrack(w);
        ASSERT_TRUE(r.ok) << count;
        EXPECT_EQ(r.offset, 32u) << count;
        ASSERT_EQ(r.track.keys.size(), 1u);
        ExpectChannels(r.track.keys[0], 10, 20, 1, 2, 0.5f, 1);
        EXPECT_EQ(r.track.keys[0].time, 3.0f);
    }
}

TEST(TrackReading, UnusedFlagBitsAloneRepeatThePreviousValuesAtTheirOwnTime) {
    for (uint8_t flags : {uint8_t(0x01), uint8_t(0x02), uint8_t(0x00)}) {
        CdaWriter w;
        w.U32(2).FirstKey({10, 20, 1, 2, 0.5f, 1, 0}).U8(flags).F32(4).U32(0xDEADBEEF);
        ReadResult r = ReadTrack(w);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.offset, 32u + 5u) << int(flags);
        ASSERT_EQ(r.track.keys.size(), 2u);
        ExpectChannels(r.track.keys[1], 10, 20, 1, 2, 0.5f, 1);
        EXPECT_EQ(r.track.keys[1].time, 4.0f);
    }
}

TEST(TrackReading, FlaggedValuesFollowInTableOrder) {
    // First record: time 0, alpha 1, rotation 0, x 10, y 20, scales 1; then 0x84 at time 2: x 30, alpha 0.5.
    CdaWriter w;
    w.U32(2).FirstKey({10, 20, 1, 1, 0, 1, 0}).U8(0x84).F32(2).F32(30).F32(0.5f);
    ReadResult r = ReadTrack(w);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.offset, w.bytes.size());
    ASSERT_EQ(r.track.keys.size(), 2u);
    ExpectChannels(r.track.keys[1], 30, 20, 1, 1, 0, 0.5f);
    // Every flagged channel, in the order x, y, scaleX, scaleY, rotation, alpha.
    CdaWriter all;
    all.U32(2).FirstKey({}).FullKey({1, 2, 3, 4, 5, 6, 7});
    r = ReadTrack(all);
    ASSERT_TRUE(r.ok);
    ExpectChannels(r.track.keys[1], 1, 2, 3, 4, 5, 6);
}

TEST(TrackReading, RejectedKeyStillCarriesItsValuesToTheNextRecord) {
    MessageLog log;
    CdaWriter w;
    w.U32(3).FirstKey({1, 0, 1, 1, 0, 1, 0});
    w.U8(0x80).F32(0).F32(5);  // same time as the first: dropped, but x = 5 is now current
    w.U8(0x00).F32(1);         // takes x from the dropped record
    ReadResult r = ReadTrack(w);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.track.keys.size(), 2u);
    EXPECT_EQ(r.track.keys[0].x, 1.0f);
    EXPECT_EQ(r.track.keys[1].x, 5.0f);
    ASSERT_EQ(log.boxes.size(), 1u);
    EXPECT_EQ(log.boxes[0].first, duplicateText);
    EXPECT_EQ(log.boxes[0].second, "Error");
}

TEST(TrackReading, OutOfOrderTimesAreSortedWithRatesBetweenNeighbours) {
    CdaWriter w;
    w.Track({{30, 0, 1, 1, 0, 1, 3}, {10, 0, 1, 1, 0, 1, 1}, {20, 0, 1, 1, 0, 0.5f, 2}});
    ReadResult r = ReadTrack(w);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.track.keys.size(), 3u);
    EXPECT_EQ(r.track.keys[0].time, 1.0f);
    EXPECT_EQ(r.track.keys[1].time, 2.0f);
    EXPECT_EQ(r.track.keys[2].time, 3.0f);
    EXPECT_EQ(r.track.keys[0].rates[0], 10.0f);
    EXPECT_EQ(r.track.keys[0].rates[5], -0.5f);
    EXPECT_EQ(r.track.keys[1].rates[0], 10.0f);
    EXPECT_EQ(r.track.keys[1].rates[5], 0.5f);
    for (float rate : r.track.keys[2].rates) EXPECT_EQ(rate, 0.0f);
    // Only x and alpha change: every other rate is exactly 0.
    for (int c : {1, 2, 3, 4}) {
        EXPECT_EQ(r.track.keys[0].rates[c], 0.0f);
        EXPECT_EQ(r.track.keys[1].rates[c], 0.0f);
    }
}

TEST(TrackReading, NegativeTimesBecomeZeroAndCollide) {
    MessageLog log;
    CdaWriter w;
    w.Track({{1, 0, 1, 1, 0, 1, -1}, {2, 0, 1, 1, 0, 1, -2}});
    ReadResult r = ReadTrack(w);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.track.keys.size(), 1u);
    EXPECT_EQ(r.track.keys[0].time, 0.0f);
    EXPECT_EQ(r.track.keys[0].x, 1.0f);
    EXPECT_EQ(log.boxes.size(), 1u);
}

// Reading a track in one go must give exactly what inserting its records one by one gives.
TEST(TrackReading, MatchesInsertingRecordByRecord) {
    MessageLog log;
    CdaWriter w;
    const uint32_t count = 200;
    w.U32(count).FirstKey({0, 0, 1, 1, 0, 1, 5});
    PoseTrack byInsert;
    byInsert.InsertKey(0, 0, 1, 1, 0, 1, 5);
    uint32_t state = 12345;
    Pose current{0, 0, 1, 1, 0, 1, 5};
    for (uint32_t i = 1; i < count; ++i) {
        state = state * 1103515245u + 12345u;
        current.time = float(int((state >> 8) % 64) - 8) * 0.25f;  // many repeats, some negative
        current.x = float(i);
        w.U8(0x80).F32(current.time).F32(current.x);
        byInsert.InsertKey(current.x, current.y, current.scaleX, current.scaleY, current.rotation, current.alpha,
                           current.time);
    }
    const size_t insertBoxes = log.boxes.size();
    ReadResult r = ReadTrack(w);
    ASSERT_TRUE(r.ok);
    EXPECT_GT(insertBoxes, 0u);
    EXPECT_EQ(log.boxes.size(), 2 * insertBoxes);
    ASSERT_EQ(r.track.keys.size(), byInsert.keys.size());
    for (size_t i = 0; i < byInsert.keys.size(); ++i)
        EXPECT_EQ(std::memcmp(&r.track.keys[i], &byInsert.keys[i], sizeof(PoseKey)), 0) << i;
}

TEST(TrackReading, DamagedRecordsFailWithoutReadingPastTheEnd) {
    struct Case {
        const char* what;
        CdaWriter bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", CdaWriter{}});
    cases.push_back({"short first record", CdaWriter{}.U32(1).F32(0).F32(1)});
    cases.push_back({"count past the end", CdaWriter{}.U32(0xFFFFFFFFu).FirstKey({})});
    cases.push_back({"flagged value missing", CdaWriter{}.U32(2).FirstKey({}).U8(0x84).F32(1).F32(3)});
    for (Case& c : cases) {
        ReadResult r = ReadTrack(c.bytes);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_FALSE(r.problem.empty()) << c.what;
    }
}

// A key whose time is not a number compares with no time: it goes last, whatever comes after it in
// the file, the track still loads, and sampling never lands on it (nor on rates towards it).
TEST(TrackReading, KeyWithoutANumberForItsTimeGoesLast) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    MessageLog log;
    // Keys at 0 (x 0), NaN (x 99), 2 (x 10), then a second NaN and 1 (x 5).
    ReadResult r = ReadTrack(CdaWriter{}
                                 .U32(5)
                                 .FirstKey({})
                                 .U8(0x80)
                                 .F32(nan)
                                 .F32(99)
                                 .U8(0x80)
                                 .F32(2)
                                 .F32(10)
                                 .U8(0x00)
                                 .F32(nan)
                                 .U8(0x80)
                                 .F32(1)
                                 .F32(5));
    ASSERT_TRUE(r.ok) << r.problem;
    EXPECT_TRUE(log.boxes.empty());
    ASSERT_EQ(r.track.keys.size(), 5u);
    const float times[] = {0, 1, 2};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(r.track.keys[size_t(i)].time, times[i]);
    EXPECT_TRUE(std::isnan(r.track.keys[3].time) && std::isnan(r.track.keys[4].time));
    EXPECT_EQ(r.track.keys[3].x, 99.0f);  // file order among them
    EXPECT_EQ(r.track.TimedKeys(), 3u);
    for (const PoseKey& k : r.track.keys)
        for (float rate : k.rates) EXPECT_FALSE(std::isnan(rate));
    const struct { float t, x; } samples[] = {{0.5f, 2.5f}, {1.5f, 7.5f}, {2, 10}, {50, 10}};
    for (auto s : samples) EXPECT_EQ(r.track.Sample(s.t).x, s.x) << s.t;

    // Inserted one by one the same way; a track of such keys alone samples as before any key.
    PoseTrack inserted;
    EXPECT_TRUE(inserted.InsertKey(1, 0, 1, 1, 0, 1, nan));
    EXPECT_EQ(inserted.Sample(3).x, 0.0f);
    EXPECT_TRUE(inserted.InsertKey(4, 0, 1, 1, 0, 1, 3));
    EXPECT_TRUE(inserted.InsertKey(2, 0, 1, 1, 0, 1, 1));
    ASSERT_EQ(inserted.TimedKeys(), 2u);
    EXPECT_EQ(inserted.keys[0].rates[0], 1.0f);
    EXPECT_EQ(inserted.Sample(9).x, 4.0f);
}

TEST(TrackSampling, BeforeAtBetweenAndAfterKeys) {
    PoseTrack one;
    one.InsertKey(3, 4, 2, 2, 1, 1, 2);
    ExpectChannels(one.Sample(1.9f), 0, 0, 0, 0, 0, 0);
    ExpectChannels(one.Sample(2), 3, 4, 2, 2, 1, 1);
    ExpectChannels(one.Sample(100), 3, 4, 2, 2, 1, 1);

    PoseTrack two;
    two.InsertKey(10, 0, 1, 1, 0, 1, 2);
    two.InsertKey(0, 0, 1, 1, 0, 1, 0);
    const struct { float t, x; } samples[] = {{0, 0}, {1, 5}, {2, 10}, {5, 10}, {-3, 0}};
    for (auto s : samples) EXPECT_EQ(two.Sample(s.t).x, s.x) << s.t;
}

TEST(TrackSampling, NegativeTimeSamplesAtZero) {
    PoseTrack track;
    track.InsertKey(7, 0, 1, 1, 0, 1, 0);
    track.InsertKey(9, 0, 1, 1, 0, 0, 1);
    const PoseKey atZero = track.Sample(0);
    for (float t : {-0.5f, -1e9f, -std::numeric_limits<float>::infinity()}) {
        const PoseKey k = track.Sample(t);
        ExpectChannels(k, atZero.x, atZero.y, atZero.scaleX, atZero.scaleY, atZero.rotation, atZero.alpha);
    }
    PoseTrack late;  // first key at 0.5: invisible before it, even at negative times
    late.InsertKey(1, 1, 1, 1, 0, 1, 0.5f);
    EXPECT_EQ(late.Sample(-1).alpha, 0.0f);
    EXPECT_EQ(late.Sample(0.49f).alpha, 0.0f);
    EXPECT_EQ(PoseTrack{}.Sample(3).alpha, 0.0f);
}

}  // namespace
