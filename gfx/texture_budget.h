// The memory budget of the textures read from files: every file texture's bytes (all its levels)
// are taken from one budget when it is made and given back when it is released, and a texture that
// would pass what is left fails to load like any other unloadable image. A file named under several
// spellings is several textures, each paid for.
#pragma once

#include <cstdint>

constexpr uint64_t kFileTextureBudgetBytes = 512ull << 20;

struct TextureBudget {
    uint64_t limit = kFileTextureBudgetBytes;
    uint64_t used = 0;

    uint64_t Left() const { return used < limit ? limit - used : 0; }
    bool Take(uint64_t bytes);  // false, taking nothing, when bytes is more than is left
    void Give(uint64_t bytes);
};

// The one budget of the program's file textures.
TextureBudget& FileTextureBudget();
