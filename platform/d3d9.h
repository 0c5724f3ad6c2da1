// The Direct3D 9 the show draws through: the system's own (<d3d9.h>) on Windows, and everywhere else
// our device over OpenGL (platform/device/d3d9.h), which has the same names, values and calls for
// everything the show uses. The show's code includes this and nothing more specific.
#pragma once

#if defined(_WIN32)
#include <windows.h>
// windows.h's own
#include <d3d9.h>

// The D3DX records the show hands to the device, as our device's header brings them too.
#include "math/d3dx_math.h"
#else
#include "platform/device/d3d9.h"
#endif
