// Draws: checking them against the bound buffers, and deciding from the recorded D3D9 state what
// the backend must set before each (program variant, blending, depth, culling, scissor, texture).
#include <cstring>

#include "platform/device/device_core.h"

namespace {

// Vertices read by `primitives` primitives of a type; false for a type not drawn or a count whose
// vertices would not fit in 32 bits.
bool PrimitiveVertices(D3DPRIMITIVETYPE type, UINT primitives, UINT* vertices) {
    switch (type) {
        case D3DPT_TRIANGLELIST:
            *vertices = primitives * 3;
            return primitives <= 0x55555555u;
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN:
            *vertices = primitives + 2;
            return primitives < 0xFFFFFFF0u;
        default:
            return false;
    }
}

// True when stage 0's alpha is exactly 1 for every pixel: built only from the texture of a
// format without alpha and a texture factor with alpha 255.
bool OpaqueAlpha(const D3DState& s) {
    const DWORD* ts = s.stageStates[0];
    const IDirect3DTexture9* texture = s.textures[0];
    auto one = [&](DWORD arg) {
        if (arg == D3DTA_TFACTOR) return (s.renderStates[D3DRS_TEXTUREFACTOR] >> 24) == 255;
        if (arg == D3DTA_TEXTURE)  // the formats whose alpha reads 1
            return texture && (texture->Format() == D3DFMT_X8R8G8B8 || texture->Format() == D3DFMT_L8);
        return false;  // anything else, or a modifier, is not known here
    };
    const DWORD op = ts[D3DTSS_ALPHAOP];
    if (ts[D3DTSS_COLOROP] == D3DTOP_DISABLE || !texture) return false;
    if (op == D3DTOP_SELECTARG1) return one(ts[D3DTSS_ALPHAARG1]);
    if (op == D3DTOP_SELECTARG2) return one(ts[D3DTSS_ALPHAARG2]);
    if (op == D3DTOP_MODULATE) return one(ts[D3DTSS_ALPHAARG1]) && one(ts[D3DTSS_ALPHAARG2]);
    return false;
}

bool ReadsTexture(DWORD op, DWORD arg1, DWORD arg2) {
    const bool reads1 = op == D3DTOP_SELECTARG1 || op == D3DTOP_MODULATE;
    const bool reads2 = op == D3DTOP_SELECTARG2 || op == D3DTOP_MODULATE;
    return (reads1 && (arg1 & 0xF) == D3DTA_TEXTURE) || (reads2 && (arg2 & 0xF) == D3DTA_TEXTURE);
}

// A material source is honoured only with COLORVERTEX and when the vertex carries that colour.
int MaterialSource(DWORD source, bool colorVertex, const FvfLayout& l) {
    if (!colorVertex) return 0;
    if (source == D3DMCS_COLOR1 && l.diffuse >= 0) return 1;
    if (source == D3DMCS_COLOR2 && l.specular >= 0) return 2;
    return 0;
}

}  // namespace

FfVertexKey DeviceCore::VertexKey() const {
    const DWORD* rs = state.renderStates;
    const FvfLayout l = ParseFvf(state.fvf);
    FfVertexKey key;
    key.pretransformed = l.pretransformed;
    key.lighting = rs[D3DRS_LIGHTING] && !l.pretransformed;
    if (!key.lighting) {
        key.hasDiffuse = l.diffuse >= 0, key.hasSpecular = l.specular >= 0;
        return key;
    }
    key.localViewer = rs[D3DRS_LOCALVIEWER] != 0;
    key.normalizeNormals = rs[D3DRS_NORMALIZENORMALS] != 0;
    key.hasNormal = l.normal >= 0;
    const bool colorVertex = rs[D3DRS_COLORVERTEX];
    key.materialSources[0] = MaterialSource(rs[D3DRS_DIFFUSEMATERIALSOURCE], colorVertex, l);
    key.materialSources[1] = MaterialSource(rs[D3DRS_AMBIENTMATERIALSOURCE], colorVertex, l);
    key.materialSources[2] = MaterialSource(rs[D3DRS_SPECULARMATERIALSOURCE], colorVertex, l);
    key.materialSources[3] = MaterialSource(rs[D3DRS_EMISSIVEMATERIALSOURCE], colorVertex, l);
    UINT count = 0;  // the lights the program is given: the first kMaxActiveLights enabled
    for (const auto& entry : state.lights) {
        if (!entry.second.enabled || count == kMaxActiveLights) continue;
        const D3DLIGHTTYPE type = entry.second.light.Type;
        key.pointLights |= type == D3DLIGHT_POINT;
        key.spotLights |= type == D3DLIGHT_SPOT;
        key.directionalLights |= type == D3DLIGHT_DIRECTIONAL;
        ++count;
    }
    return key;
}

