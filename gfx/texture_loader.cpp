// The texture loader: file -> decoded image -> plan -> device texture, level by level.
#include "gfx/texture_loader.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "gfx/image_decoders.h"
#include "gfx/image_resize.h"
#include "io/mapped_file.h"

namespace {

constexpr uint64_t kMaxLevelBytes = 256ull << 20;      // one level-0 buffer
constexpr uint64_t kMaxImageFileBytes = 256ull << 20;  // an image file read

// The formats to try for a file format, nearest first.
std::vector<D3DFORMAT> Candidates(D3DFORMAT wanted) {
    switch (wanted) {
        case D3DFMT_X8R8G8B8:
            return {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8};
        case D3DFMT_A8R8G8B8:
            return {D3DFMT_A8R8G8B8};
        case D3DFMT_L8:
            return {D3DFMT_L8, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8};
        case D3DFMT_A32B32G32R32F:
            return {D3DFMT_A32B32G32R32F, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8};
        default:
            return {};
    }
}

uint32_t CeilPow2(uint32_t v) {
    return v > (1u << 31) ? (1u << 31) : std::bit_ceil(v);
}

// Level 0 of an 8-bit image at its own size: a straight conversion, nothing to filter.
void CopyLevel8(const ImageLevel& src, D3DFORMAT format, uint8_t* out) {
    const size_t n = size_t(src.width) * src.height;
    const uint8_t* s = src.rgba8.data();
    for (size_t i = 0; i < n; ++i, s += 4) {
        if (format == D3DFMT_L8) {
            out[i] = s[0];
        } else {
            uint8_t* p = out + i * 4;
            p[0] = s[2], p[1] = s[1], p[2] = s[0], p[3] = format == D3DFMT_X8R8G8B8 ? 255 : s[3];
        }
    }
}

void ScaleLevel(const ImageLevel& src, uint32_t w, uint32_t h, D3DFORMAT format, uint8_t* out) {
    const uint32_t bpp = BytesPerPixel(format);
    if (!src.IsFloat() && format != D3DFMT_A32B32G32R32F && src.width == w && src.height == h) {
        CopyLevel8(src, format, out);
        return;
    }
    TriangleScaler scaler(src, w, h);
    std::vector<float> row(size_t(w) * 4);
    const float unit = src.IsFloat() ? 1.0f : 255.0f;
    for (uint32_t y = 0; y < h; ++y) {
        scaler.Row(y, row.data());
        StoreRow(row.data(), w, y, unit, format, out + size_t(y) * w * bpp);
    }
}

}  // namespace

TextureCaps QueryTextureCaps(IDirect3DDevice9* device) {
    TextureCaps caps;
    D3DCAPS9 d3dCaps{};
    if (SUCCEEDED(device->GetDeviceCaps(&d3dCaps))) {
        if (d3dCaps.MaxTextureWidth) caps.maxWidth = d3dCaps.MaxTextureWidth;
        if (d3dCaps.MaxTextureHeight) caps.maxHeight = d3dCaps.MaxTextureHeight;
        caps.maxAspect = d3dCaps.MaxTextureAspectRatio;
    }
    caps.supports = [device](D3DFORMAT f) { return DeviceTakesTextureFormat(device, 0, f); };
    return caps;
}

bool DeviceTakesTextureFormat(IDirect3DDevice9* device, DWORD usage, D3DFORMAT format) {
    IDirect3D9* direct3D = nullptr;
    if (FAILED(device->GetDirect3D(&direct3D)) || !direct3D) return false;
    const bool takes = SUCCEEDED(direct3D->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, usage,
                                                             D3DRTYPE_TEXTURE, format));
    direct3D->Release();
    return takes;
}

bool PlanTexture(const DecodedImage& image, const TextureCaps& caps, TexturePlan* plan, std::string* error) {
    if (image.levels.empty()) return Fail(error, "image has no pixels");
    return PlanTexture(image.levels[0].width, image.levels[0].height, image.format, caps, plan, error);
}

