// The show's window on SDL2 and the device made on it.
//
// The Win32 steps map onto SDL: registering the class is starting SDL's video, CreateWindowEx is
// SDL_CreateWindow, Direct3DCreate9 is loading the GL library, GetAdapterDisplayMode is the desktop
// mode, CreateDevice is the GL context. Each keeps its failure and its text.
#include "platform/d3dwindow.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/common/window_setup.h"
#include "platform/sdl/gl_context.h"
#include "platform/sdl/input_state.h"
#include "platform/stop_signals.h"

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

bool NamesNoDisplay(const char* driver) {
    return std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
}

// The run's display decision. SDL_Quit forgets every hint, so the driver is named again before
// each window from what was decided here.
struct DisplayChoice {
    bool made = false;
    PlatformDisplay result = PlatformDisplay::None;
    std::string driver;  // with Real
    std::string error;   // with Unreachable
} choice;

UINT backBufferWidth = 640, backBufferHeight = 480;  // the device's, for Reset

constexpr int connectTries = 10;  // with 100 ms between them: about a second for a server to come up

void NameDriver(const char* driver) {
    // Above the environment's SDL_VIDEODRIVER, which has already been taken into account.
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, driver, SDL_HINT_OVERRIDE);
    // The show catches SIGINT and SIGTERM itself (stop_signals.h) or leaves them to end the process;
    // SDL's handlers would turn them into a quit event that nothing acts on.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
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

PlatformDisplay PlatformChooseDisplay() {
    if (choice.made) return choice.result;
    choice.made = true;
    std::vector<std::string> drivers;
    const char* forced = SDL_GetHint(SDL_HINT_VIDEODRIVER);  // the environment's SDL_VIDEODRIVER too
    if (forced && *forced) {
        if (NamesNoDisplay(forced)) return choice.result = PlatformDisplay::None;
        drivers.emplace_back(forced);
    } else {
        const char* x11 = SDL_getenv("DISPLAY");
        const char* wayland = SDL_getenv("WAYLAND_DISPLAY");
        if (x11 && *x11) drivers.emplace_back("x11");
        if (wayland && *wayland) drivers.emplace_back("wayland");
    }
    if (drivers.empty()) return choice.result = PlatformDisplay::None;
    // The connection made here is the one every window of the run uses; a server that has just
    // started may refuse the first attempts.
    for (int attempt = 0; attempt < connectTries; ++attempt) {
        if (attempt > 0) SDL_Delay(100);
        for (const std::string& driver : drivers) {
            NameDriver(driver.c_str());
            if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
                choice.driver = driver;
                return choice.result = PlatformDisplay::Real;
            }
            choice.error = driver + ": " + SDL_GetError();
        }
    }
    SDL_ResetHint(SDL_HINT_VIDEODRIVER);
    return choice.result = PlatformDisplay::Unreachable;
}

bool PlatformHasDisplay() {
    return PlatformChooseDisplay() == PlatformDisplay::Real;
}

const char* PlatformDisplayError() {
    return choice.error.c_str();
}

void PlatformUseOffscreenVideo() {
    if (choice.result == PlatformDisplay::Real && !life.window) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    choice.made = true;
    choice.result = PlatformDisplay::None;
    choice.driver.clear();
}

bool PlatformDrawsAtAnySize() {
    return true;
}

D3DWindow::D3DWindow(int width, int height, bool fullScreen, const char* windowTitle, WindowUse use,
                     const DrawSize& drawSize)
    : title(windowTitle) {
    // A display that exists but cannot be reached is a failure, never a silent switch to offscreen.
    const PlatformDisplay display = PlatformChooseDisplay();
    if (display == PlatformDisplay::Unreachable) throw Exception("Failed To RegisterClass", kLocation);
    NameDriver(display == PlatformDisplay::Real ? choice.driver.c_str() : "offscreen");
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
    // Full screen is the desktop's full screen; Present letterboxes the picture into it. The window
    // is made at the display's size from the start: with no window manager nobody acts on the
    // full-screen request, and a window made at 640x480 would stay that size while SDL reports
    // the display's.
    // A draw size gives a window its client size, and "native" the display's. A tool's window is
    // never seen: it keeps the size asked, and Present's copy into it stays small.
    SDL_Rect screen = {0, 0, 0, 0};
    const bool displayKnown = SDL_GetDisplayBounds(0, &screen) == 0;
    int frameWidth = drawSize.width, frameHeight = drawSize.height;
    if (drawSize.native && displayKnown) frameWidth = screen.w, frameHeight = screen.h;
    const bool sized = frameWidth > 0 && frameHeight > 0;
    const bool sizedWindow = sized && use == WindowUse::Show;
    SDL_Rect bounds = {200, 300, sizedWindow ? frameWidth : width, sizedWindow ? frameHeight : height};
    if (fullScreen) bounds = displayKnown ? screen : SDL_Rect{0, 0, bounds.w, bounds.h};
    const Uint32 flags = SDL_WINDOW_OPENGL | (fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS : 0);
    SDL_Window* window = glLoaded ? SDL_CreateWindow(title, bounds.x, bounds.y, bounds.w, bounds.h, flags) : nullptr;
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

    // The capabilities, and the warning, before the device: a device that then fails to come up
    // leaves the warning shown. Tools have no window for the box and did not ask for the show.
    if (use == WindowUse::Show) {
        D3DCAPS9 caps;
        GetAdapterCaps(window, &caps);  // the result is not tested: no capabilities read as none
        WarnOnAdapterCaps(caps);
    }

    std::string error;
    DeviceDrawSize deviceSize;
    if (sized) deviceSize.frameWidth = UINT(frameWidth), deviceSize.frameHeight = UINT(frameHeight);
    deviceSize.supersample = UINT(drawSize.supersample > 1 ? drawSize.supersample : 1);
    device = CreateDeviceOnWindow(window, UINT(width), UINT(height), &error, deviceSize);
    if (!device) {
        std::fputs("Morra til vesk\n", stdout);
        std::fflush(stdout);
        if (!drawSize.IsDefault()) std::fprintf(stderr, "%s\n", error.c_str());  // why the size asked for failed
        return;
    }
    life.device = true;
    backBufferWidth = UINT(width);
    backBufferHeight = UINT(height);
    // On a real display Present waits for the vertical blank (the default presentation interval).
    if (!OffscreenDriver())
        SDL_GL_SetSwapInterval(1);
    else
        device->Core()->finishOnPresent = true;

    PrepareWindowDevice(device);
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
    const bool escape = GetAsyncKeyState(VK_ESCAPE) != 0;  // always asked: the query consumes a press
    return escape || PlatformStopSignal() != 0;
}

bool D3DWindow::IsVisible() const {
    return life.window && !(SDL_GetWindowFlags(life.window) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN));
}

HRESULT D3DWindow::ResetDevice() {
    return ResetWindowDevice(device, OwnDeviceParameters(backBufferWidth, backBufferHeight));
}

void PlatformResizeWindow(int width, int height) {
    if (life.window) SDL_SetWindowSize(life.window, width, height);
}
