// The device's GL context on an SDL window, and the window calls the device makes through it.
#include "platform/sdl/gl_context.h"

namespace {

struct ContextWindow {
    SDL_Window* window;
    SDL_GLContext context;
};

void DrawableSize(void* w, int* width, int* height) {
    SDL_GL_GetDrawableSize(static_cast<ContextWindow*>(w)->window, width, height);
}

void Swap(void* w) {
    SDL_GL_SwapWindow(static_cast<ContextWindow*>(w)->window);
}

void Release(void* w) {
    auto* c = static_cast<ContextWindow*>(w);
    SDL_GL_DeleteContext(c->context);
    delete c;
    PlatformDeviceGone();
}

}  // namespace

IDirect3DDevice9* CreateDeviceOnWindow(SDL_Window* window, UINT width, UINT height, std::string* error,
                                       const DeviceDrawSize& drawSize) {
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) {
        *error = SDL_GetError();
        return nullptr;
    }
    SDL_GL_MakeCurrent(window, context);
    DeviceWindow w;
    w.window = new ContextWindow{window, context};
    w.drawableSize = DrawableSize;
    w.swap = Swap;
    w.release = Release;
    return CreateDevice(w, width, height, error, drawSize);
}

bool GetAdapterCaps(SDL_Window* window, D3DCAPS9* caps) {
    *caps = {};
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) return false;
    *caps = CurrentContextCaps();
    SDL_GL_MakeCurrent(window, nullptr);
    SDL_GL_DeleteContext(context);
    return true;
}