FfPixelKey DeviceCore::PixelKey() const {
    const DWORD* ts = state.stageStates[0];
    const DWORD* rs = state.renderStates;
    const DWORD op = ts[D3DTSS_COLOROP];
    FfPixelKey key;
    key.hasTexture = state.textures[0] != nullptr;
    // D3D9's NULL-texture rule: a colour argument the op reads being TEXTURE ends the cascade.
    key.stageActive =
        op != D3DTOP_DISABLE && (key.hasTexture || !ReadsTexture(op, ts[D3DTSS_COLORARG1], ts[D3DTSS_COLORARG2]));
    if (key.stageActive) {  // an inactive stage reads none of these: one variant for all of them
        const int colorOp[3] = {int(op), int(ts[D3DTSS_COLORARG1]), int(ts[D3DTSS_COLORARG2])};
        const int alphaOp[3] = {int(ts[D3DTSS_ALPHAOP]), int(ts[D3DTSS_ALPHAARG1]), int(ts[D3DTSS_ALPHAARG2])};
        std::memcpy(key.colorOp, colorOp, sizeof colorOp);
        std::memcpy(key.alphaOp, alphaOp, sizeof alphaOp);
    } else {
        key.hasTexture = false;
    }
    // The specular colour is 0 unless the vertices bring one or lighting makes one: adding it then
    // changes nothing, so the draw shares the variant without the add. The composition draws that
    // way whatever a scene left set, rather than switching variants after the first scene pass.
    const FvfLayout layout = ParseFvf(state.fvf);
    const bool specularColour = layout.specular >= 0 || (rs[D3DRS_LIGHTING] && !layout.pretransformed);
    key.specularEnable = rs[D3DRS_SPECULARENABLE] != 0 && specularColour;
    key.alphaFunc = rs[D3DRS_ALPHATESTENABLE] ? int(rs[D3DRS_ALPHAFUNC]) : int(D3DCMP_ALWAYS);
    return key;
}

bool DeviceCore::ApplyDraw(bool magnified) {
    if (!state.stream || !state.renderTarget) return false;
    if (dirty & kDirtyTarget) ApplyTarget();
    if (dirty & (kDirtyStage | kDirtyLightingStates | kDirtyLightTypes)) {
        bool changed = false;
        if (!GlSelectProgram(gl, FfProgramKey{PixelKey(), VertexKey()}, &changed)) return false;
        if (changed) dirty = kDirtyAll;  // uniforms live in each program: the new one gets them all
    }
    const DWORD* rs = state.renderStates;
    GlDrawState d{};
    d.scissor = rs[D3DRS_SCISSORTESTENABLE] != 0;
    if (d.scissor) {
        int x1 = 0, y1 = 0, x2 = int(state.renderTarget->desc.Width), y2 = int(state.renderTarget->desc.Height);
        if (!ClipToScissor(&x1, &y1, &x2, &y2)) x2 = x1, y2 = y1;  // an empty box: nothing drawn
        const GlBox box = StoredBox(state.renderTarget, x1, y1, x2, y2);
        d.scissorBox[0] = box.x, d.scissorBox[1] = box.y, d.scissorBox[2] = box.width, d.scissorBox[3] = box.height;
    }
    // Source-alpha blending of a source whose alpha is exactly 1 writes the source: blending off
    // gives the same bytes without reading the target (an opaque full-screen layer costs a fifth less).
    const bool blendIsCopy =
        rs[D3DRS_SRCBLEND] == D3DBLEND_SRCALPHA && rs[D3DRS_DESTBLEND] == D3DBLEND_INVSRCALPHA && OpaqueAlpha(state);
    d.blend = rs[D3DRS_ALPHABLENDENABLE] != 0 && !blendIsCopy;
    d.srcBlend = rs[D3DRS_SRCBLEND], d.destBlend = rs[D3DRS_DESTBLEND];
    d.depthTest = rs[D3DRS_ZENABLE] != D3DZB_FALSE && state.depthStencil;
    d.depthWrite = d.depthTest && rs[D3DRS_ZWRITEENABLE];
    d.depthFunc = rs[D3DRS_ZFUNC];
    if (d.depthTest) ApplyDepthClears();
    d.cullMode = rs[D3DRS_CULLMODE];
    d.texture = state.textures[0] ? state.textures[0]->glTexture : 0;
    d.magnified = magnified;
    const bool samplersChanged = samplerDirty & 1u;  // only stage 0 samples
    GlApplyDrawState(gl, d, samplersChanged ? state.samplerStates[0] : nullptr);
    samplerDirty &= ~1u;
    if (dirty & kDirtyVertexFormat)
        GlSetVertexFormat(gl, ParseFvf(state.fvf), state.stream->glBuffer, state.streamOffset, state.streamStride);
    if (dirty) {
        UpdateConstants(dirty);
        GlSendConstants(gl, dirty, constants);
        dirty = 0;
    }
    return true;
}

