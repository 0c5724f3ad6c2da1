// The shader pair that stands in for Direct3D 9's fixed-function pipeline: per-vertex lighting
// of up to eight lights, texture stage 0 and specular add, alpha test, D3D's clip depth and
// pixel-centre rule. The pixel stage is built per variant of its states (FfPixelKey), so a
// software rasterizer runs only the arithmetic a draw needs. See the comment at the top of
// ff_program.cpp for what it leaves out.
#pragma once

#include <epoxy/gl.h>

#include <string>

// Vertex attribute locations.
enum FfAttribute : GLuint { kAttribPosition = 0, kAttribNormal, kAttribDiffuse, kAttribSpecular, kAttribTexCoord };

// The pixel stage's states that pick a variant; equal keys share one program.
struct FfPixelKey {
    bool stageActive = false;  // stage 0 after the NULL-texture rule
    int colorOp[3] = {};       // op, arg1, arg2
    int alphaOp[3] = {};
    bool hasTexture = false;
    bool specularEnable = false;
    int alphaFunc = 8;  // D3DCMPFUNC; ALWAYS when alpha testing is off
    bool operator==(const FfPixelKey&) const = default;
};

struct FixedFunctionProgram {
    GLuint program = 0;
    // Vertex stage
    GLint worldView = -1, projection = -1, normalMatrix = -1;
    GLint pretransformed = -1, targetSize = -1, pixelOffset = -1;
    GLint lighting = -1, localViewer = -1, normalizeNormals = -1;
    GLint hasNormal = -1, hasDiffuse = -1, hasSpecular = -1;
    GLint materialSources = -1, matDiffuse = -1, matAmbient = -1, matSpecular = -1, matEmissive = -1;
    GLint matPower = -1, globalAmbient = -1;
    GLint lightCount = -1, lightPosition = -1, lightDirection = -1, lightDiffuse = -1, lightSpecular = -1;
    GLint lightAmbient = -1, lightAttenuation = -1, lightSpot = -1;
    // Pixel stage
    GLint textureFactor = -1, alphaRef = -1, texture0 = -1;  // -1 where the variant has no use for it

    bool Build(const FfPixelKey& key, std::string* error);  // compiles, links and looks up every location
    void Destroy();
};
