// libmpg123 behind Mp3Decoder. Gapless decoding trims the encoder delay and padding that the
// encoder's Info tag records, so the frame count is the count that was encoded.
#include "audio/mp3_decoder.h"

#include <mpg123.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "io/file_read.h"

namespace {

// The decoder's view of the file: reads go through one large buffer and seeks only move the
// cursor. The library reads frame by frame and the length scan skips from header to header; on
// the plain descriptor that was a system call or two per frame (tens of ms for a whole piece).
struct FileReader {
    int fd = -1;
    int64_t size = 0;         // bytes in the file when opened
    int64_t position = 0;     // the library's cursor
    int64_t bufferStart = 0;  // file offset of buffer[0]
    size_t bufferBytes = 0;   // valid bytes in buffer
    std::vector<unsigned char> buffer = std::vector<unsigned char>(256 * 1024);

    ~FileReader() { CloseFile(fd); }
};

mpg123_ssize_t ReadFile(void* handle, void* out, size_t count) {
    FileReader* r = static_cast<FileReader*>(handle);
    size_t done = 0;
    while (done < count && r->position < r->size) {
        if (r->position < r->bufferStart || r->position >= r->bufferStart + int64_t(r->bufferBytes)) {
            r->bufferStart = r->position;
            r->bufferBytes = 0;
            const int64_t got = ReadFileAt(r->fd, r->buffer.data(), r->buffer.size(), uint64_t(r->position));
            if (got <= 0) break;  // the file shrank, or cannot be read
            r->bufferBytes = size_t(got);
        }
        const size_t offset = size_t(r->position - r->bufferStart);
        const size_t n = std::min(count - done, r->bufferBytes - offset);
        std::memcpy(static_cast<unsigned char*>(out) + done, r->buffer.data() + offset, n);
        done += n;
        r->position += int64_t(n);
    }
    return mpg123_ssize_t(done);
}

off_t SeekFile(void* handle, off_t offset, int whence) {
    FileReader* r = static_cast<FileReader*>(handle);
    const int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? r->position : whence == SEEK_END ? r->size : -1;
    if (base < 0 || base + int64_t(offset) < 0) return -1;
    r->position = base + int64_t(offset);
    return off_t(r->position);
}

void CloseFile(void* handle) {
    delete static_cast<FileReader*>(handle);
}

// A reader for the file at path, or null when it is missing, empty, not a regular file or too big.
FileReader* OpenFile(const char* path) {
    int fd;
    uint64_t size;
    std::string refusal;
    if (!OpenRegularFile(path, uint64_t(kMaxMusicBytes), &fd, &size, &refusal)) {
        if (refusal != kCannotOpenFile) std::fprintf(stderr, "%s\n", FileProblem(path, refusal).c_str());
        return nullptr;
    }
    FileReader* r = new FileReader;
    r->fd = fd;
    r->size = int64_t(size);
    if (r->size <= 0) {
        delete r;
        return nullptr;
    }
    return r;
}

// No MPEG frame is shorter than 24 bytes or holds more than 1152 frames of sound: the most a
// file of a given size can decode to, whatever its headers say.
int64_t MostFramesIn(int64_t bytes) {
    return (bytes / 24 + 1) * 1152;
}

}  // namespace

Mp3Decoder::~Mp3Decoder() {
    Close();
}

void Mp3Decoder::Close() {
    if (handle) mpg123_delete(handle);
    handle = nullptr;
    length = 0;
    rate = fileChannels = 0;
}

bool Mp3Decoder::Open(const char* path) {
    Close();
    FileReader* reader = OpenFile(path);
    if (!reader) return false;
    return OpenReader(reader, reader->size);
}

bool Mp3Decoder::OpenDescriptor(int fd, int64_t size) {
    Close();
    if (fd < 0 || size <= 0 || size > kMaxMusicBytes) return false;
    FileReader* r = new FileReader;
    r->fd = DuplicateFile(fd);
    r->size = size;
    if (r->fd < 0) {
        delete r;
        return false;
    }
    return OpenReader(r, r->size);
}

bool Mp3Decoder::OpenReader(void* reader, int64_t fileBytes) {
    auto drop = [&] { CloseFile(reader); };
    int error = MPG123_OK;
    handle = mpg123_new(nullptr, &error);
    if (!handle) {
        drop();
        return false;
    }
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET | MPG123_FORCE_STEREO, 0);
    // Every rate the library decodes, and none it would have to resample to: its forced-rate path
    // smears a pure tone across the spectrum, and its set-up there does work in proportion to the
    // frame count an Info tag claims, which a 2 KB file can make hours long.
    mpg123_format_none(handle);
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i) mpg123_format(handle, rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16);

    long gotRate = 0;
    int gotChannels = 0, gotEncoding = 0;
    const int replaced = mpg123_replace_reader_handle(handle, &ReadFile, &SeekFile, &CloseFile);
    if (replaced != MPG123_OK) {
        drop();
        Close();
        return false;
    }
    // From here the library owns the reader and frees it when the handle closes, failed or not.
    if (mpg123_open_handle(handle, reader) != MPG123_OK) {
        Close();
        return false;
    }
    // getformat reads up to the first valid frame; text, images and noise fail here. Nothing else
    // may be asked of the handle after a failure (a scan then divides by zero inside the library).
    if (mpg123_getformat(handle, &gotRate, &gotChannels, &gotEncoding) != MPG123_OK || gotChannels != 2 ||
        gotEncoding != MPG123_ENC_SIGNED_16 || gotRate <= 0) {
        Close();
        return false;
    }
    mpg123_frameinfo2 info{};
    mpg123_info2(handle, &info);
    fileChannels = info.mode == MPG123_M_MONO ? 1 : 2;
    rate = int(gotRate);

    // Past the first frame the file is known to be MPEG audio: from here on damage is skipped
    // however long it is, rather than ending the piece at the first hole.
    mpg123_param(handle, MPG123_RESYNC_LIMIT, -1, 0);

    // A full scan of the frame headers gives the exact count even when the Info tag is missing or
    // wrong (a cut-off file keeps the tag of the whole one). It parses headers only: about a
    // millisecond for a whole piece.
    if (mpg123_scan(handle) != MPG123_OK) {
        Close();
        return false;
    }
    const off_t frames = mpg123_length(handle);
    if (frames <= 0) {
        Close();
        return false;
    }
    length = std::min(int64_t(frames), MostFramesIn(fileBytes));
    return true;
}

bool Mp3Decoder::SeekTo(int64_t frame) {
    if (!handle || frame < 0 || frame > length) return false;
    return mpg123_seek(handle, off_t(frame), SEEK_SET) == off_t(frame);
}

int Mp3Decoder::Read(int16_t* out, int maxFrames, bool* ended) {
    *ended = false;
    if (!handle) {
        *ended = true;
        return 0;
    }
    if (maxFrames <= 0) return 0;
    size_t done = 0;
    const int result = mpg123_read(handle, out, size_t(maxFrames) * 2 * sizeof(int16_t), &done);
    if (result != MPG123_OK && result != MPG123_NEW_FORMAT) *ended = true;  // done, or damaged beyond use
    return int(done / (2 * sizeof(int16_t)));
}
