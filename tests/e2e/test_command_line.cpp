// The command lines of tileworld and tileworld-check: help and version, a
// mistake refused with one line and exit code 2 before anything starts, and a
// game named by its folder from somewhere else.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace fs = std::filesystem;
using namespace tw::test;

namespace {

const std::string checker = std::string(TILEWORLD_BUILD_DIR) + "/tileworld-check";
const std::vector<std::string> programs = {TILEWORLD_BINARY, checker};

std::string name_of(const std::string& program) { return fs::path(program).filename().string(); }

// Refused: exit code 2, nothing on stdout, one line on stderr that names the
// program and says why. With TILEWORLD_SCRIPT naming no file, a game that
// had started would have stopped on the script instead.
void expect_refused(const RunResult& r, const std::string& program, const std::string& why) {
    SCOPED_TRACE(name_of(program) + ": " + r.err);
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind(name_of(program) + ": ", 0), 0u);
    EXPECT_NE(r.err.find(why), std::string::npos);
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1);
}

const std::vector<std::string> no_script = {"TILEWORLD_SCRIPT=/nonexistent/script.txt"};

}  // namespace

TEST(CommandLine, HelpAndVersion) {
    TempDir dir;
    for (const std::string& program : programs) {
        SCOPED_TRACE(program);
        RunResult r = run_program(program, {"--help"}, dir.path, no_script);
        EXPECT_EQ(r.exit_code, 0);
        EXPECT_EQ(r.out.rfind("usage: " + name_of(program) + " ", 0), 0u) << r.out;
        EXPECT_NE(r.out.find("GAME_FOLDER"), std::string::npos);
        EXPECT_EQ(r.err, "");
        r = run_program(program, {"--version"}, dir.path, no_script);
        EXPECT_EQ(r.exit_code, 0);
        EXPECT_EQ(r.out, name_of(program) + " " TILEWORLD_VERSION "\n");
    }
    // The game's help names what a player and a tester can set.
    const std::string help = run_program(TILEWORLD_BINARY, {"-h"}, dir.path).out;
    for (const char* item : {"TILEWORLD_SCRIPT", "TILEWORLD_DISPLAY", "TILEWORLD_PACE", "SDL_VIDEODRIVER",
                             "--output-folder", "Page Up", "Escape", "joystick"})
        EXPECT_NE(help.find(item), std::string::npos) << item;
}

TEST(CommandLine, MistakesAreRefusedBeforeAnythingStarts) {
    TempDir dir;
    const std::string file = dir.write("notes.txt", "not a folder");
    fs::create_directory(dir.path + "game");
    for (const std::string& program : programs) {
        expect_refused(run_program(program, {"--frobnicate"}, dir.path, no_script), program, "unknown option --frobnicate");
        expect_refused(run_program(program, {dir.path + "missing"}, dir.path, no_script), program,
                       "game folder " + dir.path + "missing: No such file or directory");
        expect_refused(run_program(program, {file}, dir.path, no_script), program, "Not a directory");
        expect_refused(run_program(program, {"game", "game"}, dir.path, no_script), program, "one game folder only");
        expect_refused(run_program(program, {""}, dir.path, no_script), program, "empty");
    }
}

// A folder the player may not read. Root reads every folder, so there the
// programs run as the user nobody, from copies that user can reach.
TEST(CommandLine, UnreadableFolderIsRefused) {
    TempDir dir;
    fs::permissions(dir.path, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
    const std::string locked = dir.path + "locked";
    fs::create_directory(locked);
    fs::permissions(locked, geteuid() == 0 ? fs::perms::owner_all : fs::perms::none);
    for (const std::string& program : programs) {
        const std::string copy = dir.path + name_of(program);
        fs::copy_file(program, copy);
        RunResult r = geteuid() == 0
                          ? run_program("/usr/bin/setpriv",
                                        {"--reuid=65534", "--regid=65534", "--clear-groups", copy, locked}, dir.path,
                                        no_script)
                          : run_program(copy, {locked}, dir.path, no_script);
        expect_refused(r, program, "Permission denied");
    }
    fs::permissions(locked, fs::perms::owner_all);
}

// Named from another folder, relative to it: the game runs there as if started
// in it, and a map the checker draws lands where it was asked for.
TEST(CommandLine, GameFolderNamedFromElsewhere) {
    TempDir dir;
    const std::string here = dir.path + "elsewhere";
    fs::create_directories(dir.path + "games");
    fs::create_directory(here);
    fs::copy(std::string(TILEWORLD_SOURCE_DIR) + "/game", dir.path + "games/labyrinth", fs::copy_options::recursive);
    const std::string script = dir.write("script.txt", "at 60 dump dump.txt\nat 61 quit\n");

    // The output folder, like the game folder, is named from where the program starts.
    RunResult r = run_program(TILEWORLD_BINARY, {"--output-folder", "..", "../games/labyrinth"}, here,
                              {"TILEWORLD_SCRIPT=" + script});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    const std::string dump = read_file(dir.path + "dump.txt");
    EXPECT_NE(dump.find("use_self_create_base 1\n"), std::string::npos) << dump.substr(0, 400);
    EXPECT_NE(dump.find(" LAB_FLOOR\n"), std::string::npos);  // cells of the labyrinth's types

    r = run_program(checker, {"../games/labyrinth"}, here);
    EXPECT_EQ(r.exit_code, 0) << r.out;
    EXPECT_NE(r.out.find("0 errors, 0 warnings"), std::string::npos) << r.out;
    r = run_program(checker, {"--map", "0", "world0.png", "--", "../games/labyrinth"}, here);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_TRUE(fs::is_regular_file(here + "/world0.png"));
    EXPECT_FALSE(fs::exists(dir.path + "games/labyrinth/world0.png"));
}
