// Background work: steps run until there is nothing to do, and none runs after Stop.
#include "platform/background_work.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

TEST(BackgroundWork, StepsUntilDoneAndNoneAfterStop) {
    std::atomic<int> steps{0}, target{5};
    BackgroundWork work;
    work.Start([&] {
        if (steps.load() >= target.load()) return false;
        ++steps;
        return true;
    });
    for (int i = 0; i < 400 && steps.load() < 5; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(steps.load(), 5);
    target = 8;  // more to do: picked up on the next look, within about 50 ms
    for (int i = 0; i < 400 && steps.load() < 8; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(steps.load(), 8);
    work.Stop();
    target = 100;
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    EXPECT_EQ(steps.load(), 8);
    work.Stop();  // twice is fine
}

TEST(BackgroundWork, StartAgainReplacesTheEarlierWork) {
    std::atomic<int> first{0}, second{0};
    BackgroundWork work;
    work.Start([&] {
        ++first;
        return false;
    });
    work.Start([&] {
        ++second;
        return false;
    });
    const int firstAtRestart = first.load();
    for (int i = 0; i < 400 && second.load() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_GE(second.load(), 1);
    EXPECT_EQ(first.load(), firstAtRestart);
}

}  // namespace
