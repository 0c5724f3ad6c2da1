// inspect IMAGE [--level0 OUT.png]: what the texture loader makes of an image file, as JSON, and
// optionally the texture's level 0 as an RGBA PNG exactly as the texture holds it.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "content/writers/image_writers.h"
#include "gfx/texture_loader.h"
#include "platform/d3dwindow.h"
#include "tools/commands.h"
#include "tools/headless_tool.h"

namespace {

const char* FormatName(D3DFORMAT f) {
    switch (f) {
        case D3DFMT_A8R8G8B8:
            return "D3DFMT_A8R8G8B8";
        case D3DFMT_X8R8G8B8:
            return "D3DFMT_X8R8G8B8";
        case D3DFMT_L8:
            return "D3DFMT_L8";
        case D3DFMT_A32B32G32R32F:
            return "D3DFMT_A32B32G32R32F";
        default:
            return "D3DFMT_UNKNOWN";
    }
}

uint8_t FloatTo8(float v) {
    const float c = v < 0.0f ? 0.0f : v > 1.0f ? 1.0f : v;
    return static_cast<uint8_t>(std::lround(c * 255.0f));
}

// Level 0 as RGBA: X8R8G8B8 shows opaque, L8 grey and opaque, floats clamped to 0..1. Says why on failure.
bool WriteLevel0(IDirect3DTexture9* texture, const D3DSURFACE_DESC& desc, const char* out) {
    D3DLOCKED_RECT locked{};
    if (FAILED(texture->LockRect(0, &locked, nullptr, 0))) {
        std::fprintf(stderr, "virelle-tools inspect: cannot read level 0 of the texture\n");
        return false;
    }
    Image image(int(desc.Width), int(desc.Height));
    for (UINT y = 0; y < desc.Height; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(locked.pBits) + size_t(y) * locked.Pitch;
        for (UINT x = 0; x < desc.Width; ++x) {
            uint8_t* p = image.At(int(x), int(y));
            if (desc.Format == D3DFMT_L8) {
                p[0] = p[1] = p[2] = row[x], p[3] = 255;
            } else if (desc.Format == D3DFMT_A32B32G32R32F) {
                float f[4];
                std::memcpy(f, row + size_t(x) * 16, 16);
                for (int k = 0; k < 4; ++k) p[k] = FloatTo8(f[k]);
            } else {
                const uint8_t* q = row + size_t(x) * 4;
                p[0] = q[2], p[1] = q[1], p[2] = q[0], p[3] = desc.Format == D3DFMT_X8R8G8B8 ? 255 : q[3];
            }
        }
    }
    texture->UnlockRect(0);
    std::string why;
    if (WritePng(out, image, true, &why)) return true;
    std::fprintf(stderr, "virelle-tools inspect: cannot write %s: %s\n", out, why.c_str());
    return false;
}

}  // namespace

int InspectImage(const char* path, const char* level0Out) {
    if (!OpenHeadlessDevice()) {
        std::fprintf(stderr, "virelle-tools inspect: no graphics device\n");
        return 1;
    }
    IDirect3DTexture9* texture = nullptr;
    TextureFileInfo info;
    std::string error;
    if (FAILED(CreateTextureFromFile(device, path, &texture, &info, &error))) {
        std::fprintf(stderr, "virelle-tools inspect: %s: %s\n", path, error.c_str());
        return 1;
    }
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    std::printf(
        "{\"kind\": \"image\", \"type\": \"%s\", \"imageWidth\": %u, \"imageHeight\": %u, \"width\": %u, "
        "\"height\": %u, \"levels\": %u, \"format\": \"%s\"}\n",
        ImageTypeName(info.type), info.imageWidth, info.imageHeight, desc.Width, desc.Height,
        unsigned(texture->GetLevelCount()), FormatName(desc.Format));
    int status = 0;
    if (level0Out && !WriteLevel0(texture, desc, level0Out)) status = 1;
    texture->Release();
    return status;
}
