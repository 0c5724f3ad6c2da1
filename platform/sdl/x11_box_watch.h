// Help for a message box on an X11 display while it is up. With no window manager a new window
// does not get the keyboard focus by itself, so the box is raised and given it (Return then presses
// OK). A stop signal (stop_signals.h) closes the box as its close button would, so the run can go
// on to end the show. Elsewhere (no X11, offscreen) it does nothing.
#pragma once

#include <memory>

class X11BoxWatch {
public:
    // Call just before the box is made; `caption` is its title as shown (UTF-8).
    explicit X11BoxWatch(const char* caption);
    ~X11BoxWatch();  // stops watching
    X11BoxWatch(const X11BoxWatch&) = delete;
    X11BoxWatch& operator=(const X11BoxWatch&) = delete;

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};
