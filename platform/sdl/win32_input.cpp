// Key state and the mouse cursor by their Win32 names, on SDL.
//
// GetAsyncKeyState answers "down now, or pressed since the last query of this key". SDL's own
// keyboard state only knows "down now", so an event watch records every key-down as it enters the
// queue (including injected events) and each query consumes its key's flag.
#include <SDL.h>

#include <cstring>

#include "platform/common/key_press_ring.h"
#include "platform/d3dwindow.h"
#include "platform/sdl/input_state.h"
#include "platform/win32.h"

namespace {

constexpr int cursorHomeX = 320, cursorHomeY = 240;  // the free camera's cursor home

// The keys the show and author mode know: SDL key and virtual-key code.
struct KeyName {
    SDL_Keycode sdl;
    int vk;
};
constexpr KeyName namedKeys[] = {
    {SDLK_ESCAPE, VK_ESCAPE}, {SDLK_SPACE, VK_SPACE},  {SDLK_RETURN, 0x0D},      {SDLK_LSHIFT, VK_SHIFT},
    {SDLK_RSHIFT, VK_SHIFT},  {SDLK_PAGEUP, VK_PRIOR}, {SDLK_PAGEDOWN, VK_NEXT}, {SDLK_HOME, VK_HOME},
    {SDLK_LEFT, VK_LEFT},     {SDLK_RIGHT, VK_RIGHT},  {SDLK_F1, VK_F1},
};

struct KeyTracker {
    bool down[256] = {};
    bool pressedSince[256] = {};
    KeyPressRing presses;
    bool watching = false;
    bool cursorHidden = false;
    // The offscreen driver has no real pointer. It starts where the free camera puts it back
    // after every step, so a camera that gets no input does not turn on its first step either.
    POINT virtualCursor = {cursorHomeX, cursorHomeY};
} keys;

// Virtual-key code of an SDL key, or -1 for keys the show never asks about.
int VirtualKey(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + int(key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + int(key - SDLK_0);
    for (const KeyName& k : namedKeys)
        if (k.sdl == key) return k.vk;
    return -1;
}

int SDLCALL WatchKeys(void*, SDL_Event* event) {
    if (event->type != SDL_KEYDOWN && event->type != SDL_KEYUP) return 1;
    const int vk = VirtualKey(event->key.keysym.sym);
    if (vk < 0) return 1;
    if (event->type == SDL_KEYDOWN) {
        keys.down[vk] = true;
        keys.pressedSince[vk] = true;
        const bool shift = keys.down[VK_SHIFT] || (event->key.keysym.mod & KMOD_SHIFT);
        if (vk != VK_SHIFT) keys.presses.Keep(KeyPress{vk, shift, event->key.repeat != 0});
    } else {
        keys.down[vk] = false;
    }
    return 1;
}

bool VirtualCursor() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return !driver || std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
}

}  // namespace

void StartInputTracking() {
    if (keys.watching) return;
    SDL_AddEventWatch(WatchKeys, nullptr);
    keys.watching = true;
    // A real pointer starts at home too: wherever the mouse was before the show is not input.
    SetCursorPos(cursorHomeX, cursorHomeY);
}

void StopInputTracking() {
    if (keys.watching) SDL_DelEventWatch(WatchKeys, nullptr);
    keys = KeyTracker{};
}

SHORT GetAsyncKeyState(int virtualKey) {
    if (virtualKey < 0 || virtualKey > 255) return 0;
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_PumpEvents();  // moves new key events past the watch
    SHORT result = 0;
    if (keys.down[virtualKey]) result |= SHORT(0x8000);
    if (keys.pressedSince[virtualKey]) result |= 1;
    keys.pressedSince[virtualKey] = false;
    return result;
}

HCURSOR SetCursor(HCURSOR cursor) {
    static int arrow;  // the one cursor the show knows: the class's arrow
    HCURSOR previous = keys.cursorHidden ? nullptr : &arrow;
    keys.cursorHidden = cursor == nullptr;
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(cursor ? SDL_ENABLE : SDL_DISABLE);
    return previous;
}

BOOL GetCursorPos(POINT* point) {
    if (!point) return FALSE;
    if (VirtualCursor() || !SDL_WasInit(SDL_INIT_VIDEO)) {
        *point = keys.virtualCursor;
        return TRUE;
    }
    int x = 0, y = 0;
    SDL_GetGlobalMouseState(&x, &y);
    *point = {x, y};
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    keys.virtualCursor = {x, y};
    if (!VirtualCursor() && SDL_WasInit(SDL_INIT_VIDEO)) return SDL_WarpMouseGlobal(x, y) == 0;
    return TRUE;
}

void PlatformPushKeyEvent(int virtualKey, bool down) {
    SDL_Keycode key = SDLK_UNKNOWN;
    if (virtualKey >= 'A' && virtualKey <= 'Z') key = SDLK_a + (virtualKey - 'A');
    if (virtualKey >= '0' && virtualKey <= '9') key = SDLK_0 + (virtualKey - '0');
    for (const KeyName& k : namedKeys)
        if (k.vk == virtualKey && key == SDLK_UNKNOWN) key = k.sdl;  // Shift: the left one
    SDL_Event event = {};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    SDL_PushEvent(&event);
}

int PlatformTakeKeyPresses(KeyPress* out, int capacity) {
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_PumpEvents();
    return keys.presses.Take(out, capacity);
}

void PlatformPushCloseEvent() {
    SDL_Event event = {};
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&event);
    event = {};
    event.type = SDL_QUIT;
    SDL_PushEvent(&event);
}
