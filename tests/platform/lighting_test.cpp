// Per-vertex lighting read back from the GPU: known answers measured on Windows, and a two-light
// scene against the D3D9 lighting equations evaluated on the CPU.
#include <cmath>

#include "tests/platform/device_fixture.h"

namespace {

struct Vec3 {
    float x, y, z;
};
Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
float Dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec3 Normalize(Vec3 a) {
    const float l = std::sqrt(Dot(a, a));
    return {a.x / l, a.y / l, a.z / l};
}

D3DLIGHT9 PointLight(Vec3 at, float range, float a0, float a1, float a2) {
    D3DLIGHT9 l = {};
    l.Type = D3DLIGHT_POINT;
    l.Diffuse = {1, 1, 1, 1};
    l.Specular = {1, 1, 1, 1};
    l.Position = {at.x, at.y, at.z};
    l.Range = range;
    l.Attenuation0 = a0, l.Attenuation1 = a1, l.Attenuation2 = a2;
    return l;
}

class LightingTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        // Depth z/2 keeps z = 1 inside the clip volume; lighting happens before projection.
        D3DMATRIX projection = {};
        projection.m[0][0] = projection.m[1][1] = projection.m[3][3] = 1.0f;
        projection.m[2][2] = 0.5f;
        device->SetTransform(D3DTS_PROJECTION, &projection);
        device->SetRenderState(D3DRS_LIGHTING, TRUE);
        device->SetRenderState(D3DRS_AMBIENT, 0);
        device->SetRenderState(D3DRS_NORMALIZENORMALS, FALSE);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    }
    void TearDown() override {
        for (DWORD i = 0; i < 8; ++i) device->LightEnable(i, FALSE);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        DeviceTest::TearDown();
    }
    // An equilateral triangle at radius r about the z axis, on z = 1, facing the viewer.
    void RingTriangle(float r) {
        std::vector<LitVertex> v;
        for (int i = 0; i < 3; ++i) {
            const float a = 1.5707963f + float(i) * 2.0943951f;
            v.push_back({r * std::cos(a), r * std::sin(a), 1.0f, 0, 0, -1, 0, 0});
        }
        ASSERT_EQ(Draw(v, 0x112, D3DPT_TRIANGLELIST, 1), D3D_OK);
    }
};

// Wine's d3d8 visual test, test_specular_lighting: grey levels recorded on Windows. Every vertex of
// a ring triangle gets the same colour, so the centre pixel shows it exactly.
TEST_F(LightingTest, SpecularMatchesWindows) {
    D3DLIGHT9 directional = {};
    directional.Type = D3DLIGHT_DIRECTIONAL;
    directional.Specular = {1, 1, 1, 1};
    directional.Direction = {0, 0, 1};
    const D3DLIGHT9 point = PointLight({0, 0, 0}, 100, 0, 0, 1);
    const D3DLIGHT9 shortRange = PointLight({0, 0, 0}, 1.2f, 0, 0, 1);
    D3DLIGHT9 spot = PointLight({0, 0, 0}, 100, 0, 0, 1);
    spot.Type = D3DLIGHT_SPOT;
    spot.Direction = {0, 0, 1};
    spot.Theta = 3.14159265f / 12, spot.Phi = 3.14159265f / 3, spot.Falloff = 1;
    const D3DLIGHT9 beside = PointLight({-1.1f, 0, 1.1f}, 100, 0, 0, 1);
    const float centre = 0.02f, edge = 0.5f, corner = 0.70710678f;
    struct Case {
        const char* name;
        const D3DLIGHT9* light;
        BOOL localViewer;
        float power, radius;
        int grey;
    } cases[] = {
        {"directional distant", &directional, FALSE, 30, edge, 0xff},
        {"directional local centre", &directional, TRUE, 30, centre, 0xff},
        {"directional local edge", &directional, TRUE, 30, edge, 0x71},
        {"directional local corner", &directional, TRUE, 30, corner, 0x3c},
        {"point distant edge", &point, FALSE, 30, edge, 0x5a},
        {"point distant corner", &point, FALSE, 30, corner, 0x28},
        {"point local edge", &point, TRUE, 30, edge, 0x07},
        {"point power 0 edge", &point, TRUE, 0, edge, 0xcc},
        {"point power 0 corner", &point, FALSE, 0, corner, 0xaa},
        {"point range edge", &shortRange, FALSE, 30, edge, 0x5a},
        {"point range corner", &shortRange, FALSE, 30, corner, 0x00},
        {"spot edge", &spot, FALSE, 30, edge, 0x14},
        {"spot power 0 edge", &spot, TRUE, 0, edge, 0x2e},
        {"spot corner", &spot, FALSE, 0, corner, 0x00},
    };
    device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        D3DMATERIAL9 material = {};
        material.Specular = {1, 1, 1, 1};
        material.Power = c.power;
        device->SetMaterial(&material);
        device->SetRenderState(D3DRS_LOCALVIEWER, c.localViewer);
        ASSERT_EQ(device->SetLight(0, c.light), D3D_OK);
        device->LightEnable(0, TRUE);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
        RingTriangle(c.radius);
        Read();
        EXPECT_BGR_NEAR(At(320, 240), c.grey, c.grey, c.grey, 1);
    }
    // Light beside the surface with power 0: NdotL is 0, so no specular at all.
    device->SetLight(0, &beside);
    D3DMATERIAL9 material = {};
    material.Specular = {1, 1, 1, 1};
    device->SetMaterial(&material);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    std::vector<LitVertex> v = {
        {-0.5f, -0.5f, 1, 0, 0, -1, 0, 0}, {0, 0.5f, 1, 0, 0, -1, 0, 0}, {0.5f, -0.5f, 1, 0, 0, -1, 0, 0}};
    ASSERT_EQ(Draw(v, 0x112, D3DPT_TRIANGLELIST, 1), D3D_OK);
    Read();
    EXPECT_BGR_NEAR(At(320, 240), 0, 0, 0, 1);
}

