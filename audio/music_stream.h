// The show's music and clock: streams an MP3 file to the sound output and reports the position
// being heard, the length and the spectrum at that position. With Clock::Offline nothing is played:
// the caller sets the position (capture, tools, tests) and everything else reads as in real time.
//
// Failures show the system's message boxes: no sound output ("No Init", then the music plays on
// a silent output in real time), a file that cannot be played ("Cant Play Funky Music"; position and
// length then read 0) and Play without a stream ("Must CreateStream First").
// All calls come from one thread; decoding and output run on their own threads inside.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

class AudioOut;
struct MusicStreamState;

class MusicStream {
public:
    enum class Clock { RealTime, Offline };

    explicit MusicStream(const char* fileName, Clock clock = Clock::RealTime);
    ~MusicStream();
    MusicStream(const MusicStream&) = delete;
    MusicStream& operator=(const MusicStream&) = delete;

    void Play();  // from the start; again after Stop, from where it stopped
    void Stop();  // the output stops; the stream stays open
    // 256 magnitudes of the music from the current position on, into destination[0..255] only.
    void GetSpectrum(float* destination);
    // Seconds. Once the music has played to its end the two are the same float.
    float GetPosition();
    float GetLength();
    // Offline clock only: moves the position (clamped to 0..length). Ignored in real time.
    void SetPosition(float seconds);
    // Either clock: playback goes on (or, stopped, will start) from `seconds`, clamped to 0..length,
    // and the position reads that frame until the output has played it. Going back decodes the
    // music there again (a few seconds around the play head are held), to the same samples.
    void Seek(float seconds);
    // The spectrum GetSpectrum gives when the position is `seconds` (as the offline clock sets it).
    void SpectrumAt(float seconds, float* destination);

    // Bytes of decoded music held now (a window around the play head); for measurements.
    size_t DecodedBytes() const;

    std::unique_ptr<MusicStreamState> stream;  // the open stream; null when none could be opened
    bool created = false;                      // true once the stream has been opened

private:
    static void Pull(void* user, int16_t* interleaved, int frames);

    Clock clock;
    std::unique_ptr<AudioOut> output;  // real time only
    bool playing = false;              // between Play and Stop
};
