// World maps: the checker builds worlds exactly as the running game does,
// and draws them with the start cell and the enemies marked.
#include <map>
#include <set>
#include <sstream>

#include "core/core.h"
#include "checker/test_checker_fixture.h"
#include "runtime/media_runtime.h"
#include "support/screenshot.h"

using namespace tw;
using namespace tw::test;

namespace {

std::string rgb_of(const uint8_t* p) {
    return std::to_string(p[0]) + "," + std::to_string(p[1]) + "," + std::to_string(p[2]);
}

// The lines of a dump that a world build decides: the counts of instances
// and enemies, and per cell its type, flags and objects. The flag a frame
// recomputes (collectable) and positions of walking enemies are left out.
std::vector<std::string> built_parts(const std::string& dump) {
    std::vector<std::string> out;
    std::istringstream in(dump);
    std::string line;
    int enemies = 0;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        if (kind == "world_width" || kind == "world_height" || kind == "instances") out.push_back(line);
        if (kind == "enemy") enemies += 1;
        if (kind == "cell") {
            std::vector<std::string> w;
            std::string word;
            while (words >> word) w.push_back(word);
            if (w.size() != 10) continue;
            w[6] = "-";  // collectable
            std::string kept;
            for (const std::string& s : w) kept += s + " ";
            out.push_back(kept);
        }
    }
    out.push_back("enemies " + std::to_string(enemies));
    return out;
}

