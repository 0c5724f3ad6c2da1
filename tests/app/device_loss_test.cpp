// A lost device in the middle of the show: frames step without drawing while it is lost, the
// recovery waits for TestCooperativeLevel, lets go of the default pool, resets and restores, and
// the next picture is the very picture a run that never lost its device draws.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "app/device_recovery.h"
#include "app/main_loop.h"
#include "app/program.h"
#include "app/show.h"
#include "platform/d3dwindow.h"
#include "platform/device_readback.h"
#include "tests/app/test_show_content.h"
#include "tests/common/headless.h"

namespace {

class DeviceLossTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseHeadlessDevice();
        ASSERT_NE(device, nullptr);
        previous = std::filesystem::current_path();
        std::filesystem::current_path(scratch.path);
        ASSERT_TRUE(WriteTestShow(scratch.path, TestShow{}));
    }
    void TearDown() override { std::filesystem::current_path(previous); }

    // The picture at the last of `times`; the device is lost after Present at `loseAt` (an index
    // into times, or -1 for never) for `lostChecks` answers of TestCooperativeLevel.
    std::vector<uint8_t> Run(const std::vector<float>& times, int loseAt, int lostChecks, int* skipped = nullptr) {
        Program program(ProgramSetup{false, false, MusicStream::Clock::Offline, DrawSize{}});
        Show show(program.compositions);
        DeviceRecovery recovery(*HeadlessWindow(), show);
        EXPECT_TRUE(show.Start());
        const float none[512] = {};
        std::vector<uint8_t> picture;
        for (size_t i = 0; i < times.size(); ++i) {
            if (!recovery.TryRestore()) {
                show.Skip(times[i], none);
                if (skipped) ++*skipped;
                continue;
            }
            device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
            show.Frame(times[i], none);
            UINT w = 0, h = 0;
            EXPECT_EQ(PlatformReadRenderTarget(device, &picture, &w, &h), D3D_OK);
            if (int(i) == loseAt) device->LoseForTest(lostChecks);
            recovery.Presented(device->Present(nullptr, nullptr, nullptr, nullptr));
        }
        EXPECT_FALSE(recovery.Lost());
        show.End();
        return picture;
    }

    ScratchDir scratch;
    std::filesystem::path previous;
};

TEST_F(DeviceLossTest, TheShowComesBackWithThePictureItWouldHaveDrawn) {
    // Through the solo window into the ringer window: lost at 50 (solo), back at 72 (ringer), with
    // the held solo picture and the ringer's new one both in the targets.
    const std::vector<float> times = {45, 50, 56, 60, 70, 71, 72, 73};
    const std::vector<uint8_t> steady = Run(times, -1, 0);
    int skipped = 0;
    const std::vector<uint8_t> recovered = Run(times, 1, 4, &skipped);
    EXPECT_EQ(skipped, 4);  // 56, 60, 70, 71 while lost; 72 resets and draws
    ASSERT_FALSE(steady.empty());
    EXPECT_TRUE(recovered == steady);
}

TEST_F(DeviceLossTest, ATargetOutsideItsWindowShowsItsLastPictureAgain) {
    // Lost and back between windows: nothing redraws the targets there but the recovery.
    const std::vector<float> times = {50, 60, 61, 62};
    const std::vector<uint8_t> steady = Run(times, -1, 0);
    const std::vector<uint8_t> recovered = Run(times, 1, 1);
    EXPECT_TRUE(recovered == steady);
}

}  // namespace
