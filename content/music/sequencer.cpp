#include "content/music/sequencer.h"

#include <algorithm>
#include <cmath>
#include <thread>
#include <utility>

#include "content/music/synth_voices.h"

namespace sequencer {
namespace {

using score::Event;
using score::Instrument;
using score::KickKind;
using synth::kSampleRate;
using synth::Stereo;

size_t FrameAt(double seconds) {
    return static_cast<size_t>(std::llround(std::max(0.0, seconds) * kSampleRate));
}

// The three kick sounds. The ringer's bodies sit near 55-60 Hz with enough drive that the
// fundamental carries more than the peak level: the show's beat detection reads the lowest bands.
synth::KickShape ShapeOf(KickKind kind) {
    synth::KickShape s;
    switch (kind) {
        case KickKind::Soft:
            s = {150.0f, 58.0f, 0.025f, 0.01f, 0.07f, 1.2f, 0.12f};
            break;
        case KickKind::Drive:
            s = {130.0f, 42.0f, 0.012f, 0.07f, 0.06f, 2.2f, 0.15f};
            break;
        case KickKind::Heavy:
            s = {230.0f, 60.0f, 0.035f, 0.09f, 0.12f, 3.0f, 0.18f};
            break;
    }
    return s;
}

// Where each instrument goes.
// The music bus comes in two halves that are rendered side by side and summed (pads are the bulk
// of the work).
enum Bus { kKickBus, kLowBus, kDrumBus, kMusicBus, kLeadBus, kMusicBus2, kBusCount };

Bus BusOf(Instrument instrument) {
    switch (instrument) {
        case Instrument::Kick:
            return kKickBus;
        case Instrument::Sub:
        case Instrument::Bass:
            return kLowBus;
        case Instrument::Snare:
        case Instrument::Hat:
        case Instrument::OpenHat:
            return kDrumBus;
        case Instrument::Pad:
        case Instrument::Pluck:
        case Instrument::Crash:
        case Instrument::Swell:
        case Instrument::Riser:
            return kMusicBus;
        case Instrument::Lead:
            return kLeadBus;
    }
    return kMusicBus;
}

void RenderEvent(Stereo& out, const Event& e, uint64_t seed) {
    const size_t at = FrameAt(e.time);
    switch (e.instrument) {
        case Instrument::Kick:
            synth::RenderKick(out, at, ShapeOf(static_cast<KickKind>(static_cast<int>(e.param))), e.level);
            break;
        case Instrument::Sub:
            synth::RenderSub(out, at, e.held, e.midi, e.level);
            break;
        case Instrument::Bass:
            synth::RenderBass(out, at, e.held, e.midi, e.level, e.param);
            break;
        case Instrument::Pad:
            synth::RenderPad(out, at, e.held, e.midi, e.level, e.param, seed);
            break;
        case Instrument::Pluck:
            synth::RenderPluck(out, at, e.held, e.midi, e.level, e.pan, e.param);
            break;
        case Instrument::Lead:
            synth::RenderLead(out, at, e.held, e.midi, e.level, e.pan, e.param);
            break;
        case Instrument::Snare:
            synth::RenderSnare(out, at, e.level, e.pan, seed);
            break;
        case Instrument::Hat:
            synth::RenderHat(out, at, e.level, e.pan, false, seed);
            break;
        case Instrument::OpenHat:
            synth::RenderHat(out, at, e.level, e.pan, true, seed);
            break;
        case Instrument::Crash:
            synth::RenderCrash(out, at, e.level, seed);
            break;
        case Instrument::Swell:
            synth::RenderSwell(out, at, e.held, e.level, 180.0f, e.param, false, seed);
            break;
        case Instrument::Riser:
            synth::RenderSwell(out, at, e.held, e.level, 300.0f, e.param, true, seed);
            break;
    }
}

// Side-chain gains: the sub and bass clear out of the kick's way completely, everything else
// breathes with it.
void Duck(const std::vector<score::Hit>& hits, std::vector<float>& low, std::vector<float>& rest) {
    for (const score::Hit& hit : hits) {
        const size_t at = FrameAt(hit.time);
        const float depth = hit.kind == KickKind::Heavy ? 0.8f : hit.kind == KickKind::Drive ? 0.55f : 0.2f;
        const float clear = hit.kind == KickKind::Heavy ? 0.2f : 0.12f;
        const size_t n = std::min(rest.size() - std::min(rest.size(), at), FrameAt(0.6));
        for (size_t i = 0; i < n; ++i) {
            const float t = static_cast<float>(i) / kSampleRate;
            const float attack = std::min(1.0f, t / 0.004f);
            const float restGain = 1.0f - depth * attack * std::exp(-std::max(0.0f, t - 0.02f) / 0.12f);
            const float lowGain = t < clear ? 1.0f - attack : 1.0f - std::exp(-(t - clear) / 0.03f);
            rest[at + i] = std::min(rest[at + i], restGain);
            low[at + i] = std::min(low[at + i], lowGain);
        }
    }
}

// The breath: dry sound is cut, only the reverb and echoes ring on; 3 ms edges.
float BreathGate(double t) {
    const double from = score::kBreathStart, to = score::SectionStart(score::Section::Duet) - 0.003;
    if (t < from - 0.003 || t >= to + 0.003) return 1.0f;
    if (t < from) return static_cast<float>((from - t) / 0.003);
    if (t >= to) return static_cast<float>((t - to) / 0.003);
    return 0.0f;
}

// The drop carries the show's beat detection and runs near full scale; the other sections are
// lifted towards it so the piece keeps one loudness. Ramps of 20 ms at the edges.
float SectionGain(double t) {
    constexpr float kLift = 1.5f;
    const double from = score::SectionStart(score::Section::Ringer), to = score::SectionStart(score::Section::Duet);
    const double edge = 0.02;
    if (t < from - edge || t >= to) return kLift;
    if (t < from) return kLift + (1.0f - kLift) * static_cast<float>((t - (from - edge)) / edge);
    if (t >= to - edge) return 1.0f + (kLift - 1.0f) * static_cast<float>((t - (to - edge)) / edge);
    return 1.0f;
}

// The master fade: silent at the very end.
float MasterFade(double t, double length) {
    const double fadeFrom = length - 8.0;
    if (t < 0.01) return static_cast<float>(t / 0.01);
    if (t <= fadeFrom) return 1.0f;
    const double x = std::clamp((t - fadeFrom) / 8.0, 0.0, 1.0);
    const double c = std::cos(x * 1.5707963267948966);
    return static_cast<float>(c * c);
}

}  // namespace

Stereo Render(const std::vector<Event>& events, double seconds) {
    const size_t frames = FrameAt(seconds);
    std::vector<Stereo> bus;
    for (int b = 0; b < kBusCount; ++b) bus.emplace_back(frames);
    // Two workers, each owning whole buses and rendering its events in score order, so the result
    // does not depend on how the threads are scheduled.
    const auto renderBuses = [&](bool second) {
        for (size_t i = 0; i < events.size(); ++i) {
            Bus b = BusOf(events[i].instrument);
            if (b == kMusicBus && i % 2) b = kMusicBus2;
            const bool mine = b == kMusicBus2 || b == kLeadBus || b == kDrumBus;
            if (mine == second) RenderEvent(bus[b], events[i], 0x5eed0000ull + i * 7919ull);
        }
    };
    std::thread worker(renderBuses, true);
    renderBuses(false);
    worker.join();

    std::vector<float> lowGain(frames, 1.0f), restGain(frames, 1.0f);
    Duck(score::KickHits(events), lowGain, restGain);

    synth::Reverb reverb(0.82f, 0.45f);
    synth::DelayLine echoLeft(FrameAt(3.0 * score::kEighth)), echoRight(FrameAt(3.0 * score::kEighth));
    synth::OnePole echoToneLeft, echoToneRight;
    echoToneLeft.SetCutoff(3000.0f);
    echoToneRight.SetCutoff(3000.0f);
    Stereo& master = bus[kKickBus];  // mixed in place: each frame is read before it is written
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const float gate = BreathGate(t);
        const float duck = restGain[i] * gate;
        float side[2];
        float send[2];
        float leadIn = 0.0f;
        for (int c = 0; c < 2; ++c) {
            const auto at = [&](int b) -> float { return c ? bus[b].right[i] : bus[b].left[i]; };
            const float kick = at(kKickBus) * gate;
            const float low = at(kLowBus) * lowGain[i] * gate;
            const float drums = at(kDrumBus) * duck, music = (at(kMusicBus) + at(kMusicBus2)) * duck;
            const float lead = at(kLeadBus) * duck;
            side[c] = kick + low + drums + music + lead;
            send[c] = 0.12f * drums + 0.4f * music + 0.3f * lead;
            leadIn += 0.5f * lead;
        }
        float wetLeft, wetRight;
        reverb.Process(send[0], send[1], wetLeft, wetRight);
        // A ping-pong echo of the lead at a dotted eighth, darker on every repeat.
        const float echoL = echoLeft.Read(), echoR = echoRight.Read();
        echoLeft.Write(echoToneLeft.Low(leadIn + 0.4f * echoR));
        echoRight.Write(echoToneRight.Low(0.4f * echoL));
        const float fade = MasterFade(t, seconds) * SectionGain(t);
        // In the breath the reverb is thrown up to fill the cut.
        const float wet = 0.8f + 1.6f * (1.0f - gate);
        master.left[i] = (side[0] + wet * wetLeft + 0.22f * echoL) * fade;
        master.right[i] = (side[1] + wet * wetRight + 0.22f * echoR) * fade;
    }
    synth::Limit(master, kCeiling, 0.002f, 0.12f);
    return std::move(master);
}

Stereo RenderPiece() {
    return Render(score::Compose(), score::kLength);
}

}  // namespace sequencer
