// The installed show: `cmake --install` into a scratch prefix holds every file, the installed
// commands find the installed content from any folder, and the Debian package lists the same files
// and the libraries the programs need.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "tests/app/test_show_content.h"
#include "tests/common/headless.h"

namespace fs = std::filesystem;

namespace {

struct ShellRun {
    int status = -1;
    std::string out;  // stdout, and stderr when asked for
};

ShellRun Shell(const std::string& command) {
    ShellRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) run.out += buffer;
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string Quote(const fs::path& p) {
    std::string quoted = p.string();
    quoted.insert(quoted.begin(), '\'');
    return quoted += '\'';
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool OnPath(const char* program) {
    return Shell(std::string("command -v ") + program + " >/dev/null 2>&1").status == 0;
}

// Every file the install puts under the prefix besides the content (checked against the build's).
const std::vector<std::string> installedFiles = {
    "bin/virelle",
    "bin/virelle-tools",
    "share/applications/virelle.desktop",
    "share/icons/hicolor/256x256/apps/virelle.png",
    "share/man/man6/virelle.6",
    "share/man/man1/virelle-tools.1",
};

// The content as the build made it, as paths relative to the content folder (data/..., music/...).
std::vector<std::string> BuiltContent(const fs::path& content) {
    std::vector<std::string> files;
    for (const char* dir : {"data", "music"})
        for (const auto& e : fs::recursive_directory_iterator(content / dir))
            if (e.is_regular_file()) files.push_back(fs::relative(e.path(), content).string());
    return files;
}

// One install into a scratch prefix for the whole program.
class Installed : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const char* build = std::getenv("VIRELLE_BUILD_DIR");
        if (!build) return;
        buildDir = new fs::path(build);
        scratch = new ScratchDir;
        prefix = new fs::path(fs::path(scratch->path) / "prefix");
        installStatus =
            Shell("cmake --install " + Quote(*buildDir) + " --prefix " + Quote(*prefix) + " >/dev/null 2>&1").status;
    }
    static void TearDownTestSuite() {
        delete prefix;
        delete scratch;
        delete buildDir;
    }
    void SetUp() override {
        if (!buildDir) GTEST_SKIP() << "VIRELLE_BUILD_DIR is not set";
        ASSERT_EQ(installStatus, 0);
    }
    // The show's frame at 80 s drawn by a virelle-tools in the folder `from`; the PNG's bytes.
    static std::string Frame(const fs::path& tools, const fs::path& from, int* status) {
        const fs::path out = fs::path(scratch->path) / "frame.png";
        fs::remove(out);
        *status = Shell("cd " + Quote(from) + " && " + Quote(tools) + " frame --time 80 --out " + Quote(out) +
                        " >/dev/null 2>&1")
                      .status;
        return ReadAll(out);
    }

    static inline fs::path* buildDir = nullptr;
    static inline ScratchDir* scratch = nullptr;
    static inline fs::path* prefix = nullptr;
    static inline int installStatus = -1;
};

TEST_F(Installed, HoldsEveryFile) {
    for (const std::string& file : installedFiles) EXPECT_TRUE(fs::is_regular_file(*prefix / file)) << file;
    for (const char* program : {"bin/virelle", "bin/virelle-tools"})
        EXPECT_NE(fs::status(*prefix / program).permissions() & fs::perms::owner_exec, fs::perms::none) << program;
    const std::vector<std::string> content = BuiltContent(*buildDir / "content");
    EXPECT_GT(content.size(), 5u);
    for (const std::string& file : content) {
        SCOPED_TRACE(file);
        EXPECT_EQ(ReadAll(*prefix / "share/virelle" / file), ReadAll(*buildDir / "content" / file));
    }
    // Nothing else under share/virelle (the build's stamp file stays behind).
    size_t files = 0;
    for (const auto& e : fs::recursive_directory_iterator(*prefix / "share/virelle")) files += e.is_regular_file();
    EXPECT_EQ(files, content.size());
}

// The desktop entry names what the install holds; the icon is a 256x256 PNG with alpha.
TEST_F(Installed, DesktopEntryAndIconMatch) {
    const std::string entry = ReadAll(*prefix / "share/applications/virelle.desktop");
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_NE(entry.find("\nExec=virelle\n"), std::string::npos) << "starts full screen: no options";
    EXPECT_NE(entry.find("\nIcon=virelle\n"), std::string::npos);
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(
        png_image_begin_read_from_file(&png, (*prefix / "share/icons/hicolor/256x256/apps/virelle.png").c_str()));
    EXPECT_EQ(png.width, 256u);
    EXPECT_EQ(png.height, 256u);
    EXPECT_NE(png.format & PNG_FORMAT_FLAG_ALPHA, 0u);
    png_image_free(&png);
}

