// Staged reload: new textures go to a registry of their own while the composition reads, so the
// textures on screen are never touched; the scenes load into a new Demo.
#include "app/author/content_reload.h"

#include <utility>
#include <vector>

#include "app/demo.h"
#include "app/show.h"
#include "platform/win32.h"

namespace {

// Holds back every message box while it lives; Replay then shows them through whatever was in place.
class HeldBoxes {
public:
    HeldBoxes() : previous(GetMessageBoxHook()) {
        SetMessageBoxHook([this](const char* text, const char* caption) { boxes.emplace_back(text, caption); });
    }
    ~HeldBoxes() { SetMessageBoxHook(previous); }
    HeldBoxes(const HeldBoxes&) = delete;
    HeldBoxes& operator=(const HeldBoxes&) = delete;

    void Replay() {
        SetMessageBoxHook(previous);
        for (const auto& [text, caption] : boxes) MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK);
    }
    std::string FirstAsLine() const {
        if (boxes.empty()) return "a loader failed without saying why";
        std::string line =
            Cp1252ToUtf8(boxes.front().second.c_str()) + ": " + Cp1252ToUtf8(boxes.front().first.c_str());
        for (char& c : line)
            if (c == '\n' || c == '\r') c = ' ';
        return line;
    }

private:
    MessageBoxHook previous;
    std::vector<std::pair<std::string, std::string>> boxes;  // (text, caption)
};

// Points the file-texture global at another registry while it lives.
class TexturesFrom {
public:
    explicit TexturesFrom(TextureRegistry* staging) : previous(fileTextures) { fileTextures = staging; }
    ~TexturesFrom() { fileTextures = previous; }
    TexturesFrom(const TexturesFrom&) = delete;
    TexturesFrom& operator=(const TexturesFrom&) = delete;

private:
    TextureRegistry* previous;
};

}  // namespace

ReloadResult ReloadShowContent(Show& show, std::unique_ptr<ReloadedContent>& current) {
    auto fresh = std::make_unique<ReloadedContent>();
    fresh->textures = std::make_unique<TextureRegistry>();
    fresh->composition = std::make_unique<Composition>();
    auto demo = std::make_unique<Demo>();
    HeldBoxes held;
    bool ok = false;
    {
        TexturesFrom staging(fresh->textures.get());
        ok = fresh->composition->Load(showCompositionFile);
    }
    ok = ok && demo->Load() && show.Replace(fresh->composition.get(), std::move(demo));
    ReloadResult result;
    result.ok = ok;
    if (ok) {
        current.swap(fresh);  // the previous reload's content goes with `fresh`, composition first
    } else {
        result.reason = held.FirstAsLine();
    }
    fresh.reset();
    held.Replay();
    return result;
}
