// What the Windows backend's files share, private to platform/win32/.
#pragma once

#include <windows.h>

// Notes a key message (from the window or queued for the thread) for GetAsyncKeyState and the
// key presses; false for every other message.
bool TrackKeyMessage(const MSG& msg);
// Empties the thread's message queue: keys noted, then translated and dispatched.
void PumpThreadMessages(MSG* msg);
// Forgets every key (a new window starts with none held).
void ResetKeyTracking();
