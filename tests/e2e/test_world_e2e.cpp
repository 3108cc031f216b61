// The real program, headless: a game folder builds its labyrinth at start-up,
// Page Up and Page Down rebuild other worlds, and coming back to a world
// number rebuilds the same world.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/dump.h"
#include "support/game_folder.h"

namespace tw::test {
namespace {

TEST(WorldE2E, PageUpAndDownRebuildWorldsThatComeBackTheSame) {
    GameFolder dir;
    dir.configure({"WINDOWMODE", "1", "RESOLUTION", "32", "RESBASEW", "640", "MULTITASK", "0", "GFXCODEC", ".bmp",
                   "TOPOGFX", "GFX\\TOPO\\", "CURSOR", "GFX\\CURSOR\\", "RGBCODEPATH", "TYPES\\", "APPSTART",
                   "LAB", "USESELFCREATEBASE", "1", "SELFCREATEBASE", "DATA\\base.txt", "WORLDRANDOM", "31",
                   "MAPSIZE", "14", "LABSWITCH", "2", "USEEXTENDEDTOPO", "1"});
    dir.write("DATA/base.txt", crlf({"labyrinth", "12", "10", "", ""}));
    const char* types[] = {"LAB_WALL",    "LAB_FLOOR",  "LAB_GREEN",   "LAB_WATER",   "LAB_WALL_E",
                           "LAB_GREEN_E", "LAB_WATER_E", "LAB_WALL_S", "LAB_GREEN_S", "LAB_WATER_S"};
    uint8_t shade = 20;
    for (const char* t : types) {
        std::string name = std::string(t) + ".bmp";
        shade += 20;
        dir.picture("GFX/TOPO/" + name, 32, 32, {shade, shade, shade});
        dir.write(std::string("TYPES/LAB/") + t,
                  crlf({"GFXNAME", name, "USECOLLISION", std::string(t) == "LAB_WALL" ? "1" : "0"}));
    }
    dir.picture("GFX/CURSOR/hero.png", 16, 16, {100, 100, 100});
    // Builds present the screen now and then, which advances the script's
    // frame clock, so the steps leave room for them.
    RunResult r = dir.play(crlf({"at 40 dump start.txt", "at 41 key 201 down", "at 43 key 201 up",
                                 "at 80 dump world1.txt", "at 81 key 209 down", "at 83 key 209 up",
                                 "at 120 dump world0.txt", "at 121 key 201 down", "at 123 key 201 up",
                                 "at 160 dump world1again.txt", "at 161 quit"}));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const Dump start = read_dump(dir.file("start.txt")), world1 = read_dump(dir.file("world1.txt")),
               world0 = read_dump(dir.file("world0.txt")), again = read_dump(dir.file("world1again.txt"));
    ASSERT_TRUE(again.exists) << r.err;

    // The start-up world: every cell loaded, walls around, a floor to stand on.
    EXPECT_EQ(start.field("world_number"), "0");
    int w = std::stoi(start.field("world_width")), h = std::stoi(start.field("world_height"));
    EXPECT_LE(w, 12);
    EXPECT_LE(h, 10);
    const std::vector<DumpCell>& cells = start.cells;
    ASSERT_EQ(cells.size(), static_cast<size_t>((w + 1) * (h + 1)));
    for (const DumpCell& c : cells) {
        EXPECT_EQ(c.state, 1) << c.x << "," << c.y;
        if (c.x == 0 || c.y == 0) {
            EXPECT_EQ(c.type, "LAB_WALL") << c.x << "," << c.y;
        }
    }
    EXPECT_EQ(start.field("move_step"), "32");
    ASSERT_GE(w, 1);  // so this seed's start-up world has a floor and a figure
    ASSERT_GE(h, 1);
    ASSERT_EQ(start.cursors.size(), 1u);
    // The figure stands on the first floor cell the walk carved.
    const int fx = static_cast<int>(start.cursors[0].x) / 32, fy = static_cast<int>(start.cursors[0].y) / 32;
    bool found = false;
    for (const DumpCell& c : cells) {
        if (c.x != fx || c.y != fy) continue;
        found = true;
        EXPECT_NE(c.type, "LAB_WALL");
        EXPECT_NE(c.type, "LAB_GREEN");
        EXPECT_NE(c.type, "LAB_WATER");
    }
    EXPECT_TRUE(found) << fx << "," << fy;

    // World 1: drawn from 6 + 0..6 + 1 columns, limited by MAPSIZE 14.
    EXPECT_EQ(world1.field("world_number"), "1");
    EXPECT_EQ(world1.field("built_world_number"), "1");
    int w1 = std::stoi(world1.field("world_width"));
    EXPECT_GE(w1, 7);
    EXPECT_LE(w1, 13);
    EXPECT_FALSE(world1.cells == cells);

    // Back to 0: a rebuild of world 0, not the start-up world; then world 1
    // again, cell for cell and with the figure on the same start cell.
    EXPECT_EQ(world0.field("world_number"), "0");
    EXPECT_FALSE(world0.cells == cells);
    EXPECT_EQ(again.field("world_number"), "1");
    EXPECT_TRUE(again.cells == world1.cells);
    EXPECT_TRUE(again.cursors == world1.cursors);
}

}  // namespace
}  // namespace tw::test
