// Direct3D 9 values to GL values: blend factors, compare functions, culling, primitive types,
// texture addressing and filtering, and the texture formats the device stores. GL 3.3 core and
// GLES 3.0 share every value but the formats (no BGRA uploads, no swizzles in WebGL2).
#pragma once

#include "platform/device/d3d9types.h"
#include "platform/device/gl_api.h"

inline GLenum BlendFactor(DWORD blend) {
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

inline GLenum CompareFunc(DWORD func) {
    static const GLenum table[] = {GL_NEVER,   GL_LESS,     GL_EQUAL,  GL_LEQUAL,
                                   GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};
    return func >= D3DCMP_NEVER && func <= D3DCMP_ALWAYS ? table[func - 1] : GL_ALWAYS;
}

// Targets are stored top row first, which turns D3D's on-screen clockwise into GL's
// counter-clockwise: CCW culling keeps GL_CCW fronts, CW culling keeps GL_CW fronts.
inline bool CullEnabled(DWORD cull) {
    return cull == D3DCULL_CW || cull == D3DCULL_CCW;
}
inline GLenum FrontFace(DWORD cull) {
    return cull == D3DCULL_CW ? GL_CW : GL_CCW;
}

inline GLenum PrimitiveMode(D3DPRIMITIVETYPE type) {
    switch (type) {
        case D3DPT_TRIANGLESTRIP:
            return GL_TRIANGLE_STRIP;
        case D3DPT_TRIANGLEFAN:
            return GL_TRIANGLE_FAN;
        default:
            return GL_TRIANGLES;
    }
}

inline GLenum AddressMode(DWORD address) {
    if (address == D3DTADDRESS_MIRROR) return GL_MIRRORED_REPEAT;
    if (address == D3DTADDRESS_CLAMP) return GL_CLAMP_TO_EDGE;
    return GL_REPEAT;
}

inline GLenum MagFilter(DWORD filter) {
    return filter == D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST;
}

inline GLenum MinFilter(DWORD minFilter, DWORD mipFilter) {
    const bool linear = minFilter == D3DTEXF_LINEAR;
    if (mipFilter == D3DTEXF_POINT) return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    if (mipFilter == D3DTEXF_LINEAR) return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    return linear ? GL_LINEAR : GL_NEAREST;
}

// How a stored format lives in GL: internal format, upload format and type, the swizzle that
// makes it read as Direct3D reads it (GL 3.3), and what an upload does to the bytes first (ES, which
// has neither BGRA uploads nor swizzles).
enum class GlUpload { AsIs, SwapRedBlue, SwapRedBlueOpaque };
struct GlFormat {
    GLenum internalFormat, format, type;
    GLint swizzle[4];
    GlUpload upload;
};

inline bool LookUpFormat(D3DFORMAT format, GlFormat* out) {
    constexpr GLint identity[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
    switch (format) {
#if defined(VIRELLE_GLES)
        case D3DFMT_A8R8G8B8:
            *out = {GL_RGBA8,
                    GL_RGBA,
                    GL_UNSIGNED_BYTE,
                    {identity[0], identity[1], identity[2], identity[3]},
                    GlUpload::SwapRedBlue};
            return true;
        case D3DFMT_X8R8G8B8:  // the fourth byte is ignored: alpha reads 1
            *out = {GL_RGBA8,
                    GL_RGBA,
                    GL_UNSIGNED_BYTE,
                    {identity[0], identity[1], identity[2], identity[3]},
                    GlUpload::SwapRedBlueOpaque};
            return true;
        case D3DFMT_L8:  // reads L, L, L, 1
            *out = {GL_LUMINANCE,
                    GL_LUMINANCE,
                    GL_UNSIGNED_BYTE,
                    {identity[0], identity[1], identity[2], identity[3]},
                    GlUpload::AsIs};
            return true;
        case D3DFMT_A8:  // reads 0, 0, 0, A
            *out = {GL_ALPHA,
                    GL_ALPHA,
                    GL_UNSIGNED_BYTE,
                    {identity[0], identity[1], identity[2], identity[3]},
                    GlUpload::AsIs};
            return true;
#else
        case D3DFMT_A8R8G8B8:
            *out = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}, GlUpload::AsIs};
            return true;
        case D3DFMT_X8R8G8B8:  // the fourth byte is ignored: alpha reads 1
            *out = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}, GlUpload::AsIs};
            return true;
        case D3DFMT_L8:
            *out = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, {GL_RED, GL_RED, GL_RED, GL_ONE}, GlUpload::AsIs};
            return true;
        case D3DFMT_A8:
            *out = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, {GL_ZERO, GL_ZERO, GL_ZERO, GL_RED}, GlUpload::AsIs};
            return true;
#endif
        case D3DFMT_A32B32G32R32F:  // floats R, G, B, A in memory
            *out = {
                GL_RGBA32F, GL_RGBA, GL_FLOAT, {identity[0], identity[1], identity[2], identity[3]}, GlUpload::AsIs};
            return true;
        default:
            return false;
    }
}
