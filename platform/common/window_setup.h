// The steps of the window constructor every backend shares. Private to platform/.
#pragma once

#include "platform/d3d9.h"

// The show's warning about an adapter without hardware transform and lighting (none read as none).
void WarnOnAdapterCaps(const D3DCAPS9& caps);
// The device's states as the window leaves them: linear filtering on the samplers, stages 0 to 2
// off, and the 640x512 depth buffer every target shares.
void PrepareWindowDevice(IDirect3DDevice9* device);
