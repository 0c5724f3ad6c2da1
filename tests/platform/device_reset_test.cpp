// Reset after a lost device, as Direct3D 9 has it. Our device is lost only when a test says so
// (LoseForTest), so this one runs on our device alone.
#include "tests/platform/device_fixture.h"

namespace {

// Reset, as Direct3D 9 has it: refused while a default-pool resource the program made is alive,
// then every state back to its default and target 0 the back buffer.
TEST_F(DeviceTest, ResetWaitsForTheDefaultPoolAndRestoresDefaults) {
    IDirect3DTexture9* target = nullptr;
    ASSERT_EQ(
        device->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target, nullptr),
        D3D_OK);
    IDirect3DSurface9* surface = nullptr;
    target->GetSurfaceLevel(0, &surface);
    device->SetRenderTarget(0, surface);
    device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF00FF00);

    device->LoseForTest(1);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferWidth = 640;
    parameters.BackBufferHeight = 480;
    parameters.EnableAutoDepthStencil = TRUE;
    EXPECT_EQ(device->Reset(&parameters), D3DERR_INVALIDCALL);  // the target is still alive
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    surface->Release();
    target->Release();
    ASSERT_EQ(device->Reset(&parameters), D3D_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);

    IDirect3DSurface9* bound = nullptr;
    ASSERT_EQ(device->GetRenderTarget(0, &bound), D3D_OK);
    EXPECT_EQ(bound, backBuffer);
    bound->Release();
    // The texture factor is white again: a TFACTOR quad draws white.
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(Quad(-1, -1, 1, 1), D3D_OK);
    Read();
    EXPECT_BGR_NEAR(At(320, 240), 255, 255, 255, 1);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    // The window's own states and depth buffer, as the show's recovery puts them back.
    ASSERT_EQ(HeadlessWindow()->ResetDevice(), D3D_OK);
}

}  // namespace
