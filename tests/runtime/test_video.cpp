// The screen, sprites and 3D sprites, checked on pixels read back from the
// offscreen renderer. Colours drawn with blending are compared within a
// tolerance of 3 per channel (rounding of 8-bit blending differs between
// renderers by one or two steps); unblended copies must match exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "runtime/media_runtime.h"
#include "runtime/testing.h"
#include "support/test_support.h"

using namespace tw;
using tw::test::TempDir;

namespace {

constexpr int W = 64, H = 48;
constexpr int tolerance = 3;

struct Rgba {
    int r, g, b, a;
};

// An uncompressed top-left TGA: 24-bit when every alpha is 255, else 32-bit.
std::string tga(int w, int h, const std::vector<Rgba>& px) {
    bool alpha = false;
    for (const Rgba& p : px) alpha |= p.a != 255;
    std::string s(18, '\0');
    s[2] = 2;
    s[12] = static_cast<char>(w & 255);
    s[13] = static_cast<char>(w >> 8);
    s[14] = static_cast<char>(h & 255);
    s[15] = static_cast<char>(h >> 8);
    s[16] = static_cast<char>(alpha ? 32 : 24);
    s[17] = static_cast<char>(0x20 | (alpha ? 8 : 0));
    for (const Rgba& p : px) {
        s += static_cast<char>(p.b);
        s += static_cast<char>(p.g);
        s += static_cast<char>(p.r);
        if (alpha) s += static_cast<char>(p.a);
    }
    return s;
}

Rgba pixel_at(int which, int x, int y) {
    std::vector<uint8_t> px;
    if (!read_screen_pixels(which, x, y, 1, 1, px)) return {-1, -1, -1, -1};
    return {px[0], px[1], px[2], px[3]};
}
Rgba back_pixel(int x, int y) { return pixel_at(0, x, y); }

::testing::AssertionResult near(const Rgba& got, int r, int g, int b, int tol = tolerance) {
    if (std::abs(got.r - r) <= tol && std::abs(got.g - g) <= tol && std::abs(got.b - b) <= tol)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got (" << got.r << "," << got.g << "," << got.b << "), want (" << r
                                         << "," << g << "," << b << ") +-" << tol;
}

const Rgba red{255, 0, 0, 255}, green{0, 255, 0, 255}, blue{0, 0, 255, 255}, magenta{255, 0, 255, 255},
    white{255, 255, 255, 255}, black{0, 0, 0, 255};

// A headless window with a W x H screen; everything is released afterwards.
class Screen : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        use_tga_decoder();
        window = open_window(-1, 0, 0, W, H, "test", window_borderless);
        ASSERT_GT(window, 0);
        ASSERT_TRUE(open_windowed_screen(window_handle(window), 0, 0, W, H, 1, 0, 0));
        set_sprite_transparent_colour(-1, rgb(255, 0, 255));  // as the engine sets it
    }
    void TearDown() override { video_shutdown(); }

    int load(const std::vector<Rgba>& px, int w, int h, int mode = 4) {
        return load_sprite(-1, dir.write("s" + std::to_string(++files) + ".tga", tga(w, h, px)), mode);
    }
    // A quad of sprite `s` drawn once at x, y in its own batch.
    static void draw_once(int quad, int x, int y, int alpha = 255, int source = 5, int destination = 6) {
        begin_3d();
        sprite3d_blending(source, destination);
        draw_sprite3d(quad, x, y, alpha);
        end_3d();
    }
    // The quad alone on a black screen.
    static void draw_on_black(int quad, int x, int y) {
        clear_screen(rgb(0, 0, 0));
        draw_once(quad, x, y);
    }

    TempDir dir;
    int window = 0;
    int files = 0;
};

}  // namespace

// ---------------------------------------------------------------------------
// Without a window
// ---------------------------------------------------------------------------