bool PlanTexture(uint32_t width, uint32_t height, D3DFORMAT imageFormat, const TextureCaps& caps, TexturePlan* plan,
                 std::string* error) {
    uint32_t w = std::min(CeilPow2(width), std::bit_floor(std::max(1u, caps.maxWidth)));
    uint32_t h = std::min(CeilPow2(height), std::bit_floor(std::max(1u, caps.maxHeight)));
    if (caps.maxAspect) {  // widen the short side until the ratio fits
        while (w / h > caps.maxAspect) h *= 2;
        while (h / w > caps.maxAspect) w *= 2;
    }
    D3DFORMAT format = D3DFMT_UNKNOWN;
    for (D3DFORMAT f : Candidates(imageFormat))
        if (!caps.supports || caps.supports(f)) {
            format = f;
            break;
        }
    if (format == D3DFMT_UNKNOWN) return Fail(error, "the device supports no suitable texture format");
    if (uint64_t(w) * h * BytesPerPixel(format) > kMaxLevelBytes)
        return Fail(error, "texture needs more than 256 MiB of pixel memory");
    plan->width = w;
    plan->height = h;
    plan->levels = std::bit_width(std::max(w, h));
    plan->format = format;
    return true;
}

uint64_t PlannedBytes(const TexturePlan& plan) {
    uint64_t total = 0;
    for (uint32_t i = 0; i < plan.levels; ++i)
        total += uint64_t(std::max(1u, plan.width >> i)) * std::max(1u, plan.height >> i) * BytesPerPixel(plan.format);
    return total;
}

bool FillTextureLevels(const DecodedImage& image, const TexturePlan& plan, const LevelStore& store) {
    const uint8_t* above = nullptr;
    uint32_t pw = 0, ph = 0;
    for (uint32_t i = 0; i < plan.levels; ++i) {
        const uint32_t w = std::max(1u, plan.width >> i), h = std::max(1u, plan.height >> i);
        uint8_t* bytes = store.open(i, w, h);
        if (!bytes) return false;
        if (i == 0 && image.placed) {
            // decoded in place
        } else if (i < image.levels.size()) {  // a level the file carries (level 0 always)
            ScaleLevel(image.levels[i], w, h, plan.format, bytes);
        } else {
            BoxDownsample(above, pw, ph, plan.format, bytes);
        }
        if (i > 0 && !store.close(i - 1)) return false;
        above = bytes;
        pw = w, ph = h;
    }
    return plan.levels == 0 || store.close(plan.levels - 1);
}

bool FillTextureLevels(const DecodedImage& image, const TexturePlan& plan, const LevelSink& sink) {
    if (image.placed) return false;  // its level 0 is elsewhere
    const uint32_t bpp = BytesPerPixel(plan.format);
    std::vector<uint8_t> buffers[2];
    LevelStore store;
    store.open = [&](uint32_t level, uint32_t w, uint32_t h) {
        buffers[level & 1].resize(size_t(w) * h * bpp);
        return buffers[level & 1].data();
    };
    store.close = [&](uint32_t level) {
        return sink(level, std::max(1u, plan.width >> level), std::max(1u, plan.height >> level),
                    buffers[level & 1].data());
    };
    return FillTextureLevels(image, plan, store);
}

namespace {

// The texture being made, kept outside the decoder (whose errors leave by longjmp).
struct TextureMaking {
    IDirect3DDevice9* device = nullptr;
    TextureBudget* budget = nullptr;
    IDirect3DTexture9* texture = nullptr;
    TexturePlan plan;
    uint64_t bytes = 0;         // taken from the budget
    uint8_t* level0 = nullptr;  // locked level 0 the decoder writes into
    // A level whose locked rows are further apart than the loader packs them (the driver's pitch)
    // is made in memory and copied row by row at unlock. Two levels are open at once at most.
    struct Staged {
        bool used = false;
        uint32_t level = 0, height = 0;
        size_t row = 0, pitch = 0;
        uint8_t* locked = nullptr;
        std::vector<uint8_t> bytes;
    } staged[2];

