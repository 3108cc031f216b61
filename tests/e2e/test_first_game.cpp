// What a new game maker meets first, on the real program: its exit codes,
// the debug line and SHOWDEBUGLINE, quick key taps at a low frame rate (one
// injected between two snapshots, and a live one on a large virtual X
// display), and trying seeds and worlds from the command line.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <map>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/dump.h"
#include "support/game_folder.h"
#include "support/virtual_display.h"
#include "support/screenshot.h"

using namespace tw::test;

namespace {

const std::vector<std::string> headless = {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"};

std::map<std::string, std::string> fields_of(const std::string& path) { return read_dump(path).fields; }

RunResult replay(const std::string& game, const std::string& recording) {
    return run_tileworld(game, {"TILEWORLD_SCRIPT=" + recording}, 300);
}

}  // namespace

// 0 for a quit, 1 when start-up fails (after its message), 2 for a mistake on
// the command line, 3 for a replay out of step; the help lists them.
TEST(FirstGame, ExitCodesOfTheRealProgram) {
    TempDir empty;
    RunResult r = run_tileworld(empty.path);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("ERROR :  Could not open "), std::string::npos) << r.err;

    GameFolder game("game");
    r = game.play("at 30 quit\n");
    EXPECT_EQ(r.exit_code, 0) << r.err;

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--seed"}, {"--seed", "x7"}, {"--seed", "99999999999"}, {"--world", "-1"}, {"--world", ""}}) {
        r = run_program(TILEWORLD_BINARY, args, game.path, headless);
        EXPECT_EQ(r.exit_code, 2) << args[0] << " " << (args.size() > 1 ? args[1] : "");
        EXPECT_NE(r.err.find("needs a whole number"), std::string::npos) << r.err;
    }

    // A recording replayed with another seed goes out of step.
    const std::string recording = game.outside.path + "seeded.txt";
    r = run_program(TILEWORLD_BINARY, {"--record", recording, "--seed", "5"}, game.path,
                    {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy",
                     "TILEWORLD_SCRIPT=" + game.outside.write("quit.txt", "at 130 quit\n")});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    r = run_program(TILEWORLD_BINARY, {"--replay", recording}, game.path, headless);
    EXPECT_EQ(r.exit_code, 3) << r.err;
    EXPECT_NE(r.err.find("replay out of step"), std::string::npos) << r.err;
    r = run_program(TILEWORLD_BINARY, {"--replay", recording, "--seed", "5"}, game.path, headless);
    EXPECT_EQ(r.exit_code, 0) << r.err;

    const std::string help = run_program(TILEWORLD_BINARY, {"--help"}, game.path).out;
    for (const char* item : {"--seed N", "--world N", "Exit codes:", "  1  start-up failed", "  3  a replay",
                             "  4  an automation"})
        EXPECT_NE(help.find(item), std::string::npos) << item;
    size_t start = 0;
    while (start < help.size()) {
        const size_t end = help.find('\n', start);
        EXPECT_LE(end - start, 80u) << help.substr(start, end - start);
        start = end + 1;
    }
}

// The debug line covers the top-left of the screen every frame; with
// SHOWDEBUGLINE 0 the world shows there instead.
TEST(FirstGame, DebugLineAndShowDebugLine) {
    GameFolder game("game");
    const std::string with = game.outside.path + "with.png", without = game.outside.path + "without.png";
    ASSERT_EQ(game.play("at 60 screenshot " + with + "\nat 61 quit\n", "640x480", {"TILEWORLD_OUTPUT_FOLDER=" + game.outside.path}).exit_code, 0);
    game.more_configuration({"SHOWDEBUGLINE", "0"});
    ASSERT_EQ(game.play("at 60 screenshot " + without + "\nat 61 quit\n", "640x480", {"TILEWORLD_OUTPUT_FOLDER=" + game.outside.path}).exit_code, 0);
    const Screenshot a = read_screenshot(with), b = read_screenshot(without);
    ASSERT_TRUE(a.ok && b.ok);
    // The line's text colour and its black background, just right of (10, 38).
    auto in_line = [](const Screenshot& s, uint32_t colour) {
        int n = 0;
        for (int y = 38; y < 50; ++y)
            for (int x = 10; x < 200; ++x) n += s.rgb(x, y) == colour;
        return n;
    };
    EXPECT_GT(in_line(a, 0xFFFFC8), 20);
    EXPECT_GT(in_line(a, 0x000000), 500);
    EXPECT_EQ(in_line(b, 0xFFFFC8), 0);
    EXPECT_LT(in_line(b, 0x000000), 100);
    // Elsewhere the two frames are the same.
    for (int y = 100; y < b.height; y += 7)
        for (int x = 0; x < b.width; x += 7) ASSERT_EQ(a.rgb(x, y), b.rgb(x, y)) << x << "," << y;
}

