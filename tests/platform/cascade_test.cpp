// Texture stage 0, the texture factor and blending as the composition and scenes use them.
#include "tests/platform/device_fixture.h"

namespace {

TEST_F(DeviceTest, FactorAlphaTimesTextureAlphaBlendsOverTheTarget) {
    // The composition's element set-up: colour from the texture, alpha = factor alpha x texel alpha.
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRS_TEXTUREFACTOR, 0x80000000);  // alpha 128/255, colour bits 0
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TFACTOR);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF2040C0, 1.0f, 0);  // r 0x20, g 0x40, b 0xC0
    device->SetTexture(0, Texture(1, 1, {0xC0F0A010}));               // a 0xC0, r 0xF0, g 0xA0, b 0x10
    ASSERT_EQ(Quad(-1, -1, 1, 1), D3D_OK);
    Read();
    const float a = (128.0f / 255.0f) * (192.0f / 255.0f);
    auto blend = [a](int src, int dst) { return float(src) * a + float(dst) * (1 - a); };
    EXPECT_BGR_NEAR(At(320, 240), blend(0x10, 0xC0), blend(0xA0, 0x40), blend(0xF0, 0x20), 2);
}

TEST_F(DeviceTest, OpaqueSourcesBlendToExactlyTheSource) {
    // Factor alpha 255 over a texture without alpha: the source, byte for byte; one step less
    // factor alpha, or a texture with alpha, lets the target through.
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TFACTOR);
    IDirect3DTexture9* opaque = Texture(1, 1, {0x00F0A010}, D3DFMT_X8R8G8B8);  // its alpha byte is ignored
    IDirect3DTexture9* translucent = Texture(1, 1, {0xFEF0A010});
    struct Case {
        IDirect3DTexture9* texture;
        DWORD factor;
        bool exact;
    };
    for (const Case& c :
         {Case{opaque, 0xFF000000, true}, Case{opaque, 0xFE000000, false}, Case{translucent, 0xFF000000, false}}) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
        device->SetTexture(0, c.texture);
        device->SetRenderState(D3DRS_TEXTUREFACTOR, c.factor);
        ASSERT_EQ(Quad(-1, -1, 1, 1), D3D_OK);
        Read();
        const Bgra p = At(320, 240);
        EXPECT_EQ(p.b == 0x10 && p.g == 0xA0 && p.r == 0xF0, c.exact) << std::hex << c.factor;
        EXPECT_BGR_NEAR(p, 0x10, 0xA0, 0xF0, 1);
    }
}

TEST_F(DeviceTest, NullTextureRule) {
    // Vertex-less colour: with lighting off the diffuse colour is white, so use lighting with an
    // emissive material to get a known "lit" colour of (0.2, 0.4, 0.6), alpha 0.5.
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    D3DMATERIAL9 material = {};
    material.Emissive = {0.2f, 0.4f, 0.6f, 1};
    material.Diffuse = {0, 0, 0, 0.5f};
    device->SetMaterial(&material);
    device->SetRenderState(D3DRS_TEXTUREFACTOR, 0x40FF00FF);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    struct Case {
        const char* name;
        DWORD colorOp, colorArg1, colorArg2, alphaOp, alphaArg1, alphaArg2;
        float r, g, b, a;  // expected stage output
    } cases[] = {
        // SELECTARG2 of CURRENT reads no texture: the stage runs, lit colour with the factor's alpha.
        {"selectarg2 current", D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_SELECTARG1, D3DTA_TFACTOR,
         D3DTA_CURRENT, 0.2f, 0.4f, 0.6f, 64 / 255.0f},
        // The default op reads the missing texture: the stage ends, diffuse RGBA comes out.
        {"modulate texture", D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_SELECTARG1, D3DTA_TFACTOR,
         D3DTA_CURRENT, 0.2f, 0.4f, 0.6f, 0.5f},
        {"disable", D3DTOP_DISABLE, D3DTA_TFACTOR, D3DTA_CURRENT, D3DTOP_SELECTARG1, D3DTA_TFACTOR, D3DTA_CURRENT, 0.2f,
         0.4f, 0.6f, 0.5f},
        {"selectarg1 factor", D3DTOP_SELECTARG1, D3DTA_TFACTOR, D3DTA_TEXTURE, D3DTOP_SELECTARG2, D3DTA_TEXTURE,
         D3DTA_DIFFUSE, 1.0f, 0.0f, 1.0f, 0.5f},
        {"modulate factor diffuse", D3DTOP_MODULATE, D3DTA_TFACTOR, D3DTA_DIFFUSE, D3DTOP_MODULATE, D3DTA_TFACTOR,
         D3DTA_DIFFUSE, 0.2f, 0.0f, 0.6f, 0.5f * 64 / 255.0f},
        {"complement", D3DTOP_SELECTARG1, D3DTA_DIFFUSE | D3DTA_COMPLEMENT, D3DTA_CURRENT, D3DTOP_SELECTARG1,
         D3DTA_TFACTOR | D3DTA_COMPLEMENT, D3DTA_CURRENT, 0.8f, 0.6f, 0.4f, 191 / 255.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device->SetTextureStageState(0, D3DTSS_COLOROP, c.colorOp);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, c.colorArg1);
        device->SetTextureStageState(0, D3DTSS_COLORARG2, c.colorArg2);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, c.alphaOp);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG1, c.alphaArg1);
        device->SetTextureStageState(0, D3DTSS_ALPHAARG2, c.alphaArg2);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);  // black: result = colour x alpha
        ASSERT_EQ(Quad(-1, -1, 1, 1), D3D_OK);
        Read();
        EXPECT_BGR_NEAR(At(320, 240), c.b * c.a * 255, c.g * c.a * 255, c.r * c.a * 255, 2);
    }
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
}

