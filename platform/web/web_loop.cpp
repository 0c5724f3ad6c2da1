// The frame loop in a browser: emscripten's main loop (one call per animation frame) runs the
// frame tasks and then, once the page has called virelle_start on the user's click, the show's
// frame. When the show is over the page hears Module.virelleShowEnded("escape" or "end") and may
// call virelle_restart. Background work runs here in steps (the build has no threads).
#include "platform/web/web_loop.h"

#include <emscripten.h>

#include <vector>

#include "platform/background_work.h"
#include "platform/frame_loop.h"

namespace {

struct Task {
    FrameTask task;
    void* user;
};

struct LoopState {
    FrameLoop loop;
    bool registered = false;
    bool started = false;  // the page asked for the show
    bool running = false;  // frames go to the show
    std::vector<Task> tasks;
} state;

EM_JS(void, TellShowEnded, (int escaped), {
    var status = escaped ? 'escape' : 'end';
    if (typeof Module.virelleShowEnded == 'function') Module.virelleShowEnded(status);
});

EM_JS(void, ResumeAudioContext, (), {
    var context = Module.virelleAudioContext;
    if (context && context.state != 'running' && context.state != 'closed') context.resume();
});

void Tick(void*) {
    // A copy: a task may remove itself.
    const std::vector<Task> tasks = state.tasks;
    for (const Task& t : tasks) t.task(t.user);
    if (!state.running) return;
    if (!state.loop.frame()) {
        state.running = false;
        TellShowEnded(state.loop.escaped && state.loop.escaped());
    }
}

}  // namespace

void AddFrameTask(FrameTask task, void* user) {
    state.tasks.push_back(Task{task, user});
}

void RemoveFrameTask(FrameTask task, void* user) {
    std::erase_if(state.tasks, [&](const Task& t) { return t.task == task && t.user == user; });
}

void PlatformRunFrames(FrameLoop loop) {
    state.loop = std::move(loop);
    if (state.registered) return;
    state.registered = true;
    emscripten_set_main_loop_arg(Tick, nullptr, 0, 0);  // on the display's frames; returns at once
}

// ---------------------------------------------------------------- background work in steps

struct BackgroundWork::Impl {
    Step step;
};

namespace {

constexpr double kStepBudgetMs = 4.0;  // per frame and work: decoding ahead never holds up a frame

void RunSteps(void* user) {
    auto* impl = static_cast<BackgroundWork::Impl*>(user);
    const double start = emscripten_get_now();
    while (emscripten_get_now() - start < kStepBudgetMs)
        if (!impl->step()) break;
}

}  // namespace

bool BackgroundWork::Threaded() {
    return false;
}

BackgroundWork::BackgroundWork() = default;

BackgroundWork::~BackgroundWork() {
    Stop();
}

void BackgroundWork::Start(Step step) {
    Stop();
    impl = std::make_unique<Impl>();
    impl->step = std::move(step);
    AddFrameTask(RunSteps, impl.get());
}

void BackgroundWork::Stop() {
    if (!impl) return;
    RemoveFrameTask(RunSteps, impl.get());
    impl.reset();
}

// ---------------------------------------------------------------- the page's calls

extern "C" {

EMSCRIPTEN_KEEPALIVE void virelle_start() {
    ResumeAudioContext();
    if (state.started) return;
    state.started = state.running = true;
}

EMSCRIPTEN_KEEPALIVE void virelle_restart() {
    if (!state.started || state.running || !state.loop.playAgain) return;
    ResumeAudioContext();
    state.loop.playAgain();
    state.running = true;
}

EMSCRIPTEN_KEEPALIVE void virelle_test_pause_at(double seconds) {
    if (state.loop.holdAt) state.loop.holdAt(seconds);
}

EMSCRIPTEN_KEEPALIVE double virelle_music_time() {
    return state.loop.musicTime ? state.loop.musicTime() : 0.0;
}

}  // extern "C"
