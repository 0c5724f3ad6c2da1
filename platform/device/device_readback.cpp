// Read-backs that do not wait, on the D3D side: render target 0 is copied into a pixel buffer and
// fenced (gl_readback.cpp), and the bytes are fetched a frame or two later, by which time the copy
// has long finished. Drawing the next frame goes on while the driver copies.
//
// Ownership: the queue hangs off DeviceCore::readback, made at the first QueueReadRenderTarget and
// written only here; DestroyReadbackQueue runs in the device's destructor, before the backend goes.
#include <deque>
#include <vector>

#include "platform/device/device_core.h"

namespace {

constexpr UINT kReadbackDepth = 3;  // copies in flight at most; two are enough to overlap a frame

struct PixelBuffer {
    unsigned name = 0;
    size_t bytes = 0;  // its size
};

struct PendingRead {
    PixelBuffer buffer;
    void* fence = nullptr;
    UINT width = 0, height = 0;
    bool opaque = false;   // X8R8G8B8: the X byte reads back as 255, as LockRect shows it
    bool inFrame = false;  // the back buffer's picture, handed over placed between its bars
};

}  // namespace

struct ReadbackQueue {
    std::deque<PendingRead> pending;  // oldest first
    std::vector<PixelBuffer> spare;   // buffers whose copies were taken, for reuse
};

void DestroyReadbackQueue(DeviceCore* core) {
    ReadbackQueue* q = core->readback;
    if (!q) return;
    for (PendingRead& p : q->pending) {
        GlDeleteFence(core->gl, p.fence);
        GlDeletePixelBuffer(core->gl, p.buffer.name);
    }
    for (PixelBuffer& b : q->spare) GlDeletePixelBuffer(core->gl, b.name);
    delete q;
    core->readback = nullptr;
}

HRESULT IDirect3DDevice9::QueueReadRenderTarget() {
    if (!core->readback) core->readback = new ReadbackQueue;
    ReadbackQueue& q = *core->readback;
    if (q.pending.size() >= kReadbackDepth) return D3DERR_INVALIDCALL;  // take the oldest first
    IDirect3DSurface9* target = core->state.renderTarget;
    if (!target || !target->texture) return D3DERR_INVALIDCALL;
    // A target's stored pixels; the back buffer's picture, filtered and later placed in its frame.
    const bool picture = target == core->backBuffer && !core->scale.Identity();
    unsigned framebuffer = target->texture->framebuffer, texture = 0;
    if (picture) core->PictureSource(&framebuffer, &texture);
    PendingRead read;
    read.width = picture ? core->scale.pictureWidth : target->storedWidth;
    read.height = picture ? core->scale.pictureHeight : target->storedHeight;
    read.opaque = target->desc.Format == D3DFMT_X8R8G8B8;
    read.inFrame = picture && core->scale.HasBars();
    const size_t bytes = size_t(read.width) * read.height * 4;
    if (!q.spare.empty()) {
        read.buffer = q.spare.back();
        q.spare.pop_back();
    }
    if (read.buffer.bytes != bytes) {  // none spare, or one of another target's size
        GlDeletePixelBuffer(core->gl, read.buffer.name);
        read.buffer = {GlCreatePixelBuffer(core->gl, bytes), bytes};
        if (!read.buffer.name) return D3DERR_INVALIDCALL;
    }
    read.fence = GlQueueReadTarget(core->gl, framebuffer, read.width, read.height, read.buffer.name);
    if (!read.fence) {
        q.spare.push_back(read.buffer);
        return D3DERR_INVALIDCALL;
    }
    q.pending.push_back(read);
    return D3D_OK;
}

HRESULT IDirect3DDevice9::TakeReadRenderTarget(std::vector<uint8_t>* bgra, UINT* width, UINT* height) {
    ReadbackQueue* q = core->readback;
    if (!bgra || !q || q->pending.empty()) return D3DERR_INVALIDCALL;
    const PendingRead read = q->pending.front();
    q->pending.pop_front();
    q->spare.push_back(read.buffer);
    // The back buffer's picture goes straight into its place between the bars.
    const DeviceScale& s = core->scale;
    const size_t rowBytes = size_t(read.width) * 4, stride = read.inFrame ? s.FrameStride() : rowBytes;
    if (read.inFrame)
        s.FillBars(bgra);
    else
        bgra->resize(read.buffer.bytes);
    uint8_t* first = bgra->data() + (read.inFrame ? s.PictureOffset() : 0);
    if (!GlTakeReadTarget(core->gl, read.fence, read.buffer.name, read.buffer.bytes, first, rowBytes, stride))
        return D3DERR_INVALIDCALL;
    if (read.opaque)
        for (UINT y = 0; y < read.height; ++y)
            for (size_t i = 3; i < rowBytes; i += 4) first[y * stride + i] = 255;
    UINT w = read.width, h = read.height;
    if (read.inFrame) w = s.frameWidth, h = s.frameHeight;
    if (width) *width = w;
    if (height) *height = h;
    return D3D_OK;
}

UINT IDirect3DDevice9::PendingReadRenderTargets() const {
    return core->readback ? UINT(core->readback->pending.size()) : 0;
}
