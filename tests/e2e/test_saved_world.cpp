// The real program, headless: a saved world loads from its topography and
// opacity files and shows on screen with its objects; a generated world's
// dump lists the objects placed on its cells and the enemies spawned on it.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/inspection.h"
#include "runtime/media_runtime.h"
#include "support/test_support.h"

using tw::test::TempDir;
using tw::test::crlf;
using tw::test::run_tileworld;

namespace {

std::string bmp_image(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
    const int row = (w * 3 + 3) / 4 * 4;
    const uint32_t data_size = static_cast<uint32_t>(row * h);
    std::string s;
    auto u16 = [&](uint32_t v) { s += char(v & 0xFF); s += char((v >> 8) & 0xFF); };
    auto u32 = [&](uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
    s += "BM";
    u32(54 + data_size); u32(0); u32(54);
    u32(40); u32(static_cast<uint32_t>(w)); u32(static_cast<uint32_t>(h)); u16(1); u16(24);
    u32(0); u32(data_size); u32(2835); u32(2835); u32(0); u32(0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) { s += char(b); s += char(g); s += char(r); }
        for (int p = w * 3; p < row; ++p) s += char(0);
    }
    return s;
}

// Configuration shared by both games: 640 x 480 display, 32-pixel cells,
// BMP images, no sounds, no font, no cursor figures.
std::vector<std::string> base_config() {
    return {"WINDOWMODE", "1", "RESOLUTION", "32", "RESBASEW", "640", "MULTITASK", "0",
            "GFXCODEC", ".bmp", "TOPOGFX", "GFX\\TOPO\\", "WORLDGFX", "GFX\\WORLD\\",
            "RGBCODEPATH", "TYPES\\", "APPENTRY", "WORLDS\\", "MAXFOE", "3"};
}

// One line of the dump split at blanks.
using dump_line = std::vector<std::string>;
std::vector<dump_line> dump_lines(const std::string& dump, const std::string& kind) {
    std::vector<dump_line> out;
    std::istringstream in(dump);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        dump_line w;
        std::string word;
        while (words >> word) w.push_back(word);
        if (line.size() > 0 && line.back() == ' ') w.push_back("");  // empty cell type
        if (!w.empty() && w[0] == kind) out.push_back(w);
    }
    return out;
}

struct Shot {
    tw::rgba_image image;
    bool ok = false;
    uint32_t at(int x, int y) const {  // 0xRRGGBB
        size_t i = (static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)) * 4;
        return (uint32_t(image.rgba[i]) << 16) | (uint32_t(image.rgba[i + 1]) << 8) | image.rgba[i + 2];
    }
};

Shot read_screenshot(const std::string& path) {
    Shot s;
    std::vector<uint8_t> bytes;
    std::string data = tw::test::read_file(path);
    bytes.assign(data.begin(), data.end());
    tw::use_png_decoder();
    s.ok = !bytes.empty() && tw::decode_image(bytes.data(), bytes.size(), s.image);
    return s;
}

}  // namespace

// ===========================================================================
// Saved world
// ===========================================================================

TEST(SavedWorld, LoadsAndShowsWithItsObjectsButNoEnemies) {
    TempDir dir;
    std::vector<std::string> ini = base_config();
    ini.insert(ini.end(), {"USESELFCREATEBASE", "0", "APPSTART", "ISLE"});
    dir.write("DATA/ini.txt", crlf(ini));

    // Columns alternate red and blue cells; red cells carry a yellow gem.
    dir.write("GFX/TOPO/red.bmp", bmp_image(32, 32, 220, 0, 0));
    dir.write("GFX/TOPO/blue.bmp", bmp_image(32, 32, 0, 0, 220));
    dir.write("GFX/WORLD/gem.bmp", bmp_image(8, 8, 250, 250, 0));
    dir.write("GFX/WORLD/gem.dll", crlf({"DGFXNAME", "gem", "DGFXSHOW", "1", "DGFXTRANSPARENCY", "255",
                                          "DHOTSPOT", "CENTER", "DCENTERFIELD", "1", "DCOLLISION", "1"}));
    dir.write("GFX/WORLD/bat.bmp", bmp_image(8, 8, 0, 250, 0));
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
    dir.write("script.txt", crlf({"at 30 screenshot " + dir.path + "shot.png", "at 30 dump " + dir.path + "dump.txt",
                                  "at 31 quit"}));

    auto r = run_tileworld(dir.path, {"TILEWORLD_DISPLAY=640x480", "TILEWORLD_SCRIPT=" + dir.path + "script.txt"});
    ASSERT_EQ(r.exit_code, 0) << r.err;

    std::string dump = tw::test::read_file(dir.path + "dump.txt");
    ASSERT_FALSE(dump.empty()) << r.err;
    EXPECT_NE(dump.find("world_width 3\n"), std::string::npos);
    EXPECT_NE(dump.find("world_height 2\n"), std::string::npos);
    EXPECT_TRUE(dump_lines(dump, "enemy").empty());  // loaded worlds get no enemies
    auto count = dump_lines(dump, "instances");
    ASSERT_EQ(count.size(), 1u);
    EXPECT_EQ(count[0][1], "6");  // one gem on each red cell
    auto cells = dump_lines(dump, "cell");
    ASSERT_EQ(cells.size(), 12u);
    int gem = 0;
    for (const dump_line& c : cells) {
        ASSERT_EQ(c.size(), 11u);
        const bool red = std::stoi(c[1]) % 2 == 0;
        EXPECT_EQ(c[10], red ? "100" : "001");
        EXPECT_EQ(c[4], c[1] == "1" && c[2] == "2" ? "0" : "255");  // alpha
        if (red) {
            EXPECT_EQ(c[9].substr(0, c[9].find(',')), std::to_string(gem++));
        }
    }

    Shot shot = read_screenshot(dir.path + "shot.png");
    ASSERT_TRUE(shot.ok);
    ASSERT_EQ(shot.image.width, 640);
    ASSERT_EQ(shot.image.height, 480);
    // The frame is drawn one pixel up and left by the view's full-screen copy.
    EXPECT_EQ(shot.at(4, 4), 0xDC0000u);     // red cell (0, 0)
    EXPECT_EQ(shot.at(36, 4), 0x0000DCu);    // blue cell (1, 0)
    EXPECT_EQ(shot.at(36, 68), 0x000000u);   // cell (1, 2): opacity 0
    EXPECT_EQ(shot.at(68, 68), 0xDC0000u);   // red cell (2, 2)
    EXPECT_EQ(shot.at(22, 22), 0xFAFA00u);   // gem of cell (0, 0): anchor (20, 20)
    EXPECT_EQ(shot.at(86, 86), 0xFAFA00u);   // gem of cell (2, 2)
    EXPECT_EQ(shot.at(36 + 20, 22), 0x0000DCu);  // no gem on blue cells
    EXPECT_EQ(shot.at(300, 300), 0x000000u);  // beyond the world
}

