// The device's per-frame counters: what a repeated state, a real change, a draw and a texture
// switch cost, and Present closing one frame's record and opening the next.
#include "tests/platform/device_fixture.h"

namespace {

class FrameStatsTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        textures[0] = Texture(1, 1, {0xFF808080});
        textures[1] = Texture(1, 1, {0xFF204060});
        quad = Buffer(std::vector<TexturedVertex>{{-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 1, 0}, {1, -1, 0.5f, 1, 1}}, 0x102);
        device->SetFVF(0x102);
        device->SetStreamSource(0, quad, 0, sizeof(TexturedVertex));
        device->SetTexture(0, textures[0]);
        ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);  // everything sent once
    }
    IDirect3DTexture9* textures[2] = {};
    IDirect3DVertexBuffer9* quad = nullptr;
};

TEST_F(FrameStatsTest, RepeatedStatesAreNoChangeAndADrawOnThemIsOneGlCall) {
    const D3DFRAMESTATS before = device->GetFrameStats();
    D3DMATRIX identity = {};
    identity.m[0][0] = identity.m[1][1] = identity.m[2][2] = identity.m[3][3] = 1.0f;
    for (int twice = 0; twice < 2; ++twice) {  // every value is the one already set
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFFFFFF);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
        device->SetTransform(D3DTS_WORLD, &identity);
        device->SetTexture(0, textures[0]);
        device->SetFVF(0x102);
        device->SetStreamSource(0, quad, 0, sizeof(TexturedVertex));
    }
    D3DFRAMESTATS now = device->GetFrameStats();
    EXPECT_EQ(now.stateChanges, before.stateChanges);
    EXPECT_EQ(now.glCalls, before.glCalls);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    now = device->GetFrameStats();
    EXPECT_EQ(now.draws, before.draws + 1);
    EXPECT_EQ(now.glCalls, before.glCalls + 1);  // the draw call itself, no state
    EXPECT_EQ(now.textureBinds, before.textureBinds);
}

TEST_F(FrameStatsTest, ARealChangeCountsOnceAndCostsGlCallsAtTheNextDraw) {
    const D3DFRAMESTATS before = device->GetFrameStats();
    const D3DDEVICESTATS totalsBefore = device->GetStats();
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    D3DFRAMESTATS now = device->GetFrameStats();
    EXPECT_EQ(now.stateChanges, before.stateChanges + 1);
    EXPECT_EQ(now.glCalls, before.glCalls);  // recorded only: GL hears of it at the draw
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    now = device->GetFrameStats();
    EXPECT_GT(now.glCalls, before.glCalls + 1);
    // The totals count the same calls; all but the draw were state calls.
    const D3DDEVICESTATS totals = device->GetStats();
    EXPECT_EQ(totals.glCalls - totalsBefore.glCalls, now.glCalls - before.glCalls);
    EXPECT_EQ(totals.glStateCalls - totalsBefore.glStateCalls, now.glCalls - before.glCalls - 1);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
}

TEST_F(FrameStatsTest, TextureSwitchesBindOncePerDrawThatNeedsIt) {
    const D3DFRAMESTATS before = device->GetFrameStats();
    for (int i = 1; i <= 4; ++i) {  // 1, 0, 1, 0: every draw needs the other texture
        device->SetTexture(0, textures[i & 1]);
        device->SetTexture(0, textures[i & 1]);
        ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
        ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    }
    const D3DFRAMESTATS now = device->GetFrameStats();
    EXPECT_EQ(now.draws, before.draws + 8);
    EXPECT_EQ(now.stateChanges, before.stateChanges + 4);
    EXPECT_EQ(now.textureBinds, before.textureBinds + 4);
}

TEST_F(FrameStatsTest, PresentEndsTheFrameRecord) {
    device->Present(nullptr, nullptr, nullptr, nullptr);  // a clean start
    EXPECT_EQ(device->GetFrameStats().draws, 0u);
    EXPECT_EQ(device->GetFrameStats().glCalls, 0u);
    const uint64_t totalDraws = device->GetStats().draws;
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    const D3DFRAMESTATS drawn = device->GetFrameStats();
    EXPECT_EQ(drawn.draws, 3u);
    EXPECT_GE(drawn.glCalls, 4u);  // a clear and three draws at least
    device->Present(nullptr, nullptr, nullptr, nullptr);
    const D3DFRAMESTATS last = device->GetLastFrameStats();
    EXPECT_EQ(last.draws, 3u);
    EXPECT_EQ(last.stateChanges, drawn.stateChanges);
    EXPECT_GT(last.glCalls, drawn.glCalls);  // Present's own copy to the window
    const D3DFRAMESTATS next = device->GetFrameStats();
    EXPECT_EQ(next.draws, 0u);
    EXPECT_EQ(next.stateChanges, 0u);
    EXPECT_EQ(next.textureBinds, 0u);
    EXPECT_EQ(next.glCalls, 0u);
    EXPECT_EQ(device->GetStats().draws, totalDraws + 3);  // the totals keep counting
}

}  // namespace
