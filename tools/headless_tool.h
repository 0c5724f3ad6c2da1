// The device for tool commands: SDL's offscreen driver and one 640x480 window, made once per run.
#pragma once

// Message boxes go to stderr instead of waiting for a click (the software-rasterizer warning among
// them). True when the global device exists afterwards.
bool OpenHeadlessDevice();
