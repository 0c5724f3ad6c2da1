// The show's music: composed in code, played on our synthesiser, encoded with libmp3lame.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "content/content.h"
#include "content/music/mp3_encoder.h"
#include "content/music/sequencer.h"

bool MakeMusic(const std::string& dir) {
    const synth::Stereo audio = sequencer::RenderPiece();
    // While composing: VIRELLE_MUSIC_WAV=path also writes the unencoded master for listening.
    if (const char* wav = std::getenv("VIRELLE_MUSIC_WAV"); wav && *wav && !WriteWav(wav, audio))
        std::fprintf(stderr, "make-content: cannot write %s\n", wav);
    std::vector<unsigned char> mp3;
    std::string error;
    if (!EncodeMp3(audio, 192, mp3, error)) {
        std::fprintf(stderr, "make-content: music encoding failed: %s\n", error.c_str());
        return false;
    }
    const std::string path = dir + "/music/poa.mp3";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "make-content: cannot write %s\n", path.c_str());
        return false;
    }
    const bool written = std::fwrite(mp3.data(), 1, mp3.size(), f) == mp3.size();
    if (std::fclose(f) != 0 || !written) {
        std::fprintf(stderr, "make-content: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}
