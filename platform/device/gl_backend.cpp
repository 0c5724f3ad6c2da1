// The GL backend's life, resources, targets, clears, Present's copy and the read-back.
#include <algorithm>
#include <vector>

#include "platform/device/gl_state.h"
#include "platform/device/gl_tables.h"

// ---------------------------------------------------------------- life

GlBackend* GlCreate(GlInfo* info, std::string* error) {
    if (!GlVersionServes()) {
        *error = "OpenGL 3.3 is not available";
        return nullptr;
    }
    auto* gl = new GlBackend;
    GlCache& c = gl->cache;
    const GLubyte* renderer = c.Call(glGetString, GL_RENDERER);
    info->renderer = renderer ? reinterpret_cast<const char*>(renderer) : "";
    if (!gl->program.Build(c, gl->programKey, error)) {
        delete gl;
        return nullptr;
    }
    gl->variants.emplace_back(gl->programKey, gl->program);
    GLint maxTextureSize = 0;
    c.Call(glGetIntegerv, GL_MAX_TEXTURE_SIZE, &maxTextureSize);
    info->maxTextureSize = maxTextureSize;
    GLint maxRenderbuffer = 0, maxViewport[2] = {};
    c.Call(glGetIntegerv, GL_MAX_RENDERBUFFER_SIZE, &maxRenderbuffer);
    c.Call(glGetIntegerv, GL_MAX_VIEWPORT_DIMS, maxViewport);
    info->maxTargetSize = std::min({maxTextureSize, maxRenderbuffer, maxViewport[0], maxViewport[1]});
    c.Call(glGenVertexArrays, 1, &gl->vertexArray);
    c.Call(glGenSamplers, GLsizei(GlCache::kUnits), gl->samplers);
    c.Call(glGenSamplers, 1, &gl->magnifySampler);
    c.Call(glPixelStorei, GL_UNPACK_ALIGNMENT, 1);
    c.Call(glPixelStorei, GL_PACK_ALIGNMENT, 1);
    c.Call(glCullFace, GL_BACK);
    c.Call(GlDepthRangeUnit);
    c.Invalidate();
    return gl;
}

void GlDestroy(GlBackend* gl) {
    GlCache& c = gl->cache;
    for (auto& variant : gl->variants) variant.second.Destroy(c);
    c.Call(glDeleteVertexArrays, 1, &gl->vertexArray);
    c.Call(glDeleteSamplers, GLsizei(GlCache::kUnits), gl->samplers);
    c.Call(glDeleteSamplers, 1, &gl->magnifySampler);
    if (gl->depthFramebuffer) c.Call(glDeleteFramebuffers, 1, &gl->depthFramebuffer);
    GlDestroyPresent(gl);
    GlDestroyDownsample(gl);
    delete gl;
}

GlCounts GlGetCounts(const GlBackend* gl) {
    return gl->cache.counts;
}

// ---------------------------------------------------------------- resources

bool GlCreateTexture(GlBackend* gl, D3DFORMAT format, UINT width, UINT height, UINT levels, bool renderTarget,
                     unsigned* texture, unsigned* framebuffer) {
    GlFormat f;
    if (!LookUpFormat(format, &f)) return false;
    // A lockable texture takes the unsized format, with which the driver stores the texels in the
    // order they are uploaded (B, G, R, A); with GL_RGBA8 every upload swizzles each texel.
    const GLint internalFormat = GlTextureInternalFormat(GLint(f.internalFormat), f.format, renderTarget);
    GlCache& c = gl->cache;
    c.Call(glGenTextures, 1, texture);
    c.BindTexture(kUploadUnit, *texture);
    // The level count first: told nothing, the driver stores level 0 on its own, then moves it
    // into a whole chain when level 1 arrives and keeps both until the texture is first drawn
    // with (1.7 times the texture's memory at start-up).
    c.Call(glTexParameteri, GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, GLint(levels - 1));
    for (UINT i = 0; i < levels; ++i) {
        const UINT w = width >> i ? width >> i : 1, h = height >> i ? height >> i : 1;
        c.Call(glTexImage2D, GL_TEXTURE_2D, GLint(i), internalFormat, GLsizei(w), GLsizei(h), 0, f.format, f.type,
               nullptr);
    }
    if (!kGlEs) c.Call(GlTextureSwizzle, f.swizzle);
    if (renderTarget) {
        c.Call(glGenFramebuffers, 1, framebuffer);
        c.Call(glBindFramebuffer, GL_READ_FRAMEBUFFER, *framebuffer);
        c.Call(glFramebufferTexture2D, GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, *texture, 0);
        const GLenum status = c.Call(glCheckFramebufferStatus, GL_READ_FRAMEBUFFER);
        c.Call(glBindFramebuffer, GL_READ_FRAMEBUFFER, 0);
        if (status != GL_FRAMEBUFFER_COMPLETE) return false;
    }
    return c.Call(glGetError) == GL_NO_ERROR;
}