TEST_F(CheckerGame, MapOfWorldZeroHasOneBlockPerCellWithTheStartAndEnemiesMarked) {
    text why;
    ASSERT_TRUE(build_world_for_map(0, why)) << why;
    const int cells_x = engine.world_width + 1, cells_y = engine.world_height + 1;
    ASSERT_GT(list_size(engine.enemy_list), 0);
    struct spot {
        int x, y;
    };
    std::vector<spot> enemies, water;
    for (int i = 0; i < list_size(engine.enemy_list); ++i)
        enemies.push_back({list_at(engine.enemy_list, i)->pos_x / 32, list_at(engine.enemy_list, i)->pos_y / 32});
    for (int x = 0; x < cells_x; ++x)
        for (int y = 0; y < cells_y; ++y)
            if (name_text(cell_at(x, y).cell_type) == "LAB_WATER") water.push_back({x, y});
    ASSERT_FALSE(water.empty());

    RunResult r = run_checker(dir.path, {"--map", "0", dir.path + "world0.png"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const Screenshot map = read_screenshot(dir.path + "world0.png");
    ASSERT_TRUE(map.ok);
    ASSERT_EQ(map.width, cells_x * 8);
    ASSERT_EQ(map.height, cells_y * 8);

    // The start cell (1, 1): the figure's picture in it, a white frame around it.
    EXPECT_EQ(rgb_of(map.pixel(9, 9)), "200,30,30");
    EXPECT_EQ(rgb_of(map.pixel(7, 7)), "255,255,255");
    EXPECT_EQ(rgb_of(map.pixel(16, 12)), "255,255,255");
    // Enemies: a red frame round their cell.
    for (const spot& e : enemies)
        EXPECT_EQ(rgb_of(map.pixel(e.x * 8 + 7, e.y * 8 + 7)), "255,40,40") << e.x << "," << e.y;
    // Water, which grows nothing here: its own colour.
    for (const spot& w : water)
        EXPECT_EQ(rgb_of(map.pixel(w.x * 8 + 4, w.y * 8 + 4)), "40,80,200") << w.x << "," << w.y;
}

TEST_F(CheckerGame, ObjectsAreDrawnInThePictureOfTheTypeThatMadeThem) {
    // A second type named "coin", with the same values in another colour.
    definition("coin2", coin());
    picture("GFX/WORLD/coin2.png", 40, 200, 220, 16, 16);
    text why;
    ASSERT_TRUE(build_world_for_map(0, why)) << why;
    const rgba_image map = render_world_map(32);
    std::set<std::pair<int, int>> enemy_cells;
    for (const enemy& e : engine.enemy_list.items) enemy_cells.insert({e.pos_x / 32, e.pos_y / 32});
    std::map<std::string, int> seen;  // coins checked, by their picture
    for (int x = 0; x <= engine.world_width; ++x) {
        for (int y = 0; y <= engine.world_height; ++y) {
            const object_instance* o = list_at(engine.object_instances, cell_at(x, y).child_instance[0]);
            if (!o || name_text(cell_at(x, y).cell_type) != "LAB_FLOOR" || enemy_cells.count({x, y}) ||
                (x == 1 && y == 1))
                continue;
            const std::string image = list_at(engine.object_definitions, o->definition_index)->image_path;
            const bool second = image.find("coin2") != std::string::npos;
            const uint8_t* p = &map.rgba[(static_cast<size_t>(y * 32 + 8) * static_cast<size_t>(map.width) +
                                          static_cast<size_t>(x * 32 + 8)) * 4];
            EXPECT_EQ(rgb_of(p), second ? "40,200,220" : "250,200,0") << x << "," << y;
            seen[second ? "coin2" : "coin"] += 1;
        }
    }
    EXPECT_GT(seen["coin"], 0);
    EXPECT_GT(seen["coin2"], 0);
}

TEST_F(CheckerGame, TheSameWorldNumberGivesTheSameBytes) {
    for (const char* name : {"a.png", "b.png"}) {
        RunResult r = run_checker(dir.path, {"--map", "3", dir.path + name});
        ASSERT_EQ(r.exit_code, 0) << r.err;
    }
    RunResult r = run_checker(dir.path, {"--map", "4", dir.path + "c.png"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string a = read_file(dir.path + "a.png");
    EXPECT_FALSE(a.empty());
    EXPECT_EQ(a, read_file(dir.path + "b.png"));
    EXPECT_NE(a, read_file(dir.path + "c.png"));
}

TEST_F(CheckerGame, MapWorldsAreTheWorldsTheGameBuilds) {
    // The game: a dump of the start-up world, then Page Up and a dump of world 1.
    RunResult game = dir.play(crlf({"at 40 dump " + dir.path + "game0.txt", "at 41 key 201 down", "at 43 key 201 up",
                                    "at 80 dump " + dir.path + "game1.txt", "at 81 quit"}));
    ASSERT_EQ(game.exit_code, 0) << game.err;

    for (int number : {0, 1}) {
        text why;
        ASSERT_TRUE(build_world_for_map(number, why)) << why;
        const std::string ours = dir.path + "ours" + std::to_string(number) + ".txt";
        write_engine_dump(ours);
        std::vector<std::string> expected = built_parts(read_file(dir.path + "game" + std::to_string(number) + ".txt"));
        std::vector<std::string> got = built_parts(read_file(ours));
        ASSERT_GT(expected.size(), 10u) << "world " << number;
        EXPECT_EQ(got, expected) << "world " << number;
    }
}

TEST_F(CheckerGame, WorldsTheEngineCannotMakeAreReportedNotDrawn) {
    dir.write("DATA/base.txt", crlf({"TEST BASE", "3000", "2900", "", ""}));
    RunResult r = run_checker(dir.path, {"--map", "0", dir.path + "big.png"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("tileworld-check: error: the engine stops at start: Could not open:"), std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path + "big.png"));

    // A saved world has no world 1.
    set_ini("USESELFCREATEBASE", "0");
    r = run_checker(dir.path, {"--map", "1", dir.path + "one.png"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("world 0 only"), std::string::npos) << r.err;
}

TEST_F(CheckerGame, SheetHoldsEveryWorldAndItsLabel) {
    RunResult r = run_checker(dir.path, {"--map-sheet", "2", "4", dir.path + "sheet.png", "--block", "2"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const Screenshot sheet = read_screenshot(dir.path + "sheet.png");
    ASSERT_TRUE(sheet.ok);
    // Two columns of two worlds, each at most 41 cells of 2 pixels, with labels.
    EXPECT_GT(sheet.width, 2 * 2 * 10);
    EXPECT_LE(sheet.width, 8 + 2 * (41 * 2 + 8));
    // The first label starts at the top-left corner, inside the margin.
    bool label = false;
    for (int y = 8; y < 18; ++y)
        for (int x = 8; x < 20; ++x) label |= rgb_of(sheet.pixel(x, y)) == "230,230,230";
    EXPECT_TRUE(label);

    r = run_checker(dir.path, {"--map-sheet", "0", "0", dir.path + "none.png"});
    EXPECT_EQ(r.exit_code, 2);
}

}  // namespace
