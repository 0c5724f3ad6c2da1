// The prefetch worker and the hand-over of what it prepared.
#include "gfx/texture_prefetch.h"

#include <algorithm>
#include <utility>

TexturePrefetch* texturePrefetch = nullptr;

TexturePrefetch::TexturePrefetch(std::function<Entries()> list, const DecodeLimits& limits) : limits(limits) {
    worker = std::thread([this, list = std::move(list)] { Run(list); });
}

TexturePrefetch::~TexturePrefetch() {
    Close();
}

void TexturePrefetch::Close() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    if (worker.joinable()) worker.join();
    std::lock_guard<std::mutex> lock(mutex);
    slots.clear();
    listed = finished = true;  // nothing is waited for any more
}

void TexturePrefetch::Run(const std::function<Entries()>& list) {
    const Entries entries = list();
    Order order(entries.size());
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (size_t e = 0; e < entries.size(); ++e)
            for (const std::string& path : entries[e]) {
                auto [at, added] = slots.try_emplace(path);
                if (!added) continue;  // a path of an earlier entry is prepared there
                at->second.entry = e;
                order[e].emplace_back(path, &at->second);
            }
        listed = true;
    }
    changed.notify_all();
    PrepareAll(order, limits);
    {
        std::lock_guard<std::mutex> lock(mutex);
        finished = true;
    }
    changed.notify_all();
}

// Each texture prepared is paid from `next`'s budget before the next one, as the loader pays.
void TexturePrefetch::PrepareAll(const Order& order, DecodeLimits next) {
    for (size_t e = 0; e < order.size(); ++e) {
        for (size_t i = 0; i < order[e].size(); ++i) {
            const auto& [path, slot] = order[e][i];
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (stopping) return;
                if (slot->state == State::Taken) break;  // the loader has this entry in hand
                slot->state = State::Working;
            }
            PreparedTexture texture;
            const bool made = PrepareTextureFromFile(path.c_str(), next, &texture);
            {
                std::lock_guard<std::mutex> lock(mutex);
                slot->state = made ? State::Ready : State::Failed;
                if (made) {
                    next.textureBytesLeft -= std::min(next.textureBytesLeft, texture.info.textureBytes);
                    slot->texture = std::move(texture);
                    ++prepared;
                }
            }
            changed.notify_all();
            if (made) break;  // the loader finds this path first; the later ones are never asked
        }
    }
}

std::optional<PreparedTexture> TexturePrefetch::Take(const std::string& path) {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return listed; });
    auto at = slots.find(path);
    if (at == slots.end()) return std::nullopt;
    Slot& slot = at->second;
    changed.wait(lock, [&] { return slot.state != State::Working; });
    std::optional<PreparedTexture> texture;
    if (slot.state == State::Ready) {
        texture = std::move(slot.texture);
        slot.texture.reset();
        ++taken;
    }
    if (slot.state == State::Waiting) {  // not reached: the caller loads this path and decides the entry
        for (auto& [name, s] : slots)
            if (s.entry == slot.entry && s.state == State::Waiting) s.state = State::Taken;
    }
    slot.state = State::Taken;
    return texture;
}

void TexturePrefetch::WaitForWorker() {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return finished; });
}

size_t TexturePrefetch::PreparedCount() const {
    std::lock_guard<std::mutex> lock(mutex);
    return prepared;
}

size_t TexturePrefetch::TakenCount() const {
    std::lock_guard<std::mutex> lock(mutex);
    return taken;
}
