// Work that keeps going beside the frames (decoding music ahead of playback). Natively it runs on a
// thread of its own; where there are no threads (the browser build) the frame loop runs a few steps
// before each frame. Either way the work is a function doing one small step at a time.
#pragma once

#include <functional>
#include <memory>

class BackgroundWork {
public:
    // One step; false when there is nothing to do for now (the work is looked at again ~50 ms later,
    // or before the next frame).
    using Step = std::function<bool()>;

    BackgroundWork();
    ~BackgroundWork();  // stops
    BackgroundWork(const BackgroundWork&) = delete;
    BackgroundWork& operator=(const BackgroundWork&) = delete;

    // True where work runs on threads of its own; false where there are none (other work that
    // would want a thread of its own is not started there).
    static bool Threaded();

    void Start(Step step);  // stops any earlier work first
    // On return no step is running and none will start until Start.
    void Stop();

    struct Impl;

private:
    std::unique_ptr<Impl> impl;
};
