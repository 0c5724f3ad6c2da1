// frame --scene FILE --camera N --time T --out F.png: one scene drawn as the show draws it into a
// 512x512 render target (cleared to transparent black, alpha blending off), written as RGBA PNG.
// The free-fly camera gets no mouse or key input here, so camera 100 shows its first view.
#include <cstdio>
#include <string>
#include <vector>

#include "content/writers/image_writers.h"
#include "platform/d3dwindow.h"
#include "platform/device_readback.h"
#include "scene/scene.h"
#include "tools/commands.h"
#include "tools/headless_tool.h"

namespace {

constexpr UINT kTargetSize = 512;

FreeFlyInput NoInput() {
    return {};
}

// Draws into a fresh target and reads it back; the back buffer is bound again afterwards.
bool DrawScene(Scene& scene, int camera, float time, std::vector<uint8_t>* bgra, UINT* width, UINT* height) {
    IDirect3DTexture9* target = nullptr;
    if (FAILED(device->CreateTexture(kTargetSize, kTargetSize, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                     D3DPOOL_DEFAULT, &target, nullptr)) ||
        !target)
        return false;
    IDirect3DSurface9* surface = nullptr;
    IDirect3DSurface9* backBuffer = nullptr;
    target->GetSurfaceLevel(0, &surface);
    device->GetRenderTarget(0, &backBuffer);
    device->SetRenderTarget(0, surface);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    scene.SelectCamera(camera);
    scene.Render(time);
    const bool read = SUCCEEDED(PlatformReadRenderTarget(device, bgra, width, height));
    device->SetRenderTarget(0, backBuffer);
    if (backBuffer) backBuffer->Release();
    if (surface) surface->Release();
    target->Release();
    return read;
}

}  // namespace

int FrameScene(const char* path, int camera, float time, const char* out, const DrawSize& size) {
    if (!OpenHeadlessDevice(size)) {
        std::fprintf(stderr, "virelle-tools frame: no graphics device\n");
        return 1;
    }
    Scene scene;
    if (!scene.Load(path)) return 1;
    SetFreeFlyInputSource(NoInput);
    std::vector<uint8_t> bgra;
    UINT width = 0, height = 0;
    const bool drawn = DrawScene(scene, camera, time, &bgra, &width, &height);
    SetFreeFlyInputSource(nullptr);
    if (!drawn || bgra.size() != size_t(width) * height * 4) {
        std::fprintf(stderr, "virelle-tools frame: could not draw into a render target\n");
        return 1;
    }
    std::string why;
    if (!WritePng(out, ImageFromBgra(bgra, int(width), int(height), false), true, &why)) {
        std::fprintf(stderr, "virelle-tools frame: cannot write %s: %s\n", out, why.c_str());
        return 1;
    }
    return 0;
}
