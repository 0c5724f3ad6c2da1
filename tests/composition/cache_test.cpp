// The composition cache: get-or-create by exact name, failures not remembered, teardown.
#include <gtest/gtest.h>

#include <filesystem>

#include "composition/composition_cache.h"
#include "tests/composition/composition_files.h"

namespace {

using Cache = CompositionFiles;

CdaWriter OneElement() {
    CdaWriter w;
    const Pose still{0, 0, 1, 1, 0, 1, 0};
    w.Header(0, {0}).LayerStart("l", 0, {0}, {still}).ElementRecord("e", "a.ppm", {still});
    return w;
}

TEST_F(Cache, SameNameIsReadOnce) {
    WriteImage("a.ppm", 4, 4, 9, 9, 9);
    WriteCda("c.cda", OneElement());
    CompositionCache cache;
    Composition* first = cache.Get("c.cda");
    ASSERT_NE(first, nullptr);
    std::filesystem::remove("c.cda");  // a second read would now fail
    EXPECT_EQ(cache.Get("c.cda"), first);
    EXPECT_EQ(cache.Size(), 1u);
}

TEST_F(Cache, NamesDifferingInCaseAreTwoEntries) {
    WriteImage("a.ppm", 4, 4, 9, 9, 9);
    WriteCda("virelle.cda", OneElement());
    WriteCda("Virelle.cda", CdaWriter{}.U32(7).U32(0));
    CompositionCache cache;
    Composition* lower = cache.Get("virelle.cda");
    Composition* upper = cache.Get("Virelle.cda");
    ASSERT_NE(lower, nullptr);
    ASSERT_NE(upper, nullptr);
    EXPECT_NE(lower, upper);
    EXPECT_EQ(lower->layers.size(), 1u);
    EXPECT_EQ(upper->headerWord, 7u);
    EXPECT_EQ(cache.Names(), (std::deque<std::string>{"virelle.cda", "Virelle.cda"}));
}

TEST_F(Cache, FailuresAreNotRemembered) {
    CompositionCache cache;
    MessageLog log;
    EXPECT_EQ(cache.Get("missing.cda"), nullptr);
    EXPECT_EQ(cache.Get("missing.cda"), nullptr);
    EXPECT_EQ(log.boxes.size(), 2u);  // read, and reported, each time
    EXPECT_EQ(cache.Size(), 0u);
    EXPECT_TRUE(cache.Names().empty());
    // A load that fails part-way (no texture for the second layer's element) leaves nothing behind.
    WriteImage("a.ppm", 4, 4, 9, 9, 9);
    CdaWriter w;
    const Pose still{0, 0, 1, 1, 0, 1, 0};
    w.Header(0, {0, 1}).LayerStart("l", 0, {0}, {still}).ElementRecord("e", "a.ppm", {still});
    w.LayerStart("m", 0, {0}, {still}).ElementRecord("e", "b.ppm", {still});
    WriteCda("half.cda", w);
    EXPECT_EQ(cache.Get("half.cda"), nullptr);
    EXPECT_EQ(cache.Size(), 0u);
    // Once the file is there, the same name loads.
    WriteCda("missing.cda", OneElement());
    EXPECT_NE(cache.Get("missing.cda"), nullptr);
}

TEST_F(Cache, TeardownReleasesAndForgetsEverything) {
    CompositionCache empty;
    empty.ReleaseAll();  // nothing loaded: nothing to do
    EXPECT_EQ(empty.Size(), 0u);

    WriteImage("a.ppm", 4, 4, 9, 9, 9);
    WriteCda("one.cda", OneElement());
    WriteCda("two.cda", OneElement());
    CompositionCache cache;
    ASSERT_NE(cache.Get("one.cda"), nullptr);
    ASSERT_NE(cache.Get("two.cda"), nullptr);
    cache.ReleaseAll();
    EXPECT_EQ(cache.Size(), 0u);
    EXPECT_TRUE(cache.Names().empty());
}

}  // namespace