TEST(SpritesWithoutScreen, NumberedTablesAndCpuSideState) {
    TempDir dir;
    use_tga_decoder();
    const std::string path = dir.write("a.tga", tga(3, 2, std::vector<Rgba>(6, red)));

    // Fresh handles start at 1 and reuse freed slots; a chosen number returns 1.
    int a = load_sprite(-1, path, 4);
    int b = load_sprite(-1, path, 0);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(load_sprite(7, path, 5), 1);
    EXPECT_TRUE(is_sprite(7));
    EXPECT_EQ(sprite_width(7), 3);
    EXPECT_EQ(sprite_height(7), 2);
    free_sprite(a);
    EXPECT_FALSE(is_sprite(a));
    EXPECT_EQ(load_sprite(-1, path, 4), a);

    // Missing or undecodable files, and unoccupied numbers, give 0.
    EXPECT_EQ(load_sprite(-1, dir.path + "missing.tga", 4), 0);
    EXPECT_EQ(load_sprite(-1, dir.write("junk.tga", "not an image"), 4), 0);
    EXPECT_EQ(sprite_width(0), 0);
    EXPECT_EQ(sprite_width(99), 0);

    // Only 3D-capable sprites (mode bit 4) texture a 3D sprite.
    EXPECT_EQ(create_sprite3d(-1, b), 0);
    EXPECT_EQ(create_sprite3d(-1, 0), 0);
    int q = create_sprite3d(-1, 7);
    EXPECT_GE(q, 1);
    EXPECT_TRUE(is_sprite3d(q));
    zoom_sprite3d(q, 30, 20);
    rotate_sprite3d(q, 45, 1);
    // Drawing with no screen does nothing and must not fail.
    EXPECT_FALSE(begin_3d());
    draw_sprite3d(q, 0, 0, 255);
    draw_sprite3d(0, 0, 0, 255);
    end_3d();
    EXPECT_EQ(grab_sprite(-1, 0, 0, 4, 4, 4), 0);
    free_sprite3d(q);
    EXPECT_FALSE(is_sprite3d(q));
    video_shutdown();
}

TEST(SpritesWithoutScreen, OversizedImageIsRefused) {
    TempDir dir;
    use_tga_decoder();
    // The header claims 20000 x 1 pixels; nothing that large is ever allocated.
    std::string big = tga(1, 1, {red});
    big[12] = static_cast<char>(20000 & 255);
    big[13] = static_cast<char>(20000 >> 8);
    EXPECT_EQ(load_sprite(-1, dir.write("big.tga", big), 4), 0);
    video_shutdown();
}

// ---------------------------------------------------------------------------
// Transparency and alpha
// ---------------------------------------------------------------------------

TEST_F(Screen, TransparentColourIsLeftOutAndCanBeChangedLater) {
    set_sprite_transparent_colour(-1, rgb(255, 0, 255));
    int s = load({red, magenta, green, magenta}, 2, 2);
    int q = create_sprite3d(-1, s);
    ASSERT_GT(q, 0);
    clear_screen(rgb(0, 0, 255));
    draw_once(q, 4, 4);
    EXPECT_TRUE(near(back_pixel(4, 4), 255, 0, 0, 0));
    EXPECT_TRUE(near(back_pixel(5, 4), 0, 0, 255, 0));  // magenta left out
    EXPECT_TRUE(near(back_pixel(4, 5), 0, 255, 0, 0));

    // Additive blending must not let the keyed colour through either.
    begin_3d();
    sprite3d_blending(2, 2);
    draw_sprite3d(q, 4, 4, 255);
    end_3d();
    EXPECT_TRUE(near(back_pixel(5, 4), 0, 0, 255, 0));

    // A new colour for this sprite: red is now left out, magenta is drawn.
    set_sprite_transparent_colour(s, rgb(255, 0, 0));
    clear_screen(rgb(0, 0, 255));
    draw_once(q, 4, 4);
    EXPECT_TRUE(near(back_pixel(4, 4), 0, 0, 255, 0));
    EXPECT_TRUE(near(back_pixel(5, 4), 255, 0, 255, 0));
}