// ===========================================================================
// Generated world
// ===========================================================================

TEST(GeneratedWorld, DumpListsPlacedObjectsAndEnemies) {
    TempDir dir;
    std::vector<std::string> ini = base_config();
    ini.insert(ini.end(), {"USESELFCREATEBASE", "1", "SELFCREATEBASE", "DATA\\world.base", "WORLDRANDOM",
                           "4242", "LABSWITCH", "2", "APPSTART", "LABY", "MAPSIZE", "32"});
    dir.write("DATA/ini.txt", crlf(ini));
    dir.write("DATA/world.base", crlf({"base", "24", "18", "-", "-"}));

    dir.write("GFX/TOPO/wall.bmp", bmp_image(32, 32, 90, 90, 90));
    dir.write("GFX/TOPO/floor.bmp", bmp_image(32, 32, 200, 180, 120));
    dir.write("GFX/WORLD/coin.bmp", bmp_image(8, 8, 250, 250, 0));
    dir.write("GFX/WORLD/coin.dll", crlf({"DGFXNAME", "coin", "DGFXSHOW", "1", "DGFXTRANSPARENCY", "255"}));
    // Enemies that never act, so the dump shows where they were spawned.
    dir.write("GFX/WORLD/bat.bmp", bmp_image(8, 8, 0, 250, 0));
    dir.write("GFX/WORLD/bat.dll", crlf({"DGFXNAME", "#", "DISENEMY", "1", "DDMOVE", "-1", "DAILEVEL", "2"}));
    const std::vector<std::string> wall = {"GFXNAME", "wall.bmp", "TRANSPARENCY", "0", "USECOLLISION", "1",
                                           "CHILD1", "#"};
    dir.write("TYPES/LABY/LAB_WALL", crlf(wall));
    dir.write("TYPES/LABY/LAB_GREEN", crlf(wall));
    dir.write("TYPES/LABY/LAB_WATER", crlf(wall));
    dir.write("TYPES/LABY/LAB_FLOOR", crlf({"GFXNAME", "floor.bmp", "TRANSPARENCY", "0", "CHILD1", "coin",
                                             "CHILD2", "#", "USEENEMY", "1"}));
    dir.write("script.txt", crlf({"at 30 dump " + dir.path + "dump.txt", "at 31 quit"}));

    auto r = run_tileworld(dir.path, {"TILEWORLD_DISPLAY=640x480", "TILEWORLD_SCRIPT=" + dir.path + "script.txt"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::string dump = tw::test::read_file(dir.path + "dump.txt");
    ASSERT_FALSE(dump.empty()) << r.err;

    auto cells = dump_lines(dump, "cell");
    auto count = dump_lines(dump, "instances");
    ASSERT_EQ(count.size(), 1u);
    const int instances = std::stoi(count[0][1]);

    // Every floor cell holds a coin (density 0) in its first slot; walls hold none.
    std::vector<std::pair<int, int>> floors;  // in column order
    std::map<int, int> seen;                  // instance index -> cells referring to it
    for (const dump_line& c : cells) {
        ASSERT_EQ(c.size(), 11u);
        const std::string first = c[9].substr(0, c[9].find(','));
        if (c[10] == "LAB_FLOOR") {
            floors.emplace_back(std::stoi(c[1]), std::stoi(c[2]));
            EXPECT_EQ(c[8], "0");  // last_child_slot
            const int index = std::stoi(first);
            EXPECT_GE(index, 0);
            EXPECT_LT(index, instances);
            seen[index] += 1;
        } else {
            EXPECT_EQ(c[8], "-1");
            EXPECT_EQ(first, "-1");
        }
    }
    ASSERT_GE(floors.size(), 3u) << dump;
    for (const auto& [index, n] : seen) EXPECT_EQ(n, 1) << "instance " << index << " shared";

    // Three enemies (MAXFOE) on the first three floor cells in column order.
    auto enemies = dump_lines(dump, "enemy");
    ASSERT_EQ(enemies.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(enemies[i][2], std::to_string(floors[i].first * 32)) << i;
        EXPECT_EQ(enemies[i][3], std::to_string(floors[i].second * 32)) << i;
    }
}