    HRESULT Create(const TexturePlan& p, std::string* error) {
        plan = p;
        bytes = PlannedBytes(plan);
        if (budget && !budget->Take(bytes))
            return Fail(error, "the texture would pass the memory left for file textures"), D3DERR_OUTOFVIDEOMEMORY;
        if (FAILED(device->CreateTexture(plan.width, plan.height, plan.levels, 0, plan.format, D3DPOOL_MANAGED,
                                         &texture, nullptr)) ||
            !texture) {
            texture = nullptr;
            if (budget) budget->Give(bytes);
            return Fail(error, "the device refused the texture"), D3DERR_NOTAVAILABLE;
        }
        return D3D_OK;
    }
    void Discard() {
        if (!texture) return;
        texture->Release();
        texture = nullptr;
        level0 = nullptr;
        staged[0].used = staged[1].used = false;
        if (budget) budget->Give(bytes);
    }
    // Level i's locked memory where its rows are tightly packed, else null (still locked when
    // locked->pBits is set: the caller unlocks or stages it).
    uint8_t* LockDirect(uint32_t level, uint32_t width, uint32_t height, D3DLOCKED_RECT* locked) {
        if (FAILED(texture->LockRect(level, locked, nullptr, 0)) || !locked->pBits) return nullptr;
        const size_t row = size_t(width) * BytesPerPixel(plan.format);
        if (height > 1 && size_t(locked->Pitch) != row) return nullptr;
        return static_cast<uint8_t*>(locked->pBits);
    }
    // Level i, tightly packed as the loader writes it; Unlock(i) puts it in the texture.
    uint8_t* Lock(uint32_t level, uint32_t width, uint32_t height) {
        D3DLOCKED_RECT locked{};
        if (uint8_t* direct = LockDirect(level, width, height, &locked)) return direct;
        const size_t row = size_t(width) * BytesPerPixel(plan.format);
        if (!locked.pBits || locked.Pitch <= 0 || size_t(locked.Pitch) < row) {
            if (locked.pBits) texture->UnlockRect(level);
            return nullptr;
        }
        Staged& slot = staged[level & 1];
        slot.used = true;
        slot.level = level;
        slot.height = height;
        slot.row = row;
        slot.pitch = size_t(locked.Pitch);
        slot.locked = static_cast<uint8_t*>(locked.pBits);
        slot.bytes.resize(row * height);
        return slot.bytes.data();
    }
    bool Unlock(uint32_t level) {
        Staged& slot = staged[level & 1];
        if (slot.used && slot.level == level) {
            for (uint32_t y = 0; y < slot.height; ++y)
                std::memcpy(slot.locked + y * slot.pitch, slot.bytes.data() + y * slot.row, slot.row);
            slot.used = false;
        }
        return SUCCEEDED(texture->UnlockRect(level));
    }
    // The decode target: the texture made for a picture that is already its level 0.
    uint8_t* Place(const TextureCaps& caps, uint32_t width, uint32_t height, D3DFORMAT format, size_t* pitch) {
        TexturePlan p;
        std::string ignored;  // any refusal is made again, with its reason, after the decode
        if (!PlanTexture(width, height, format, caps, &p, &ignored) || p.width != width || p.height != height ||
            p.format != format || FAILED(Create(p, &ignored)))
            return nullptr;
        D3DLOCKED_RECT locked{};
        level0 = LockDirect(0, width, height, &locked);
        if (!level0) {
            if (locked.pBits) texture->UnlockRect(0);
            Discard();
            return nullptr;
        }
        *pitch = size_t(width) * BytesPerPixel(format);
        return level0;
    }
};

}  // namespace

HRESULT CreateTextureFromMemory(IDirect3DDevice9* device, const uint8_t* data, size_t size, IDirect3DTexture9** texture,
                                TextureFileInfo* info, std::string* error, TextureBudget* budget) {
    *texture = nullptr;
    if (!device) return Fail(error, "no device"), D3DERR_INVALIDCALL;
    const TextureCaps caps = QueryTextureCaps(device);
    DecodeLimits limits;
    limits.maxWidth = caps.maxWidth;
    limits.maxHeight = caps.maxHeight;
    if (budget) limits.textureBytesLeft = budget->Left();
    TextureMaking making;
    making.device = device;
    making.budget = budget;
    const DecodeTarget target = [&](uint32_t w, uint32_t h, D3DFORMAT format, size_t* pitch) {
        return making.Place(caps, w, h, format, pitch);
    };
    DecodedImage image;
    if (!DecodeImage(data, size, limits, &image, error, target)) {
        making.Discard();
        return D3DERR_INVALIDCALL;
    }
    if (!image.placed) {
        making.Discard();  // (never made: a decoder that takes the target fills it)
        TexturePlan plan;
        if (!PlanTexture(image, caps, &plan, error)) return D3DERR_INVALIDCALL;
        const HRESULT made = making.Create(plan, error);
        if (FAILED(made)) return made;
    }
    LevelStore store;
    store.open = [&](uint32_t level, uint32_t w, uint32_t h) {
        return level == 0 && image.placed ? making.level0 : making.Lock(level, w, h);
    };
    store.close = [&](uint32_t level) { return making.Unlock(level); };
    if (!FillTextureLevels(image, making.plan, store)) {
        making.Discard();
        return Fail(error, "the device refused to fill the texture"), D3DERR_NOTAVAILABLE;
    }
    if (info) *info = {image.type, image.levels[0].width, image.levels[0].height, making.bytes};
    *texture = making.texture;
    return D3D_OK;
}

