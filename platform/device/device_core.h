// The GL side of the device, private to platform/.
//
// Ownership: DeviceCore is written by the IDirect3DDevice9 operations (device*.cpp); the GL state
// cache inside it is written only through gl_cache.cpp, so the cache and the driver always agree.
#pragma once

#include <epoxy/gl.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/device/d3d9.h"
#include "platform/device/device_window.h"
#include "platform/device/ff_program.h"
#include "platform/device/gl_cache.h"

constexpr UINT kStageCount = 8;       // texture stages and samplers Direct3D 9 offers
constexpr UINT kMaxActiveLights = 8;  // lights enabled at one time
constexpr UINT kUploadUnit = 7;       // texture unit used for uploads, never by a draw

// Where each element of a flexible vertex format sits; -1 when absent.
struct FvfLayout {
    int position = -1, normal = -1, diffuse = -1, specular = -1, texCoord = -1;
    bool pretransformed = false;
    UINT size = 0;
};

inline FvfLayout ParseFvf(DWORD fvf) {
    FvfLayout l;
    UINT at = 0;
    if (fvf & D3DFVF_XYZRHW) {
        l.position = 0, l.pretransformed = true, at = 16;
    } else if (fvf & D3DFVF_XYZ) {
        l.position = 0, at = 12;
    }
    if (fvf & D3DFVF_NORMAL) l.normal = int(at), at += 12;
    if (fvf & D3DFVF_DIFFUSE) l.diffuse = int(at), at += 4;
    if (fvf & D3DFVF_SPECULAR) l.specular = int(at), at += 4;
    const UINT sets = (fvf >> 8) & 0xF;
    if (sets > 0) l.texCoord = int(at);
    l.size = at + sets * 8;  // two floats per set
    return l;
}

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
    kDirtyFactor = 1u << 8,  // the texture factor alone: the composition changes it per element
    kDirtyAll = ~0u,
};

struct LightSlot {
    D3DLIGHT9 light;
    bool enabled = false;
};

// D3D9 state as the program set it (render states by number; 256 covers every value in use).
struct D3DState {
    DWORD renderStates[256];
    DWORD stageStates[kStageCount][33];
    DWORD samplerStates[kStageCount][14];
    D3DMATRIX world, view, projection;
    D3DMATERIAL9 material;
    std::map<DWORD, LightSlot> lights;
    IDirect3DTexture9* textures[kStageCount];
    IDirect3DSurface9* renderTarget;  // bound as target 0 (bound reference)
    IDirect3DSurface9* depthStencil;  // bound reference, may be null
    IDirect3DVertexBuffer9* stream;   // bound reference
    UINT streamOffset, streamStride;
    IDirect3DIndexBuffer9* indices;  // bound reference
    DWORD fvf;
    RECT scissor;
};

struct DeviceCore {
    DeviceWindow window;   // the window side's context, swap and size
    std::string renderer;  // GL_RENDERER
    bool softwareRenderer = false;
    // Present waits until the picture is finished, as a swap to a window does: with no window a
    // software renderer would let frames pile up unfinished and then finish a dozen at once.
    bool finishOnPresent = false;
    GLint maxTextureSize = 0;
    GlCache cache;
    FixedFunctionProgram program;  // the variant in use; its GL program is one of variants'
    std::vector<std::pair<FfPixelKey, FixedFunctionProgram>> variants;  // built on first use, kept
    FfPixelKey pixelKey;
    GLuint vertexArray = 0;
    GLuint samplers[kStageCount] = {};
    GLuint magnifySampler = 0;                        // stage 0's sampler with the mip filter off (device_magnify.cpp)
    unsigned samplerDirty = (1u << kStageCount) - 1;  // sampler objects needing new parameters
    D3DState state{};
    unsigned dirty = kDirtyAll;
    uint64_t draws = 0;
    uint64_t magnifiedDraws = 0;
    bool inScene = false;
    IDirect3DTexture9* backBufferTexture = nullptr;  // internal, deleted with the device
    IDirect3DSurface9* backBuffer = nullptr;         // counts on the device

    bool MakeBackBuffer(IDirect3DDevice9* device, UINT width, UINT height);
    void SetDefaultStates();
    void ApplyTarget();  // binds target 0 with the depth buffer attached
    // Clips [x1, x2) x [y1, y2) to target 0 and, while the scissor test is on, to the scissor
    // rectangle; false when nothing is left.
    bool ClipToScissor(int* x1, int* y1, int* x2, int* y2) const;
    // State and uniforms before a draw; false: skip it. `magnified`: the draw needs no mip filter.
    bool ApplyDraw(bool magnified);
    bool DrawIsMagnified(GLenum mode, UINT first, UINT count) const;
    void ApplyVertexFormat();
    void ApplySamplers();
    void ApplyUniforms();
    bool SelectProgram();  // the variant for stage 0's states; a change re-sends every uniform

    // Swaps a bound reference: the new object is bound before the old one may go.
    template <typename T>
    static void Rebind(T*& slot, T* object) {
        if (slot == object) return;
        if (object) object->Bind();
        T* old = slot;
        slot = object;
        if (old) old->Unbind();
    }
};

// Texture formats the layer stores: GL internal format, upload format and type, bytes per texel.
struct GlFormat {
    GLenum internalFormat, format, type;
    UINT bytesPerTexel;
    GLint swizzle[4];
};
bool LookUpFormat(D3DFORMAT format, GlFormat* out);