TEST_F(DeviceTest, SpecularAddsColourOnly) {
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    D3DMATERIAL9 material = {};
    material.Emissive = {0.25f, 0.25f, 0.25f, 1};
    material.Specular = {1, 1, 1, 1};
    material.Diffuse = {0, 0, 0, 1};
    device->SetMaterial(&material);
    D3DLIGHT9 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Specular = {0.5f, 0.0f, 0.25f, 1};
    light.Direction = {0, 0, 1};
    device->SetLight(0, &light);
    device->LightEnable(0, TRUE);
    device->SetRenderState(D3DRS_LOCALVIEWER, FALSE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    std::vector<LitVertex> v = {{-1, -1, 0.5f, 0, 0, -1, 0, 0},
                                {-1, 1, 0.5f, 0, 0, -1, 0, 0},
                                {1, 1, 0.5f, 0, 0, -1, 0, 0},
                                {1, -1, 0.5f, 0, 0, -1, 0, 0}};
    for (BOOL specular : {FALSE, TRUE}) {
        device->SetRenderState(D3DRS_SPECULARENABLE, specular);
        ASSERT_EQ(Draw(v, 0x112, D3DPT_TRIANGLEFAN, 2), D3D_OK);
        Read();
        SCOPED_TRACE(specular ? "specular on" : "specular off");
        if (specular)
            EXPECT_BGR_NEAR(At(320, 240), 128, 64, 191, 2);
        else
            EXPECT_BGR_NEAR(At(320, 240), 64, 64, 64, 2);
    }
    device->LightEnable(0, FALSE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
}

TEST_F(DeviceTest, SpecularEnableWithoutASpecularColourKeepsTheProgram) {
    // Unlit vertices without a specular colour add nothing: switching the flag (as a scene leaves
    // it for the composition) must neither change a pixel nor build another program mid-show.
    device->SetTexture(0, Texture(1, 1, {0xFF4080C0}));
    std::vector<uint8_t> seen[2];
    uint64_t glCalls[2] = {};
    for (BOOL specular : {FALSE, TRUE}) {
        device->SetRenderState(D3DRS_SPECULARENABLE, specular);
        const uint64_t before = device->GetStats().glCalls;
        ASSERT_EQ(Quad(-1, -1, 1, 1), D3D_OK);
        glCalls[specular] = device->GetStats().glCalls - before;
        Read();
        seen[specular] = pixels;
    }
    EXPECT_EQ(seen[0], seen[1]);
    EXPECT_LE(glCalls[1], glCalls[0] + 2);  // a new program costs dozens of calls (compile, link, uniforms)
    device->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
}

TEST_F(DeviceTest, LuminanceAndOpaqueFormatsSample) {
    // L8 reads as grey with alpha 1; X8R8G8B8 ignores its fourth byte.
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    IDirect3DTexture9* l8 = nullptr;
    ASSERT_EQ(device->CreateTexture(1, 1, 1, 0, D3DFMT_L8, D3DPOOL_MANAGED, &l8, nullptr), D3D_OK);
    owned.push_back(l8);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(l8->LockRect(0, &locked, nullptr, 0), D3D_OK);
    *static_cast<uint8_t*>(locked.pBits) = 0x60;
    l8->UnlockRect(0);
    device->SetTexture(0, l8);
    ASSERT_EQ(Quad(-1, -1, 0, 1), D3D_OK);
    device->SetTexture(0, Texture(1, 1, {0x00123456}, D3DFMT_X8R8G8B8));
    ASSERT_EQ(Quad(0, -1, 1, 1), D3D_OK);
    Read();
    EXPECT_BGR_NEAR(At(100, 240), 0x60, 0x60, 0x60, 0);
    EXPECT_BGR_NEAR(At(500, 240), 0x56, 0x34, 0x12, 0);
}

}  // namespace
