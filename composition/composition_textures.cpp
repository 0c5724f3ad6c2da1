// The texture names of a ".cda" file, found by walking its records as the reader does but keeping
// nothing else: what a loader may prepare before the composition itself is read.
#include <algorithm>
#include <bit>

#include "composition/composition.h"
#include "io/byte_cursor.h"
#include "io/file_read.h"

namespace {

// Steps over `count` u32 positions.
bool SkipOrder(ByteCursor& in, uint32_t count) {
    return in.Fits(count, 4, "order") && in.Skip(size_t(count) * 4);
}

// Steps over a track: its count, the first record's seven floats, then each further record's
// flags, time and one float per set channel bit.
bool SkipTrack(ByteCursor& in) {
    uint32_t count = 0;
    if (!in.U32(&count) || !in.Skip(7 * 4)) return false;
    if (count > 1 && !in.Fits(count - 1, 5, "key")) return false;
    for (uint32_t i = 1; i < count; ++i) {
        uint8_t flags = 0;
        if (!in.U8(&flags) || !in.Skip(4 + 4 * size_t(std::popcount(unsigned(flags & 0xFC))))) return false;
    }
    return true;
}

}  // namespace

std::vector<std::vector<std::string>> CompositionTexturePaths(const std::string& path) {
    std::vector<std::vector<std::string>> found;
    std::vector<uint8_t> bytes;
    std::string refusal;
    if (!ReadWholeFile(path, kMaxDocumentBytes, &bytes, &refusal)) return found;
    ByteCursor in(bytes.data(), bytes.size());
    uint32_t layers = 0;
    if (!in.Skip(4) || !in.U32(&layers) || !SkipOrder(in, layers)) return found;
    for (uint32_t l = 0; l < layers; ++l) {
        std::string name;
        uint32_t elements = 0;
        if (!in.ShortString(&name) || !in.Skip(4) || !in.U32(&elements) || !SkipOrder(in, elements) || !SkipTrack(in))
            break;
        bool whole = true;
        for (uint32_t e = 0; whole && e < elements; ++e) {
            std::string textureName;
            whole = in.ShortString(&name) && in.ShortString(&textureName);
            if (!whole) break;
            std::vector<std::string> paths = TexturePathsFor(textureName);
            if (std::find(found.begin(), found.end(), paths) == found.end()) found.push_back(std::move(paths));
            whole = SkipTrack(in);
        }
        if (!whole) break;
    }
    return found;
}
