// Drawing, read back from the headless device: where elements land, their alpha, drawing order and
// the run-time controls.
#include <gtest/gtest.h>

#include <cmath>

#include "composition/composition.h"
#include "platform/d3dwindow.h"
#include "platform/device_readback.h"
#include "tests/composition/composition_files.h"

namespace {

constexpr float halfPi = 1.57079633f;

struct Picture {
    std::vector<uint8_t> bgra;
    UINT width = 0, height = 0;
    const uint8_t* At(int x, int y) const { return &bgra[(size_t(y) * width + size_t(x)) * 4]; }
};

// Where a colour channel (0 blue, 1 green, 2 red) is lit, in picture units from the centre, y up.
struct Box {
    int count = 0;
    int minX = 1 << 20, minY = 1 << 20, maxX = -1, maxY = -1;
    float CentreX() const { return (minX + maxX + 1) * 0.5f - 320.0f; }
    float CentreY() const { return 240.0f - (minY + maxY + 1) * 0.5f; }
    int Width() const { return maxX - minX + 1; }
    int Height() const { return maxY - minY + 1; }
};

Box Find(const Picture& p, int channel) {
    Box b;
    for (int y = 0; y < int(p.height); ++y)
        for (int x = 0; x < int(p.width); ++x)
            if (p.At(x, y)[channel] > 8) {
                ++b.count;
                b.minX = std::min(b.minX, x), b.maxX = std::max(b.maxX, x);
                b.minY = std::min(b.minY, y), b.maxY = std::max(b.maxY, y);
            }
    return b;
}

Picture Draw(Composition& c, float t) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
    c.Render(t);
    Picture p;
    EXPECT_EQ(PlatformReadRenderTarget(device, &p.bgra, &p.width, &p.height), D3D_OK);
    EXPECT_EQ(p.width, 640u);
    return p;
}

class Drawing : public CompositionFiles {
protected:
    void SetUp() override {
        CompositionFiles::SetUp();
        WriteImage("red.ppm", 16, 8, 255, 0, 0);
        WriteImage("green.ppm", 32, 32, 0, 255, 0);
    }
    // One layer with the given pose holding one red 16 x 8 element with the given pose.
    Composition Load(const Pose& layer, const Pose& element) {
        CdaWriter w;
        w.Header(0, {0}).LayerStart("l", 0, {0}, {layer}).ElementRecord("e", "red.ppm", {element});
        WriteCda("c.cda", w);
        Composition c;
        EXPECT_TRUE(c.Load("c.cda"));
        return c;
    }
};

const Pose identity{0, 0, 1, 1, 0, 1, 0};

TEST_F(Drawing, ElementCentreLiesAtTwiceItsPosition) {
    const struct {
        Pose element;
        float centreX, centreY;
        int width, height;
    } cases[] = {
        {{10, 0, 1, 1, 0, 1, 0}, 20, 0, 16, 8},
        {{0, -15, 1, 1, 0, 1, 0}, 0, -30, 16, 8},
        {{-40, 30, 2, 3, 0, 1, 0}, -80, 60, 32, 24},
        {{10, 0, 1, 1, halfPi, 1, 0}, 20, 0, 8, 16},  // turned about its own centre
    };
    for (const auto& k : cases) {
        Composition c = Load(identity, k.element);
        const Box b = Find(Draw(c, 0), 2);
        EXPECT_NEAR(b.CentreX(), k.centreX, 1.0f) << k.element.x << "," << k.element.y;
        EXPECT_NEAR(b.CentreY(), k.centreY, 1.0f) << k.element.x << "," << k.element.y;
        EXPECT_NEAR(b.Width(), k.width, 1);
        EXPECT_NEAR(b.Height(), k.height, 1);
    }
}

TEST_F(Drawing, LayerPoseMovesAndScalesAboutThePictureCentre) {
    const struct {
        Pose layer;
        float centreX;
        int width;
    } cases[] = {
        {{10, 0, 1, 1, 0, 1, 0}, 20, 16},  // moved by x twice
        {{10, 0, 2, 1, 0, 1, 0}, 30, 32},  // 10 x 2 + 10
    };
    for (const auto& k : cases) {
        Composition c = Load(k.layer, identity);
        const Box b = Find(Draw(c, 0), 2);
        EXPECT_NEAR(b.CentreX(), k.centreX, 1.0f) << k.layer.scaleX;
        EXPECT_NEAR(b.CentreY(), 0.0f, 1.0f);
        EXPECT_NEAR(b.Width(), k.width, 1);
    }
}

TEST_F(Drawing, AlphaIsElementTimesLayerAsAByte) {
    const struct {
        float layerAlpha, elementAlpha;
        int red;  // red 255 blended over black: the factor byte itself
    } cases[] = {{0.5f, 0.5f, 0x40}, {1, 0.5f, 0x80}, {1, 1.2f, 0xFF}, {1, -0.5f, 0}, {0, 1, 0}, {1, 0, 0}};
    for (const auto& k : cases) {
        Pose layer = identity, element = identity;
        layer.alpha = k.layerAlpha;
        element.alpha = k.elementAlpha;
        Composition c = Load(layer, element);
        const Picture p = Draw(c, 0);
        EXPECT_NEAR(p.At(320, 240)[2], k.red, 1) << k.layerAlpha << " x " << k.elementAlpha;
        if (k.red == 0) {
            EXPECT_EQ(Find(p, 2).count, 0);
        }
    }
}

