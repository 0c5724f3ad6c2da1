// The scissor rectangle (draws and Clear) and state blocks putting every state back.
#include "tests/platform/device_fixture.h"

namespace {

class StateBlockTest : public DeviceTest {
protected:
    void TearDown() override {
        device->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
        for (DWORD i = 0; i < 8; ++i) device->LightEnable(i, FALSE);
        DeviceTest::TearDown();
    }
    // Count of back-buffer pixels whose red channel is over 128.
    int RedPixels() {
        Read();
        int n = 0;
        for (size_t i = 2; i < pixels.size(); i += 4) n += pixels[i] > 128;
        return n;
    }
    IDirect3DTexture9* Red() { return Texture(1, 1, {0xFFFF0000}); }
};

TEST_F(StateBlockTest, ScissorClipsDrawsAndClears) {
    device->SetTexture(0, Red());
    const RECT box{100, 50, 110, 54};
    device->SetScissorRect(&box);
    device->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
    ASSERT_EQ(Quad(-1, -1, 1, 1), D3D_OK);
    EXPECT_EQ(RedPixels(), 40);
    Read();
    EXPECT_EQ(At(100, 50).r, 255);  // rows top first, as the rectangle counts them
    EXPECT_EQ(At(109, 53).r, 255);
    EXPECT_EQ(At(110, 53).r, 0);

    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);  // clears the box only
    ASSERT_EQ(Quad(-1, -1, 1, 1), D3D_OK);
    device->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
    EXPECT_EQ(RedPixels(), 40);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    EXPECT_EQ(RedPixels(), 0);

    // An inverted or off-target rectangle lets nothing through; a new target resets the rectangle.
    device->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
    for (const RECT r : {RECT{50, 50, 40, 60}, RECT{700, 0, 800, 10}}) {
        device->SetScissorRect(&r);
        ASSERT_EQ(Quad(-1, -1, 1, 1), D3D_OK);
        EXPECT_EQ(RedPixels(), 0);
    }
    device->SetRenderTarget(0, backBuffer);
    ASSERT_EQ(Quad(-1, -1, 1, 1), D3D_OK);
    EXPECT_EQ(RedPixels(), 640 * 480);
}

TEST_F(StateBlockTest, ApplyPutsBackStatesLightsAndBindings) {
    IDirect3DTexture9* red = Red();
    device->SetTexture(0, red);
    device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF123456);
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Direction = {0, 0, 1};
    device->SetLight(2, &light);
    device->LightEnable(2, FALSE);
    IDirect3DStateBlock9* block = nullptr;
    ASSERT_EQ(device->CreateStateBlock(D3DSBT_ALL, &block), D3D_OK);

    // Changes a scene pass would make, then the block back.
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_TEXTUREFACTOR, 0);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->LightEnable(2, TRUE);
    device->LightEnable(100, TRUE);
    device->SetTexture(0, Texture(1, 1, {0xFF00FF00}));
    ASSERT_EQ(block->Apply(), D3D_OK);
    ASSERT_EQ(Quad(-1, -1, 1, 1), D3D_OK);  // red texture, no blending: red everywhere
    EXPECT_EQ(RedPixels(), 640 * 480);

    // Lights: the block puts back the lights it saw (light 2, off again); light 100, which nothing
    // in this program touched before the block was made, is not the block's and stays on (its
    // default: white, along +z).
    D3DMATERIAL9 white{};
    white.Diffuse = {1, 1, 1, 1};
    device->SetMaterial(&white);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetTexture(0, nullptr);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    const std::vector<LitVertex> lit = {{-1, 1, 0.5f, 0, 0, -1, 0, 0},
                                        {1, 1, 0.5f, 0, 0, -1, 0, 0},
                                        {1, -1, 0.5f, 0, 0, -1, 0, 0},
                                        {-1, -1, 0.5f, 0, 0, -1, 0, 0}};
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(Draw(lit, 0x112, D3DPT_TRIANGLEFAN, 2), D3D_OK);
    Read();
    EXPECT_BGR_NEAR(At(320, 240), 255, 255, 255, 1);
    device->LightEnable(100, FALSE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(Draw(lit, 0x112, D3DPT_TRIANGLEFAN, 2), D3D_OK);
    Read();
    EXPECT_BGR_NEAR(At(320, 240), 0, 0, 0, 1);
    // Captured again, the block still holds only the lights it was made with.
    device->LightEnable(100, TRUE);
    ASSERT_EQ(block->Capture(), D3D_OK);
    device->LightEnable(100, FALSE);
    ASSERT_EQ(block->Apply(), D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(Draw(lit, 0x112, D3DPT_TRIANGLEFAN, 2), D3D_OK);
    Read();
    EXPECT_BGR_NEAR(At(320, 240), 0, 0, 0, 1);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);

    // A texture its owner releases while only the block holds it stays valid, and releasing the
    // block neither frees anything twice nor takes the device with it.
    device->SetTexture(0, nullptr);
    IDirect3DTexture9* loose = nullptr;
    ASSERT_EQ(device->CreateTexture(1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &loose, nullptr), D3D_OK);
    device->SetTexture(0, loose);
    ASSERT_EQ(block->Capture(), D3D_OK);
    device->SetTexture(0, red);
    loose->Release();
    ASSERT_EQ(block->Apply(), D3D_OK);  // binds the texture only the block kept
    device->SetTexture(0, nullptr);
    auto deviceRefs = [] {
        const ULONG n = device->AddRef();
        device->Release();
        return n - 1;
    };
    const ULONG before = deviceRefs();
    EXPECT_EQ(block->Release(), 0u);
    EXPECT_EQ(deviceRefs(), before - 1);  // only the block's own reference on its device went
    EXPECT_EQ(device->CreateStateBlock(D3DSBT_PIXELSTATE, &block), D3DERR_INVALIDCALL);
}

}  // namespace
