// Designed worlds played by the real program: with PLAYSAVEDWORLD 1 a loaded
// world gets the figure at its START, the objects and enemies of its .place
// file and enemies spawned by chance; Page Up / Page Down move between the
// worlds 1..N and stay put at either end; bad placement lines are skipped.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/dump.h"
#include "support/game_folder.h"

using namespace tw::test;

namespace {

// A game of designed worlds: 32-pixel cells on a 640 x 480 display, walls
// ("100") round floors ("001"), a gem to collect and a bat that only
// appears where a .place file puts it.
struct DesignedGame : GameFolder {
    DesignedGame() {
        configure({"WINDOWMODE", "1", "RESOLUTION", "32", "RESBASEW", "640", "MULTITASK", "0", "GFXCODEC", ".bmp",
                   "TOPOGFX", "GFX\\TOPO\\", "WORLDGFX", "GFX\\WORLD\\", "RGBCODEPATH", "TYPES\\", "APPENTRY",
                   "WORLDS\\", "APPSTART", "ISLE", "CURSOR", "GFX\\CURSOR\\", "CURSORSPEED", "250", "MAXFOE", "3",
                   "WORLDRANDOM", "5", "USESELFCREATEBASE", "0", "PLAYSAVEDWORLD", "1"});
        picture("GFX/TOPO/wall.bmp", 32, 32, {90, 90, 90});
        picture("GFX/TOPO/floor.bmp", 32, 32, {200, 180, 120});
        picture("GFX/CURSOR/hero.png", 24, 24, {200, 30, 30});
        picture("GFX/WORLD/gem.bmp", 8, 8, {250, 250, 0});
        write("GFX/WORLD/gem.dll", crlf({"DGFXNAME", "gem", "DGFXSHOW", "1", "DGFXTRANSPARENCY", "255", "DCOLLISION",
                                         "1", "DKILLONCOLLISION", "1", "DSCORE", "10"}));
        picture("GFX/WORLD/bat.bmp", 16, 16, {0, 250, 0});
        write("GFX/WORLD/bat.dll",
              crlf({"DGFXNAME", "bat", "DISENEMY", "1", "DDENSITY", "-1", "DGFXSHOW", "1", "DGFXTRANSPARENCY", "255",
                    "DVELOX", "8", "DVELOY", "8", "DAILEVEL", "1", "DDMOVE", "1", "DCHANGEDIRECTION", "24"}));
        write("TYPES/ISLE/100", crlf({"GFXNAME", "wall.bmp", "TRANSPARENCY", "0", "USECOLLISION", "1", "CHILD1", "#"}));
        write("TYPES/ISLE/001", crlf({"GFXNAME", "floor.bmp", "TRANSPARENCY", "0", "CHILD1", "#"}));
    }

    // Designed world `stem`: w x h cells, walls round the edge, floor inside.
    void world(const std::string& stem, int w, int h) const {
        std::vector<std::string> topo = {stem, std::to_string(w - 1), std::to_string(h - 1), "-", "-"};
        std::vector<std::string> opacity = {"-", "-", "-", "-", "-"};
        for (int x = 0; x < w; ++x)
            for (int y = 0; y < h; ++y) {
                const bool wall = x == 0 || y == 0 || x == w - 1 || y == h - 1;
                topo.insert(topo.end(), {wall ? "1" : "0", "0", wall ? "0" : "1"});
                opacity.push_back("255");
            }
        write("WORLDS/" + stem + ".ai42", crlf(topo));
        write("WORLDS/" + stem + ".red", crlf(opacity));
    }
};

const DumpCell* cell(const Dump& d, int x, int y) {
    for (const DumpCell& c : d.cells)
        if (c.x == x && c.y == y) return &c;
    return nullptr;
}

int figure_column(const Dump& d) { return static_cast<int>(d.cursors.at(0).x / 32 + d.num("view_origin_x")); }
int figure_row(const Dump& d) { return static_cast<int>(d.cursors.at(0).y / 32 + d.num("view_origin_y")); }

}  // namespace

