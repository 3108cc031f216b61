// The bundled sample games, played by the real program headless: the
// labyrinth answers the arrow keys, pays for what the figure collects (with
// its sound), builds world 1 on Page Up and ends with Escape then Q; the
// saved island loads and stays as it is when the world number changes.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace fs = std::filesystem;
using tw::test::TempDir;
using tw::test::read_file;
using tw::test::run_tileworld;

namespace {

// A copy of a bundled game folder, so that a run never writes into the tree.
std::string copy_game(const TempDir& dir, const std::string& name) {
    std::string to = dir.path + name;
    fs::copy(std::string(TILEWORLD_SOURCE_DIR) + "/" + name, to, fs::copy_options::recursive);
    return to;
}

// The "<field> <value>" lines of a dump, and the records by kind.
struct Dump {
    std::map<std::string, std::string> fields;
    std::multimap<std::string, std::vector<std::string>> records;
    long num(const std::string& f) const {
        auto it = fields.find(f);
        return it == fields.end() ? -999999 : std::stol(it->second);
    }
};

Dump parse_dump(const std::string& text) {
    Dump d;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::vector<std::string> w;
        std::string word;
        while (words >> word) w.push_back(word);
        if (w.size() == 2 && !d.fields.count(w[0])) d.fields[w[0]] = w[1];
        else if (!w.empty()) d.records.emplace(w[0], w);
    }
    return d;
}

// The first figure's cell in the world (screen position plus scroll).
std::pair<long, long> figure_cell(const Dump& d) {
    auto it = d.records.find("cursor");
    if (it == d.records.end() || it->second.size() < 4) return {-1, -1};
    long res = d.num("resolution");
    long x = std::lround(std::stod(it->second[2])) / res + d.num("view_origin_x");
    long y = std::lround(std::stod(it->second[3])) / res + d.num("view_origin_y");
    return {x, y};
}

bool has_sound(const std::string& raw) {
    for (char c : raw)
        if (c != 0) return true;
    return false;
}

}  // namespace

TEST(SampleGame, PlaysCollectsSwitchesWorldAndQuits) {
    TempDir dir;
    std::string game = copy_game(dir, "game");
    // Arrow codes: 205 right, 208 down; 201 Page Up; 1 Escape; 16 Q. The
    // script's clock counts every presented frame, the loading screen's and
    // the progress bar's included, so play starts well after the build.
    std::string script = dir.write("play.txt",
                                   "at 60 dump " + dir.path + "start.txt\n"
                                   "at 65 key 205 down\n"
                                   "at 125 key 205 up\n"
                                   "at 127 key 208 down\n"
                                   "at 185 key 208 up\n"
                                   "at 195 dump " + dir.path + "moved.txt\n"
                                   "at 200 key 201 down\n"
                                   "at 202 key 201 up\n"
                                   "at 280 dump " + dir.path + "world1.txt\n"
                                   "at 290 key 1 down\n"
                                   "at 292 key 1 up\n"
                                   "at 300 key 16 down\n"
                                   "# never reached when Q ends the game; stops a broken run\n"
                                   "at 499 dump " + dir.path + "late.txt\n"
                                   "at 500 quit\n");
    std::string audio = dir.path + "audio.raw";
    auto r = run_tileworld(game,
                           {"TILEWORLD_SCRIPT=" + script, "TILEWORLD_DISPLAY=1280x720", "SDL_AUDIODRIVER=disk",
                            "SDL_DISKAUDIOFILE=" + audio, "SDL_DISKAUDIODELAY=0"},
                           600);
    ASSERT_EQ(r.exit_code, 0) << r.err;

    Dump start = parse_dump(read_file(dir.path + "start.txt"));
    Dump moved = parse_dump(read_file(dir.path + "moved.txt"));
    Dump world1 = parse_dump(read_file(dir.path + "world1.txt"));
    ASSERT_FALSE(start.fields.empty());
    ASSERT_FALSE(moved.fields.empty());
    ASSERT_FALSE(world1.fields.empty());

    // The start-up world fills the screen and has its figure and enemies.
    EXPECT_EQ(start.num("world_number"), 0);
    EXPECT_GE(start.num("world_width"), start.num("view_cells_x"));
    EXPECT_EQ(start.records.count("cursor"), 1u);
    EXPECT_GT(start.records.count("enemy"), 0u);
    EXPECT_LE(start.records.count("enemy"), 40u);

    // The figure walked right and down, and what it walked over paid.
    auto [sx, sy] = figure_cell(start);
    auto [mx, my] = figure_cell(moved);
    EXPECT_GT(mx, sx);
    EXPECT_GT(my, sy);
    EXPECT_GT(moved.num("target_score") + moved.num("shown_score"),
              start.num("target_score") + start.num("shown_score"));
    EXPECT_TRUE(has_sound(read_file(audio))) << "no pickup sound reached the sound device";

    // Page Up built world 1: a different world, grown from the base size.
    EXPECT_EQ(world1.num("world_number"), 1);
    EXPECT_EQ(world1.num("built_world_number"), 1);
    EXPECT_GE(world1.num("world_width"), world1.num("world_base_width") / 2 + 1);
    EXPECT_EQ(world1.records.count("cursor"), 1u);
    // The score is kept across worlds.
    EXPECT_GE(world1.num("shown_score"), moved.num("shown_score"));

    // Escape then Q ended the game long before the script's own stop.
    EXPECT_FALSE(fs::exists(dir.path + "late.txt"));
}

