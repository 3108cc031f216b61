// A game folder and its recordings may come from a stranger: whatever they
// make the program write stays inside the game folder (or the output folder
// the player names), and every attempt to write elsewhere ends the run with
// a plain refusal instead of hanging or reporting success. Each case makes
// its hostile folder here, in a temporary folder beside a "home" that must
// stay untouched.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"

using tw::test::RunResult;
using tw::test::TempDir;
using tw::test::crlf;
using tw::test::read_file;
using tw::test::run_program;

namespace fs = std::filesystem;

namespace {

// Every case must end this soon; the point is that it ends at all.
constexpr int bound_seconds = 30;

// The sample labyrinth beside a "home" folder holding a file that an attack
// aims at.
struct Hostile {
    TempDir root;
    std::string game = root.path + "game/";
    std::string home = root.path + "home/";
    std::string victim = home + ".bashrc";
    Hostile() {
        fs::copy(std::string(TILEWORLD_SOURCE_DIR) + "/game", game, fs::copy_options::recursive);
        root.write("home/.bashrc", "untouched\n");
    }
    // Runs the game with `script` (kept outside the game folder) and `args`.
    RunResult play(const std::string& script, const std::vector<std::string>& args = {},
                   std::vector<std::string> env = {}) const {
        env.push_back("TILEWORLD_SCRIPT=" + root.write("script.txt", script));
        env.push_back("TILEWORLD_DISPLAY=320x240");
        std::vector<std::string> all = args;
        all.push_back(game);
        return run_program(TILEWORLD_BINARY, all, root.path, env, bound_seconds);
    }
    bool home_untouched() const {
        size_t entries = 0;
        for ([[maybe_unused]] const auto& e : fs::directory_iterator(home)) ++entries;
        return entries == 1 && read_file(victim) == "untouched\n";
    }
};

bool mentions(const RunResult& r, const std::string& what) { return r.err.find(what) != std::string::npos; }

}  // namespace

// Paths that lead out are refused before the game starts, naming the line.
TEST(HostileWrites, PathsLeavingTheFolderRefuseTheScript) {
    Hostile h;
    const std::vector<std::string> attacks = {
        "dump ../home/.bashrc",
        "dump ../../home/.bashrc",
        "screenshot DATA/../../home/.bashrc",
        "dump ..\\home\\.bashrc",
        "dump " + h.victim,
        "dump \\tmp\\x",
        "dump C:\\x",
        "dump ./",
    };
    for (const std::string& attack : attacks) {
        SCOPED_TRACE(attack);
        const RunResult r = h.play("# harmless first\nat 5 key 205 down\nat 40 " + attack + "\nat 41 quit\n");
        EXPECT_EQ(r.exit_code, 4) << r.err;
        EXPECT_TRUE(mentions(r, "script.txt line 3")) << r.err;
        EXPECT_TRUE(h.home_untouched());
    }
}

// Paths that stay inside work as before, whichever way they are written.
TEST(HostileWrites, PathsInsideTheFolderStillWork) {
    Hostile h;
    fs::create_directories(h.game + "Shots");
    const RunResult r = h.play("at 30 dump DATA/../inside.txt\n"
                               "at 31 screenshot shots\\frame.png\n"
                               "at 32 dump " + h.game + "absolute.txt\n"
                               "at 33 quit\n");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_TRUE(fs::is_regular_file(h.game + "inside.txt"));
    EXPECT_TRUE(fs::is_regular_file(h.game + "Shots/frame.png")) << "the folder's case is resolved";
    EXPECT_TRUE(fs::is_regular_file(h.game + "absolute.txt"));

    // With an output folder, the outputs go there and nowhere else.
    const std::string out = h.root.path + "out/";
    fs::create_directories(out);
    const RunResult o = h.play("at 30 dump a.txt\nat 31 dump " + out + "b.txt\nat 32 quit\n", {"--output-folder", out});
    ASSERT_EQ(o.exit_code, 0) << o.err;
    EXPECT_TRUE(fs::is_regular_file(out + "a.txt") && fs::is_regular_file(out + "b.txt"));
    EXPECT_FALSE(fs::exists(h.game + "a.txt"));
    // ... and the game folder is then not an output folder.
    EXPECT_EQ(h.play("at 30 dump " + h.game + "c.txt\n", {"--output-folder", out}).exit_code, 4);
    EXPECT_EQ(h.play("at 30 dump x\n", {"--output-folder", h.root.path + "missing"}).exit_code, 2);
}

// No output follows a link or replaces anything but a regular file; the run
// ends with 4 at the output's frame, and the target is untouched.
TEST(HostileWrites, LinksAndSpecialFilesInsideAreNotWrittenThrough) {
    Hostile h;
    ASSERT_EQ(symlink(h.home.c_str(), (h.game + "Home").c_str()), 0);
    ASSERT_EQ(symlink(h.victim.c_str(), (h.game + "state.txt").c_str()), 0);
    ASSERT_EQ(symlink((h.home + "new.txt").c_str(), (h.game + "dangling.txt").c_str()), 0);
    ASSERT_EQ(symlink("/dev/full", (h.game + "full.txt").c_str()), 0);
    ASSERT_EQ(mkfifo((h.game + "pipe.png").c_str(), 0600), 0);
    fs::create_directories(h.game + "folder.txt");
    ASSERT_EQ(link(h.victim.c_str(), (h.game + "hard.txt").c_str()), 0);
    for (const char* attack : {"dump home/.bashrc", "dump HOME/sub/x.txt", "dump state.txt",
                                      "dump dangling.txt", "dump full.txt", "screenshot pipe.png",
                                      "dump folder.txt", "dump hard.txt"}) {
        SCOPED_TRACE(attack);
        const RunResult r = h.play("at 30 " + std::string(attack) + "\nat 31 dump after.txt\nat 32 quit\n");
        EXPECT_EQ(r.exit_code, 4) << r.err;
        EXPECT_TRUE(mentions(r, "script.txt line 1")) << r.err;
        EXPECT_FALSE(fs::exists(h.game + "after.txt")) << "the run ended at the refused output";
        EXPECT_EQ(read_file(h.victim), "untouched\n");
        EXPECT_FALSE(fs::exists(h.home + "new.txt"));
    }
}