TEST(DesignedWorlds, FigureStartsAtStartCollectsAPlacedObjectAndPageUpDownMoveBetweenWorlds) {
    DesignedGame g;
    g.world("ISLE", 9, 5);
    g.write("WORLDS/ISLE.place", crlf({"START", "2,2", "OBJECT", "gem,3,2", "OBJECT", "bat,6,2"}));
    g.world("ISLE-2", 6, 4);  // no .place: the figure stands on the first open cell
    const std::string o = g.outside.path;
    auto r = g.play(crlf({"at 30 dump " + o + "start.txt", "at 31 key 205 down", "at 33 key 205 up",
                          "at 60 dump " + o + "moved.txt", "at 61 key 201 down", "at 63 key 201 up",
                          "at 100 dump " + o + "two.txt", "at 101 key 201 down", "at 103 key 201 up",
                          "at 130 dump " + o + "still_two.txt", "at 131 key 209 down", "at 133 key 209 up",
                          "at 170 dump " + o + "back.txt", "at 171 key 209 down", "at 173 key 209 up",
                          "at 200 dump " + o + "still_one.txt", "at 201 quit"}),
                    "640x480", {"TILEWORLD_OUTPUT_FOLDER=" + o});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const Dump start = read_dump(o + "start.txt"), moved = read_dump(o + "moved.txt"), two = read_dump(o + "two.txt"),
               still_two = read_dump(o + "still_two.txt"), back = read_dump(o + "back.txt"),
               still_one = read_dump(o + "still_one.txt");
    ASSERT_TRUE(start.exists && moved.exists && two.exists && still_two.exists && back.exists && still_one.exists);

    // World 1 at start: the figure on START, the gem and the bat where the
    // .place file puts them (no chance drawn for either).
    EXPECT_EQ(start.num("world_number"), 1);
    ASSERT_EQ(start.cursors.size(), 1u);
    EXPECT_EQ(figure_column(start), 2);
    EXPECT_EQ(figure_row(start), 2);
    EXPECT_EQ(start.field("instances"), "1");
    ASSERT_NE(cell(start, 3, 2), nullptr);
    EXPECT_EQ(cell(start, 3, 2)->children.at(0), 0);
    EXPECT_EQ(cell(start, 3, 2)->last_child_slot, 0);
    ASSERT_EQ(start.enemies.size(), 1u);
    EXPECT_EQ(start.enemies[0].x, 6 * 32);
    EXPECT_EQ(start.enemies[0].y, 2 * 32);

    // One step right: the figure is on the gem's cell and has collected it;
    // the bat has walked.
    EXPECT_EQ(figure_column(moved), 3);
    EXPECT_EQ(cell(moved, 3, 2)->children.at(0), -1);
    EXPECT_EQ(moved.num("shown_score"), 10);
    ASSERT_EQ(moved.enemies.size(), 1u);
    EXPECT_NE(moved.enemies[0], start.enemies[0]);

    // Page Up: world 2, its figure on its first open cell; Page Up again
    // stays there.
    EXPECT_EQ(two.num("world_number"), 2);
    EXPECT_EQ(two.num("world_width"), 5);
    EXPECT_EQ(two.num("world_height"), 3);
    ASSERT_EQ(two.cursors.size(), 1u);
    EXPECT_EQ(figure_column(two), 1);
    EXPECT_EQ(figure_row(two), 1);
    EXPECT_TRUE(two.enemies.empty());
    EXPECT_EQ(still_two.num("world_number"), 2);
    EXPECT_EQ(still_two.num("built_world_number"), 2);

    // Page Down: world 1 again, built as at start (the gem is back); the
    // score stays. Page Down again stays in world 1.
    EXPECT_EQ(back.num("world_number"), 1);
    EXPECT_EQ(back.field("instances"), start.field("instances"));
    EXPECT_EQ(back.cells, start.cells);
    EXPECT_EQ(figure_column(back), 2);
    EXPECT_EQ(back.num("shown_score"), 10);
    EXPECT_EQ(still_one.num("world_number"), 1);
    EXPECT_EQ(still_one.num("built_world_number"), 1);
}

TEST(DesignedWorlds, BadPlacementLinesAreSkippedAndTheGamePlays) {
    DesignedGame g;
    g.world("ISLE", 6, 5);
    g.write("WORLDS/ISLE.place", crlf({"START", "99,99",          // outside: the first open cell instead
                                        "OBJECT", "ghost,2,2",     // no such definition
                                        "OBJECT", "gem,50,3",      // outside the world
                                        "OBJECT", "gem,-1,2",      // outside too
                                        "OBJECT", "gem;2;2",       // not NAME,X,Y
                                        "START", "",               // not X,Y: the earlier START stays
                                        "SPAWN", "bat,2,2",        // unknown key, skipped with its value
                                        "OBJECT", "gem,2,3"}));    // the one good line
    const std::string o = g.outside.path;
    auto r = g.play(crlf({"at 30 dump " + o + "d.txt", "at 31 quit"}), "640x480", {"TILEWORLD_OUTPUT_FOLDER=" + o});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const Dump d = read_dump(o + "d.txt");
    ASSERT_TRUE(d.exists) << r.err;
    EXPECT_EQ(d.field("instances"), "1");
    EXPECT_EQ(cell(d, 2, 3)->children.at(0), 0);
    EXPECT_EQ(cell(d, 2, 2)->last_child_slot, -1);
    EXPECT_TRUE(d.enemies.empty());
    ASSERT_EQ(d.cursors.size(), 1u);
    EXPECT_EQ(figure_column(d), 1);
    EXPECT_EQ(figure_row(d), 1);
}

TEST(DesignedWorlds, WithoutPlaySavedWorldThePlacementsAndLaterWorldsAreNotUsed) {
    DesignedGame g;
    g.more_configuration({"PLAYSAVEDWORLD", "0"});
    g.world("ISLE", 6, 5);
    g.write("WORLDS/ISLE.place", crlf({"START", "2,2", "OBJECT", "gem,2,3", "OBJECT", "bat,3,3"}));
    g.world("ISLE-2", 7, 7);
    const std::string o = g.outside.path;
    auto r = g.play(crlf({"at 30 dump " + o + "a.txt", "at 31 key 201 down", "at 33 key 201 up",
                          "at 60 dump " + o + "b.txt", "at 61 quit"}),
                    "640x480", {"TILEWORLD_OUTPUT_FOLDER=" + o});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const Dump a = read_dump(o + "a.txt"), b = read_dump(o + "b.txt");
    ASSERT_TRUE(a.exists && b.exists);
    EXPECT_EQ(a.num("world_number"), 0);
    EXPECT_TRUE(a.cursors.empty());
    EXPECT_TRUE(a.enemies.empty());
    EXPECT_EQ(a.field("instances"), "0");
    // Page Up counts the number up; the world stays.
    EXPECT_EQ(b.num("world_number"), 1);
    EXPECT_EQ(b.num("world_width"), 5);
    EXPECT_EQ(b.cells, a.cells);
}
