// Culling, depth and the state cache.
#include "tests/platform/device_fixture.h"

namespace {

class RasterTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        device->SetTexture(0, Texture(1, 1, {0xFFFFFFFF}));
    }
};

TEST_F(RasterTest, CullingUsesOnScreenWinding) {
    // On screen (y down): top-left, top-right, bottom-left runs clockwise.
    const std::vector<TexturedVertex> clockwise = {
        {-0.5f, 0.5f, 0.5f, 0, 0}, {0.5f, 0.5f, 0.5f, 0, 0}, {-0.5f, -0.5f, 0.5f, 0, 0}};
    const std::vector<TexturedVertex> counterClockwise = {clockwise[0], clockwise[2], clockwise[1]};
    struct Case {
        DWORD cull;
        bool clockwiseShown, counterClockwiseShown;
    } cases[] = {{D3DCULL_NONE, true, true}, {D3DCULL_CCW, true, false}, {D3DCULL_CW, false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "cull mode " << c.cull);
        device->SetRenderState(D3DRS_CULLMODE, c.cull);
        for (bool cw : {true, false}) {
            device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
            ASSERT_EQ(Draw(cw ? clockwise : counterClockwise, 0x102, D3DPT_TRIANGLELIST, 1), D3D_OK);
            Read();
            EXPECT_EQ(At(220, 150).r == 255, cw ? c.clockwiseShown : c.counterClockwiseShown) << (cw ? "cw" : "ccw");
        }
    }
}

TEST_F(RasterTest, DepthTestOnA512TargetWithTheSharedBuffer) {
    IDirect3DSurface9* surface = Target(512, 512);
    ASSERT_NE(surface, nullptr);
    device->SetRenderTarget(0, surface);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
    IDirect3DTexture9* red = Texture(1, 1, {0xFFFF0000});
    IDirect3DTexture9* green = Texture(1, 1, {0xFF00FF00});
    device->SetTexture(0, red);
    ASSERT_EQ(Quad(-0.5f, -0.5f, 0.5f, 0.5f, 0.25f), D3D_OK);  // near, in the middle
    device->SetTexture(0, green);
    ASSERT_EQ(Quad(-1, -1, 1, 1, 0.75f), D3D_OK);  // far, everywhere
    Read();
    EXPECT_BGR_NEAR(At(256, 256), 0, 0, 255, 0);  // the near quad wins
    EXPECT_BGR_NEAR(At(20, 500), 0, 255, 0, 0);   // the far one fills the rest, bottom rows too
    // Equal depth passes (LESSEQUAL); z = 0 and z = 1 lie inside D3D's clip volume, z < 0 not.
    device->SetTexture(0, green);
    ASSERT_EQ(Quad(-0.5f, -0.5f, 0.5f, 0.5f, 0.25f), D3D_OK);
    Read();
    EXPECT_BGR_NEAR(At(256, 256), 0, 255, 0, 0);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    device->SetTexture(0, red);
    ASSERT_EQ(Quad(-1, -1, -0.5f, 1, 0.0f), D3D_OK);
    ASSERT_EQ(Quad(-0.5f, -1, 0, 1, 1.0f), D3D_OK);
    ASSERT_EQ(Quad(0, -1, 0.5f, 1, -0.01f), D3D_OK);
    Read();
    EXPECT_EQ(At(60, 256).r, 255);
    EXPECT_EQ(At(190, 256).r, 255);
    EXPECT_EQ(At(320, 256).r, 0);
    // Z disabled: the far quad draws over the near one.
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device->SetTexture(0, green);
    ASSERT_EQ(Quad(-1, -1, 1, 1, 0.75f), D3D_OK);
    Read();
    EXPECT_BGR_NEAR(At(60, 256), 0, 255, 0, 0);
}

TEST_F(RasterTest, DepthBufferIsSharedAcrossTargets) {
    IDirect3DSurface9* surface = Target(512, 512);
    ASSERT_NE(surface, nullptr);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderTarget(0, surface);
    device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);  // rows 0..511
    // Depth written while the back buffer is bound still stands when the 512x512 target is bound.
    device->SetRenderTarget(0, backBuffer);
    device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 0.5f, 0);  // only the back buffer's rows 0..479
    ASSERT_EQ(Quad(-1, -1, 1, 0, 0.25f), D3D_OK);             // the lower half of the back buffer
    device->SetRenderTarget(0, surface);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    ASSERT_EQ(Quad(-1, -1, 1, 1, 0.4f), D3D_OK);
    Read();
    EXPECT_EQ(At(100, 100).r, 255);  // in front of the 0.5 the back buffer's clear left
    EXPECT_EQ(At(100, 300).r, 0);    // behind the quad drawn at 0.25 into rows 240..479
    EXPECT_EQ(At(100, 500).r, 255);  // rows 480..511 kept the 1.0 of the first clear
}

