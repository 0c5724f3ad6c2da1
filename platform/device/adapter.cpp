// The renderer's capabilities, for the device and for the adapter before any device exists.
#include <algorithm>

#include "platform/device/device_core.h"
#include "platform/device/device_window.h"
#include "platform/device/gl_backend.h"

bool IsSoftwareRenderer(const std::string& renderer) {
    for (const char* name : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"})
        if (renderer.find(name) != std::string::npos) return true;
    return false;
}

D3DCAPS9 CapsOfRenderer(bool softwareRenderer, int maxTextureSize) {
    D3DCAPS9 caps = {};
    // Software rasterizers stand for "no hardware transform and lighting".
    caps.DevCaps = softwareRenderer ? 0 : D3DDEVCAPS_HWTRANSFORMANDLIGHT;
    caps.MaxTextureWidth = caps.MaxTextureHeight = DWORD(maxTextureSize);
    caps.MaxTextureAspectRatio = 0;
    caps.MaxActiveLights = kMaxActiveLights;
    return caps;
}

D3DCAPS9 CurrentContextCaps() {
    const GlInfo info = GlQueryInfo();
    return CapsOfRenderer(IsSoftwareRenderer(info.renderer), std::min(info.maxTextureSize, kLargestTexture));
}
