// The show's window in a browser: the page's <canvas id="canvas"> (640x480 backing store), a WebGL2
// context on it and the device made on that context. The page scales the canvas to its window and
// asks for full screen itself (a browser grants it only on a gesture). Frames are shown when the
// frame callback returns, so the swap does nothing.
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <string>

#include "platform/common/window_setup.h"
#include "platform/d3dwindow.h"
#include "platform/device/device_window.h"
#include "platform/web/web_input.h"
#include "platform/win32.h"

IDirect3DDevice9* device = nullptr;
HWND windowHandle = nullptr;

namespace {

const char* kLocation = "d3dwindow, Constructor";
constexpr const char* kCanvas = "#canvas";

EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;

void DrawableSize(void*, int* width, int* height) {
    emscripten_webgl_get_drawing_buffer_size(context, width, height);
}

void Swap(void*) {}

void Release(void*) {
    if (context) emscripten_webgl_destroy_context(context);
    context = 0;
    device = nullptr;  // the global never points at a dead device
}

}  // namespace

PlatformDisplay PlatformChooseDisplay() {
    return PlatformDisplay::Real;  // the page
}

bool PlatformHasDisplay() {
    return true;
}

const char* PlatformDisplayError() {
    return "";
}

void PlatformUseOffscreenVideo() {}

// The canvas keeps its 640x480 backing store: the browser build draws as the show asks.
bool PlatformDrawsAtAnySize() {
    return false;
}

D3DWindow::D3DWindow(int width, int height, bool, const char* windowTitle, WindowUse use, const DrawSize&)
    : title(windowTitle) {
    emscripten_set_window_title(title);
    emscripten_set_canvas_element_size(kCanvas, width, height);
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.alpha = EM_FALSE;  // the picture is opaque; the page shows black bars around it
    attributes.depth = EM_FALSE;  // every target's depth is the device's own buffer
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;             // Present blits into the canvas, which needs a single-sampled one
    attributes.preserveDrawingBuffer = EM_TRUE;  // a held picture stays readable by the page
    context = emscripten_webgl_create_context(kCanvas, &attributes);
    if (context <= 0) throw Exception("Direct3DCreate9(D3D_SDK_VERSION)", kLocation);
    emscripten_webgl_make_context_current(context);
    emscripten_webgl_enable_extension(context, "OES_texture_float_linear");
    StartWebInput();

    if (use == WindowUse::Show) WarnOnAdapterCaps(CurrentContextCaps());

    DeviceWindow w;
    w.drawableSize = DrawableSize;
    w.swap = Swap;
    w.release = Release;
    std::string error;
    device = CreateDevice(w, UINT(width), UINT(height), &error);
    if (!device) {
        std::fprintf(stderr, "WebGL2 device: %s\n", error.c_str());
        std::fputs("Morra til vesk\n", stdout);
        std::fflush(stdout);
        return;
    }
    PrepareWindowDevice(device);
}

D3DWindow::~D3DWindow() = default;  // the device keeps the context until it is released

bool D3DWindow::PumpMessages() {
    return GetAsyncKeyState(VK_ESCAPE) != 0;  // always asked: the query consumes a press
}

bool D3DWindow::IsVisible() const {
    return true;  // a hidden page gets no frame callbacks at all
}

HRESULT D3DWindow::ResetDevice() {
    return ResetWindowDevice(device, OwnDeviceParameters(640, 480));  // the canvas's backing store
}

void PlatformResizeWindow(int, int) {}  // the page sizes the canvas's box; its backing store stays
