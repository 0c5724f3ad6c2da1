// The free-fly camera: the mouse turns it, W/A/S/D move it, one step per draw that uses it.

#include "math/float_bits.h"
#include "platform/win32.h"
#include "scene/scene.h"

namespace {

constexpr int kCursorHomeX = 320;
constexpr int kCursorHomeY = 240;
constexpr float kTurnPerPixel = FloatFromBits(0x3B360B61u);  // 1/360 radian
constexpr float kSideTurn = FloatFromBits(0x3FC8F5C3u);      // 1.57, a hair under a quarter turn
static_assert(kTurnPerPixel == 1.0f / 360.0f && kSideTurn == 1.57f);

FreeFlyInputSource inputSource = nullptr;  // null: the platform

// Reads the cursor's offset, puts it back home, then polls D, A, S, W in that order.
FreeFlyInput PollPlatform() {
    FreeFlyInput input;
    POINT cursor{kCursorHomeX, kCursorHomeY};
    GetCursorPos(&cursor);
    input.dx = cursor.x - kCursorHomeX;
    input.dy = cursor.y - kCursorHomeY;
    SetCursorPos(kCursorHomeX, kCursorHomeY);
    input.keyD = GetAsyncKeyState('D') != 0;
    input.keyA = GetAsyncKeyState('A') != 0;
    input.keyS = GetAsyncKeyState('S') != 0;
    input.keyW = GetAsyncKeyState('W') != 0;
    return input;
}

}  // namespace

void SetFreeFlyInputSource(FreeFlyInputSource source) {
    inputSource = source;
}

void Camera::FreeFlyUpdate() {
    FreeFlyStep(inputSource ? inputSource() : PollPlatform());
}

void Camera::FreeFlyStep(const FreeFlyInput& input) {
    // Right turns towards +x, down pitches down; the direction is neither renormalised nor clamped.
    D3DXMATRIX turn;
    D3DXMatrixRotationYawPitchRoll(&turn, float(input.dx) * kTurnPerPixel, float(input.dy) * kTurnPerPixel, 0.0f);
    D3DXVec3TransformCoord(&direction, &direction, &turn);
    D3DXMATRIX sideTurn;
    D3DXMatrixRotationYawPitchRoll(&sideTurn, kSideTurn, 0.0f, 0.0f);
    D3DXVECTOR3 side;
    D3DXVec3TransformCoord(&side, &direction, &sideTurn);

    const float strafe = float(input.keyD) - float(input.keyA);
    const float forward = float(input.keyW) - float(input.keyS);
    eye.x = eye.x + forward * direction.x + strafe * side.x;
    eye.y = eye.y + forward * direction.y + strafe * side.y;
    eye.z = eye.z + forward * direction.z + strafe * side.z;
    target = {eye.x + direction.x, eye.y + direction.y, eye.z + direction.z};
}
