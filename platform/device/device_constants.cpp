// The fixed-function program's inputs worked out from the recorded D3D9 state: transforms, the
// normal matrix, lights in camera space, material, lighting states, texture factor, alpha reference.
#include <cmath>
#include <cstring>

#include "platform/device/device_core.h"

namespace {

void DecodeColour(D3DCOLOR c, float out[4]) {
    out[0] = float((c >> 16) & 255) / 255.0f;
    out[1] = float((c >> 8) & 255) / 255.0f;
    out[2] = float(c & 255) / 255.0f;
    out[3] = float(c >> 24) / 255.0f;
}

// Inverse of the upper 3x3 of m (row-major); identity when singular.
void Inverse3x3(const D3DMATRIX& m, float out[9]) {
    const float a = m.m[0][0], b = m.m[0][1], c = m.m[0][2];
    const float d = m.m[1][0], e = m.m[1][1], f = m.m[1][2];
    const float g = m.m[2][0], h = m.m[2][1], i = m.m[2][2];
    const float A = e * i - f * h, B = -(d * i - f * g), C = d * h - e * g;
    const float det = a * A + b * B + c * C;
    if (det == 0.0f || !std::isfinite(det)) {
        const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        std::memcpy(out, identity, sizeof identity);
        return;
    }
    const float k = 1.0f / det;
    const float r[9] = {A * k, -(b * i - c * h) * k, (b * f - c * e) * k,
                        B * k, (a * i - c * g) * k,  -(a * f - c * d) * k,
                        C * k, -(a * h - b * g) * k, (a * e - b * d) * k};
    std::memcpy(out, r, sizeof r);
}

void Lights(const D3DState& state, FfConstants* k) {
    std::memset(k->lightPosition, 0, sizeof k->lightPosition);
    std::memset(k->lightDirection, 0, sizeof k->lightDirection);
    std::memset(k->lightDiffuse, 0, sizeof k->lightDiffuse);
    std::memset(k->lightSpecular, 0, sizeof k->lightSpecular);
    std::memset(k->lightAmbient, 0, sizeof k->lightAmbient);
    std::memset(k->lightAttenuation, 0, sizeof k->lightAttenuation);
    std::memset(k->lightSpot, 0, sizeof k->lightSpot);
    int count = 0;
    const D3DMATRIX& v = state.view;
    for (const auto& entry : state.lights) {
        if (!entry.second.enabled || count == int(kMaxActiveLights)) continue;
        const D3DLIGHT9& L = entry.second.light;
        const D3DVECTOR& P = L.Position;
        const D3DVECTOR& D = L.Direction;
        float* position = k->lightPosition[count];
        float* direction = k->lightDirection[count];
        for (int c = 0; c < 3; ++c) {  // camera space: position with w = 1, direction with w = 0
            position[c] = P.x * v.m[0][c] + P.y * v.m[1][c] + P.z * v.m[2][c] + v.m[3][c];
            direction[c] = D.x * v.m[0][c] + D.y * v.m[1][c] + D.z * v.m[2][c];
        }
        const float len =
            std::sqrt(direction[0] * direction[0] + direction[1] * direction[1] + direction[2] * direction[2]);
        if (len > 0.0f)
            for (int c = 0; c < 3; ++c) direction[c] /= len;
        std::memcpy(k->lightDiffuse[count], &L.Diffuse, 16);
        std::memcpy(k->lightSpecular[count], &L.Specular, 16);
        std::memcpy(k->lightAmbient[count], &L.Ambient, 16);
        const float range = L.Type == D3DLIGHT_DIRECTIONAL ? 3.402823466e38f : L.Range;
        const float a[4] = {L.Attenuation0, L.Attenuation1, L.Attenuation2, range};
        std::memcpy(k->lightAttenuation[count], a, 16);
        const float s[4] = {std::cos(L.Theta * 0.5f), std::cos(L.Phi * 0.5f), L.Falloff, float(L.Type)};
        std::memcpy(k->lightSpot[count], s, 16);
        ++count;
    }
    k->lightCount = count;
}

}  // namespace

void DeviceCore::UpdateConstants(unsigned groups) {
    FfConstants& k = constants;
    const DWORD* rs = state.renderStates;
    if (groups & kDirtyTarget) {
        const D3DSURFACE_DESC& d = state.renderTarget->desc;
        const float storedW = float(state.renderTarget->storedWidth), storedH = float(state.renderTarget->storedHeight);
        // The pixel-centre shift of a pixel drawn, in clip units (a pixel is 2 / size).
        k.pixelOffset[0] = 2.0f * kPixelCentreShift / storedW;
        k.pixelOffset[1] = 2.0f * kPixelCentreShift / storedH;
        k.targetSize[0] = float(d.Width), k.targetSize[1] = float(d.Height);
        // The same in the pixels asked for, for pretransformed positions: exactly the shift at the size asked.
        const bool asked = storedW == k.targetSize[0] && storedH == k.targetSize[1];
        k.pixelShift[0] = asked ? kPixelCentreShift : kPixelCentreShift * k.targetSize[0] / storedW;
        k.pixelShift[1] = asked ? kPixelCentreShift : kPixelCentreShift * k.targetSize[1] / storedH;
    }
    if (groups & kDirtyTransforms) {
        D3DXMatrixMultiply(&k.worldView, &state.world, &state.view);
        Inverse3x3(k.worldView, k.normalMatrix);
    }
    if (groups & kDirtyProjection) k.projection = state.projection;
    if (groups & kDirtyFactor) DecodeColour(rs[D3DRS_TEXTUREFACTOR], k.textureFactor);
    if (groups & kDirtyLightingStates) DecodeColour(rs[D3DRS_AMBIENT], k.globalAmbient);
    if (groups & kDirtyMaterial) k.material = state.material;
    if (groups & kDirtyLights) Lights(state, &k);
    if (groups & kDirtyStage) k.alphaRef = float(rs[D3DRS_ALPHAREF] & 255);
}
