// spectrum FILE --time T              JSON {"time", "length", "spectrum": [256 floats]}; "time" is the
//                                     position used, T clamped to 0..length
// spectrum FILE --from A --to B --fps F   one CSV line "t,s0,s1" per frame time A, A+1/F, ... <= B
// Both run the show's own stream on the offline clock, so the numbers are the ones the show sees.
#include <charconv>
#include <cstdio>
#include <string>

#include "audio/music_stream.h"
#include "platform/win32.h"
#include "tools/commands.h"
#include "tools/options.h"

namespace {

constexpr double maxFrames = 10e6;  // a bound on the CSV's length against typing slips

std::string Number(float v) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);  // shortest exact form
    return std::string(buffer, result.ptr);
}

const CommandSpec spec{"spectrum",
                       "usage: virelle-tools spectrum FILE (--time T | --from A --to B --fps F)",
                       {{"--time", true}, {"--from", true}, {"--to", true}, {"--fps", true}},
                       1};

}  // namespace

int CmdSpectrum(int argc, char** argv) {
    ParsedOptions options;
    std::string problem;
    double time = 0, from = 0, to = 0, fps = 0;
    if (!ParseOptions(spec, argc, argv, &options, &problem) || !options.Number("--time", &time, &problem) ||
        !options.Number("--from", &from, &problem) || !options.Number("--to", &to, &problem) ||
        !options.Number("--fps", &fps, &problem))
        return RefuseOptions(spec, problem);
    const bool haveTime = options.Has("--time"), haveFrom = options.Has("--from"), haveTo = options.Has("--to"),
               haveFps = options.Has("--fps");
    if (haveFps && !(fps > 0)) return RefuseOptions(spec, "--fps must be above 0");
    const char* path = options.positional.empty() ? nullptr : options.positional[0].c_str();
    const bool range = haveFrom && haveTo && haveFps;
    if (!path || haveTime == range || (!range && (haveFrom || haveTo || haveFps))) return RefuseOptions(spec, "");
    if (range && (to < from || (to - from) * fps > maxFrames)) {
        std::fprintf(stderr, "virelle-tools spectrum: --from must not pass --to, and at most %.0f frames\n", maxFrames);
        return 2;
    }

    SetMessageBoxHook([](const char* text, const char* caption) {
        std::fprintf(stderr, "%s: %s\n", Cp1252ToUtf8(caption).c_str(), Cp1252ToUtf8(text).c_str());
    });
    MusicStream music(path, MusicStream::Clock::Offline);
    if (!music.created) return 1;
    float spectrum[512] = {};

    if (haveTime) {
        music.SetPosition(float(time));
        music.GetSpectrum(spectrum);
        std::string json = "{\"time\": " + Number(music.GetPosition()) + ", \"length\": " + Number(music.GetLength()) +
                           ", \"spectrum\": [";
        for (int k = 0; k < 256; ++k) json += (k ? ", " : "") + Number(spectrum[k]);
        json += "]}\n";
        std::fputs(json.c_str(), stdout);
        return 0;
    }
    // Frame times as a frame loop would make them: start + index / rate, each rounded to a float once.
    for (long long frame = 0;; ++frame) {
        const float t = float(from + double(frame) / fps);
        if (double(t) > to) break;
        music.SetPosition(t);
        music.GetSpectrum(spectrum);
        std::printf("%s,%s,%s\n", Number(t).c_str(), Number(spectrum[0]).c_str(), Number(spectrum[1]).c_str());
    }
    return 0;
}
