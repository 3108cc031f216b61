// Recorded sessions of the sample labyrinth replayed by the real program:
// a scripted session, a session played with real key events on a virtual X
// display, and the recording that ships with the game. A replay that goes
// the recorded way ends with 0; one that drifts names the frame and the field.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "support/game_folder.h"
#include "support/test_support.h"
#include "support/virtual_display.h"

using tw::test::GameFolder;
using tw::test::RunResult;
using tw::test::read_file;
using tw::test::run_program;
using tw::test::run_tileworld;
using tw::test::on_path;
using tw::test::VirtualDisplay;

namespace {

RunResult replay(const std::string& game, const std::string& recording, const std::vector<std::string>& more = {}) {
    std::vector<std::string> env = {"TILEWORLD_SCRIPT=" + recording};
    env.insert(env.end(), more.begin(), more.end());
    return run_tileworld(game, env, 300);
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// One recording of a scripted session for the whole suite: the figure walks
// down and right, the joystick pushes it, Page Up builds world 1, Escape and
// Q end the game. Arrow codes: 208 down, 205 right; 201 Page Up; 1 Escape.
struct Replay : ::testing::Test {
    static inline GameFolder* game = nullptr;
    static inline std::string recording;  // outside the game folder
    static inline RunResult recorded;

    static void SetUpTestSuite() {
        game = new GameFolder("game");
        recording = game->outside.path + "recording.txt";
        recorded = game->play("joystick\n"
                              "at 70 key 208 down\n"
                              "at 100 key 208 up\n"
                              "at 110 key 205 down\n"
                              "at 150 key 205 up\n"
                              "at 160 axis y 1\n"
                              "at 175 axis y 0\n"
                              "at 180 key 201 down\n"
                              "at 182 key 201 up\n"
                              "at 250 key 1 down\n"
                              "at 252 key 1 up\n"
                              "at 260 key 16 down\n"
                              "at 400 quit\n",
                              "640x360", {"TILEWORLD_RECORD=" + recording}, 300);
    }
    static void TearDownTestSuite() {
        delete game;
        game = nullptr;
    }
};

}  // namespace

TEST_F(Replay, ScriptedSessionRecordsItsInputAndChecksAndReplaysClean) {
    ASSERT_EQ(recorded.exit_code, 0) << recorded.err;
    const std::string text = read_file(recording);
    const std::vector<std::string> lines = lines_of(text);
    for (const char* wanted : {"joystick", "display 640x360", "at 110 key 205 down", "at 160 axis y 1",
                               "at 182 key 201 up"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), wanted), lines.end()) << wanted << "\n" << text;
    // A check at least every 60 frames, and the last two lines a check and
    // the quit at the frame the game ended.
    long last_check = 0, checks = 0;
    for (const std::string& l : lines) {
        long frame = 0;
        char digest[128];
        if (std::sscanf(l.c_str(), "at %ld check %127s", &frame, digest) != 2) continue;
        EXPECT_LE(frame - last_check, 60) << l;
        last_check = frame;
        ++checks;
    }
    EXPECT_GE(checks, 4);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.back(), "at " + std::to_string(last_check) + " quit");
    EXPECT_EQ(lines[lines.size() - 2].rfind("at " + std::to_string(last_check) + " check ", 0), 0u);

    // Replayed, it stays in step; recorded again while replaying, it comes
    // out the same. On the command line the files are named from where the
    // program starts, not from the game folder.
    const std::string& outside = game->outside.path;
    RunResult r = run_program(TILEWORLD_BINARY, {"--replay", "recording.txt", "--record", "again.txt", game->path},
                              outside, {}, 300);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.err.find("replay in step to the end"), std::string::npos) << r.err;
    EXPECT_EQ(read_file(outside + "again.txt"), text);

    r = run_program(TILEWORLD_BINARY, {game->path, "--replay"}, outside);
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_NE(r.err.find("--replay needs a file name"), std::string::npos) << r.err;
}

TEST_F(Replay, PressMovedLaterIsCaughtAtTheNextCheckNamingTheField) {
    ASSERT_EQ(recorded.exit_code, 0) << recorded.err;
    std::string text = read_file(recording);
    const std::string press = "at 110 key 205 down\n";
    ASSERT_NE(text.find(press), std::string::npos);
    // The figure walks right from frame 111 in the recording; moved past the
    // check at frame 120, it still stands there at that check.
    text.replace(text.find(press), press.size(), "at 125 key 205 down\n");
    RunResult r = replay(game->path, game->outside.write("moved.txt", text));
    EXPECT_EQ(r.exit_code, 3) << r.err;
    EXPECT_NE(r.err.find("replay out of step at frame 120: first difference in cursor"), std::string::npos) << r.err;
}

