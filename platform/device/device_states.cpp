// Recording D3D9 state: every setter only stores the value and marks what the next draw must send.
#include <cstring>

#include "platform/device/device_core.h"

namespace {

constexpr UINT kRenderStateCount = 256;
constexpr UINT kStageStateCount = 33;
constexpr UINT kSamplerStateCount = 14;

void Identity(D3DMATRIX* m) {
    std::memset(m, 0, sizeof *m);
    m->m[0][0] = m->m[1][1] = m->m[2][2] = m->m[3][3] = 1.0f;
}

// The uniform group a render state feeds; 0 for states applied through the GL cache every draw.
unsigned DirtyFor(D3DRENDERSTATETYPE state) {
    switch (state) {
        case D3DRS_LIGHTING:
        case D3DRS_AMBIENT:
        case D3DRS_COLORVERTEX:
        case D3DRS_LOCALVIEWER:
        case D3DRS_NORMALIZENORMALS:
        case D3DRS_DIFFUSEMATERIALSOURCE:
        case D3DRS_SPECULARMATERIALSOURCE:
        case D3DRS_AMBIENTMATERIALSOURCE:
        case D3DRS_EMISSIVEMATERIALSOURCE:
            return kDirtyLightingStates;
        case D3DRS_TEXTUREFACTOR:
            return kDirtyFactor;
        case D3DRS_SPECULARENABLE:
        case D3DRS_ALPHATESTENABLE:
        case D3DRS_ALPHAREF:
        case D3DRS_ALPHAFUNC:
            return kDirtyStage;
        default:
            return 0;
    }
}

}  // namespace

