// The get-or-create owner of every composition the program reads.
#pragma once

#include <cstddef>
#include <deque>
#include <string>

#include "composition/composition.h"
#include "gfx/named_registry.h"

// Remembers only successful loads. The program keeps one, constructed before the window and the
// texture registries, so it is torn down after them.
class CompositionCache {
public:
    // The composition read from that path (relative to the working directory), reading it on the
    // first request; null when it can't be read (its boxes shown), and nothing is remembered.
    // The caller borrows the result until the cache is torn down.
    Composition* Get(const std::string& name);
    // Releases every composition's resources, newest first, and forgets them.
    void ReleaseAll();
    ~CompositionCache() { ReleaseAll(); }

    const std::deque<std::string>& Names() const { return compositions.Names(); }  // load order
    std::size_t Size() const { return compositions.Size(); }

private:
    NamedRegistry<Composition> compositions;
};
