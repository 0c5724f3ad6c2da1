// The device drawing at another size than the show asks for: the window's client size, the sizes
// stored and reported, scissor and clear boxes, pretransformed positions and the pixel centre, the
// box filter of a supersampled picture and the bars of a wider frame. Each case makes its own window
// and device, so each runs in a child process of its own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/d3dwindow.h"
#include "platform/device_readback.h"

namespace {

[[noreturn]] void Done(int code) {
    std::_Exit(code);
}

// A window and device drawing at `size`; the back buffer bound, cleared to black.
void Open(const DrawSize& size, WindowUse use = WindowUse::Tool) {
    PlatformUseOffscreenVideo();
    SetMessageBoxHook([](const char*, const char*) {});         // the show's window warns of a software renderer
    new D3DWindow(640, 480, false, "virelle-test", use, size);  // lives until the process ends
    if (!device) Done(90);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
}

struct Read {
    std::vector<uint8_t> bgra;
    UINT width = 0, height = 0;
    int Green(UINT x, UINT y) const { return bgra[(size_t(y) * width + x) * 4 + 1]; }
};

Read ReadBack() {
    Read r;
    if (FAILED(PlatformReadRenderTarget(device, &r.bgra, &r.width, &r.height))) Done(91);
    return r;
}

// A green pretransformed rectangle (x0, y0)-(x1, y1) in the sizes the show asks for.
void Rectangle(float x0, float y0, float x1, float y1) {
    struct V {
        float x, y, z, rhw;
        D3DCOLOR c;
    };
    const V v[4] = {{x0, y0, 0.5f, 1, 0xFF00FF00},
                    {x1, y0, 0.5f, 1, 0xFF00FF00},
                    {x1, y1, 0.5f, 1, 0xFF00FF00},
                    {x0, y1, 0.5f, 1, 0xFF00FF00}};
    IDirect3DVertexBuffer9* vb = nullptr;
    device->CreateVertexBuffer(sizeof v, D3DUSAGE_WRITEONLY, D3DFVF_XYZRHW | D3DFVF_DIFFUSE, D3DPOOL_MANAGED, &vb,
                               nullptr);
    void* data = nullptr;
    vb->Lock(0, 0, &data, 0);
    std::memcpy(data, v, sizeof v);
    vb->Unlock();
    device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
    device->SetStreamSource(0, vb, 0, sizeof(V));
    if (FAILED(device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2))) Done(92);
    device->SetStreamSource(0, nullptr, 0, 0);
    vb->Release();
}

// Windowed, the show's window has the frame's client size; the back buffer still reports 640x480 and
// reads back as the frame: the 4:3 picture between black bars. A pretransformed rectangle over the
// picture's left half covers exactly that half of the stored pixels, pixel centres as at 640x480.
void FrameWithBars() {
    Open(DrawSize{1000, 600, false, 1}, WindowUse::Show);
    IDirect3DSurface9* back = nullptr;
    device->GetRenderTarget(0, &back);
    D3DSURFACE_DESC desc{};
    back->GetDesc(&desc);
    if (desc.Width != 640 || desc.Height != 480) Done(1);
    Rectangle(0, 0, 320, 480);
    device->Present(nullptr, nullptr, nullptr, nullptr);
    std::vector<uint8_t> presented;
    UINT w = 0, h = 0;
    device->ReadPresented(&presented, &w, &h);
    if (w != 1000 || h != 600) Done(2);  // the window's client area
    const Read r = ReadBack();
    if (r.width != 1000 || r.height != 600) Done(3);
    // The picture is 800x600 at x 100: green over [100, 500), black elsewhere, bars included.
    for (UINT x : {0u, 99u, 500u, 899u, 900u, 999u})
        if (r.Green(x, 300) != 0) Done(4);
    for (UINT x : {100u, 300u, 499u})
        if (r.Green(x, 0) != 255 || r.Green(x, 599) != 255) Done(5);
    if (presented != r.bgra) Done(6);  // the window shows the frame as read back
    back->Release();
    Done(0);
}

// Render targets and the depth buffer follow the factor (within the largest texture); their
// descriptions keep the sizes asked. Scissor rectangles and clear rectangles are scaled too.
void TargetsAndBoxes(UINT frameWidth, UINT frameHeight, UINT expectTarget) {
    Open(DrawSize{int(frameWidth), int(frameHeight), false, 1});
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(device->CreateTexture(512, 512, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture,
                                     nullptr)))
        Done(10);
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    if (desc.Width != 512 || desc.Height != 512) Done(11);
    IDirect3DSurface9* surface = nullptr;
    texture->GetSurfaceLevel(0, &surface);
    device->SetRenderTarget(0, surface);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    device->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
    const RECT scissor{128, 0, 384, 512};  // the middle half
    device->SetScissorRect(&scissor);
    const D3DRECT top{0, 0, 512, 256};  // the top half: only its middle is cleared
    device->Clear(1, &top, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
    const Read r = ReadBack();
    if (r.width != expectTarget || r.height != expectTarget) Done(12);
    const UINT q = expectTarget / 4, half = expectTarget / 2;
    if (r.Green(q, 0) != 255 || r.Green(3 * q - 1, half - 1) != 255) Done(13);
    if (r.Green(q - 1, 0) != 0 || r.Green(3 * q, 0) != 0 || r.Green(q, half) != 0) Done(14);
    // A draw is clipped to the same box: a rectangle over the whole bottom half fills its middle.
    Rectangle(0, 256, 512, 512);
    const Read d = ReadBack();
    if (d.Green(q, expectTarget - 1) != 255 || d.Green(q - 1, expectTarget - 1) != 0) Done(15);
    surface->Release();
    texture->Release();
    Done(0);
}

// Supersampled, the picture is the larger drawing box-filtered: an edge half-way through a pixel
// of the size asked covers half of that pixel's samples.
void Supersampled() {
    Open(DrawSize{0, 0, false, 2});
    Rectangle(0, 0, 100.5f, 480);
    const Read r = ReadBack();
    if (r.width != 640 || r.height != 480) Done(20);
    if (r.Green(99, 10) != 255 || r.Green(101, 10) != 0) Done(21);
    if (std::abs(r.Green(100, 10) - 128) > 1) Done(22);
    Done(0);
}

// Beyond what the renderer can hold: no device, and the reason on stderr.
void TooLarge() {
    PlatformUseOffscreenVideo();
    new D3DWindow(640, 480, false, "virelle-test", WindowUse::Tool, DrawSize{16384, 12288, false, 4});
    Done(device ? 30 : 0);
}

TEST(DrawSize, AWiderFrameHasItsClientSizeAndBars) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(FrameWithBars(), ::testing::ExitedWithCode(0), "");
}

TEST(DrawSize, TargetsScissorAndClearsFollowTheFactor) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(TargetsAndBoxes(1280, 960, 1024), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(TargetsAndBoxes(320, 240, 256), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(TargetsAndBoxes(3840, 2160, 2048), ::testing::ExitedWithCode(0), "");  // the largest texture
}

TEST(DrawSize, SupersampledPictureIsBoxFiltered) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(Supersampled(), ::testing::ExitedWithCode(0), "");
}

TEST(DrawSize, ASizeBeyondTheRendererMakesNoDevice) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(TooLarge(), ::testing::ExitedWithCode(0), "beyond the renderer's largest target side");
}

}  // namespace
