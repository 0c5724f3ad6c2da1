// Key state and the mouse cursor by their Win32 names, over the page's html5 events.
//
// GetAsyncKeyState answers "down now, or pressed since the last query of this key": the key
// callbacks record every key-down and each query consumes its key's flag. A page cannot move the
// pointer, so the cursor is virtual: mouse movement over the canvas moves it, SetCursorPos puts it
// anywhere (the free camera puts it home after every step and reads the movement since).
#include "platform/web/web_input.h"

#include <emscripten/html5.h>

#include <cstring>

#include "platform/common/key_press_ring.h"
#include "platform/d3dwindow.h"
#include "platform/win32.h"

namespace {

// The keys the show and author mode know: KeyboardEvent.code and virtual-key code.
struct KeyName {
    const char* code;
    int vk;
};
constexpr KeyName namedKeys[] = {
    {"Escape", VK_ESCAPE},    {"Space", VK_SPACE},      {"Enter", 0x0D},       {"ShiftLeft", VK_SHIFT},
    {"ShiftRight", VK_SHIFT}, {"PageUp", VK_PRIOR},     {"PageDown", VK_NEXT}, {"Home", VK_HOME},
    {"ArrowLeft", VK_LEFT},   {"ArrowRight", VK_RIGHT}, {"F1", VK_F1},
};

struct KeyTracker {
    bool down[256] = {};
    bool pressedSince[256] = {};
    KeyPressRing presses;
    bool listening = false;
    POINT cursor = {320, 240};
} keys;

// Virtual-key code of a KeyboardEvent.code, or -1 for keys the show never asks about.
int VirtualKey(const char* code) {
    if (std::strncmp(code, "Key", 3) == 0 && code[3] >= 'A' && code[3] <= 'Z' && !code[4]) return code[3];
    if (std::strncmp(code, "Digit", 5) == 0 && code[5] >= '0' && code[5] <= '9' && !code[6]) return code[5];
    for (const KeyName& k : namedKeys)
        if (!std::strcmp(k.code, code)) return k.vk;
    return -1;
}

void KeyChange(int vk, bool down, bool shift, bool repeat) {
    if (vk < 0 || vk > 255) return;
    if (down) {
        keys.down[vk] = true;
        keys.pressedSince[vk] = true;
        if (vk != VK_SHIFT) keys.presses.Keep(KeyPress{vk, shift || keys.down[VK_SHIFT], repeat});
    } else {
        keys.down[vk] = false;
    }
}

EM_BOOL OnKey(int type, const EmscriptenKeyboardEvent* e, void*) {
    const int vk = VirtualKey(e->code);
    if (vk < 0) return EM_FALSE;  // the page's own keys (F for full screen) pass on
    KeyChange(vk, type == EMSCRIPTEN_EVENT_KEYDOWN, e->shiftKey, e->repeat);
    return vk == VK_SPACE || vk == VK_PRIOR || vk == VK_NEXT || vk == VK_HOME || vk == VK_LEFT || vk == VK_RIGHT ||
           vk == VK_F1;  // keys that would scroll the page or open its help
}

EM_BOOL OnMouseMove(int, const EmscriptenMouseEvent* e, void*) {
    keys.cursor.x += e->movementX;
    keys.cursor.y += e->movementY;
    return EM_FALSE;
}

}  // namespace

void StartWebInput() {
    if (keys.listening) return;
    keys.listening = true;
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, OnKey);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, OnKey);
    emscripten_set_mousemove_callback("#canvas", nullptr, EM_FALSE, OnMouseMove);
}

SHORT GetAsyncKeyState(int virtualKey) {
    if (virtualKey < 0 || virtualKey > 255) return 0;
    SHORT result = 0;
    if (keys.down[virtualKey]) result |= SHORT(0x8000);
    if (keys.pressedSince[virtualKey]) result |= 1;
    keys.pressedSince[virtualKey] = false;
    return result;
}

HCURSOR SetCursor(HCURSOR cursor) {
    static int arrow;  // the one cursor the show knows: the class's arrow
    static bool hidden = false;
    HCURSOR previous = hidden ? nullptr : &arrow;
    if (hidden != (cursor == nullptr)) {
        hidden = cursor == nullptr;
        EM_ASM(
            {
                var canvas = document.getElementById('canvas');
                if (canvas) canvas.style.cursor = $0 ? "none" : "auto";
            },
            hidden);
    }
    return previous;
}

BOOL GetCursorPos(POINT* point) {
    if (!point) return FALSE;
    *point = keys.cursor;
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    keys.cursor = {x, y};
    return TRUE;
}

void PlatformPushKeyEvent(int virtualKey, bool down) {
    KeyChange(virtualKey, down, false, false);
}

int PlatformTakeKeyPresses(KeyPress* out, int capacity) {
    return keys.presses.Take(out, capacity);
}

void PlatformPushCloseEvent() {}  // a page has no close button of its own
