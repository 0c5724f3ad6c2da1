// Texture records and their registries.
#include "gfx/texture.h"

#include <cstdio>
#include <memory>

#include "gfx/texture_loader.h"
#include "gfx/texture_prefetch.h"
#include "io/file_read.h"
#include "platform/d3dwindow.h"

TextureRegistry* fileTextures = nullptr;
TextureRegistry* renderTargets = nullptr;

namespace {

// Level 0's surface and description, fetched once so binding needs no query later.
void FetchLevel0(Texture* t) {
    t->texture->GetSurfaceLevel(0, &t->surface);
    t->texture->GetLevelDesc(0, &t->desc);
}

}  // namespace

bool Texture::LoadFromFile(const std::string& path) {
    TextureFileInfo info;
    if (texturePrefetch)
        if (std::optional<PreparedTexture> prepared = texturePrefetch->Take(path))
            if (CreateTextureFromPrepared(device, *prepared, &texture, &info, &FileTextureBudget())) {
                budgetBytes = info.textureBytes;
                FetchLevel0(this);
                return true;
            }
    std::string error;
    if (FAILED(CreateTextureFromFile(device, path.c_str(), &texture, &info, &error, &FileTextureBudget())) ||
        !texture) {
        texture = nullptr;
        // A name that is not there is an ordinary miss (the composition tries a second name); a
        // file that is there but cannot be a texture says why beside the system's message.
        if (error != kCannotOpenFile) std::fprintf(stderr, "%s\n", FileProblem(path, error).c_str());
        return false;
    }
    budgetBytes = info.textureBytes;
    FetchLevel0(this);
    return true;
}

bool Texture::CreateRenderTarget(int width, int height) {
    if (!device || width <= 0 || height <= 0) return false;
    targetWidth = width;
    targetHeight = height;
    // Adapted to the device like file textures: clamped sides, the target format it accepts.
    D3DCAPS9 caps{};
    UINT w = UINT(width), h = UINT(height);
    if (SUCCEEDED(device->GetDeviceCaps(&caps))) {
        if (caps.MaxTextureWidth && w > caps.MaxTextureWidth) w = caps.MaxTextureWidth;
        if (caps.MaxTextureHeight && h > caps.MaxTextureHeight) h = caps.MaxTextureHeight;
    }
    D3DFORMAT format = D3DFMT_UNKNOWN;
    for (D3DFORMAT f : {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8})  // nearest first
        if (DeviceTakesTextureFormat(device, D3DUSAGE_RENDERTARGET, f)) {
            format = f;
            break;
        }
    if (format == D3DFMT_UNKNOWN) return false;
    IDirect3DTexture9* created = nullptr;
    if (FAILED(device->CreateTexture(w, h, 1, D3DUSAGE_RENDERTARGET, format, D3DPOOL_DEFAULT, &created, nullptr)) ||
        !created)
        return false;
    texture = created;
    FetchLevel0(this);
    return true;
}

void Texture::Release() {
    if (surface) {
        surface->Release();
        if (texture) texture->Release();
    } else if (texture) {
        texture->Release();  // a record whose surface fetch failed still owns its texture
    }
    surface = nullptr;
    texture = nullptr;
    FileTextureBudget().Give(budgetBytes);
    budgetBytes = 0;
}

void Texture::ClearTarget() {
    if (!device || FAILED(device->Clear(0, nullptr, 3, 0, 1.0f, 0))) {
        std::fputs("clear failed\n", stdout);
        std::fflush(stdout);
    }
}

Texture* TextureRegistry::GetOrLoad(const std::string& path) {
    return records.GetOrCreate(path, [&]() -> std::unique_ptr<Texture> {
        auto record = std::make_unique<Texture>();
        if (!record->LoadFromFile(path)) return nullptr;
        return record;
    });
}

Texture* TextureRegistry::GetOrCreateRenderTarget(const std::string& name, int width, int height) {
    return records.GetOrCreate(name, [&]() -> std::unique_ptr<Texture> {  // the size of a repeat is ignored
        auto record = std::make_unique<Texture>();
        if (!record->CreateRenderTarget(width, height)) return nullptr;
        return record;
    });
}

void TextureRegistry::ReleaseAll() {
    records.ReleaseAll([&](const std::string& name, Texture& t) {
        t.Release();
        if (onRelease) onRelease(name);
    });
}

void TextureRegistry::ReleaseTargets() {
    for (const std::string& name : records.Names()) {
        Texture* t = records.Find(name);
        if (!t->targetWidth) continue;  // a file texture: managed, it survives a Reset
        if (t->surface) t->surface->Release();
        if (t->texture) t->texture->Release();
        t->surface = nullptr;
        t->texture = nullptr;
    }
}

bool TextureRegistry::RestoreTargets() {
    bool all = true;
    for (const std::string& name : records.Names()) {
        Texture* t = records.Find(name);
        if (t->targetWidth && !t->texture) all = t->CreateRenderTarget(t->targetWidth, t->targetHeight) && all;
    }
    return all;
}
