// What the D3D side of the device asks of its GL backend. The D3D side records state and decides
// what a draw needs in Direct3D's own terms; the backend (gl_*.cpp, OpenGL 3.3 core today, WebGL2
// beside it later) turns that into GL calls through its counted cache. No GL header here: object
// names are plain unsigned numbers, states are D3D values, and gl_tables.h translates them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/device/d3d9types.h"
#include "platform/device/fvf.h"

struct GlBackend;  // the backend's objects and cache; gl_state.h, private to the backend

// Direct3D puts pixel centres on integer coordinates, GL half a pixel further on: every draw is
// moved right and down by 63/64 of half a pixel, so edges never land exactly on pixel centres
// (the top-left fill rule holds). A pixel of the size drawn: a target stored larger than asked is
// drawn as Direct3D would draw at that size.
constexpr float kPixelCentreShift = 0.5f * 63.0f / 64.0f;

// What changed since the last draw; each bit names one group of uniforms or GL state.
enum DirtyBits : unsigned {
    kDirtyTransforms = 1u << 0,
    kDirtyLights = 1u << 1,
    kDirtyMaterial = 1u << 2,
    kDirtyLightingStates = 1u << 3,
    kDirtyStage = 1u << 4,
    kDirtyTarget = 1u << 5,
    kDirtyVertexFormat = 1u << 6,
    kDirtyProjection = 1u << 7,
    kDirtyFactor = 1u << 8,      // the texture factor alone: the composition changes it per element
    kDirtyLightTypes = 1u << 9,  // which kinds of light are enabled: part of the program variant
    kDirtyAll = ~0u,
};

// The pixel stage's states that pick a program variant; equal keys share one program.
struct FfPixelKey {
    bool stageActive = false;  // stage 0 after the NULL-texture rule
    int colorOp[3] = {};       // op, arg1, arg2
    int alphaOp[3] = {};
    bool hasTexture = false;
    bool specularEnable = false;
    int alphaFunc = 8;  // D3DCMPFUNC; ALWAYS when alpha testing is off
    bool operator==(const FfPixelKey&) const = default;
};

// The vertex stage's states that pick a program variant. Only what a draw reads is kept: an unlit
// draw ignores the lighting fields, a lit one the vertex colours' pass-through.
struct FfVertexKey {
    bool pretransformed = false;
    bool lighting = false;  // never with pretransformed positions
    // Lit draws only
    bool localViewer = false, normalizeNormals = false, hasNormal = false;
    int materialSources[4] = {};  // diffuse, ambient, specular, emissive: 0 material, 1 COLOR1, 2 COLOR2
    bool pointLights = false, spotLights = false, directionalLights = false;  // among those enabled
    // Unlit draws only
    bool hasDiffuse = false, hasSpecular = false;
    bool operator==(const FfVertexKey&) const = default;
};

struct FfProgramKey {
    FfPixelKey pixel;
    FfVertexKey vertex;
    bool operator==(const FfProgramKey&) const = default;
};

constexpr int kFfMaxLights = 8;

// The fixed-function program's inputs, worked out on the D3D side; each group is sent when its
// dirty bit is set.
struct FfConstants {
    float pixelOffset[2], targetSize[2];  // kDirtyTarget: clip units, the target's size asked
    float pixelShift[2];                  // kDirtyTarget: the shift in the target's pixels asked
    D3DXMATRIX worldView;                 // kDirtyTransforms
    float normalMatrix[9];                // kDirtyTransforms: inverse of worldView's 3x3, row-major
    D3DXMATRIX projection;                // kDirtyProjection
    float textureFactor[4];               // kDirtyFactor
    float globalAmbient[4];               // kDirtyLightingStates (the rest of those states is built into the variant)
    D3DMATERIAL9 material;                // kDirtyMaterial
    // kDirtyLights: camera space, the first lightCount entries used
    int lightCount;
    float lightPosition[kFfMaxLights][4], lightDirection[kFfMaxLights][4];
    float lightDiffuse[kFfMaxLights][4], lightSpecular[kFfMaxLights][4], lightAmbient[kFfMaxLights][4];
    float lightAttenuation[kFfMaxLights][4], lightSpot[kFfMaxLights][4];
    float alphaRef;  // kDirtyStage: 0..255
};

// GL state of one draw besides the program and its uniforms, in D3D terms.
struct GlDrawState {
    bool scissor;
    int scissorBox[4];  // x, y, width, height, rows counted from the top
    bool blend;
    DWORD srcBlend, destBlend;  // D3DBLEND
    bool depthTest, depthWrite;
    DWORD depthFunc;   // D3DCMPFUNC
    DWORD cullMode;    // D3DCULL
    unsigned texture;  // stage 0's GL texture, 0 for none
    bool magnified;    // sample without the mip filter (device_magnify.cpp)
};

// A rectangle of the bound target, rows counted from the top.
struct GlBox {
    int x, y, width, height;
};

// GL calls made through the backend's cache since it was made.
struct GlCounts {
    uint64_t total = 0;         // every GL call
    uint64_t state = 0;         // of which state, binding, uniform, attribute and sampler calls
    uint64_t textureBinds = 0;  // of which texture bindings
};

struct GlInfo {
    std::string renderer;  // GL_RENDERER
    int maxTextureSize = 0;
    // The largest side GL takes for a target: texture, depth buffer and viewport alike. Only the
    // device's own targets scaled to the draw size use it; everything else keeps maxTextureSize.
    int maxTargetSize = 0;
};

// ---------------------------------------------------------------- life
// On the context current now; null with a reason when it cannot serve (below GL 3.3, no program).
GlBackend* GlCreate(GlInfo* info, std::string* error);
void GlDestroy(GlBackend* gl);
// What the context current now offers, without making a backend on it (the adapter's capabilities).
GlInfo GlQueryInfo();  // every object of the backend's own; resources are deleted by their owners
GlCounts GlGetCounts(const GlBackend* gl);

