// The shader pair that stands in for Direct3D 9's fixed-function pipeline: per-vertex lighting
// of up to eight lights, texture stage 0 and specular add, alpha test, D3D's clip depth and
// pixel-centre rule. Both stages are built per variant of their states (FfPixelKey, FfVertexKey),
// so a software rasterizer runs only the arithmetic a draw needs. See the comment at the top of
// gl_program.cpp for what it leaves out.
#pragma once

#include <string>

#include "platform/device/gl_api.h"
#include "platform/device/gl_backend.h"

struct GlCache;

// Vertex attribute locations.
enum FfAttribute : GLuint { kAttribPosition = 0, kAttribNormal, kAttribDiffuse, kAttribSpecular, kAttribTexCoord };

struct FixedFunctionProgram {
    GLuint program = 0;
    // Vertex stage
    GLint worldView = -1, projection = -1, normalMatrix = -1;
    GLint targetSize = -1, pixelOffset = -1, pixelShift = -1;  // pixelShift: pretransformed variants only
    GLint matDiffuse = -1, matAmbient = -1, matSpecular = -1, matEmissive = -1;
    GLint matPower = -1, globalAmbient = -1;
    GLint lightCount = -1, lightPosition = -1, lightDirection = -1, lightDiffuse = -1, lightSpecular = -1;
    GLint lightAmbient = -1, lightAttenuation = -1, lightSpot = -1;
    // Pixel stage
    GLint textureFactor = -1, alphaRef = -1, texture0 = -1;  // -1 where the variant has no use for it

    // Compiles, links and looks up every location; the calls are counted by the cache.
    bool Build(GlCache& gl, const FfProgramKey& key, std::string* error);
    void Destroy(GlCache& gl);
};
