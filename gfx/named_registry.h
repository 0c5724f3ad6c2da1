// NamedRegistry<T>: the get-or-create owner behind the texture registries and the composition
// cache. Entries are keyed by the exact byte string of their name; only successful creations are
// remembered, so a failed name is tried again on its next request. Teardown goes newest first.
// Header-only so that gfx/ and the layers above it share one copy.
#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <utility>

template <typename T>
class NamedRegistry {
public:
    // The entry under `name`; otherwise the one `make()` returns (a std::unique_ptr<T>, null when
    // making failed), kept under that name. Callers borrow the result until ReleaseAll.
    template <typename Make>
    T* GetOrCreate(const std::string& name, Make&& make) {
        if (T* found = Find(name)) return found;
        std::unique_ptr<T> made = std::forward<Make>(make)();
        if (!made) return nullptr;  // not remembered: the next request tries again
        T* entry = made.get();
        entries_.emplace(name, std::move(made));
        order_.push_back(name);
        return entry;
    }

    T* Find(const std::string& name) const {
        const auto it = entries_.find(name);
        return it == entries_.end() ? nullptr : it->second.get();
    }

    // The name an entry is kept under, or null when it is not one of ours.
    const std::string* NameOf(const T* entry) const {
        for (const auto& [name, held] : entries_)
            if (held.get() == entry) return &name;
        return nullptr;
    }

    const std::deque<std::string>& Names() const { return order_; }  // creation order
    std::size_t Size() const { return entries_.size(); }

    // Calls release(name, entry) for every entry, newest first, then destroys and forgets them all.
    template <typename Release>
    void ReleaseAll(Release&& release) {
        while (!order_.empty()) {
            if (const auto it = entries_.find(order_.back()); it != entries_.end()) release(it->first, *it->second);
            order_.pop_back();
        }
        entries_.clear();
    }

private:
    std::deque<std::string> order_;                      // creation order
    std::map<std::string, std::unique_ptr<T>> entries_;  // byte-wise ordered
};
