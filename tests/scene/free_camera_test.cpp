// The free-fly camera's input steps, driven directly and through the input source.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "scene/scene.h"
#include "tests/common/headless.h"

namespace {

FreeFlyInput Keys(bool w, bool a, bool s, bool d) {
    FreeFlyInput in;
    in.keyW = w;
    in.keyA = a;
    in.keyS = s;
    in.keyD = d;
    return in;
}

void ExpectVec(const D3DXVECTOR3& v, float x, float y, float z, float tolerance = 1e-5f) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

TEST(FreeFlyCamera, StartsAtItsDefaultsAndAStepWithoutInputOnlyPlacesTheTarget) {
    Camera camera;
    EXPECT_EQ(std::bit_cast<uint32_t>(camera.fov), 0x3F490FDBu);
    camera.FreeFlyStep({});
    ExpectVec(camera.eye, 0, 0, -100, 0);
    ExpectVec(camera.direction, 0, 0, 1, 0);
    ExpectVec(camera.target, 0, 0, -99, 0);
    ExpectVec(camera.up, 0, 1, 0, 0);
}

TEST(FreeFlyCamera, KeysMoveOneUnitPerStep) {
    const struct {
        const char* name;
        FreeFlyInput input;
        int steps;
        float x, y, z;
    } cases[] = {
        {"W ten times", Keys(true, false, false, false), 10, 0, 0, -90},
        {"S once", Keys(false, false, true, false), 1, 0, 0, -101},
        {"D once", Keys(false, false, false, true), 1, std::sin(1.57f), 0, -100 + std::cos(1.57f)},
        {"A once", Keys(false, true, false, false), 1, -std::sin(1.57f), 0, -100 - std::cos(1.57f)},
        {"A and D", Keys(false, true, false, true), 1, 0, 0, -100},
        {"W and S", Keys(true, false, true, false), 3, 0, 0, -100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Camera camera;
        for (int i = 0; i < c.steps; ++i) camera.FreeFlyStep(c.input);
        ExpectVec(camera.eye, c.x, c.y, c.z);
        ExpectVec(camera.target, c.x, c.y, c.z + 1);
    }
}

TEST(FreeFlyCamera, DGoesAlmostExactlySideways) {
    Camera camera;
    camera.eye = {0, 0, 0};  // near the origin the float steps are fine enough to see the drift
    camera.FreeFlyStep(Keys(false, false, false, true));
    EXPECT_NEAR(camera.eye.x, 0.9999997f, 1e-6f);
    EXPECT_NEAR(camera.eye.z, 0.0007963f, 1e-7f);  // 1.57 is not quite a quarter turn
}

TEST(FreeFlyCamera, TheMouseTurnsByAThreeHundredSixtiethRadianPerPixel) {
    Camera right;
    FreeFlyInput in;
    in.dx = 360;
    right.FreeFlyStep(in);
    ExpectVec(right.direction, std::sin(1.0f), 0, std::cos(1.0f));
    ExpectVec(right.eye, 0, 0, -100, 0);

    Camera down;  // moving the mouse down pitches the view down
    in = {};
    in.dy = 90;
    down.FreeFlyStep(in);
    EXPECT_LT(down.direction.y, -0.2f);
    EXPECT_NEAR(down.direction.x, 0.0f, 1e-6f);

    Camera turned;  // then W follows the new direction
    in = Keys(true, false, false, false);
    in.dx = -180;
    turned.FreeFlyStep(in);
    ExpectVec(turned.eye, -std::sin(0.5f), 0, -100 + std::cos(0.5f));
}

int sourceCalls = 0;
FreeFlyInput ForwardSource() {
    ++sourceCalls;
    return Keys(true, false, false, false);
}

TEST(FreeFlyCamera, UpdateTakesItsInputFromTheInstalledSource) {
    SetFreeFlyInputSource(ForwardSource);
    Camera camera;
    camera.FreeFlyUpdate();
    camera.FreeFlyUpdate();
    SetFreeFlyInputSource(nullptr);
    EXPECT_EQ(sourceCalls, 2);
    ExpectVec(camera.eye, 0, 0, -98, 0);
}

}  // namespace

namespace {

// On the platform's own input (no source installed) and a video driver with no real mouse, a new
// window's cursor is already home: no input means no turn, from the very first step.
void FirstPlatformStepWithoutInput() {
    UseHeadlessDevice();
    Camera camera;
    camera.FreeFlyUpdate();
    camera.FreeFlyUpdate();
    const bool still = camera.direction.x == 0 && camera.direction.y == 0 && camera.direction.z == 1 &&
                       camera.eye.x == 0 && camera.eye.y == 0 && camera.eye.z == -100;
    std::_Exit(still ? 0 : 1);
}

TEST(FreeFlyCamera, TheFirstPlatformStepWithoutInputDoesNotTurn) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(FirstPlatformStepWithoutInput(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
