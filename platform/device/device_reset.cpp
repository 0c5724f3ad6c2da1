// A lost device and its Reset. Our GL context is never taken away, so the device is lost only
// when a test says so; what Reset demands and does is Direct3D 9's, so the program's recovery
// (which default-pool resources it lets go of and makes again) is checked here too.
#include "platform/device/device_core.h"

HRESULT IDirect3DDevice9::TestCooperativeLevel() {
    if (!core->lost) return D3D_OK;
    if (core->lostChecks > 0) {
        --core->lostChecks;
        return D3DERR_DEVICELOST;
    }
    return D3DERR_DEVICENOTRESET;
}

void IDirect3DDevice9::LoseForTest(int lostChecks) {
    core->lost = true;
    core->lostChecks = lostChecks > 0 ? lostChecks : 0;
}

HRESULT IDirect3DDevice9::Reset(D3DPRESENT_PARAMETERS* parameters) {
    if (!parameters) return D3DERR_INVALIDCALL;
    if (core->lost && core->lostChecks > 0) return D3DERR_DEVICELOST;
    // What the device holds goes first: a resource the program has released and that is only
    // bound is gone after this.
    for (DWORD stage = 0; stage < kStageCount; ++stage) SetTexture(stage, nullptr);
    SetStreamSource(0, nullptr, 0, 0);
    SetIndices(nullptr);
    SetRenderTarget(0, core->backBuffer);
    SetDepthStencilSurface(nullptr);
    if (core->defaultPoolObjects > 0) return D3DERR_INVALIDCALL;  // still lost; the program must let go

    core->state.lights.clear();
    core->SetDefaultStates();
    const D3DSURFACE_DESC& back = core->backBuffer->desc;
    core->state.scissor = {0, 0, int32_t(back.Width), int32_t(back.Height)};
    if (parameters->EnableAutoDepthStencil) {
        IDirect3DSurface9* depth = nullptr;
        if (SUCCEEDED(CreateDepthStencilSurface(back.Width, back.Height, D3DFMT_D24X8, D3DMULTISAMPLE_NONE, 0, TRUE,
                                                &depth, nullptr))) {
            SetDepthStencilSurface(depth);
            depth->Release();
        }
    }
    core->dirty = kDirtyAll;
    core->lost = false;
    return D3D_OK;
}
