// The show's time script. Every expression is float op float, so each difference, product and sum
// is rounded to single precision before it is compared or stored (the build forbids contraction).
#include "app/timeline.h"

namespace {

// Moves base on by one step when the loop has run past it; never more than one step per frame, so
// after a stall the scene time overshoots until the base has caught up.
void StepBase(float& base, float t, float step) {
    const float sinceBase = t - base;
    if (sinceBase > step) base = base + step;
}

}  // namespace

FramePlan StepTimeline(TimelineState& state, float t, float s0, float s1) {
    FramePlan plan;
    if (soloStart < t && t < soloEnd) {
        StepBase(state.ostrelSoloBase, t, ostrelStep);
        plan.passes[plan.passCount++] = {ShowTarget::RenderTarget, ShowScene::Ostrel, 0,
                                         (t - state.ostrelSoloBase) * halfSpeedScenes};
    }
    if (duetStart < t && t < duetEnd) {
        StepBase(state.ostrelDuetBase, t, ostrelStep);
        plan.passes[plan.passCount++] = {ShowTarget::RenderTarget, ShowScene::Ostrel, 0,
                                         (t - state.ostrelDuetBase) * halfSpeedScenes};
        const float sincePark = t - state.parkBase;
        if (sincePark > parkStep) {
            state.parkBase = state.parkBase + parkStep;
            state.parkCamera = state.parkCamera + 1.0f;
            if (state.parkCamera > 2.0f) state.parkCamera = 0.0f;
        }
        plan.passes[plan.passCount++] = {ShowTarget::Parken, ShowScene::Park, static_cast<int>(state.parkCamera),
                                         (t - state.parkBase) * halfSpeedScenes};
    }
    if (ringerStart < t && t < ringerEnd) {
        if (s0 * 30.0f > 18.0f) {
            state.ringerCamera = state.ringerCamera + 1;
            if (state.ringerCamera > 2) state.ringerCamera = 0;
        }
        StepBase(state.ringerBase, t, ringerStep);
        if (s1 * 30.0f > 25.0f) state.ringerBase = t;  // a strong hit restarts the scene now
        plan.passes[plan.passCount++] = {ShowTarget::RenderTarget, ShowScene::Ringer, state.ringerCamera,
                                         t - state.ringerBase};
        plan.setOffset = true;
        plan.offsetY = s0 * 50.0f;
    }
    return plan;
}
