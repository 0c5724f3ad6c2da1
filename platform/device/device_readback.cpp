// Read-backs that do not wait: render target 0 is copied into a pixel buffer object and fenced, and
// the bytes are fetched a frame or two later, by which time the copy has long finished. Drawing the
// next frame goes on while the driver copies.
//
// Ownership: the queue hangs off DeviceCore::readback, made at the first QueueReadRenderTarget and
// written only here; DestroyReadbackQueue runs in the device's destructor while the context is current.
#include <cstring>
#include <deque>
#include <vector>

#include "platform/device/device_core.h"

namespace {

constexpr UINT kReadbackDepth = 3;                        // copies in flight at most; two are enough to overlap a frame
constexpr GLuint64 kWaitNanoseconds = 10'000'000'000ull;  // a copy not done in 10 s is a lost device

struct PixelBuffer {
    GLuint name = 0;
    GLsizeiptr bytes = 0;  // allocated
};

struct PendingRead {
    PixelBuffer buffer;
    GLsync fence = nullptr;
    UINT width = 0, height = 0;
    bool opaque = false;  // X8R8G8B8: the X byte reads back as 255, as LockRect shows it
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
        glDeleteSync(p.fence);
        glDeleteBuffers(1, &p.buffer.name);
    }
    for (PixelBuffer& b : q->spare) glDeleteBuffers(1, &b.name);
    delete q;
    core->readback = nullptr;
}

HRESULT IDirect3DDevice9::QueueReadRenderTarget() {
    if (!core->readback) core->readback = new ReadbackQueue;
    ReadbackQueue& q = *core->readback;
    if (q.pending.size() >= kReadbackDepth) return D3DERR_INVALIDCALL;  // take the oldest first
    IDirect3DSurface9* target = core->state.renderTarget;
    if (!target || !target->texture) return D3DERR_INVALIDCALL;
    PendingRead read;
    read.width = target->desc.Width;
    read.height = target->desc.Height;
    read.opaque = target->desc.Format == D3DFMT_X8R8G8B8;
    const GLsizeiptr bytes = GLsizeiptr(read.width) * read.height * 4;
    if (!q.spare.empty()) {
        read.buffer = q.spare.back();
        q.spare.pop_back();
    } else {
        glGenBuffers(1, &read.buffer.name);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, read.buffer.name);
    if (read.buffer.bytes != bytes) {
        glBufferData(GL_PIXEL_PACK_BUFFER, bytes, nullptr, GL_STREAM_READ);
        read.buffer.bytes = bytes;
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, target->texture->framebuffer);
    glReadPixels(0, 0, GLsizei(read.width), GLsizei(read.height), GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);  // plain ReadRenderTarget reads into client memory
    read.fence = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    glFlush();  // the copy starts now, not at the next Present
    if (glGetError() != GL_NO_ERROR || !read.fence) {
        if (read.fence) glDeleteSync(read.fence);
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
    const GLenum waited = glClientWaitSync(read.fence, GL_SYNC_FLUSH_COMMANDS_BIT, kWaitNanoseconds);
    glDeleteSync(read.fence);
    q->spare.push_back(read.buffer);
    if (waited != GL_ALREADY_SIGNALED && waited != GL_CONDITION_SATISFIED) return D3DERR_INVALIDCALL;
    const size_t bytes = size_t(read.width) * read.height * 4;
    glBindBuffer(GL_PIXEL_PACK_BUFFER, read.buffer.name);
    const void* mapped = glMapBufferRange(GL_PIXEL_PACK_BUFFER, 0, GLsizeiptr(bytes), GL_MAP_READ_BIT);
    bool ok = mapped != nullptr;
    if (ok) {
        bgra->resize(bytes);
        std::memcpy(bgra->data(), mapped, bytes);
        ok = glUnmapBuffer(GL_PIXEL_PACK_BUFFER) == GL_TRUE;
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    if (!ok || glGetError() != GL_NO_ERROR) return D3DERR_INVALIDCALL;
    if (read.opaque)
        for (size_t i = 3; i < bytes; i += 4) (*bgra)[i] = 255;
    if (width) *width = read.width;
    if (height) *height = read.height;
    return D3D_OK;
}

UINT IDirect3DDevice9::PendingReadRenderTargets() const {
    return core->readback ? UINT(core->readback->pending.size()) : 0;
}
