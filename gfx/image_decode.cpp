// Recognition by content, the numeric locale around decoding, and the size checks every decoder
// runs before it allocates.
#include <algorithm>
#include <bit>
#include <string>

#include "gfx/image_decoders.h"
#include "platform/numeric_locale.h"

namespace {

struct Decoder {
    ImageType type;
    AcceptsFn accepts;
    DecodeFn decode;
    DecodeIntoFn decodeInto = nullptr;  // for decoders that can write into a DecodeTarget
};

// The order decides between formats whose signatures overlap (TGA and DIB have none to speak of).
const Decoder decoders[] = {
    {ImageType::Bmp, BmpAccepts, BmpDecode},
    {ImageType::Ppm, PpmAccepts, PpmDecode},
    {ImageType::Dds, DdsAccepts, DdsDecode},
    {ImageType::Jpeg, JpegAccepts, JpegDecode, JpegDecodeInto},
    {ImageType::Png, PngAccepts, PngDecode, PngDecodeInto},
    {ImageType::Pfm, PfmAccepts, PfmDecode},
    {ImageType::Hdr, HdrAccepts, HdrDecode},
    {ImageType::Tga, TgaAccepts, TgaDecode},
    {ImageType::Dib, DibAccepts, DibDecode},
};

const Decoder* Find(const uint8_t* data, size_t size) {
    for (const Decoder& d : decoders)
        if (d.accepts(data, size)) return &d;
    return nullptr;
}

}  // namespace

const char* ImageTypeName(ImageType type) {
    switch (type) {
        case ImageType::Bmp:
            return "bmp";
        case ImageType::Ppm:
            return "ppm";
        case ImageType::Dds:
            return "dds";
        case ImageType::Jpeg:
            return "jpeg";
        case ImageType::Png:
            return "png";
        case ImageType::Pfm:
            return "pfm";
        case ImageType::Hdr:
            return "hdr";
        case ImageType::Tga:
            return "tga";
        case ImageType::Dib:
            return "dib";
    }
    return "?";
}

bool Fail(std::string* error, const char* reason) {
    if (error) *error = reason;
    return false;
}

uint64_t TextureBytesFor(uint32_t width, uint32_t height, bool isFloat, const DecodeLimits& limits) {
    const auto side = [](uint32_t v, uint32_t most) {
        const uint64_t pow2 = std::bit_ceil(uint64_t(std::max(v, 1u)));
        return std::min<uint64_t>(pow2, std::bit_floor(std::max(most, 1u)));
    };
    const uint64_t level0 = side(width, limits.maxWidth) * side(height, limits.maxHeight) * (isFloat ? 16 : 4);
    return level0 + level0 / 3;  // the mip levels below add a third
}

uint64_t DecodeBytesAllowed(uint64_t textureBytes, const DecodeLimits& limits) {
    return std::min(limits.maxBytes, std::max(2 * textureBytes, kMinDecodeBytes));
}

std::string Megabytes(uint64_t bytes) {
    if (bytes < (1u << 20)) return std::to_string((bytes + 1023) >> 10) + " KB";  // rounded up
    return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MB";
}

bool CheckDecodeBytes(uint32_t width, uint32_t height, bool isFloat, uint64_t decodeBytes, const DecodeLimits& limits,
                      std::string* error) {
    if (width == 0 || height == 0) return Fail(error, "image has no pixels");
    const uint64_t texture = TextureBytesFor(width, height, isFloat, limits);
    if (texture > limits.textureBytesLeft)
        return Fail(error, ("its texture of " + Megabytes(texture) + " would pass the memory left for file textures (" +
                            Megabytes(limits.textureBytesLeft) + ")")
                               .c_str());
    const uint64_t allowed = DecodeBytesAllowed(texture, limits);
    if (decodeBytes > allowed)
        return Fail(error, ("image needs " + Megabytes(decodeBytes) + " to decode, more than the " +
                            Megabytes(allowed) + " allowed for its texture")
                               .c_str());
    return true;
}

bool CheckImageSize(uint32_t width, uint32_t height, uint64_t bytesPerPixel, const DecodeLimits& limits,
                    std::string* error) {
    return CheckDecodeBytes(width, height, bytesPerPixel >= 16, uint64_t(width) * height * bytesPerPixel, limits,
                            error);
}

bool AllocateLevel(ImageLevel* level, uint32_t width, uint32_t height, bool isFloat, const DecodeLimits& limits,
                   std::string* error) {
    if (!CheckImageSize(width, height, isFloat ? 16 : 4, limits, error)) return false;
    level->width = width;
    level->height = height;
    const size_t n = size_t(width) * height * 4;
    if (isFloat) {
        level->rgba8.clear();
        level->rgbaF.assign(n, 0.0f);
    } else {
        level->rgbaF.clear();
        level->rgba8.assign(n, 0);
    }
    return true;
}

D3DFORMAT PaletteFormat(const uint8_t* rgba, size_t count) {
    bool greyRamp = count == 256;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* e = rgba + i * 4;
        if (e[3] < 255) return D3DFMT_A8R8G8B8;
        if (e[0] != i || e[1] != i || e[2] != i) greyRamp = false;
    }
    return greyRamp ? D3DFMT_L8 : D3DFMT_X8R8G8B8;
}

bool RecogniseImage(const uint8_t* data, size_t size, ImageType* type) {
    const Decoder* d = Find(data, size);
    if (!d) return false;
    *type = d->type;
    return true;
}

bool DecodeImage(const uint8_t* data, size_t size, const DecodeLimits& limits, DecodedImage* out, std::string* error,
                 const DecodeTarget& target) {
    const Decoder* d = Find(data, size);
    if (!d) return Fail(error, "not an image of a known type");
    NumericLocaleC locale;
    DecodedImage image;
    image.type = d->type;
    const bool decoded = target && d->decodeInto ? d->decodeInto(data, size, limits, target, &image, error)
                                                 : d->decode(data, size, limits, &image, error);
    if (!decoded) return false;
    *out = std::move(image);
    return true;
}