// Taps shorter than a frame, each key down and up between two snapshots: P
// pauses (the frame clock stands still), C continues, Page Up builds world 1,
// Escape then Q ends the game. The recording holds every tap and its replay
// stays in step.
TEST(FirstGame, TapsBetweenTwoSnapshotsAreCountedRecordedAndReplayed) {
    GameFolder game("game");
    const std::string recording = game.outside.path + "taps.txt";
    auto tap = [](int frame, int key) {
        return "at " + std::to_string(frame) + " key " + std::to_string(key) + " down\nat " + std::to_string(frame) +
               " key " + std::to_string(key) + " up\n";
    };
    const std::string d = game.outside.path;
    RunResult r = game.play(tap(100, 25) + "at 105 dump " + d + "p1.txt\nat 110 dump " + d + "p2.txt\n" +
                                tap(120, 46) + "at 130 dump " + d + "c1.txt\nat 135 dump " + d + "c2.txt\n" +
                                tap(140, 201) + "at 160 dump " + d + "up.txt\n" + tap(170, 1) + tap(175, 16) +
                                "at 400 dump " + d + "late.txt\nat 401 quit\n",
                            "640x480", {"TILEWORLD_RECORD=" + recording, "TILEWORLD_OUTPUT_FOLDER=" + d});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    auto p1 = fields_of(d + "p1.txt"), p2 = fields_of(d + "p2.txt");
    auto c1 = fields_of(d + "c1.txt"), c2 = fields_of(d + "c2.txt");
    ASSERT_FALSE(p1.empty() || p2.empty() || c1.empty() || c2.empty()) << r.err;
    EXPECT_EQ(p1["frame_cycle_counter"], p2["frame_cycle_counter"]) << "paused: the frame clock stands";
    EXPECT_NE(c1["frame_cycle_counter"], c2["frame_cycle_counter"]) << "continued";
    EXPECT_EQ(fields_of(d + "up.txt")["world_number"], "1");
    EXPECT_FALSE(std::ifstream(d + "late.txt").good()) << "Escape and Q ended the game";

    const std::string text = read_file(recording);
    for (const char* held : {" key 25 down", " key 46 down", " key 201 down", " key 1 down", " key 16 down"})
        EXPECT_NE(text.find(held), std::string::npos) << held << "\n" << text;
    r = replay(game.path, recording);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.err.find("replay in step to the end"), std::string::npos) << r.err;
}