TEST_F(Screen, OwnAlphaIsMultipliedByDrawAlphaAndIgnoresTheTransparentColour) {
    set_sprite_transparent_colour(-1, rgb(255, 0, 0));  // the image's colour: must not matter
    int s = load({{255, 0, 0, 128}, {255, 0, 0, 255}}, 2, 1);
    int q = create_sprite3d(-1, s);
    clear_screen(rgb(0, 0, 255));
    draw_once(q, 0, 0);
    EXPECT_TRUE(near(back_pixel(0, 0), 128, 0, 127));
    EXPECT_TRUE(near(back_pixel(1, 0), 255, 0, 0));

    clear_screen(rgb(0, 0, 255));
    draw_once(q, 0, 0, 128);  // 128/255 * 128/255 = about 0.25
    EXPECT_TRUE(near(back_pixel(0, 0), 64, 0, 191));
    EXPECT_TRUE(near(back_pixel(1, 0), 128, 0, 127));

    // Without own alpha the draw alpha applies to the whole quad; alpha 0 hides it.
    int t = load({green}, 1, 1);
    int u = create_sprite3d(-1, t);
    clear_screen(rgb(0, 0, 255));
    draw_once(u, 0, 0, 0);
    EXPECT_TRUE(near(back_pixel(0, 0), 0, 0, 255, 0));
    draw_once(u, 0, 0, 51);
    EXPECT_TRUE(near(back_pixel(0, 0), 0, 51, 204));
}

// ---------------------------------------------------------------------------
// Blending, batching and filtering
// ---------------------------------------------------------------------------

TEST_F(Screen, BlendCodesMapToTheirFactors) {
    // Source (200, 100, 50) with alpha 128 over destination (40, 80, 160).
    int s = load({{200, 100, 50, 128}}, 1, 1);
    int q = create_sprite3d(-1, s);
    const double a = 128 / 255.0;
    auto clamp = [](double v) { return static_cast<int>(v > 255 ? 255 : v + 0.5); };
    struct Case {
        int src, dst;
        double r, g, b;
    };
    const Case cases[] = {
        {5, 6, 200 * a + 40 * (1 - a), 100 * a + 80 * (1 - a), 50 * a + 160 * (1 - a)},
        {2, 2, 240, 180, 210},                                  // one, one: added
        {2, 1, 200, 100, 50},                                   // one, zero: replaced
        {1, 3, 40 * 200 / 255.0, 80 * 100 / 255.0, 160 * 50 / 255.0},  // zero, source colour
        {9, 1, 200 * 40 / 255.0, 100 * 80 / 255.0, 50 * 160 / 255.0},  // destination colour, zero
        {7, 8, 200, 100, 50},                                   // the screen's alpha reads as one
        {4, 10, 200 * 55 / 255.0 + 40 * 215 / 255.0, 100 * 155 / 255.0 + 80 * 175 / 255.0,
         50 * 205 / 255.0 + 160 * 95 / 255.0},                  // inverse source / destination colour
        {0, 2, 200 * a + 40, 100 * a + 80, 50 * a + 160},       // unknown source code: source alpha
        {2, 11, 200 + 40 * (1 - a), 100 + 80 * (1 - a), 50 + 160 * (1 - a)},  // unknown dest: inverse src alpha
    };
    for (const Case& c : cases) {
        clear_screen(rgb(40, 80, 160));
        begin_3d();
        sprite3d_blending(c.src, c.dst);
        draw_sprite3d(q, 10, 10, 255);
        end_3d();
        EXPECT_TRUE(near(back_pixel(10, 10), clamp(c.r), clamp(c.g), clamp(c.b))) << c.src << "," << c.dst;
        EXPECT_EQ(back_pixel(10, 10).a, 255) << "the screen stays opaque";
    }
    // begin_3d starts every batch with (5, 6) again.
    clear_screen(rgb(40, 80, 160));
    begin_3d();
    sprite3d_blending(2, 2);
    end_3d();
    draw_once(q, 10, 10);
    EXPECT_TRUE(near(back_pixel(10, 10), clamp(200 * a + 40 * (1 - a)), clamp(100 * a + 80 * (1 - a)),
                     clamp(50 * a + 160 * (1 - a))));
}

