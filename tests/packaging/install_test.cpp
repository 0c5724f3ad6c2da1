// The installed show: `cmake --install` into a scratch prefix holds every file, the installed
// commands find the installed content from any folder, the documents a distribution asks for
// (copyright, changelog, compressed manual pages, AppStream metainfo, the notices) are there and
// agree with the program, and the Debian package lists the same files and the libraries the
// programs need.
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

const std::string metainfoFile = "share/metainfo/invalid.virelle.virelle.metainfo.xml";
const std::vector<std::string> manualPages = {"share/man/man6/virelle.6.gz", "share/man/man1/virelle-tools.1.gz"};

// Every file the install puts under the prefix besides the content and the notices (checked
// against the build's and the source's).
const std::vector<std::string> installedFiles = {
    "bin/virelle",
    "bin/virelle-tools",
    "share/applications/virelle.desktop",
    "share/icons/hicolor/256x256/apps/virelle.png",
    manualPages[0],
    manualPages[1],
    "share/doc/virelle/copyright",
    "share/doc/virelle/changelog.gz",
    metainfoFile,
};

// The notices in the source's LICENSES/, as paths relative to the source (LICENSES/...).
std::vector<std::string> Notices() {
    std::vector<std::string> files;
    const char* source = std::getenv("VIRELLE_SOURCE_DIR");
    if (!source) return files;
    for (const auto& e : fs::directory_iterator(fs::path(source) / "LICENSES"))
        if (e.is_regular_file()) files.push_back(fs::relative(e.path(), source).string());
    return files;
}

// A gzip file's contents (through gzip itself); empty when it is not one.
std::string Gunzip(const fs::path& file) {
    const ShellRun run = Shell("gzip -dc " + Quote(file) + " 2>/dev/null");
    return run.status == 0 ? run.out : std::string();
}

// The text between the first `open` after `from` and the next `close`; empty when there is none.
std::string Between(const std::string& text, const std::string& open, const std::string& close, size_t from = 0) {
    const size_t start = text.find(open, from);
    if (start == std::string::npos) return {};
    const size_t end = text.find(close, start + open.size());
    return end == std::string::npos ? std::string() : text.substr(start + open.size(), end - start - open.size());
}

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

    // The installed virelle's version number (`virelle --version` prints "virelle N").
    static std::string ProgramVersion() {
        const ShellRun version = Shell(Quote(*prefix / "bin/virelle") + " --version");
        if (version.out.rfind("virelle ", 0) != 0) return {};
        return version.out.substr(8, version.out.find('\n') - 8);
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
    const std::vector<std::string> notices = Notices();
    EXPECT_GE(notices.size(), 9u);
    for (const std::string& notice : notices)
        EXPECT_EQ(ReadAll(*prefix / "share/doc/virelle" / notice),
                  ReadAll(fs::path(std::getenv("VIRELLE_SOURCE_DIR")) / notice))
            << notice;
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

// The manual pages are compressed as Debian wants them (gzip at its highest level, no name, no
// time stamp), hold the source's pages and format without a single warning.
TEST_F(Installed, ManualPagesAreCompressedAndFormatCleanly) {
    const char* source = std::getenv("VIRELLE_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    for (const std::string& page : manualPages) {
        SCOPED_TRACE(page);
        const std::string bytes = ReadAll(*prefix / page);
        ASSERT_GE(bytes.size(), 10u);
        EXPECT_EQ(bytes.substr(0, 3), std::string("\x1f\x8b\x08", 3)) << "a gzip file";
        EXPECT_EQ(bytes[3], 0) << "no file name or other extra header fields";
        EXPECT_EQ(bytes.substr(4, 4), std::string(4, '\0')) << "no time stamp";
        EXPECT_EQ(bytes[8], 2) << "compressed at the highest level";
        const fs::path name = fs::path(page).stem();  // virelle.6
        EXPECT_EQ(Gunzip(*prefix / page), ReadAll(fs::path(source) / "packaging" / name));
        if (!OnPath("groff")) continue;
        const ShellRun run = Shell("gzip -dc " + Quote(*prefix / page) + " | groff -man -ww -z -Tutf8 2>&1");
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, "");
    }
}

