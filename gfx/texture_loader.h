// The texture loader: an image file into a managed texture with its full mip chain, with the
// effect of D3DXCreateTextureFromFileA at its defaults on this device.
//
// Steps: read the file; decode by content; round each side up to a power of two; adapt size and
// format to the device; fill level 0 by scaling the whole image (triangle filter, dither); fill
// the rest with a 2x2 box filter from the last level the file carries.
//
// Where the picture is already the texture's size and format (a power-of-two 8-bit JPEG or PNG),
// the texture is made once the header is read and the decoder writes straight into its locked
// level 0; each smaller level is then made from the one above in its own locked memory, and each
// level is uploaded once and its memory freed as soon as the level below it exists.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "gfx/image.h"
#include "gfx/texture_budget.h"
#include "platform/d3d9.h"

// What the device allows, as the loader needs it.
struct TextureCaps {
    uint32_t maxWidth = 16384;
    uint32_t maxHeight = 16384;
    uint32_t maxAspect = 0;                   // 0: no limit
    std::function<bool(D3DFORMAT)> supports;  // empty: every format the loader writes
};
TextureCaps QueryTextureCaps(IDirect3DDevice9* device);
// Whether the device's adapter takes textures of that format with that usage (0, or
// D3DUSAGE_RENDERTARGET), asked of its Direct3D object in the back buffer's format.
bool DeviceTakesTextureFormat(IDirect3DDevice9* device, DWORD usage, D3DFORMAT format);

// The texture to create for a decoded image.
struct TexturePlan {
    uint32_t width = 0;  // level 0
    uint32_t height = 0;
    uint32_t levels = 0;  // down to 1x1
    D3DFORMAT format = D3DFMT_UNKNOWN;
};
bool PlanTexture(const DecodedImage& image, const TextureCaps& caps, TexturePlan* plan, std::string* error);
bool PlanTexture(uint32_t width, uint32_t height, D3DFORMAT format, const TextureCaps& caps, TexturePlan* plan,
                 std::string* error);            // for a picture of that size and format
uint64_t PlannedBytes(const TexturePlan& plan);  // every level

// Where the levels are made: `open` gives level i's memory, tightly packed rows in the format's
// device layout (B, G, R, A bytes; L8 one byte; floats R, G, B, A), null to stop; `close` says the
// level is complete, false to stop. Level i is made from level i - 1, which is closed only after
// that: at most two levels are open at once.
struct LevelStore {
    std::function<uint8_t*(uint32_t level, uint32_t width, uint32_t height)> open;
    std::function<bool(uint32_t level)> close;
};
// Makes every level of the plan in order into the store. For an image decoded in place (`placed`)
// level 0 is what the store's open(0) returns, already filled.
bool FillTextureLevels(const DecodedImage& image, const TexturePlan& plan, const LevelStore& store);
// The same into two buffers of its own, handing each level to `sink` (the image's pixels in
// memory, not placed). Stops at a false sink.
using LevelSink = std::function<bool(uint32_t level, uint32_t width, uint32_t height, const uint8_t* bytes)>;
bool FillTextureLevels(const DecodedImage& image, const TexturePlan& plan, const LevelSink& sink);

// What the loader found, for the tools.
struct TextureFileInfo {
    ImageType type = ImageType::Bmp;
    uint32_t imageWidth = 0;
    uint32_t imageHeight = 0;   // as decoded (a JPEG far over the largest texture decodes smaller)
    uint64_t textureBytes = 0;  // every level; what was taken from the budget
};

// The loader. D3D_OK with *texture holding one reference, or a failure HRESULT with *texture null.
HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice9* device, const char* path, IDirect3DTexture9** texture);
// The same with a reason on failure and the file's facts on success. With a budget the texture's
// bytes are taken from it (the caller gives them back on release), and a texture that would pass
// it fails before its pixels are decoded where the header tells its size.
HRESULT CreateTextureFromFile(IDirect3DDevice9* device, const char* path, IDirect3DTexture9** texture,
                              TextureFileInfo* info, std::string* error, TextureBudget* budget = nullptr);
// From bytes already in memory (the file step skipped).
HRESULT CreateTextureFromMemory(IDirect3DDevice9* device, const uint8_t* data, size_t size, IDirect3DTexture9** texture,
                                TextureFileInfo* info, std::string* error, TextureBudget* budget = nullptr);

// A texture made ready away from the device (on another thread): the file decoded and every level
// made in the device's layout, on the limits the device was assumed to have.
struct PreparedTexture {
    DecodeLimits limits;  // as assumed; textureBytesLeft is the least left that this decode needs
    D3DFORMAT imageFormat = D3DFMT_UNKNOWN;
    TexturePlan plan;
    TextureFileInfo info;
    std::vector<std::vector<uint8_t>> levels;  // level 0 first, tightly packed rows
};
// Reads and decodes the file and makes every level as CreateTextureFromFile would on a device with
// these limits, every format supported and no aspect limit. Touches no device. False on any failure
// (the loader, run again, finds it and says why).
bool PrepareTextureFromFile(const char* path, const DecodeLimits& limits, PreparedTexture* out);
// The prepared texture on the device (one reference), when the device's limits and the budget left
// give the texture the loader would make from the file. False, with nothing made or taken, when
// they don't or the device refused: the caller then loads the file itself.
bool CreateTextureFromPrepared(IDirect3DDevice9* device, const PreparedTexture& prepared, IDirect3DTexture9** texture,
                               TextureFileInfo* info, TextureBudget* budget = nullptr);
