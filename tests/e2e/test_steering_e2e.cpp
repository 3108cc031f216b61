// The real program, headless, with scripted keys and joystick: figures move
// and scroll the view, enemies wander, P pauses, Escape then Q ends the game.
// A small generated labyrinth game is written for each test: walls do not
// block here, so where the figure can go does not depend on the labyrinth's
// shape (blocking is covered by the unit tests).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/inspection.h"
#include "runtime/media_runtime.h"
#include "support/dump.h"
#include "support/game_folder.h"
#include "support/screenshot.h"

namespace tw::test {
namespace {

// ===========================================================================
// Game folder
// ===========================================================================

constexpr Rgba white{255, 255, 255};
constexpr Rgba glyph_colour{255, 255, 0};
constexpr int screen_w = 640, screen_h = 480;

struct Game : GameFolder {
    Game() {
        configure({"APPNAME", "Steering test", "WINDOWMODE", "1", "MULTITASK", "0", "RESOLUTION", "32",
                   "RESBASEW", "640", "RESBASEH", "480", "USESELFCREATEBASE", "1", "SELFCREATEBASE",
                   "DATA\\base.txt", "WORLDRANDOM", "11", "LABSWITCH", "3", "MAPSIZE", "60", "USEEXTENDEDTOPO",
                   "0", "RGBCODEPATH", "types\\", "APPSTART", "lab", "TOPOGFX", "GFX\\TOPO\\", "GFXCODEC",
                   ".png", "WORLDGFX", "GFX\\WORLD\\", "CURSOR", "GFX\\CURSOR\\", "CURSORSPEED", "255",
                   "MAXFOE", "8", "FONTPATH", "FONT", "FONTSYSTEM", "FONT\\font.txt", "WORLDREFRESH", "60",
                   "FULLSCREENZOOM", "1.0"});
        write("DATA/base.txt", crlf({"base", "80", "60", "", ""}));

        const struct {
            const char* type;
            const char* gfx;
            Rgba colour;
            bool enemies;
        } types[] = {{"LAB_WALL", "wall.png", {60, 60, 70}, false},
                     {"LAB_FLOOR", "floor.png", {200, 180, 140}, true},
                     {"LAB_GREEN", "green.png", {40, 140, 40}, false},
                     {"LAB_WATER", "water.png", {40, 80, 200}, false}};
        for (const auto& t : types) {
            write(std::string("types/lab/") + t.type,
                  crlf({"GFXNAME", t.gfx, "USECOLLISION", "0", "TRANSPARENCY", "0", "USEENEMY",
                        t.enemies ? "1" : "0", "CHILD1", "#"}));
            picture(std::string("GFX/TOPO/") + t.gfx, 32, 32, t.colour);
        }
        framed_picture("GFX/CURSOR/figure.png", 32, 32, {220, 0, 0}, white, 4);

        // A wandering enemy and one that stands still; neither grows on cells.
        framed_picture("GFX/WORLD/foe.png", 24, 24, {150, 0, 150}, white, 2);
        write("GFX/WORLD/foe.dll",
              crlf({"DGFXNAME", "NOPE", "DGFXTRANSPARENCY", "255", "DGFXSHOW", "1", "DDENSITY", "15", "DISENEMY",
                    "1", "DRANDOMMOVE", "0", "DVELOX", "4", "DVELOY", "4", "DAILEVEL", "1", "DDMOVE", "0",
                    "DCHANGEDIRECTION", "8"}));
        framed_picture("GFX/WORLD/stone.png", 24, 24, {20, 20, 20}, white, 2);
        write("GFX/WORLD/stone.dll",
              crlf({"DGFXNAME", "NOPE", "DGFXTRANSPARENCY", "255", "DGFXSHOW", "1", "DDENSITY", "15", "DISENEMY",
                    "1", "DRANDOMMOVE", "0", "DVELOX", "4", "DVELOY", "4", "DAILEVEL", "3", "DDMOVE", "0",
                    "DCHANGEDIRECTION", "0"}));

        // Every capital is a plain yellow box, so drawn text is easy to find.
        std::string letters;
        for (char c = 'A'; c <= 'Z'; ++c) {
            letters += c;
            picture(std::string("FONT/") + c + ".png", 16, 20, glyph_colour);
        }
        write("FONT/font.txt", letters + "\r\n");
    }

