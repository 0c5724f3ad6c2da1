// The show's window on Win32 and the system's Direct3D 9 device made on it, step by step as the
// show's window has always made them: the class, the window, the Direct3D object, the display mode
// when windowed, the presentation parameters, the capabilities and the device, then the device
// states every drawing part relies on.
#include "platform/d3dwindow.h"

#include <cstdio>

#include "platform/common/window_setup.h"
#include "platform/stop_signals.h"
#include "platform/win32/win32_backend.h"

IDirect3DDevice9* device = nullptr;
HWND windowHandle = nullptr;

namespace {

const char* kLocation = "d3dwindow, Constructor";

struct WindowState {
    IDirect3D9* direct3D = nullptr;
    WNDCLASSEXA windowClass{};
    MSG msg{};
    D3DPRESENT_PARAMETERS presentation{};  // as the device was made, for Reset
    bool offscreen = false;                // tools and tests: the window is never shown
    bool displayChosen = false;
} state;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_CLOSE:
            // Closing the window does not end the show (only Escape does), and the device keeps
            // its window: the request is taken and dropped.
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

// The presentation parameters of the show's device. A tool's device copies its back buffer on
// Present instead of discarding it, so the frame can still be read after Present.
D3DPRESENT_PARAMETERS PresentationFor(int width, int height, bool fullScreen, bool tool) {
    D3DPRESENT_PARAMETERS p{};
    p.BackBufferWidth = UINT(width);
    p.BackBufferHeight = UINT(height);
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    p.BackBufferCount = tool ? 1 : 3;
    p.MultiSampleType = D3DMULTISAMPLE_NONE;
    p.SwapEffect = tool ? D3DSWAPEFFECT_COPY : D3DSWAPEFFECT_DISCARD;
    p.hDeviceWindow = nullptr;  // the focus window
    p.Windowed = fullScreen ? FALSE : TRUE;
    p.EnableAutoDepthStencil = TRUE;
    p.AutoDepthStencilFormat = D3DFMT_D24X8;
    p.FullScreen_RefreshRateInHz = 0;
    p.PresentationInterval = tool ? D3DPRESENT_INTERVAL_IMMEDIATE : D3DPRESENT_INTERVAL_DEFAULT;
    return p;
}

}  // namespace

PlatformDisplay PlatformChooseDisplay() {
    state.displayChosen = true;
    return state.offscreen ? PlatformDisplay::None : PlatformDisplay::Real;
}

bool PlatformHasDisplay() {
    return PlatformChooseDisplay() == PlatformDisplay::Real;
}

const char* PlatformDisplayError() {
    return "";
}

void PlatformUseOffscreenVideo() {
    state.offscreen = true;
}

// The system's device draws the show as the show asks (a 640x480 back buffer); the options for
// other sizes are refused before a window is made.
bool PlatformDrawsAtAnySize() {
    return false;
}

D3DWindow::D3DWindow(int width, int height, bool fullScreen, const char* windowTitle, WindowUse use, const DrawSize&)
    : title(windowTitle) {
    const bool tool = use == WindowUse::Tool;
    ResetKeyTracking();

    WNDCLASSEXA& wc = state.windowClass;
    wc = WNDCLASSEXA{};
    wc.cbSize = sizeof(WNDCLASSEXA);
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    wc.lpfnWndProc = WindowProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = nullptr;
    wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = title;
    wc.hIconSm = LoadIconA(nullptr, IDI_APPLICATION);
    if (!RegisterClassExA(&wc)) throw Exception("Failed To RegisterClass", kLocation);

    // Offscreen windows (tools, tests) are the same windows, never shown.
    const DWORD visible = state.offscreen ? 0 : WS_VISIBLE;
    if (fullScreen)
        windowHandle = CreateWindowExA(0, title, title, WS_POPUP | visible, 0, 0, width, height, nullptr, nullptr,
                                       nullptr, nullptr);
    else
        windowHandle =
            CreateWindowExA(WS_EX_CLIENTEDGE, title, title, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | visible, 200, 300,
                            width, height, nullptr, nullptr, nullptr, nullptr);
    if (!windowHandle) {
        UnregisterClassA(title, nullptr);
        throw Exception("CreateWindowEx()", kLocation);
    }

    state.direct3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (!state.direct3D) throw Exception("Direct3DCreate9(D3D_SDK_VERSION)", kLocation);

    if (!fullScreen) {
        D3DDISPLAYMODE displaymode;
        if (FAILED(state.direct3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &displaymode)))
            throw Exception("GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &displaymode)", kLocation);
    }

    state.presentation = PresentationFor(width, height, fullScreen, tool);

    D3DCAPS9 caps{};
    state.direct3D->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps);  // not tested: none reads as none
    if (!tool) WarnOnAdapterCaps(caps);
    const DWORD behaviour = (caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) ? D3DCREATE_HARDWARE_VERTEXPROCESSING
                                                                            : D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    if (FAILED(state.direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, windowHandle, behaviour,
                                            &state.presentation, &device))) {
        device = nullptr;
        std::fputs("Morra til vesk\n", stdout);
        std::fflush(stdout);
        return;
    }
    PrepareWindowDevice(device);
}

D3DWindow::~D3DWindow() {
    if (state.direct3D) state.direct3D->Release();
    UnregisterClassA(title, nullptr);
    state.direct3D = nullptr;
}

bool D3DWindow::PumpMessages() {
    PumpThreadMessages(&state.msg);
    const bool escape = GetAsyncKeyState(VK_ESCAPE) != 0;  // always asked: the query consumes a press
    return escape || PlatformStopSignal() != 0;
}

bool D3DWindow::IsVisible() const {
    return windowHandle && IsWindowVisible(windowHandle) && !IsIconic(windowHandle);
}

HRESULT D3DWindow::ResetDevice() {
    return ResetWindowDevice(device, state.presentation);
}

void PlatformResizeWindow(int width, int height) {
    if (windowHandle) SetWindowPos(windowHandle, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
}

void PlatformPushCloseEvent() {
    if (windowHandle) PostMessageA(windowHandle, WM_CLOSE, 0, 0);
}
