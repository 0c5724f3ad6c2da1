// Compare, then call, then count: GL state changes, uniforms, attributes and sampler parameters
// through one cache.
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
    Counted();
}

void GlCache::BindVertexArray(GLuint v) {
    if (vao == v) return;
    glBindVertexArray(v);
    vao = v;
    elementBuffer = kUnknownName;  // element binding is vertex-array state
    Counted();
}

void GlCache::BindArrayBuffer(GLuint b) {
    if (arrayBuffer == b) return;
    glBindBuffer(GL_ARRAY_BUFFER, b);
    arrayBuffer = b;
    Counted();
}

void GlCache::BindElementBuffer(GLuint b) {
    if (elementBuffer == b) return;
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, b);
    elementBuffer = b;
    Counted();
}

void GlCache::BindDrawFramebuffer(GLuint f) {
    if (drawFramebuffer == f) return;
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, f);
    drawFramebuffer = f;
    Counted();
}

void GlCache::ActiveUnit(int unit) {
    if (activeUnit == unit) return;
    glActiveTexture(GL_TEXTURE0 + unit);
    activeUnit = unit;
    Counted();
}

void GlCache::BindTexture(int unit, GLuint t) {
    if (textures[unit] == t) return;
    ActiveUnit(unit);
    glBindTexture(GL_TEXTURE_2D, t);
    textures[unit] = t;
    Counted();
    ++counts.textureBinds;
}

void GlCache::BindSampler(int unit, GLuint s) {
    if (samplers[unit] == s) return;
    glBindSampler(unit, s);
    samplers[unit] = s;
    Counted();
}

void GlCache::Viewport(GLint x, GLint y, GLsizei w, GLsizei h) {
    if (viewport[0] == x && viewport[1] == y && viewport[2] == w && viewport[3] == h) return;
    glViewport(x, y, w, h);
    viewport[0] = x, viewport[1] = y, viewport[2] = w, viewport[3] = h;
    Counted();
}

void GlCache::Blend(bool enable, GLenum src, GLenum dst) {
    if (blend != int(enable)) {
        enable ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
        blend = enable;
        Counted();
    }
    if (enable && (blendSrc != src || blendDst != dst)) {
        glBlendFunc(src, dst);
        blendSrc = src, blendDst = dst;
        Counted();
    }
}

void GlCache::Depth(bool test, bool write, GLenum func) {
    if (depthTest != int(test)) {
        test ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST);
        depthTest = test;
        Counted();
    }
    if (depthWrite != int(write)) {
        glDepthMask(write ? GL_TRUE : GL_FALSE);
        depthWrite = write;
        Counted();
    }
    if (test && depthFunc != func) {
        glDepthFunc(func);
        depthFunc = func;
        Counted();
    }
}

void GlCache::Cull(bool enable, GLenum face) {
    if (cull != int(enable)) {
        enable ? glEnable(GL_CULL_FACE) : glDisable(GL_CULL_FACE);
        cull = enable;
        Counted();
    }
    if (enable && frontFace != face) {
        glFrontFace(face);
        frontFace = face;
        Counted();
    }
}

void GlCache::Scissor(bool enable, GLint x, GLint y, GLsizei w, GLsizei h) {
    if (scissor != int(enable)) {
        enable ? glEnable(GL_SCISSOR_TEST) : glDisable(GL_SCISSOR_TEST);
        scissor = enable;
        Counted();
    }
    if (enable && (scissorBox[0] != x || scissorBox[1] != y || scissorBox[2] != w || scissorBox[3] != h)) {
        glScissor(x, y, w, h);
        scissorBox[0] = x, scissorBox[1] = y, scissorBox[2] = w, scissorBox[3] = h;
        Counted();
    }
}

void GlCache::ColorMask(bool all) {
    if (colorMask == int(all)) return;
    const GLboolean on = all ? GL_TRUE : GL_FALSE;
    glColorMask(on, on, on, on);
    colorMask = all;
    Counted();
}

void GlCache::AttachDepth(GLuint renderbuffer) {
    glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, renderbuffer);
    Counted();
}

void GlCache::Uniform(GLint location, GLint x) {
    glUniform1i(location, x);
    Counted();
}

void GlCache::Uniform(GLint location, GLfloat x) {
    glUniform1f(location, x);
    Counted();
}

void GlCache::Uniform(GLint location, GLfloat x, GLfloat y) {
    glUniform2f(location, x, y);
    Counted();
}

void GlCache::Uniform(GLint location, GLfloat x, GLfloat y, GLfloat z) {
    glUniform3f(location, x, y, z);
    Counted();
}

void GlCache::Uniform(GLint location, GLfloat x, GLfloat y, GLfloat z, GLfloat w) {
    glUniform4f(location, x, y, z, w);
    Counted();
}

void GlCache::Uniform(GLint location, GLint x, GLint y, GLint z, GLint w) {
    glUniform4i(location, x, y, z, w);
    Counted();
}

void GlCache::Uniform4v(GLint location, GLsizei count, const GLfloat* values) {
    glUniform4fv(location, count, values);
    Counted();
}

void GlCache::UniformMatrix4(GLint location, bool transpose, const GLfloat* values) {
    glUniformMatrix4fv(location, 1, transpose ? GL_TRUE : GL_FALSE, values);
    Counted();
}

void GlCache::UniformMatrix3(GLint location, bool transpose, const GLfloat* values) {
    glUniformMatrix3fv(location, 1, transpose ? GL_TRUE : GL_FALSE, values);
    Counted();
}

void GlCache::AttributeArray(GLuint location, GLint size, GLenum type, bool normalized, GLsizei stride,
                             uintptr_t offset) {
    glEnableVertexAttribArray(location);
    glVertexAttribPointer(location, size, type, normalized ? GL_TRUE : GL_FALSE, stride,
                          reinterpret_cast<const void*>(offset));
    Counted(), Counted();
}

void GlCache::AttributeConstant(GLuint location, GLfloat x, GLfloat y, GLfloat z, GLfloat w) {
    glDisableVertexAttribArray(location);
    glVertexAttrib4f(location, x, y, z, w);
    Counted(), Counted();
}

void GlCache::SamplerParameter(GLuint sampler, GLenum name, GLint value) {
    glSamplerParameteri(sampler, name, value);
    Counted();
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
