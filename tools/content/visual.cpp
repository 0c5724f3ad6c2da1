// make-content's visual half: images, the three scenes and the composition, into DIR/data.
#include <chrono>
#include <cstdio>

#include "tools/content/content.h"
#include "tools/content/font_text.h"
#include "tools/content/textures.h"

bool MakeVisualContent(const std::string& dir) {
    const auto start = std::chrono::steady_clock::now();
    const std::string data = dir + "/data";
    Font font(kShowFontPath);
    if (!font.ok()) return false;
    TextureTable textures;
    if (!MakeBackdropTextures(data, &textures) || !MakeDecorTextures(data, &textures) ||
        !MakeTextTextures(data, font, &textures))
        return false;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("make-content: %zu images in %.1f s\n", textures.size(), seconds);
    return true;
}
