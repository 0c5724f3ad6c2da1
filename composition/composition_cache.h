// The get-or-create owner of every composition the program reads.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>

#include "composition/composition.h"

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

    std::deque<std::string> names;                               // load order
    std::map<std::string, std::unique_ptr<Composition>> byName;  // byte-wise ordered
};
