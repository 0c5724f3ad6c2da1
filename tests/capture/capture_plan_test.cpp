// The capture's plan: containers, sizes, the fitted picture, frames and samples of a range; and
// the picture queue's hand-over between threads.
#include "tools/capture/capture_plan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "app/offline.h"
#include "io/file_replace.h"
#include "tools/capture/picture_queue.h"
#include "tools/capture/progress.h"

namespace {

TEST(CapturePlan, ContainerAndSizeFromText) {
    EXPECT_EQ(ContainerForPath("out/show.mp4"), Container::Mp4);
    EXPECT_EQ(ContainerForPath("SHOW.MKV"), Container::Matroska);
    for (const char* path : {"show.avi", "show", "show.mp4.part", ".mp4x", "mp4"})
        EXPECT_EQ(ContainerForPath(path), Container::Unknown) << path;

    int w = 0, h = 0;
    ASSERT_TRUE(ParseVideoSize("1920x1080", &w, &h));
    EXPECT_EQ(w, 1920);
    EXPECT_EQ(h, 1080);
    for (const char* bad : {"", "640", "640x", "x480", "0x0", "-640x480", "641x480", "640x481", "8x8", "640x480x2",
                            "640 x480", "7682x4320", "99999999999x2", "+640x480"})
        EXPECT_FALSE(ParseVideoSize(bad, &w, &h)) << bad;
}

TEST(CapturePlan, FitKeepsTheShapeCentredOnEvenPixels) {
    struct Case {
        int width, height;
        PictureRect expected;
    };
    for (const Case& c :
         {Case{640, 480, {0, 0, 640, 480}}, Case{1920, 1080, {240, 0, 1440, 1080}}, Case{1280, 720, {160, 0, 960, 720}},
          Case{800, 800, {0, 100, 800, 600}}, Case{1000, 480, {180, 0, 640, 480}}, Case{100, 16, {38, 0, 22, 16}}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        const PictureRect r = FitPicture(640, 480, c.width, c.height);
        EXPECT_EQ(r.x, c.expected.x);
        EXPECT_EQ(r.y, c.expected.y);
        EXPECT_EQ(r.width, c.expected.width);
        EXPECT_EQ(r.height, c.expected.height);
        EXPECT_LE(r.x + r.width, c.width);
        EXPECT_LE(r.y + r.height, c.height);
    }
}

TEST(CapturePlan, RangeFramesAreTheOfflineClocksAndTheMusicStartsWithThem) {
    const int rate = 44100;
    const int64_t music = 140 * rate + 12345;  // about 140.28 s
    // A range on the frame grid: frame 0 of the file is music time A exactly.
    CaptureRange r = PlanCaptureRange(10.0, 12.5, 60, music, rate);
    EXPECT_EQ(r.firstFrame, 600);
    EXPECT_EQ(r.endFrame, 750);
    EXPECT_EQ(r.firstSample, 10 * rate);
    EXPECT_EQ(r.endSample, 12 * rate + rate / 2);
    EXPECT_DOUBLE_EQ(r.Seconds(), 2.5);
    // Each picture brings the music up to the end of its frame; the last one to the range's end.
    EXPECT_EQ(SamplesThrough(r, 0), r.firstSample);
    EXPECT_EQ(SamplesThrough(r, 1), 10 * rate + 735);
    EXPECT_EQ(SamplesThrough(r, r.Frames()), r.endSample);
    EXPECT_EQ(SamplesThrough(r, r.Frames() + 5), r.endSample);

    // Off the grid: the frames whose times lie in [A, B), as render picks them.
    r = PlanCaptureRange(1.01, 1.49, 10, music, rate);
    EXPECT_EQ(r.firstFrame, 11);
    EXPECT_EQ(r.endFrame, 15);
    for (long n = r.firstFrame; n < r.endFrame; ++n) {
        EXPECT_GE(OfflineFrameTime(n, 10), 1.01f);
        EXPECT_LT(OfflineFrameTime(n, 10), 1.49f);
    }
    EXPECT_EQ(r.firstSample, 11 * rate / 10);

    // The whole show: to the music's end, the last frame's music cut where the music ends.
    r = PlanCaptureRange(0, INFINITY, 60, music, rate);
    EXPECT_EQ(r.firstFrame, 0);
    EXPECT_EQ(r.endFrame, 8417);  // 140.28 s * 60, rounded up
    EXPECT_LT(OfflineFrameTime(r.endFrame - 1, 60), float(double(music) / rate));
    EXPECT_EQ(r.endSample, music);
    EXPECT_NEAR(r.Seconds(), double(music) / rate, 1.0 / 60);

    // Starting at or past the end: nothing to capture.
    EXPECT_EQ(PlanCaptureRange(140.3, INFINITY, 60, music, rate).Frames(), 0);
}

TEST(CapturePlan, TemporaryNameIsHiddenBesideTheFile) {
    EXPECT_EQ(TemporaryPathFor("out/show.mp4", 42), "out/.show.mp4.partial-42");
    EXPECT_EQ(TemporaryPathFor("show.mkv", 7), ".show.mkv.partial-7");
}

TEST(CapturePlan, ProgressText) {
    EXPECT_EQ(ProgressText(0, 9000, 60, 0), "0/9000 frames");
    // 1800 frames (30 s of show) in 20 s: 1.5x, and 120 s of show left take 80 s.
    EXPECT_EQ(ProgressText(1800, 9000, 60, 20), "1800/9000 frames, 1.50x real time, 1:20 left");
    EXPECT_EQ(ClockText(3725.2), "1:02:06");
    EXPECT_EQ(ClockText(-1), "0:00");
}

TEST(PictureQueue, PicturesComeOutInOrderAndTheQueueCloses) {
    PictureQueue queue(2);
    std::thread encoder([&] {
        int expected = 0;
        while (PictureQueue::Picture* p = queue.Pop()) {
            EXPECT_EQ(int(p->at(0)), expected++);
            queue.Recycle(p);
        }
        EXPECT_EQ(expected, 50);  // everything pushed before Close comes out
    });
    // Only two buffers exist, so 50 pictures need the encoder to give them back.
    for (int i = 0; i < 50; ++i) {
        PictureQueue::Picture* p = queue.Acquire();
        ASSERT_NE(p, nullptr);
        p->assign(1, uint8_t(i));
        queue.Push(p);
    }
    queue.Close();
    encoder.join();
}

TEST(PictureQueue, AbortWakesAWaitingSide) {
    PictureQueue queue(1);
    PictureQueue::Picture* held = queue.Acquire();
    ASSERT_NE(held, nullptr);
    PictureQueue::Picture* got = held;
    std::thread drawer([&] { got = queue.Acquire(); });             // waits: the one buffer is held
    std::thread encoder([&] { EXPECT_EQ(queue.Pop(), nullptr); });  // waits: nothing pushed
    queue.Abort();
    drawer.join();
    encoder.join();
    EXPECT_EQ(got, nullptr);
    EXPECT_TRUE(queue.Aborted());
}

}  // namespace
