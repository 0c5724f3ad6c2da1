// The GL backend's own objects: the state cache, the program variants, the vertex array and
// the sampler objects. Private to the backend files (gl_*.cpp).
#pragma once

#include <utility>
#include <vector>

#include "platform/device/gl_backend.h"
#include "platform/device/gl_cache.h"
#include "platform/device/gl_program.h"

constexpr int kUploadUnit = 7;  // texture unit used for uploads, never by a draw

// The vertex format last set, for draws that must point the attributes elsewhere for a while.
struct GlVertexFormat {
    FvfLayout layout{};
    unsigned buffer = 0;
    UINT offset = 0, stride = 0;
    bool set = false;
};

// ES only: WebGL wants every attachment of a framebuffer the same size, so the one depth buffer is
// kept once per target size, made when a target of that size first attaches it.
struct GlSizedDepth {
    unsigned depth;  // the device's depth buffer this stands for
    UINT width, height;
    GLuint renderbuffer;
};

// Present's copy of the back buffer into the window (gl_present.cpp).
struct GlPresentProgram {
    GLuint program = 0;
    GLint source = -1;               // the sampler's uniform
    GLuint nearest = 0, linear = 0;  // samplers
    bool failed = false;             // the program could not be made: Present blits
};

// The supersampled back buffer's box filter (gl_downsample.cpp).
struct GlDownsampleProgram {
    GLuint program = 0;
    GLint source = -1, factor = -1;  // uniforms
    bool failed = false;
};

struct GlBackend {
    GlCache cache;
    FixedFunctionProgram program;  // the variant in use; its GL program is one of variants'
    std::vector<std::pair<FfProgramKey, FixedFunctionProgram>> variants;  // built on first use, kept
    FfProgramKey programKey;
    GLuint vertexArray = 0;
    GLuint samplers[GlCache::kUnits] = {};
    GLuint magnifySampler = 0;  // stage 0's sampler with the mip filter off (device_magnify.cpp)
    GlVertexFormat vertexFormat;
    std::vector<GlSizedDepth> sizedDepths;
    GLuint depthFramebuffer = 0;       // depth only: clears of a depth buffer no target has bound
    std::vector<GLuint> indexBuffers;  // ES only: uploaded through the element binding
    GlPresentProgram present;          // made at the first Present
    GlDownsampleProgram downsample;    // made at the first box filter
};

void GlDestroyPresent(GlBackend* gl);
void GlDestroyDownsample(GlBackend* gl);
// A program of one vertex and one pixel stage (each after GlslPreamble()); 0 when either fails.
GLuint GlBuildSmallProgram(GlCache& c, const char* vertexBody, const char* pixelBody);
