// Textures prepared ahead on a worker thread while the program sets up its window and device.
//
// The worker is given a list of entries, each a texture's paths in lookup order; it reads and
// decodes the first path of each entry that makes a texture and makes its levels (texture_loader.h,
// PrepareTextureFromFile), in list order. The loader takes a prepared texture by path when it
// loads that path, so the file is neither read nor decoded on the loading thread. Nothing the user
// sees changes: a path the worker could not prepare, had not reached, or prepared on limits the
// device does not have is loaded as usual, with its messages in the usual order.
#pragma once

#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "gfx/texture_loader.h"

class TexturePrefetch {
public:
    using Entries = std::vector<std::vector<std::string>>;
    // Starts the worker, which first calls `list` for the entries. `limits` are the device's as
    // assumed, with textureBytesLeft the file textures' budget left now.
    TexturePrefetch(std::function<Entries()> list, const DecodeLimits& limits);
    // Close, then gone.
    ~TexturePrefetch();
    TexturePrefetch(const TexturePrefetch&) = delete;
    TexturePrefetch& operator=(const TexturePrefetch&) = delete;

    // The texture prepared for this path, handed over once. Waits while the worker is on it; none
    // when the path is not in the list, was not made into a texture, or was not reached yet (the
    // worker then leaves it, and the rest of its entry, to the caller).
    std::optional<PreparedTexture> Take(const std::string& path);

    // Stops the worker after the file in hand and drops whatever was not taken; every Take after
    // it finds nothing. Called once the loads it was started for are done, so that a later load
    // (a reload after the file changed) always reads the file.
    void Close();

    // Waits until the worker has been through its whole list (tests: nothing is then left to be
    // taken over by the caller).
    void WaitForWorker();

    // What became of the paths, for tests.
    size_t PreparedCount() const;
    size_t TakenCount() const;

private:
    enum class State { Waiting, Working, Ready, Failed, Taken };
    struct Slot {
        State state = State::Waiting;
        size_t entry = 0;
        std::optional<PreparedTexture> texture;
    };
    using Order = std::vector<std::vector<std::pair<std::string, Slot*>>>;  // by entry: path, slot
    void Run(const std::function<Entries()>& list);
    void PrepareAll(const Order& order, DecodeLimits next);

    DecodeLimits limits;
    mutable std::mutex mutex;
    std::condition_variable changed;
    bool listed = false;
    bool finished = false;  // the worker has been through its list
    bool stopping = false;
    std::map<std::string, Slot> slots;
    size_t prepared = 0, taken = 0;
    std::thread worker;
};

// The program's prefetch while one runs (the program's start-up sets it); the texture loader asks it.
extern TexturePrefetch* texturePrefetch;
