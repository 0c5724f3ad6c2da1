// frame --composition FILE --time T --out F.png: the composition alone at time T, drawn headless on
// a 640x480 back buffer cleared to transparent black, written as PNG with alpha.
#include <cstdio>

#include "composition/composition.h"
#include "content/writers/image_writers.h"
#include "platform/d3dwindow.h"
#include "platform/device_readback.h"
#include "tools/commands.h"
#include "tools/headless_tool.h"

namespace {

// The bound render target as straight RGBA, top row first.
bool ReadPicture(Image* image) {
    std::vector<uint8_t> bgra;
    UINT width = 0, height = 0;
    if (FAILED(PlatformReadRenderTarget(device, &bgra, &width, &height)) || bgra.size() != size_t(width) * height * 4)
        return false;
    *image = Image(int(width), int(height));
    for (size_t i = 0; i < bgra.size(); i += 4) {
        image->rgba[i + 0] = bgra[i + 2];
        image->rgba[i + 1] = bgra[i + 1];
        image->rgba[i + 2] = bgra[i + 0];
        image->rgba[i + 3] = bgra[i + 3];
    }
    return true;
}

}  // namespace

int FrameComposition(const char* path, float time, const char* out, const DrawSize& size) {
    if (!OpenHeadlessDevice(size)) {
        std::fprintf(stderr, "virelle-tools: no graphics device\n");
        return 1;
    }
    CommandTextures textures;
    int status = 1;
    {
        Composition c;
        if (c.Load(path)) {
            device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
            c.Render(time);
            Image picture;
            if (!ReadPicture(&picture))
                std::fprintf(stderr, "virelle-tools: reading the picture back failed\n");
            else if (WritePng(out, picture, true))
                status = 0;
        }
        c.ReleaseResources();
    }
    return status;
}