// D3D9's equations for point lights, written out on the CPU (camera space = world space here).
struct Lit {
    float r, g, b;
};
Lit CpuLighting(Vec3 V, Vec3 N, const D3DMATERIAL9& m, const std::vector<D3DLIGHT9>& lights, Vec3 globalAmbient,
                bool localViewer) {
    Vec3 A = {0, 0, 0}, D = {0, 0, 0}, S = {0, 0, 0};
    for (const D3DLIGHT9& l : lights) {
        const Vec3 Lv = Vec3{l.Position.x, l.Position.y, l.Position.z} - V;
        const float d = std::sqrt(Dot(Lv, Lv));
        if (d > l.Range) continue;
        const Vec3 L = Normalize(Lv);
        const float att = 1.0f / (l.Attenuation0 + l.Attenuation1 * d + l.Attenuation2 * d * d);
        const float NdotL = std::max(Dot(N, L), 0.0f);
        A = A + Vec3{l.Ambient.r * att, l.Ambient.g * att, l.Ambient.b * att};
        D = D + Vec3{l.Diffuse.r * NdotL * att, l.Diffuse.g * NdotL * att, l.Diffuse.b * NdotL * att};
        const Vec3 E = localViewer ? Normalize(Vec3{-V.x, -V.y, -V.z}) : Vec3{0, 0, -1};
        const float NdotH = std::max(Dot(N, Normalize(L + E)), 0.0f);
        if (NdotL > 0 && NdotH > 0) {
            const float k = std::pow(NdotH, m.Power) * att;
            S = S + Vec3{l.Specular.r * k, l.Specular.g * k, l.Specular.b * k};
        }
    }
    auto sat = [](float x) { return std::min(std::max(x, 0.0f), 1.0f); };
    const D3DCOLORVALUE &Cd = m.Diffuse, &Ca = m.Ambient, &Cs = m.Specular, &Ce = m.Emissive;
    return {sat(sat(Ce.r + Ca.r * globalAmbient.x + Ca.r * A.x + Cd.r * D.x) + sat(Cs.r * S.x)),
            sat(sat(Ce.g + Ca.g * globalAmbient.y + Ca.g * A.y + Cd.g * D.y) + sat(Cs.g * S.y)),
            sat(sat(Ce.b + Ca.b * globalAmbient.z + Ca.b * A.z + Cd.b * D.z) + sat(Cs.b * S.z))};
}

