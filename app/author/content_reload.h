// Reading the show's content again from disk while it runs: the composition, the three scenes and
// every texture the composition names, all loaded beside what is shown and swapped in only when
// every file loaded. A failure leaves the show drawing what it drew.
#pragma once

#include <memory>
#include <string>

#include "composition/composition.h"
#include "gfx/texture.h"

class Show;

// What a reload brought in and still owns: its textures and the composition that uses them.
struct ReloadedContent {
    std::unique_ptr<TextureRegistry> textures;  // declared first: goes after the composition
    std::unique_ptr<Composition> composition;
};

struct ReloadResult {
    bool ok = false;
    std::string reason;  // on failure: the first message the loaders showed, on one line, UTF-8
};

// Loads everything anew and hands it to the show. The loaders' message boxes are shown as usual,
// once the loading is over. On success `current` holds the new content and the previous reload's
// content is released; on failure nothing changes.
ReloadResult ReloadShowContent(Show& show, std::unique_ptr<ReloadedContent>& current);
