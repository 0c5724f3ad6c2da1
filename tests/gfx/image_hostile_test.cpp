// Damaged and hostile files: every decoder fails cleanly, reads nothing past the data (the
// sanitizer build checks that) and refuses oversized pictures before allocating.
#include <gtest/gtest.h>

#include <random>

#include "gfx/image.h"
#include "tests/gfx/test_images.h"

namespace {

constexpr uint32_t DDPF_FOURCC = 0x4, DDPF_RGB = 0x40, DDPF_ALPHAPIXELS = 0x1;

struct Sample {
    const char* name;
    Bytes file;
    bool textNumbers;  // ASCII samples: a cut number is still a number
};

std::vector<Sample> Samples() {
    const uint32_t w = 9, h = 7;
    const Bytes px = PatternRgba(w, h);
    Bytes rgbe;
    for (uint32_t i = 0; i < w * h; ++i) rgbe.insert(rgbe.end(), {uint8_t(100 + i % 3), 50, 20, 130});
    Bytes dds = DdsHeader(w, h, 4, DDPF_RGB | DDPF_ALPHAPIXELS, 0, 32, 0xff0000, 0xff00, 0xff, 0xff000000);
    dds.resize(dds.size() + (9 * 7 + 4 * 3 + 2 * 1 + 1) * 4, 0x55);
    Bytes dxt = DdsHeader(8, 8, 1, DDPF_FOURCC, 0x35545844, 0, 0, 0, 0, 0);
    dxt.resize(dxt.size() + 4 * 16, 0x3c);
    Bytes idx(size_t(w) * h, 3);
    const Bytes rle8 =
        MakeBmpRle8(4, 3, {4, 5, 0, 0, 0, 3, 1, 2, 3, 0, 1, 9, 0, 0, 0, 2, 2, 0, 2, 7, 0, 1}, GreyRamp());
    return {
        {"bmp", MakeBmp(w, h, px, 24, false), false},
        {"bmp32", MakeBmp(w, h, px, 32, true), false},
        {"dib", MakeBmp(w, h, px, 24, false, false), false},
        {"bmp palette", MakeBmpPalette(w, h, idx, GreyRamp()), false},
        {"bmp rle8", rle8, false},
        {"ppm", MakePpm(w, h, px, '6'), false},
        {"ppm ascii", MakePpm(w, h, px, '3'), true},
        {"pfm", MakePfm(2, 2, std::vector<float>(12, 0.5f), true), false},
        {"hdr flat", MakeHdr(w, h, rgbe, false), false},
        {"hdr rle", MakeHdr(w, h, rgbe, true), false},
        {"tga", MakeTga(w, h, px, 24, false, false), false},
        {"tga rle", MakeTga(w, h, px, 32, true, true), false},
        {"tga mapped", MakeTgaMapped(w, h, idx, GreyRamp(), false), false},
        {"dds", dds, false},
        {"dds dxt5", dxt, false},
        {"png", MakePng(w, h, px, 6, 8), false},
        {"jpeg", MakeJpeg(w, h, px, false, false), false},
        {"jpeg progressive", MakeJpeg(w, h, px, false, true), false},
    };
}

bool Decodes(const Bytes& file, std::string* error = nullptr) {
    DecodedImage image;
    std::string e;
    const bool ok = DecodeImage(file.data(), file.size(), DecodeLimits{}, &image, error ? error : &e);
    if (ok) {  // a successful decode is a whole picture
        EXPECT_FALSE(image.levels.empty());
        const ImageLevel& l = image.levels[0];
        EXPECT_EQ(l.IsFloat() ? l.rgbaF.size() : l.rgba8.size(), size_t(l.width) * l.height * 4);
    }
    return ok;
}

}  // namespace

