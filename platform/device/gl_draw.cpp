// The GL backend's draws: program variants, the draw's GL state, vertex attributes, sampler
// parameters, the fixed-function program's uniforms and the draw calls.
#include "platform/device/gl_state.h"
#include "platform/device/gl_tables.h"

bool GlSelectProgram(GlBackend* gl, const FfProgramKey& key, bool* changed) {
    *changed = false;
    if (key == gl->programKey && gl->program.program) return true;
    const FixedFunctionProgram* found = nullptr;
    for (const auto& variant : gl->variants)
        if (variant.first == key) found = &variant.second;
    if (!found) {
        FixedFunctionProgram built;
        std::string error;
        if (!built.Build(gl->cache, key, &error)) return false;
        gl->variants.emplace_back(key, built);
        found = &gl->variants.back().second;
    }
    gl->programKey = key;
    if (found->program == gl->program.program) return true;
    gl->program = *found;
    *changed = true;  // uniforms live in each program: the new one gets them all
    return true;
}

namespace {

void SetSamplers(GlBackend* gl, const DWORD* ss) {
    GlCache& c = gl->cache;
    const GLuint s = gl->samplers[0];
    c.SamplerParameter(s, GL_TEXTURE_MIN_FILTER, GLint(MinFilter(ss[D3DSAMP_MINFILTER], ss[D3DSAMP_MIPFILTER])));
    c.SamplerParameter(s, GL_TEXTURE_MAG_FILTER, GLint(MagFilter(ss[D3DSAMP_MAGFILTER])));
    c.SamplerParameter(s, GL_TEXTURE_WRAP_S, GLint(AddressMode(ss[D3DSAMP_ADDRESSU])));
    c.SamplerParameter(s, GL_TEXTURE_WRAP_T, GLint(AddressMode(ss[D3DSAMP_ADDRESSV])));
    // The magnified draws' sampler: the magnification filter both ways, no mip filter.
    const GLint magFilter = GLint(MagFilter(ss[D3DSAMP_MAGFILTER]));
    c.SamplerParameter(gl->magnifySampler, GL_TEXTURE_MIN_FILTER, magFilter);
    c.SamplerParameter(gl->magnifySampler, GL_TEXTURE_MAG_FILTER, magFilter);
    c.SamplerParameter(gl->magnifySampler, GL_TEXTURE_WRAP_S, GLint(AddressMode(ss[D3DSAMP_ADDRESSU])));
    c.SamplerParameter(gl->magnifySampler, GL_TEXTURE_WRAP_T, GLint(AddressMode(ss[D3DSAMP_ADDRESSV])));
}

}  // namespace

void GlApplyDrawState(GlBackend* gl, const GlDrawState& d, const DWORD* samplerStates) {
    GlCache& c = gl->cache;
    c.UseProgram(gl->program.program);
    c.BindVertexArray(gl->vertexArray);
    c.ColorMask(true);
    if (d.scissor)
        c.Scissor(true, d.scissorBox[0], d.scissorBox[1], d.scissorBox[2], d.scissorBox[3]);
    else
        c.Scissor(false, 0, 0, 0, 0);
    c.Blend(d.blend, BlendFactor(d.srcBlend), BlendFactor(d.destBlend));
    c.Depth(d.depthTest, d.depthWrite, CompareFunc(d.depthFunc));
    c.Cull(CullEnabled(d.cullMode), FrontFace(d.cullMode));
    c.BindTexture(0, d.texture);
    if (samplerStates) SetSamplers(gl, samplerStates);
    c.BindSampler(0, d.magnified ? gl->magnifySampler : gl->samplers[0]);
}

void GlSetVertexFormat(GlBackend* gl, const FvfLayout& l, unsigned buffer, UINT offset, UINT stride) {
    GlCache& c = gl->cache;
    gl->vertexFormat = {l, buffer, offset, stride, true};
    c.BindArrayBuffer(buffer);
    auto attribute = [&](GLuint location, int at, GLint size, GLenum type, bool normalized) {
        if (at < 0)
            c.AttributeConstant(location, 0, 0, 0, 0);
        else
            c.AttributeArray(location, size, type, normalized, GLsizei(stride), uintptr_t(offset) + uintptr_t(at));
    };
    attribute(kAttribPosition, l.position, l.pretransformed ? 4 : 3, GL_FLOAT, false);
    attribute(kAttribNormal, l.normal, 3, GL_FLOAT, false);
    // D3DCOLOR bytes B, G, R, A
    attribute(kAttribDiffuse, l.diffuse, VertexColorSize(), GL_UNSIGNED_BYTE, true);
    attribute(kAttribSpecular, l.specular, VertexColorSize(), GL_UNSIGNED_BYTE, true);
    attribute(kAttribTexCoord, l.texCoord, 2, GL_FLOAT, false);
}

