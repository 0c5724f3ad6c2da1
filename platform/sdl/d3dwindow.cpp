// The show's window on SDL2 and the device made on it.
//
// The Win32 steps map onto SDL: registering the class is starting SDL's video, CreateWindowEx is
// SDL_CreateWindow, Direct3DCreate9 is loading the GL library, GetAdapterDisplayMode is the desktop
// mode, CreateDevice is the GL context. Each keeps its failure and its text.
#include "platform/sdl/d3dwindow.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/sdl/gl_context.h"
#include "platform/sdl/input_state.h"

IDirect3DDevice9* device = nullptr;
HWND windowHandle = nullptr;

namespace {

const char* kLocation = "d3dwindow, Constructor";

// SDL lives while the window object or the device does; whichever goes last ends it.
struct PlatformLife {
    SDL_Window* window = nullptr;
    bool windowObject = false;
    bool device = false;
} life;

void EndSdlWhenUnused() {
    if (life.windowObject || life.device) return;
    if (life.window) SDL_DestroyWindow(life.window);
    life.window = nullptr;
    windowHandle = nullptr;
    StopInputTracking();
    SDL_Quit();
}

bool OffscreenDriver() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && std::strcmp(driver, "offscreen") == 0;
}

}  // namespace

void PlatformWindowGone() {
    life.windowObject = false;
    EndSdlWhenUnused();
}

void PlatformDeviceGone() {
    life.device = false;
    device = nullptr;  // the global never points at a dead device
    EndSdlWhenUnused();
}

Exception::Exception(const char* what, const char* where) {
    std::snprintf(message, sizeof message, "%s", what);
    std::snprintf(location, sizeof location, "%s", where);
}

bool PlatformHasDisplay() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) {
        const char* driver = SDL_GetCurrentVideoDriver();
        return driver && (std::strcmp(driver, "x11") == 0 || std::strcmp(driver, "wayland") == 0);
    }
    const char* forced = SDL_getenv("SDL_VIDEODRIVER");
    if (forced && (std::strcmp(forced, "offscreen") == 0 || std::strcmp(forced, "dummy") == 0)) return false;
    for (const char* name : {"x11", "wayland"}) {
        if ((std::strcmp(name, "x11") == 0 && !SDL_getenv("DISPLAY")) ||
            (std::strcmp(name, "wayland") == 0 && !SDL_getenv("WAYLAND_DISPLAY")))
            continue;
        if (SDL_VideoInit(name) == 0) {
            SDL_VideoQuit();
            return true;
        }
    }
    return false;
}

void PlatformUseOffscreenVideo() {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
}

D3DWindow::D3DWindow(int width, int height, bool fullScreen, const char* windowTitle) : title(windowTitle) {
    // Without a display the offscreen driver renders the same pictures through EGL.
    const char* hint = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if ((!hint || !*hint) && !PlatformHasDisplay()) PlatformUseOffscreenVideo();
    if (SDL_Init(SDL_INIT_VIDEO) != 0) throw Exception("Failed To RegisterClass", kLocation);

    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);  // every target's depth is the device's own buffer
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);

    // The GL library is loaded first so that a missing one is reported as itself rather than as a
    // window failure (SDL would load it inside SDL_CreateWindow).
    const bool glLoaded = SDL_GL_LoadLibrary(nullptr) == 0;
    // Full screen is the desktop's full screen; Present letterboxes the picture into it.
    const Uint32 flags = SDL_WINDOW_OPENGL | (fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    const int x = fullScreen ? 0 : 200, y = fullScreen ? 0 : 300;
    SDL_Window* window = glLoaded ? SDL_CreateWindow(title, x, y, width, height, flags) : nullptr;
    windowHandle = window;
    if (glLoaded) SDL_GL_UnloadLibrary();  // the window holds its own reference
    if (!window) {
        SDL_Quit();
        throw Exception(glLoaded ? "CreateWindowEx()" : "Direct3DCreate9(D3D_SDK_VERSION)", kLocation);
    }
    auto fail = [&](const char* what) {
        SDL_DestroyWindow(window);
        windowHandle = nullptr;
        SDL_Quit();
        throw Exception(what, kLocation);
    };
    SDL_DisplayMode mode;
    if (!fullScreen && SDL_GetDesktopDisplayMode(0, &mode) != 0)
        fail("GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &displaymode)");

    life.window = window;
    life.windowObject = true;
    StartInputTracking();

    std::string error;
    device = CreateDeviceOnWindow(window, UINT(width), UINT(height), &error);
    if (!device) {
        std::fputs("Morra til vesk\n", stdout);
        std::fflush(stdout);
        return;
    }
    life.device = true;
    // On a real display Present waits for the vertical blank (the default presentation interval).
    if (!OffscreenDriver())
        SDL_GL_SetSwapInterval(1);
    else
        device->Core()->finishOnPresent = true;

    D3DCAPS9 caps;
    device->GetDeviceCaps(&caps);
    if (!(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT))
        MessageBoxA(nullptr, "Your GPU is from Poland!", "Warning", MB_OK);

    for (DWORD sampler = 0; sampler < 7; ++sampler) {
        device->SetSamplerState(sampler, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(sampler, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(sampler, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    }
    device->SetRenderState(D3DRS_ANTIALIASEDLINEENABLE, TRUE);
    for (DWORD stage = 0; stage < 3; ++stage) device->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_DISABLE);
    IDirect3DSurface9* depth = nullptr;
    device->CreateDepthStencilSurface(640, 512, D3DFMT_D24X8, D3DMULTISAMPLE_NONE, 0, TRUE, &depth, nullptr);
    device->SetDepthStencilSurface(depth);
    if (depth) depth->Release();
}

D3DWindow::~D3DWindow() {
    // The device is not released here; SDL ends once the device has gone too.
    PlatformWindowGone();
}

bool D3DWindow::PumpMessages() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        // Closing the window is dispatched and ignored: only Escape ends the show.
    }
    return GetAsyncKeyState(VK_ESCAPE) != 0;
}