    // Script frames count every presentation, start-up's loading and progress
    // bars included; the scripts here start acting at frame 100, well after
    // the world is built.
    RunResult run(const std::string& script) const {
        return play(script, std::to_string(screen_w) + "x" + std::to_string(screen_h));
    }
    // Runs `script` with a last dump, "late", and the quit at `frame`: a game
    // that ended of itself never writes it.
    RunResult run_to_end(const std::string& script, int frame) const {
        const std::string at = "at " + std::to_string(frame);
        return run(script + at + " dump late\n" + at + " quit\n");
    }
    Dump dump(const std::string& name) const { return read_dump(file(name)); }
    Screenshot shot(const std::string& name) const { return read_screenshot(file(name)); }
};

// ===========================================================================
// Reading dumps and screenshots
// ===========================================================================

// Whether a pixel of the glyph colour lies in the given box.
bool text_in(const Screenshot& s, int x0, int y0, int x1, int y1) {
    for (int y = std::max(y0, 0); y <= std::min(y1, s.height - 1); ++y)
        for (int x = std::max(x0, 0); x <= std::min(x1, s.width - 1); ++x) {
            const uint8_t* p = s.pixel(x, y);
            if (p[0] > 240 && p[1] > 240 && p[2] < 20) return true;
        }
    return false;
}

// The text lines of the screens, as boxes around where their first glyphs go
// (x and y are fractions of the screen, the leading blank is one glyph wide).
bool line_at(const Screenshot& s, float fx, float fy) {
    const int x = static_cast<int>(fx * screen_w) + 16, y = static_cast<int>(fy * screen_h);
    return text_in(s, x + 2, y + 2, x + 10, y + 12);
}

// The pause screen: " GAME PAUSED " and how to go on with the device that
// paused the game, " PRESS C TO CONTINUE " or " PRESS JOYPAD A TO CONTINUE".
void expect_pause_screen(const Screenshot& s, bool joystick) {
    EXPECT_TRUE(line_at(s, 0.2f, 0.5f));
    EXPECT_EQ(line_at(s, 0.1f, 0.6f), !joystick);
    EXPECT_EQ(line_at(s, 0.1f, 0.7f), joystick);
}

void expect_world_fits(const Dump& d) {
    ASSERT_TRUE(d.exists);
    // The scrolling checks need a world wider and higher than the screen.
    ASSERT_GE(d.num("world_width"), 30) << "pick another WORLDRANDOM";
    ASSERT_LE(d.num("world_width"), 40) << "pick another WORLDRANDOM";
    ASSERT_GE(d.num("world_height"), 25) << "pick another WORLDRANDOM";
    ASSERT_EQ(d.cursors.size(), 1u);
    ASSERT_EQ(d.num("resolution"), 32);
}

// ===========================================================================
// Tests
// ===========================================================================

TEST(SteeringE2E, ArrowKeysMoveTheFigureThenScrollTheViewAndEnemiesWander) {
    Game g;
    RunResult r = g.run(
        "at 103 dump s0\n"
        "at 103 key 205 down\n"
        "at 123 key 205 up\n"
        "at 125 dump s1\n"
        "at 125 key 205 down\n"
        "at 165 key 205 up\n"
        "at 167 dump s2\n"
        "at 167 key 208 down\n"
        "at 207 key 208 up\n"
        "at 209 dump s3\n"
        "at 209 screenshot moved.png\n"
        "at 210 quit\n");
    EXPECT_EQ(r.exit_code, 0) << r.err;
    const Dump s0 = g.dump("s0"), s1 = g.dump("s1"), s2 = g.dump("s2"), s3 = g.dump("s3");
    expect_world_fits(s0);
    // The figure starts on the first carved cell, (1, 1).
    EXPECT_EQ(s0.cursors[0].x, 32);
    EXPECT_EQ(s0.cursors[0].y, 32);
    EXPECT_EQ(s0.num("view_origin_x"), 0);

    // Right: the figure walks up to the line a third across (213 px), then
    // the view scrolls and the figure stays.
    ASSERT_TRUE(s1.exists);
    EXPECT_EQ(s1.cursors[0].x, 192);
    EXPECT_EQ(s1.cursors[0].y, 32);
    EXPECT_GE(s1.num("view_origin_x"), 3);

    // Further right the view stops with the world's last column at the
    // screen's right edge, and the figure walks on instead.
    ASSERT_TRUE(s2.exists);
    const double last_origin = s2.num("world_width") - s2.num("view_cells_x") + 1;
    EXPECT_EQ(s2.num("view_origin_x"), last_origin);
    EXPECT_GT(s2.cursors[0].x, 192);

    // Down: the same with the line a third down (160 px).
    ASSERT_TRUE(s3.exists);
    EXPECT_EQ(s3.cursors[0].x, s2.cursors[0].x);
    EXPECT_EQ(s3.cursors[0].y, 160);
    EXPECT_GE(s3.num("view_origin_y"), 5);
    EXPECT_EQ(s3.num("view_origin_x"), last_origin);

    // Enemies: the wandering kind moved, the standing kind did not.
    ASSERT_EQ(s0.enemies.size(), s3.enemies.size());
    int wanderers = 0, moved = 0, standing = 0;
    for (size_t i = 0; i < s0.enemies.size(); ++i) {
        const bool same = s0.enemies[i].x == s3.enemies[i].x &&
                          s0.enemies[i].y == s3.enemies[i].y;
        if (s0.enemies[i].ai_level == 3) {
            ++standing;
            EXPECT_TRUE(same) << "standing enemy " << i << " moved";
        } else {
            ++wanderers;
            if (!same) ++moved;
        }
    }
    ASSERT_GT(wanderers, 0) << "pick another WORLDRANDOM";
    EXPECT_GT(standing, 0) << "pick another WORLDRANDOM";
    EXPECT_GT(moved, 0);
}

TEST(SteeringE2E, PFreezesTheGameUntilC) {
    Game g;
    RunResult r = g.run(
        "at 105 screenshot before.png\n"
        "at 110 key 25 down\n"
        "at 112 key 25 up\n"
        "at 120 dump p1\n"
        "at 130 dump p2\n"
        "at 130 screenshot paused.png\n"
        "at 140 key 46 down\n"
        "at 142 key 46 up\n"
        "at 160 dump after\n"
        "at 161 quit\n");
    EXPECT_EQ(r.exit_code, 0) << r.err;
    const Dump p1 = g.dump("p1"), p2 = g.dump("p2"), after = g.dump("after");
    ASSERT_TRUE(p1.exists && p2.exists && after.exists);
    // No frame ran between the two dumps taken while paused; after C it goes on.
    EXPECT_EQ(p1.num("frame_cycle_counter"), p2.num("frame_cycle_counter"));
    EXPECT_NE(after.num("frame_cycle_counter"), p2.num("frame_cycle_counter"));
    EXPECT_EQ(after.num("loop_state"), 18);

    const Screenshot before = g.shot("before.png"), paused = g.shot("paused.png");
    ASSERT_TRUE(before.ok && paused.ok);
    EXPECT_FALSE(line_at(before, 0.2f, 0.5f));
    expect_pause_screen(paused, false);
}

TEST(SteeringE2E, EscapeThenCGoesOnAndEscapeThenQEndsTheGame) {
    Game g;
    RunResult r = g.run_to_end(
        "at 105 key 1 down\n"
        "at 107 key 1 up\n"
        "at 110 key 46 down\n"
        "at 112 key 46 up\n"
        "at 120 dump going_on\n"
        "at 125 key 1 down\n"
        "at 127 key 1 up\n"
        "at 130 screenshot quit.png\n"
        "at 135 key 16 down\n"
        "at 136 dump quitting\n",
        400);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    const Dump going_on = g.dump("going_on"), quitting = g.dump("quitting");
    ASSERT_TRUE(going_on.exists && quitting.exists);
    EXPECT_EQ(going_on.num("loop_state"), 18);
    EXPECT_EQ(quitting.num("loop_state"), 20);
    EXPECT_FALSE(g.dump("late").exists) << "the game went on after Q";

    const Screenshot quit = g.shot("quit.png");
    ASSERT_TRUE(quit.ok);
    EXPECT_TRUE(line_at(quit, 0.1f, 0.5f));  // " TO QUIT PRESS Q "
    EXPECT_TRUE(line_at(quit, 0.1f, 0.6f));  // " TO CONTINUE C "
}

TEST(SteeringE2E, JoystickSteersPausesAndQuits) {
    Game g;
    RunResult r = g.run_to_end(
        "joystick\n"
        "at 103 dump j0\n"
        "at 103 axis x 1\n"
        "at 117 axis x 0\n"
        "at 145 dump j1\n"
        "at 150 button 10 down\n"
        "at 152 button 10 up\n"
        "at 160 dump jp1\n"
        "at 170 dump jp2\n"
        "at 170 screenshot jpaused.png\n"
        "at 180 button 2 down\n"
        "at 182 button 2 up\n"
        "at 190 button 9 down\n"
        "at 192 button 9 up\n"
        "at 195 dump jq\n"
        "at 200 button 2 down\n",
        500);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    const Dump j0 = g.dump("j0"), j1 = g.dump("j1");
    expect_world_fits(j0);
    EXPECT_EQ(j0.num("joystick_present"), 1);
    ASSERT_TRUE(j1.exists);
    EXPECT_EQ(j1.cursors[0].x, 192);
    EXPECT_GE(j1.num("view_origin_x"), 5);

    const Dump jp1 = g.dump("jp1"), jp2 = g.dump("jp2"), jq = g.dump("jq");
    ASSERT_TRUE(jp1.exists && jp2.exists && jq.exists);
    EXPECT_EQ(jp1.num("frame_cycle_counter"), jp2.num("frame_cycle_counter"));
    EXPECT_EQ(jq.num("loop_state"), 18);
    EXPECT_FALSE(g.dump("late").exists) << "the game went on after A";

    const Screenshot paused = g.shot("jpaused.png");
    ASSERT_TRUE(paused.ok);
    expect_pause_screen(paused, true);
}

}  // namespace
}  // namespace tw::test
