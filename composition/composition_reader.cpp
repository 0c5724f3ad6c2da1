// Reading a ".cda" file: layers, elements, their tracks, texture lookup and the element quads, and
// the same walk for the texture names alone.
//
// The file is untrusted: it is read whole and walked with one ByteCursor. A file that ends early,
// a count that runs past the end or a drawing-order entry out of range fails the load with one
// "Loaderror" box naming the file and the problem.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "composition/composition.h"
#include "io/byte_cursor.h"
#include "io/file_read.h"
#include "platform/d3dwindow.h"

namespace {

// Smallest records, for bounding counts by the bytes left.
constexpr size_t minLayerBytes = 1 + 4 + 4 + 4 + 28;  // empty name, word, N = 0, track of one key
constexpr size_t minElementBytes = 1 + 1 + 4 + 28;    // two empty names, track of one key

// How a damaged file is described; the offset follows as " at byte N".
const CursorWording cdaWording = {
    [](const char* what) { return std::string("ends early in the ") + what; },
    [](const char* what, uint64_t count) {
        return std::string(what) + " count " + std::to_string(count) + " runs past the end";
    },
};

void ShowBox(const char* caption, const char* format, const char* argument) {
    char text[128];  // longer texts are cut here
    std::snprintf(text, sizeof text, format, argument);
    MessageBoxA(nullptr, text, caption, MB_OK);
}

// count u32 positions, each below count: the drawing order of that many layers or elements.
bool ReadOrder(ByteCursor& in, uint32_t count, std::vector<uint32_t>* order, const char* what) {
    if (!in.Fits(count, 4, what)) return false;
    order->reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t position = 0;
        if (!in.U32(&position, what)) return false;
        if (position >= count)
            return in.Fail(std::string(what) + " order entry " + std::to_string(position) + " out of range");
        order->push_back(position);
    }
    return true;
}

// Names written on Windows may use backslashes; the file is opened with forward slashes.
std::string WithForwardSlashes(std::string name) {
    for (char& c : name)
        if (c == '\\') c = '/';
    return name;
}

// Under each of its paths in turn; null when none loads.
Texture* FindTexture(const std::string& textureName) {
    if (!fileTextures) return nullptr;
    for (const std::string& path : TexturePathsFor(textureName))
        if (Texture* t = fileTextures->GetOrLoad(path)) return t;
    return nullptr;
}

// The quad of the element's load-time size in a managed buffer, written once. Without a buffer
// (no device, creation or lock refused) the element is kept but not drawn.
void BuildQuad(Element& e) {
    e.halfWidth = float(e.texture->desc.Width) * 0.5f;
    e.halfHeight = float(e.texture->desc.Height) * 0.5f;
    if (!device) return;
    if (FAILED(device->CreateVertexBuffer(80, D3DUSAGE_WRITEONLY, D3DFVF_XYZ | D3DFVF_TEX1, D3DPOOL_MANAGED,
                                          &e.vertexBuffer, nullptr))) {
        e.vertexBuffer = nullptr;
        return;
    }
    void* data = nullptr;
    if (FAILED(e.vertexBuffer->Lock(0, 80, &data, 0)) || !data) {
        e.ReleaseBuffer();
        return;
    }
    const float w = e.halfWidth, h = e.halfHeight;
    const float quad[4][5] = {{-w, h, 1.0f, 0.0f, 0.0f},  // x, y, z, u, v; y up, texture upright
                              {w, h, 1.0f, 1.0f, 0.0f},
                              {w, -h, 1.0f, 1.0f, 1.0f},
                              {-w, -h, 1.0f, 0.0f, 1.0f}};
    static_assert(sizeof quad == 80);
    std::memcpy(data, quad, sizeof quad);
    e.vertexBuffer->Unlock();
}

// The load's step for each element: its texture, then its quad.
bool FindTextureAndBuildQuad(Element& e) {
    e.texture = FindTexture(e.textureName);
    if (!e.texture) {
        ShowBox("Load Error", "Unable to find texture: %s", e.textureName.c_str());
        return false;
    }
    BuildQuad(e);
    return true;
}

}  // namespace

std::vector<std::string> TexturePathsFor(const std::string& textureName) {
    const std::string name = WithForwardSlashes(textureName);
    return {name, "data/" + name};
}

bool Element::Read(ByteCursor& in, const ElementNamed& named) {
    if (!in.ShortString(&name, "element name") || !in.ShortString(&textureName, "texture name")) return false;
    return named(*this) && track.Read(in);
}

bool Layer::Read(ByteCursor& in, const ElementNamed& named) {
    uint32_t count = 0;
    if (!in.ShortString(&name, "layer name") || !in.U32(&layerWord, "layer word") || !in.U32(&count, "element count") ||
        !ReadOrder(in, count, &elementOrder, "element") || !track.Read(in) ||
        !in.Fits(count, minElementBytes, "element"))
        return false;
    for (uint32_t i = 0; i < count; ++i) {
        Element element;
        if (!element.Read(in, named)) return false;
        elements.push_back(std::move(element));
    }
    return true;
}

bool Composition::Load(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::string refusal;
    if (!ReadWholeFile(path, kMaxDocumentBytes, &bytes, &refusal)) {
        // The system's box for a file it cannot open; a refused file's reason beside it on stderr.
        if (refusal != kCannotOpenFile) std::fprintf(stderr, "%s\n", FileProblem(path, refusal).c_str());
        ShowBox("Loaderror", "klarte ikke \xE5 \xE5pne %s", path.c_str());
        return false;
    }
    ByteCursor in(bytes.data(), bytes.size(), cdaWording);
    const bool ok = Read(in, FindTextureAndBuildQuad);
    // A missing texture has had its own box; damage gets one naming the file and the problem.
    if (!ok && in.Failed()) {
        const std::string text = FileProblemAt(path, in.Problem(), in.ProblemOffset());
        ShowBox("Loaderror", "Damaged file %s", text.c_str());
    }
    return ok;
}

bool Composition::Read(ByteCursor& in, const ElementNamed& named) {
    uint32_t count = 0;
    bool ok = in.U32(&headerWord, "header word") && in.U32(&count, "layer count") &&
              ReadOrder(in, count, &layerOrder, "layer") && in.Fits(count, minLayerBytes, "layer");
    for (uint32_t i = 0; ok && i < count; ++i) {
        Layer layer;
        ok = layer.Read(in, named);
        if (ok) layers.push_back(std::move(layer));
    }
    return ok;
}

std::vector<std::vector<std::string>> CompositionTexturePaths(const std::string& path) {
    std::vector<std::vector<std::string>> found;
    std::vector<uint8_t> bytes;
    std::string refusal;
    if (!ReadWholeFile(path, kMaxDocumentBytes, &bytes, &refusal)) return found;
    ByteCursor in(bytes.data(), bytes.size());
    Composition names;  // nothing of it is kept: no texture or buffer is ever made for it
    names.Read(in, [&](Element& e) {
        std::vector<std::string> paths = TexturePathsFor(e.textureName);
        if (std::find(found.begin(), found.end(), paths) == found.end()) found.push_back(std::move(paths));
        return true;
    });
    return found;
}