// The manual pages format without a single warning.
TEST_F(Installed, ManualPagesFormatCleanly) {
    if (!OnPath("groff")) GTEST_SKIP() << "groff is not installed";
    for (const char* page : {"share/man/man6/virelle.6", "share/man/man1/virelle-tools.1"}) {
        const ShellRun run = Shell("groff -man -ww -z -Tutf8 " + Quote(*prefix / page) + " 2>&1");
        EXPECT_EQ(run.status, 0) << page;
        EXPECT_EQ(run.out, "") << page;
    }
}

// From an empty folder the installed command draws the installed show, the same picture as the
// build's; a folder holding a show of its own comes first; a moved prefix still works.
TEST_F(Installed, ToolsDrawTheInstalledShowFromAnywhere) {
    ScratchDir empty;
    int status = -1;
    const std::string built = Frame(*buildDir / "virelle-tools", *buildDir / "content", &status);
    ASSERT_EQ(status, 0);
    ASSERT_FALSE(built.empty());
    EXPECT_EQ(Frame(*prefix / "bin/virelle-tools", empty.path, &status), built);
    EXPECT_EQ(status, 0);

    ScratchDir own;
    ASSERT_TRUE(WriteTestShow(own.path, TestShow{}));
    const std::string ownFrame = Frame(*prefix / "bin/virelle-tools", own.path, &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(ownFrame, built);
    EXPECT_EQ(ownFrame, Frame(*buildDir / "virelle-tools", own.path, &status));

    const fs::path moved = fs::path(scratch->path) / "moved";
    fs::rename(*prefix, moved);
    const std::string fromMoved = Frame(moved / "bin/virelle-tools", empty.path, &status);
    const ShellRun help = Shell("cd " + Quote(empty.path) + " && " + Quote(moved / "bin/virelle") + " --help");
    fs::rename(moved, *prefix);
    EXPECT_EQ(fromMoved, built);
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("this run reads " + fs::canonical(moved.parent_path()).string() + "/moved/share/virelle"),
              std::string::npos)
        << help.out;
}

// The .deb built from this build folder: its files, name and control fields.
TEST_F(Installed, DebianPackageListsFilesAndDependencies) {
    const char* cpack = std::getenv("VIRELLE_CPACK");
    if (!cpack || !OnPath("dpkg-deb") || !OnPath("dpkg-shlibdeps"))
        GTEST_SKIP() << "needs cpack, dpkg-deb and dpkg-shlibdeps";
    ScratchDir out;
    const ShellRun made = Shell(Quote(cpack) + " -G DEB --config " + Quote(*buildDir / "CPackConfig.cmake") + " -B " +
                                Quote(out.path) + " 2>&1");
    ASSERT_EQ(made.status, 0) << made.out;
    const ShellRun version = Shell(Quote(*prefix / "bin/virelle") + " --version");
    ASSERT_EQ(version.out.rfind("virelle ", 0), 0u);
    const std::string number = version.out.substr(8, version.out.find('\n') - 8);
    const fs::path deb = fs::path(out.path) / ("virelle_" + number + "_amd64.deb");
    ASSERT_TRUE(fs::is_regular_file(deb)) << made.out;

    const ShellRun contents = Shell("dpkg-deb -c " + Quote(deb));
    ASSERT_EQ(contents.status, 0);
    std::vector<std::string> expected = installedFiles;
    for (const std::string& file : BuiltContent(*buildDir / "content")) expected.push_back("share/virelle/" + file);
    for (const std::string& file : expected)
        EXPECT_NE(contents.out.find(" ./usr/" + file + "\n"), std::string::npos) << file;

    const ShellRun fields = Shell("dpkg-deb -f " + Quote(deb) + " Package Version Section Depends");
    ASSERT_EQ(fields.status, 0);
    EXPECT_NE(fields.out.find("Package: virelle\n"), std::string::npos);
    EXPECT_NE(fields.out.find("Version: " + number + "\n"), std::string::npos);
    EXPECT_NE(fields.out.find("Section: games\n"), std::string::npos);
    // Linked libraries (found by shlibdeps) and the GL drivers loaded at run time.
    for (const char* package : {"libsdl2-2.0-0", "libepoxy0", "libmpg123-0", "libkissfft-float131", "libpng16-16",
                                "libjpeg62-turbo", "libmp3lame0", "libstdc++6", "libgl1-mesa-dri"})
        EXPECT_NE(fields.out.find(package), std::string::npos) << package << "\n" << fields.out;
}

}  // namespace