void GlUploadTextureLevel(GlBackend* gl, unsigned texture, D3DFORMAT format, UINT level, UINT width, UINT height,
                          const void* pixels) {
    GlFormat f;
    if (!LookUpFormat(format, &f)) return;
    std::vector<uint8_t> swapped;
    if (f.upload != GlUpload::AsIs && pixels) {
        const size_t count = size_t(width) * height;
        const auto* bytes = static_cast<const uint8_t*>(pixels);
        swapped.assign(bytes, bytes + 4 * count);
        SwapRedBlue(swapped.data(), count);
        if (f.upload == GlUpload::SwapRedBlueOpaque)
            for (size_t i = 0; i < count; ++i) swapped[4 * i + 3] = 255;
        pixels = swapped.data();
    }
    gl->cache.BindTexture(kUploadUnit, texture);
    gl->cache.Call(glTexSubImage2D, GL_TEXTURE_2D, GLint(level), 0, 0, GLsizei(width), GLsizei(height), f.format,
                   f.type, pixels);
}

bool GlReadTextureLevel(GlBackend* gl, unsigned texture, D3DFORMAT format, UINT level, void* pixels) {
    GlFormat f;
    if (!LookUpFormat(format, &f)) return false;
    gl->cache.BindTexture(kUploadUnit, texture);
    if (!GlGetTextureLevel(GLint(level), f.format, f.type, pixels)) return false;
    return gl->cache.Call(glGetError) == GL_NO_ERROR;
}

bool GlKeepsTextureCopies() {
    return kGlEs;
}

void GlDeleteTexture(GlBackend* gl, unsigned texture, unsigned framebuffer) {
    GlCache& c = gl->cache;
    if (framebuffer) {
        c.ForgetFramebuffer(framebuffer);
        c.Call(glDeleteFramebuffers, 1, &framebuffer);
    }
    if (texture) {
        c.ForgetTexture(texture);
        c.Call(glDeleteTextures, 1, &texture);
    }
}

namespace {

// Binds the buffer for an upload and returns the binding: the copy binding, which no draw uses,
// or in ES for an index buffer the element binding (WebGL keeps index buffers apart).
GLenum BindForUpload(GlBackend* gl, GLuint buffer) {
    if (kGlEs && std::find(gl->indexBuffers.begin(), gl->indexBuffers.end(), buffer) != gl->indexBuffers.end()) {
        gl->cache.BindElementBuffer(buffer);
        return GL_ELEMENT_ARRAY_BUFFER;
    }
    gl->cache.Call(glBindBuffer, GL_COPY_WRITE_BUFFER, buffer);
    return GL_COPY_WRITE_BUFFER;
}

}  // namespace

