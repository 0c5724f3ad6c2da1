// The show's way through a lost device. Direct3D 9 loses the device when another program takes
// the display from an exclusive full-screen show (Alt+Tab, a screen saver, a locked session):
// Present fails with D3DERR_DEVICELOST. The show then plays on with its music as the clock,
// stepping the timeline without drawing and sleeping about a frame each time, until
// TestCooperativeLevel says the device can be reset; then the show lets go of what it holds in
// the default pool, the window resets the device and puts its states back, the show makes its
// resources again and goes on drawing.
#pragma once

#include <functional>

#include "platform/d3d9.h"

class D3DWindow;
class Show;

class DeviceRecovery {
public:
    DeviceRecovery(D3DWindow& window, Show& show) : window(window), show(show) {}

    // Present's result: D3DERR_DEVICELOST makes the device lost.
    void Presented(HRESULT result);
    bool Lost() const { return lost; }
    // While lost, once a frame: false while the device cannot be reset yet (or the reset failed;
    // it is tried again next time); true once it has been reset and the show's resources are back.
    bool TryRestore();

    // What else the run holds in the default pool besides the show's (author mode's overlay):
    // let go of before the reset, made again after it (false: the next frame tries again).
    std::function<void()> releaseMore;
    std::function<bool()> restoreMore;

private:
    void Release();
    D3DWindow& window;
    Show& show;
    bool lost = false;
    bool released = false;  // the show's default-pool resources are gone, waiting for a Reset
};