HRESULT IDirect3DDevice9::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
    UINT vertices;
    if (!PrimitiveVertices(type, primitiveCount, &vertices)) return D3DERR_INVALIDCALL;
    if (primitiveCount == 0) return D3D_OK;
    const D3DState& s = core->state;
    if (!s.stream || s.streamStride == 0 || ParseFvf(s.fvf).size > s.streamStride || ParseFvf(s.fvf).position < 0)
        return D3DERR_INVALIDCALL;
    // Never let GL read past the buffer's end.
    const uint64_t length = s.stream->memory.size();
    const uint64_t available = s.streamOffset <= length ? (length - s.streamOffset) / s.streamStride : 0;
    if (uint64_t(startVertex) + vertices > available) return D3DERR_INVALIDCALL;
    const bool magnified = core->DrawIsMagnified(type, startVertex, vertices);
    if (!core->ApplyDraw(magnified)) return D3DERR_INVALIDCALL;
    GlDrawArrays(core->gl, type, startVertex, vertices);
    ++core->draws;
    core->magnifiedDraws += magnified;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT, UINT, UINT startIndex,
                                               UINT primitiveCount) {
    UINT count;
    if (!PrimitiveVertices(type, primitiveCount, &count)) return D3DERR_INVALIDCALL;
    if (primitiveCount == 0) return D3D_OK;
    const D3DState& s = core->state;
    IDirect3DIndexBuffer9* indices = s.indices;
    if (!indices || !s.stream || s.streamStride == 0 || ParseFvf(s.fvf).size > s.streamStride ||
        ParseFvf(s.fvf).position < 0)
        return D3DERR_INVALIDCALL;
    const uint64_t indexCount = indices->memory.size() / 2;
    if (uint64_t(startIndex) + count > indexCount) return D3DERR_INVALIDCALL;
    // Every index, moved by the base, must name a vertex inside the stream.
    if (indices->checkedVersion != indices->version || indices->checkedStart != startIndex ||
        indices->checkedCount != count) {
        unsigned largest = 0;
        const uint8_t* bytes = indices->memory.data() + size_t(startIndex) * 2;
        for (UINT i = 0; i < count; ++i) {
            uint16_t index;
            std::memcpy(&index, bytes + size_t(i) * 2, 2);
            if (index > largest) largest = index;
        }
        indices->checkedVersion = indices->version;
        indices->checkedStart = startIndex;
        indices->checkedCount = count;
        indices->checkedMax = largest;
    }
    const uint64_t length = s.stream->memory.size();
    const uint64_t available = s.streamOffset <= length ? (length - s.streamOffset) / s.streamStride : 0;
    if (baseVertexIndex < 0 || uint64_t(baseVertexIndex) + indices->checkedMax >= available) return D3DERR_INVALIDCALL;
    if (!core->ApplyDraw(false)) return D3DERR_INVALIDCALL;
    GlDrawIndexed(core->gl, type, indices->glBuffer, count, startIndex, baseVertexIndex);
    ++core->draws;
    return D3D_OK;
}
