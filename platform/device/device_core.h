// The device's own side, private to platform/device/: the D3D9 state as the program set it, what
// the next draw must send, and the counters.
//
// Ownership: DeviceCore is written by the IDirect3DDevice9 operations (device*.cpp, d3d9_*.cpp);
// everything GL lives behind `gl` (gl_backend.h), whose cache is the only writer of GL state.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/device/d3d9.h"
#include "platform/device/device_scale.h"
#include "platform/device/device_window.h"
#include "platform/device/gl_backend.h"

constexpr UINT kStageCount = 8;       // texture stages and samplers Direct3D 9 offers
constexpr UINT kMaxActiveLights = 8;  // lights enabled at one time

// Bytes per texel of the formats the device stores; 0 for any other.
inline UINT BytesPerTexel(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
            return 4;
        case D3DFMT_L8:
        case D3DFMT_A8:
            return 1;
        case D3DFMT_A32B32G32R32F:
            return 16;
        default:
            return 0;
    }
}

struct LightSlot {
    D3DLIGHT9 light;
    bool enabled = false;
};

// D3D9 state as the program set it (render states by number; 256 covers every value in use).
struct D3DState {
    DWORD renderStates[256];
    DWORD stageStates[kStageCount][33];
    DWORD samplerStates[kStageCount][14];
    D3DXMATRIX world, view, projection;
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

struct ReadbackQueue;  // device_readback.cpp

// A depth clear not yet given to GL (device_depth_clears.cpp): a box of the depth buffer, rows
// counted from the top, and its value.
struct PendingDepthClear {
    GlBox box;
    float z;
};

// The largest texture side the device reports and creates, as Direct3D 9 hardware reported its own
// (2048 to 8192). Images are clamped to it on loading. With a software renderer every texture lives
// in process memory twice (the managed copy and the renderer's), so this keeps the largest one a
// small file can make at 2048 x 2048: 64 MB of floats for level 0, whatever GL would take.
constexpr int kLargestTexture = 2048;

struct DeviceCore {
    DeviceWindow window;  // the window side's context, swap and size
    GlBackend* gl = nullptr;
    GlInfo info;
    bool softwareRenderer = false;
    // Present waits until the picture is finished, as a swap to a window does: with no window a
    // software renderer would let frames pile up unfinished and then finish a dozen at once.
    bool finishOnPresent = false;
    unsigned samplerDirty = (1u << kStageCount) - 1;  // samplers needing new parameters
    D3DState state{};
    unsigned dirty = kDirtyAll;
    FfConstants constants{};  // the program's inputs as last worked out (device_constants.cpp)
    uint64_t draws = 0;
    uint64_t magnifiedDraws = 0;
    uint64_t stateChanges = 0;
    D3DDEVICESTATS frameStart{};  // the counters when the frame began (the last Present)
    D3DFRAMESTATS lastFrame{};    // the frame the last Present ended
    bool inScene = false;
    bool lost = false;                                  // LoseForTest until Reset
    int lostChecks = 0;                                 // TestCooperativeLevel answers still to say "lost"
    int defaultPoolObjects = 0;                         // textures, buffers and depth surfaces of D3DPOOL_DEFAULT alive
    int scenesSincePresent = 0;                         // EndScene calls since the last Present
    IDirect3DTexture9* backBufferTexture = nullptr;     // internal, deleted with the device
    IDirect3DSurface9* backBuffer = nullptr;            // counts on the device
    ReadbackQueue* readback = nullptr;                  // read-backs in flight, made at the first one
    std::vector<PendingDepthClear> pendingDepthClears;  // of the bound depth buffer, oldest first
    DeviceScale scale;                                  // the draw size (device_scale.h)
    // Supersampled only: the picture box-filtered out of the back buffer, and whether the back
    // buffer has been drawn to since.
    unsigned resolvedTexture = 0, resolvedFramebuffer = 0;
    bool backBufferDrawn = false;

    bool MakeBackBuffer(IDirect3DDevice9* device, UINT width, UINT height);
    // A render target texture asked for at width x height, stored at storedWidth x storedHeight.
    HRESULT CreateTarget(IDirect3DDevice9* device, UINT width, UINT height, UINT levels, UINT storedWidth,
                         UINT storedHeight, D3DFORMAT format, IDirect3DTexture9** texture);
    // [x1, x2) x [y1, y2) of a surface, in the size asked, as a box of its stored pixels.
    GlBox StoredBox(const IDirect3DSurface9* surface, int x1, int y1, int x2, int y2) const;
    // The back buffer's picture as Present and read-back take it (pictureWidth x pictureHeight):
    // supersampled, box-filtered first when it has been drawn to since the last time.
    void PictureSource(unsigned* framebuffer, unsigned* texture);
    void SetDefaultStates();
    void ApplyTarget();  // binds target 0 with the depth buffer attached
    // Clips [x1, x2) x [y1, y2) to target 0 and, while the scissor test is on, to the scissor
    // rectangle; false when nothing is left.
    bool ClipToScissor(int* x1, int* y1, int* x2, int* y2) const;
    // State and uniforms before a draw; false: skip it. `magnified`: the draw needs no mip filter.
    bool ApplyDraw(bool magnified);
    bool DrawIsMagnified(D3DPRIMITIVETYPE type, UINT first, UINT count) const;
    // Depth clears (device_depth_clears.cpp): kept instead of made; made where target 0 reaches
    // before a depth-tested draw; all made before the depth buffer is unbound.
    void KeepDepthClear(const GlBox& box, float z);
    void ApplyDepthClears();
    void FlushDepthClears();
    FfPixelKey PixelKey() const;            // the program variant stage 0's states ask for
    FfVertexKey VertexKey() const;          // the one the lighting states, lights and vertex format ask for
    void UpdateConstants(unsigned groups);  // works out the dirty groups of `constants`
    D3DDEVICESTATS Totals() const;

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

// The renderer's capabilities as Direct3D reports them (GetDeviceCaps, and the adapter's before a
// device exists: device_window.h).
bool IsSoftwareRenderer(const std::string& renderer);
D3DCAPS9 CapsOfRenderer(bool softwareRenderer, int maxTextureSize);

// Deletes the read-back buffers; the backend must still be there.
void DestroyReadbackQueue(DeviceCore* core);
