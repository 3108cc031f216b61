// The real program, headless: a generated labyrinth whose floor cells each
// hold a coin. The figure collects the coin it starts on and those it walks
// over; the dump shows the score and the emptied slots, the screenshot the
// cells, the coins and the HUD in the sprite font, and the disk audio output
// the coin's sound.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "presentation/test_world_view_png.h"
#include "runtime/inspection.h"
#include "runtime/media_runtime.h"
#include "runtime/test_sound_data.h"
#include "support/test_support.h"

namespace tw::test {
namespace {

constexpr int screen_w = 640, screen_h = 480;
const Rgba wall{60, 60, 70, 255}, floor_colour{200, 180, 140, 255}, coin{250, 250, 0, 255},
    figure{220, 0, 0, 255}, letter{90, 90, 90, 255}, five{0, 200, 255, 255}, zero{255, 128, 0, 255};

struct Game {
    TempDir dir;
    Game() {
        dir.write("DATA/ini.txt",
                  crlf({"WINDOWMODE", "1", "MULTITASK", "0", "RESOLUTION", "32", "RESBASEW", "640",
                        "USESELFCREATEBASE", "1", "SELFCREATEBASE", "DATA\\base.txt", "WORLDRANDOM", "11",
                        "LABSWITCH", "3", "MAPSIZE", "60", "RGBCODEPATH", "types\\", "APPSTART", "lab",
                        "TOPOGFX", "GFX\\TOPO\\", "GFXCODEC", ".png", "WORLDGFX", "GFX\\WORLD\\",
                        "CURSOR", "GFX\\CURSOR\\", "CURSORSPEED", "255", "MAXFOE", "0",
                        "SOUNDFXPATH", "SFX\\", "FONTPATH", "FONT", "FONTSYSTEM", "FONT\\font.txt",
                        "WORLDREFRESH", "100000", "FULLSCREENZOOM", "1.0"}));
        dir.write("DATA/base.txt", crlf({"base", "80", "60", "", ""}));
        // Nothing blocks, so the figure walks straight whatever the labyrinth.
        for (const char* type : {"LAB_WALL", "LAB_GREEN", "LAB_WATER"})
            dir.write(std::string("types/lab/") + type,
                      crlf({"GFXNAME", "wall.png", "USECOLLISION", "0", "TRANSPARENCY", "0", "CHILD1", "#"}));
        dir.write("types/lab/LAB_FLOOR",
                  crlf({"GFXNAME", "floor.png", "USECOLLISION", "0", "TRANSPARENCY", "0", "CHILD1", "coin"}));
        dir.write("GFX/TOPO/wall.png", solid_png(32, 32, wall));
        dir.write("GFX/TOPO/floor.png", solid_png(32, 32, floor_colour));
        dir.write("GFX/CURSOR/figure.png", solid_png(8, 8, figure));
        dir.write("GFX/WORLD/coin.png", solid_png(8, 8, coin));
        dir.write("GFX/WORLD/coin.dll",
                  crlf({"DGFXNAME", "coin", "DGFXSHOW", "1", "DGFXTRANSPARENCY", "255", "DDENSITY", "0",
                        "DHOTSPOT", "CENTER", "DCENTERFIELD", "1", "DCOLLISION", "1", "DKILLONCOLLISION", "1",
                        "DSCORE", "5", "DCOUNTTOSCORE", "0", "DUSECOUNTSOUND", "1", "DCOUNTSOUND", "coin.ogg"}));
        const Bytes sound = encode_vorbis(2, 44100, sine(2, 44100, 4410, 880.0, 0.5));
        dir.write("SFX/coin.ogg", std::string(sound.begin(), sound.end()));

        // Glyphs 8 x 12 ("I" 4 wide): letters grey, "5" and "0" in colours
        // of their own, the other digits grey.
        std::string line;
        for (char c : std::string("SCOREIMT0123456789")) {
            line += c;
            const Rgba colour = c == '5' ? five : c == '0' ? zero : letter;
            dir.write(std::string("FONT/") + c + ".png", solid_png(c == 'I' ? 4 : 8, 12, colour));
        }
        dir.write("FONT/font.txt", line + "\r\n");
    }
    RunResult run(const std::string& script) const {
        const std::string path = dir.write("script.txt", script);
        return run_tileworld(dir.path, {"TILEWORLD_SCRIPT=" + path,
                                        "TILEWORLD_DISPLAY=" + std::to_string(screen_w) + "x" +
                                            std::to_string(screen_h),
                                        "SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + dir.path + "audio.raw"});
    }
    std::string file(const std::string& name) const { return dir.path + name; }
};

// ===========================================================================
// Dumps, screenshots and the audio output
// ===========================================================================

struct Cell {
    int x, y, first_child;
    std::string type;
};

struct Dump {
    bool exists = false;
    std::map<std::string, double> fields;
    std::vector<std::pair<double, double>> cursors;
    std::vector<Cell> cells;
    double num(const std::string& key) const {
        auto it = fields.find(key);
        return it == fields.end() ? -99999 : it->second;
    }
};

Dump read_dump(const std::string& path) {
    Dump d;
    std::ifstream f(path);
    if (!f) return d;
    d.exists = true;
    std::string line;
    while (std::getline(f, line)) {
        std::istringstream in(line);
        std::string key;
        in >> key;
        if (key == "cursor") {
            double i, x, y;
            in >> i >> x >> y;
            d.cursors.push_back({x, y});
        } else if (key == "cell") {
            Cell c{};
            std::string state, alpha, coll, enemy, flag, last, children;
            in >> c.x >> c.y >> state >> alpha >> coll >> enemy >> flag >> last >> children >> c.type;
            c.first_child = std::atoi(children.c_str());
            d.cells.push_back(c);
        } else {
            std::string value;
            if (in >> value) d.fields[key] = std::atof(value.c_str());
        }
    }
    return d;
}

struct Shot {
    rgba_image image;
    bool ok = false;
    bool is(int x, int y, Rgba c) const {
        const uint8_t* p = &image.rgba[(static_cast<size_t>(y) * image.width + x) * 4];
        return p[0] == c.r && p[1] == c.g && p[2] == c.b;
    }
    int count(Rgba c) const {
        int n = 0;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) n += is(x, y, c) ? 1 : 0;
        return n;
    }
};

Shot read_shot(const std::string& path) {
    Shot s;
    use_png_decoder();
    const std::string bytes = read_file(path);
    s.ok = !bytes.empty() &&
           decode_image(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), s.image);
    return s;
}

int loudest_sample(const std::string& path) {
    const std::string bytes = read_file(path);
    int peak = 0;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const int v = static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8));
        peak = std::max(peak, std::abs(v));
    }
    return peak;
}

