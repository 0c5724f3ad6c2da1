// The window's message pump, key polling and cursor, on every backend: keys queued as the window
// system would send them.
#include <gtest/gtest.h>

#include "platform/d3dwindow.h"
#include "tests/common/headless.h"

namespace {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseHeadlessDevice();
        while (GetAsyncKeyState(VK_ESCAPE) || GetAsyncKeyState('W')) {
            PlatformPushKeyEvent(VK_ESCAPE, false);  // leave no key down from an earlier test
            PlatformPushKeyEvent('W', false);
        }
    }
};

bool Pump() {
    return HeadlessWindow()->PumpMessages();
}

TEST_F(WindowTest, EscapePressedBetweenPumpsIsReportedOnce) {
    EXPECT_FALSE(Pump());
    PlatformPushKeyEvent(VK_ESCAPE, true);
    PlatformPushKeyEvent(VK_ESCAPE, false);  // pressed and released before the pump
    EXPECT_TRUE(Pump());
    EXPECT_FALSE(Pump());
}

TEST_F(WindowTest, EscapeHeldIsReportedEveryPump) {
    PlatformPushKeyEvent(VK_ESCAPE, true);
    EXPECT_TRUE(Pump());
    EXPECT_TRUE(Pump());
    PlatformPushKeyEvent(VK_ESCAPE, false);
    EXPECT_FALSE(Pump());
}

TEST_F(WindowTest, OtherMessagesAndClosingAreIgnored) {
    for (int i = 0; i < 50; ++i) {
        PlatformPushKeyEvent('A', true);
        PlatformPushKeyEvent('A', false);
    }
    PlatformPushCloseEvent();
    EXPECT_FALSE(Pump());
    EXPECT_FALSE(Pump());
    GetAsyncKeyState('A');  // consume
}

TEST_F(WindowTest, KeyPollingSeesPressesSinceTheLastQuery) {
    EXPECT_EQ(GetAsyncKeyState('W'), 0);
    PlatformPushKeyEvent('W', true);
    PlatformPushKeyEvent('W', false);
    EXPECT_NE(GetAsyncKeyState('W'), 0);  // released already, but pressed since the last query
    EXPECT_EQ(GetAsyncKeyState('W'), 0);
    PlatformPushKeyEvent('D', true);
    EXPECT_NE(GetAsyncKeyState('D') & 0x8000, 0);  // down now
    EXPECT_NE(GetAsyncKeyState('D') & 0x8000, 0);
    EXPECT_EQ(GetAsyncKeyState('S'), 0);  // keys are independent
    PlatformPushKeyEvent('D', false);
    EXPECT_EQ(GetAsyncKeyState('D'), 0);
    EXPECT_EQ(GetAsyncKeyState(-1), 0);
    EXPECT_EQ(GetAsyncKeyState(4096), 0);
}

TEST_F(WindowTest, CursorPlacementReadsBack) {
    ASSERT_TRUE(SetCursorPos(123, 456));
    POINT p = {};
    ASSERT_TRUE(GetCursorPos(&p));
    EXPECT_EQ(p.x, 123);
    EXPECT_EQ(p.y, 456);
    EXPECT_FALSE(GetCursorPos(nullptr));
    SetCursor(nullptr);  // hiding twice is harmless
    EXPECT_EQ(SetCursor(nullptr), nullptr);
}

}  // namespace
