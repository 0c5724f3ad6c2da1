// frame: one picture drawn headless and written as PNG, of a composition, a scene or the show.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/commands.h"

int CmdFrame(int argc, char** argv) {
    const char* composition = nullptr;
    const char* scene = nullptr;
    const char* out = nullptr;
    const char* time = nullptr;
    int camera = 100;
    float fps = 60.0f;
    for (int i = 0; i + 1 < argc; i += 2) {
        const char* key = argv[i];
        const char* value = argv[i + 1];
        if (!std::strcmp(key, "--composition"))
            composition = value;
        else if (!std::strcmp(key, "--scene"))
            scene = value;
        else if (!std::strcmp(key, "--out"))
            out = value;
        else if (!std::strcmp(key, "--time"))
            time = value;
        else if (!std::strcmp(key, "--camera"))
            camera = std::atoi(value);
        else if (!std::strcmp(key, "--fps"))
            fps = std::strtof(value, nullptr);
        else {
            std::fprintf(stderr, "virelle-tools frame: unknown option '%s'\n", key);
            return 2;
        }
    }
    if (argc % 2 != 0 || !out || !time || (composition && scene) || !(fps > 0.0f)) {
        std::fprintf(stderr,
                     "usage: virelle-tools frame [--composition F | --scene F --camera N] --time T --out F.png "
                     "[--fps F]\n");
        return 2;
    }
    const float t = std::strtof(time, nullptr);
    if (composition) return FrameComposition(composition, t, out);
    if (scene) return FrameScene(scene, camera, t, out);
    return FrameShow(t, fps, out);
}
