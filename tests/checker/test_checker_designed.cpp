// The checker on loaded worlds: it builds them with the engine's own code, so
// the engine's dump of the running game and the checker's world agree cell by
// cell (objects, counts, enemies, the start), for the sample island with and
// without PLAYSAVEDWORLD and for a designed world with a .place file; and it
// reports the .place lines the engine skips.
#include <filesystem>
#include <sstream>

#include "checker/test_checker_fixture.h"
#include "core/core.h"
#include "world/world.h"

using namespace tw;
using namespace tw::test;

namespace {

// The lines of a dump that building a world decides: its size, the instance
// count, every cell with its objects (the flag a frame recomputes left out),
// the figure's place and, unless they walk, the enemies' places.
std::vector<std::string> built_parts(const std::string& dump, bool enemies_walk) {
    std::vector<std::string> out;
    std::istringstream in(dump);
    std::string line;
    int enemies = 0;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        if (kind == "world_width" || kind == "world_height" || kind == "instances" || kind == "world_number" ||
            kind == "view_origin_x" || kind == "view_origin_y")
            out.push_back(line);
        if (kind == "enemy") {
            enemies += 1;
            std::string i, x, y;
            words >> i >> x >> y;
            if (!enemies_walk) out.push_back("enemy " + x + " " + y);
        }
        if (kind == "cursor") {
            std::string i, x, y;
            words >> i >> x >> y;
            out.push_back("cursor " + x + " " + y);
        }
        if (kind == "cell") {
            std::vector<std::string> w;
            std::string word;
            while (words >> word) w.push_back(word);
            if (w.size() != 10) continue;
            w[6] = "-";  // collectable: recomputed by every frame for the cells shown
            std::string kept;
            for (const std::string& s : w) kept += s + " ";
            out.push_back(kept);
        }
    }
    out.push_back("enemies " + std::to_string(enemies));
    return out;
}

// Runs `folder`'s game to frame 100 on a display of `display` (the world is
// loaded by then) and returns its dump after a Page Up to world 2 when asked.
std::string engine_dump(GameFolder& game, const std::string& display, bool page_up = false) {
    const std::string out = game.outside.path + "engine.txt";
    std::string script = page_up ? "at 60 key 201 down\nat 62 key 201 up\nat 140 dump " + out + "\nat 141 quit\n"
                                 : "at 100 dump " + out + "\nat 101 quit\n";
    RunResult r = game.play(script, display, {"TILEWORLD_OUTPUT_FOLDER=" + game.outside.path}, 600);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    return read_file(out);
}

// The checker's world `number`, built in the game folder, as a dump.
std::string checker_dump(const GameFolder& game, int number) {
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(game.path);
    text why;
    const bool built = build_world_for_map(number, why);
    EXPECT_TRUE(built) << why;
    const std::string ours = game.outside.path + "checker.txt";
    write_engine_dump(ours);
    std::filesystem::current_path(previous);
    return read_file(ours);
}

// The checker's summary for the game folder.
check_result checked(const GameFolder& game) {
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(game.path);
    check_result r = check_game();
    std::filesystem::current_path(previous);
    return r;
}

}  // namespace

TEST(CheckerLoadedWorlds, SampleIslandAsTheEngineBuildsIt) {
#if defined(_WIN32)
    GTEST_SKIP() << "plays a copy of a sample game with the real program; under Wine the Windows step plays both games itself";
#endif
    // As shipped: designed worlds 1 and 2, with figure, placements and enemies.
    GameFolder game("game-saved");
    {
        const std::vector<std::string> expected = built_parts(engine_dump(game, "800x600"), true);
        ASSERT_GT(expected.size(), 1000u);
        // The view origin depends on the display: compare the cells and counts
        // with the checker's, and the figure's world cell separately.
        std::vector<std::string> got = built_parts(checker_dump(game, 1), true);
        auto without_view = [](std::vector<std::string> v) {
            std::erase_if(v, [](const std::string& l) { return l.rfind("view_origin", 0) == 0 || l.rfind("cursor", 0) == 0; });
            return v;
        };
        EXPECT_EQ(without_view(got), without_view(expected));
    }
    // Page Up in the game, at the island's own display size: the same world 2
    // as the checker's, the figure and the view included.
    const std::vector<std::string> expected2 = built_parts(engine_dump(game, "1280x720", true), true);
    EXPECT_EQ(built_parts(checker_dump(game, 2), true), expected2);

    // The summary counts what the engine placed.
    check_result r = checked(game);
    ASSERT_GE(r.facts.size(), 2u);
    EXPECT_EQ(r.facts[0].rfind("designed world 1: 40 x 25 cells, ", 0), 0u) << r.facts[0];
    EXPECT_NE(r.facts[0].find("start at (22, 17)"), std::string::npos) << r.facts[0];
    EXPECT_EQ(r.facts[1].rfind("designed world 2: 36 x 22 cells, ", 0), 0u) << r.facts[1];
}