TEST_F(LightingTest, TwoPointLightsMatchTheEquations) {
    D3DMATERIAL9 material = {};
    material.Diffuse = {0.8f, 0.6f, 0.4f, 1};
    material.Ambient = {0.2f, 0.3f, 0.4f, 1};
    material.Specular = {0.5f, 0.5f, 0.9f, 1};
    material.Emissive = {0.05f, 0.0f, 0.1f, 1};
    material.Power = 12;
    D3DLIGHT9 warm = PointLight({-0.6f, 0.4f, 0.3f}, 50, 0.5f, 0.3f, 0.2f);
    warm.Diffuse = {1.0f, 0.7f, 0.3f, 1};
    warm.Ambient = {0.1f, 0.1f, 0.05f, 1};
    warm.Specular = {0.9f, 0.8f, 0.6f, 1};
    D3DLIGHT9 cold = PointLight({0.7f, -0.5f, 0.2f}, 50, 1.0f, 0.0f, 0.6f);
    cold.Diffuse = {0.2f, 0.4f, 1.2f, 1};
    cold.Specular = {0.3f, 0.5f, 0.8f, 1};
    device->SetMaterial(&material);
    device->SetRenderState(D3DRS_AMBIENT, 0x00203040);
    device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    device->SetRenderState(D3DRS_LOCALVIEWER, TRUE);
    device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    device->LightEnable(0, TRUE);
    device->SetLight(0, &warm);
    device->LightEnable(1, TRUE);
    device->SetLight(1, &cold);
    const Vec3 globalAmbient = {0x20 / 255.0f, 0x30 / 255.0f, 0x40 / 255.0f};

    // A tilted triangle with unnormalized, differing normals over most of the screen.
    const Vec3 pos[3] = {{-0.9f, -0.9f, 0.6f}, {0.0f, 0.9f, 1.0f}, {0.9f, -0.9f, 1.4f}};
    const Vec3 nrm[3] = {{0.3f, 0.2f, -2.0f}, {-0.2f, 0.4f, -1.0f}, {0.0f, -0.3f, -1.5f}};
    std::vector<LitVertex> v;
    Lit lit[3];
    for (int i = 0; i < 3; ++i) {
        v.push_back({pos[i].x, pos[i].y, pos[i].z, nrm[i].x, nrm[i].y, nrm[i].z, 0, 0});
        lit[i] = CpuLighting(pos[i], Normalize(nrm[i]), material, {warm, cold}, globalAmbient, true);
    }
    ASSERT_EQ(Draw(v, 0x112, D3DPT_TRIANGLELIST, 1), D3D_OK);
    Read();
    // Colours are interpolated linearly on screen (w = 1): compare at a few interior pixels.
    const int samples[][2] = {{320, 240}, {200, 380}, {460, 380}, {320, 100}, {330, 300}};
    for (const auto& s : samples) {
        const float x = float(s[0]) / 320.0f - 1.0f, y = 1.0f - float(s[1]) / 240.0f;
        const float det = (pos[1].y - pos[2].y) * (pos[0].x - pos[2].x) + (pos[2].x - pos[1].x) * (pos[0].y - pos[2].y);
        const float w0 = ((pos[1].y - pos[2].y) * (x - pos[2].x) + (pos[2].x - pos[1].x) * (y - pos[2].y)) / det;
        const float w1 = ((pos[2].y - pos[0].y) * (x - pos[2].x) + (pos[0].x - pos[2].x) * (y - pos[2].y)) / det;
        const float w2 = 1 - w0 - w1;
        const float r = w0 * lit[0].r + w1 * lit[1].r + w2 * lit[2].r;
        const float g = w0 * lit[0].g + w1 * lit[1].g + w2 * lit[2].g;
        const float b = w0 * lit[0].b + w1 * lit[1].b + w2 * lit[2].b;
        SCOPED_TRACE(testing::Message() << "pixel " << s[0] << "," << s[1]);
        EXPECT_BGR_NEAR(At(UINT(s[0]), UINT(s[1])), b * 255, g * 255, r * 255, 2);
    }
}

TEST_F(LightingTest, ScaledNormalsScaleTheLightUnlessNormalized) {
    // Directional light head-on, diffuse only: N.L follows the normal's length when not normalized.
    D3DLIGHT9 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 1};
    light.Direction = {0, 0, 1};
    device->SetLight(0, &light);
    device->LightEnable(0, TRUE);
    D3DMATERIAL9 material = {};
    material.Diffuse = {1, 1, 1, 1};
    device->SetMaterial(&material);
    D3DMATRIX world = {};
    world.m[0][0] = world.m[1][1] = world.m[2][2] = 2.0f;  // normals shrink to half by the inverse
    world.m[3][3] = 1.0f;
    device->SetTransform(D3DTS_WORLD, &world);
    for (BOOL normalize : {FALSE, TRUE}) {
        device->SetRenderState(D3DRS_NORMALIZENORMALS, normalize);
        RingTriangle(0.2f);
        Read();
        const int expected = normalize ? 255 : 128;
        SCOPED_TRACE(normalize ? "normalized" : "not normalized");
        EXPECT_BGR_NEAR(At(320, 240), expected, expected, expected, 1);
    }
}

