// The renderer's capabilities, for the device and for the adapter before any device exists.
#include "platform/device/device_core.h"
#include "platform/device/device_window.h"

bool IsSoftwareRenderer(const std::string& renderer) {
    for (const char* name : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"})
        if (renderer.find(name) != std::string::npos) return true;
    return false;
}

D3DCAPS9 CapsOfRenderer(bool softwareRenderer, GLint maxTextureSize) {
    D3DCAPS9 caps = {};
    // Software rasterizers stand for "no hardware transform and lighting".
    caps.DevCaps = softwareRenderer ? 0 : D3DDEVCAPS_HWTRANSFORMANDLIGHT;
    caps.MaxTextureWidth = caps.MaxTextureHeight = DWORD(maxTextureSize);
    caps.MaxTextureAspectRatio = 0;
    caps.MaxActiveLights = kMaxActiveLights;
    return caps;
}

D3DCAPS9 CurrentContextCaps() {
    const GLubyte* renderer = glGetString(GL_RENDERER);
    GLint maxTextureSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
    return CapsOfRenderer(IsSoftwareRenderer(renderer ? reinterpret_cast<const char*>(renderer) : ""), maxTextureSize);
}
