// Installation and the Debian package: the programs, both games, the icons
// and a desktop entry that starts the installed game; the package depends on
// the runtime libraries, and what it installs checks clean.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace fs = std::filesystem;
using namespace tw::test;

namespace {

// The installed tree under `root` + `prefix`, whose desktop entry must name
// the programs under `prefix` itself.
void expect_installed(const std::string& root, const std::string& prefix) {
    const std::string at = root + prefix;
    for (const char* program : {"/bin/tileworld", "/bin/tileworld-check", "/bin/tileworld-tiled"}) {
        const fs::perms p = fs::status(at + program).permissions();
        EXPECT_NE(p & fs::perms::others_exec, fs::perms::none) << program;
    }
    for (const char* file : {"/share/tileworld/game/DATA/ini.txt", "/share/tileworld/game-saved/WORLDS/ISLAND.ai42",
                             "/share/icons/hicolor/48x48/apps/tileworld.png",
                             "/share/icons/hicolor/256x256/apps/tileworld.png"})
        EXPECT_TRUE(fs::is_regular_file(at + file)) << file;
    EXPECT_FALSE(fs::exists(at + "/share/tileworld/game/LOG/.gitignore"));
    const std::string entry = read_file(at + "/share/applications/tileworld.desktop");
    EXPECT_NE(entry.find("\nExec=\"" + prefix + "/bin/tileworld\" \"" + prefix + "/share/tileworld/game\"\n"),
              std::string::npos)
        << entry;
    EXPECT_NE(entry.find("\nIcon=tileworld\n"), std::string::npos);
    // The installed checker finds both installed games complete.
    for (const char* game : {"game", "game-saved"}) {
        RunResult r = run_program(at + "/bin/tileworld-check", {at + "/share/tileworld/" + game}, "/");
        EXPECT_EQ(r.exit_code, 0) << game << r.err;
        EXPECT_NE(r.out.find("0 errors, 0 warnings"), std::string::npos) << game << r.out;
    }
}

}  // namespace

TEST(Package, InstallsUnderAnyPrefix) {
    TempDir dir;
    const std::string prefix = dir.path + "my games";  // a blank, as home folders may have
    RunResult r = run_program(TILEWORLD_CMAKE, {"--install", TILEWORLD_BUILD_DIR, "--prefix", prefix}, dir.path);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    expect_installed("", prefix);
}

TEST(Package, DebianPackageNeedsOnlyRuntimeLibraries) {
    TempDir dir;
    RunResult r = run_program(TILEWORLD_CPACK,
                              {"-G", "DEB", "-B", dir.path, "--config", TILEWORLD_BUILD_DIR "/CPackConfig.cmake"},
                              dir.path, {}, 500);
    ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
    std::string deb;
    for (const auto& e : fs::directory_iterator(dir.path))
        if (e.path().extension() == ".deb") deb = e.path().string();
    ASSERT_NE(deb, "");

    r = run_program("/usr/bin/dpkg-deb", {"-f", deb, "Package", "Depends"}, dir.path);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find("Package: tileworld\n"), std::string::npos) << r.out;
    for (const char* library : {"libsdl2-2.0-0", "libsdl2-ttf-2.0-0", "libpng16-16", "libjpeg62-turbo", "libtiff6",
                                "libvorbisfile3"})
        EXPECT_NE(r.out.find(library), std::string::npos) << library << "\n" << r.out;
    EXPECT_EQ(r.out.find("-dev"), std::string::npos) << r.out;

    ASSERT_EQ(run_program("/usr/bin/dpkg-deb", {"-x", deb, dir.path + "root"}, dir.path).exit_code, 0);
    expect_installed(dir.path + "root", "/usr");
}