TEST(CheckerLoadedWorlds, SavedIslandWithoutPlaySavedWorldAsTheEngineLoadsIt) {
#if defined(_WIN32)
    GTEST_SKIP() << "plays a copy of a sample game with the real program; under Wine the Windows step plays both games itself";
#endif
    // The loading screen's picture is chosen by a draw of the generator before
    // the island's objects are drawn: a checker that skipped that draw put
    // other objects in other cells (498 objects where the game has 528).
    GameFolder game("game-saved");
    game.more_configuration({"PLAYSAVEDWORLD", "0"});
    const std::vector<std::string> expected = built_parts(engine_dump(game, "1280x720"), true);
    EXPECT_EQ(built_parts(checker_dump(game, 0), true), expected);
    check_result r = checked(game);
    ASSERT_EQ(r.facts.size(), 1u);
    std::string count;
    for (const std::string& l : expected)
        if (l.rfind("instances ", 0) == 0) count = l.substr(10);
    EXPECT_NE(r.facts[0].find(", " + count + " objects, 0 enemies"), std::string::npos) << r.facts[0] << " vs " << count;
    // Its .place file and second world lie unused, and the checker says so.
    report_at(r, "WORLDS/ISLAND.place: warning: ", "PLAYSAVEDWORLD is not 1");
    report_at(r, "WORLDS/ISLAND-2.ai42: warning: ", "never played");
}

namespace {

// A designed game of one 10 x 7 world: walls round a floor on which coins
// grow by chance and enemies spawn by chance, with a .place file.
struct DesignedFolder : GameFolder {
    DesignedFolder() {
        configure({"WINDOWMODE", "1", "RESOLUTION", "32", "RESBASEW", "640", "RESBASEH", "480", "MULTITASK", "0",
                   "GFXCODEC", ".png",
                   "TOPOGFX", "GFX\\TOPO\\", "WORLDGFX", "GFX\\WORLD\\", "RGBCODEPATH", "TYPES\\", "APPENTRY",
                   "WORLDS\\", "APPSTART", "ISLE", "CURSOR", "GFX\\CURSOR\\", "MAXFOE", "4", "WORLDRANDOM", "77",
                   "LOADSCREEN", "GFX\\LOAD\\load#.png", "USESELFCREATEBASE", "0", "PLAYSAVEDWORLD", "1"});
        write("GFX/TOPO/wall.png", solid_png(8, 8, {90, 90, 90}));
        write("GFX/TOPO/floor.png", solid_png(8, 8, {200, 180, 120}));
        write("GFX/CURSOR/hero.png", solid_png(8, 8, {200, 30, 30}));
        write("GFX/WORLD/coin.png", solid_png(8, 8, {250, 250, 0}));
        write("GFX/WORLD/coin.dll", crlf({"DGFXNAME", "coin", "DDENSITY", "2", "DCOLLISION", "1", "DGFXSHOW", "1",
                                          "DGFXTRANSPARENCY", "255"}));
        // Enemies that never move, so the dump shows where they were put.
        write("GFX/WORLD/bat.png", solid_png(16, 16, {0, 250, 0}));
        write("GFX/WORLD/bat.dll", crlf({"DGFXNAME", "bat", "DISENEMY", "1", "DDENSITY", "6", "DDMOVE", "-1",
                                         "DAILEVEL", "2", "DGFXSHOW", "1", "DGFXTRANSPARENCY", "255"}));
        write("TYPES/ISLE/100", crlf({"GFXNAME", "wall.png", "TRANSPARENCY", "0", "USECOLLISION", "1", "CHILD1", "#"}));
        write("TYPES/ISLE/001", crlf({"GFXNAME", "floor.png", "TRANSPARENCY", "0", "CHILD1", "coin", "CHILD2", "#",
                                      "USEENEMY", "1"}));
        std::vector<std::string> topo = {"ISLE", "9", "6", "-", "-"}, opacity = {"-", "-", "-", "-", "-"};
        for (int x = 0; x < 10; ++x)
            for (int y = 0; y < 7; ++y) {
                const bool wall = x == 0 || y == 0 || x == 9 || y == 6;
                topo.insert(topo.end(), {wall ? "1" : "0", "0", wall ? "0" : "1"});
                opacity.push_back("255");
            }
        write("WORLDS/ISLE.ai42", crlf(topo));
        write("WORLDS/ISLE.red", crlf(opacity));
    }
};

}  // namespace

