// Reading whole .cda files: structure, names, texture lookup, quads, and damaged files.
#include <gtest/gtest.h>

#include "composition/composition.h"
#include "platform/win32.h"
#include "tests/composition/composition_files.h"

namespace {

using Reader = CompositionFiles;

const Pose still{0, 0, 1, 1, 0, 1, 0};

// Two layers drawn in the order 1, 0. Layer 0 ("front") has two elements drawn 1, 0, both on
// "a.ppm"; layer 1 has none. Texture "b.ppm" is only under data/.
CdaWriter TwoLayers() {
    CdaWriter w;
    w.Header(0x12345678, {1, 0});
    w.LayerStart("front", 7, {1, 0}, {still});
    w.ElementRecord("first", "a.ppm", {still, {5, 6, 1, 1, 0, 0.5f, 2}});
    w.ElementRecord("second", "a.ppm", {});
    w.LayerStart("empty", 8, {}, {still});
    return w;
}

TEST_F(Reader, ReadsTheStructureAsWritten) {
    WriteImage("a.ppm", 300, 200, 255, 0, 0);
    WriteCda("c.cda", TwoLayers().U32(0xFFFFFFFF));  // bytes after the last layer are not read
    MessageLog log;
    Composition c;
    ASSERT_TRUE(c.Load("c.cda"));
    EXPECT_TRUE(log.boxes.empty());
    EXPECT_EQ(c.headerWord, 0x12345678u);
    EXPECT_EQ(c.layerOrder, (std::vector<uint32_t>{1, 0}));
    ASSERT_EQ(c.layers.size(), 2u);
    const Layer& front = c.layers[0];
    EXPECT_EQ(front.name, "front");
    EXPECT_EQ(front.layerWord, 7u);
    EXPECT_EQ(front.elementOrder, (std::vector<uint32_t>{1, 0}));
    ASSERT_EQ(front.elements.size(), 2u);
    EXPECT_EQ(front.elements[0].name, "first");
    ASSERT_EQ(front.elements[0].track.keys.size(), 2u);
    EXPECT_EQ(front.elements[0].track.keys[1].alpha, 0.5f);
    EXPECT_EQ(front.elements[1].track.keys.size(), 1u);  // K = 0 still holds one record
    // 300 x 200 pixels make a 512 x 256 texture; the quad takes the texture's size.
    EXPECT_EQ(front.elements[0].halfWidth, 256.0f);
    EXPECT_EQ(front.elements[0].halfHeight, 128.0f);
    EXPECT_NE(front.elements[0].vertexBuffer, nullptr);
    // Both elements name a.ppm: one shared record.
    EXPECT_EQ(front.elements[0].texture, front.elements[1].texture);
    EXPECT_EQ(registry.Size(), 1u);
    EXPECT_EQ(c.layers[1].name, "empty");
    EXPECT_TRUE(c.layers[1].elements.empty());
    EXPECT_EQ(c.layers[1].track.keys.size(), 1u);
}

TEST_F(Reader, FindsTexturesUnderDataAndWithForwardSlashes) {
    WriteImage("data/b.ppm", 8, 8, 0, 255, 0);
    WriteImage("img/sub/c.ppm", 16, 4, 0, 0, 255);
    CdaWriter w;
    w.Header(0, {0}).LayerStart("l", 0, {0, 1}, {still});
    w.ElementRecord("under data", "b.ppm", {still});
    w.ElementRecord("windows name", "img\\sub\\c.ppm", {still});
    WriteCda("c.cda", w);
    Composition c;
    ASSERT_TRUE(c.Load("c.cda"));
    const auto& elements = c.layers[0].elements;
    ASSERT_NE(registry.Find("data/b.ppm"), nullptr);
    EXPECT_EQ(elements[0].texture, registry.Find("data/b.ppm"));
    EXPECT_EQ(elements[1].textureName, "img\\sub\\c.ppm");  // kept as stored
    ASSERT_NE(registry.Find("img/sub/c.ppm"), nullptr);
    EXPECT_EQ(elements[1].texture, registry.Find("img/sub/c.ppm"));
    EXPECT_EQ(elements[1].halfWidth, 8.0f);
    EXPECT_EQ(elements[1].halfHeight, 2.0f);
}

TEST_F(Reader, ShortStringValueEndsAtItsFirstZeroByte) {
    WriteImage("a.ppm", 4, 4, 1, 2, 3);
    CdaWriter w;
    w.Header(0, {0}).LayerStart(std::string("a\0b", 3), 9, {0}, {still});
    w.ElementRecord(std::string(200, 'n'), "a.ppm", {still});  // over 127 bytes: kept to 127
    WriteCda("c.cda", w);
    Composition c;
    ASSERT_TRUE(c.Load("c.cda"));
    EXPECT_EQ(c.layers[0].name, "a");
    EXPECT_EQ(c.layers[0].layerWord, 9u);  // read on after the third byte
    EXPECT_EQ(c.layers[0].elements[0].name, std::string(127, 'n'));
}

TEST_F(Reader, EightBytesMakeAnEmptyComposition) {
    WriteCda("c.cda", CdaWriter{}.U32(42).U32(0));
    MessageLog log;
    Composition c;
    ASSERT_TRUE(c.Load("c.cda"));
    EXPECT_EQ(c.headerWord, 42u);
    EXPECT_TRUE(c.layers.empty());
    EXPECT_TRUE(c.layerOrder.empty());
    EXPECT_TRUE(log.boxes.empty());
}

TEST_F(Reader, MissingFileAndMissingTextureShowOneBoxEach) {
    MessageLog log;
    Composition missing;
    EXPECT_FALSE(missing.Load("nowhere.cda"));
    ASSERT_EQ(log.boxes.size(), 1u);
    EXPECT_EQ(log.boxes[0].first, "klarte ikke \xE5 \xE5pne nowhere.cda");
    EXPECT_EQ(log.boxes[0].second, "Loaderror");

    // The texture is named as stored, without the data/ prefix.
    CdaWriter w;
    w.Header(0, {0}).LayerStart("l", 0, {0}, {still}).ElementRecord("e", "gone.png", {still});
    WriteCda("c.cda", w);
    Composition noTexture;
    EXPECT_FALSE(noTexture.Load("c.cda"));
    ASSERT_EQ(log.boxes.size(), 2u);
    EXPECT_EQ(log.boxes[1].first, "Unable to find texture: gone.png");
    EXPECT_EQ(log.boxes[1].second, "Load Error");
    EXPECT_EQ(registry.Size(), 0u);

    // Texts longer than the 128-byte buffer are cut to 127 bytes.
    const std::string longName = std::string(150, 'x') + ".cda";
    Composition longMissing;
    EXPECT_FALSE(longMissing.Load(longName));
    ASSERT_EQ(log.boxes.size(), 3u);
    EXPECT_EQ(log.boxes[2].first.size(), 127u);
}

TEST_F(Reader, EveryTruncationFailsWithOneBoxNamingTheFile) {
    WriteImage("a.ppm", 4, 4, 1, 2, 3);
    const CdaWriter whole = TwoLayers();
    for (size_t cut = 0; cut < whole.bytes.size(); ++cut) {
        CdaWriter w;
        w.bytes.assign(whole.bytes.begin(), whole.bytes.begin() + long(cut));
        WriteCda("cut.cda", w);
        MessageLog log;
        Composition c;
        EXPECT_FALSE(c.Load("cut.cda")) << cut;
        ASSERT_EQ(log.boxes.size(), 1u) << cut;
        EXPECT_NE(log.boxes[0].first.find("cut.cda"), std::string::npos) << log.boxes[0].first;
        EXPECT_EQ(log.boxes[0].second, "Loaderror");
    }
}

TEST_F(Reader, HostileCountsAndOrdersFailWithOneBox) {
    WriteImage("a.ppm", 4, 4, 1, 2, 3);
    struct Case {
        const char* what;
        CdaWriter bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"layer count", CdaWriter{}.U32(0).U32(0x40000000)});
    cases.push_back({"element count", CdaWriter{}.Header(0, {0}).Str("l").U32(0).U32(0xFFFFFFFF)});
    cases.push_back({"key count", CdaWriter{}.Header(0, {0}).Str("l").U32(0).U32(0).U32(0x7FFFFFFF).FirstKey(still)});
    cases.push_back({"string length", CdaWriter{}.Header(0, {0}).U8(200).Str("short")});
    cases.push_back({"layer order", CdaWriter{}.Header(0, {1}).LayerStart("l", 0, {}, {still})});
    cases.push_back(
        {"element order",
         CdaWriter{}.Header(0, {0}).LayerStart("l", 0, {0, 0xFFFFFFFF}, {still}).ElementRecord("e", "a.ppm", {still})});
    for (Case& c : cases) {
        WriteCda("bad.cda", c.bytes);
        MessageLog log;
        Composition composition;
        EXPECT_FALSE(composition.Load("bad.cda")) << c.what;
        ASSERT_EQ(log.boxes.size(), 1u) << c.what;
        EXPECT_EQ(log.boxes[0].first.rfind("Damaged file bad.cda: ", 0), 0u) << log.boxes[0].first;
    }
}

}  // namespace

