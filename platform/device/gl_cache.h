// A small cache of GL state: each setter compares with what GL already has and calls GL only on a
// change, counting the calls it really makes.
//
// Written only by gl_cache.cpp; the device reads `calls`. Invalidate() after anything else touched
// GL state (or after context creation), Forget*() when a GL object is deleted so a recycled name is
// never skipped as "already bound".
#pragma once

#include <epoxy/gl.h>

#include <cstdint>

struct GlCache {
    static constexpr int kUnits = 8;

    uint64_t calls = 0;  // GL calls made through the cache

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
};