// Keyed pixels leave the screen as it was under every pair of codes, also
// the pairs under which a transparent texel would still change it (replace,
// multiply, zero destination, ...). Each texel is drawn 3 x 3 pixels large
// and sampled at its middle; the unkeyed ones must look as a plain image of
// their colour drawn with the same pair looks.
TEST_F(Screen, KeyedPixelsStayOutUnderEveryBlendPair) {
    const Rgba o{200, 100, 50, 255}, d{40, 80, 160, 255};
    // N K N N / N K K N / K K N N: runs of several lengths, one of them two rows high.
    const bool keyed[12] = {0, 1, 0, 0, 0, 1, 1, 0, 1, 1, 0, 0};
    std::vector<Rgba> px;
    for (bool k : keyed) px.push_back(k ? magenta : o);
    const int image = load(px, 4, 3);
    const int q = create_sprite3d(-1, image), plain = create_sprite3d(-1, load({o}, 1, 1));
    zoom_sprite3d(q, 12, 9);
    zoom_sprite3d(plain, 3, 3);
    std::vector<uint8_t> got;
    auto at = [&](int x, int y) {
        const uint8_t* p = &got[static_cast<size_t>(y * 24 + x) * 4];
        return Rgba{p[0], p[1], p[2], 255};
    };
    for (int alpha : {255, 160}) {
        for (int src = 1; src <= 10; ++src) {
            for (int dst = 1; dst <= 10; ++dst) {
                clear_screen(rgb(d.r, d.g, d.b));
                draw_once(q, 0, 0, alpha, src, dst);
                draw_once(plain, 20, 0, alpha, src, dst);
                ASSERT_TRUE(read_screen_pixels(0, 0, 0, 24, 9, got));
                for (int t = 0; t < 12; ++t) {
                    const Rgba want = keyed[t] ? d : at(21, 1);
                    EXPECT_TRUE(near(at(t % 4 * 3 + 1, t / 4 * 3 + 1), want.r, want.g, want.b))
                        << "pair (" << src << "," << dst << ") alpha " << alpha << " texel " << t;
                }
            }
        }
    }
    // A new transparent colour is cut out anew: the image's colour out, magenta in.
    set_sprite_transparent_colour(image, rgb(o.r, o.g, o.b));
    clear_screen(rgb(d.r, d.g, d.b));
    draw_once(q, 0, 0, 255, 2, 1);
    EXPECT_TRUE(near(back_pixel(1, 1), d.r, d.g, d.b));
    EXPECT_TRUE(near(back_pixel(4, 1), 255, 0, 255));
}

TEST_F(Screen, BatchesKeepDrawingOrderAndEachQuadsFilter) {
    int r = create_sprite3d(-1, load({red}, 1, 1));
    int g = create_sprite3d(-1, load({green}, 1, 1));
    for (int q : {r, g}) zoom_sprite3d(q, 8, 8);
    clear_screen(rgb(0, 0, 0));
    begin_3d();
    draw_sprite3d(r, 0, 0, 255);
    draw_sprite3d(g, 2, 0, 255);
    draw_sprite3d(r, 4, 0, 255);  // same texture as the first: must still land on top of green
    end_3d();
    EXPECT_TRUE(near(back_pixel(1, 1), 255, 0, 0, 0));
    EXPECT_TRUE(near(back_pixel(3, 1), 0, 255, 0, 0));
    EXPECT_TRUE(near(back_pixel(5, 1), 255, 0, 0, 0));

    // A black-white pair stretched 10x: unfiltered first, bilinear second, in
    // one batch. Changing the filter must not reach back to the first quad.
    int bw = create_sprite3d(-1, load({black, white}, 2, 1));
    zoom_sprite3d(bw, 20, 10);
    clear_screen(rgb(0, 0, 0));
    begin_3d();
    draw_sprite3d(bw, 0, 0, 255);
    sprite3d_quality(1);
    draw_sprite3d(bw, 0, 20, 255);
    sprite3d_quality(0);
    end_3d();
    EXPECT_TRUE(near(back_pixel(9, 5), 0, 0, 0, 0));
    EXPECT_TRUE(near(back_pixel(10, 5), 255, 255, 255, 0));
    // Pixel 9's centre lies 0.45 of the way from the black texel to the white one.
    EXPECT_TRUE(near(back_pixel(9, 25), 115, 115, 115, 6));
}

