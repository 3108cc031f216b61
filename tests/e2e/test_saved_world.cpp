// The real program, headless: a saved world loads from its topography and
// opacity files and shows on screen with its objects; a generated world's
// dump lists the objects placed on its cells and the enemies spawned on it.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "runtime/inspection.h"
#include "runtime/media_runtime.h"
#include "support/dump.h"
#include "support/game_folder.h"
#include "support/screenshot.h"

using namespace tw::test;

namespace {

// Configuration shared by both games: 640 x 480 display, 32-pixel cells,
// BMP images, no sounds, no font, no cursor figures.
std::vector<std::string> base_config() {
    return {"WINDOWMODE", "1", "RESOLUTION", "32", "RESBASEW", "640", "MULTITASK", "0",
            "GFXCODEC", ".bmp", "TOPOGFX", "GFX\\TOPO\\", "WORLDGFX", "GFX\\WORLD\\",
            "RGBCODEPATH", "TYPES\\", "APPENTRY", "WORLDS\\", "MAXFOE", "3"};
}

}  // namespace

// ===========================================================================
// Saved world
// ===========================================================================

TEST(SavedWorld, LoadsAndShowsWithItsObjectsButNoEnemies) {
    GameFolder dir;
    std::vector<std::string> ini = base_config();
    ini.insert(ini.end(), {"USESELFCREATEBASE", "0", "APPSTART", "ISLE"});
    dir.configure(ini);

    // Columns alternate red and blue cells; red cells carry a yellow gem.
    dir.picture("GFX/TOPO/red.bmp", 32, 32, {220, 0, 0});
    dir.picture("GFX/TOPO/blue.bmp", 32, 32, {0, 0, 220});
    dir.picture("GFX/WORLD/gem.bmp", 8, 8, {250, 250, 0});
    dir.write("GFX/WORLD/gem.dll", crlf({"DGFXNAME", "gem", "DGFXSHOW", "1", "DGFXTRANSPARENCY", "255",
                                          "DHOTSPOT", "CENTER", "DCENTERFIELD", "1", "DCOLLISION", "1"}));
    dir.picture("GFX/WORLD/bat.bmp", 8, 8, {0, 250, 0});
    dir.write("GFX/WORLD/bat.dll", crlf({"DGFXNAME", "#", "DISENEMY", "1", "DGFXSHOW", "1"}));
    dir.write("TYPES/ISLE/100", crlf({"GFXNAME", "red.bmp", "TRANSPARENCY", "0", "CHILD1", "gem", "CHILD2",
                                       "#", "USEENEMY", "1"}));
    dir.write("TYPES/ISLE/001", crlf({"GFXNAME", "blue.bmp", "TRANSPARENCY", "0", "CHILD1", "#"}));

    // Four columns of three rows, column by column.
    std::vector<std::string> topo = {"isle", "3", "2", "-", "-"};
    std::vector<std::string> opacity = {"-", "-", "-", "-", "-"};
    for (int x = 0; x <= 3; ++x)
        for (int y = 0; y <= 2; ++y) {
            if (x % 2 == 0) topo.insert(topo.end(), {"1", "0", "0"});
            else topo.insert(topo.end(), {"0", "0", "1"});
            opacity.push_back(x == 1 && y == 2 ? "0" : "255");  // one hidden cell
        }
    dir.write("WORLDS/ISLE.ai42", crlf(topo));
    dir.write("WORLDS/ISLE.red", crlf(opacity));
    auto r = dir.play(crlf({"at 30 screenshot shot.png", "at 30 dump dump.txt", "at 31 quit"}));
    ASSERT_EQ(r.exit_code, 0) << r.err;

    const Dump dump = read_dump(dir.file("dump.txt"));
    ASSERT_TRUE(dump.exists) << r.err;
    EXPECT_EQ(dump.field("world_width"), "3");
    EXPECT_EQ(dump.field("world_height"), "2");
    EXPECT_TRUE(dump.enemies.empty());  // loaded worlds get no enemies
    EXPECT_EQ(dump.field("instances"), "6");  // one gem on each red cell
    ASSERT_EQ(dump.cells.size(), 12u);
    int gem = 0;
    for (const DumpCell& c : dump.cells) {
        const bool red = c.x % 2 == 0;
        EXPECT_EQ(c.type, red ? "100" : "001");
        EXPECT_EQ(c.alpha, c.x == 1 && c.y == 2 ? 0 : 255);
        if (red) {
            EXPECT_EQ(c.children.at(0), gem++);
        }
    }

    const Screenshot shot = read_screenshot(dir.file("shot.png"));
    ASSERT_TRUE(shot.ok);
    ASSERT_EQ(shot.width, 640);
    ASSERT_EQ(shot.height, 480);
    // The frame is drawn one pixel up and left by the view's full-screen copy.
    EXPECT_EQ(shot.rgb(4, 4), 0xDC0000u);     // red cell (0, 0)
    EXPECT_EQ(shot.rgb(36, 4), 0x0000DCu);    // blue cell (1, 0)
    EXPECT_EQ(shot.rgb(36, 68), 0x000000u);   // cell (1, 2): opacity 0
    EXPECT_EQ(shot.rgb(68, 68), 0xDC0000u);   // red cell (2, 2)
    EXPECT_EQ(shot.rgb(22, 22), 0xFAFA00u);   // gem of cell (0, 0): anchor (20, 20)
    EXPECT_EQ(shot.rgb(86, 86), 0xFAFA00u);   // gem of cell (2, 2)
    EXPECT_EQ(shot.rgb(36 + 20, 22), 0x0000DCu);  // no gem on blue cells
    EXPECT_EQ(shot.rgb(300, 300), 0x000000u);  // beyond the world
}

