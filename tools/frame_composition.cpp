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
    *image = ImageFromBgra(bgra, int(width), int(height), false);
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
            std::string why;
            if (!ReadPicture(&picture))
                std::fprintf(stderr, "virelle-tools: reading the picture back failed\n");
            else if (WritePng(out, picture, true, &why))
                status = 0;
            else
                std::fprintf(stderr, "virelle-tools frame: cannot write %s: %s\n", out, why.c_str());
        }
        c.ReleaseResources();
    }
    return status;
}
