// Where the show's content comes from: the first of the working directory, the program's folder (or
// its content/), ../share/virelle from the program's folder that holds data/virelle.cda.
#include "app/content_root.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/common/headless.h"

namespace fs = std::filesystem;

namespace {

void Touch(const fs::path& file) {
    fs::create_directories(file.parent_path());
    ASSERT_TRUE(WriteFileBytes(file.string(), {1, 2, 3}));
}

// A working directory and an installed-looking tree: prefix/bin (the program's folder),
// prefix/bin/content and prefix/share/virelle.
struct Tree {
    ScratchDir scratch;
    fs::path work = fs::path(scratch.path) / "work";
    fs::path bin = fs::path(scratch.path) / "prefix" / "bin";
    Tree() {
        fs::create_directories(work);
        fs::create_directories(bin);
    }
    std::vector<fs::path> Candidates() const { return ContentCandidates(work, bin); }
};

TEST(ContentRoot, TheFirstFolderHoldingTheCompositionWins) {
    struct Case {
        const char* name;
        std::vector<const char*> probes;  // folders (under the scratch folder) given data/virelle.cda
        const char* expected;             // empty: none
    };
    const std::vector<Case> cases = {
        {"nothing anywhere", {}, ""},
        {"only the install", {"prefix/share/virelle"}, "prefix/share/virelle"},
        {"build layout before the install", {"prefix/bin/content", "prefix/share/virelle"}, "prefix/bin/content"},
        {"beside the program before its content/", {"prefix/bin", "prefix/bin/content"}, "prefix/bin"},
        {"working directory before all", {"work", "prefix/bin", "prefix/share/virelle"}, "work"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Tree tree;
        for (const char* dir : c.probes) Touch(fs::path(tree.scratch.path) / dir / contentProbe);
        const fs::path found = FindContentRoot(tree.Candidates());
        EXPECT_EQ(found, *c.expected ? fs::path(tree.scratch.path) / c.expected : fs::path());
    }
}

TEST(ContentRoot, OnlyARegularCompositionFileCounts) {
    Tree tree;
    // music/ alone, or a folder named like the composition, is not the show's content.
    Touch(tree.work / "music" / "poa.mp3");
    fs::create_directories(tree.bin / contentProbe);
    Touch(tree.bin.parent_path() / "share" / "virelle" / contentProbe);
    EXPECT_EQ(FindContentRoot(tree.Candidates()), tree.bin.parent_path() / "share" / "virelle");
    // Without a program folder only the working directory is searched.
    EXPECT_EQ(FindContentRoot(ContentCandidates(tree.work, {})), fs::path());
}

// A copy of virelle-tools alone in a folder, run from an empty one, finds no content: the show
// cannot start, whatever the build folder holds.
TEST(ContentRoot, ToolWithNoContentAnywhereFails) {
    const char* tools = std::getenv("VIRELLE_TOOLS");
    if (!tools) GTEST_SKIP() << "VIRELLE_TOOLS is not set";
    ScratchDir scratch;
    const fs::path bin = fs::path(scratch.path) / "bin", empty = fs::path(scratch.path) / "empty";
    fs::create_directories(bin);
    fs::create_directories(empty);
    fs::copy_file(tools, bin / "virelle-tools");
    const std::string command =
        "cd '" + empty.string() + "' && '" + (bin / "virelle-tools").string() + "' frame --time 1 --out x.png 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    const int status = pclose(pipe);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 1) << out;
    EXPECT_NE(out.find("could not start"), std::string::npos) << out;
    EXPECT_FALSE(fs::exists(empty / "x.png"));
}

}  // namespace
