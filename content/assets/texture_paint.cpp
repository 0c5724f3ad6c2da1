// Painting helpers shared by the texture generators, and the save that picks the format by name.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "content/assets/textures.h"
#include "content/writers/image_writers.h"

void PaintGlow(Canvas& canvas, float cx, float cy, float radius, Rgb colour, float peak, float sharpness) {
    const int x0 = std::max(0, int(cx - radius)), x1 = std::min(canvas.width - 1, int(cx + radius) + 1);
    const int y0 = std::max(0, int(cy - radius)), y1 = std::min(canvas.height - 1, int(cy + radius) + 1);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const float dx = (float(x) + 0.5f - cx) / radius, dy = (float(y) + 0.5f - cy) / radius;
            const float d = std::sqrt(dx * dx + dy * dy);
            if (d >= 1) continue;
            // A Gaussian core faded to exactly 0 at the rim, so quad edges never show.
            const float a = peak * std::exp(-d * d * sharpness) * Smoothstep(1.0f, 0.7f, d);
            canvas.Add(x, y, colour, a);
        }
}

void PaintRing(Canvas& canvas, float cx, float cy, float r, float core, float halo, Rgb colour, float peak, int dashes,
               float gapFraction) {
    const float reach = core + halo * 3;
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x) {
            const float dx = float(x) + 0.5f - cx, dy = float(y) + 0.5f - cy;
            const float d = std::fabs(std::sqrt(dx * dx + dy * dy) - r);
            if (d > reach) continue;
            float a = peak * (Smoothstep(core, core * 0.3f, d) + 0.35f * std::exp(-(d * d) / (halo * halo)));
            if (dashes > 0) {
                const float turn = (std::atan2(dy, dx) / 6.2831853f + 0.5f) * float(dashes);
                const float phase = turn - std::floor(turn);  // 0..1 along one dash and its gap
                const float edge = 0.02f;
                a *= Smoothstep(0, edge, phase) * Smoothstep(1 - gapFraction, 1 - gapFraction - edge, phase);
            }
            canvas.Add(x, y, colour, std::min(a, 1.0f));
        }
}

void PaintRoundedBox(Canvas& canvas, float displayW, float displayH, float inset, float cornerRadius, float line,
                     float halo, Rgb colour, float lineAlpha, float fillAlpha, Rgb fill) {
    // Work in display pixels: the quad is stretched to displayW x displayH on screen.
    const float sx = displayW / float(canvas.width), sy = displayH / float(canvas.height);
    const float hw = displayW * 0.5f - inset, hh = displayH * 0.5f - inset;
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x) {
            const float px = (float(x) + 0.5f) * sx - displayW * 0.5f;
            const float py = (float(y) + 0.5f) * sy - displayH * 0.5f;
            const float qx = std::fabs(px) - (hw - cornerRadius), qy = std::fabs(py) - (hh - cornerRadius);
            const float outside =
                std::sqrt(std::max(qx, 0.0f) * std::max(qx, 0.0f) + std::max(qy, 0.0f) * std::max(qy, 0.0f));
            const float sdf = outside + std::min(std::max(qx, qy), 0.0f) - cornerRadius;  // < 0 inside
            if (fillAlpha > 0) canvas.Over(x, y, fill, fillAlpha * Smoothstep(1.0f, -1.0f, sdf));
            const float d = std::fabs(sdf);
            const float a = lineAlpha * (Smoothstep(line, line * 0.25f, d) + 0.4f * std::exp(-(d * d) / (halo * halo)));
            canvas.Add(x, y, colour, std::min(a, 1.0f));
        }
}

bool SaveTexture(const std::string& dataDir, const std::string& name, const Image& image, TextureTable* table) {
    const std::string path = dataDir + "/" + name;
    const std::string ext = name.substr(name.rfind('.') + 1);
    bool ok = false;
    std::string why = "no writer for ." + ext;
    if (ext == "png")
        ok = WritePng(path, image, true, &why);
    else if (ext == "jpg")
        ok = WriteJpeg(path, image, 95, &why);
    else if (ext == "tga")
        ok = WriteTga(path, image, &why);
    else if (ext == "bmp")
        ok = WriteBmp(path, image, &why);
    else if (ext == "dds")
        ok = WriteDds(path, image, &why);
    if (!ok) {
        std::fprintf(stderr, "make-content: cannot write %s: %s\n", path.c_str(), why.c_str());
        return false;
    }
    (*table)[name] = TextureInfo{image.width, image.height};
    return true;
}