// Floor cells whose coin is gone.
std::vector<Cell> emptied_floors(const Dump& d) {
    std::vector<Cell> out;
    for (const Cell& c : d.cells)
        if (c.type == "LAB_FLOOR" && c.first_child == -1) out.push_back(c);
    return out;
}

// ===========================================================================
// Tests
// ===========================================================================

TEST(ViewE2E, FigureCollectsCoinsAndTheHudShowsTheScore) {
    Game g;
    const RunResult r = g.run(
        "at 100 dump start.txt\n"
        "at 100 screenshot start.png\n"
        "at 100 key 205 down\n"
        "at 112 key 205 up\n"
        "at 115 dump walked.txt\n"
        "at 116 quit\n");
    ASSERT_EQ(r.exit_code, 0) << r.err;

    // The coin of the start cell is collected in the first frame of the view.
    const Dump start = read_dump(g.file("start.txt"));
    ASSERT_TRUE(start.exists) << r.err;
    ASSERT_EQ(start.cursors.size(), 1u);
    const int cx = static_cast<int>(start.cursors[0].first / 32 + start.num("view_origin_x"));
    const int cy = static_cast<int>(start.cursors[0].second / 32 + start.num("view_origin_y"));
    const std::vector<Cell> first = emptied_floors(start);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].x, cx);
    EXPECT_EQ(first[0].y, cy);
    EXPECT_EQ(start.num("shown_score"), 5);
    int floors = 0;
    for (const Cell& c : start.cells) floors += c.type == "LAB_FLOOR" ? 1 : 0;
    EXPECT_GT(floors, 10);

    // Walking right collects every coin on the way, five points each.
    const Dump walked = read_dump(g.file("walked.txt"));
    ASSERT_TRUE(walked.exists);
    const std::vector<Cell> taken = emptied_floors(walked);
    EXPECT_GT(taken.size(), 1u);
    for (const Cell& c : taken) EXPECT_EQ(c.y, cy);
    EXPECT_EQ(walked.num("shown_score"), 5.0 * static_cast<double>(taken.size()));

    // Cells, coins, the figure and the HUD: " SCORE 5" at (384, 24) puts the
    // "5" at x 424, " TIME 0" at (32, 24) puts the "0" at x 62.
    const Shot shot = read_shot(g.file("start.png"));
    ASSERT_TRUE(shot.ok);
    ASSERT_EQ(shot.image.width, screen_w);
    EXPECT_GT(shot.count(wall), 1000);
    EXPECT_GT(shot.count(floor_colour), 1000);
    EXPECT_GE(shot.count(coin), 30 * 30);  // dozens of 8 x 8 coins, some partly covered
    EXPECT_GT(shot.count(figure), 20);
    EXPECT_TRUE(shot.is(427, 30, five));
    EXPECT_TRUE(shot.is(65, 30, zero));
    EXPECT_TRUE(shot.is(400, 30, letter));
    EXPECT_FALSE(shot.is(436, 30, letter));  // nothing after the score

    // The coin's sound was mixed.
    EXPECT_GT(loudest_sample(g.file("audio.raw")), 8000);
}

}  // namespace
}  // namespace tw::test
