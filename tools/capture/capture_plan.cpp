// The capture's plan: names, sizes, frames and samples.
#include "tools/capture/capture_plan.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "app/offline.h"

namespace {

constexpr int minSide = 16;
constexpr int maxWidth = 7680, maxHeight = 4320;

// A whole number from text[0..] up to `stop`; false for anything else.
bool ParsePart(const char* text, char stop, int* value, const char** rest) {
    if (!std::isdigit(static_cast<unsigned char>(*text))) return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno == ERANGE || *end != stop || v > 100000) return false;
    *value = static_cast<int>(v);
    *rest = end;
    return true;
}

int Even(double v) {
    return 2 * static_cast<int>(std::lround(v / 2.0));
}

}  // namespace

Container ContainerForPath(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == ".mp4") return Container::Mp4;
    if (ext == ".mkv") return Container::Matroska;
    return Container::Unknown;
}

bool ParseVideoSize(const char* text, int* width, int* height) {
    int w = 0, h = 0;
    const char* rest = nullptr;
    if (!text || !ParsePart(text, 'x', &w, &rest) || !ParsePart(rest + 1, '\0', &h, &rest)) return false;
    if (w < minSide || h < minSide || w > maxWidth || h > maxHeight || w % 2 || h % 2) return false;
    *width = w;
    *height = h;
    return true;
}

PictureRect FitPicture(int sourceWidth, int sourceHeight, int width, int height) {
    PictureRect r;
    if (int64_t(width) * sourceHeight > int64_t(height) * sourceWidth) {  // wider: bars left and right
        r.height = height;
        r.width = std::min(width, Even(double(height) * sourceWidth / sourceHeight));
    } else {  // taller (or the same shape): bars top and bottom
        r.width = width;
        r.height = std::min(height, Even(double(width) * sourceHeight / sourceWidth));
    }
    r.x = (width - r.width) / 4 * 2;  // centred, rounded down to even
    r.y = (height - r.height) / 4 * 2;
    return r;
}

CaptureRange PlanCaptureRange(double from, double to, double fps, int64_t musicSamples, int rate) {
    CaptureRange r;
    r.fps = fps;
    r.rate = rate;
    // The offline run ends where the music's length, as the show reads it, is reached.
    const double length = static_cast<float>(double(musicSamples) / rate);
    r.firstFrame = OfflineFirstFrameAtOrAfter(from, fps);
    r.endFrame = std::max(r.firstFrame, OfflineFirstFrameAtOrAfter(std::min(to, length), fps));
    r.firstSample = std::min<int64_t>(musicSamples, std::llround(double(r.firstFrame) / fps * rate));
    r.endSample = std::clamp<int64_t>(std::llround(double(r.endFrame) / fps * rate), r.firstSample, musicSamples);
    return r;
}

int64_t SamplesThrough(const CaptureRange& range, long pictures) {
    const double end = double(range.firstFrame + pictures) / range.fps * range.rate;
    return std::clamp<int64_t>(std::llround(end), range.firstSample, range.endSample);
}
