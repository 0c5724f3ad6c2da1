// inspect FILE: picks the describer from the file's extension (.mp3, .cda, .SCENE) and treats
// anything else as an image, which the loader recognises from its content.
#include <cstring>
#include <string>

#include "tools/commands.h"
#include "tools/options.h"

namespace {

const CommandSpec spec{"inspect", "usage: virelle-tools inspect FILE [--level0 OUT.png]", {{"--level0", true}}, 1};

bool EndsWith(const std::string& s, const char* suffix) {
    const size_t n = std::strlen(suffix);
    return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

}  // namespace

int CmdInspect(int argc, char** argv) {
    ParsedOptions options;
    std::string problem;
    if (!ParseOptions(spec, argc, argv, &options, &problem)) return RefuseOptions(spec, problem);
    if (options.positional.empty()) return RefuseOptions(spec, "");
    const std::string p = options.positional[0];
    const char* path = p.c_str();
    if (EndsWith(p, ".mp3") || EndsWith(p, ".MP3")) return InspectMp3(path);
    if (EndsWith(p, ".cda") || EndsWith(p, ".CDA")) return InspectComposition(path);
    if (EndsWith(p, ".SCENE") || EndsWith(p, ".scene")) return InspectScene(path);
    return InspectImage(path, options.Value("--level0"));
}
