// The draw size's factor, the boxes it maps, and the back buffer's picture as Present and
// read-back take it: box-filtered when supersampled, placed between its bars.
#include "platform/device/device_scale.h"

#include <algorithm>
#include <cstring>

#include "platform/d3dwindow.h"
#include "platform/device/device_core.h"

bool MakeDeviceScale(const DeviceDrawSize& size, UINT backWidth, UINT backHeight, int maxTargetSize, DeviceScale* scale,
                     std::string* error) {
    DeviceScale s;
    s.backWidth = backWidth, s.backHeight = backHeight;
    s.supersample = std::clamp<UINT>(size.supersample, 1, kMaxSupersample);
    s.frameWidth = size.frameWidth ? size.frameWidth : backWidth;
    s.frameHeight = size.frameHeight ? size.frameHeight : backHeight;
    if (s.frameWidth == backWidth && s.frameHeight == backHeight) {
        s.pictureWidth = backWidth, s.pictureHeight = backHeight;  // the back buffer's own shape, whatever it is
    } else {
        const DrawPictureRect r = PictureRectInFrame(int(s.frameWidth), int(s.frameHeight));
        s.pictureX = r.x, s.pictureY = r.y;
        s.pictureWidth = UINT(std::max(r.width, 1)), s.pictureHeight = UINT(std::max(r.height, 1));
    }
    s.storedBackWidth = s.pictureWidth * s.supersample;
    s.storedBackHeight = s.pictureHeight * s.supersample;
    if (s.storedBackWidth > UINT(maxTargetSize) || s.storedBackHeight > UINT(maxTargetSize)) {
        *error = "drawing at " + std::to_string(s.storedBackWidth) + "x" + std::to_string(s.storedBackHeight) +
                 " is beyond the renderer's largest target side (" + std::to_string(maxTargetSize) + ")";
        return false;
    }
    *scale = s;
    return true;
}

UINT DeviceScale::StoredWidth(UINT width) const {
    return UINT(std::max(1, StoredCoordinate(int(width), backWidth, storedBackWidth)));
}

UINT DeviceScale::StoredHeight(UINT height) const {
    return UINT(std::max(1, StoredCoordinate(int(height), backHeight, storedBackHeight)));
}

void DeviceScale::FillBars(std::vector<uint8_t>* frame) const {
    frame->resize(size_t(frameWidth) * frameHeight * 4);  // a buffer of this size again: nothing cleared
    const uint32_t black = 0xFF000000u;                   // B, G, R 0 and A 255, as the back buffer reads
    auto bar = [&](size_t pixel, size_t count) {
        for (size_t i = 0; i < count; ++i) std::memcpy(frame->data() + (pixel + i) * 4, &black, 4);
    };
    for (UINT y = 0; y < frameHeight; ++y) {
        const size_t first = size_t(y) * frameWidth;
        if (y < UINT(pictureY) || y >= UINT(pictureY) + pictureHeight) {
            bar(first, frameWidth);
        } else {
            bar(first, size_t(pictureX));
            bar(first + size_t(pictureX) + pictureWidth, frameWidth - pictureWidth - size_t(pictureX));
        }
    }
}

void DeviceScale::PlaceInFrame(const uint8_t* picture, std::vector<uint8_t>* frame) const {
    FillBars(frame);
    const size_t row = size_t(pictureWidth) * 4;
    for (UINT y = 0; y < pictureHeight; ++y)
        std::memcpy(frame->data() + PictureOffset() + y * FrameStride(), picture + y * row, row);
}

GlBox DeviceCore::StoredBox(const IDirect3DSurface9* surface, int x1, int y1, int x2, int y2) const {
    const UINT w = surface->desc.Width, h = surface->desc.Height;
    const UINT sw = surface->storedWidth, sh = surface->storedHeight;
    const int left = StoredCoordinate(x1, w, sw), top = StoredCoordinate(y1, h, sh);
    return {left, top, StoredCoordinate(x2, w, sw) - left, StoredCoordinate(y2, h, sh) - top};
}

void DeviceCore::PictureSource(unsigned* framebuffer, unsigned* texture) {
    *framebuffer = backBufferTexture->framebuffer;
    *texture = backBufferTexture->glTexture;
    if (scale.supersample == 1) return;
    if (backBufferDrawn) {
        GlDownsample(gl, backBufferTexture->glTexture, scale.supersample, resolvedFramebuffer, scale.pictureWidth,
                     scale.pictureHeight);
        backBufferDrawn = false;
        dirty |= kDirtyTarget;  // the target's framebuffer is bound again before the next draw
    }
    *framebuffer = resolvedFramebuffer;
    *texture = resolvedTexture;
}
