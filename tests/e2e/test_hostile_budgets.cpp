// Game folders made to exhaust memory or time, each small on disk, played by
// the real program and checked by the real checker: every run must end on its
// own, within bounded memory, with a sensible exit code, and say which limit
// it hit. The folders are made here at test time; nothing big is committed.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/game_folder.h"
#include "tools/encoders/encoders.h"

namespace fs = std::filesystem;
using namespace tw::test;

namespace {

const std::string checker = std::string(TILEWORLD_BUILD_DIR) + "/tileworld-check";

// A run that a limit must cut short ends well within this; a run killed at it
// is a failure, not a slow pass.
constexpr int deadline_seconds = 60;

struct Game : GameFolder {
    Game() : GameFolder("game") { write("DATA/world.base", crlf({"small", "14", "10", "", ""})); }
};

// The highest resident size of any program this test has waited for, in
// bytes (the kernel keeps the maximum over reaped children).
long long children_peak_bytes() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return static_cast<long long>(u.ru_maxrss) * 1024;
}

void expect_bounded_memory() {
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(children_peak_bytes(), 1536LL << 20) << "a run took more than 1.5 GB";
#endif
}

struct Ends {
    RunResult game;
    RunResult check;
};

// With TILEWORLD_HOSTILE_KEEP naming a folder, the cases are copied there
// instead of run (for measuring them by hand).
bool kept(const Game& g, const std::string& name) {
    const char* keep = std::getenv("TILEWORLD_HOSTILE_KEEP");
    if (!keep) return false;
    fs::create_directories(keep);
    fs::remove_all(fs::path(keep) / name);
    fs::copy(g.path, fs::path(keep) / name, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    return true;
}

// The game plays to frame 30 and quits; the checker reads the same folder.
Ends run_both(const Game& g, const std::string& name, const std::string& extra_script = "") {
    if (kept(g, name)) return {};
    Ends e;
    e.game = g.play(extra_script + "at 30 quit\n", "640x400", {}, deadline_seconds);
    e.check = run_program(checker, {g.path}, g.outside.path, {}, deadline_seconds);
    EXPECT_EQ(e.game.exit_code, 0) << e.game.err;
    EXPECT_TRUE(e.check.exit_code == 0 || e.check.exit_code == 1) << e.check.exit_code << "\n" << e.check.err;
    expect_bounded_memory();
    return e;
}

bool mentions(const std::string& haystack, const std::string& needle) {
    return haystack.find(needle) != std::string::npos;
}

// A 1-bit grey picture of the largest size a single picture may have: a few
// kilobytes on disk, 256 MB decoded.
std::vector<uint8_t> huge_one_bit_png() {
    tw::encoders::PngPicture p;
    p.width = 8192;
    p.height = 8192;
    p.colour_type = 0;
    p.depth = 1;
    p.compression_level = 9;
    p.rows.assign(static_cast<size_t>(8192 / 8) * 8192, 0);
    return tw::encoders::png(p);
}

// ===========================================================================
// Pictures and sounds: the decoded totals stay within their budgets
// ===========================================================================

TEST(HostileBudgets, ManyHugePicturesStopAtThePictureBudget) {
    Game g;
    const std::vector<uint8_t> png = huge_one_bit_png();
    ASSERT_FALSE(png.empty());
    for (int i = 0; i < 40; ++i) g.write("GFX/TOPO/huge" + std::to_string(i) + ".png", png);
    const Ends e = run_both(g, "pictures");
    if (kept(g, "pictures")) return;
    EXPECT_TRUE(mentions(e.game.err, "picture budget")) << e.game.err;
    EXPECT_TRUE(mentions(e.game.err, "huge39.png")) << "the refused file is named\n" << e.game.err;
    EXPECT_TRUE(mentions(e.check.out, "picture budget")) << e.check.out;
    EXPECT_TRUE(mentions(e.check.out, "huge39.png")) << e.check.out;
}

TEST(HostileBudgets, LongSilentOggStaysSmallAndTheSoundBudgetHolds) {
    Game g;
    // Twenty minutes of silence at 8 kHz compress to very little, and take
    // more than 200 MB once brought to a 44.1 kHz stereo device: the third
    // is over the budget.
    const std::vector<float> silence(static_cast<size_t>(8000) * 1200, 0.0f);
    const std::vector<uint8_t> ogg = encode_vorbis(1, 8000, silence, 0.0f);
    ASSERT_FALSE(ogg.empty());
    for (int i = 0; i < 4; ++i) g.write("SFX/quiet" + std::to_string(i) + ".ogg", ogg);
    const Ends e = run_both(g, "sounds");
    if (kept(g, "sounds")) return;
    EXPECT_TRUE(mentions(e.game.err, "sound budget")) << e.game.err;
    EXPECT_TRUE(mentions(e.check.out, "sound budget")) << e.check.out;
}

// ===========================================================================
// Worlds: placed objects and enemies are capped
// ===========================================================================

TEST(HostileBudgets, PlacementStopsAtTheObjectCapAndEnemiesAtTheFoeCap) {
    Game g;
    g.write("DATA/world.base", crlf({"vast", "1024", "1024", "", ""}));
    // Every cell asks for the same always-placed type in seven slots.
    for (const auto& entry : fs::directory_iterator(g.path + "TYPES/LABY")) {
        std::string type = read_file(entry.path().string());
        for (int slot = 1; slot <= 7; ++slot) {
            const std::string key = "CHILD" + std::to_string(slot) + "\r\n";
            const size_t at = type.find(key);
            if (at != std::string::npos) type.erase(at, type.find("\r\n", at + key.size()) + 2 - at);
            type += key + "pebble\r\n";
        }
        type += "CHILD8\r\n#\r\n";  // the slots before it are the cell's
        g.write("TYPES/LABY/" + entry.path().filename().string(), type);
    }
    g.picture("GFX/WORLD/pebble.png", 4, 4, {90, 90, 90});
    g.write("GFX/WORLD/pebble.dll", crlf({"DGFXNAME", "pebble", "DDENSITY", "0", "DGFXSHOW", "1"}));
    g.picture("GFX/WORLD/swarm.png", 4, 4, {200, 0, 0});
    g.write("GFX/WORLD/swarm.dll", crlf({"DGFXNAME", "swarm", "DDENSITY", "0", "DISENEMY", "1"}));
    g.more_configuration({"MAXFOE", "2147483647"});
    const Ends e = run_both(g, "placement");
    if (kept(g, "placement")) return;
    EXPECT_TRUE(mentions(e.game.err, "placed objects")) << e.game.err;
    EXPECT_TRUE(mentions(e.check.out, "placed objects")) << e.check.out;
    EXPECT_TRUE(mentions(e.check.out, "MAXFOE 2147483647 counts as 10000")) << e.check.out;
}

TEST(HostileBudgets, AnEndlessFrameWaitCountsAsOneSecond) {
    Game g;
    g.more_configuration({"MULTITASK", "2147483647"});
    if (kept(g, "multitask")) return;
    // Three frames of the longest wait allowed.
    const RunResult r = g.play("at 3 quit\n", "640x400", {}, deadline_seconds);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    const RunResult c = run_program(checker, {g.path}, g.outside.path, {}, deadline_seconds);
    EXPECT_TRUE(mentions(c.out, "MULTITASK 2147483647 counts as 1000")) << c.out;
}

// ===========================================================================
// Folders, paths and scripts
// ===========================================================================

TEST(HostileBudgets, ThousandsOfPicturesWithoutDefinitionsLoadInOnePass) {
    Game g;
    const std::vector<uint8_t> dot = solid_png(1, 1, {1, 2, 3});
    for (int i = 0; i < 20000; ++i) g.write("GFX/WORLD/x" + std::to_string(i) + ".png", dot);
    run_both(g, "listing");
}

TEST(HostileBudgets, AVeryLongFontPathIsRefusedQuickly) {
    Game g;
    std::string path = "GFX\\FONT";
    while (path.size() < 200000) path += "\\.";
    g.more_configuration({"FONTPATH", path});
    const Ends e = run_both(g, "fontpath");
    if (kept(g, "fontpath")) return;
    EXPECT_TRUE(mentions(e.check.out, "FONTPATH")) << e.check.out;
}

TEST(HostileBudgets, AScriptDisplayLargerThanTheRuntimeAllowsIsRefusedNamingTheLine) {
    Game g;
    g.outside.write("display.txt", "display 16384x16384\nat 30 quit\n");
    if (kept(g, "display")) return;
    const RunResult r = g.play("display 16384x16384\nat 30 quit\n", "", {}, deadline_seconds);
    EXPECT_NE(r.exit_code, 0);
    EXPECT_TRUE(mentions(r.err, "line 1")) << r.err;
    expect_bounded_memory();
}

}  // namespace

