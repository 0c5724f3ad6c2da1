// The adapter's capabilities before any device exists, as Direct3D's object reports them: a
// short-lived GL context on the window tells which renderer a device there would get.
#include "platform/device/device_core.h"

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

bool GetAdapterCaps(SDL_Window* window, D3DCAPS9* caps) {
    *caps = {};
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) return false;
    const GLubyte* renderer = glGetString(GL_RENDERER);
    GLint maxTextureSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
    *caps = CapsOfRenderer(IsSoftwareRenderer(renderer ? reinterpret_cast<const char*>(renderer) : ""), maxTextureSize);
    SDL_GL_MakeCurrent(window, nullptr);
    SDL_GL_DeleteContext(context);
    return true;
}