// Every prefix of a good file is refused: copied into a buffer of exactly that size, so the
// sanitizer sees any read past its end.
TEST(ImageHostile, TruncatedFilesFail) {
    for (const Sample& s : Samples()) {
        SCOPED_TRACE(s.name);
        ASSERT_TRUE(Decodes(s.file));
        for (size_t n = 0; n < s.file.size(); ++n) {
            const Bytes cut(s.file.begin(), s.file.begin() + n);
            const bool ok = Decodes(cut);
            if (!s.textNumbers) {
                EXPECT_FALSE(ok) << "cut at " << n;
            }
        }
    }
}

// Random byte damage never crashes or hangs; the result may be a failure or some picture.
TEST(ImageHostile, FlippedBytesNeverCrash) {
    std::mt19937 random(1234);
    for (const Sample& s : Samples()) {
        SCOPED_TRACE(s.name);
        for (int round = 0; round < 300; ++round) {
            Bytes damaged = s.file;
            const int flips = 1 + round % 4;
            for (int i = 0; i < flips; ++i) {
                // Headers are where damage matters most: favour the first 64 bytes.
                const size_t at =
                    (round & 1) ? random() % std::min<size_t>(64, damaged.size()) : random() % damaged.size();
                damaged[at] ^= uint8_t(1 + random() % 255);
            }
            Decodes(damaged);
        }
    }
}

// Headers that claim more than the device or memory allows are refused from the header alone.
TEST(ImageHostile, OversizedPicturesAreRefusedBeforeAllocation) {
    Bytes bmp = MakeBmp(2, 2, PatternRgba(2, 2), 24, false);
    bmp[18] = 0xa0, bmp[19] = 0x86, bmp[20] = 0x01;                                      // width 100000
    Bytes dds = DdsHeader(16384, 16384, 1, DDPF_RGB, 0, 32, 0xff0000, 0xff00, 0xff, 0);  // 1 GiB of pixels
    Bytes png = MakePng(2, 2, PatternRgba(2, 2), 2, 8);
    SetPngSize(png, 20000, 20000);
    const std::string text = "#?RADIANCE\n\n-Y 30000 +X 30000\n";
    Bytes hdr(text.begin(), text.end());
    hdr.resize(hdr.size() + 64, 1);
    for (const Bytes* file : {&bmp, &dds, &png, &hdr}) {
        std::string error;
        EXPECT_FALSE(Decodes(*file, &error));
        EXPECT_FALSE(error.empty());
    }

    // The same good file under small limits: the checks are on memory, not on the file's bytes.
    const Bytes ok = MakePng(64, 64, PatternRgba(64, 64), 6, 8);
    DecodedImage image;
    std::string error;
    DecodeLimits tight;
    tight.maxBytes = 64 * 64 * 4 - 1;
    EXPECT_FALSE(DecodeImage(ok.data(), ok.size(), tight, &image, &error));
    EXPECT_EQ(error, "image needs 16 KB to decode, more than the 16 KB allowed for its texture");
    tight = DecodeLimits{};
    tight.textureBytesLeft = 64 * 64 * 4;  // the mip levels do not fit
    EXPECT_FALSE(DecodeImage(ok.data(), ok.size(), tight, &image, &error));
    EXPECT_EQ(error, "its texture of 22 KB would pass the memory left for file textures (16 KB)");
    // Larger than the largest texture is no refusal: the loader clamps it.
    tight = DecodeLimits{};
    tight.maxWidth = 63;
    EXPECT_TRUE(DecodeImage(ok.data(), ok.size(), tight, &image, &error)) << error;
}

// Unknown data, and run-length streams that go nowhere, end in a failure.
TEST(ImageHostile, UnknownAndEndlessData) {
    EXPECT_FALSE(Decodes(Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}));
    EXPECT_FALSE(Decodes(Bytes{}));
    // New-style HDR scanline whose counts are all zero: the reader must not loop on them.
    Bytes hdr = MakeHdr(8, 1, Bytes(32, 0), false);
    hdr.resize(hdr.size() - 32);
    hdr.insert(hdr.end(), {2, 2, 0, 8});
    hdr.resize(hdr.size() + 64, 0);
    EXPECT_FALSE(Decodes(hdr));
}
