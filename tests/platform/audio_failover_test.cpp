// The output that outlives its device, over a made-up device that can be lost and refuse to open:
// the silent output takes the pulls at once, the device is tried again at the retry pace, and it
// takes the pulls back, playing or paused as asked; never two pulls at a time.
#include "platform/common/audio_failover.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int fakeBufferFrames = 512;

// A device that pulls every 2 ms on its own thread while started; the test decides whether it is
// alive and whether it opens.
class FakeDevice : public AudioDevice {
public:
    struct Knobs {
        std::atomic<bool> opens{true};
        std::atomic<bool> alive{true};
        std::atomic<int> attempts{0};  // calls to Open
        std::atomic<long> pulls{0};    // pulls made by the device
    };
    explicit FakeDevice(Knobs& knobs) : knobs(knobs) {}
    ~FakeDevice() override { Close(); }

    bool Open(AudioOut::Pull newPull, void* newUser, int, std::string* why) override {
        ++knobs.attempts;
        if (!knobs.opens) {
            *why = "no output device (made up)";
            return false;
        }
        pull = newPull;
        user = newUser;
        stop = false;
        thread = std::thread([this] {
            int16_t frames[fakeBufferFrames * AudioOut::channels];
            while (!stop) {
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    if (started) {
                        pull(user, frames, fakeBufferFrames);
                        ++knobs.pulls;
                    }
                }
                std::this_thread::sleep_for(2ms);
            }
        });
        return true;
    }
    int BufferFrames() const override { return fakeBufferFrames; }
    void Start() override { Set(true); }
    void Pause() override { Set(false); }
    bool Alive() override { return knobs.alive; }
    void Close() override {
        if (!thread.joinable()) return;
        stop = true;
        thread.join();
        started = false;
    }

private:
    void Set(bool run) {
        std::lock_guard<std::mutex> lock(mutex);  // no pull runs once this returns
        started = run;
    }

    Knobs& knobs;
    AudioOut::Pull pull = nullptr;
    void* user = nullptr;
    std::mutex mutex;
    bool started = false;
    std::atomic<bool> stop{false};
    std::thread thread;
};

// Counts pulls and catches two at once.
struct Puller {
    std::atomic<long> pulls{0};
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    static void Pull(void* user, int16_t* out, int frames) {
        auto* self = static_cast<Puller*>(user);
        if (self->inside.fetch_add(1) != 0) self->overlapped = true;
        for (int i = 0; i < frames * AudioOut::channels; ++i) out[i] = 0;
        ++self->pulls;
        self->inside.fetch_sub(1);
    }
};

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 2000ms) {
    for (const auto start = Clock::now(); Clock::now() - start < limit; std::this_thread::sleep_for(1ms))
        if (done()) return true;
    return done();
}

constexpr FailoverTiming fast{10ms, 40ms};

}  // namespace

// One output over a made-up device; what it says on stderr is kept for the test to read.
class AudioFailoverTest : public ::testing::Test {
protected:
    AudioFailoverTest() { testing::internal::CaptureStderr(); }
    ~AudioFailoverTest() override {
        output.Close();
        EXPECT_FALSE(puller.overlapped) << "two pulls at once";
        if (!said) testing::internal::GetCapturedStderr();
    }
    bool Open() { return output.Open(&Puller::Pull, &puller, 44100); }
    // The device goes (and would not open); the silent output takes over.
    void Lose() {
        knobs.opens = false;
        knobs.alive = false;
        ASSERT_TRUE(WaitFor([&] { return output.IsSilent(); })) << "the loss was not noticed";
    }
    // The device opens again and takes over.
    void Return() {
        knobs.alive = true;
        knobs.opens = true;
        ASSERT_TRUE(WaitFor([&] { return !output.IsSilent(); })) << "the device was not opened again";
    }
    std::string Said() {
        said = true;
        return testing::internal::GetCapturedStderr();
    }

    FakeDevice::Knobs knobs;
    Puller puller;
    AudioFailover output{std::make_unique<FakeDevice>(knobs), fast};
    bool said = false;
};

TEST_F(AudioFailoverTest, SilentWhileTheDeviceIsGoneThenTheDeviceAgain) {
    ASSERT_TRUE(Open());
    EXPECT_FALSE(output.IsSilent());
    EXPECT_EQ(output.BufferFrames(), fakeBufferFrames);
    output.Start();
    ASSERT_TRUE(WaitFor([&] { return knobs.pulls > 5; }));

    Lose();
    EXPECT_EQ(output.Changes(), 1);
    EXPECT_EQ(output.BufferFrames(), 0);
    const long byDevice = knobs.pulls;
    const long all = puller.pulls;
    const int attempts = knobs.attempts;
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(knobs.pulls, byDevice) << "the lost device still pulls";
    // The silent output pulls 1024 frames in real time: about 13 in 300 ms at 44.1 kHz. The device
    // is tried again every 40 ms: about 7 times, and not in a busy loop.
    EXPECT_GE(puller.pulls - all, 6);
    EXPECT_LE(puller.pulls - all, 15);
    EXPECT_GE(knobs.attempts - attempts, 2) << "not tried again";
    EXPECT_LE(knobs.attempts - attempts, 9) << "tried faster than the retry pace";

    Return();
    EXPECT_EQ(output.Changes(), 2);
    EXPECT_EQ(output.BufferFrames(), fakeBufferFrames);
    ASSERT_TRUE(WaitFor([&] { return knobs.pulls > byDevice + 5; })) << "the device back does not pull";
    const long silentPulls = (puller.pulls - knobs.pulls);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(puller.pulls - knobs.pulls, silentPulls) << "the silent output still pulls";
    output.Close();
    const long closed = puller.pulls;
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(puller.pulls, closed);
    EXPECT_EQ(Said(),
              "audio: output device lost; playing silently and trying again every second\n"
              "audio: output device back\n");
}

// Author mode's hold: paused when the device goes, paused while away and paused when it is back;
// the next Start plays on the device.
TEST_F(AudioFailoverTest, APauseHoldsAcrossTheLossAndTheReturn) {
    ASSERT_TRUE(Open());
    output.Start();
    ASSERT_TRUE(WaitFor([&] { return knobs.pulls > 2; }));
    output.Pause();
    const long paused = puller.pulls;
    Lose();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(puller.pulls, paused) << "pulls while paused, on the silent output";
    output.Start();
    ASSERT_TRUE(WaitFor([&] { return puller.pulls > paused + 2; })) << "the silent output does not play";
    output.Pause();
    const long pausedAgain = puller.pulls;
    Return();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(puller.pulls, pausedAgain) << "the device back plays while paused";
    output.Start();
    const long before = knobs.pulls;
    EXPECT_TRUE(WaitFor([&] { return knobs.pulls > before + 2; }));
}

// No device at the start: silent for good, said once, never tried again.
TEST_F(AudioFailoverTest, NoDeviceAtTheStartIsNotTriedAgain) {
    knobs.opens = false;
    EXPECT_FALSE(Open());
    EXPECT_TRUE(output.IsSilent());
    output.Start();
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(knobs.attempts, 1);
    EXPECT_GT(puller.pulls, 2);
    EXPECT_EQ(output.Changes(), 0);
    output.Close();
    EXPECT_EQ(Said(), "audio: no output device (made up); playing silently\n");
}
