// A small cache of GL state: each setter compares with what GL already has and calls GL only on a
// change. Every GL call the backend makes goes through here and is counted: state setters,
// uniforms, vertex attributes and sampler parameters by their methods, everything else (objects,
// uploads, clears, draws) through Call.
//
// Written only by the backend (gl_*.cpp). Invalidate() after anything else touched GL state (or
// after context creation), Forget*() when a GL object is deleted so a recycled name is never
// skipped as "already bound".
#pragma once

#include <utility>

#include "platform/device/gl_api.h"
#include "platform/device/gl_backend.h"

struct GlCache {
    static constexpr int kUnits = 8;

    GlCounts counts;

    // Any other GL call, counted: cache.Call(glDrawArrays, mode, first, count).
    template <typename F, typename... A>
    auto Call(F function, A&&... arguments) {
        ++counts.total;
        return function(std::forward<A>(arguments)...);
    }

    void Invalidate();  // forget everything: the next set of each state calls GL

    void UseProgram(GLuint program);
    void BindVertexArray(GLuint vao);
    void BindArrayBuffer(GLuint buffer);
    void BindElementBuffer(GLuint buffer);  // into the bound vertex array
    void BindDrawFramebuffer(GLuint framebuffer);
    void BindTexture(int unit, GLuint texture);  // GL_TEXTURE_2D
    void BindSampler(int unit, GLuint sampler);
    void Viewport(GLint x, GLint y, GLsizei w, GLsizei h);
    void Blend(bool enable, GLenum src, GLenum dst);
    void Depth(bool test, bool write, GLenum func);
    void Cull(bool enable, GLenum frontFace);
    void Scissor(bool enable, GLint x, GLint y, GLsizei w, GLsizei h);
    void ColorMask(bool all);
    void AttachDepth(GLuint renderbuffer);  // to the bound draw framebuffer; the caller knows what is attached

    // Not cached (uniforms live per program; the callers send only what changed), but counted.
    void Uniform(GLint location, GLint x);
    void Uniform(GLint location, GLfloat x);
    void Uniform(GLint location, GLfloat x, GLfloat y);
    void Uniform(GLint location, GLfloat x, GLfloat y, GLfloat z);
    void Uniform(GLint location, GLfloat x, GLfloat y, GLfloat z, GLfloat w);
    void Uniform(GLint location, GLint x, GLint y, GLint z, GLint w);
    void Uniform4v(GLint location, GLsizei count, const GLfloat* values);
    void UniformMatrix4(GLint location, bool transpose, const GLfloat* values);
    void UniformMatrix3(GLint location, bool transpose, const GLfloat* values);
    // A vertex attribute read from the bound array buffer, or a constant one.
    void AttributeArray(GLuint location, GLint size, GLenum type, bool normalized, GLsizei stride, uintptr_t offset);
    void AttributeConstant(GLuint location, GLfloat x, GLfloat y, GLfloat z, GLfloat w);
    void SamplerParameter(GLuint sampler, GLenum name, GLint value);

    void ForgetTexture(GLuint texture);
    void ForgetBuffer(GLuint buffer);
    void ForgetFramebuffer(GLuint framebuffer);

    // Last values given to GL; Invalidate() sets each to a value GL never has.
    GLuint program = 0, vao = 0, arrayBuffer = 0, elementBuffer = 0, drawFramebuffer = 0;
    GLuint textures[kUnits] = {}, samplers[kUnits] = {};
    int activeUnit = 0;
    GLint viewport[4] = {};
    int blend = 0;  // ints: -1 is unknown
    GLenum blendSrc = GL_ONE, blendDst = GL_ZERO;
    int depthTest = 0, depthWrite = 1;
    GLenum depthFunc = GL_LESS;
    int cull = 0;
    GLenum frontFace = GL_CCW;
    int scissor = 0;
    GLint scissorBox[4] = {};
    int colorMask = 1;  // int so that Invalidate can mark it unknown (-1)

private:
    void ActiveUnit(int unit);
    void Counted() { ++counts.total, ++counts.state; }  // one state call made
};