// Direct3D 9's values for a fresh device with an automatic depth buffer.
void DeviceCore::SetDefaultStates() {
    DWORD* rs = state.renderStates;
    rs[D3DRS_ZENABLE] = D3DZB_TRUE;
    rs[D3DRS_FILLMODE] = 3;   // D3DFILL_SOLID
    rs[D3DRS_SHADEMODE] = 2;  // D3DSHADE_GOURAUD
    rs[D3DRS_ZWRITEENABLE] = TRUE;
    rs[D3DRS_ALPHATESTENABLE] = FALSE;
    rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRS_ALPHAREF] = 0;
    rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_DITHERENABLE] = FALSE;
    rs[D3DRS_ALPHABLENDENABLE] = FALSE;
    rs[D3DRS_SPECULARENABLE] = FALSE;
    rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
    rs[D3DRS_LIGHTING] = TRUE;
    rs[D3DRS_AMBIENT] = 0;
    rs[D3DRS_COLORVERTEX] = TRUE;
    rs[D3DRS_LOCALVIEWER] = TRUE;
    rs[D3DRS_NORMALIZENORMALS] = FALSE;
    rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    rs[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_ANTIALIASEDLINEENABLE] = FALSE;
    for (UINT s = 0; s < kStageCount; ++s) {
        DWORD* ts = state.stageStates[s];
        ts[D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        ts[D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        ts[D3DTSS_COLORARG1] = ts[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        ts[D3DTSS_COLORARG2] = ts[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        ts[D3DTSS_TEXCOORDINDEX] = s;
        DWORD* ss = state.samplerStates[s];
        ss[D3DSAMP_ADDRESSU] = ss[D3DSAMP_ADDRESSV] = D3DTADDRESS_WRAP;
        ss[D3DSAMP_MAGFILTER] = ss[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        ss[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
    }
    Identity(&state.world);
    Identity(&state.view);
    Identity(&state.projection);
    state.material = {};
    samplerDirty = (1u << kStageCount) - 1;
    dirty = kDirtyAll;
}

HRESULT IDirect3DDevice9::SetRenderState(D3DRENDERSTATETYPE type, DWORD value) {
    if (UINT(type) >= kRenderStateCount) return D3DERR_INVALIDCALL;
    DWORD& slot = core->state.renderStates[type];
    if (slot == value) return D3D_OK;
    slot = value;
    ++core->stateChanges;
    core->dirty |= DirtyFor(type);
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    if (stage >= kStageCount || UINT(type) >= kStageStateCount) return D3DERR_INVALIDCALL;
    DWORD& slot = core->state.stageStates[stage][type];
    if (slot == value) return D3D_OK;
    slot = value;
    ++core->stateChanges;
    if (stage == 0) core->dirty |= kDirtyStage;  // stages 1..7 are not emulated
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    if (sampler >= kStageCount || UINT(type) >= kSamplerStateCount) return D3DERR_INVALIDCALL;
    DWORD& slot = core->state.samplerStates[sampler][type];
    if (slot == value) return D3D_OK;
    slot = value;
    ++core->stateChanges;
    core->samplerDirty |= 1u << sampler;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix) {
    if (!matrix) return D3DERR_INVALIDCALL;
    D3DXMATRIX* slot = type == D3DTS_WORLD        ? &core->state.world
                       : type == D3DTS_VIEW       ? &core->state.view
                       : type == D3DTS_PROJECTION ? &core->state.projection
                                                  : nullptr;
    if (!slot) return D3DERR_INVALIDCALL;
    if (std::memcmp(slot, matrix, sizeof *matrix) == 0) return D3D_OK;
    static_cast<D3DMATRIX&>(*slot) = *matrix;
    ++core->stateChanges;
    core->dirty |= type == D3DTS_PROJECTION ? kDirtyProjection : kDirtyTransforms;
    if (type == D3DTS_VIEW) core->dirty |= kDirtyLights;  // lights live in camera space
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetMaterial(const D3DMATERIAL9* material) {
    if (!material) return D3DERR_INVALIDCALL;
    if (std::memcmp(&core->state.material, material, sizeof *material) == 0) return D3D_OK;
    core->state.material = *material;
    ++core->stateChanges;
    core->dirty |= kDirtyMaterial;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetLight(DWORD index, const D3DLIGHT9* light) {
    if (!light) return D3DERR_INVALIDCALL;
    if (light->Type != D3DLIGHT_POINT && light->Type != D3DLIGHT_SPOT && light->Type != D3DLIGHT_DIRECTIONAL)
        return D3DERR_INVALIDCALL;
    if (light->Type != D3DLIGHT_DIRECTIONAL && !(light->Range >= 0.0f && light->Range <= 1.8446743e19f))
        return D3DERR_INVALIDCALL;  // Range must lie in 0..sqrt(FLT_MAX)
    D3DLIGHT9& slot = core->state.lights[index].light;
    if (std::memcmp(&slot, light, sizeof *light) == 0) return D3D_OK;
    slot = *light;
    ++core->stateChanges;
    core->dirty |= kDirtyLights | kDirtyLightTypes;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::LightEnable(DWORD index, BOOL enable) {
    auto& lights = core->state.lights;
    auto it = lights.find(index);
    if (it == lights.end()) {
        // A light never set: Direct3D makes a white directional light along +z.
        LightSlot slot;
        slot.light = {};
        slot.light.Type = D3DLIGHT_DIRECTIONAL;
        slot.light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
        slot.light.Direction = {0.0f, 0.0f, 1.0f};
        it = lights.emplace(index, slot).first;
    }
    if (it->second.enabled == bool(enable)) return D3D_OK;
    if (enable) {
        UINT active = 0;
        for (const auto& entry : lights) active += entry.second.enabled;
        if (active >= kMaxActiveLights) return D3DERR_INVALIDCALL;
    }
    it->second.enabled = enable;
    ++core->stateChanges;
    core->dirty |= kDirtyLights | kDirtyLightTypes;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetTexture(DWORD stage, IDirect3DTexture9* texture) {
    if (stage >= kStageCount) return D3DERR_INVALIDCALL;
    IDirect3DTexture9*& slot = core->state.textures[stage];
    if (slot == texture) return D3D_OK;
    ++core->stateChanges;
    // NULL-ness decides whether stage 0 runs at all; the texture itself binds at the draw.
    if (stage == 0 && (slot == nullptr) != (texture == nullptr)) core->dirty |= kDirtyStage;
    DeviceCore::Rebind(slot, texture);
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetFVF(DWORD fvf) {
    if (core->state.fvf == fvf) return D3D_OK;
    core->state.fvf = fvf;
    ++core->stateChanges;
    core->dirty |= kDirtyVertexFormat | kDirtyLightingStates;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride) {
    if (stream != 0) return D3DERR_INVALIDCALL;
    D3DState& s = core->state;
    if (s.stream == buffer && s.streamOffset == offset && s.streamStride == stride) return D3D_OK;
    ++core->stateChanges;
    DeviceCore::Rebind(s.stream, buffer);
    s.streamOffset = offset;
    s.streamStride = stride;
    core->dirty |= kDirtyVertexFormat;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetIndices(IDirect3DIndexBuffer9* buffer) {
    if (core->state.indices != buffer) ++core->stateChanges;
    DeviceCore::Rebind(core->state.indices, buffer);
    return D3D_OK;
}