unsigned GlCreateBuffer(GlBackend* gl, const void* data, size_t length, bool dynamic, bool index) {
    GlCache& c = gl->cache;
    GLuint buffer = 0;
    c.Call(glGenBuffers, 1, &buffer);
    if (kGlEs && index) gl->indexBuffers.push_back(buffer);
    const GLenum target = BindForUpload(gl, buffer);
    c.Call(glBufferData, target, GLsizeiptr(length), data, dynamic ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    return buffer;
}

void GlUploadBuffer(GlBackend* gl, unsigned buffer, const uint8_t* memory, size_t length, bool discard, size_t offset,
                    size_t size) {
    GlCache& c = gl->cache;
    const GLenum target = BindForUpload(gl, buffer);
    if (discard)  // a fresh store, so a draw still reading the old one never waits
        c.Call(glBufferData, target, GLsizeiptr(length), memory, GL_DYNAMIC_DRAW);
    else if (size)
        c.Call(glBufferSubData, target, GLintptr(offset), GLsizeiptr(size), memory + offset);
}

void GlDeleteBuffer(GlBackend* gl, unsigned buffer) {
    std::erase(gl->indexBuffers, buffer);
    gl->cache.ForgetBuffer(buffer);
    gl->cache.Call(glDeleteBuffers, 1, &buffer);
}

bool GlCreateDepthBuffer(GlBackend* gl, UINT width, UINT height, unsigned* renderbuffer) {
    GlCache& c = gl->cache;
    c.Call(glGenRenderbuffers, 1, renderbuffer);
    c.Call(glBindRenderbuffer, GL_RENDERBUFFER, *renderbuffer);
    c.Call(glRenderbufferStorage, GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, GLsizei(width), GLsizei(height));
    return c.Call(glGetError) == GL_NO_ERROR;
}

void GlDeleteDepthBuffer(GlBackend* gl, unsigned renderbuffer) {
    gl->cache.Call(glDeleteRenderbuffers, 1, &renderbuffer);
    std::erase_if(gl->sizedDepths, [&](const GlSizedDepth& d) {
        if (d.depth != renderbuffer) return false;
        gl->cache.Call(glDeleteRenderbuffers, 1, &d.renderbuffer);
        return true;
    });
}

namespace {

// The depth buffer to attach to a target of width x height (ES: one of the target's own size).
GLuint DepthForTarget(GlBackend* gl, unsigned depth, UINT width, UINT height) {
    if (!kGlEs || !depth) return depth;
    for (const GlSizedDepth& d : gl->sizedDepths)
        if (d.depth == depth && d.width == width && d.height == height) return d.renderbuffer;
    GLuint sized = 0;
    if (!GlCreateDepthBuffer(gl, width, height, &sized)) return depth;
    gl->sizedDepths.push_back(GlSizedDepth{depth, width, height, sized});
    return sized;
}

}  // namespace

// ---------------------------------------------------------------- targets

void GlBindTarget(GlBackend* gl, unsigned framebuffer, bool attachDepth, unsigned depth, UINT width, UINT height) {
    GlCache& c = gl->cache;
    c.BindDrawFramebuffer(framebuffer);
    if (attachDepth) c.AttachDepth(DepthForTarget(gl, depth, width, height));
    c.Viewport(0, 0, GLsizei(width), GLsizei(height));
}

void GlClear(GlBackend* gl, const GlBox* boxes, size_t count, bool clearColor, D3DCOLOR color, bool clearDepth,
             float z) {
    GlCache& c = gl->cache;
    GLbitfield mask = 0;
    if (clearColor) {
        c.Call(glClearColor, float((color >> 16) & 255) / 255.0f, float((color >> 8) & 255) / 255.0f,
               float(color & 255) / 255.0f, float(color >> 24) / 255.0f);
        c.ColorMask(true);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if (clearDepth) {
        c.Call(GlClearDepthValue, std::clamp(z, 0.0f, 1.0f));
        c.Depth(false, true, GL_LEQUAL);  // depth writes on; the next draw sets the test
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    for (size_t i = 0; i < count; ++i) {  // rows are stored top first: D3D's y is GL's y
        c.Scissor(true, boxes[i].x, boxes[i].y, boxes[i].width, boxes[i].height);
        c.Call(glClear, mask);
    }
    c.Scissor(false, 0, 0, 0, 0);
}

void GlClearDepthBuffer(GlBackend* gl, unsigned renderbuffer, const GlBox& box, float z) {
    GlCache& c = gl->cache;
    if (!gl->depthFramebuffer) c.Call(glGenFramebuffers, 1, &gl->depthFramebuffer);
    c.BindDrawFramebuffer(gl->depthFramebuffer);
    c.AttachDepth(renderbuffer);
    const GLenum none = GL_NONE;
    c.Call(glDrawBuffers, 1, &none);
    GlClear(gl, &box, 1, false, 0, true, z);
    c.AttachDepth(0);
}

bool GlKeepsDepthClears() {
    return !kGlEs;
}

void GlFinish(GlBackend* gl) {
    gl->cache.Call(glFinish);
}

bool GlReadTarget(GlBackend* gl, unsigned framebuffer, UINT w, UINT h, uint8_t* bgra) {
    GlCache& c = gl->cache;
    c.Call(glBindFramebuffer, GL_READ_FRAMEBUFFER, framebuffer);
    c.Call(glReadPixels, 0, 0, GLsizei(w), GLsizei(h), ReadPixelsFormat(), GL_UNSIGNED_BYTE, bgra);
    if (kGlEs) SwapRedBlue(bgra, size_t(w) * h);
    return c.Call(glGetError) == GL_NO_ERROR;
}

GlInfo GlQueryInfo() {
    GlInfo info;
    const GLubyte* renderer = glGetString(GL_RENDERER);
    info.renderer = renderer ? reinterpret_cast<const char*>(renderer) : "";
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &info.maxTextureSize);
    return info;
}