TEST(CheckerLoadedWorlds, DesignedWorldWithPlacementsAsTheEngineBuildsIt) {
    DesignedFolder game;
    // The coin on (5, 3) joins whatever chance put there; a bat on (7, 4).
    game.write("WORLDS/ISLE.place", crlf({"START", "6,5", "OBJECT", "coin,5,3", "OBJECT", "coin,5,3", "OBJECT",
                                           "bat,7,4"}));
    const std::vector<std::string> expected = built_parts(engine_dump(game, "640x480"), false);
    EXPECT_EQ(built_parts(checker_dump(game, 1), false), expected);
    // Both placed coins hold a slot of their own (after the one chance may
    // have filled), the bat and the figure are where the file puts them.
    bool two_coins = false, bat = false, figure = false;
    for (const std::string& l : expected) {
        if (l.rfind("5 3 ", 0) == 0) {
            std::istringstream words(l);
            std::vector<std::string> w;
            for (std::string word; words >> word;) w.push_back(word);
            ASSERT_EQ(w.size(), 10u) << l;
            const int last = std::stoi(w[7]);
            const std::string children = w[8];
            two_coins = last >= 1 && children.find("-1") > children.find(',', children.find(',') + 1) - 1;
        }
        bat |= l == "enemy 224 128";
        figure |= l == "cursor 192 160";
    }
    EXPECT_TRUE(two_coins);
    EXPECT_TRUE(bat);
    EXPECT_TRUE(figure);
    check_result r = checked(game);
    for (const check_message& m : r.messages) EXPECT_EQ(m.path.find(".place"), std::string::npos) << m.message;
    ASSERT_EQ(r.facts.size(), 1u);
    EXPECT_NE(r.facts[0].find("start at (6, 5)"), std::string::npos) << r.facts[0];
}

TEST(CheckerLoadedWorlds, PlacementLinesTheEngineSkipsAreReported) {
    DesignedFolder game;
    game.write("WORLDS/ISLE.place", crlf({"START", "20,3",        // 2: outside
                                           "OBJECT", "coyn,2,2",   // 4: no such definition
                                           "OBJECT", "coin,3,30",  // 6: outside
                                           "OBJECT", "coin 4 4",   // 8: not NAME,X,Y
                                           "OBJECT", "coin,2,x",   // 10: not a number
                                           "PLACE", "coin,1,1",    // 11: not a key
                                           "OBJECT", "bat,1,1"}));
    check_result r = checked(game);
    const std::string at = "WORLDS/ISLE.place:";
    report_at(r, at + "2: warning: ", "lies outside the world (0..9, 0..6): the figure starts on the first cell");
    report_at(r, at + "4: warning: ", "'coyn' matches no object definition");
    report_at(r, at + "6: warning: ", "OBJECT 'coin' on cell (3, 30) lies outside the world");
    report_at(r, at + "8: warning: ", "is not NAME,X,Y: the line is skipped");
    report_at(r, at + "10: warning: ", "does not end in two whole numbers: it reads as cell (2, 0)");
    report_at(r, at + "11: warning: ", "unknown key 'PLACE'");
    EXPECT_EQ(r.errors, 0) << all_of(r);
    // Without a usable START the figure stands on the first open cell.
    EXPECT_NE(r.facts.at(0).find("start at (1, 1)"), std::string::npos) << r.facts[0];
}
