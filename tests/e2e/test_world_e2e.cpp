// The real program, headless: a game folder builds its labyrinth at start-up,
// Page Up and Page Down rebuild other worlds, and coming back to a world
// number rebuilds the same world.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace tw::test {
namespace {

std::string bmp_image(int side, char shade) {
    std::string s(54 + static_cast<size_t>(side * side * 3), shade);
    auto put32 = [&](size_t at, uint32_t v) {
        for (size_t i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    for (size_t i = 0; i < 54; ++i) s[i] = 0;
    s[0] = 'B';
    s[1] = 'M';
    put32(2, static_cast<uint32_t>(s.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(side));
    put32(22, static_cast<uint32_t>(side));
    s[26] = 1;
    s[28] = 24;
    return s;
}

struct Dump {
    std::string text;
    std::string field(const std::string& name) const {
        size_t at = text.find(name + " ");
        if (at == std::string::npos) return {};
        size_t end = text.find('\n', at);
        return text.substr(at + name.size() + 1, end - at - name.size() - 1);
    }
    std::vector<std::string> lines(const std::string& kind) const {
        std::vector<std::string> out;
        std::istringstream in(text);
        std::string line;
        while (std::getline(in, line))
            if (line.rfind(kind + " ", 0) == 0) out.push_back(line);
        return out;
    }
};

// The cell's type: the last word of its dump line.
std::string cell_type(const std::string& line) { return line.substr(line.rfind(' ') + 1); }

TEST(WorldE2E, PageUpAndDownRebuildWorldsThatComeBackTheSame) {
    TempDir dir;
    dir.write("DATA/ini.txt",
              crlf({"WINDOWMODE", "1", "RESOLUTION", "32", "RESBASEW", "640", "MULTITASK", "0", "GFXCODEC",
                    ".bmp", "TOPOGFX", "GFX\\TOPO\\", "CURSOR", "GFX\\CURSOR\\", "RGBCODEPATH", "TYPES\\",
                    "APPSTART", "LAB", "USESELFCREATEBASE", "1", "SELFCREATEBASE", "DATA\\base.txt",
                    "WORLDRANDOM", "31", "MAPSIZE", "14", "LABSWITCH", "2", "USEEXTENDEDTOPO", "1"}));
    dir.write("DATA/base.txt", crlf({"labyrinth", "12", "10", "", ""}));
    const char* types[] = {"LAB_WALL",    "LAB_FLOOR",  "LAB_GREEN",   "LAB_WATER",   "LAB_WALL_E",
                           "LAB_GREEN_E", "LAB_WATER_E", "LAB_WALL_S", "LAB_GREEN_S", "LAB_WATER_S"};
    char shade = 20;
    for (const char* t : types) {
        std::string name = std::string(t) + ".bmp";
        dir.write("GFX/TOPO/" + name, bmp_image(32, shade += 20));
        dir.write(std::string("TYPES/LAB/") + t,
                  crlf({"GFXNAME", name, "USECOLLISION", std::string(t) == "LAB_WALL" ? "1" : "0"}));
    }
    dir.write("GFX/CURSOR/hero.png", bmp_image(16, 100));
    // Builds present the screen now and then, which advances the script's
    // frame clock, so the steps leave room for them.
    dir.write("script.txt", crlf({"at 40 dump " + dir.path + "start.txt",
                                  "at 41 key 201 down", "at 43 key 201 up",
                                  "at 80 dump " + dir.path + "world1.txt",
                                  "at 81 key 209 down", "at 83 key 209 up",
                                  "at 120 dump " + dir.path + "world0.txt",
                                  "at 121 key 201 down", "at 123 key 201 up",
                                  "at 160 dump " + dir.path + "world1again.txt",
                                  "at 161 quit"}));

    RunResult r = run_tileworld(dir.path, {"TILEWORLD_DISPLAY=640x480", "TILEWORLD_SCRIPT=" + dir.path + "script.txt"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    Dump start{read_file(dir.path + "start.txt")}, world1{read_file(dir.path + "world1.txt")},
        world0{read_file(dir.path + "world0.txt")}, again{read_file(dir.path + "world1again.txt")};
    ASSERT_FALSE(again.text.empty()) << r.err;

    // The start-up world: every cell loaded, walls around, a floor to stand on.
    EXPECT_EQ(start.field("world_number"), "0");
    int w = std::stoi(start.field("world_width")), h = std::stoi(start.field("world_height"));
    EXPECT_LE(w, 12);
    EXPECT_LE(h, 10);
    std::vector<std::string> cells = start.lines("cell");
    ASSERT_EQ(cells.size(), static_cast<size_t>((w + 1) * (h + 1)));
    for (const std::string& c : cells) {
        std::istringstream words(c);
        std::string kind, x, y, state;
        words >> kind >> x >> y >> state;
        EXPECT_EQ(state, "1") << c;
        if (x == "0" || y == "0") {
            EXPECT_EQ(cell_type(c), "LAB_WALL") << c;
        }
    }
    EXPECT_EQ(start.field("move_step"), "32");
    ASSERT_GE(w, 1);  // so this seed's start-up world has a floor and a figure
    ASSERT_GE(h, 1);
    std::vector<std::string> cursor = start.lines("cursor");
    ASSERT_EQ(cursor.size(), 1u);
    // The figure stands on the first floor cell the walk carved.
    std::istringstream fig(cursor[0]);
    std::string kind, index;
    float px = 0, py = 0;
    fig >> kind >> index >> px >> py;
    std::string below = "cell " + std::to_string(static_cast<int>(px) / 32) + " " +
                        std::to_string(static_cast<int>(py) / 32) + " ";
    bool found = false;
    for (const std::string& c : cells) {
        if (c.rfind(below, 0) != 0) continue;
        found = true;
        EXPECT_NE(cell_type(c), "LAB_WALL");
        EXPECT_NE(cell_type(c), "LAB_GREEN");
        EXPECT_NE(cell_type(c), "LAB_WATER");
    }
    EXPECT_TRUE(found) << cursor[0];

    // World 1: drawn from 6 + 0..6 + 1 columns, limited by MAPSIZE 14.
    EXPECT_EQ(world1.field("world_number"), "1");
    EXPECT_EQ(world1.field("built_world_number"), "1");
    int w1 = std::stoi(world1.field("world_width"));
    EXPECT_GE(w1, 7);
    EXPECT_LE(w1, 13);
    EXPECT_NE(world1.lines("cell"), cells);

    // Back to 0: a rebuild of world 0, not the start-up world; then world 1
    // again, cell for cell and with the figure on the same start cell.
    EXPECT_EQ(world0.field("world_number"), "0");
    EXPECT_NE(world0.lines("cell"), cells);
    EXPECT_EQ(again.field("world_number"), "1");
    EXPECT_EQ(again.lines("cell"), world1.lines("cell"));
    EXPECT_EQ(again.lines("cursor"), world1.lines("cursor"));
}

}  // namespace
}  // namespace tw::test
