// Compare, then call, then count: GL state changes through one cache.
#include "platform/device/gl_cache.h"

namespace {
constexpr GLuint kUnknownName = ~0u;
constexpr GLenum kUnknownEnum = ~0u;
}  // namespace

void GlCache::Invalidate() {
    program = vao = arrayBuffer = elementBuffer = drawFramebuffer = kUnknownName;
    for (int i = 0; i < kUnits; ++i) textures[i] = samplers[i] = kUnknownName;
    activeUnit = -1;
    viewport[0] = viewport[1] = viewport[2] = viewport[3] = -1;
    blend = depthTest = depthWrite = cull = scissor = colorMask = -1;
    blendSrc = blendDst = depthFunc = frontFace = kUnknownEnum;
    scissorBox[0] = scissorBox[1] = scissorBox[2] = scissorBox[3] = -1;
}

void GlCache::UseProgram(GLuint p) {
    if (program == p) return;
    glUseProgram(p);
    program = p;
    ++calls;
}

void GlCache::BindVertexArray(GLuint v) {
    if (vao == v) return;
    glBindVertexArray(v);
    vao = v;
    elementBuffer = kUnknownName;  // element binding is vertex-array state
    ++calls;
}

void GlCache::BindArrayBuffer(GLuint b) {
    if (arrayBuffer == b) return;
    glBindBuffer(GL_ARRAY_BUFFER, b);
    arrayBuffer = b;
    ++calls;
}

void GlCache::BindElementBuffer(GLuint b) {
    if (elementBuffer == b) return;
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, b);
    elementBuffer = b;
    ++calls;
}

void GlCache::BindDrawFramebuffer(GLuint f) {
    if (drawFramebuffer == f) return;
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, f);
    drawFramebuffer = f;
    ++calls;
}

void GlCache::ActiveUnit(int unit) {
    if (activeUnit == unit) return;
    glActiveTexture(GL_TEXTURE0 + unit);
    activeUnit = unit;
    ++calls;
}

void GlCache::BindTexture(int unit, GLuint t) {
    if (textures[unit] == t) return;
    ActiveUnit(unit);
    glBindTexture(GL_TEXTURE_2D, t);
    textures[unit] = t;
    ++calls;
}

void GlCache::BindSampler(int unit, GLuint s) {
    if (samplers[unit] == s) return;
    glBindSampler(unit, s);
    samplers[unit] = s;
    ++calls;
}

void GlCache::Viewport(GLint x, GLint y, GLsizei w, GLsizei h) {
    if (viewport[0] == x && viewport[1] == y && viewport[2] == w && viewport[3] == h) return;
    glViewport(x, y, w, h);
    viewport[0] = x, viewport[1] = y, viewport[2] = w, viewport[3] = h;
    ++calls;
}

void GlCache::Blend(bool enable, GLenum src, GLenum dst) {
    if (blend != int(enable)) {
        enable ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
        blend = enable;
        ++calls;
    }
    if (enable && (blendSrc != src || blendDst != dst)) {
        glBlendFunc(src, dst);
        blendSrc = src, blendDst = dst;
        ++calls;
    }
}

void GlCache::Depth(bool test, bool write, GLenum func) {
    if (depthTest != int(test)) {
        test ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST);
        depthTest = test;
        ++calls;
    }
    if (depthWrite != int(write)) {
        glDepthMask(write ? GL_TRUE : GL_FALSE);
        depthWrite = write;
        ++calls;
    }
    if (test && depthFunc != func) {
        glDepthFunc(func);
        depthFunc = func;
        ++calls;
    }
}

void GlCache::Cull(bool enable, GLenum face) {
    if (cull != int(enable)) {
        enable ? glEnable(GL_CULL_FACE) : glDisable(GL_CULL_FACE);
        cull = enable;
        ++calls;
    }
    if (enable && frontFace != face) {
        glFrontFace(face);
        frontFace = face;
        ++calls;
    }
}

void GlCache::Scissor(bool enable, GLint x, GLint y, GLsizei w, GLsizei h) {
    if (scissor != int(enable)) {
        enable ? glEnable(GL_SCISSOR_TEST) : glDisable(GL_SCISSOR_TEST);
        scissor = enable;
        ++calls;
    }
    if (enable && (scissorBox[0] != x || scissorBox[1] != y || scissorBox[2] != w || scissorBox[3] != h)) {
        glScissor(x, y, w, h);
        scissorBox[0] = x, scissorBox[1] = y, scissorBox[2] = w, scissorBox[3] = h;
        ++calls;
    }
}

void GlCache::ColorMask(bool all) {
    if (colorMask == int(all)) return;
    const GLboolean on = all ? GL_TRUE : GL_FALSE;
    glColorMask(on, on, on, on);
    colorMask = all;
    ++calls;
}

void GlCache::ForgetTexture(GLuint t) {
    for (int i = 0; i < kUnits; ++i)
        if (textures[i] == t) textures[i] = kUnknownName;
}

void GlCache::ForgetBuffer(GLuint b) {
    if (arrayBuffer == b) arrayBuffer = kUnknownName;
    if (elementBuffer == b) elementBuffer = kUnknownName;
}

void GlCache::ForgetFramebuffer(GLuint f) {
    if (drawFramebuffer == f) drawFramebuffer = kUnknownName;
}
