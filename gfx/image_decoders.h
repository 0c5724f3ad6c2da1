// The per-format decoders behind DecodeImage, and the helpers they share.
#pragma once

#include "gfx/image.h"

using AcceptsFn = bool (*)(const uint8_t* data, size_t size);
using DecodeFn = bool (*)(const uint8_t* data, size_t size, const DecodeLimits& limits, DecodedImage* out,
                          std::string* error);
// A decoder that can write level 0 into a DecodeTarget (an empty target: the image as usual).
using DecodeIntoFn = bool (*)(const uint8_t* data, size_t size, const DecodeLimits& limits, const DecodeTarget& target,
                              DecodedImage* out, std::string* error);

bool BmpAccepts(const uint8_t* data, size_t size);
bool BmpDecode(const uint8_t* data, size_t size, const DecodeLimits& limits, DecodedImage* out, std::string* error);
bool DibAccepts(const uint8_t* data, size_t size);
bool DibDecode(const uint8_t* data, size_t size, const DecodeLimits& limits, DecodedImage* out, std::string* error);
bool PpmAccepts(const uint8_t* data, size_t size);
bool PpmDecode(const uint8_t* data, size_t size, const DecodeLimits& limits, DecodedImage* out, std::string* error);
bool PfmAccepts(const uint8_t* data, size_t size);
bool PfmDecode(const uint8_t* data, size_t size, const DecodeLimits& limits, DecodedImage* out, std::string* error);
bool DdsAccepts(const uint8_t* data, size_t size);
bool DdsDecode(const uint8_t* data, size_t size, const DecodeLimits& limits, DecodedImage* out, std::string* error);
bool JpegAccepts(const uint8_t* data, size_t size);
bool JpegDecode(const uint8_t* data, size_t size, const DecodeLimits& limits, DecodedImage* out, std::string* error);
bool JpegDecodeInto(const uint8_t* data, size_t size, const DecodeLimits& limits, const DecodeTarget& target,
                    DecodedImage* out, std::string* error);
bool PngAccepts(const uint8_t* data, size_t size);
bool PngDecode(const uint8_t* data, size_t size, const DecodeLimits& limits, DecodedImage* out, std::string* error);
bool PngDecodeInto(const uint8_t* data, size_t size, const DecodeLimits& limits, const DecodeTarget& target,
                   DecodedImage* out, std::string* error);
bool HdrAccepts(const uint8_t* data, size_t size);
bool HdrDecode(const uint8_t* data, size_t size, const DecodeLimits& limits, DecodedImage* out, std::string* error);
bool TgaAccepts(const uint8_t* data, size_t size);
bool TgaDecode(const uint8_t* data, size_t size, const DecodeLimits& limits, DecodedImage* out, std::string* error);

// Checks the size against the limits, then allocates the level (zeroed). False with a reason when
// the dimensions are 0, beyond the device's largest texture or the buffer would pass maxBytes.
bool AllocateLevel(ImageLevel* level, uint32_t width, uint32_t height, bool isFloat, const DecodeLimits& limits,
                   std::string* error);
// Just the check, for decoders that must size other buffers first. bytesPerPixel is all the
// decoder holds per pixel (16 and more: a float image).
bool CheckImageSize(uint32_t width, uint32_t height, uint64_t bytesPerPixel, const DecodeLimits& limits,
                    std::string* error);

// The same for a decode that takes decodeBytes in all.
bool CheckDecodeBytes(uint32_t width, uint32_t height, bool isFloat, uint64_t decodeBytes, const DecodeLimits& limits,
                      std::string* error);

// The memory a decode may take for a texture of textureBytes.
uint64_t DecodeBytesAllowed(uint64_t textureBytes, const DecodeLimits& limits);

// A palette's texture format: A8R8G8B8 when an entry has alpha below 255, L8 when it is exactly the
// 256-step grey ramp, X8R8G8B8 otherwise. rgba holds count entries of R, G, B, A.
D3DFORMAT PaletteFormat(const uint8_t* rgba, size_t count);

// Expands a value of `bits` bits (1..8) to 8 bits, rounding.
inline uint8_t ScaleTo8(uint32_t value, uint32_t maxValue) {
    return static_cast<uint8_t>((value * 255u + maxValue / 2) / maxValue);
}

bool Fail(std::string* error, const char* reason);  // sets *error, returns false
