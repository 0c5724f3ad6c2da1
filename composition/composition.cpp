// The composition's run-time controls and the ownership of element vertex buffers.
#include "composition/composition.h"

#include <algorithm>
#include <utility>

Element::Element(Element&& other) noexcept
    : name(std::move(other.name)),
      textureName(std::move(other.textureName)),
      texture(other.texture),
      halfWidth(other.halfWidth),
      halfHeight(other.halfHeight),
      vertexBuffer(std::exchange(other.vertexBuffer, nullptr)),
      track(std::move(other.track)),
      offset(other.offset) {}

Element& Element::operator=(Element&& other) noexcept {
    if (this != &other) {
        ReleaseBuffer();
        name = std::move(other.name);
        textureName = std::move(other.textureName);
        texture = other.texture;
        halfWidth = other.halfWidth;
        halfHeight = other.halfHeight;
        vertexBuffer = std::exchange(other.vertexBuffer, nullptr);
        track = std::move(other.track);
        offset = other.offset;
    }
    return *this;
}

void Element::ReleaseBuffer() {
    if (vertexBuffer) vertexBuffer->Release();
    vertexBuffer = nullptr;
}

void Composition::SetElementTexture(int layer, int element, Texture* texture) {
    if (element == -1) return;
    if (layer < 0 || size_t(layer) >= layers.size()) return;
    std::vector<Element>& elements = layers[size_t(layer)].elements;
    if (element < 0 || size_t(element) >= elements.size()) return;
    elements[size_t(element)].texture = texture;
}

void Composition::SetOffset(int layer, int element, PoseKey pose) {
    if (layer < 0 || size_t(layer) >= layers.size()) return;
    Layer& l = layers[size_t(layer)];
    PoseKey* target = nullptr;
    if (element == -1)
        target = &l.offset;
    else if (element >= 0 && size_t(element) < l.elements.size())
        target = &l.elements[size_t(element)].offset;
    if (!target) return;
    PoseKey channelsOnly;  // time and rates 0
    for (auto channel : PoseKey::channels) channelsOnly.*channel = pose.*channel;
    *target = channelsOnly;
}

float Composition::EndTime() const {
    float end = 0.0f;
    auto lastTime = [&](const PoseTrack& track) {
        if (const size_t timed = track.TimedKeys()) end = std::max(end, track.keys[timed - 1].time);
    };
    for (const Layer& layer : layers) {
        lastTime(layer.track);
        for (const Element& element : layer.elements) lastTime(element.track);
    }
    return end;
}

void Composition::ReleaseResources() {
    for (Layer& layer : layers) {
        for (Element& element : layer.elements) element.ReleaseBuffer();
        layer.elements.clear();
    }
    layers.clear();
}
