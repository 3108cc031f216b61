// The real program, headless: a generated labyrinth whose floor cells each
// hold a coin. The figure collects the coin it starts on and those it walks
// over; the dump shows the score and the emptied slots, the screenshot the
// cells, the coins and the HUD in the sprite font, and the disk audio output
// the coin's sound.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/inspection.h"
#include "runtime/media_runtime.h"
#include "support/dump.h"
#include "support/game_folder.h"
#include "support/screenshot.h"

namespace tw::test {
namespace {

constexpr int screen_w = 640, screen_h = 480;
const Rgba wall{60, 60, 70, 255}, floor_colour{200, 180, 140, 255}, coin{250, 250, 0, 255},
    figure{220, 0, 0, 255}, letter{90, 90, 90, 255}, five{0, 200, 255, 255}, zero{255, 128, 0, 255};

struct Game : GameFolder {
    Game() {
        configure({"WINDOWMODE", "1", "MULTITASK", "0", "RESOLUTION", "32", "RESBASEW", "640",
                   "USESELFCREATEBASE", "1", "SELFCREATEBASE", "DATA\\base.txt", "WORLDRANDOM", "11",
                   "LABSWITCH", "3", "MAPSIZE", "60", "RGBCODEPATH", "types\\", "APPSTART", "lab",
                   "TOPOGFX", "GFX\\TOPO\\", "GFXCODEC", ".png", "WORLDGFX", "GFX\\WORLD\\",
                   "CURSOR", "GFX\\CURSOR\\", "CURSORSPEED", "255", "MAXFOE", "0",
                   "SOUNDFXPATH", "SFX\\", "FONTPATH", "FONT", "FONTSYSTEM", "FONT\\font.txt",
                   "WORLDREFRESH", "100000", "FULLSCREENZOOM", "1.0"});
        write("DATA/base.txt", crlf({"base", "80", "60", "", ""}));
        // Nothing blocks, so the figure walks straight whatever the labyrinth.
        for (const char* type : {"LAB_WALL", "LAB_GREEN", "LAB_WATER"})
            write(std::string("types/lab/") + type,
                  crlf({"GFXNAME", "wall.png", "USECOLLISION", "0", "TRANSPARENCY", "0", "CHILD1", "#"}));
        write("types/lab/LAB_FLOOR",
              crlf({"GFXNAME", "floor.png", "USECOLLISION", "0", "TRANSPARENCY", "0", "CHILD1", "coin"}));
        write("GFX/TOPO/wall.png", solid_png(32, 32, wall));
        write("GFX/TOPO/floor.png", solid_png(32, 32, floor_colour));
        write("GFX/CURSOR/figure.png", solid_png(8, 8, figure));
        write("GFX/WORLD/coin.png", solid_png(8, 8, coin));
        write("GFX/WORLD/coin.dll",
              crlf({"DGFXNAME", "coin", "DGFXSHOW", "1", "DGFXTRANSPARENCY", "255", "DDENSITY", "0",
                    "DHOTSPOT", "CENTER", "DCENTERFIELD", "1", "DCOLLISION", "1", "DKILLONCOLLISION", "1",
                    "DSCORE", "5", "DCOUNTTOSCORE", "0", "DUSECOUNTSOUND", "1", "DCOUNTSOUND", "coin.ogg"}));
        write("SFX/coin.ogg", encode_vorbis(2, 44100, sine(2, 44100, 4410, 880.0, 0.5)));

        // Glyphs 8 x 12 ("I" 4 wide): letters grey, "5" and "0" in colours
        // of their own, the other digits grey.
        std::string line;
        for (char c : std::string("SCOREIMT0123456789")) {
            line += c;
            const Rgba colour = c == '5' ? five : c == '0' ? zero : letter;
            write(std::string("FONT/") + c + ".png", solid_png(c == 'I' ? 4 : 8, 12, colour));
        }
        write("FONT/font.txt", line + "\r\n");
    }
    RunResult run(const std::string& script) const {
        return play(script, std::to_string(screen_w) + "x" + std::to_string(screen_h),
                    {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + path + "audio.raw"});
    }
};

// ===========================================================================
// Dumps, screenshots and the audio output
// ===========================================================================

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
std::vector<DumpCell> emptied_floors(const Dump& d) {
    std::vector<DumpCell> out;
    for (const DumpCell& c : d.cells)
        if (c.type == "LAB_FLOOR" && c.children.at(0) == -1) out.push_back(c);
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
    const int cx = static_cast<int>(start.cursors[0].x / 32 + start.num("view_origin_x"));
    const int cy = static_cast<int>(start.cursors[0].y / 32 + start.num("view_origin_y"));
    const std::vector<DumpCell> first = emptied_floors(start);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].x, cx);
    EXPECT_EQ(first[0].y, cy);
    EXPECT_EQ(start.num("shown_score"), 5);
    int floors = 0;
    for (const DumpCell& c : start.cells) floors += c.type == "LAB_FLOOR" ? 1 : 0;
    EXPECT_GT(floors, 10);

    // Walking right collects every coin on the way, five points each.
    const Dump walked = read_dump(g.file("walked.txt"));
    ASSERT_TRUE(walked.exists);
    const std::vector<DumpCell> taken = emptied_floors(walked);
    EXPECT_GT(taken.size(), 1u);
    for (const DumpCell& c : taken) EXPECT_EQ(c.y, cy);
    EXPECT_EQ(walked.num("shown_score"), 5.0 * static_cast<double>(taken.size()));

    // Cells, coins, the figure and the HUD: " SCORE 5" at (384, 24) puts the
    // "5" at x 424, " TIME 0" at (32, 24) puts the "0" at x 62.
    const Screenshot shot = read_screenshot(g.file("start.png"));
    ASSERT_TRUE(shot.ok);
    ASSERT_EQ(shot.width, screen_w);
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
