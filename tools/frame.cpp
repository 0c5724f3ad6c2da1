// frame: one picture drawn headless and written as PNG, of a composition, a scene or the show.
#include <string>

#include "tools/commands.h"
#include "tools/options.h"

namespace {

const CommandSpec spec{"frame",
                       "usage: virelle-tools frame [--composition F | --scene F --camera N] --time T --out F.png "
                       "[--fps F] [--resolution WxH] [--supersample N]",
                       {{"--composition", true},
                        {"--scene", true},
                        {"--out", true},
                        {"--time", true},
                        {"--camera", true},
                        {"--fps", true},
                        {"--resolution", true},
                        {"--supersample", true}}};

}  // namespace

int CmdFrame(int argc, char** argv) {
    ParsedOptions options;
    std::string problem;
    int camera = 100;
    float fps = 60.0f;
    float time = 0.0f;
    DrawSize size;
    if (!ParseOptions(spec, argc, argv, &options, &problem) || !options.Integer("--camera", &camera, &problem) ||
        !options.Number("--fps", &fps, &problem) || !options.Number("--time", &time, &problem) ||
        !ParseToolDrawSize(options, &size, &problem))
        return RefuseOptions(spec, problem);
    const char* composition = options.Value("--composition");
    const char* scene = options.Value("--scene");
    const char* out = options.Value("--out");
    if (!out || !options.Has("--time") || (composition && scene) || !(fps > 0.0f)) return RefuseOptions(spec, "");
    if (composition) return FrameComposition(composition, time, out, size);
    if (scene) return FrameScene(scene, camera, time, out, size);
    return FrameShow(time, fps, out, size);
}