TEST_F(Screen, ThreeDSpritesDrawOnlyInsideABatch) {
    int q = create_sprite3d(-1, load({red}, 1, 1));
    clear_screen(rgb(0, 0, 0));
    draw_sprite3d(q, 0, 0, 255);
    begin_3d();
    end_3d();
    EXPECT_TRUE(near(back_pixel(0, 0), 0, 0, 0, 0));
}

TEST_F(Screen, ThreeDSpriteFollowsTheSpriteItWasMadeFrom) {
    int s = load({red}, 1, 1);
    int q = create_sprite3d(-1, s);
    free_sprite(s);
    EXPECT_EQ(load({green}, 1, 1), s);  // the slot is reused by another image
    draw_on_black(q, 0, 0);
    EXPECT_TRUE(near(back_pixel(0, 0), 0, 0, 0, 0)) << "an old quad must not show the new image";
}

// ---------------------------------------------------------------------------
// Geometry
// ---------------------------------------------------------------------------

TEST_F(Screen, ZoomAndRotationAboutTheCentre) {
    // Left half red, right half green, zoomed to 20 x 10 at (10, 20): centre (20, 25).
    int q = create_sprite3d(-1, load({red, green}, 2, 1));
    zoom_sprite3d(q, 20, 10);
    draw_on_black(q, 10, 20);
    EXPECT_TRUE(near(back_pixel(10, 20), 255, 0, 0, 0));
    EXPECT_TRUE(near(back_pixel(29, 29), 0, 255, 0, 0));
    EXPECT_TRUE(near(back_pixel(30, 20), 0, 0, 0, 0));

    // 90 degrees clockwise: now 10 wide and 20 tall, red on top.
    rotate_sprite3d(q, 90, 0);
    draw_on_black(q, 10, 20);
    EXPECT_TRUE(near(back_pixel(20, 17), 255, 0, 0, 0));
    EXPECT_TRUE(near(back_pixel(20, 33), 0, 255, 0, 0));
    EXPECT_TRUE(near(back_pixel(12, 25), 0, 0, 0, 0));

    // Added rotation, kept through a new zoom: 180 degrees puts red right.
    rotate_sprite3d(q, 90, 1);
    zoom_sprite3d(q, 20, 10);
    draw_on_black(q, 10, 20);
    EXPECT_TRUE(near(back_pixel(12, 25), 0, 255, 0, 0));
    EXPECT_TRUE(near(back_pixel(28, 25), 255, 0, 0, 0));

    // Absolute rotation replaces the angle; -270 is the same as 90.
    rotate_sprite3d(q, -270, 0);
    draw_on_black(q, 10, 20);
    EXPECT_TRUE(near(back_pixel(20, 17), 255, 0, 0, 0));
}

// ---------------------------------------------------------------------------
// The screen's buffers
// ---------------------------------------------------------------------------

TEST_F(Screen, FlipAlternatesTwoBuffersThatKeepTheirContents) {
    clear_screen(rgb(255, 0, 0));
    flip_buffers();
    EXPECT_TRUE(near(pixel_at(1, 0, 0), 255, 0, 0, 0));
    clear_screen(rgb(0, 255, 0));
    flip_buffers();
    EXPECT_TRUE(near(pixel_at(1, 0, 0), 0, 255, 0, 0));
    // Not redrawn: this buffer still holds the frame of two flips ago.
    EXPECT_TRUE(near(back_pixel(0, 0), 255, 0, 0, 0));
    start_drawing(screen_output());
    draw_box(3, 4, 1, 1, rgb(0, 0, 255));  // a 1 x 1 box is one pixel
    stop_drawing();
    flip_buffers();
    EXPECT_TRUE(near(pixel_at(1, 3, 4), 0, 0, 255, 0));
    EXPECT_TRUE(near(pixel_at(1, 4, 4), 255, 0, 0, 0));
    EXPECT_TRUE(near(pixel_at(1, 3, 5), 255, 0, 0, 0));
    EXPECT_TRUE(near(back_pixel(3, 4), 0, 255, 0, 0));
}

