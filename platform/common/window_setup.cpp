// The window constructor's shared steps.
#include "platform/common/window_setup.h"

#include <cstdio>

#include "platform/d3dwindow.h"
#include "platform/win32.h"

Exception::Exception(const char* what, const char* where) {
    std::snprintf(message, sizeof message, "%s", what);
    std::snprintf(location, sizeof location, "%s", where);
}

void WarnOnAdapterCaps(const D3DCAPS9& caps) {
    if (!(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT))
        MessageBoxA(nullptr, "Your GPU is from Poland!", "Warning", MB_OK);
}

void PrepareWindowDevice(IDirect3DDevice9* d) {
    for (DWORD sampler = 0; sampler < 7; ++sampler) {
        d->SetSamplerState(sampler, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        d->SetSamplerState(sampler, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        d->SetSamplerState(sampler, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    }
    d->SetRenderState(D3DRS_ANTIALIASEDLINEENABLE, TRUE);
    for (DWORD stage = 0; stage < 3; ++stage) d->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_DISABLE);
    IDirect3DSurface9* depth = nullptr;
    d->CreateDepthStencilSurface(640, 512, D3DFMT_D24X8, D3DMULTISAMPLE_NONE, 0, TRUE, &depth, nullptr);
    d->SetDepthStencilSurface(depth);
    if (depth) depth->Release();
}

HRESULT ResetWindowDevice(IDirect3DDevice9* d, D3DPRESENT_PARAMETERS parameters) {
    if (!d) return D3DERR_INVALIDCALL;
    const HRESULT hr = d->Reset(&parameters);
    if (SUCCEEDED(hr)) PrepareWindowDevice(d);
    return hr;
}

D3DPRESENT_PARAMETERS OwnDeviceParameters(UINT width, UINT height) {
    D3DPRESENT_PARAMETERS p{};
    p.BackBufferWidth = width;
    p.BackBufferHeight = height;
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    p.BackBufferCount = 1;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.Windowed = TRUE;
    p.EnableAutoDepthStencil = TRUE;
    p.AutoDepthStencilFormat = D3DFMT_D24X8;
    return p;
}