// The recording beside the sample game replays in step: the sample data
// still makes the worlds it made when the recording was taken. After a
// deliberate change of the data, record it again (see the guide).
TEST(ReplaySampleGame, ShippedRecordingStaysInStep) {
    GameFolder game("game");
    RunResult r = replay(game.path, game.file("recordings/tour.txt"));
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.err.find("replay in step to the end"), std::string::npos) << r.err;
}

// ---------------------------------------------------------------------------
// Real key events: the game's own window on a virtual X display, keys sent
// with xdotool, the recording replayed headless.
// ---------------------------------------------------------------------------

TEST(ReplayRealKeys, SessionPlayedOnAVirtualDisplayReplaysHeadless) {
    if (!on_path("Xvfb") || !on_path("xdotool")) GTEST_SKIP() << "needs Xvfb and xdotool (tools/install-deps.sh)";
    VirtualDisplay display;
    ASSERT_FALSE(display.name.empty()) << "Xvfb did not start";
    GameFolder game("game");
    const std::string recording = game.outside.path + "played.txt";
    tw::test::RunningProgram program(game.path, {"SDL_VIDEODRIVER=x11", "DISPLAY=" + display.name,
                                            "TILEWORLD_RECORD=" + recording},
                                     180);
    ASSERT_TRUE(display.xdotool("search --sync --name labyrinth windowfocus --sync %1"));
    // The recording's check at frame 120 comes well after start-up: keys
    // sent from then on reach the game's frames.
    bool playing = false;
    for (int i = 0; i < 1200 && !playing; ++i) {
        playing = read_file(recording).find("at 120 check") != std::string::npos;
        if (!playing) usleep(50000);
    }
    ASSERT_TRUE(playing) << "the game did not reach frame 120";
    // Each key is held for several frames: the game reads the keys once a
    // frame. Page Up builds world 1.
    for (const char* key : {"Down", "Right", "Prior"})
        EXPECT_TRUE(display.xdotool(std::string("keydown ") + key + " sleep 0.6 keyup " + key + " sleep 0.4")) << key;
    // Escape then Q, again until the game ends: while a world is being built
    // no frame runs to see a key.
    bool ended = false;
    for (int i = 0; i < 10 && !ended; ++i) {
        display.xdotool("keydown Escape sleep 0.6 keyup Escape sleep 0.3 keydown q sleep 0.6 keyup q");
        ended = program.wait(1500);
    }
    ASSERT_TRUE(ended) << "the game did not end on Escape then Q";
    ASSERT_EQ(program.result.exit_code, 0) << program.result.err;

    const std::string text = read_file(recording);
    EXPECT_NE(text.find("display 800x600"), std::string::npos) << text;
    EXPECT_NE(text.find(" key 208 down"), std::string::npos) << "Down reached the game:\n" << text;
    EXPECT_NE(text.find(" key 16 down"), std::string::npos) << "Q reached the game:\n" << text;
    RunResult r = replay(game.path, recording);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.err.find("replay in step to the end"), std::string::npos) << r.err;
}

// A game without WORLDRANDOM seeds its generator from the clock (in the
// sample game it picks the loading screen): the recording keeps the seed and
// the replay draws with it, so recording the replay again keeps the same seed.
TEST(ReplayClockSeed, RecordedSeedIsTheOneTheReplayUses) {
    GameFolder game("game");
    std::string ini = read_file(game.file("DATA/ini.txt"));
    const size_t at = ini.find("WORLDRANDOM");
    ASSERT_NE(at, std::string::npos);
    ini.erase(at, ini.find('\n', ini.find('\n', at) + 1) + 1 - at);  // the key and its value
    game.write("DATA/ini.txt", ini);
    const std::string first = game.outside.path + "first.txt", again = game.outside.path + "again.txt";
    RunResult r = game.play("at 70 key 205 down\nat 90 key 205 up\nat 130 quit\n", "640x360",
                            {"TILEWORLD_RECORD=" + first});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string text = read_file(first);
    ASSERT_NE(text.find("\nseed "), std::string::npos) << text;
    usleep(20000);  // another clock reading, had the replay taken one
    r = replay(game.path, first, {"TILEWORLD_RECORD=" + again});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(read_file(again), text);
}