// The copyright file is machine-readable and covers everything; the changelog and the metainfo
// name the program's version, released on the same day; the metainfo points at the desktop
// entry, the icon and the screenshot the build drew, and both pass their validators.
TEST_F(Installed, DocumentsAgreeWithTheProgram) {
    const std::string version = ProgramVersion();
    ASSERT_FALSE(version.empty());

    const std::string copyright = ReadAll(*prefix / "share/doc/virelle/copyright");
    EXPECT_EQ(copyright.rfind("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n", 0), 0u);
    EXPECT_NE(copyright.find("\nFiles: *\nCopyright: "), std::string::npos);
    for (const char* license : {"Expat", "bitstream-vera"}) {
        EXPECT_NE(copyright.find("\nLicense: " + std::string(license) + "\n"), std::string::npos)
            << "a paragraph with the text of " << license;
    }

    const std::string changelog = Gunzip(*prefix / "share/doc/virelle/changelog.gz");
    EXPECT_EQ(changelog.rfind("virelle (" + version + ") ", 0), 0u) << changelog;
    const std::string changed = Between(changelog, ">  ", "\n");  // the first entry's date
    ASSERT_FALSE(changed.empty()) << changelog;
    const ShellRun day = Shell("date -u -d '" + changed + "' +%F");
    ASSERT_EQ(day.status, 0) << changed;

    const std::string metainfo = ReadAll(*prefix / metainfoFile);
    EXPECT_NE(metainfo.find("<id>invalid.virelle.virelle</id>"), std::string::npos);
    EXPECT_NE(metainfo.find("<project_license>MIT</project_license>"), std::string::npos);
    EXPECT_NE(metainfo.find("<launchable type=\"desktop-id\">virelle.desktop</launchable>"), std::string::npos);
    EXPECT_NE(metainfo.find("<icon type=\"stock\">virelle</icon>"), std::string::npos);
    EXPECT_NE(metainfo.find("<content_rating type=\"oars-1.1\""), std::string::npos);
    // The newest release comes first and is this version, dated as the changelog's entry.
    EXPECT_EQ(Between(metainfo, "<release ", ">"),
              "version=\"" + version + "\" date=\"" + day.out.substr(0, day.out.find('\n')) + "\"");

    // The screenshot named is the one the build drew, at the size the metainfo gives.
    const std::string image = Between(metainfo, "<image type=\"source\" ", "</image>");
    EXPECT_NE(image.find("width=\"640\" height=\"480\">"), std::string::npos) << image;
    EXPECT_TRUE(image.ends_with("/screenshot.png")) << image;
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&png, (*buildDir / "packaging/screenshot.png").c_str()));
    EXPECT_EQ(png.width, 640u);
    EXPECT_EQ(png.height, 480u);
    png_image_free(&png);

    if (OnPath("appstreamcli")) {
        const ShellRun run =
            Shell("appstreamcli validate --no-net --no-color " + Quote(*prefix / metainfoFile) + " 2>&1");
        EXPECT_EQ(run.status, 0) << run.out;
    }
    if (OnPath("desktop-file-validate")) {
        const ShellRun run =
            Shell("desktop-file-validate " + Quote(*prefix / "share/applications/virelle.desktop") + " 2>&1");
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_EQ(run.out, "");
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
    const std::string number = ProgramVersion();
    ASSERT_FALSE(number.empty());
    const fs::path deb = fs::path(out.path) / ("virelle_" + number + "_amd64.deb");
    ASSERT_TRUE(fs::is_regular_file(deb)) << made.out;

    const ShellRun contents = Shell("dpkg-deb -c " + Quote(deb));
    ASSERT_EQ(contents.status, 0);
    std::vector<std::string> expected = installedFiles;
    for (const std::string& file : BuiltContent(*buildDir / "content")) expected.push_back("share/virelle/" + file);
    for (const std::string& notice : Notices()) expected.push_back("share/doc/virelle/" + notice);
    for (const std::string& file : expected)
        EXPECT_NE(contents.out.find(" ./usr/" + file + "\n"), std::string::npos) << file;

    const ShellRun fields = Shell("dpkg-deb -f " + Quote(deb) + " Package Version Section Maintainer Depends");
    ASSERT_EQ(fields.status, 0);
    EXPECT_NE(fields.out.find("Package: virelle\n"), std::string::npos);
    EXPECT_NE(fields.out.find("Version: " + number + "\n"), std::string::npos);
    EXPECT_NE(fields.out.find("Section: video\n"), std::string::npos) << "games would ask for /usr/games";
    EXPECT_NE(fields.out.find("Maintainer: Virelle <virelle@virelle.invalid>\n"), std::string::npos);
    // Linked libraries (found by shlibdeps) and the GL drivers loaded at run time.
    for (const char* package : {"libsdl2-2.0-0", "libepoxy0", "libmpg123-0", "libkissfft-float131", "libpng16-16",
                                "libjpeg62-turbo", "libmp3lame0", "libstdc++6", "libgl1-mesa-dri", "fonts-dejavu-core"})
        EXPECT_NE(fields.out.find(package), std::string::npos) << package << "\n" << fields.out;
}

}  // namespace
