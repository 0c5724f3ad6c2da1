// Writer for the composition format (".cda"): layers of textured elements, each with a pose track.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One key as the file stores it. Positions are the track's own units: an element's centre lands
// at twice its (x, y) in its layer.
struct CdaKey {
    float time = 0;
    float alpha = 1;
    float rotation = 0;
    float x = 0;
    float y = 0;
    float scaleX = 1;
    float scaleY = 1;
};

struct CdaElement {
    std::string name;
    std::string textureName;   // looked up as stored, then under "data/"
    std::vector<CdaKey> keys;  // strictly increasing times; at least one
};

struct CdaLayer {
    std::string name;
    uint32_t layerWord = 0;
    std::vector<uint32_t> elementOrder;  // empty: file order
    std::vector<CdaKey> keys;
    std::vector<CdaElement> elements;
};

struct CdaComposition {
    uint32_t headerWord = 0;
    std::vector<uint32_t> layerOrder;  // empty: file order
    std::vector<CdaLayer> layers;
};

// Empty when the composition can be written as is, else what is wrong with it: strings over 127
// bytes, tracks without keys or with times not strictly increasing (the reader would drop keys
// with a message box), negative times, drawing orders that are not permutations.
std::string CheckCda(const CdaComposition& composition);

// The file's bytes. Each further key stores only the channels that differ from the key before.
std::vector<uint8_t> WriteCda(const CdaComposition& composition);
