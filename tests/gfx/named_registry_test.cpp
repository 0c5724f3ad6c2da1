// NamedRegistry<T> on its own: get-or-create by exact name, failures forgotten, newest-first teardown.
#include "gfx/named_registry.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// An entry that writes its release and destruction into a shared log.
struct Entry {
    std::string name;
    std::vector<std::string>* log;
    ~Entry() { log->push_back("destroyed " + name); }
};

struct NamedRegistryTest : ::testing::Test {
    // Gets or makes `name`, counting how often making was tried; `fail` makes the attempt fail.
    Entry* Get(const std::string& name, bool fail = false) {
        return registry.GetOrCreate(name, [&]() -> std::unique_ptr<Entry> {
            ++attempts;
            if (fail) return nullptr;
            return std::unique_ptr<Entry>(new Entry{name, &log});
        });
    }
    std::vector<std::string> log;
    int attempts = 0;
    NamedRegistry<Entry> registry;
};

TEST_F(NamedRegistryTest, SameNameIsMadeOnceAndNamesAreExactBytes) {
    Entry* a = Get("data/a.png");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(Get("data/a.png"), a);
    EXPECT_EQ(attempts, 1);
    Entry* upper = Get("Data/a.png");
    Entry* spaced = Get("data/a.png ");
    EXPECT_NE(upper, a);
    EXPECT_NE(spaced, a);
    EXPECT_EQ(attempts, 3);
    EXPECT_EQ(registry.Size(), 3u);
    EXPECT_EQ(registry.Names(), (std::deque<std::string>{"data/a.png", "Data/a.png", "data/a.png "}));
    EXPECT_EQ(registry.Find("Data/a.png"), upper);
    EXPECT_EQ(registry.Find("data/A.png"), nullptr);
    ASSERT_NE(registry.NameOf(spaced), nullptr);
    EXPECT_EQ(*registry.NameOf(spaced), "data/a.png ");
    const Entry stranger{"x", &log};
    EXPECT_EQ(registry.NameOf(&stranger), nullptr);
    EXPECT_EQ(registry.NameOf(nullptr), nullptr);
}

TEST_F(NamedRegistryTest, FailuresAreTriedAgainAndLeaveNothing) {
    EXPECT_EQ(Get("late", true), nullptr);
    EXPECT_EQ(Get("late", true), nullptr);
    EXPECT_EQ(attempts, 2);
    EXPECT_EQ(registry.Size(), 0u);
    EXPECT_TRUE(registry.Names().empty());
    EXPECT_EQ(registry.Find("late"), nullptr);
    Entry* made = Get("late");
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(attempts, 3);
    EXPECT_EQ(registry.Names(), (std::deque<std::string>{"late"}));
}

TEST_F(NamedRegistryTest, ReleaseGoesNewestFirstThenForgets) {
    std::vector<std::string> released;
    registry.ReleaseAll([&](const std::string& name, Entry&) { released.push_back(name); });
    EXPECT_TRUE(released.empty());  // nothing made: nothing released

    // Creation order, not name order, decides the teardown.
    for (const char* name : {"m", "z", "a"}) ASSERT_NE(Get(name), nullptr);
    registry.ReleaseAll([&](const std::string& name, Entry& e) {
        EXPECT_EQ(e.name, name);
        log.push_back("released " + name);
    });
    const std::vector<std::string> releases(log.begin(), log.begin() + 3);
    EXPECT_EQ(releases, (std::vector<std::string>{"released a", "released z", "released m"}));
    EXPECT_EQ(log.size(), 6u);  // every entry destroyed after all were released
    EXPECT_EQ(registry.Size(), 0u);
    EXPECT_TRUE(registry.Names().empty());
    // Usable again, from nothing.
    ASSERT_NE(Get("m"), nullptr);
    EXPECT_EQ(attempts, 4);
}

}  // namespace
