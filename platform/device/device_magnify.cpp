// Small draws whose texture is magnified everywhere skip the mip filter.
//
// Where a pixel maps to at most one texel along each screen axis the level of detail is at most 0,
// and both Direct3D and GL then sample level 0 with the magnification filter: the mip filter
// changes nothing. A software rasterizer still pays for the level-of-detail work on every pixel
// (about a third of a full-screen textured layer on llvmpipe), so such draws use a sampler without
// mip filtering. Only small non-indexed draws with an affine mapping (the same w at every vertex,
// as with orthographic projections) are checked: the composition's quads. Anything else keeps
// the sampler as set.
#include <cmath>
#include <cstring>

#include "platform/device/device_core.h"

namespace {

constexpr UINT kMaxCheckedVertices = 16;
// Texels per pixel allowed: 1 plus float rounding at an exact 1:1 mapping (a level-1 weight
// below 1e-4, invisible in 8 bits).
constexpr float kMaxScaleSquared = 1.0f + 2.0e-4f;

struct ScreenVertex {
    float x, y;  // pixels from the target's centre
    float u, v;  // texels of level 0
};

bool Triangle(D3DPRIMITIVETYPE type, UINT i, UINT count, UINT corners[3]) {
    if (type == D3DPT_TRIANGLELIST) {
        if (3 * i + 2 >= count) return false;
        corners[0] = 3 * i, corners[1] = 3 * i + 1, corners[2] = 3 * i + 2;
    } else if (type == D3DPT_TRIANGLEFAN) {
        if (i + 2 >= count) return false;
        corners[0] = 0, corners[1] = i + 1, corners[2] = i + 2;
    } else {
        if (i + 2 >= count) return false;
        corners[0] = i, corners[1] = i + 1, corners[2] = i + 2;
    }
    return true;
}

// The larger of the mapping's two scale factors (GL's rho), squared; 0 for a triangle with no area.
float ScaleSquared(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) {
    const float x1 = b.x - a.x, y1 = b.y - a.y, x2 = c.x - a.x, y2 = c.y - a.y;
    const float det = x1 * y2 - x2 * y1;
    if (!(std::fabs(det) > 1e-6f)) return 0.0f;  // covers no pixel centre worth the name
    const float u1 = b.u - a.u, v1 = b.v - a.v, u2 = c.u - a.u, v2 = c.v - a.v;
    const float dudx = (u1 * y2 - u2 * y1) / det, dvdx = (v1 * y2 - v2 * y1) / det;
    const float dudy = (u2 * x1 - u1 * x2) / det, dvdy = (v2 * x1 - v1 * x2) / det;
    return std::fmax(dudx * dudx + dvdx * dvdx, dudy * dudy + dvdy * dvdy);
}

}  // namespace

bool DeviceCore::DrawIsMagnified(D3DPRIMITIVETYPE type, UINT first, UINT count) const {
    const IDirect3DTexture9* texture = state.textures[0];
    const DWORD* ss = state.samplerStates[0];
    if (!state.stream || !state.renderTarget) return false;
    if (!texture || texture->levels.size() < 2 || ss[D3DSAMP_MIPFILTER] == D3DTEXF_NONE) return false;
    if (count < 3 || count > kMaxCheckedVertices) return false;
    const FvfLayout layout = ParseFvf(state.fvf);
    if (layout.pretransformed || layout.position < 0 || layout.texCoord < 0) return false;
    const size_t texOffset = size_t(layout.texCoord);

    // The draw has been checked against the buffer's size by the caller.
    const uint8_t* base = state.stream->memory.data() + state.streamOffset + size_t(first) * state.streamStride;
    D3DXMATRIX wv, wvp;
    D3DXMatrixMultiply(&wv, &state.world, &state.view);
    D3DXMatrixMultiply(&wvp, &wv, &state.projection);
    const float halfW = 0.5f * float(state.renderTarget->storedWidth);  // the pixels drawn, not the size asked
    const float halfH = 0.5f * float(state.renderTarget->storedHeight);
    const float texW = float(texture->levels[0].width), texH = float(texture->levels[0].height);

    ScreenVertex screen[kMaxCheckedVertices];
    float w0 = 0.0f;
    for (UINT i = 0; i < count; ++i) {
        float p[3], uv[2];
        std::memcpy(p, base + size_t(i) * state.streamStride, sizeof p);
        std::memcpy(uv, base + size_t(i) * state.streamStride + texOffset, sizeof uv);
        float clip[4];
        for (int c = 0; c < 4; ++c)
            clip[c] = p[0] * wvp.m[0][c] + p[1] * wvp.m[1][c] + p[2] * wvp.m[2][c] + wvp.m[3][c];
        if (i == 0) w0 = clip[3];
        // Perspective (w changing across the draw) makes the scale vary per pixel: not checked.
        if (!(clip[3] > 0.0f) || std::fabs(clip[3] - w0) > 1e-6f * w0) return false;
        screen[i] = {clip[0] / clip[3] * halfW, clip[1] / clip[3] * halfH, uv[0] * texW, uv[1] * texH};
    }
    UINT corners[3];
    for (UINT t = 0; Triangle(type, t, count, corners); ++t)
        if (!(ScaleSquared(screen[corners[0]], screen[corners[1]], screen[corners[2]]) <= kMaxScaleSquared))
            return false;
    return true;
}
