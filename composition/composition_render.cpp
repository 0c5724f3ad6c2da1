// Drawing the composition: fixed state, then layer by layer, element by element, in drawing order.
//
// Picture space is 640 x 480 units centred on the picture, y up. A vertex reaches the screen as
// vertex x element matrix (world) x layer matrix (view) x orthographic projection.
#include "composition/composition.h"
#include "platform/d3dwindow.h"

namespace {

void SetFixedState() {
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF000000u);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);

    // Colour straight from the texture; alpha = texture alpha x texture-factor alpha.
    device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);

    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    device->SetTransform(D3DTS_WORLD, &m);
    device->SetTransform(D3DTS_VIEW, &m);
    D3DXMatrixOrthoLH(&m, 640.0f, 480.0f, -10.0f, 10.0f);
    device->SetTransform(D3DTS_PROJECTION, &m);
}

// The track's pose at t plus the offset, channel by channel.
PoseKey PoseAt(const PoseTrack& track, const PoseKey& offset, float t) {
    PoseKey p = track.Sample(t);
    for (auto channel : PoseKey::channels) p.*channel += offset.*channel;
    return p;
}

// Opacity 0..1 as the top byte of a D3DCOLOR; anything not above 0 (not-a-number too) is 0.
DWORD AlphaFactor(float a) {
    if (a >= 1.0f) return 0xFF000000u;
    if (!(a > 0.0f)) return 0;
    return DWORD(a * 255.0f + 0.5f) << 24;
}

void DrawElement(const Element& e, const PoseKey& layerPose, float t) {
    const PoseKey q = PoseAt(e.track, e.offset, t);
    if (q.alpha == 0.0f) return;  // the element's own alpha, before the layer's
    device->SetRenderState(D3DRS_TEXTUREFACTOR, AlphaFactor(q.alpha * layerPose.alpha));

    // S x R' x T with (x, y) also in R''s third row: since the quad lies at z = 1 the element turns
    // about its own centre and that centre lands at twice (x, y).
    D3DXMATRIX s, r, tr, w;
    D3DXMatrixScaling(&s, q.scaleX, q.scaleY, 1.0f);
    D3DXMatrixRotationZ(&r, q.rotation);
    r.m[2][0] += q.x;
    r.m[2][1] += q.y;
    D3DXMatrixTranslation(&tr, q.x, q.y, 0.0f);
    D3DXMatrixMultiply(&w, &s, &r);
    D3DXMatrixMultiply(&w, &w, &tr);
    device->SetTransform(D3DTS_WORLD, &w);

    device->SetTexture(0, e.texture->texture);
    device->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
    device->SetStreamSource(0, e.vertexBuffer, 0, 20);
    device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
}

void DrawLayer(const Layer& layer, float t) {
    const PoseKey p = PoseAt(layer.track, layer.offset, t);
    if (p.alpha == 0.0f) return;  // hides every element, whatever their own alpha

    // T x S x R x T: moved by (x, y), scaled and turned about the picture's centre, moved again.
    D3DXMATRIX tr, s, r, v;
    D3DXMatrixTranslation(&tr, p.x, p.y, 0.0f);
    D3DXMatrixScaling(&s, p.scaleX, p.scaleY, 1.0f);
    D3DXMatrixRotationZ(&r, p.rotation);
    D3DXMatrixMultiply(&v, &tr, &s);
    D3DXMatrixMultiply(&v, &v, &r);
    D3DXMatrixMultiply(&v, &v, &tr);
    device->SetTransform(D3DTS_VIEW, &v);

    for (uint32_t position : layer.elementOrder) {
        if (position >= layer.elements.size()) continue;  // only after ReleaseResources
        const Element& e = layer.elements[position];
        if (e.texture && e.texture->texture && e.vertexBuffer) DrawElement(e, p, t);
    }
}

}  // namespace

void Composition::Render(float t) {
    if (!device) return;
    device->BeginScene();
    SetFixedState();
    if (!(t >= 0.0f)) t = 0.0f;
    for (uint32_t position : layerOrder)
        if (position < layers.size()) DrawLayer(layers[position], t);  // checked at load
    device->EndScene();
}