// Depth clears are made only when a depth-tested draw needs them; every draw must still find what
// the clears made in order would have left, whichever target they came through.
TEST_F(RasterTest, DepthClearsMadeLateLeaveWhatTheyWouldHave) {
    IDirect3DSurface9* small = Target(256, 256);
    ASSERT_NE(small, nullptr);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    auto drawnAt = [&](UINT x, UINT y) { return At(x, y).r == 255; };
    auto quadOverClearedTarget = [&] {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        ASSERT_EQ(Quad(-1, -1, 1, 1, 0.5f), D3D_OK);
        Read();
    };

    // The back buffer's clear, then the small target's over its corner, then a draw on the back buffer.
    device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    device->SetRenderTarget(0, small);
    device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 0.0f, 0);
    device->SetRenderTarget(0, backBuffer);
    quadOverClearedTarget();
    EXPECT_FALSE(drawnAt(100, 100));  // the small target's 0
    EXPECT_TRUE(drawnAt(400, 300));   // the back buffer's 1

    // A clear inside a kept one of the same value, then one of another value inside both.
    device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 0.0f, 0);
    const D3DRECT corner = {0, 0, 100, 100}, middle = {200, 200, 300, 300};
    device->Clear(1, &corner, D3DCLEAR_ZBUFFER, 0, 0.0f, 0);
    device->Clear(1, &middle, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    quadOverClearedTarget();
    EXPECT_FALSE(drawnAt(50, 50));
    EXPECT_TRUE(drawnAt(250, 250));
    EXPECT_FALSE(drawnAt(400, 400));

    // A clear partly made through the small target, the rest still kept when the depth buffer is
    // unbound: that rest must hold when it is bound again.
    device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 0.0f, 0);
    device->SetRenderTarget(0, small);
    ASSERT_EQ(Quad(-1, -1, 1, 1, 0.5f), D3D_OK);
    device->SetRenderTarget(0, backBuffer);
    IDirect3DSurface9* depth = nullptr;
    IDirect3DSurface9* other = nullptr;
    ASSERT_EQ(device->GetDepthStencilSurface(&depth), D3D_OK);
    ASSERT_EQ(device->CreateDepthStencilSurface(640, 480, D3DFMT_D24X8, D3DMULTISAMPLE_NONE, 0, TRUE, &other, nullptr),
              D3D_OK);
    device->SetDepthStencilSurface(other);
    device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    quadOverClearedTarget();
    EXPECT_TRUE(drawnAt(280, 280));  // the other buffer's 1
    device->SetDepthStencilSurface(depth);
    quadOverClearedTarget();
    EXPECT_FALSE(drawnAt(100, 100));  // made through the small target
    EXPECT_FALSE(drawnAt(280, 280));  // made when the buffer was swapped (1 before it)
    other->Release();
    depth->Release();
}

TEST_F(RasterTest, RepeatedStatesCostNoGlCalls) {
    IDirect3DTexture9* texture = Texture(1, 1, {0xFF808080});
    device->SetTexture(0, texture);
    IDirect3DVertexBuffer9* vb =
        Buffer(std::vector<TexturedVertex>{{-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 1, 0}, {1, -1, 0.5f, 1, 1}}, 0x102);
    device->SetFVF(0x102);
    device->SetStreamSource(0, vb, 0, sizeof(TexturedVertex));
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    const D3DDEVICESTATS before = device->GetStats();
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTexture(0, texture);
    device->SetFVF(0x102);
    device->SetStreamSource(0, vb, 0, sizeof(TexturedVertex));
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    D3DDEVICESTATS after = device->GetStats();
    EXPECT_EQ(after.draws, before.draws + 1);
    EXPECT_EQ(after.glStateCalls, before.glStateCalls);
    // A real change costs calls again.
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    EXPECT_GT(device->GetStats().glStateCalls, after.glStateCalls);
}

TEST_F(RasterTest, DrawsOutsideTheBuffersAreRefused) {
    IDirect3DVertexBuffer9* vb = Buffer(std::vector<TexturedVertex>(4, {0, 0, 0.5f, 0, 0}), 0x102);
    device->SetFVF(0x102);
    device->SetStreamSource(0, vb, 0, sizeof(TexturedVertex));
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2), D3D_OK);
    EXPECT_NE(device->DrawPrimitive(D3DPT_TRIANGLEFAN, 1, 2), D3D_OK);
    EXPECT_NE(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 0x60000000), D3D_OK);
    device->SetStreamSource(0, vb, 40, sizeof(TexturedVertex));
    EXPECT_NE(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);

    IDirect3DIndexBuffer9* ib = Indices({0, 1, 2, 0, 2, 4});  // the second triangle names vertex 4 of 0..3
    device->SetStreamSource(0, vb, 0, sizeof(TexturedVertex));
    device->SetIndices(ib);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 1), D3D_OK);
    EXPECT_NE(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
    EXPECT_NE(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 2, 0, 4, 0, 1), D3D_OK);
    EXPECT_NE(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 3, 2), D3D_OK);
}

TEST_F(RasterTest, IndexedTrianglesDraw) {
    IDirect3DVertexBuffer9* vb = Buffer(
        std::vector<TexturedVertex>{{-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 0, 0}, {1, -1, 0.5f, 0, 0}, {-1, -1, 0.5f, 0, 0}},
        0x102);
    IDirect3DIndexBuffer9* ib = Indices({0, 2, 3});  // lower-left half
    device->SetFVF(0x102);
    device->SetStreamSource(0, vb, 0, sizeof(TexturedVertex));
    device->SetIndices(ib);
    ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 1), D3D_OK);
    Read();
    EXPECT_EQ(At(50, 400).r, 255);
    EXPECT_EQ(At(590, 80).r, 0);
}

}  // namespace
