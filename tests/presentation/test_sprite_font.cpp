// Sprite font: the image-name table, the description file, and the pen rules
// (checked on the pen with glyph sizes filled in by hand).
#include <gtest/gtest.h>

#include <cstdio>

#include "presentation/presentation.h"
#include "runtime/media_runtime.h"
#include "runtime/testing.h"
#include "support/media_files.h"
#include "support/test_support.h"

using namespace tw;
using tw::test::TempDir;

namespace {

constexpr int32_t fake_sprite3d = 900002;

class SpriteFontPen : public ::testing::Test {
protected:
    void SetUp() override {
        set_start_values();
        // Capitals 10 wide, digits 8 wide, "A" 20 high.
        for (int c = 'A'; c <= 'Z'; ++c) glyph(c, 10.0f, 20.0f);
        for (int c = '0'; c <= '9'; ++c) glyph(c, 8.0f, 20.0f);
        glyph('I', 4.0f, 20.0f);
    }
    void TearDown() override { set_start_values(); }
    static void glyph(int code, float w, float h) {
        font_char& f = engine.font_char_table[static_cast<size_t>(code)];
        f.width = w;
        f.height = h;
        f.sprite3d = fake_sprite3d;
    }
    static void expect_pen(float x, float y) {
        EXPECT_FLOAT_EQ(engine.text_pen_x, x);
        EXPECT_FLOAT_EQ(engine.text_pen_y, y);
    }
};

TEST_F(SpriteFontPen, ScoreTextAdvancesBySpacedGlyphsAndUnscaledSpaces) {
    draw_sprite_text(" SCORE 12", 500.0f, 30.0f, 1.0f, 0.0f, 255, 0.8f);
    // Two spaces of "I" (4 each), five capitals and two digits at 0.8.
    expect_pen(4 + 5 * 10 * 0.8f + 4 + 2 * 8 * 0.8f, 0.0f);
    draw_sprite_text("|", 500.0f, 30.0f, 1.0f, 0.0f, 255, 0.8f);
    expect_pen(0, 0);

    // The whole HUD text closes itself.
    draw_sprite_text(" SCORE 12|", 500.0f, 30.0f, 2.0f, 0.0f, 255, 0.8f);
    expect_pen(0, 0);
}

TEST_F(SpriteFontPen, ScaleAndSpacing) {
    draw_sprite_text("AB", 0, 0, -3.0f, 0.0f, 255, 1.0f);  // below 0 means 1.0
    expect_pen(20, 0);
    draw_sprite_char('|', 0, 0, 1, 0, 255, 1);
    draw_sprite_text("A A", 0, 0, 0.0f, 0.0f, 255, 1.0f);  // 0 stays 0; the space still counts
    expect_pen(4, 0);
    draw_sprite_char('|', 0, 0, 1, 0, 255, 1);
    draw_sprite_text("AB", 0, 0, 1.5f, 0.0f, 255, 2.0f);
    expect_pen(2 * 10 * 1.5f * 2.0f, 0);
}

TEST_F(SpriteFontPen, LineBreakAndCharactersWithoutGlyph) {
    draw_sprite_text("AB\\C", 0, 0, 2.0f, 0.0f, 255, 1.0f);
    expect_pen(20, 20 * 1.2f * 2.0f);
    // No glyph: nothing drawn, the pen stays; codes outside a byte too.
    draw_sprite_char('a', 0, 0, 1, 0, 255, 1);
    draw_sprite_char(300, 0, 0, 1, 0, 255, 1);
    draw_sprite_char(-5, 0, 0, 1, 0, 255, 1);
    draw_sprite_text("\xfc", 0, 0, 1, 0, 255, 1);  // u with diaeresis has no entry of its own
    expect_pen(20, 48);
    // A text without "|" leaves the pen for the next call.
    draw_sprite_text("A", 0, 0, 1, 0, 255, 1);
    expect_pen(30, 48);

    // Without "A" and "I", line breaks and spaces take no room.
    set_start_values();
    draw_sprite_text(" \\ ", 0, 0, 1, 0, 255, 1);
    expect_pen(0, 0);
}

TEST(SpriteFontFile, ImageNamesFollowTheTable) {
    set_start_values();
    TempDir dir;
    // Only the first line counts; "7" on the second line is not loaded.
    dir.write("font.txt", std::string(".[]-\"():*&@+\xf6\xd6\xc4\xe4\xfc\xdf" "aAz7\r\n7Q\r\n"));
    engine.font_path = dir.path + "font";
    read_font_description(dir.path + "font.txt");
    const auto name = [](int code) { return engine.font_char_table[static_cast<size_t>(code)].image_name; };
    const std::pair<int, const char*> names[] = {
        {'.', "POINT"}, {'[', "FLOPPY"},  {']', "FLOPPYB"},    {'-', "MINUS"},   {'"', "FUEL"},
        {'(', "LEFT"},  {')', "RIGHT"},   {':', "POINTPOINT"}, {'*', "STERN"},   {'&', "GUIBACK"},
        {'@', "LIFE"},  {'+', "PLUS"},    {246, "IDCARD"},     {214, "IDCARD"},  {196, "HERZ"},
        {228, "HERZ"},
        {'u', "_u"},  // from the u with diaeresis
        {252, ""}};
    for (const auto& [code, image] : names) EXPECT_EQ(name(code), image) << code;
    EXPECT_EQ(name('S'), "S");  // from the sharp s
    EXPECT_EQ(name(223), "");
    EXPECT_EQ(name('a'), "_a");
    EXPECT_EQ(name('z'), "_z");
    EXPECT_EQ(name('A'), "A");
    EXPECT_EQ(name('7'), "7");
    EXPECT_EQ(name('Q'), "");
    // No images there: nothing has a glyph.
    for (const font_char& f : engine.font_char_table) EXPECT_EQ(f.sprite3d, 0);

    // A missing description leaves the font empty.
    set_start_values();
    read_font_description(dir.path + "missing.txt");
    for (const font_char& f : engine.font_char_table) EXPECT_EQ(f.image_name, "");
}

TEST(SpriteFontFile, GlyphsAreSizedByTheDisplayScaleAndGoWithTheirImage) {
    set_start_values();
    use_png_decoder();
    engine.display_scale = 1.5f;
    TempDir dir;
    const std::string a_image = dir.write("font/A.png", test::solid_png(10, 20, {0, 0, 0, 255}));
    dir.write("font/_a.png", test::solid_png(6, 8, {0, 0, 0, 255}));
    dir.write("font/_u.png", test::solid_png(4, 4, {0, 0, 0, 255}));
    dir.write("font.txt", "Aa\xfc\r\n");
    engine.font_path = dir.path + "font";
    engine.font_system = dir.path + "font.txt";
    load_sprite_font();
    const font_char& big_a = engine.font_char_table['A'];
    EXPECT_FLOAT_EQ(big_a.width, 15.0f);
    EXPECT_FLOAT_EQ(big_a.height, 30.0f);
    EXPECT_TRUE(is_sprite3d(big_a.sprite3d));
    EXPECT_FLOAT_EQ(engine.font_char_table['a'].width, 9.0f);
    EXPECT_TRUE(is_sprite3d(engine.font_char_table['u'].sprite3d));  // from the u with diaeresis
    EXPECT_EQ(engine.font_char_table[252].sprite3d, 0);

    // Loading the font again after "A.png" went away: the glyph goes with
    // its image instead of keeping a quad made from a freed sprite.
    const int old_quad = big_a.sprite3d;
    std::remove(a_image.c_str());
    read_font_description(engine.font_system);
    EXPECT_EQ(big_a.sprite3d, 0);
    EXPECT_FALSE(is_sprite3d(old_quad));
    EXPECT_FLOAT_EQ(big_a.height, 0.0f);  // line breaks no longer move the pen
    EXPECT_TRUE(is_sprite3d(engine.font_char_table['a'].sprite3d));

    release_sprite_font();
    EXPECT_FALSE(is_sprite3d(engine.font_char_table['a'].sprite3d));
    video_shutdown();
    set_start_values();
}

}  // namespace
