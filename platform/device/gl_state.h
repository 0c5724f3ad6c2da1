// The GL 3.3 backend's own objects: the state cache, the program variants, the vertex array and
// the sampler objects. Private to the backend files (gl_*.cpp).
#pragma once

#include <utility>
#include <vector>

#include "platform/device/gl_backend.h"
#include "platform/device/gl_cache.h"
#include "platform/device/gl_program.h"

constexpr int kUploadUnit = 7;  // texture unit used for uploads, never by a draw

struct GlBackend {
    GlCache cache;
    FixedFunctionProgram program;  // the variant in use; its GL program is one of variants'
    std::vector<std::pair<FfPixelKey, FixedFunctionProgram>> variants;  // built on first use, kept
    FfPixelKey pixelKey;
    GLuint vertexArray = 0;
    GLuint samplers[GlCache::kUnits] = {};
    GLuint magnifySampler = 0;  // stage 0's sampler with the mip filter off (device_magnify.cpp)
};
