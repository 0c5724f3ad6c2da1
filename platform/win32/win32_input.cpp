// Key state on Win32. GetAsyncKeyState is the system's, together with the key messages the
// show's thread received (those queued by tests included); the key presses for author mode come
// from the same messages.
#include "platform/common/key_press_ring.h"
#include "platform/d3dwindow.h"
#include "platform/win32.h"
#include "platform/win32/win32_backend.h"

#undef GetAsyncKeyState

namespace {

struct KeyTracker {
    bool down[256] = {};
    bool pressedSince[256] = {};
    KeyPressRing presses;
} keys;

}  // namespace

bool TrackKeyMessage(const MSG& msg) {
    const bool press = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
    const bool release = msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP;
    if (!press && !release) return false;
    const int vk = int(msg.wParam & 0xFF);
    if (press) {
        keys.down[vk] = true;
        keys.pressedSince[vk] = true;
        const bool shift = keys.down[VK_SHIFT] || (::GetKeyState(VK_SHIFT) & 0x8000);
        const bool repeat = (msg.lParam & (1 << 30)) != 0;  // the key was already down
        if (vk != VK_SHIFT && vk != VK_LSHIFT && vk != VK_RSHIFT) keys.presses.Keep(KeyPress{vk, shift, repeat});
    } else {
        keys.down[vk] = false;
    }
    return true;
}

void PumpThreadMessages(MSG* msg) {
    while (PeekMessageA(msg, nullptr, 0, 0, PM_REMOVE)) {
        TrackKeyMessage(*msg);
        TranslateMessage(msg);
        DispatchMessageA(msg);
    }
}

void ResetKeyTracking() {
    keys = KeyTracker{};
}

SHORT PlatformGetAsyncKeyState(int virtualKey) {
    if (virtualKey < 0 || virtualKey > 255) return 0;
    MSG msg;
    PumpThreadMessages(&msg);  // key messages already queued count, as the keys were pressed
    SHORT result = ::GetAsyncKeyState(virtualKey);
    if (keys.down[virtualKey]) result |= SHORT(0x8000);
    if (keys.pressedSince[virtualKey]) result |= 1;
    keys.pressedSince[virtualKey] = false;
    return result;
}

void PlatformPushKeyEvent(int virtualKey, bool down) {
    const LPARAM lParam = down ? 1 : LPARAM(1) | (LPARAM(1) << 30) | (LPARAM(1) << 31);
    const UINT message = down ? WM_KEYDOWN : WM_KEYUP;
    if (!windowHandle || !PostMessageA(windowHandle, message, WPARAM(virtualKey), lParam))
        PostThreadMessageA(GetCurrentThreadId(), message, WPARAM(virtualKey), lParam);
}

int PlatformTakeKeyPresses(KeyPress* out, int capacity) {
    MSG msg;
    PumpThreadMessages(&msg);
    return keys.presses.Take(out, capacity);
}
