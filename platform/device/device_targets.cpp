// Render targets, the shared depth buffer, Clear, Present (which also ends the frame's counters)
// and the read-back.
#include <algorithm>
#include <vector>

#include "platform/device/device_core.h"

// ---------------------------------------------------------------- targets

void DeviceCore::ApplyTarget() {
    IDirect3DTexture9* texture = state.renderTarget->texture;
    // The one depth buffer follows whichever target is bound; GL keeps attachments per framebuffer,
    // so each target remembers what it has attached.
    const unsigned depth = state.depthStencil ? state.depthStencil->renderbuffer : 0;
    const uint64_t serial = state.depthStencil ? state.depthStencil->serial : 0;
    const bool attach = texture->attachedDepth != serial;
    texture->attachedDepth = serial;
    GlBindTarget(gl, texture->framebuffer, attach, depth, state.renderTarget->storedWidth,
                 state.renderTarget->storedHeight);
    if (state.renderTarget == backBuffer) backBufferDrawn = true;  // what follows may draw there
}

HRESULT IDirect3DDevice9::GetRenderTarget(DWORD index, IDirect3DSurface9** surface) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (index != 0) return D3DERR_NOTAVAILABLE;
    core->state.renderTarget->AddRef();
    *surface = core->state.renderTarget;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetRenderTarget(DWORD index, IDirect3DSurface9* surface) {
    if (index != 0 || !surface || !surface->texture || !(surface->desc.Usage & D3DUSAGE_RENDERTARGET) ||
        surface->level != 0)
        return D3DERR_INVALIDCALL;
    if (core->state.renderTarget != surface) ++core->stateChanges;
    DeviceCore::Rebind(core->state.renderTarget, surface);
    core->dirty |= kDirtyTarget;  // the viewport and the scissor rectangle become the whole surface
    core->state.scissor = {0, 0, int32_t(surface->desc.Width), int32_t(surface->desc.Height)};
    return D3D_OK;
}

bool DeviceCore::ClipToScissor(int* x1, int* y1, int* x2, int* y2) const {
    const D3DSURFACE_DESC& d = state.renderTarget->desc;
    int left = 0, top = 0, right = int(d.Width), bottom = int(d.Height);
    if (state.renderStates[D3DRS_SCISSORTESTENABLE]) {
        left = std::max(left, int(state.scissor.left)), top = std::max(top, int(state.scissor.top));
        right = std::min(right, int(state.scissor.right)), bottom = std::min(bottom, int(state.scissor.bottom));
    }
    *x1 = std::clamp(*x1, left, std::max(left, right)), *x2 = std::clamp(*x2, left, std::max(left, right));
    *y1 = std::clamp(*y1, top, std::max(top, bottom)), *y2 = std::clamp(*y2, top, std::max(top, bottom));
    return *x2 > *x1 && *y2 > *y1;
}

HRESULT IDirect3DDevice9::SetScissorRect(const RECT* rect) {
    if (!rect) return D3DERR_INVALIDCALL;
    RECT& scissor = core->state.scissor;
    if (scissor.left == rect->left && scissor.top == rect->top && scissor.right == rect->right &&
        scissor.bottom == rect->bottom)
        return D3D_OK;
    scissor = *rect;
    ++core->stateChanges;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::GetDepthStencilSurface(IDirect3DSurface9** surface) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = core->state.depthStencil;
    if (!*surface) return D3DERR_NOTFOUND;
    (*surface)->AddRef();
    return D3D_OK;
}

HRESULT IDirect3DDevice9::SetDepthStencilSurface(IDirect3DSurface9* surface) {
    if (surface && !surface->renderbuffer) return D3DERR_INVALIDCALL;
    if (core->state.depthStencil != surface) {
        ++core->stateChanges;
        core->FlushDepthClears();  // they belong to the buffer unbound now
    }
    DeviceCore::Rebind(core->state.depthStencil, surface);
    core->dirty |= kDirtyTarget;
    return D3D_OK;
}

// ---------------------------------------------------------------- clear, scenes, present

HRESULT IDirect3DDevice9::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD) {
    if ((flags & D3DCLEAR_ZBUFFER) && !core->state.depthStencil) return D3DERR_INVALIDCALL;
    if ((flags & D3DCLEAR_STENCIL)) return D3DERR_INVALIDCALL;  // D24X8 has no stencil
    if (count && !rects) return D3DERR_INVALIDCALL;
    core->ApplyTarget();
    const bool clearColor = flags & D3DCLEAR_TARGET, clearDepth = flags & D3DCLEAR_ZBUFFER;
    if (!clearColor && !clearDepth) return D3D_OK;
    // Only the viewport (the whole target) is cleared, never the rest of the larger depth buffer;
    // with the scissor test on, only inside the scissor rectangle.
    const D3DSURFACE_DESC& d = core->state.renderTarget->desc;
    std::vector<GlBox> boxes;
    for (DWORD i = 0; i < std::max<DWORD>(count, 1); ++i) {
        int x1 = 0, y1 = 0, x2 = int(d.Width), y2 = int(d.Height);
        if (count) x1 = rects[i].x1, y1 = rects[i].y1, x2 = rects[i].x2, y2 = rects[i].y2;
        if (core->ClipToScissor(&x1, &y1, &x2, &y2))
            boxes.push_back(core->StoredBox(core->state.renderTarget, x1, y1, x2, y2));
    }
    if (clearDepth && GlKeepsDepthClears()) {
        for (const GlBox& box : boxes) core->KeepDepthClear(box, z);
        if (clearColor) GlClear(core->gl, boxes.data(), boxes.size(), true, color, false, z);
        return D3D_OK;
    }
    GlClear(core->gl, boxes.data(), boxes.size(), clearColor, color, clearDepth, z);
    return D3D_OK;
}

