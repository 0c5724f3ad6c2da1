// The steps of the window constructor every backend shares. Private to platform/.
#pragma once

#include "platform/d3d9.h"

// The show's warning about an adapter without hardware transform and lighting (none read as none).
void WarnOnAdapterCaps(const D3DCAPS9& caps);
// The device's states as the window leaves them: linear filtering on the samplers, stages 0 to 2
// off, and the 640x512 depth buffer every target shares.
void PrepareWindowDevice(IDirect3DDevice9* device);
// Reset with these parameters (a copy: Reset may write to them), then the states above again.
HRESULT ResetWindowDevice(IDirect3DDevice9* device, D3DPRESENT_PARAMETERS parameters);
// The parameters our own device is made with: a back buffer of that size with its own depth buffer.
D3DPRESENT_PARAMETERS OwnDeviceParameters(UINT width, UINT height);
