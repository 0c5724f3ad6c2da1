// Texture records and the named registries that own them.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>

#include "gfx/named_registry.h"
#include "platform/d3d9.h"

// One device texture with its level-0 surface and that level's description, fetched once.
// Owned by a TextureRegistry; callers only borrow it.
struct Texture {
    IDirect3DTexture9* texture = nullptr;
    IDirect3DSurface9* surface = nullptr;   // level 0; the colour target when this is a render target
    D3DSURFACE_DESC desc{};                 // level 0; Width/Height are the texture's (power-of-two) size
    uint64_t budgetBytes = 0;               // taken from the file textures' budget; given back at Release
    int targetWidth = 0, targetHeight = 0;  // a render target's size as asked for, to make it again

    // False for a file that cannot be made a texture; when the file is there, why goes to stderr.
    bool LoadFromFile(const std::string& path);
    bool CreateRenderTarget(int width, int height);
    void Release();      // surface first, then texture
    void ClearTarget();  // clears the bound colour target and depth; "clear failed\n" on failure
};

// Get-or-create collection keyed by the exact byte string. Only successful fills are remembered.
class TextureRegistry {
public:
    Texture* GetOrLoad(const std::string& path);
    Texture* GetOrCreateRenderTarget(const std::string& name, int width, int height);
    void ReleaseAll();  // newest first
    // A lost device: before its Reset every render target (they live in the device's default
    // pool) lets go of its texture and surface; after it each is made again in place at the size
    // first asked for, so whoever borrows a record still holds it. False when one cannot be made.
    void ReleaseTargets();
    bool RestoreTargets();
    ~TextureRegistry() { ReleaseAll(); }

    Texture* Find(const std::string& name) const { return records.Find(name); }
    const std::string* NameOf(const Texture* t) const { return records.NameOf(t); }  // null when not ours
    const std::deque<std::string>& Names() const { return records.Names(); }         // creation order
    std::size_t Size() const { return records.Size(); }

    // Called with each name as ReleaseAll releases its record (teardown checks, diagnostics).
    std::function<void(const std::string& name)> onRelease;

private:
    NamedRegistry<Texture> records;
};

// The two program-wide registries. They are objects of the program's start-up (constructed in
// order after the music stream, fileTextures first); these point at them while they live.
extern TextureRegistry* fileTextures;
extern TextureRegistry* renderTargets;