// ===========================================================================
// Generated world
// ===========================================================================

TEST(GeneratedWorld, DumpListsPlacedObjectsAndEnemies) {
    GameFolder dir;
    std::vector<std::string> ini = base_config();
    ini.insert(ini.end(), {"USESELFCREATEBASE", "1", "SELFCREATEBASE", "DATA\\world.base", "WORLDRANDOM",
                           "4242", "LABSWITCH", "2", "APPSTART", "LABY", "MAPSIZE", "32"});
    dir.configure(ini);
    dir.write("DATA/world.base", crlf({"base", "24", "18", "-", "-"}));

    dir.picture("GFX/TOPO/wall.bmp", 32, 32, {90, 90, 90});
    dir.picture("GFX/TOPO/floor.bmp", 32, 32, {200, 180, 120});
    dir.picture("GFX/WORLD/coin.bmp", 8, 8, {250, 250, 0});
    dir.write("GFX/WORLD/coin.dll", crlf({"DGFXNAME", "coin", "DGFXSHOW", "1", "DGFXTRANSPARENCY", "255"}));
    // Enemies that never act, so the dump shows where they were spawned.
    dir.picture("GFX/WORLD/bat.bmp", 8, 8, {0, 250, 0});
    dir.write("GFX/WORLD/bat.dll", crlf({"DGFXNAME", "#", "DISENEMY", "1", "DDMOVE", "-1", "DAILEVEL", "2"}));
    const std::vector<std::string> wall = {"GFXNAME", "wall.bmp", "TRANSPARENCY", "0", "USECOLLISION", "1",
                                           "CHILD1", "#"};
    dir.write("TYPES/LABY/LAB_WALL", crlf(wall));
    dir.write("TYPES/LABY/LAB_GREEN", crlf(wall));
    dir.write("TYPES/LABY/LAB_WATER", crlf(wall));
    dir.write("TYPES/LABY/LAB_FLOOR", crlf({"GFXNAME", "floor.bmp", "TRANSPARENCY", "0", "CHILD1", "coin",
                                             "CHILD2", "#", "USEENEMY", "1"}));
    auto r = dir.play(crlf({"at 30 dump dump.txt", "at 31 quit"}));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const Dump dump = read_dump(dir.file("dump.txt"));
    ASSERT_TRUE(dump.exists) << r.err;
    const double instances = dump.num("instances");

    // Every floor cell holds a coin (density 0) in its first slot; walls hold none.
    std::vector<std::pair<int, int>> floors;  // in column order
    std::map<int, int> seen;                  // instance index -> cells referring to it
    for (const DumpCell& c : dump.cells) {
        const int first = c.children.at(0);
        if (c.type == "LAB_FLOOR") {
            floors.emplace_back(c.x, c.y);
            EXPECT_EQ(c.last_child_slot, 0);
            EXPECT_GE(first, 0);
            EXPECT_LT(first, instances);
            seen[first] += 1;
        } else {
            EXPECT_EQ(c.last_child_slot, -1);
            EXPECT_EQ(first, -1);
        }
    }
    ASSERT_GE(floors.size(), 3u);
    for (const auto& [index, n] : seen) EXPECT_EQ(n, 1) << "instance " << index << " shared";

    // Three enemies (MAXFOE) on the first three floor cells in column order.
    ASSERT_EQ(dump.enemies.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(dump.enemies[i].x, floors[i].first * 32) << i;
        EXPECT_EQ(dump.enemies[i].y, floors[i].second * 32) << i;
    }
}