// Each kind of light alone, then all three in one draw (their light adds up), then one slot turned
// from one kind into another between draws: the program must follow the kinds that are enabled.
TEST_F(LightingTest, KindsOfLightMixAndChange) {
    D3DMATERIAL9 material = {};
    material.Diffuse = {1, 1, 1, 1};
    device->SetMaterial(&material);
    D3DLIGHT9 directional = {};
    directional.Type = D3DLIGHT_DIRECTIONAL;
    directional.Diffuse = {0.2f, 0.1f, 0.3f, 1};
    directional.Direction = {0, 0, 1};
    D3DLIGHT9 point = PointLight({0, 0, 0}, 100, 1, 0, 0);
    point.Diffuse = {0.3f, 0.2f, 0.1f, 1};
    D3DLIGHT9 spot = PointLight({0, 0, 0}, 100, 1, 0, 0);
    spot.Type = D3DLIGHT_SPOT;
    spot.Diffuse = {0.25f, 0.4f, 0.2f, 1};
    spot.Direction = {0, 0, 1};
    spot.Theta = 1.0f, spot.Phi = 2.0f, spot.Falloff = 1;
    const D3DLIGHT9* kinds[] = {&directional, &point, &spot};
    int sum[3] = {};
    for (const D3DLIGHT9* light : kinds) {  // slot 0 alone, its kind changed each time
        ASSERT_EQ(device->SetLight(0, light), D3D_OK);
        device->LightEnable(0, TRUE);
        RingTriangle(0.02f);
        Read();
        const Bgra alone = At(320, 240);
        const int expected[3] = {int(light->Diffuse.b * 255 + 0.5f), int(light->Diffuse.g * 255 + 0.5f),
                                 int(light->Diffuse.r * 255 + 0.5f)};
        EXPECT_BGR_NEAR(alone, expected[0], expected[1], expected[2], 2);
        sum[0] += alone.b, sum[1] += alone.g, sum[2] += alone.r;
    }
    for (DWORD i = 0; i < 3; ++i) {
        ASSERT_EQ(device->SetLight(i, kinds[i]), D3D_OK);
        device->LightEnable(i, TRUE);
    }
    RingTriangle(0.02f);
    Read();
    EXPECT_BGR_NEAR(At(320, 240), sum[0], sum[1], sum[2], 2);
    device->LightEnable(1, FALSE);  // the directional light alone, then made a point light
    device->LightEnable(2, FALSE);
    device->SetLight(0, &point);
    RingTriangle(0.02f);
    Read();
    EXPECT_BGR_NEAR(At(320, 240), 0.1f * 255, 0.2f * 255, 0.3f * 255, 2);
}

TEST_F(LightingTest, NoLightGivesEmissivePlusAmbient) {
    D3DMATERIAL9 material = {};
    material.Ambient = {1.0f, 0.5f, 0.0f, 0.25f};
    material.Emissive = {0.0f, 0.0f, 0.5f, 1};
    material.Diffuse = {1, 1, 1, 0.25f};
    device->SetMaterial(&material);
    device->SetRenderState(D3DRS_AMBIENT, 0x00808080);
    RingTriangle(0.2f);
    Read();
    EXPECT_BGR_NEAR(At(320, 240), 128, 64, 128, 2);
}

}  // namespace

namespace {

// Each vertex's lit colours are clamped to 0..1 after all lights, before they are interpolated:
// a vertex lit four times over is white, not four times white. One vertex faces a directional
// light (diffuse and specular far above 1), the other two face away (black), so the centre of the
// triangle shows a third of white. Interpolating before clamping would show white there.
TEST_F(LightingTest, EachVertexIsClampedBeforeInterpolation) {
    D3DLIGHT9 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 1};
    light.Specular = {1, 1, 1, 1};
    light.Direction = {0, 0, 1};
    ASSERT_EQ(device->SetLight(0, &light), D3D_OK);
    device->LightEnable(0, TRUE);
    D3DMATERIAL9 material = {};
    material.Diffuse = {4, 0, 0, 1};
    material.Specular = {0, 0, 4, 1};
    material.Power = 1;
    device->SetMaterial(&material);
    device->SetRenderState(D3DRS_LOCALVIEWER, FALSE);
    for (const BOOL specular : {FALSE, TRUE}) {
        SCOPED_TRACE(specular ? "specular" : "diffuse");
        device->SetRenderState(D3DRS_SPECULARENABLE, specular);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        // The lit vertex at the top faces the light; the others face away from it.
        std::vector<LitVertex> v = {
            {0, 0.6f, 1, 0, 0, -1, 0, 0}, {0.6f, -0.6f, 1, 0, 0, 1, 0, 0}, {-0.6f, -0.6f, 1, 0, 0, 1, 0, 0}};
        ASSERT_EQ(Draw(v, 0x112, D3DPT_TRIANGLELIST, 1), D3D_OK);
        Read();
        // The centroid (y = -0.2 in clip space) is a third of the way from the black edge.
        const UINT y = UINT(240.0f + 0.2f * 240.0f);
        EXPECT_BGR_NEAR(At(320, y), specular ? 85 : 0, 0, 85, 6);
    }
    device->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
}

}  // namespace