// --seed replaces WORLDRANDOM for one run, the file unchanged; --world starts
// at a later world, the one Page Up would reach.
TEST(FirstGame, SeedAndWorldFromTheCommandLine) {
    GameFolder game("game");
    const std::string ini = read_file(game.file("DATA/ini.txt"));
    const std::string script = game.outside.write("s.txt", "at 90 dump " + game.outside.path + "d.txt\nat 91 quit\n");
    auto run = [&](const std::vector<std::string>& args) {
        std::vector<std::string> env = headless;
        env.push_back("TILEWORLD_SCRIPT=" + script);
        env.push_back("TILEWORLD_DISPLAY=640x480");
        env.push_back("TILEWORLD_OUTPUT_FOLDER=" + game.outside.path);
        RunResult r = run_program(TILEWORLD_BINARY, args, game.path, env);
        EXPECT_EQ(r.exit_code, 0) << r.err;
        return fields_of(game.outside.path + "d.txt");
    };
    auto plain = run({});
    auto seeded = run({"--seed", "4242"});
    EXPECT_EQ(plain["world_random"], "1019");
    EXPECT_EQ(seeded["world_random"], "4242");
    EXPECT_NE(plain["world_width"] + "x" + plain["world_height"], seeded["world_width"] + "x" + seeded["world_height"]);
    EXPECT_EQ(read_file(game.file("DATA/ini.txt")), ini) << "the file is unchanged";

    auto third = run({"--world", "3"});
    EXPECT_EQ(third["world_number"], "3");
    EXPECT_EQ(third["built_world_number"], "3");
    // World 3 of the sample game, as the catalogue lists it: 55 x 39 cells.
    EXPECT_EQ(third["world_width"], "54");
    EXPECT_EQ(third["world_height"], "38");
    // The same world as Page Up three times reaches.
    const std::string up = game.outside.write(
        "up.txt", "at 30 key 201 down\nat 31 key 201 up\nat 40 key 201 down\nat 41 key 201 up\n"
                  "at 50 key 201 down\nat 51 key 201 up\nat 90 dump " + game.outside.path + "u.txt\nat 91 quit\n");
    ASSERT_EQ(run_tileworld(game.path, {"TILEWORLD_SCRIPT=" + up, "TILEWORLD_DISPLAY=640x480",
                                        "TILEWORLD_OUTPUT_FOLDER=" + game.outside.path})
                  .exit_code,
              0);
    const Dump a = read_dump(game.outside.path + "d.txt"), b = read_dump(game.outside.path + "u.txt");
    EXPECT_EQ(a.cells, b.cells);
}

// ---------------------------------------------------------------------------
// A live tap on a large screen: the software renderer is slow there, and
// xdotool's "key" presses and releases within a few milliseconds.
// ---------------------------------------------------------------------------

TEST(FirstGameLive, QuickTapsPauseAndQuitOnALargeScreen) {
    if (!on_path("Xvfb") || !on_path("xdotool")) GTEST_SKIP() << "needs Xvfb and xdotool (tools/install-deps.sh)";
    VirtualDisplay display("1920x1080x24");
    ASSERT_FALSE(display.name.empty()) << "Xvfb did not start";
    GameFolder game("game");
    const std::string recording = game.outside.path + "live.txt";
    RunningProgram program(game.path, {"SDL_VIDEODRIVER=x11", "DISPLAY=" + display.name, "TILEWORLD_RECORD=" + recording},
                           240);
    ASSERT_TRUE(display.xdotool("search --sync --name labyrinth windowfocus --sync %1"));
    bool playing = false;
    for (int i = 0; i < 2400 && !playing; ++i) {
        playing = read_file(recording).find("at 120 check") != std::string::npos;
        if (!playing) usleep(50000);
    }
    ASSERT_TRUE(playing) << "the game did not reach frame 120";
    // Quick taps only: P pauses, C continues, Escape opens the quit screen, Q quits.
    for (const char* key : {"p", "c", "Escape", "q"}) {
        EXPECT_TRUE(display.xdotool(std::string("key ") + key)) << key;
        usleep(700000);
    }
    ASSERT_TRUE(program.wait(20000)) << "the game did not end on quick taps of Escape then Q";
    EXPECT_EQ(program.result.exit_code, 0) << program.result.err;
    const std::string text = read_file(recording);
    for (const char* tapped : {" key 25 down", " key 46 down", " key 1 down", " key 16 down"})
        EXPECT_NE(text.find(tapped), std::string::npos) << tapped << "\n" << text;
    RunResult r = replay(game.path, recording);
    EXPECT_EQ(r.exit_code, 0) << r.err;
}
