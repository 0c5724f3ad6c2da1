// The device for tool commands: SDL's offscreen driver and one 640x480 window, made once per run.
#pragma once

#include "gfx/texture.h"
#include "platform/d3dwindow.h"

// Message boxes go to stderr instead of waiting for a click. The show's capability warning is not
// given: a tool has no window for it. True when the global device exists afterwards. The first
// call's draw size is the run's (--resolution, --supersample).
bool OpenHeadlessDevice(const DrawSize& drawSize = DrawSize{});

// The command's own file-texture registry, set as fileTextures while it lives: texture names resolve
// against the working directory, as in the show. Its textures are released when it goes.
struct CommandTextures {
    CommandTextures() : previous(fileTextures) { fileTextures = &registry; }
    ~CommandTextures() {
        registry.ReleaseAll();
        fileTextures = previous;
    }
    CommandTextures(const CommandTextures&) = delete;
    CommandTextures& operator=(const CommandTextures&) = delete;

    TextureRegistry registry;
    TextureRegistry* previous;
};
