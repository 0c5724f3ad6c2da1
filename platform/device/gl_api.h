// The GL the device's backend is written against, and the short list of what OpenGL 3.3 core and
// OpenGL ES 3.0 (WebGL2, the browser build) do differently. Everything else in gl_*.cpp is one code
// for both; where ES lacks something, the work is done another way with the same result:
//   - GLSL: "#version 300 es" with precision lines instead of "#version 330 core";
//   - vertex colours (D3DCOLOR bytes B, G, R, A): GL_BGRA attributes vs RGBA swizzled in the shader;
//   - BGRA texture uploads and read-backs: swapped on the CPU (no GL_BGRA transfers in ES);
//   - texture swizzles (X8R8G8B8 alpha, L8, A8): forced alpha on upload, LUMINANCE and ALPHA formats;
//   - glDrawElementsBaseVertex: the vertex attributes pointed base vertices further on;
//   - lockable B, G, R, A textures: the unsized format on GL (stored as uploaded, no swizzle per
//     texel); ES has no GL_BGRA and keeps its sized format;
//   - reading a texture level back: glGetTexImage on GL; ES has none, so the device keeps the
//     level's bytes after upload there (GlKeepsTextureCopies);
//   - glClearDepth / glDepthRange take floats; reading a pixel buffer is glGetBufferSubData; a
//     client wait may not block (WebGL's limit is 0 ns), so the wait is a glFinish.
// Clip depth and the pixel-centre rule are done in the vertex shader on both (no glClipControl).
#pragma once

#if defined(__EMSCRIPTEN__)
#define VIRELLE_GLES 1
#include <GLES3/gl3.h>
#include <webgl/webgl2.h>
#else
#include <epoxy/gl.h>
#endif

#include <cstddef>
#include <cstdint>

#if defined(VIRELLE_GLES)
constexpr bool kGlEs = true;
#else
constexpr bool kGlEs = false;
#endif

// What a shader source starts with: the version line, precision, and VERTEX_COLOR(c), which turns a
// vertex colour attribute into R, G, B, A.
inline const char* GlslPreamble() {
    return kGlEs ? "#version 300 es\nprecision highp float;\nprecision highp int;\nprecision highp sampler2D;\n#define "
                   "VERTEX_COLOR(c) ((c).bgra)\n"
                 : "#version 330 core\n#define VERTEX_COLOR(c) (c)\n";
}

// The size argument of a vertex colour attribute.
inline GLint VertexColorSize() {
#if defined(VIRELLE_GLES)
    return 4;
#else
    return GL_BGRA;
#endif
}

// Whether the context current now can serve the backend.
inline bool GlVersionServes() {
#if defined(VIRELLE_GLES)
    return true;  // a WebGL2 context is ES 3.0
#else
    return epoxy_gl_version() >= 33;
#endif
}

// The texture bound to GL_TEXTURE_2D reads its channels through `swizzle` (GL 3.3 only; ES formats
// need none, see gl_tables.h).
inline void GlTextureSwizzle(const GLint* swizzle) {
#if defined(VIRELLE_GLES)
    (void)swizzle;
#else
    glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, swizzle);
#endif
}

// The internal format a texture is made with: `sized` as the table gives it, or for a lockable
// texture uploaded as B, G, R, A on GL the unsized GL_RGBA, which the driver stores in upload order.
inline GLint GlTextureInternalFormat(GLint sized, GLenum format, bool renderTarget) {
#if defined(VIRELLE_GLES)
    (void)format, (void)renderTarget;
    return sized;
#else
    return !renderTarget && format == GL_BGRA ? GLint(GL_RGBA) : sized;
#endif
}

// Reads level `level` of the texture bound to GL_TEXTURE_2D into `pixels`; false where the GL has
// no such read (ES: the device keeps its own copy instead).
inline bool GlGetTextureLevel(GLint level, GLenum format, GLenum type, void* pixels) {
#if defined(VIRELLE_GLES)
    (void)level, (void)format, (void)type, (void)pixels;
    return false;
#else
    glGetTexImage(GL_TEXTURE_2D, level, format, type, pixels);
    return true;
#endif
}

inline void GlDepthRangeUnit() {
#if defined(VIRELLE_GLES)
    glDepthRangef(0.0f, 1.0f);
#else
    glDepthRange(0.0, 1.0);
#endif
}

inline void GlClearDepthValue(float z) {
#if defined(VIRELLE_GLES)
    glClearDepthf(z);
#else
    glClearDepth(double(z));
#endif
}

// The format and type glReadPixels reads a target's RGBA8 store with; ES reads R, G, B, A and the
// caller swaps to B, G, R, A (SwapRedBlue).
inline GLenum ReadPixelsFormat() {
#if defined(VIRELLE_GLES)
    return GL_RGBA;
#else
    return GL_BGRA;
#endif
}

// Whether glDrawElementsBaseVertex draws; false in ES, where the caller offsets the attributes.
inline bool GlDrawElementsWithBase(GLenum mode, GLsizei count, GLenum type, const void* indices, GLint baseVertex) {
#if defined(VIRELLE_GLES)
    (void)mode, (void)count, (void)type, (void)indices, (void)baseVertex;
    return false;
#else
    glDrawElementsBaseVertex(mode, count, type, indices, baseVertex);
    return true;
#endif
}

// Copies `bytes` out of the buffer bound to GL_PIXEL_PACK_BUFFER, in rows of rowBytes each put
// `stride` apart in `out`; false when GL refused.
bool GlCopyPackBuffer(size_t bytes, uint8_t* out, size_t rowBytes, size_t stride);

// Swaps bytes 0 and 2 of each 4-byte pixel (B, G, R, A <-> R, G, B, A), in place.
inline void SwapRedBlue(uint8_t* pixels, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const uint8_t r = pixels[4 * i];
        pixels[4 * i] = pixels[4 * i + 2];
        pixels[4 * i + 2] = r;
    }
}