// The names a load asks for, walked without loading: in order, each once with both paths, and
// those before the damage of a cut file.
TEST_F(Reader, TexturePathsAreTheLoadsLookupsInOrder) {
    CdaWriter w;
    w.Header(0, {0, 1});
    w.LayerStart("one", 0, {0, 1}, {Pose{}, Pose{1, 2, 1, 1, 0, 1, 1}});
    w.ElementRecord("e0", "sub\\b.ppm", {});
    w.ElementRecord("e1", "a.ppm", {Pose{}, Pose{0, 0, 1, 1, 0, 1, 2}});
    w.LayerStart("two", 0, {0, 1}, {});
    w.ElementRecord("e2", "sub/b.ppm", {});
    w.ElementRecord("e3", "c.ppm", {});
    ASSERT_TRUE(WriteFileBytes("t.cda", w.bytes));
    using Paths = std::vector<std::vector<std::string>>;
    const Paths all = {{"sub/b.ppm", "data/sub/b.ppm"}, {"a.ppm", "data/a.ppm"}, {"c.ppm", "data/c.ppm"}};
    EXPECT_EQ(CompositionTexturePaths("t.cda"), all);
    const std::vector<uint8_t> cut(w.bytes.begin(), w.bytes.end() - 34);  // inside the name "c.ppm"
    ASSERT_TRUE(WriteFileBytes("cut.cda", cut));
    EXPECT_EQ(CompositionTexturePaths("cut.cda"), Paths(all.begin(), all.begin() + 2));
    EXPECT_TRUE(CompositionTexturePaths("missing.cda").empty());
}
