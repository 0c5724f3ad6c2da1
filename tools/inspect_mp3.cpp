// inspect FILE.mp3: the file's rate and channels, its exact sample count (gapless) and the length
// in seconds that the show's stream reports, as JSON.
#include <charconv>
#include <cstdio>
#include <string>

#include "audio/mp3_decoder.h"
#include "audio/music_stream.h"
#include "platform/win32.h"
#include "tools/commands.h"

int InspectMp3(const char* path) {
    SetMessageBoxHook([](const char* text, const char* caption) {
        std::fprintf(stderr, "%s: %s\n", Cp1252ToUtf8(caption).c_str(), Cp1252ToUtf8(text).c_str());
    });
    MusicStream music(path, MusicStream::Clock::Offline);
    Mp3Decoder file;
    if (!music.created || !file.Open(path)) {
        std::fprintf(stderr, "virelle-tools inspect: %s is not playable MPEG audio\n", path);
        return 1;
    }
    char length[32];
    *std::to_chars(length, length + sizeof length - 1, music.GetLength()).ptr = '\0';
    std::printf("{\"sampleRate\": %d, \"channels\": %d, \"samples\": %lld, \"length\": %s}\n", file.Rate(),
                file.FileChannels(), static_cast<long long>(file.Length()), length);
    return 0;
}