// Paced at 100 frames a second, flips keep a schedule of 10 ms steps: ten
// flips take about 100 ms, and after a stall the schedule starts again
// instead of letting the next flips through at once to catch up. (A period
// of allowance: the clock is read a moment after the schedule starts.)
TEST_F(Screen, PacedFlipsKeepTheirScheduleAndStartAnewAfterAStall) {
    setenv("TILEWORLD_PACE", "100", 1);
    const bool opened = open_windowed_screen(window_handle(window), 0, 0, W, H, 1, 0, 0);
    unsetenv("TILEWORLD_PACE");
    ASSERT_TRUE(opened);
    using clock = std::chrono::steady_clock;
    auto ms_for_flips = [](int n) {
        const auto start = clock::now();
        for (int i = 0; i < n; ++i) flip_buffers();
        return std::chrono::duration<double, std::milli>(clock::now() - start).count();
    };
    flip_buffers();
    EXPECT_GE(ms_for_flips(10), 90.0);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    flip_buffers();
    EXPECT_GE(ms_for_flips(5), 40.0);
}

TEST_F(Screen, GrabCopiesTheBackBufferClippedToIt) {
    clear_screen(rgb(0, 0, 0));
    start_drawing(screen_output());
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; x += 8) draw_box(x, y, 8, 1, rgb(x * 4, y * 5, 100));
    stop_drawing();

    // The screen copy the world view makes: from (1, 1) at the full size, the
    // last column and row reaching past the buffer.
    set_sprite_transparent_colour(-1, rgb(255, 0, 255));
    int s = grab_sprite(-1, 1, 1, W, H, 4);
    ASSERT_GT(s, 0);
    EXPECT_EQ(sprite_width(s), W);
    EXPECT_EQ(sprite_height(s), H);
    int q = create_sprite3d(-1, s);
    ASSERT_GT(q, 0);
    clear_screen(rgb(255, 255, 255));
    draw_once(q, 0, 0);
    EXPECT_TRUE(near(back_pixel(0, 0), 0, 5, 100, 0));
    EXPECT_TRUE(near(back_pixel(7, 6), 32, 35, 100, 0));
    EXPECT_TRUE(near(back_pixel(W - 2, H - 2), 56 * 4, (H - 1) * 5, 100, 0));
    // The overhang is transparent: the white underneath shows.
    EXPECT_TRUE(near(back_pixel(W - 1, 5), 255, 255, 255, 0));
    EXPECT_TRUE(near(back_pixel(5, H - 1), 255, 255, 255, 0));

    // A rectangle wholly outside copies nothing; a grab without mode 4 cannot texture a quad.
    EXPECT_EQ(grab_sprite(-1, W, 0, 4, 4, 4), 0);
    EXPECT_EQ(grab_sprite(-1, -10, -10, 4, 4, 4), 0);
    int plain = grab_sprite(-1, 0, 0, 4, 4, 0);
    EXPECT_GT(plain, 0);
    EXPECT_EQ(create_sprite3d(-1, plain), 0);

    // Grabbing every frame, freeing the previous copy first, keeps working.
    for (int frame = 0; frame < 5; ++frame) {
        free_sprite(s);
        clear_screen(rgb(frame * 40, 0, 0));
        s = grab_sprite(-1, 1, 1, W, H, 4);
        ASSERT_GT(s, 0);
        q = create_sprite3d(-1, s);
        clear_screen(rgb(0, 0, 0));
        draw_once(q, 0, 0);
        EXPECT_TRUE(near(back_pixel(10, 10), frame * 40, 0, 0, 0));
    }
}

TEST_F(Screen, GrabInsideABatchIncludesTheQuadsDrawnSoFar) {
    int r = create_sprite3d(-1, load({red}, 1, 1));
    clear_screen(rgb(0, 0, 0));
    begin_3d();
    draw_sprite3d(r, 2, 2, 255);
    int s = grab_sprite(-1, 1, 1, 4, 4, 4);
    int q = create_sprite3d(-1, s);
    draw_sprite3d(q, 20, 20, 255);
    end_3d();
    EXPECT_TRUE(near(back_pixel(21, 21), 255, 0, 0, 0));
}

