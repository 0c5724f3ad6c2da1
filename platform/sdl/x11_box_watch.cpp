// The box watch: its own X connection and a thread that finds the box among the new top-level
// windows (or inside a window manager's new frames) by its title.
#include "platform/sdl/x11_box_watch.h"

#include <SDL.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <thread>

#include "platform/stop_signals.h"

namespace {

constexpr int searchDepth = 3;  // the box, or the box inside a frame inside a frame

std::set<Window> TopLevels(Display* display) {
    std::set<Window> found;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
        found.insert(children, children + count);
        if (children) XFree(children);
    }
    return found;
}

bool Titled(Display* display, Window window, const std::string& caption) {
    XTextProperty name = {};
    if (!XGetTextProperty(display, window, &name, XInternAtom(display, "_NET_WM_NAME", False)) || !name.value)
        if (!XGetWMName(display, window, &name) || !name.value) return false;
    const bool same = std::string(reinterpret_cast<const char*>(name.value), name.nitems) == caption;
    XFree(name.value);
    return same;
}

Window FindTitled(Display* display, Window window, const std::string& caption, int depth) {
    if (Titled(display, window, caption)) return window;
    if (depth == 0) return 0;
    Window root = 0, parent = 0, *children = nullptr, found = 0;
    unsigned count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return 0;
    for (unsigned i = 0; i < count && !found; ++i) found = FindTitled(display, children[i], caption, depth - 1);
    if (children) XFree(children);
    return found;
}

bool WindowManagerRunning(Display* display) {
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None) return false;
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    const bool present = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type,
                                            &format, &items, &after, &data) == Success &&
                         items == 1;
    if (data) XFree(data);
    return present;
}

bool Viewable(Display* display, Window window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

// Windows of other clients may go while they are looked at. Xlib's error handler is process-wide
// and its default ends the process, so errors on the watch's own connection are ignored and all
// others go to whoever handled them before.
Display* watchDisplay = nullptr;
XErrorHandler previousHandler = nullptr;

int IgnoreWatchErrors(Display* display, XErrorEvent* error) {
    if (display == watchDisplay) return 0;
    return previousHandler ? previousHandler(display, error) : 0;
}

bool OnX11() {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return false;
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return true;  // the box opens its own connection
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && std::strcmp(driver, "x11") == 0;
}

}  // namespace

struct X11BoxWatch::Impl {
    Display* display = nullptr;
    std::string caption;
    std::set<Window> before;
    std::atomic<bool> done{false};
    std::atomic<bool> focused{false};  // the box was given the focus
    Window previousFocus = None;       // who had it before
    std::thread thread;

    void Run() {
        using namespace std::chrono_literals;
        const bool focusItself = !WindowManagerRunning(display);
        Window box = 0;
        bool closed = false;
        while (!done.load()) {
            if (!box) {
                for (Window w : TopLevels(display))
                    if (!before.count(w) && (box = FindTitled(display, w, caption, searchDepth))) break;
            }
            if (box && focusItself && !focused.load() && Viewable(display, box)) {
                XRaiseWindow(display, box);
                XSetInputFocus(display, box, RevertToPointerRoot, CurrentTime);
                XFlush(display);
                focused.store(true);
            }
            if (box && !closed && PlatformStopSignal()) {
                XEvent close = {};
                close.xclient.type = ClientMessage;
                close.xclient.window = box;
                close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
                close.xclient.format = 32;
                close.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
                close.xclient.data.l[1] = CurrentTime;
                XSendEvent(display, box, False, NoEventMask, &close);
                XFlush(display);
                closed = true;
            }
            std::this_thread::sleep_for(20ms);
        }
    }
};

X11BoxWatch::X11BoxWatch(const char* caption) {
    if (!OnX11()) return;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return;
    impl = std::make_unique<Impl>();
    impl->display = display;
    impl->caption = caption;
    watchDisplay = display;
    previousHandler = XSetErrorHandler(IgnoreWatchErrors);
    impl->before = TopLevels(display);  // before the box exists: it is one of the windows that come
    int revert = 0;
    XGetInputFocus(display, &impl->previousFocus, &revert);
    impl->thread = std::thread([this] { impl->Run(); });
}

X11BoxWatch::~X11BoxWatch() {
    if (!impl) return;
    impl->done.store(true);
    impl->thread.join();
    // The focus goes back where it was (the show's window); otherwise it would fall to the root.
    if (impl->focused.load() && impl->previousFocus != None && impl->previousFocus != PointerRoot) {
        XSetInputFocus(impl->display, impl->previousFocus, RevertToPointerRoot, CurrentTime);
        XSync(impl->display, False);
    }
    XCloseDisplay(impl->display);
    const XErrorHandler current = XSetErrorHandler(previousHandler);
    if (current != IgnoreWatchErrors) XSetErrorHandler(current);  // someone else's since: keep theirs
    watchDisplay = nullptr;
}