// ---------------------------------------------------------------- resources
// Storage for every level of a texture in a format the device stores; render targets also get a
// framebuffer. False when GL refused (the names made so far are set, to be deleted).
bool GlCreateTexture(GlBackend* gl, D3DFORMAT format, UINT width, UINT height, UINT levels, bool renderTarget,
                     unsigned* texture, unsigned* framebuffer);
void GlUploadTextureLevel(GlBackend* gl, unsigned texture, D3DFORMAT format, UINT level, UINT width, UINT height,
                          const void* pixels);
// The level's pixels as they were uploaded (rows tightly packed); false on a GL error.
bool GlReadTextureLevel(GlBackend* gl, unsigned texture, D3DFORMAT format, UINT level, void* pixels);
// True where GL cannot read a level back (ES): the device keeps each level's bytes after upload.
bool GlKeepsTextureCopies();
void GlDeleteTexture(GlBackend* gl, unsigned texture, unsigned framebuffer);  // either may be 0
// `index`: an index buffer (WebGL never lets a buffer that held anything else serve as one).
unsigned GlCreateBuffer(GlBackend* gl, const void* data, size_t length, bool dynamic, bool index);
// After a lock: a fresh store of the whole memory when `discard`, else bytes [offset, offset + size).
void GlUploadBuffer(GlBackend* gl, unsigned buffer, const uint8_t* memory, size_t length, bool discard, size_t offset,
                    size_t size);
void GlDeleteBuffer(GlBackend* gl, unsigned buffer);
bool GlCreateDepthBuffer(GlBackend* gl, UINT width, UINT height, unsigned* renderbuffer);  // D24
void GlDeleteDepthBuffer(GlBackend* gl, unsigned renderbuffer);

// ---------------------------------------------------------------- targets
// Binds a target's framebuffer for drawing (attaching `depth`, 0 for none, when attachDepth) with
// the viewport on the whole target.
void GlBindTarget(GlBackend* gl, unsigned framebuffer, bool attachDepth, unsigned depth, UINT width, UINT height);
// Clears the boxes of the bound target: colour when clearColor, depth when clearDepth.
void GlClear(GlBackend* gl, const GlBox* boxes, size_t count, bool clearColor, D3DCOLOR color, bool clearDepth,
             float z);
// Clears a box of a depth buffer to z outside any target (the target is bound again afterwards).
void GlClearDepthBuffer(GlBackend* gl, unsigned renderbuffer, const GlBox& box, float z);
// True when depth clears may be kept and made later (not ES, whose targets each have their own).
bool GlKeepsDepthClears();
// Copies the back buffer (its framebuffer and texture, width x height) flipped and scaled into
// `into` of the window's framebuffer (rows from the bottom); with bars the window is first cleared
// to black (gl_present.cpp).
void GlPresent(GlBackend* gl, unsigned backBuffer, unsigned backBufferTexture, int width, int height, const GlBox& into,
               bool bars);
void GlFinish(GlBackend* gl);  // waits until every GL command has finished
// Reads a target's rows top first as B, G, R, A; false on a GL error.
bool GlReadTarget(GlBackend* gl, unsigned framebuffer, UINT width, UINT height, uint8_t* bgra);
// Averages each factor x factor block of `source` (a target's texture) into one pixel of the
// target `into` (width x height, the source's size over factor): a box filter (gl_downsample.cpp).
// False when its program cannot be made.
bool GlDownsample(GlBackend* gl, unsigned source, UINT factor, unsigned into, UINT width, UINT height);

// ---------------------------------------------------------------- queued read-backs (gl_readback.cpp)
// A pixel buffer of `bytes` for a target's copy; 0 when GL refused.
unsigned GlCreatePixelBuffer(GlBackend* gl, size_t bytes);
void GlDeletePixelBuffer(GlBackend* gl, unsigned buffer);
// Starts copying a target's rows (top first, B, G, R, A) into the buffer and fences the copy;
// returns the fence, null on a GL error.
void* GlQueueReadTarget(GlBackend* gl, unsigned framebuffer, UINT width, UINT height, unsigned buffer);
// Waits for the fence (deleted either way), then copies `bytes` out of the buffer; false on failure.
// With rowBytes, row i of rowBytes goes to bgra + i * stride (a picture inside a larger one).
bool GlTakeReadTarget(GlBackend* gl, void* fence, unsigned buffer, size_t bytes, uint8_t* bgra, size_t rowBytes = 0,
                      size_t stride = 0);
void GlDeleteFence(GlBackend* gl, void* fence);

// ---------------------------------------------------------------- draws
// Makes the program for the key current; `changed` when it is another program, whose uniforms are
// then all to be sent. False when the variant cannot be built.
bool GlSelectProgram(GlBackend* gl, const FfProgramKey& key, bool* changed);
// The program, vertex array and state of the next draw; `samplerStates` (stage 0's D3DSAMP_*
// values) only when they changed, else null.
void GlApplyDrawState(GlBackend* gl, const GlDrawState& state, const DWORD* samplerStates);
void GlSetVertexFormat(GlBackend* gl, const FvfLayout& layout, unsigned buffer, UINT offset, UINT stride);
void GlSendConstants(GlBackend* gl, unsigned dirty, const FfConstants& constants);
void GlDrawArrays(GlBackend* gl, D3DPRIMITIVETYPE type, UINT first, UINT vertices);
void GlDrawIndexed(GlBackend* gl, D3DPRIMITIVETYPE type, unsigned indexBuffer, UINT count, UINT startIndex,
                   INT baseVertex);