// A recording cannot be made to write without end.
TEST(HostileWrites, OutputsPerScriptAreLimited) {
    Hostile h;
    std::string script;
    for (int i = 0; i < 5000; ++i) script += "at " + std::to_string(30 + i) + " screenshot s" + std::to_string(i) + ".png\n";
    const RunResult r = h.play(script);
    EXPECT_EQ(r.exit_code, 4) << r.err;
    EXPECT_TRUE(mentions(r, "line 1001")) << r.err;
    EXPECT_FALSE(fs::exists(h.game + "s0.png")) << "refused before the game starts";
}

// The report log stays inside too: a LOGPATH leading out, or a link in the
// log's place, loses the report (said once on stderr) and the game goes on.
TEST(HostileWrites, ReportLogStaysInside) {
    Hostile h;
    // Faults are reported once the main loop runs, after the world is built.
    const std::string fault = "at 120 fault\nat 121 fault\nat 130 quit\n";
    for (const char* logpath : {"..\\home\\", "../home/", "LOG\\..\\..\\home\\"}) {
        SCOPED_TRACE(logpath);
        h.root.write("game/DATA/ini.txt", read_file(std::string(TILEWORLD_SOURCE_DIR) + "/game/DATA/ini.txt") +
                                              crlf({"LOGPATH", logpath, "LOGFILE", ".bashrc"}));
        const RunResult r = h.play(fault);
        EXPECT_EQ(r.exit_code, 0) << r.err;
        EXPECT_TRUE(h.home_untouched());
        EXPECT_TRUE(mentions(r, "the report log is not written")) << r.err;
        EXPECT_EQ(r.err.find("report log"), r.err.rfind("report log")) << "said once";
    }
    // The sample game's own log (LOG\report.log) as a link to the victim.
    h.root.write("game/DATA/ini.txt", read_file(std::string(TILEWORLD_SOURCE_DIR) + "/game/DATA/ini.txt"));
    fs::remove(h.game + "LOG/report.log");
    fs::create_directories(h.game + "LOG");
    ASSERT_EQ(symlink(h.victim.c_str(), (h.game + "LOG/report.log").c_str()), 0);
    EXPECT_EQ(h.play(fault).exit_code, 0);
    EXPECT_TRUE(h.home_untouched());
    // Without the link the report is written where the game says.
    fs::remove(h.game + "LOG/report.log");
    EXPECT_EQ(h.play(fault).exit_code, 0);
    EXPECT_EQ(read_file(h.game + "LOG/report.log").rfind("ENGINE REPORT: ERROR:\r\n", 0), 0u);
}

// A recording goes only into a regular file, and refuses at once otherwise.
TEST(HostileWrites, RecordingRefusesWhatIsNotARegularFile) {
    Hostile h;
    const std::string pipe = h.root.path + "record.fifo";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& target : {std::string("/dev/full"), pipe, h.home}) {
        SCOPED_TRACE(target);
        const RunResult r = h.play("at 30 quit\n", {"--record", target});
        EXPECT_EQ(r.exit_code, 2) << r.err;
        EXPECT_TRUE(mentions(r, "recording")) << r.err;
    }
    const RunResult r = h.play("at 30 quit\n", {"--record", h.root.path + "session.txt"});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(read_file(h.root.path + "session.txt").find("at 30 quit\n"), std::string::npos);
}

// A script without quit ends after its last line, and a recording of it
// says so, so that the recording replays in step.
TEST(HostileWrites, ScriptWithoutQuitEndsAfterItsLastLine) {
    Hostile h;
    const std::string recording = h.root.path + "session.txt";
    const RunResult r = h.play("at 5 key 205 down\nat 50 key 205 up\n", {"--record", recording});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string text = read_file(recording);
    EXPECT_NE(text.find("at 50 quit\n"), std::string::npos) << text;
    const RunResult replay = run_program(TILEWORLD_BINARY, {"--replay", recording, h.game}, h.root.path,
                                         {"TILEWORLD_DISPLAY=320x240"}, bound_seconds);
    EXPECT_EQ(replay.exit_code, 0) << replay.err;
    EXPECT_TRUE(mentions(replay, "in step")) << replay.err;
}

// On a system where '\' is an ordinary character, a game folder named a\b is
// that folder, not b inside a.
TEST(HostileWrites, BackslashInTheGameFolderNameIsLiteral) {
    TempDir root;
    fs::copy(std::string(TILEWORLD_SOURCE_DIR) + "/game", root.path + "a\\b", fs::copy_options::recursive);
    root.write("a/b/DATA/ini.txt", "WINDOWMODE\r\nnot a number\r\n");  // a decoy
    root.write("script.txt", "at 30 dump state.txt\nat 31 quit\n");
    const RunResult r = run_program(TILEWORLD_BINARY, {"a\\b"}, root.path,
                                    {"TILEWORLD_SCRIPT=" + root.path + "script.txt", "TILEWORLD_DISPLAY=320x240"},
                                    bound_seconds);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string dump = read_file(root.path + "a\\b/state.txt");
    EXPECT_NE(dump.find("window_mode 1\n"), std::string::npos) << dump.substr(0, 300);
    EXPECT_FALSE(fs::exists(root.path + "a/b/state.txt"));
}
