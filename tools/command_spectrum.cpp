// spectrum FILE --time T              JSON {"time", "length", "spectrum": [256 floats]}; "time" is the
//                                     position used, T clamped to 0..length
// spectrum FILE --from A --to B --fps F   one CSV line "t,s0,s1" per frame time A, A+1/F, ... <= B
// Both run the show's own stream on the offline clock, so the numbers are the ones the show sees.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "audio/music_stream.h"
#include "platform/sdl/win32.h"
#include "tools/commands.h"

namespace {

constexpr double maxFrames = 10e6;  // a bound on the CSV's length against typing slips

bool ParseNumber(const char* text, double* out) {
    char* end = nullptr;
    *out = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(*out);
}

std::string Number(float v) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);  // shortest exact form
    return std::string(buffer, result.ptr);
}

int Usage() {
    std::fprintf(stderr, "usage: virelle-tools spectrum FILE (--time T | --from A --to B --fps F)\n");
    return 2;
}

}  // namespace

int CmdSpectrum(int argc, char** argv) {
    const char* path = nullptr;
    double time = 0, from = 0, to = 0, fps = 0;
    bool haveTime = false, haveFrom = false, haveTo = false, haveFps = false;
    for (int i = 0; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--time") && hasValue) {
            haveTime = ParseNumber(argv[++i], &time);
            if (!haveTime) return Usage();
        } else if (!std::strcmp(argv[i], "--from") && hasValue) {
            haveFrom = ParseNumber(argv[++i], &from);
            if (!haveFrom) return Usage();
        } else if (!std::strcmp(argv[i], "--to") && hasValue) {
            haveTo = ParseNumber(argv[++i], &to);
            if (!haveTo) return Usage();
        } else if (!std::strcmp(argv[i], "--fps") && hasValue) {
            haveFps = ParseNumber(argv[++i], &fps) && fps > 0;
            if (!haveFps) return Usage();
        } else if (!path && argv[i][0] != '-') {
            path = argv[i];
        } else {
            return Usage();
        }
    }
    const bool range = haveFrom && haveTo && haveFps;
    if (!path || haveTime == range || (!range && (haveFrom || haveTo || haveFps))) return Usage();
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
