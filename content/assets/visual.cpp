// make-content's visual half: images, the three scenes and the composition, into DIR/data.
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "content/assets/composition_kit.h"
#include "content/assets/font_text.h"
#include "content/assets/scenes.h"
#include "content/assets/textures.h"
#include "content/content.h"
#include "content/writers/byte_writer.h"

namespace {

bool WriteDataFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::string why;
    if (WriteWholeFile(path, bytes, &why)) return true;
    std::fprintf(stderr, "make-content: cannot write %s: %s\n", path.c_str(), why.c_str());
    return false;
}

bool WriteSceneFile(const std::string& path, const SceneFile& scene) {
    const std::string problem = CheckScene(scene);
    if (!problem.empty()) {
        std::fprintf(stderr, "make-content: %s: %s\n", path.c_str(), problem.c_str());
        return false;
    }
    std::printf("make-content: %s: %zu meshes, %zu triangles, %zu lights, %zu cameras\n", path.c_str(),
                scene.meshes.size(), TriangleCount(scene), scene.lights.size(), scene.cameras.size());
    return WriteDataFile(path, WriteScene(scene));
}

bool WriteComposition(const std::string& path, const TextureTable& textures, const Font& font) {
    const CdaComposition composition = BuildComposition(textures, font);
    const std::string problem = CheckCda(composition);
    if (!problem.empty()) {
        std::fprintf(stderr, "make-content: %s: %s\n", path.c_str(), problem.c_str());
        return false;
    }
    // The heaviest moment of the show, sampled every 0.05 s.
    float worst = 0, worstAt = 0;
    size_t keys = 0;
    for (int i = 0; i <= int(kShowEnd * 20); ++i) {
        const float t = float(i) * 0.05f, cover = OverdrawAt(composition, textures, t);
        if (cover > worst) worst = cover, worstAt = t;
    }
    for (const CdaLayer& layer : composition.layers) {
        keys += layer.keys.size();
        for (const CdaElement& e : layer.elements) keys += e.keys.size();
    }
    std::printf("make-content: %s: %zu layers, %zu keys, overdraw at most %.2f screens (at %.2f s)\n", path.c_str(),
                composition.layers.size(), keys, double(worst), double(worstAt));
    return WriteDataFile(path, WriteCda(composition));
}

}  // namespace

bool MakeVisualContent(const std::string& dir) {
    const auto start = std::chrono::steady_clock::now();
    const std::string data = dir + "/data";
    std::error_code ec;
    std::filesystem::create_directories(data, ec);
    if (ec) {
        std::fprintf(stderr, "make-content: cannot create %s: %s\n", data.c_str(), ec.message().c_str());
        return false;
    }
    Font font(kShowFontPath);
    if (!font.ok()) return false;
    TextureTable textures;
    if (!MakeBackdropTextures(data, &textures) || !MakeDecorTextures(data, &textures) ||
        !MakeTextTextures(data, font, &textures))
        return false;
    if (!WriteSceneFile(data + "/ringer.SCENE", BuildRinger()) ||
        !WriteSceneFile(data + "/ostrel.SCENE", BuildOstrel()) || !WriteSceneFile(data + "/park.SCENE", BuildPark()))
        return false;
    if (!WriteComposition(data + "/virelle.cda", textures, font)) return false;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("make-content: %zu images, three scenes and the composition in %.1f s\n", textures.size(), seconds);
    return true;
}
