// Depth clears held back until a draw tests depth.
//
// The show clears the back buffer's depth every frame although nothing drawn there tests it, and
// each 3D pass clears the shared depth buffer again before drawing. A clear is therefore kept as a
// box of the depth buffer with its value and given to GL only for the part a depth-tested draw can
// reach: the draw's target. A later clear that covers a kept box replaces it, and a clear to the
// value the last kept box already gives inside that box is dropped. What any draw sees in the
// depth buffer is what it would have seen with every clear made at once.
#include <algorithm>

#include "platform/device/device_core.h"

namespace {

bool Inside(const GlBox& a, const GlBox& b) {
    return a.x >= b.x && a.y >= b.y && a.x + a.width <= b.x + b.width && a.y + a.height <= b.y + b.height;
}

GlBox Intersect(const GlBox& a, const GlBox& b) {
    const int x1 = std::max(a.x, b.x), y1 = std::max(a.y, b.y);
    const int x2 = std::min(a.x + a.width, b.x + b.width), y2 = std::min(a.y + a.height, b.y + b.height);
    return {x1, y1, std::max(0, x2 - x1), std::max(0, y2 - y1)};
}

bool Empty(const GlBox& a) {
    return a.width <= 0 || a.height <= 0;
}

// Beyond this many kept boxes they all go to GL: a bound on the work each draw does.
constexpr size_t kMaxKept = 16;

}  // namespace

void DeviceCore::KeepDepthClear(const GlBox& box, float z) {
    z = std::clamp(z, 0.0f, 1.0f);
    std::erase_if(pendingDepthClears, [&](const PendingDepthClear& p) { return Inside(p.box, box); });
    if (!pendingDepthClears.empty() && pendingDepthClears.back().z == z && Inside(box, pendingDepthClears.back().box))
        return;  // the last kept clear gives this box this value already
    pendingDepthClears.push_back({box, z});
    if (pendingDepthClears.size() > kMaxKept) FlushDepthClears();
}

void DeviceCore::ApplyDepthClears() {
    if (pendingDepthClears.empty()) return;
    const GlBox target{0, 0, int(state.renderTarget->storedWidth), int(state.renderTarget->storedHeight)};
    std::vector<PendingDepthClear> left;
    for (size_t i = 0; i < pendingDepthClears.size(); ++i) {
        const PendingDepthClear& p = pendingDepthClears[i];
        const GlBox reached = Intersect(p.box, target);
        if (Empty(reached)) {
            left.push_back(p);
            continue;
        }
        bool hidden = false;  // a later kept clear covers this part: only that one needs making
        for (size_t j = i + 1; j < pendingDepthClears.size() && !hidden; ++j)
            hidden = Inside(reached, pendingDepthClears[j].box);
        if (!hidden) GlClear(gl, &reached, 1, false, 0, true, p.z);
        // What lies outside the target stays kept: the part to its right, then the part below it.
        const int x2 = p.box.x + p.box.width, y2 = p.box.y + p.box.height;
        if (x2 > target.width) {
            const int x1 = std::max(p.box.x, target.width);
            left.push_back({{x1, p.box.y, x2 - x1, p.box.height}, p.z});
        }
        if (y2 > target.height && p.box.x < target.width) {
            const int y1 = std::max(p.box.y, target.height), right = std::min(x2, target.width);
            left.push_back({{p.box.x, y1, right - p.box.x, y2 - y1}, p.z});
        }
    }
    pendingDepthClears = std::move(left);
}

void DeviceCore::FlushDepthClears() {
    if (pendingDepthClears.empty() || !state.depthStencil) return;
    for (const PendingDepthClear& p : pendingDepthClears)
        GlClearDepthBuffer(gl, state.depthStencil->renderbuffer, p.box, p.z);
    pendingDepthClears.clear();
    if (state.renderTarget) ApplyTarget();  // its framebuffer again
}
