// Decoded images: what the file decoders hand to the texture loader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/d3d9.h"

enum class ImageType { Bmp, Ppm, Dds, Jpeg, Png, Pfm, Hdr, Tga, Dib };
const char* ImageTypeName(ImageType type);  // "bmp", "ppm", ... as inspect prints it

// One picture, R, G, B, A per pixel, row 0 at the top. Exactly one of the two buffers is filled:
// 8-bit data, or floats (1.0 = full) for sources with more than 8 bits per channel.
struct ImageLevel {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgba8;
    std::vector<float> rgbaF;
    bool IsFloat() const { return !rgbaF.empty(); }
};

struct DecodedImage {
    ImageType type = ImageType::Bmp;
    // The file's pixel format in device terms: D3DFMT_X8R8G8B8, A8R8G8B8, L8 or A32B32G32R32F.
    D3DFORMAT format = D3DFMT_UNKNOWN;
    std::vector<ImageLevel> levels;  // [0] is the image; more only when the file carries mip levels
    bool placed = false;             // level 0 went to the decode target: levels[0] has its size only
};

// Lets a decoder write level 0 straight where it ends up, in the texture's own layout. Asked once
// the header is read, with the picture's size and its format in device terms; returns the first of
// `height` rows, *pitch bytes apart, in that format's layout (B, G, R, A bytes; L8 one byte), or
// null, and the decoder then fills the image as usual. The JPEG decoder and the PNG decoder (for
// 8-bit files) ask; the others always fill the image.
using DecodeTarget = std::function<uint8_t*(uint32_t width, uint32_t height, D3DFORMAT format, size_t* pitch)>;

// What a decoder may allocate, checked from the header before any pixel memory is taken. The
// image is clamped to the device's largest texture (decoders other than DDS average a larger one
// down to that size as they decode it, gfx/level_writer.h), so its size alone refuses nothing but
// a source of more than kMaxReducedPixels; what is refused is a texture over the memory left for
// file textures, and a decode that would need much more memory than the texture it makes (more
// than twice the texture, or kMinDecodeBytes when that is more, and never over maxBytes).
struct DecodeLimits {
    uint32_t maxWidth = 2048;  // the device's largest texture
    uint32_t maxHeight = 2048;
    uint64_t maxBytes = 256ull << 20;        // one pixel buffer
    uint64_t textureBytesLeft = UINT64_MAX;  // of the file textures' budget
};
constexpr uint64_t kMinDecodeBytes = 64ull << 20;

// Bytes of the texture an image of this size becomes (every level, 4 bytes a pixel, 16 for float
// images), clamped as the loader clamps it.
uint64_t TextureBytesFor(uint32_t width, uint32_t height, bool isFloat, const DecodeLimits& limits);

// Recognises the type from the content (BMP, PPM, DDS, JPEG, PNG, PFM, HDR, TGA, DIB, first match
// wins) and decodes it with the numeric locale set to "C". False with a one-line reason otherwise.
bool DecodeImage(const uint8_t* data, size_t size, const DecodeLimits& limits, DecodedImage* out, std::string* error,
                 const DecodeTarget& target = {});
// The type DecodeImage would pick, without decoding; false when no decoder accepts the data.
bool RecogniseImage(const uint8_t* data, size_t size, ImageType* type);
