// Drawing at another size than the show asks for, decided once when the device is made.
//
// The show keeps asking for a 640x480 back buffer, 512x512 render targets and a 640x512 depth
// buffer, and keeps reading those sizes back (element quads follow texture sizes). The device
// stores each of them scaled by one factor per axis, the stored picture's size over the back
// buffer's, and maps every box it gives GL (viewport, scissor, clears, depth clears) from the sizes
// asked to the sizes stored. Everything else stays in the sizes asked: the pixel-centre shift is
// half a pixel of those (so a picture drawn larger is the same picture, sampled more finely, and a
// box-filtered one lands where the small one does), and pretransformed positions are scaled by the
// viewport like any other. The show draws no lines or points, so no other size needs following.
//
// The back buffer holds the 4:3 picture only, supersample times larger; Present and read-back
// box-filter it down first. A read-back of the back buffer gives the whole frame with its black
// bars; of any other target, its stored pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/device/device_window.h"

struct DeviceScale {
    UINT backWidth = 0, backHeight = 0;    // the back buffer as asked
    UINT frameWidth = 0, frameHeight = 0;  // a read-back of the back buffer, bars included
    int pictureX = 0, pictureY = 0;        // the picture's place in the frame
    UINT pictureWidth = 0, pictureHeight = 0;
    UINT supersample = 1;
    UINT storedBackWidth = 0, storedBackHeight = 0;  // the picture times supersample

    // Every size stored as asked: the device draws exactly as it does without a draw size.
    bool Identity() const {
        return storedBackWidth == backWidth && storedBackHeight == backHeight && frameWidth == backWidth &&
               frameHeight == backHeight;
    }
    bool HasBars() const { return frameWidth != pictureWidth || frameHeight != pictureHeight; }
    // A side the show asked for, as stored: scaled, rounded to the nearest pixel, at least 1.
    UINT StoredWidth(UINT width) const;
    UINT StoredHeight(UINT height) const;
    // `picture` (pictureWidth x pictureHeight, B, G, R, A rows) in its place in a frame of black.
    void PlaceInFrame(const uint8_t* picture, std::vector<uint8_t>* frame) const;
    // The frame's bars alone, the picture's place left as it was (a read-back fills it).
    void FillBars(std::vector<uint8_t>* frame) const;
    size_t FrameStride() const { return size_t(frameWidth) * 4; }
    size_t PictureOffset() const { return size_t(pictureY) * FrameStride() + size_t(pictureX) * 4; }
};

// The scale for a back buffer of backWidth x backHeight drawn at `size`; false with a reason when
// it needs a target side above maxTargetSize.
bool MakeDeviceScale(const DeviceDrawSize& size, UINT backWidth, UINT backHeight, int maxTargetSize, DeviceScale* scale,
                     std::string* error);

// A coordinate of a side asked for (0..asked) on the stored side, rounded; exact at both ends.
inline int StoredCoordinate(int value, UINT asked, UINT stored) {
    return int((int64_t(value) * stored + asked / 2) / asked);
}
