// Draws: turning the recorded D3D9 state into GL state and uniforms, then the GL draw call.
#include <cmath>
#include <cstring>

#include "platform/device/device_core.h"

namespace {

bool PrimitiveVertices(D3DPRIMITIVETYPE type, UINT primitives, GLenum* mode, UINT* vertices) {
    switch (type) {
        case D3DPT_TRIANGLELIST:
            *mode = GL_TRIANGLES, *vertices = primitives * 3;
            return primitives <= 0x55555555u;
        case D3DPT_TRIANGLESTRIP:
            *mode = GL_TRIANGLE_STRIP, *vertices = primitives + 2;
            return primitives < 0xFFFFFFF0u;
        case D3DPT_TRIANGLEFAN:
            *mode = GL_TRIANGLE_FAN, *vertices = primitives + 2;
            return primitives < 0xFFFFFFF0u;
        default:
            return false;
    }
}

GLenum BlendFactor(DWORD blend) {
    switch (blend) {
        case D3DBLEND_ZERO:
            return GL_ZERO;
        case D3DBLEND_SRCCOLOR:
            return GL_SRC_COLOR;
        case D3DBLEND_INVSRCCOLOR:
            return GL_ONE_MINUS_SRC_COLOR;
        case D3DBLEND_SRCALPHA:
            return GL_SRC_ALPHA;
        case D3DBLEND_INVSRCALPHA:
            return GL_ONE_MINUS_SRC_ALPHA;
        default:
            return GL_ONE;
    }
}

GLenum CompareFunc(DWORD func) {
    static const GLenum table[] = {GL_NEVER,   GL_LESS,     GL_EQUAL,  GL_LEQUAL,
                                   GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};
    return func >= D3DCMP_NEVER && func <= D3DCMP_ALWAYS ? table[func - 1] : GL_ALWAYS;
}

GLenum AddressMode(DWORD address) {
    if (address == D3DTADDRESS_MIRROR) return GL_MIRRORED_REPEAT;
    if (address == D3DTADDRESS_CLAMP) return GL_CLAMP_TO_EDGE;
    return GL_REPEAT;
}

void Colour(GLint location, const D3DCOLORVALUE& c) {
    glUniform4f(location, c.r, c.g, c.b, c.a);
}

void DecodeColour(D3DCOLOR c, float out[4]) {
    out[0] = float((c >> 16) & 255) / 255.0f;
    out[1] = float((c >> 8) & 255) / 255.0f;
    out[2] = float(c & 255) / 255.0f;
    out[3] = float(c >> 24) / 255.0f;
}

// Inverse of the upper 3x3 of m (row-major); identity when singular.
void Inverse3x3(const D3DMATRIX& m, float out[9]) {
    const float a = m.m[0][0], b = m.m[0][1], c = m.m[0][2];
    const float d = m.m[1][0], e = m.m[1][1], f = m.m[1][2];
    const float g = m.m[2][0], h = m.m[2][1], i = m.m[2][2];
    const float A = e * i - f * h, B = -(d * i - f * g), C = d * h - e * g;
    const float det = a * A + b * B + c * C;
    if (det == 0.0f || !std::isfinite(det)) {
        const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        std::memcpy(out, identity, sizeof identity);
        return;
    }
    const float k = 1.0f / det;
    const float r[9] = {A * k, -(b * i - c * h) * k, (b * f - c * e) * k,
                        B * k, (a * i - c * g) * k,  -(a * f - c * d) * k,
                        C * k, -(a * h - b * g) * k, (a * e - b * d) * k};
    std::memcpy(out, r, sizeof r);
}

// A material source is honoured only with COLORVERTEX and when the vertex carries that colour.
int MaterialSource(DWORD source, bool colorVertex, const FvfLayout& l) {
    if (!colorVertex) return 0;
    if (source == D3DMCS_COLOR1 && l.diffuse >= 0) return 1;
    if (source == D3DMCS_COLOR2 && l.specular >= 0) return 2;
    return 0;
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

}  // namespace

void DeviceCore::ApplyVertexFormat() {
    const FvfLayout l = ParseFvf(state.fvf);
    cache.BindArrayBuffer(state.stream->glBuffer);
    const GLsizei stride = GLsizei(state.streamStride);
    auto attribute = [&](GLuint location, int offset, GLint size, GLenum type, GLboolean normalized) {
        if (offset < 0) {
            glDisableVertexAttribArray(location);
            glVertexAttrib4f(location, 0, 0, 0, 0);
            cache.calls += 2;
            return;
        }
        glEnableVertexAttribArray(location);
        glVertexAttribPointer(location, size, type, normalized, stride,
                              reinterpret_cast<const void*>(uintptr_t(state.streamOffset) + uintptr_t(offset)));
        cache.calls += 2;
    };
    attribute(kAttribPosition, l.position, l.pretransformed ? 4 : 3, GL_FLOAT, GL_FALSE);
    attribute(kAttribNormal, l.normal, 3, GL_FLOAT, GL_FALSE);
    attribute(kAttribDiffuse, l.diffuse, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE);  // D3DCOLOR bytes B, G, R, A
    attribute(kAttribSpecular, l.specular, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE);
    attribute(kAttribTexCoord, l.texCoord, 2, GL_FLOAT, GL_FALSE);
}

void DeviceCore::ApplySamplers() {
    if (!(samplerDirty & 1u)) return;  // only stage 0 samples
    const DWORD* ss = state.samplerStates[0];
    const bool minLinear = ss[D3DSAMP_MINFILTER] == D3DTEXF_LINEAR;
    GLenum minFilter = minLinear ? GL_LINEAR : GL_NEAREST;
    if (ss[D3DSAMP_MIPFILTER] == D3DTEXF_POINT)
        minFilter = minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    if (ss[D3DSAMP_MIPFILTER] == D3DTEXF_LINEAR)
        minFilter = minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    glSamplerParameteri(samplers[0], GL_TEXTURE_MIN_FILTER, GLint(minFilter));
    glSamplerParameteri(samplers[0], GL_TEXTURE_MAG_FILTER,
                        ss[D3DSAMP_MAGFILTER] == D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
    glSamplerParameteri(samplers[0], GL_TEXTURE_WRAP_S, GLint(AddressMode(ss[D3DSAMP_ADDRESSU])));
    glSamplerParameteri(samplers[0], GL_TEXTURE_WRAP_T, GLint(AddressMode(ss[D3DSAMP_ADDRESSV])));
    const GLint magFilter = ss[D3DSAMP_MAGFILTER] == D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST;
    glSamplerParameteri(magnifySampler, GL_TEXTURE_MIN_FILTER, magFilter);
    glSamplerParameteri(magnifySampler, GL_TEXTURE_MAG_FILTER, magFilter);
    glSamplerParameteri(magnifySampler, GL_TEXTURE_WRAP_S, GLint(AddressMode(ss[D3DSAMP_ADDRESSU])));
    glSamplerParameteri(magnifySampler, GL_TEXTURE_WRAP_T, GLint(AddressMode(ss[D3DSAMP_ADDRESSV])));
    cache.calls += 8;
    samplerDirty &= ~1u;
}

void DeviceCore::ApplyUniforms() {
    const FixedFunctionProgram& p = program;
    const FvfLayout l = ParseFvf(state.fvf);
    const DWORD* rs = state.renderStates;
    if (dirty & kDirtyTarget) {
        const D3DSURFACE_DESC& d = state.renderTarget->desc;
        // 63/64 of half a pixel: edges never land exactly on pixel centres (the top-left fill rule holds).
        glUniform2f(p.pixelOffset, (63.0f / 64.0f) / float(d.Width), (63.0f / 64.0f) / float(d.Height));
        glUniform2f(p.targetSize, float(d.Width), float(d.Height));
        cache.calls += 2;
    }
    if (dirty & kDirtyTransforms) {
        D3DMATRIX worldView;
        D3DXMatrixMultiply(&worldView, &state.world, &state.view);
        float normal[9];
        Inverse3x3(worldView, normal);
        glUniformMatrix4fv(p.worldView, 1, GL_FALSE, worldView.Floats());
        glUniformMatrix3fv(p.normalMatrix, 1, GL_TRUE, normal);
        cache.calls += 2;
    }
    if (dirty & kDirtyProjection) {
        glUniformMatrix4fv(p.projection, 1, GL_FALSE, state.projection.Floats());
        ++cache.calls;
    }
    if (dirty & kDirtyFactor) {
        float factor[4];
        DecodeColour(rs[D3DRS_TEXTUREFACTOR], factor);
        glUniform4fv(p.textureFactor, 1, factor);
        ++cache.calls;
    }
    if (dirty & kDirtyLightingStates) {
        const bool colorVertex = rs[D3DRS_COLORVERTEX];
        float ambient[4];
        DecodeColour(rs[D3DRS_AMBIENT], ambient);
        glUniform1i(p.lighting, rs[D3DRS_LIGHTING] && !l.pretransformed);
        glUniform1i(p.localViewer, rs[D3DRS_LOCALVIEWER] != 0);
        glUniform1i(p.normalizeNormals, rs[D3DRS_NORMALIZENORMALS] != 0);
        glUniform1i(p.pretransformed, l.pretransformed);
        glUniform1i(p.hasNormal, l.normal >= 0);
        glUniform1i(p.hasDiffuse, l.diffuse >= 0);
        glUniform1i(p.hasSpecular, l.specular >= 0);
        glUniform4i(p.materialSources, MaterialSource(rs[D3DRS_DIFFUSEMATERIALSOURCE], colorVertex, l),
                    MaterialSource(rs[D3DRS_AMBIENTMATERIALSOURCE], colorVertex, l),
                    MaterialSource(rs[D3DRS_SPECULARMATERIALSOURCE], colorVertex, l),
                    MaterialSource(rs[D3DRS_EMISSIVEMATERIALSOURCE], colorVertex, l));
        glUniform3f(p.globalAmbient, ambient[0], ambient[1], ambient[2]);
        cache.calls += 9;
    }
    if (dirty & kDirtyMaterial) {
        const D3DMATERIAL9& m = state.material;
        Colour(p.matDiffuse, m.Diffuse);
        Colour(p.matAmbient, m.Ambient);
        Colour(p.matSpecular, m.Specular);
        Colour(p.matEmissive, m.Emissive);
        glUniform1f(p.matPower, m.Power);
        cache.calls += 5;
    }
    if (dirty & kDirtyLights) {
        float position[8][4] = {}, direction[8][4] = {}, diffuse[8][4] = {}, specular[8][4] = {};
        float ambient[8][4] = {}, attenuation[8][4] = {}, spot[8][4] = {};
        int count = 0;
        const D3DMATRIX& v = state.view;
        for (const auto& entry : state.lights) {
            if (!entry.second.enabled || count == int(kMaxActiveLights)) continue;
            const D3DLIGHT9& L = entry.second.light;
            const D3DVECTOR& P = L.Position;
            const D3DVECTOR& D = L.Direction;
            for (int c = 0; c < 3; ++c) {  // camera space: position with w = 1, direction with w = 0
                position[count][c] = P.x * v.m[0][c] + P.y * v.m[1][c] + P.z * v.m[2][c] + v.m[3][c];
                direction[count][c] = D.x * v.m[0][c] + D.y * v.m[1][c] + D.z * v.m[2][c];
            }
            const float len =
                std::sqrt(direction[count][0] * direction[count][0] + direction[count][1] * direction[count][1] +
                          direction[count][2] * direction[count][2]);
            if (len > 0.0f)
                for (int c = 0; c < 3; ++c) direction[count][c] /= len;
            std::memcpy(diffuse[count], &L.Diffuse, 16);
            std::memcpy(specular[count], &L.Specular, 16);
            std::memcpy(ambient[count], &L.Ambient, 16);
            const float range = L.Type == D3DLIGHT_DIRECTIONAL ? 3.402823466e38f : L.Range;
            const float a[4] = {L.Attenuation0, L.Attenuation1, L.Attenuation2, range};
            std::memcpy(attenuation[count], a, 16);
            const float s[4] = {std::cos(L.Theta * 0.5f), std::cos(L.Phi * 0.5f), L.Falloff, float(L.Type)};
            std::memcpy(spot[count], s, 16);
            ++count;
        }
        glUniform1i(p.lightCount, count);
        glUniform4fv(p.lightPosition, 8, &position[0][0]);
        glUniform4fv(p.lightDirection, 8, &direction[0][0]);
        glUniform4fv(p.lightDiffuse, 8, &diffuse[0][0]);
        glUniform4fv(p.lightSpecular, 8, &specular[0][0]);
        glUniform4fv(p.lightAmbient, 8, &ambient[0][0]);
        glUniform4fv(p.lightAttenuation, 8, &attenuation[0][0]);
        glUniform4fv(p.lightSpot, 8, &spot[0][0]);
        cache.calls += 8;
    }
    if (dirty & kDirtyStage) {  // the rest of stage 0 is built into the variant
        glUniform1f(p.alphaRef, float(rs[D3DRS_ALPHAREF] & 255));
        ++cache.calls;
    }
}

bool DeviceCore::SelectProgram() {
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
    key.specularEnable = rs[D3DRS_SPECULARENABLE] != 0;
    key.alphaFunc = rs[D3DRS_ALPHATESTENABLE] ? int(rs[D3DRS_ALPHAFUNC]) : int(D3DCMP_ALWAYS);
    if (key == pixelKey && program.program) return true;
    const FixedFunctionProgram* found = nullptr;
    for (const auto& variant : variants)
        if (variant.first == key) found = &variant.second;
    if (!found) {
        FixedFunctionProgram built;
        std::string error;
        if (!built.Build(key, &error)) return false;
        variants.emplace_back(key, built);
        found = &variants.back().second;
    }
    pixelKey = key;
    if (found->program == program.program) return true;
    program = *found;
    dirty = kDirtyAll;  // uniforms live in each program: the new one gets them all
    return true;
}

bool DeviceCore::ApplyDraw(bool magnified) {
    if (!state.stream || !state.renderTarget) return false;
    if (dirty & kDirtyTarget) ApplyTarget();
    if ((dirty & kDirtyStage) && !SelectProgram()) return false;
    cache.UseProgram(program.program);
    cache.BindVertexArray(vertexArray);
    const DWORD* rs = state.renderStates;
    cache.ColorMask(true);
    if (rs[D3DRS_SCISSORTESTENABLE]) {
        int x1 = 0, y1 = 0, x2 = int(state.renderTarget->desc.Width), y2 = int(state.renderTarget->desc.Height);
        if (!ClipToScissor(&x1, &y1, &x2, &y2)) x2 = x1, y2 = y1;  // an empty box: nothing drawn
        cache.Scissor(true, x1, y1, x2 - x1, y2 - y1);
    } else {
        cache.Scissor(false, 0, 0, 0, 0);
    }
    // Source-alpha blending of a source whose alpha is exactly 1 writes the source: blending off
    // gives the same bytes without reading the target (an opaque full-screen layer costs a fifth less).
    const bool blendIsCopy =
        rs[D3DRS_SRCBLEND] == D3DBLEND_SRCALPHA && rs[D3DRS_DESTBLEND] == D3DBLEND_INVSRCALPHA && OpaqueAlpha(state);
    cache.Blend(rs[D3DRS_ALPHABLENDENABLE] != 0 && !blendIsCopy, BlendFactor(rs[D3DRS_SRCBLEND]),
                BlendFactor(rs[D3DRS_DESTBLEND]));
    const bool depth = rs[D3DRS_ZENABLE] != D3DZB_FALSE && state.depthStencil;
    cache.Depth(depth, depth && rs[D3DRS_ZWRITEENABLE], CompareFunc(rs[D3DRS_ZFUNC]));
    // Targets are stored top row first, which turns D3D's on-screen clockwise into GL's
    // counter-clockwise: CCW culling keeps GL_CCW fronts, CW culling keeps GL_CW fronts.
    const DWORD cull = rs[D3DRS_CULLMODE];
    cache.Cull(cull == D3DCULL_CW || cull == D3DCULL_CCW, cull == D3DCULL_CW ? GL_CW : GL_CCW);
    IDirect3DTexture9* texture = state.textures[0];
    cache.BindTexture(0, texture ? texture->glTexture : 0);
    ApplySamplers();
    cache.BindSampler(0, magnified ? magnifySampler : samplers[0]);
    if (dirty & kDirtyVertexFormat) ApplyVertexFormat();
    if (dirty) {
        if (dirty == kDirtyAll) {  // a program's first draw: the sampler unit never changes
            glUniform1i(program.texture0, 0);
            ++cache.calls;
        }
        ApplyUniforms();
        dirty = 0;
    }
    return true;
}

HRESULT IDirect3DDevice9::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
    GLenum mode;
    UINT vertices;
    if (!PrimitiveVertices(type, primitiveCount, &mode, &vertices)) return D3DERR_INVALIDCALL;
    if (primitiveCount == 0) return D3D_OK;
    const D3DState& s = core->state;
    if (!s.stream || s.streamStride == 0 || ParseFvf(s.fvf).size > s.streamStride || ParseFvf(s.fvf).position < 0)
        return D3DERR_INVALIDCALL;
    // Never let GL read past the buffer's end.
    const uint64_t length = s.stream->memory.size();
    const uint64_t available = s.streamOffset <= length ? (length - s.streamOffset) / s.streamStride : 0;
    if (uint64_t(startVertex) + vertices > available) return D3DERR_INVALIDCALL;
    const bool magnified = core->DrawIsMagnified(mode, startVertex, vertices);
    if (!core->ApplyDraw(magnified)) return D3DERR_INVALIDCALL;
    glDrawArrays(mode, GLint(startVertex), GLsizei(vertices));
    ++core->draws;
    core->magnifiedDraws += magnified;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT, UINT, UINT startIndex,
                                               UINT primitiveCount) {
    GLenum mode;
    UINT count;
    if (!PrimitiveVertices(type, primitiveCount, &mode, &count)) return D3DERR_INVALIDCALL;
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
    core->cache.BindElementBuffer(indices->glBuffer);
    glDrawElementsBaseVertex(mode, GLsizei(count), GL_UNSIGNED_SHORT,
                             reinterpret_cast<const void*>(uintptr_t(startIndex) * 2), baseVertexIndex);
    ++core->draws;
    return D3D_OK;
}
