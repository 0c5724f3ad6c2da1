// The few window-system services the show calls by their Win32 names: message boxes, the cursor and
// key-state polling. Texts are Windows-1252 bytes; they are shown as UTF-8 where the system's
// boxes are not the system's own (on Windows they are, and take the bytes as they are).
//
// On Windows these are the system's own, with two of them routed through the backend: every
// MessageBoxA of the show goes to the hook below when one is in place, and GetAsyncKeyState also
// answers for the key messages the window itself received (tests queue them).
#pragma once

#include <functional>
#include <string>

#include "platform/d3d9.h"

#if defined(_WIN32)

int PlatformMessageBoxA(HWND owner, const char* text, const char* caption, UINT type);
SHORT PlatformGetAsyncKeyState(int virtualKey);
#define MessageBoxA PlatformMessageBoxA
#define GetAsyncKeyState PlatformGetAsyncKeyState

#else

struct SDL_Window;
typedef SDL_Window* HWND;
typedef void* HCURSOR;

struct POINT {
    int32_t x, y;
};

constexpr UINT MB_OK = 0;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_PRIOR = 0x21;  // Page Up
constexpr int VK_NEXT = 0x22;   // Page Down
constexpr int VK_HOME = 0x24;
constexpr int VK_LEFT = 0x25;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_F1 = 0x70;

// Modal, with no owner. With no display the caption and text go to stderr and the program goes on.
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);
HCURSOR SetCursor(HCURSOR cursor);  // NULL hides the mouse cursor
BOOL GetCursorPos(POINT* point);    // screen coordinates
BOOL SetCursorPos(int x, int y);
// Nonzero when the key is down now or was pressed since the previous query of that key.
SHORT GetAsyncKeyState(int virtualKey);

#endif

// Tests and tools watch message boxes through this hook instead of showing them. Empty: show them.
using MessageBoxHook = std::function<void(const char* text, const char* caption)>;
void SetMessageBoxHook(MessageBoxHook hook);
MessageBoxHook GetMessageBoxHook();  // the hook now in place (to chain one in front of it)

// Windows-1252 bytes to UTF-8 (message boxes, JSON output).
std::string Cp1252ToUtf8(const char* text);