namespace {

// ===========================================================================
// Reads outside the folder: allowed, and named by the checker
// ===========================================================================

TEST(HostileBudgets, TheCheckerNamesEveryDataPathThatLeavesTheFolder) {
    Game g;
    // Art shared with a sibling game through "..", a symlink pointing out,
    // and an absolute path.
    TempDir shared;
    fs::copy(g.path + "GFX/TOPO", shared.path + "TOPO", fs::copy_options::recursive);
    fs::copy(g.path + "GFX/CURSOR", shared.path + "CURSOR", fs::copy_options::recursive);
    fs::remove_all(g.path + "GFX/CURSOR");
    fs::create_directory_symlink(shared.path + "CURSOR", g.path + "GFX/CURSOR");
    for (const char* n : {"load0.png", "load1.png"}) fs::copy(g.path + "GFX/LOAD/" + n, shared.path + n);
    const std::string up = fs::relative(shared.path + "TOPO", g.path).string();
    g.more_configuration({"TOPOGFX", up + "/", "LOADSCREEN", shared.path + "load#.png"});
    const RunResult c = run_program(checker, {g.path}, g.outside.path, {}, deadline_seconds);
    EXPECT_TRUE(mentions(c.out, "leads out of the game folder")) << c.out;
    EXPECT_TRUE(mentions(c.out, up)) << "the '..' path\n" << c.out;
    EXPECT_TRUE(mentions(c.out, "GFX\\CURSOR\\")) << "the symlink\n" << c.out;
    EXPECT_TRUE(mentions(c.out, shared.path + "load")) << "the absolute path\n" << c.out;
    // The game itself still reads the shared art.
    const RunResult r = g.play("at 5 quit\n", "640x400", {}, deadline_seconds);
    EXPECT_EQ(r.exit_code, 0) << r.err;

    // The sample game reads only its own folder.
    Game clean;
    const RunResult quiet = run_program(checker, {clean.path}, clean.outside.path, {}, deadline_seconds);
    EXPECT_FALSE(mentions(quiet.out, "leads out of the game folder")) << quiet.out;
}

}  // namespace
