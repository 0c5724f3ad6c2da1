#include "fuzz/fuzz_entries.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "audio/music_stream.h"
#include "composition/composition.h"
#include "gfx/image.h"
#include "gfx/texture.h"
#include "gfx/texture_loader.h"
#include "platform/d3dwindow.h"
#include "platform/win32.h"
#include "scene/scene.h"

namespace {

D3DWindow* window = nullptr;  // lives for the whole process

constexpr ImageType kImageTypes[] = {ImageType::Bmp, ImageType::Ppm, ImageType::Dds, ImageType::Jpeg, ImageType::Png,
                                     ImageType::Pfm, ImageType::Hdr, ImageType::Tga, ImageType::Dib};

// Textures a composition input loaded stay, as in the show, so that the next input finds them;
// past these the registry is emptied, so that many spellings of one file cannot pile up.
constexpr size_t kKeptTextures = 64;
constexpr uint64_t kKeptTextureBytes = 128ull << 20;

// The readers take paths: each input goes to one file of this process, rewritten every time.
std::string WriteInput(const uint8_t* data, size_t size, const char* extension) {
    const std::string path = "/tmp/virelle-fuzz-" + std::to_string(getpid()) + extension;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return path;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    return path;
}

}  // namespace

void FuzzSetUp(bool withDevice) {
    SetMessageBoxHook([](const char*, const char*) {});
    if (withDevice && !device) {
        PlatformUseOffscreenVideo();
        window = new D3DWindow(640, 480, false, "virelle-fuzz", WindowUse::Tool);
    }
    if (!fileTextures) fileTextures = new TextureRegistry;
}

int FuzzComposition(const uint8_t* data, size_t size) {
    Composition composition;
    composition.Load(WriteInput(data, size, ".cda"));
    composition.ReleaseResources();
    if (fileTextures && (fileTextures->Size() > kKeptTextures || FileTextureBudget().used > kKeptTextureBytes))
        fileTextures->ReleaseAll();
    return 0;
}

int FuzzScene(const uint8_t* data, size_t size) {
    Scene scene;
    scene.Load(WriteInput(data, size, ".SCENE"));
    return 0;
}

int FuzzMp3(const uint8_t* data, size_t size) {
    const std::string path = WriteInput(data, size, ".mp3");
    MusicStream music(path.c_str(), MusicStream::Clock::Offline);
    if (!music.created) return 0;
    float spectrum[512];
    const float length = music.GetLength();
    for (float at : {0.0f, length * 0.5f, length}) {
        music.SetPosition(at);  // decodes up to there
        music.GetSpectrum(spectrum);
    }
    return 0;
}

int FuzzImage(const char* type, const uint8_t* data, size_t size) {
    ImageType found;
    if (!RecogniseImage(data, size, &found) || std::strcmp(ImageTypeName(found), type) != 0) return -1;
    TextureBudget budget;  // each input on its own, with the whole budget
    IDirect3DTexture9* texture = nullptr;
    std::string error;
    CreateTextureFromMemory(device, data, size, &texture, nullptr, &error, &budget);
    if (texture) texture->Release();
    return 0;
}

std::vector<std::string> FuzzTargetNames() {
    std::vector<std::string> names = {"composition", "scene", "mp3"};
    for (ImageType type : kImageTypes) names.push_back(std::string("image_") + ImageTypeName(type));
    return names;
}

bool RunFuzzEntry(const std::string& target, const uint8_t* data, size_t size, int* result) {
    if (target == "composition") return *result = FuzzComposition(data, size), true;
    if (target == "scene") return *result = FuzzScene(data, size), true;
    if (target == "mp3") return *result = FuzzMp3(data, size), true;
    for (ImageType type : kImageTypes)
        if (target == std::string("image_") + ImageTypeName(type))
            return *result = FuzzImage(ImageTypeName(type), data, size), true;
    return false;
}
