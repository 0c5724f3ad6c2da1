// Get-or-create for compositions, and their teardown from the last loaded to the first.
#include "composition/composition_cache.h"

Composition* CompositionCache::Get(const std::string& name) {
    if (auto found = byName.find(name); found != byName.end()) return found->second.get();
    auto composition = std::make_unique<Composition>();
    if (!composition->Load(name)) return nullptr;  // discarded; its buffers go with it
    Composition* loaded = composition.get();
    byName.emplace(name, std::move(composition));
    names.push_back(name);
    return loaded;
}

void CompositionCache::ReleaseAll() {
    for (size_t i = byName.size(); i > 0 && !names.empty(); --i) {
        byName[names.back()]->ReleaseResources();
        names.pop_back();
    }
    byName.clear();
}
