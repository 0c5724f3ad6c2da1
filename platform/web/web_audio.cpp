// The sound output in a browser, over Web Audio. The audio context (Module.virelleAudioContext)
// is made at the music's rate and left suspended until the page starts the show on a click. Before
// each frame the output pulls 2048-frame blocks until a quarter of a second is scheduled ahead and
// plays each through an AudioBufferSourceNode starting where the previous one ends. The clock is
// the context's: its current time less its output latency, which is what the speaker plays now;
// the lead is the device buffer: a block is pulled, and stamped, a lead before it is heard, so the
// playback clock's interpolation from its latest pull is exact. With no Web Audio the same pulls run on the page's
// clock and are dropped.
#include <emscripten.h>

#include <vector>

#include "platform/audio_out.h"
#include "platform/web/web_loop.h"

namespace {

constexpr int kBlockFrames = 2048;
constexpr double kLeadSeconds = 0.25;   // scheduled ahead of the context's time
constexpr double kStartSeconds = 0.03;  // the first block of a start, after the context's time

EM_JS(int, WebAudioCreate, (int rate), {
    try {
        var Context = window.AudioContext || window.webkitAudioContext;
        if (!Context) return 0;
        var context = new Context({sampleRate : rate, latencyHint : 'interactive'});
        Module.virelleAudioContext = context;
        Module.virelleAudioSources = [];
        if (context.state == 'running') context.suspend();  // the page starts it on the user's click
        return 1;
    } catch (e) {
        console.log('Web Audio: ' + e);
        return 0;
    }
});

// Seconds on the context's timeline (the page's clock without a context).
EM_JS(double, WebAudioContextTime, (), {
    var context = Module.virelleAudioContext;
    return context ? context.currentTime : performance.now() / 1000;
});

// What the speaker plays now, on the same timeline.
EM_JS(double, WebAudioHeardTime, (), {
    var context = Module.virelleAudioContext;
    if (!context) return performance.now() / 1000;
    return context.currentTime - (context.outputLatency || 0);
});

EM_JS(void, WebAudioPlay, (const short* samples, int frames, int rate, double at), {
    var context = Module.virelleAudioContext;
    if (!context) return;
    var buffer = context.createBuffer(2, frames, rate);
    var left = buffer.getChannelData(0), right = buffer.getChannelData(1);
    var base = samples >> 1;
    for (var i = 0; i < frames; ++i) {
        left[i] = HEAP16[base + 2 * i] / 32768;
        right[i] = HEAP16[base + 2 * i + 1] / 32768;
    }
    var source = context.createBufferSource();
    source.buffer = buffer;
    source.connect(context.destination);
    var playing = Module.virelleAudioSources;
    playing.push(source);
    source.onended = function() {
        var k = playing.indexOf(source);
        if (k >= 0) playing.splice(k, 1);
    };
    source.start(at);
});

EM_JS(void, WebAudioStopAll, (), {
    var playing = Module.virelleAudioSources || [];
    for (var i = 0; i < playing.length; ++i) {
        try {
            playing[i].stop();
        } catch (e) {
        }
    }
    playing.length = 0;
});

}  // namespace

struct AudioOut::Impl {
    Pull pull = nullptr;
    void* user = nullptr;
    int rate = defaultRate;
    bool silent = true;
    bool playing = false;
    double nextStart = 0;  // context time the next block starts at
    bool inPull = false;
    double pullStamp = 0;  // Now() during a pull
    std::vector<int16_t> block = std::vector<int16_t>(size_t(kBlockFrames) * channels);
};

namespace {

void Feed(void* user) {
    auto* impl = static_cast<AudioOut::Impl*>(user);
    if (!impl->playing) return;
    const double now = WebAudioContextTime();
    if (impl->nextStart < now) impl->nextStart = now + kStartSeconds;  // fell behind: start again
    const double blockSeconds = double(kBlockFrames) / impl->rate;
    while (impl->nextStart < now + kLeadSeconds) {
        impl->inPull = true;
        impl->pullStamp = impl->nextStart - kLeadSeconds;
        impl->pull(impl->user, impl->block.data(), kBlockFrames);
        impl->inPull = false;
        if (!impl->silent) WebAudioPlay(impl->block.data(), kBlockFrames, impl->rate, impl->nextStart);
        impl->nextStart += blockSeconds;
    }
}

}  // namespace

AudioOut::AudioOut() = default;

AudioOut::~AudioOut() {
    Close();
}

bool AudioOut::Open(Pull pull, void* user, int rate) {
    Close();
    impl = std::make_unique<Impl>();
    impl->pull = pull;
    impl->user = user;
    impl->rate = rate > 0 ? rate : defaultRate;
    impl->silent = !WebAudioCreate(impl->rate);
    AddFrameTask(Feed, impl.get());
    return !impl->silent;
}

void AudioOut::Start() {
    if (!impl || impl->playing) return;
    impl->playing = true;
    impl->nextStart = WebAudioContextTime() + kStartSeconds;
}

void AudioOut::Pause() {
    if (!impl || !impl->playing) return;
    impl->playing = false;
    if (!impl->silent) WebAudioStopAll();  // what was scheduled ahead is not heard
}

void AudioOut::Close() {
    if (!impl) return;
    Pause();
    RemoveFrameTask(Feed, impl.get());
    impl.reset();
}

double AudioOut::Now() const {
    if (impl && impl->inPull) return impl->pullStamp;
    return WebAudioHeardTime();
}

int AudioOut::BufferFrames() const {
    return int(kLeadSeconds * (impl ? impl->rate : defaultRate));
}

bool AudioOut::IsSilent() const {
    return !impl || impl->silent;
}

int AudioOut::Changes() const {
    return 0;  // the context is the page's for the whole run
}