void GlSendConstants(GlBackend* gl, unsigned dirty, const FfConstants& k) {
    GlCache& c = gl->cache;
    const FixedFunctionProgram& p = gl->program;
    if (dirty == kDirtyAll) c.Uniform(p.texture0, GLint(0));  // a program's first draw: the unit never changes
    if (dirty & kDirtyTarget) {
        c.Uniform(p.pixelOffset, k.pixelOffset[0], k.pixelOffset[1]);
        c.Uniform(p.targetSize, k.targetSize[0], k.targetSize[1]);
        if (p.pixelShift >= 0) c.Uniform(p.pixelShift, k.pixelShift[0], k.pixelShift[1]);
    }
    if (dirty & kDirtyTransforms) {
        c.UniformMatrix4(p.worldView, false, k.worldView.Floats());
        c.UniformMatrix3(p.normalMatrix, true, k.normalMatrix);
    }
    if (dirty & kDirtyProjection) c.UniformMatrix4(p.projection, false, k.projection.Floats());
    if (dirty & kDirtyFactor) c.Uniform4v(p.textureFactor, 1, k.textureFactor);
    if (dirty & kDirtyLightingStates)
        c.Uniform(p.globalAmbient, k.globalAmbient[0], k.globalAmbient[1], k.globalAmbient[2]);
    if (dirty & kDirtyMaterial) {
        const D3DMATERIAL9& m = k.material;
        for (auto [location, colour] : {std::pair{p.matDiffuse, &m.Diffuse}, std::pair{p.matAmbient, &m.Ambient},
                                        std::pair{p.matSpecular, &m.Specular}, std::pair{p.matEmissive, &m.Emissive}})
            c.Uniform(location, colour->r, colour->g, colour->b, colour->a);
        c.Uniform(p.matPower, m.Power);
    }
    if (dirty & kDirtyLights) {
        c.Uniform(p.lightCount, GLint(k.lightCount));
        c.Uniform4v(p.lightPosition, kFfMaxLights, &k.lightPosition[0][0]);
        c.Uniform4v(p.lightDirection, kFfMaxLights, &k.lightDirection[0][0]);
        c.Uniform4v(p.lightDiffuse, kFfMaxLights, &k.lightDiffuse[0][0]);
        c.Uniform4v(p.lightSpecular, kFfMaxLights, &k.lightSpecular[0][0]);
        c.Uniform4v(p.lightAmbient, kFfMaxLights, &k.lightAmbient[0][0]);
        c.Uniform4v(p.lightAttenuation, kFfMaxLights, &k.lightAttenuation[0][0]);
        c.Uniform4v(p.lightSpot, kFfMaxLights, &k.lightSpot[0][0]);
    }
    if (dirty & kDirtyStage) c.Uniform(p.alphaRef, k.alphaRef);  // the rest of stage 0 is built into the variant
}

void GlDrawArrays(GlBackend* gl, D3DPRIMITIVETYPE type, UINT first, UINT vertices) {
    gl->cache.Call(glDrawArrays, PrimitiveMode(type), GLint(first), GLsizei(vertices));
}

void GlDrawIndexed(GlBackend* gl, D3DPRIMITIVETYPE type, unsigned indexBuffer, UINT count, UINT startIndex,
                   INT baseVertex) {
    gl->cache.BindElementBuffer(indexBuffer);
    const void* indices = reinterpret_cast<const void*>(uintptr_t(startIndex) * 2);
    if (gl->cache.Call(GlDrawElementsWithBase, PrimitiveMode(type), GLsizei(count), GL_UNSIGNED_SHORT, indices,
                       GLint(baseVertex)))
        return;
    // No base vertex in ES: the attributes start baseVertex vertices further on for this draw.
    const GlVertexFormat f = gl->vertexFormat;
    if (baseVertex != 0 && f.set)
        GlSetVertexFormat(gl, f.layout, f.buffer, UINT(int64_t(f.offset) + int64_t(baseVertex) * f.stride), f.stride);
    gl->cache.Call(glDrawElements, PrimitiveMode(type), GLsizei(count), GL_UNSIGNED_SHORT, indices);
    if (baseVertex != 0 && f.set) GlSetVertexFormat(gl, f.layout, f.buffer, f.offset, f.stride);
}