HRESULT IDirect3DDevice9::BeginScene() {
    if (core->inScene) return D3DERR_INVALIDCALL;
    core->inScene = true;
    return D3D_OK;
}

HRESULT IDirect3DDevice9::EndScene() {
    if (!core->inScene) return D3DERR_INVALIDCALL;
    core->inScene = false;
    // A software renderer holds every command it has been given until a flush, and a flushed
    // scene until its threads have drawn it. A frame's few scenes go to it together at Present (a
    // flush at each scene end costs the show's 3D windows about 6% of their drawing). Past the
    // most scenes a frame draws, a run of scenes without a Present (the show's rehearsal at
    // start-up) waits for each scene to be drawn: flushed only, scenes queued up faster than the
    // threads drew them and held 10-30 MB.
    constexpr int kScenesPerFrame = 8;
    if (++core->scenesSincePresent >= kScenesPerFrame) GlFinish(core->gl);
    return D3D_OK;
}

HRESULT IDirect3DDevice9::Present(const RECT*, const RECT*, void*, const void*) {
    if (core->lost) return D3DERR_DEVICELOST;
    int windowW = 0, windowH = 0;
    core->window.drawableSize(core->window.window, &windowW, &windowH);
    // The picture: the back buffer itself, or box-filtered out of it when supersampled.
    unsigned framebuffer = 0, texture = 0;
    core->PictureSource(&framebuffer, &texture);
    const int w = int(core->scale.pictureWidth), h = int(core->scale.pictureHeight);
    // Letterbox: the largest rectangle of the picture's aspect that fits, centred.
    int outW = windowW, outH = windowH;
    if (int64_t(windowW) * h > int64_t(windowH) * w)
        outW = int(int64_t(windowH) * w / h);
    else
        outH = int(int64_t(windowW) * h / w);
    const int x0 = (windowW - outW) / 2, y0 = (windowH - outH) / 2;
    // Black bars where the picture leaves room; otherwise it covers every pixel.
    GlPresent(core->gl, framebuffer, texture, w, h, {x0, y0, outW, outH}, outW != windowW || outH != windowH);
    core->window.swap(core->window.window);
    if (core->finishOnPresent) GlFinish(core->gl);
    core->dirty |= kDirtyTarget;
    core->scenesSincePresent = 0;
    core->lastFrame = GetFrameStats();
    core->frameStart = core->Totals();
    return D3D_OK;
}

HRESULT IDirect3DDevice9::ReadRenderTarget(std::vector<uint8_t>* bgra, UINT* width, UINT* height) {
    if (!bgra) return D3DERR_INVALIDCALL;
    IDirect3DSurface9* target = core->state.renderTarget;
    // A target's stored pixels; the back buffer's picture, filtered and placed in its frame.
    const bool picture = target == core->backBuffer && !core->scale.Identity();
    unsigned framebuffer = target->texture->framebuffer, texture = 0;
    if (picture) core->PictureSource(&framebuffer, &texture);
    const UINT w = picture ? core->scale.pictureWidth : target->storedWidth;
    const UINT h = picture ? core->scale.pictureHeight : target->storedHeight;
    bgra->assign(size_t(w) * h * 4, 0);
    const bool read = GlReadTarget(core->gl, framebuffer, w, h, bgra->data());
    if (target->desc.Format == D3DFMT_X8R8G8B8)  // the X byte reads as opaque, as LockRect shows it
        for (size_t i = 3; i < bgra->size(); i += 4) (*bgra)[i] = 255;
    UINT outW = w, outH = h;
    if (picture && core->scale.HasBars()) {
        std::vector<uint8_t> frame;
        core->scale.PlaceInFrame(bgra->data(), &frame);
        bgra->swap(frame);
        outW = core->scale.frameWidth, outH = core->scale.frameHeight;
    }
    if (width) *width = outW;
    if (height) *height = outH;
    return read ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT IDirect3DDevice9::ReadPresented(std::vector<uint8_t>* bgra, UINT* width, UINT* height) {
    if (!bgra) return D3DERR_INVALIDCALL;
    int w = 0, h = 0;
    core->window.drawableSize(core->window.window, &w, &h);
    std::vector<uint8_t> rows(size_t(w) * size_t(h) * 4, 0);
    const bool read = GlReadTarget(core->gl, 0, UINT(w), UINT(h), rows.data());  // the window's framebuffer
    bgra->resize(rows.size());
    for (int y = 0; y < h; ++y)  // GL's bottom row first to the window's top row first
        std::copy_n(rows.data() + size_t(h - 1 - y) * size_t(w) * 4, size_t(w) * 4,
                    bgra->data() + size_t(y) * size_t(w) * 4);
    if (width) *width = UINT(w);
    if (height) *height = UINT(h);
    return read ? D3D_OK : D3DERR_INVALIDCALL;
}
