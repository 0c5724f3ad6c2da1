// The overlay's picture as triangles: solid shapes sample the atlas's solid block, text its glyphs.
#include "app/author/overlay.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/d3dwindow.h"

namespace {

constexpr int maxVertices = 6 * 1024;
constexpr DWORD overlayFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr float textHeight = 12.0f;
constexpr int flashFrames = 12;

// Meters show band x 30 from 0 to this, with the thresholds the show's triggers test.
constexpr float meterTop = 40.0f, s0Threshold = 18.0f, s1Threshold = 25.0f;
constexpr float graphTopMs = 33.3f, frameBudgetMs = 16.7f;

constexpr D3DCOLOR panel = 0xB0000000, white = 0xFFFFFFFF, dim = 0xFFA0A0A0, amber = 0xFFFFC040, red = 0xFFFF4040,
                   green = 0xFF40E060, meterBack = 0xFF303030, flash = 0xFFFFFFA0;

std::string Format(const char* format, double a, double b = 0, double c = 0) {
    char text[96];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

}  // namespace

const char* WindowName(const FramePlan& plan) {
    if (plan.passCount == 2) return "duet";
    if (plan.passCount == 1) return plan.passes[0].scene == ShowScene::Ringer ? "ringer" : "solo";
    return "none";
}

Overlay::~Overlay() {
    Release();
}

bool Overlay::Create(const std::string& fontPath, std::string* warning) {
    Release();
    std::string error;
    hasText = font.Build(fontPath, textHeight, &error);
    if (!hasText) *warning = "the overlay has no text: " + error;
    if (!device) return false;
    if (FAILED(device->CreateTexture(OverlayFont::atlasWidth, OverlayFont::atlasHeight, 1, 0, D3DFMT_A8R8G8B8,
                                     D3DPOOL_MANAGED, &atlas, nullptr)) ||
        !atlas)
        return atlas = nullptr, false;
    D3DLOCKED_RECT locked{};
    if (FAILED(atlas->LockRect(0, &locked, nullptr, 0))) return Release(), false;
    for (int y = 0; y < OverlayFont::atlasHeight; ++y) {
        uint8_t* row = static_cast<uint8_t*>(locked.pBits) + size_t(y) * size_t(locked.Pitch);
        for (int x = 0; x < OverlayFont::atlasWidth; ++x) {
            row[x * 4 + 0] = row[x * 4 + 1] = row[x * 4 + 2] = 255;  // white: the vertex colour shows
            row[x * 4 + 3] = font.coverage[size_t(y) * OverlayFont::atlasWidth + size_t(x)];
        }
    }
    atlas->UnlockRect(0);
    if (FAILED(device->CreateVertexBuffer(maxVertices * sizeof(Vertex), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY,
                                          overlayFvf, D3DPOOL_DEFAULT, &buffer, nullptr)) ||
        !buffer)
        return buffer = nullptr, Release(), false;
    vertices.reserve(maxVertices);
    return true;
}

void Overlay::Release() {
    if (buffer) buffer->Release();
    if (atlas) atlas->Release();
    buffer = nullptr;
    atlas = nullptr;
}

void Overlay::Rect(float x, float y, float w, float h, D3DCOLOR colour) {
    if (w <= 0 || h <= 0 || vertices.size() + 6 > size_t(maxVertices)) return;
    // Pixel centres sit on whole coordinates: the edges go half a pixel before them.
    const float x0 = x - 0.5f, y0 = y - 0.5f, x1 = x + w - 0.5f, y1 = y + h - 0.5f;
    const float u = (OverlayFont::solidX + 0.5f) / OverlayFont::atlasWidth,
                v = (OverlayFont::solidY + 0.5f) / OverlayFont::atlasHeight;
    const Vertex a{x0, y0, 0, 1, colour, u, v}, b{x1, y0, 0, 1, colour, u, v}, c{x1, y1, 0, 1, colour, u, v},
        d{x0, y1, 0, 1, colour, u, v};
    vertices.insert(vertices.end(), {a, b, c, a, c, d});
}

float Overlay::Text(float x, float baseline, const std::string& text, D3DCOLOR colour) {
    if (!hasText) return x;
    for (uint32_t cp : DecodeUtf8(text)) {
        const OverlayGlyph& g = font.Find(cp);
        if (g.width > 0 && g.height > 0 && vertices.size() + 6 <= size_t(maxVertices)) {
            const float px = float(int(x + 0.5f)) + float(g.left), py = baseline + float(g.top);
            const float x0 = px - 0.5f, y0 = py - 0.5f, x1 = x0 + float(g.width), y1 = y0 + float(g.height);
            const float u0 = float(g.x) / OverlayFont::atlasWidth, v0 = float(g.y) / OverlayFont::atlasHeight;
            const float u1 = float(g.x + g.width) / OverlayFont::atlasWidth,
                        v1 = float(g.y + g.height) / OverlayFont::atlasHeight;
            const Vertex a{x0, y0, 0, 1, colour, u0, v0}, b{x1, y0, 0, 1, colour, u1, v0},
                c{x1, y1, 0, 1, colour, u1, v1}, d{x0, y1, 0, 1, colour, u0, v1};
            vertices.insert(vertices.end(), {a, b, c, a, c, d});
        }
        x += g.advance;
    }
    return x;
}

void Overlay::Draw(const OverlayFacts& f) {
    if (!device || !atlas || !buffer) return;
    vertices.clear();
    s0Flash = f.s0Fired ? flashFrames : std::max(0, s0Flash - 1);
    s1Flash = f.s1Fired ? flashFrames : std::max(0, s1Flash - 1);

    const float x = left + 6, line = 15;
    float y = top + 4 + font.ascent;
    Rect(left, top, width, height, panel);

    // Time, bar.beat, frame rate; the held and loop state on the right.
    float pen = Text(x, y, Format("%.3f", f.t), white);
    char barText[32];
    std::snprintf(barText, sizeof barText, "bar %d.%d", f.barBeat.bar, f.barBeat.beat);
    pen = Text(pen + 10, y, barText, amber);
    Text(pen + 10, y, Format("%.0f fps", f.fps), dim);
    if (f.paused) Text(left + width - 62, y, "PAUSED", red);

    // Frame times of the last seconds, newest on the right, against the 16.7 ms line.
    const float graphX = x, graphH = 24, graphY = y + 5;
    Rect(graphX, graphY, graphSamples, graphH, meterBack);
    const int shown = std::min(f.frameCount, graphSamples);
    for (int i = 0; i < shown; ++i) {
        const float ms = f.frameMs[f.frameCount - shown + i];
        const float h = std::min(ms, graphTopMs) / graphTopMs * graphH;
        Rect(graphX + float(graphSamples - shown + i), graphY + graphH - h, 1, h, ms > frameBudgetMs ? red : green);
    }
    Rect(graphX, graphY + graphH - frameBudgetMs / graphTopMs * graphH, graphSamples, 1, white);
    Text(graphX + graphSamples + 6, graphY + graphH / 2 + 4, "16.7 ms", dim);

    // The window and what its passes draw.
    y = graphY + graphH + line;
    pen = Text(x, y, WindowName(f.plan), amber);
    for (int i = 0; i < f.plan.passCount; ++i) {
        const ScenePass& p = f.plan.passes[i];
        const char* name = p.scene == ShowScene::Ringer ? "ringer" : p.scene == ShowScene::Park ? "park" : "ostrel";
        pen = Text(pen + 10, y, std::string(name) + Format(" %.3f cam %.0f", p.sceneTime, p.camera), white);
    }

    // The two bands x 30 with the thresholds their triggers test; a flash when one fires.
    const float meterX = x + 24, meterW = 200, meterH = 8;
    const float bands[2] = {f.s0 * 30.0f, f.s1 * 30.0f}, thresholds[2] = {s0Threshold, s1Threshold};
    const int flashes[2] = {s0Flash, s1Flash};
    for (int i = 0; i < 2; ++i) {
        const float my = y + 5 + float(i) * 12;
        Text(x, my + meterH, i == 0 ? "s0" : "s1", dim);
        Rect(meterX, my, meterW, meterH, flashes[i] > 0 ? flash : meterBack);
        const float fill = std::clamp(bands[i] / meterTop, 0.0f, 1.0f) * meterW;
        Rect(meterX, my, fill, meterH, bands[i] > thresholds[i] ? red : green);
        Rect(meterX + thresholds[i] / meterTop * meterW, my - 1, 1, meterH + 2, white);
        Text(meterX + meterW + 6, my + meterH, Format("%.1f", bands[i]), white);
    }

    if (f.looping) Text(x, top + height - 5, Format("LOOP %.3f\xE2\x80\x93%.3f", f.loopStart, f.loopEnd), amber);

    void* data = nullptr;
    if (vertices.empty() || FAILED(buffer->Lock(0, UINT(vertices.size() * sizeof(Vertex)), &data, D3DLOCK_DISCARD)) ||
        !data)
        return;
    std::memcpy(data, vertices.data(), vertices.size() * sizeof(Vertex));
    buffer->Unlock();

    IDirect3DStateBlock9* saved = nullptr;
    if (FAILED(device->CreateStateBlock(D3DSBT_ALL, &saved))) return;
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
    device->SetTexture(0, atlas);
    device->SetFVF(overlayFvf);
    device->SetStreamSource(0, buffer, 0, sizeof(Vertex));
    device->BeginScene();
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, UINT(vertices.size() / 3));
    device->EndScene();
    saved->Apply();
    saved->Release();
}