HRESULT CreateTextureFromFile(IDirect3DDevice9* device, const char* path, IDirect3DTexture9** texture,
                              TextureFileInfo* info, std::string* error, TextureBudget* budget) {
    *texture = nullptr;
    MappedFile file;
    if (!path || !file.Open(path, kMaxImageFileBytes, error)) return D3DERR_NOTAVAILABLE;
    return CreateTextureFromMemory(device, file.data(), file.size(), texture, info, error, budget);
}

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice9* device, const char* path, IDirect3DTexture9** texture) {
    std::string ignored;
    return CreateTextureFromFile(device, path, texture, nullptr, &ignored);
}

bool PrepareTextureFromFile(const char* path, const DecodeLimits& limits, PreparedTexture* out) {
    MappedFile file;
    std::string error;
    if (!path || !file.Open(path, kMaxImageFileBytes, &error)) return false;
    DecodedImage image;
    if (!DecodeImage(file.data(), file.size(), limits, &image, &error)) return false;
    TextureCaps caps;
    caps.maxWidth = limits.maxWidth;
    caps.maxHeight = limits.maxHeight;
    PreparedTexture p;
    p.limits = limits;
    p.imageFormat = image.format;
    if (!PlanTexture(image, caps, &p.plan, &error)) return false;
    const uint32_t bpp = BytesPerPixel(p.plan.format);
    LevelStore store;
    store.open = [&](uint32_t, uint32_t w, uint32_t h) {
        p.levels.emplace_back(size_t(w) * h * bpp);
        return p.levels.back().data();
    };
    store.close = [](uint32_t) { return true; };
    if (!FillTextureLevels(image, p.plan, store)) return false;
    p.info = {image.type, image.levels[0].width, image.levels[0].height, PlannedBytes(p.plan)};
    *out = std::move(p);
    return true;
}

bool CreateTextureFromPrepared(IDirect3DDevice9* device, const PreparedTexture& prepared, IDirect3DTexture9** texture,
                               TextureFileInfo* info, TextureBudget* budget) {
    *texture = nullptr;
    if (!device) return false;
    // The decode is the same under any limits at least as wide; the plan must come out the same.
    const TextureCaps caps = QueryTextureCaps(device);
    const uint64_t left = budget ? budget->Left() : UINT64_MAX;
    TexturePlan plan;
    std::string ignored;
    if (caps.maxWidth != prepared.limits.maxWidth || caps.maxHeight != prepared.limits.maxHeight ||
        left < prepared.limits.textureBytesLeft || prepared.levels.size() != prepared.plan.levels ||
        !PlanTexture(prepared.info.imageWidth, prepared.info.imageHeight, prepared.imageFormat, caps, &plan,
                     &ignored) ||
        plan.width != prepared.plan.width || plan.height != prepared.plan.height ||
        plan.levels != prepared.plan.levels || plan.format != prepared.plan.format)
        return false;
    TextureMaking making;
    making.device = device;
    making.budget = budget;
    if (FAILED(making.Create(plan, &ignored))) return false;
    for (uint32_t i = 0; i < plan.levels; ++i) {
        const uint32_t w = std::max(1u, plan.width >> i), h = std::max(1u, plan.height >> i);
        uint8_t* bytes = making.Lock(i, w, h);
        if (!bytes || prepared.levels[i].size() != size_t(w) * h * BytesPerPixel(plan.format)) {
            if (bytes) making.Unlock(i);
            making.Discard();
            return false;
        }
        std::memcpy(bytes, prepared.levels[i].data(), prepared.levels[i].size());
        if (!making.Unlock(i)) {
            making.Discard();
            return false;
        }
    }
    if (info) *info = prepared.info;
    *texture = making.texture;
    return true;
}