// The show's music: composed in code, played on our synthesiser, encoded with libmp3lame.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "content/content.h"
#include "content/music/mp3_encoder.h"
#include "content/music/sequencer.h"
#include "io/file_replace.h"

bool MakeMusic(const std::string& dir) {
    const synth::Stereo audio = sequencer::RenderPiece();
    // While composing: VIRELLE_MUSIC_WAV=path also writes the unencoded master for listening.
    std::string why;
    if (const char* wav = std::getenv("VIRELLE_MUSIC_WAV"); wav && *wav && !WriteWav(wav, audio, &why))
        std::fprintf(stderr, "make-content: cannot write %s: %s\n", wav, why.c_str());
    std::vector<unsigned char> mp3;
    std::string error;
    if (!EncodeMp3(audio, 192, mp3, error)) {
        std::fprintf(stderr, "make-content: music encoding failed: %s\n", error.c_str());
        return false;
    }
    const std::string path = dir + "/music/poa.mp3";
    if (!ReplaceFile(path, mp3.data(), mp3.size(), &why)) {
        std::fprintf(stderr, "make-content: cannot write %s: %s\n", path.c_str(), why.c_str());
        return false;
    }
    return true;
}
