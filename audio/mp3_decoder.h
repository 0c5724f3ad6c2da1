// A thin wrapper over libmpg123: opens an MP3 file (by path or descriptor) for gapless
// decoding to interleaved 16-bit stereo at the file's own rate and tells its exact length. The file is untrusted:
// anything that is not a regular file of at most kMaxMusicBytes, or does not parse as MPEG audio, fails to open, and
// opening costs time in proportion to the file's size whatever its headers claim.
#pragma once

#include <cstddef>
#include <cstdint>

struct mpg123_handle_struct;

constexpr int64_t kMaxMusicBytes = 256ll << 20;  // the largest music file opened

class Mp3Decoder {
public:
    Mp3Decoder() = default;
    ~Mp3Decoder();
    Mp3Decoder(const Mp3Decoder&) = delete;
    Mp3Decoder& operator=(const Mp3Decoder&) = delete;

    // Mono files come out as two equal channels. False when the file is not MPEG audio.
    bool Open(const char* path);
    // The same from a descriptor of a regular file of `size` bytes (as OpenRegularFile gives).
    // The decoder reads through its own duplicate, so the caller may close fd at once, and two
    // decoders opened on one descriptor read the same file even if its path is replaced.
    bool OpenDescriptor(int fd, int64_t size);
    void Close();

    // Moves to frame `frame` of the piece; false when the library cannot get there exactly. The
    // frames that follow are the library's: compare them before taking them for those of a
    // decode from the start (a damaged file may resynchronise differently).
    bool SeekTo(int64_t frame);

    // Decodes up to maxFrames frames into out (2 samples per frame). Returns the frames written;
    // *ended is set once the data is over (end of file or a decoding error).
    int Read(int16_t* out, int maxFrames, bool* ended);

    int64_t Length() const { return length; }  // frames, gapless, from a full scan
    int Rate() const { return rate; }          // the file's own rate, the rate of every frame read
    int FileChannels() const { return fileChannels; }

private:
    bool OpenReader(void* reader, int64_t bytes);

    mpg123_handle_struct* handle = nullptr;
    int64_t length = 0;
    int rate = 0, fileChannels = 0;
};