TEST(SampleGame, SavedIslandLoadsAndIgnoresWorldChanges) {
    TempDir dir;
    std::string game = copy_game(dir, "game-saved");
    std::string script = dir.write("look.txt",
                                   "at 20 dump " + dir.path + "before.txt\n"
                                   "at 21 key 201 down\n"
                                   "at 23 key 201 up\n"
                                   "at 40 dump " + dir.path + "after.txt\n"
                                   "at 41 quit\n");
    auto r = run_tileworld(game, {"TILEWORLD_SCRIPT=" + script, "TILEWORLD_DISPLAY=1280x720"}, 600);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::string before_text = read_file(dir.path + "before.txt");
    Dump before = parse_dump(before_text);
    Dump after = parse_dump(read_file(dir.path + "after.txt"));

    EXPECT_EQ(before.num("use_self_create_base"), 0);
    EXPECT_EQ(before.num("world_width"), 39);
    EXPECT_EQ(before.num("world_height"), 24);
    EXPECT_EQ(before.records.count("cursor"), 0u);  // a loaded world has no figure
    EXPECT_EQ(before.records.count("enemy"), 0u);   // nor enemies
    // Corner cells are sea, the castle's walls stand in the middle, and
    // every cell of the map was loaded.
    size_t loaded = 0, walls = 0;
    for (auto [it, end] = before.records.equal_range("cell"); it != end; ++it) {
        const auto& c = it->second;
        long x = std::stol(c[1]), y = std::stol(c[2]);
        if (x > 39 || y > 24) continue;
        if (c[3] == "1") ++loaded;
        if (c.size() > 10 && c[10] == "128128128") ++walls;
        if ((x == 0 || x == 39) && (y == 0 || y == 24)) {
            EXPECT_EQ(c.size() > 10 ? c[10] : "", "0000255") << x << "," << y;
            EXPECT_LT(std::stol(c[4]), 255) << "the frame of the sea is drawn darker";
        }
    }
    EXPECT_EQ(loaded, 40u * 25u);
    EXPECT_GT(walls, 30u);
    EXPECT_GT(before.num("instances"), 100);

    // Page Up counts the world number up but the saved world stays.
    EXPECT_EQ(after.num("world_number"), 1);
    EXPECT_EQ(after.num("world_width"), 39);
    EXPECT_EQ(after.num("instances"), before.num("instances"));
}
