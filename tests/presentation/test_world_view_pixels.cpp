// The world view on a real (offscreen) screen, checked on read-back pixels:
// what is drawn, with which blending, the full-screen zoom and the HUD.
// Every check samples the middle of a solid area, away from the edges that
// the zoom's one-pixel shift and bilinear filter soften; blended colours are
// compared within 3 per channel.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "presentation/presentation.h"
#include "runtime/media_runtime.h"
#include "runtime/testing.h"
#include "support/media_files.h"
#include "support/test_support.h"

using namespace tw;
using tw::test::Rgba;
using tw::test::TempDir;

namespace {

constexpr int W = 256, H = 96;  // 8 columns of 32-pixel cells (plus the spare), 3 rows
constexpr int tolerance = 3;

struct Px {
    int r, g, b;
};

Px back_pixel(int x, int y) {
    std::vector<uint8_t> px;
    if (!read_screen_pixels(0, x, y, 1, 1, px)) return {-1, -1, -1};
    return {px[0], px[1], px[2]};
}

::testing::AssertionResult shows(int x, int y, int r, int g, int b) {
    const Px got = back_pixel(x, y);
    if (std::abs(got.r - r) <= tolerance && std::abs(got.g - g) <= tolerance && std::abs(got.b - b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "at (" << x << "," << y << ") got (" << got.r << "," << got.g << ","
                                         << got.b << "), want (" << r << "," << g << "," << b << ")";
}

const Rgba red{255, 0, 0, 255}, green{0, 255, 0, 255}, blue{0, 0, 255, 255};

class ViewPixels : public ::testing::Test {
protected:
    void SetUp() override {
        set_start_values();
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        use_png_decoder();
        const int window = open_window(-1, 0, 0, W, H, "view", window_borderless);
        ASSERT_GT(window, 0);
        ASSERT_TRUE(open_windowed_screen(window_handle(window), 0, 0, W, H, 1, 0, 0));
        set_sprite_transparent_colour(-1, rgb(255, 0, 255));
        engine.screen_width = W;
        engine.screen_height = H;
        engine.resolution = 32.0f;
        engine.view_cells_x = 8.0f;
        engine.view_cells_y = 3.0f;
        engine.full_screen_zoom = 1.0f;
        create_world_grid(8, 2);
        cell_quad = quad(32, red);
        for (world_cell& c : engine.world_grid.cells) {
            c.state = 1;
            c.alpha = 255;
            c.cell_sprite3d = cell_quad;
            c.child_instance.fill(-1);
            c.last_child_slot = -1;
        }
    }
    void TearDown() override {
        video_shutdown();
        set_start_values();
    }

    // A 3D sprite of a solid square.
    int quad(int side, Rgba colour) {
        const std::string path = dir.write("q" + std::to_string(++files) + ".png", test::solid_png(side, side, colour));
        return create_sprite3d(-1, load_sprite(-1, path, sprite_mode_3d));
    }
    // An 8 x 8 object in the middle of cell (x, y).
    object_instance& object(int x, int y, Rgba colour) {
        object_instance* o = list_add(engine.object_instances);
        o->sprite3d = quad(8, colour);
        o->gfx_show = 1;
        o->alpha = 255;
        o->anchor_x = 12;
        o->anchor_y = 12;
        world_cell& c = cell_at(x, y);
        c.child_instance[static_cast<size_t>(++c.last_child_slot)] = list_index(engine.object_instances);
        return *o;
    }

    TempDir dir;
    int files = 0;
    int cell_quad = 0;
};

// Middle of cell (x, y), and a point near its corner (outside any object).
int mid(int n) { return n * 32 + 16; }
int corner(int n) { return n * 32 + 4; }

TEST_F(ViewPixels, CellsAndTheirObjects) {
    object(0, 1, green);                                // plain cell and object
    cell_at(1, 1).alpha = 0;                            // transparent cell
    object(1, 1, green);
    cell_at(2, 1).state = 2;                            // not loaded
    object(2, 1, green);
    object(3, 1, green).gfx_show = 0;                   // hidden
    object(4, 1, green).is_player = 1;                  // a player's marker
    object_instance& additive = object(5, 1, green);    // source factor 0 falls back, destination one
    additive.x_mode1 = 0;
    additive.x_mode2 = 2;
    object_instance& half = object(6, 1, green);        // default blending at half opacity
    half.alpha = 128;

    draw_world_view();

    EXPECT_TRUE(shows(corner(0), corner(1), 255, 0, 0));
    EXPECT_TRUE(shows(mid(0), mid(1), 0, 255, 0));
    EXPECT_TRUE(shows(corner(1), corner(1), 0, 0, 0));
    EXPECT_TRUE(shows(mid(1), mid(1), 0, 255, 0));
    EXPECT_TRUE(shows(corner(2), corner(1), 0, 0, 0));
    EXPECT_TRUE(shows(mid(2), mid(1), 0, 0, 0));
    EXPECT_TRUE(shows(mid(3), mid(1), 255, 0, 0));
    EXPECT_TRUE(shows(mid(4), mid(1), 255, 0, 0));
    EXPECT_TRUE(shows(mid(5), mid(1), 255, 255, 0));    // added onto the red cell
    EXPECT_TRUE(shows(mid(6), mid(1), 127, 128, 0));    // mixed with it
}

TEST_F(ViewPixels, PlayersUseTheBlendingLeftBeforeThem) {
    object_instance& additive = object(0, 2, green);
    additive.x_mode1 = 0;
    additive.x_mode2 = 2;
    cursor_sprite* p = list_add(engine.cursor_sprites);
    p->sprite3d = quad(8, blue);
    p->pos_x = static_cast<float>(mid(3) - 4);
    p->pos_y = static_cast<float>(mid(2) - 4);

    // No enemies: the last object's additive pair is still in force.
    draw_world_view();
    EXPECT_TRUE(shows(mid(3), mid(2), 255, 0, 255));

    // An enemy pass sets the default pair back after each enemy.
    enemy* e = list_add(engine.enemy_list);
    e->sprite3d = quad(8, green);
    e->alpha = 255;
    e->d_move = -1;  // never moves
    e->x_mode1 = 0;
    e->x_mode2 = 2;
    e->pos_x = mid(6) - 4;
    e->pos_y = mid(2) - 4;
    draw_world_view();
    EXPECT_TRUE(shows(mid(3), mid(2), 0, 0, 255));
    EXPECT_TRUE(shows(mid(6), mid(2), 255, 255, 0));  // the enemy itself with its own pair

    // Enemies are placed in world pixels, less the view's scroll.
    engine.view_origin_x = 2;
    draw_world_view();
    EXPECT_TRUE(shows(mid(4), mid(2), 255, 255, 0));
}

TEST_F(ViewPixels, ZoomMagnifiesTheTopLeftOfTheFrameButNotTheHud) {
    object(1, 0, green);  // x 44..51, y 12..19
    engine.full_screen_zoom = 0.5f;
    draw_world_view();
    // Grabbed from (1, 1) at half the screen and stretched to all of it.
    EXPECT_TRUE(shows((44 - 1) * 2 + 8, (12 - 1) * 2 + 8, 0, 255, 0));
    EXPECT_TRUE(shows(mid(1), mid(0) + 20, 255, 0, 0));
    // The previous copy is freed before the next one is made.
    const int copy = engine.screen_copy_sprite3d;
    ASSERT_TRUE(is_sprite3d(copy));
    draw_world_view();
    EXPECT_TRUE(is_sprite3d(engine.screen_copy_sprite3d));
    EXPECT_TRUE(is_sprite(engine.screen_copy_sprite));
    int live = 0;
    for (int n = 1; n < 64; ++n) live += is_sprite3d(n) ? 1 : 0;
    EXPECT_EQ(live, list_size(engine.object_instances) + 2);  // cells' quad, objects, one copy
}

TEST_F(ViewPixels, HudShowsScoreAndTimeInTheSpriteFont) {
    // Glyphs 8 x 10, "I" 4 wide; letters grey, digits in colours of their own.
    const std::string line = "SCOREIMT0123";
    const auto glyph = [&](const std::string& name, int w, Rgba c) {
        dir.write("font/" + name + ".png", test::solid_png(w, 10, c));
    };
    for (const char* l : {"S", "C", "O", "R", "E", "M", "T"}) glyph(l, 8, {128, 128, 128, 255});
    glyph("I", 4, {128, 128, 128, 255});
    glyph("0", 8, {255, 128, 0, 255});
    glyph("1", 8, {0, 255, 255, 255});
    glyph("2", 8, {255, 255, 0, 255});
    glyph("3", 8, {0, 0, 255, 255});
    dir.write("font.txt", line + "\r\n");
    engine.font_path = dir.path + "font";
    engine.font_system = dir.path + "font.txt";
    load_sprite_font();
    ASSERT_NE(engine.font_char_table['1'].sprite3d, 0);
    engine.shown_score = 12;
    engine.target_score = 12;
    engine.time_ticks = 3;

    for (int frame = 0; frame < 2; ++frame) {  // the second frame draws at the same places
        draw_world_view();
        EXPECT_FLOAT_EQ(engine.text_pen_x, 0.0f);
        EXPECT_FLOAT_EQ(engine.text_pen_y, 0.0f);
        // Score at x 153.6, y 4.8: space 4, SCORE 5 x 6.4, space 4, then
        // "1" at 194 and "2" at 200 (overlapping the "1" by a fifth).
        EXPECT_TRUE(shows(196, 10, 0, 255, 255));
        EXPECT_TRUE(shows(204, 10, 255, 255, 0));
        EXPECT_TRUE(shows(210, 10, 255, 0, 0));  // the cell behind, after the text
        EXPECT_TRUE(shows(185, 10, 128, 128, 128));
        // Time at x 12.8: space 4, T 6.4, I 3.2, M 6.4, E 6.4, space 4: "3" at 43.
        EXPECT_TRUE(shows(46, 10, 0, 0, 255));
    }
    release_sprite_font();
}

}  // namespace
