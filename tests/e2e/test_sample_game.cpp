// The bundled sample games, played by the real program headless: the
// labyrinth answers the arrow keys, pays for what the figure collects (with
// its sound), builds world 1 on Page Up and ends with Escape then Q; the
// saved island loads and stays as it is when the world number changes.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "support/dump.h"
#include "support/game_folder.h"

namespace fs = std::filesystem;
using namespace tw::test;

namespace {

// The first figure's cell in the world (screen position plus scroll).
std::pair<long, long> figure_cell(const Dump& d) {
    if (d.cursors.empty()) return {-1, -1};
    const long res = std::lround(d.num("resolution"));
    const long x = std::lround(d.cursors[0].x) / res + std::lround(d.num("view_origin_x"));
    const long y = std::lround(d.cursors[0].y) / res + std::lround(d.num("view_origin_y"));
    return {x, y};
}

bool has_sound(const std::string& raw) {
    for (char c : raw)
        if (c != 0) return true;
    return false;
}

}  // namespace

TEST(SampleGame, PlaysCollectsSwitchesWorldAndQuits) {
    GameFolder game("game");
    const std::string out = game.outside.path;
    // Arrow codes: 205 right, 208 down; 201 Page Up; 1 Escape; 16 Q. The
    // script's clock counts every presented frame, the loading screen's and
    // the progress bar's included, so play starts well after the build.
    const std::string audio = out + "audio.raw";
    auto r = game.play("at 60 dump " + out + "start.txt\n"
                       "at 65 key 205 down\n"
                       "at 125 key 205 up\n"
                       "at 127 key 208 down\n"
                       "at 185 key 208 up\n"
                       "at 195 dump " + out + "moved.txt\n"
                       "at 200 key 201 down\n"
                       "at 202 key 201 up\n"
                       "at 280 dump " + out + "world1.txt\n"
                       "at 290 key 1 down\n"
                       "at 292 key 1 up\n"
                       "at 300 key 16 down\n"
                       "# never reached when Q ends the game; stops a broken run\n"
                       "at 499 dump " + out + "late.txt\n"
                       "at 500 quit\n",
                       "1280x720",
                       {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + audio, "SDL_DISKAUDIODELAY=0",
                        "TILEWORLD_OUTPUT_FOLDER=" + out},
                       600);
    ASSERT_EQ(r.exit_code, 0) << r.err;

    const Dump start = read_dump(out + "start.txt"), moved = read_dump(out + "moved.txt"),
               world1 = read_dump(out + "world1.txt");
    ASSERT_TRUE(start.exists && moved.exists && world1.exists);

    // The start-up world fills the screen and has its figure and enemies.
    EXPECT_EQ(start.num("world_number"), 0);
    EXPECT_GE(start.num("world_width"), start.num("view_cells_x"));
    EXPECT_EQ(start.cursors.size(), 1u);
    EXPECT_GT(start.enemies.size(), 0u);
    EXPECT_LE(start.enemies.size(), 40u);

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
    EXPECT_EQ(world1.cursors.size(), 1u);
    // The score is kept across worlds.
    EXPECT_GE(world1.num("shown_score"), moved.num("shown_score"));

    // Escape then Q ended the game long before the script's own stop.
    EXPECT_FALSE(fs::exists(out + "late.txt"));
}

TEST(SampleGame, SavedIslandWithoutPlaySavedWorldLoadsAndIgnoresWorldChanges) {
    GameFolder game("game-saved");
    // PLAYSAVEDWORLD 0: the island is loaded as a picture, as it always was,
    // though its .place file and a second world lie beside it.
    game.more_configuration({"PLAYSAVEDWORLD", "0"});
    const std::string out = game.outside.path;
    auto r = game.play("at 20 dump " + out + "before.txt\n"
                       "at 21 key 201 down\n"
                       "at 23 key 201 up\n"
                       "at 40 dump " + out + "after.txt\n"
                       "at 41 quit\n",
                       "1280x720", {"TILEWORLD_OUTPUT_FOLDER=" + out}, 600);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const Dump before = read_dump(out + "before.txt"), after = read_dump(out + "after.txt");

    EXPECT_EQ(before.num("use_self_create_base"), 0);
    EXPECT_EQ(before.num("world_width"), 39);
    EXPECT_EQ(before.num("world_height"), 24);
    EXPECT_EQ(before.cursors.size(), 0u);  // a loaded world has no figure
    EXPECT_EQ(before.enemies.size(), 0u);  // nor enemies
    // Corner cells are sea, the castle's walls stand in the middle, and
    // every cell of the map was loaded.
    size_t loaded = 0, walls = 0;
    for (const DumpCell& c : before.cells) {
        if (c.x > 39 || c.y > 24) continue;
        if (c.state == 1) ++loaded;
        if (c.type == "128128128") ++walls;
        if ((c.x == 0 || c.x == 39) && (c.y == 0 || c.y == 24)) {
            EXPECT_EQ(c.type, "0000255") << c.x << "," << c.y;
            EXPECT_LT(c.alpha, 255) << "the frame of the sea is drawn darker";
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

TEST(SampleGame, DesignedIslandsPlayWithAFigureEnemiesAndPageUpToTheAtoll) {
    GameFolder game("game-saved");
    const std::string out = game.outside.path;
    auto r = game.play("at 40 dump " + out + "island.txt\n"
                       "at 41 key 201 down\n"
                       "at 43 key 201 up\n"
                       "at 90 dump " + out + "atoll.txt\n"
                       "at 91 quit\n",
                       "1280x720", {"TILEWORLD_OUTPUT_FOLDER=" + out}, 600);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const Dump island = read_dump(out + "island.txt"), atoll = read_dump(out + "atoll.txt");
    ASSERT_TRUE(island.exists && atoll.exists) << r.err;

    // World 1: the figure on the road south of the gate (START 22,17), the
    // view scrolled down as far as the world allows.
    EXPECT_EQ(island.num("world_number"), 1);
    ASSERT_EQ(island.cursors.size(), 1u);
    EXPECT_EQ(island.cursors[0].x / 32 + island.num("view_origin_x"), 22);
    EXPECT_EQ(island.cursors[0].y / 32 + island.num("view_origin_y"), 17);
    EXPECT_EQ(island.num("view_origin_y"), 25 - 720 / 32);
    EXPECT_GE(island.enemies.size(), 2u);  // the placed crabs at least
    int gems_in_court = 0;
    for (const DumpCell& c : island.cells)
        if (c.x == 22 && c.y == 11) gems_in_court = c.collision_flag;
    EXPECT_EQ(gems_in_court, 1) << "the placed gem in the court";

    // Page Up: the atoll, designed world 2, with its own start.
    EXPECT_EQ(atoll.num("world_number"), 2);
    EXPECT_EQ(atoll.num("world_width"), 35);
    EXPECT_EQ(atoll.num("world_height"), 21);
    ASSERT_EQ(atoll.cursors.size(), 1u);
    EXPECT_EQ(atoll.cursors[0].x / 32 + atoll.num("view_origin_x"), 4);
    EXPECT_EQ(atoll.cursors[0].y / 32 + atoll.num("view_origin_y"), 11);
    EXPECT_GE(atoll.enemies.size(), 1u);
}
