// How much of the screen the composition's quads cover at a time: the drawing's own rules (track
// sampling, skips at alpha exactly 0, the layer and element transforms) applied to quad corners,
// each quad clipped to the 640 x 480 picture.
#include <cmath>
#include <vector>

#include "content/assets/composition_kit.h"

namespace {

// The track value at t: all zero before the first key, straight lines between keys, the last key after.
CdaKey Sample(const std::vector<CdaKey>& keys, float t) {
    if (keys.empty() || t < keys.front().time) return CdaKey{0, 0, 0, 0, 0, 0, 0};
    size_t k = 0;
    while (k + 1 < keys.size() && keys[k + 1].time <= t) ++k;
    if (k + 1 == keys.size()) return keys[k];
    const CdaKey &a = keys[k], &b = keys[k + 1];
    const float f = (t - a.time) / (b.time - a.time);
    auto lerp = [f](float x, float y) { return x + (y - x) * f; };
    return {t,
            lerp(a.alpha, b.alpha),
            lerp(a.rotation, b.rotation),
            lerp(a.x, b.x),
            lerp(a.y, b.y),
            lerp(a.scaleX, b.scaleX),
            lerp(a.scaleY, b.scaleY)};
}

struct Point {
    float x, y;
};

// Sutherland-Hodgman against one edge of the picture, then the shoelace area.
std::vector<Point> ClipEdge(const std::vector<Point>& in, int axis, float limit, bool keepBelow) {
    std::vector<Point> out;
    auto inside = [&](const Point& p) { return keepBelow ? (axis ? p.y : p.x) <= limit : (axis ? p.y : p.x) >= limit; };
    for (size_t i = 0; i < in.size(); ++i) {
        const Point& a = in[i];
        const Point& b = in[(i + 1) % in.size()];
        if (inside(a)) out.push_back(a);
        if (inside(a) != inside(b)) {
            const float va = axis ? a.y : a.x, vb = axis ? b.y : b.x;
            const float f = (limit - va) / (vb - va);
            out.push_back({a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f});
        }
    }
    return out;
}

float VisibleArea(std::vector<Point> quad) {
    quad = ClipEdge(quad, 0, -320, false);
    quad = ClipEdge(quad, 0, 320, true);
    quad = ClipEdge(quad, 1, -240, false);
    quad = ClipEdge(quad, 1, 240, true);
    float area = 0;
    for (size_t i = 0; i < quad.size(); ++i) {
        const Point& a = quad[i];
        const Point& b = quad[(i + 1) % quad.size()];
        area += a.x * b.y - b.x * a.y;
    }
    return std::fabs(area) * 0.5f;
}

}  // namespace

float OverdrawAt(const CdaComposition& c, const TextureTable& textures, float t) {
    float covered = 0;
    for (size_t li = 0; li < c.layers.size(); ++li) {
        const CdaLayer& layer = c.layers[li];
        const CdaKey p = Sample(layer.keys, t);
        if (p.alpha == 0) continue;
        for (const CdaElement& e : layer.elements) {
            const CdaKey q = Sample(e.keys, t);
            if (q.alpha == 0) continue;
            const auto tex = textures.find(e.textureName);
            if (tex == textures.end()) continue;
            const float w = float(tex->second.width) * 0.5f, h = float(tex->second.height) * 0.5f;
            std::vector<Point> quad;
            for (const Point v : {Point{-w, h}, Point{w, h}, Point{w, -h}, Point{-w, -h}}) {
                // Element: scaled and turned about its centre, centre at twice its (x, y).
                const float sx = v.x * q.scaleX, sy = v.y * q.scaleY;
                const float cr = std::cos(q.rotation), sr = std::sin(q.rotation);
                Point e1{sx * cr - sy * sr + 2 * q.x, sx * sr + sy * cr + 2 * q.y};
                // Layer: moved by (x, y), scaled and turned about the centre, moved again.
                const float lx = (e1.x + p.x) * p.scaleX, ly = (e1.y + p.y) * p.scaleY;
                const float lc = std::cos(p.rotation), ls = std::sin(p.rotation);
                quad.push_back({lx * lc - ly * ls + p.x, lx * ls + ly * lc + p.y});
            }
            covered += VisibleArea(quad);
        }
    }
    return covered / (640.0f * 480.0f);
}
