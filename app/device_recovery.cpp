// Releasing, resetting and restoring after a lost device.
#include "app/device_recovery.h"

#include "app/show.h"
#include "platform/d3dwindow.h"

void DeviceRecovery::Presented(HRESULT result) {
    if (result == D3DERR_DEVICELOST) lost = true;
}

bool DeviceRecovery::TryRestore() {
    if (!lost) return true;
    const HRESULT level = device->TestCooperativeLevel();
    if (level == D3DERR_DEVICELOST) return false;  // another program has the display: wait
    if (level == D3DERR_DEVICENOTRESET) {
        if (!released) Release();
        released = true;
        if (FAILED(window.ResetDevice())) return false;
    } else if (FAILED(level)) {
        return false;
    } else if (!released) {
        lost = false;  // it came back by itself, nothing was let go of
        return true;
    }
    // Reset (now or at an earlier try): the show's resources again.
    if (!show.RestoreDeviceResources() || (restoreMore && !restoreMore())) {
        Release();  // what was made goes again; the next frame tries once more
        return false;
    }
    released = false;
    lost = false;
    return true;
}

void DeviceRecovery::Release() {
    show.ReleaseDeviceResources();
    if (releaseMore) releaseMore();
}
