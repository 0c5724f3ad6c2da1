// The GL side of queued read-backs: a target copied into a pixel buffer object and fenced, the
// bytes mapped out later. The pack buffer binding is always put back to 0, so the waiting read-back
// (GlReadTarget) keeps reading into client memory.
#include <cstring>

#include "platform/device/gl_state.h"

namespace {

constexpr GLuint64 kWaitNanoseconds = 10'000'000'000ull;  // a copy not done in 10 s is a lost device

}  // namespace

unsigned GlCreatePixelBuffer(GlBackend* gl, size_t bytes) {
    GlCache& c = gl->cache;
    GLuint buffer = 0;
    c.Call(glGenBuffers, 1, &buffer);
    c.Call(glBindBuffer, GL_PIXEL_PACK_BUFFER, buffer);
    c.Call(glBufferData, GL_PIXEL_PACK_BUFFER, GLsizeiptr(bytes), nullptr, GL_STREAM_READ);
    c.Call(glBindBuffer, GL_PIXEL_PACK_BUFFER, 0);
    if (c.Call(glGetError) != GL_NO_ERROR) {
        c.Call(glDeleteBuffers, 1, &buffer);
        return 0;
    }
    return buffer;
}

void GlDeletePixelBuffer(GlBackend* gl, unsigned buffer) {
    GLuint name = buffer;
    if (name) gl->cache.Call(glDeleteBuffers, 1, &name);
}

void* GlQueueReadTarget(GlBackend* gl, unsigned framebuffer, UINT width, UINT height, unsigned buffer) {
    GlCache& c = gl->cache;
    c.Call(glBindBuffer, GL_PIXEL_PACK_BUFFER, buffer);
    c.Call(glBindFramebuffer, GL_READ_FRAMEBUFFER, framebuffer);
    c.Call(glReadPixels, 0, 0, GLsizei(width), GLsizei(height), ReadPixelsFormat(), GL_UNSIGNED_BYTE, nullptr);
    c.Call(glBindBuffer, GL_PIXEL_PACK_BUFFER, 0);
    GLsync fence = c.Call(glFenceSync, GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    c.Call(glFlush);  // the copy starts now, not at the next Present
    if (c.Call(glGetError) != GL_NO_ERROR && fence) {
        c.Call(glDeleteSync, fence);
        fence = nullptr;
    }
    return fence;
}

bool GlTakeReadTarget(GlBackend* gl, void* fence, unsigned buffer, size_t bytes, uint8_t* bgra, size_t rowBytes,
                      size_t stride) {
    if (!rowBytes) rowBytes = stride = bytes;
    GlCache& c = gl->cache;
    GLsync sync = static_cast<GLsync>(fence);
    if (kGlEs) {
        c.Call(glFinish);  // a client wait may not block in WebGL
    } else {
        const GLenum waited = c.Call(glClientWaitSync, sync, GL_SYNC_FLUSH_COMMANDS_BIT, kWaitNanoseconds);
        if (waited != GL_ALREADY_SIGNALED && waited != GL_CONDITION_SATISFIED) {
            c.Call(glDeleteSync, sync);
            return false;
        }
    }
    c.Call(glDeleteSync, sync);
    c.Call(glBindBuffer, GL_PIXEL_PACK_BUFFER, buffer);
    bool ok = c.Call(GlCopyPackBuffer, bytes, bgra, rowBytes, stride);
    c.Call(glBindBuffer, GL_PIXEL_PACK_BUFFER, 0);
    if (ok && kGlEs)
        for (size_t row = 0; row < bytes / rowBytes; ++row) SwapRedBlue(bgra + row * stride, rowBytes / 4);
    return ok && c.Call(glGetError) == GL_NO_ERROR;
}

bool GlCopyPackBuffer(size_t bytes, uint8_t* out, size_t rowBytes, size_t stride) {
#if defined(VIRELLE_GLES)
    for (size_t at = 0; at < bytes; at += rowBytes, out += stride)
        glGetBufferSubData(GL_PIXEL_PACK_BUFFER, GLintptr(at), GLsizeiptr(rowBytes), out);
    return true;
#else
    const auto* mapped =
        static_cast<const uint8_t*>(glMapBufferRange(GL_PIXEL_PACK_BUFFER, 0, GLsizeiptr(bytes), GL_MAP_READ_BIT));
    if (!mapped) return false;
    if (rowBytes == stride)
        std::memcpy(out, mapped, bytes);
    else
        for (size_t at = 0; at < bytes; at += rowBytes, out += stride) std::memcpy(out, mapped + at, rowBytes);
    return glUnmapBuffer(GL_PIXEL_PACK_BUFFER) == GL_TRUE;
#endif
}

void GlDeleteFence(GlBackend* gl, void* fence) {
    if (fence) gl->cache.Call(glDeleteSync, static_cast<GLsync>(fence));
}
