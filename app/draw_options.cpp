// --resolution and --supersample, read the same way for every command.
#include "app/draw_options.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// Digits only, up to `stop`, within [kMinDrawSide, kMaxDrawSide].
bool ReadSide(const char* text, char stop, int* side, const char** rest) {
    if (!std::isdigit(static_cast<unsigned char>(*text))) return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno == ERANGE || *end != stop || v < kMinDrawSide || v > kMaxDrawSide) return false;
    *side = static_cast<int>(v);
    *rest = end;
    return true;
}

}  // namespace

bool ParseDrawOptions(const DrawOptionText& text, DrawSize* size, std::string* problem) {
    if (!text.resolution && !text.supersample) return true;
    if (!PlatformDrawsAtAnySize()) {
        *problem = "--resolution and --supersample are not available here: this build draws the show at 640x480";
        return false;
    }
    DrawSize s;
    if (text.resolution) {
        const char* rest = nullptr;
        if (text.nativeAllowed && !std::strcmp(text.resolution, "native")) {
            s.native = true;
        } else if (!ReadSide(text.resolution, 'x', &s.width, &rest) || !ReadSide(rest + 1, '\0', &s.height, &rest) ||
                   (text.evenSides && (s.width % 2 || s.height % 2))) {
            *problem = std::string("--resolution must be WxH") + (text.evenSides ? ", both even," : "") + " from " +
                       std::to_string(kMinDrawSide) + "x" + std::to_string(kMinDrawSide) + " to " +
                       std::to_string(kMaxDrawSide) + "x" + std::to_string(kMaxDrawSide) +
                       (text.nativeAllowed ? " (or native)" : "") + ", not '" + text.resolution + "'";
            return false;
        }
    }
    if (text.supersample) {
        const char* t = text.supersample;
        if (std::strlen(t) != 1 || t[0] < '1' || t[0] > '0' + kMaxSupersample) {
            *problem = std::string("--supersample must be a whole number from 1 to ") +
                       std::to_string(kMaxSupersample) + ", not '" + t + "'";
            return false;
        }
        s.supersample = t[0] - '0';
    }
    *size = s;
    return true;
}