TEST_F(Screen, TextIsDrawnOnAnOpaqueBoxAtItsTopLeftCorner) {
    clear_screen(rgb(0, 0, 255));
    ASSERT_TRUE(start_drawing(screen_output()));
    draw_text(10, 20, "Debug: 42", rgb(255, 255, 200), rgb(0, 0, 0));
    stop_drawing();
    std::vector<uint8_t> px;
    ASSERT_TRUE(read_screen_pixels(0, 0, 0, W, H, px));
    int text_pixels = 0, box_pixels = 0, top = H, left = W;
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const uint8_t* p = &px[(static_cast<size_t>(y) * W + x) * 4];
            if (p[2] == 255 && p[0] == 0) continue;  // the blue background
            if (p[0] == 255 && p[1] == 255 && p[2] == 200) ++text_pixels;
            if (p[0] == 0 && p[1] == 0 && p[2] == 0) ++box_pixels;
            top = std::min(top, y);
            left = std::min(left, x);
        }
    }
    EXPECT_GT(text_pixels, 10);
    EXPECT_GT(box_pixels, 50);
    EXPECT_EQ(top, 20);
    EXPECT_EQ(left, 10);
}

TEST_F(Screen, DesktopReportsTheOverrideAndFreeMemoryIsPositive) {
    setenv("TILEWORLD_DISPLAY", "1280x720", 1);
    EXPECT_GE(examine_desktops(), 1);
    EXPECT_EQ(desktop_width(0), 1280);
    EXPECT_EQ(desktop_height(0), 720);
    EXPECT_GT(desktop_depth(0), 0);
    EXPECT_EQ(desktop_width(5), 0);
    EXPECT_EQ(desktop_width(-1), 0);
    unsetenv("TILEWORLD_DISPLAY");
    examine_desktops();
    EXPECT_GT(free_video_memory(), 0);
}

// ---------------------------------------------------------------------------
// Small images share textures
// ---------------------------------------------------------------------------

TEST_F(Screen, SharedTexturesDoNotBleedIntoNeighbours) {
    // Loaded one after the other, these sit side by side on a shared texture.
    int r = create_sprite3d(-1, load(std::vector<Rgba>(4, red), 2, 2));
    int g = create_sprite3d(-1, load(std::vector<Rgba>(4, green), 2, 2));
    for (int q : {r, g}) zoom_sprite3d(q, 20, 20);
    clear_screen(rgb(0, 0, 0));
    begin_3d();
    sprite3d_quality(1);  // bilinear: samples reach past the image's edge
    draw_sprite3d(r, 0, 0, 255);
    draw_sprite3d(g, 30, 0, 255);
    sprite3d_quality(0);
    end_3d();
    for (int x : {0, 10, 19}) {
        EXPECT_TRUE(near(back_pixel(x, 0), 255, 0, 0, 0)) << x;
        EXPECT_TRUE(near(back_pixel(30 + x, 19), 0, 255, 0, 0)) << x;
    }
}

TEST_F(Screen, ImagesStayRightWhenTheSharedTexturesFillUp) {
    // More 256 x 256 images than the shared textures hold: they are packed
    // afresh as they are drawn, and every one must still show its own colour.
    const std::string redfile = dir.write("red.tga", tga(256, 256, std::vector<Rgba>(256 * 256, red)));
    const std::string greenfile = dir.write("green.tga", tga(256, 256, std::vector<Rgba>(256 * 256, green)));
    std::vector<int> quads;
    for (int i = 0; i < 450; ++i) quads.push_back(create_sprite3d(-1, load_sprite(-1, i % 2 ? greenfile : redfile, 4)));
    auto shows = [&](int i) {
        clear_screen(rgb(0, 0, 0));
        draw_once(quads[static_cast<size_t>(i)], 0, 0);
        Rgba p = back_pixel(5, 5);
        return i % 2 ? near(p, 0, 255, 0, 0) : near(p, 255, 0, 0, 0);
    };
    begin_3d();
    for (int q : quads) draw_sprite3d(q, 0, 0, 255);
    end_3d();
    for (int i : {0, 1, 2, 200, 391, 392, 393, 448, 449, 0, 1}) EXPECT_TRUE(shows(i)) << i;
}
