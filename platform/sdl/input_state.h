// Key tracking behind GetAsyncKeyState, private to platform/.
#pragma once

// Starts watching SDL's key events (called once SDL's video runs); Stop forgets every key.
void StartInputTracking();
void StopInputTracking();
