// Get-or-create for compositions, and their teardown from the last loaded to the first.
#include "composition/composition_cache.h"

#include <memory>

Composition* CompositionCache::Get(const std::string& name) {
    return compositions.GetOrCreate(name, [&]() -> std::unique_ptr<Composition> {
        auto composition = std::make_unique<Composition>();
        if (!composition->Load(name)) return nullptr;  // discarded; its buffers go with it
        return composition;
    });
}

void CompositionCache::ReleaseAll() {
    compositions.ReleaseAll([](const std::string&, Composition& c) { c.ReleaseResources(); });
}