TEST_F(Drawing, NegativeTimeDrawsTheFrameAtZero) {
    CdaWriter w;
    w.Header(0, {0}).LayerStart("l", 0, {0}, {identity});
    w.ElementRecord("e", "red.ppm", {{-20, 0, 1, 1, 0, 1, 0}, {60, 0, 1, 1, 0, 1, 1}});
    WriteCda("c.cda", w);
    Composition c;
    ASSERT_TRUE(c.Load("c.cda"));
    const Picture atZero = Draw(c, 0);
    EXPECT_NEAR(Find(atZero, 2).CentreX(), -40.0f, 1.0f);
    EXPECT_EQ(Draw(c, -2.5f).bgra, atZero.bgra);
    EXPECT_NE(Draw(c, 0.5f).bgra, atZero.bgra);
}

TEST_F(Drawing, OrdersDecideWhatLiesOnTop) {
    // Two overlapping elements, red (0) and green (1); the last drawn covers the centre.
    for (uint32_t last : {0u, 1u}) {
        CdaWriter w;
        w.Header(0, {0}).LayerStart("l", 0, {1 - last, last}, {identity});
        w.ElementRecord("red", "red.ppm", {identity}).ElementRecord("green", "green.ppm", {identity});
        WriteCda("c.cda", w);
        Composition c;
        ASSERT_TRUE(c.Load("c.cda"));
        const Picture p = Draw(c, 0);
        const uint8_t* centre = p.At(320, 240);
        EXPECT_EQ(centre[2], last == 0 ? 255 : 0);
        EXPECT_EQ(centre[1], last == 1 ? 255 : 0);
    }
    // The same across layers: layer order {1, 0} draws layer 0 (red) last.
    CdaWriter w;
    w.Header(0, {1, 0});
    w.LayerStart("red", 0, {0}, {identity}).ElementRecord("e", "red.ppm", {identity});
    w.LayerStart("green", 0, {0}, {identity}).ElementRecord("e", "green.ppm", {identity});
    WriteCda("c.cda", w);
    Composition c;
    ASSERT_TRUE(c.Load("c.cda"));
    EXPECT_EQ(Draw(c, 0).At(320, 240)[2], 255);
}

TEST_F(Drawing, ReplacedTextureIsStretchedOntoTheLoadTimeQuad) {
    Composition c = Load(identity, identity);
    Texture* green = registry.GetOrLoad("green.ppm");
    ASSERT_NE(green, nullptr);
    c.SetElementTexture(0, -1, green);  // changes nothing
    EXPECT_EQ(Find(Draw(c, 0), 1).count, 0);
    c.SetElementTexture(0, 0, green);
    c.SetElementTexture(0, 5, green);  // no such element: ignored
    c.SetElementTexture(3, 0, green);  // no such layer: ignored
    const Picture p = Draw(c, 0);
    EXPECT_EQ(Find(p, 2).count, 0);
    const Box b = Find(p, 1);
    EXPECT_NEAR(b.Width(), 16, 1);
    EXPECT_NEAR(b.Height(), 8, 1);
}

TEST_F(Drawing, OffsetsAloneDrawBeforeTheFirstKey) {
    Pose late = identity;
    late.time = 5;  // nothing is visible before 5 ...
    Composition c = Load(late, late);
    EXPECT_EQ(Find(Draw(c, 1), 2).count, 0);
    // ... unless offsets supply the pose: the element's x (doubled) and scales, the layer's alpha.
    PoseKey elementOffset;
    elementOffset.x = 10, elementOffset.scaleX = 1, elementOffset.scaleY = 1, elementOffset.alpha = 1;
    elementOffset.time = 9, elementOffset.rates[0] = 100;  // ignored: only the channels are taken
    c.SetOffset(0, 0, elementOffset);
    EXPECT_EQ(Find(Draw(c, 1), 2).count, 0);  // the layer is still at alpha 0
    PoseKey layerOffset;
    layerOffset.scaleX = 1, layerOffset.scaleY = 1, layerOffset.alpha = 1;
    c.SetOffset(0, -1, layerOffset);
    EXPECT_EQ(c.layers[0].elements[0].offset.time, 0.0f);
    EXPECT_EQ(c.layers[0].elements[0].offset.rates[0], 0.0f);
    const Box b = Find(Draw(c, 1), 2);
    EXPECT_NEAR(b.CentreX(), 20.0f, 1.0f);
    EXPECT_NEAR(b.Width(), 16, 1);
}

TEST_F(Drawing, NothingToDrawLeavesThePictureCleared) {
    WriteCda("empty.cda", CdaWriter{}.U32(0).U32(0));
    Composition empty;
    ASSERT_TRUE(empty.Load("empty.cda"));
    EXPECT_EQ(Find(Draw(empty, 0), 2).count, 0);
    Composition released = Load(identity, identity);
    released.ReleaseResources();  // lists emptied, drawing orders left: nothing is drawn
    EXPECT_TRUE(released.layers.empty());
    EXPECT_EQ(Find(Draw(released, 0), 2).count, 0);
}

}  // namespace
