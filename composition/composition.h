// The 2D composition: layers of textured quads, each moved, scaled, turned and faded by its track.
//
// Read from a ".cda" file by Composition::Load (composition_reader.cpp), drawn by Composition::Render
// (composition_render.cpp). Indices into `layers` and `elements` are positions as read from the file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "composition/pose_track.h"
#include "gfx/texture.h"

class ByteCursor;
struct Element;

// Called for each element as soon as its names are read, before its track: true to read on. A load
// looks the texture up there (and stops, after its box, at one it can't find); a walk for the names
// alone only notes them.
using ElementNamed = std::function<bool(Element&)>;

// One textured rectangle. Owns its vertex buffer (released on destruction or by ReleaseBuffer);
// borrows its texture from a registry.
struct Element {
    std::string name;
    std::string textureName;     // as stored in the file
    Texture* texture = nullptr;  // none: not drawn
    float halfWidth = 0.0f;      // half the level-0 width of the texture found at load, pixels
    float halfHeight = 0.0f;
    IDirect3DVertexBuffer9* vertexBuffer = nullptr;  // the quad, 4 x (x, y, z, u, v); none: not drawn
    PoseTrack track;
    PoseKey offset;  // added to the sampled pose, channel by channel

    Element() = default;
    ~Element() { ReleaseBuffer(); }
    Element(Element&& other) noexcept;
    Element& operator=(Element&& other) noexcept;
    Element(const Element&) = delete;
    Element& operator=(const Element&) = delete;

    // Names, then `named`, then the track. False on a damaged record (the cursor says why) or when
    // `named` says stop.
    bool Read(ByteCursor& in, const ElementNamed& named);
    void ReleaseBuffer();
};

struct Layer {
    std::string name;
    uint32_t layerWord = 0;              // kept, unused
    std::vector<uint32_t> elementOrder;  // positions in `elements`, first drawn first
    PoseTrack track;
    PoseKey offset;
    std::vector<Element> elements;

    // False on a damaged record or a failed element; the elements read so far stay.
    bool Read(ByteCursor& in, const ElementNamed& named);
};

class Composition {
public:
    // Fills an empty composition from a file, textures and quads too; false after one message box
    // on any failure.
    bool Load(const std::string& path);
    // Fills an empty composition from the records under the cursor, calling `named` for each
    // element; false on damage (the cursor says why) or when `named` says stop. Touches no texture,
    // box or device itself.
    bool Read(ByteCursor& in, const ElementNamed& named);
    // Draws at music time t (seconds) on the bound render target, inside its own Begin/EndScene.
    void Render(float t);
    // Shows the texture on that element, stretched to the quad's load-time size. Element -1, or a
    // position that doesn't exist, changes nothing.
    void SetElementTexture(int layer, int element, Texture* texture);
    // Copies the six channels of pose into the layer's offset (element -1) or the element's, with
    // time and rates 0. A position that doesn't exist changes nothing.
    void SetOffset(int layer, int element, PoseKey pose);
    // The time of the latest key of any layer or element (0 with no keys): nothing moves after it.
    float EndTime() const;
    // Releases every element's vertex buffer and empties the lists; textures stay with their registry.
    void ReleaseResources();

    std::vector<Layer> layers;
    std::vector<uint32_t> layerOrder;  // positions in `layers`, first drawn first (under the others)
    uint32_t headerWord = 0;           // kept, unused
};

// The file paths a texture name of a composition is looked up under, in order: the name as written
// (with forward slashes), then under "data/".
std::vector<std::string> TexturePathsFor(const std::string& textureName);

// Every distinct texture name of a ".cda" file, in the order a load asks for them, each with its
// paths (TexturePathsFor). Reads the file and nothing else: no texture, box or device is touched.
// A damaged file gives the names before the damage; one that can't be read gives none.
std::vector<std::vector<std::string>> CompositionTexturePaths(const std::string& path);
