// The progress bars: growth per tick, the restart at a rebuild, when they
// present the screen, and worlds that give no step.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "runtime/media_runtime.h"
#include "runtime/testing.h"
#include "world/world.h"

namespace tw::test {
namespace {

void screen(float w, float h) {
    set_start_values();
    engine.screen_width = w;
    engine.screen_height = h;
}

TEST(ProgressBar, GrowsByScreenWidthOverTheProductOfTheHighestIndices) {
    screen(1000, 768);
    engine.world_width = engine.world_height = 10;
    for (int i = 0; i < 50; ++i) build_progress_tick();
    EXPECT_FLOAT_EQ(engine.build_progress, 501.0f);
    for (int i = 0; i < 50; ++i) load_progress_tick();
    EXPECT_FLOAT_EQ(engine.load_progress, 501.0f);
}

TEST(ProgressBar, BuildBarRestartsWhenTheWorldNumberChanged) {
    screen(1000, 768);
    engine.world_width = engine.world_height = 10;
    for (int i = 0; i < 30; ++i) build_progress_tick();
    EXPECT_FLOAT_EQ(engine.build_progress, 301.0f);
    engine.world_number = 2;
    build_progress_tick();
    EXPECT_FLOAT_EQ(engine.build_progress, 11.0f);
    EXPECT_EQ(engine.built_world_number, 2);
    // The loading bar is never reset.
    for (int i = 0; i < 3; ++i) load_progress_tick();
    engine.world_number = 5;
    load_progress_tick();
    EXPECT_FLOAT_EQ(engine.load_progress, 41.0f);
}

TEST(ProgressBar, BuildPresentsEveryTwoWidthsPlusOneTicksAcrossBuilds) {
    screen(1000, 768);
    engine.world_width = 20;
    engine.world_height = 5;
    // Presenting resets the counter, so it reads 0 exactly after ticks 41, 82 ...
    for (int tick = 1; tick <= 123; ++tick) {
        build_progress_tick();
        EXPECT_EQ(engine.build_flip_counter == 0, tick % 41 == 0) << "tick " << tick;
    }
    for (int tick = 1; tick <= 10; ++tick) build_progress_tick();
    // The next build carries the count on.
    engine.world_width = 4;
    build_progress_tick();
    EXPECT_EQ(engine.build_flip_counter, 0);
}

TEST(ProgressBar, LoadPresentsAtTheFirstTickAndEvery501st) {
    screen(1000, 768);
    engine.world_width = engine.world_height = 100;
    for (int tick = 1; tick <= 1003; ++tick) {
        bool presents = engine.load_flip_counter == 0;
        load_progress_tick();
        EXPECT_EQ(presents, tick == 1 || tick == 502 || tick == 1003) << "tick " << tick;
    }
}

TEST(ProgressBar, OneColumnOrOneRowWorldDrawsAFullBar) {
    for (auto [w, h] : {std::pair{0, 7}, {7, 0}, {0, 0}}) {
        screen(800, 600);
        engine.world_width = w;
        engine.world_height = h;
        build_progress_tick();
        load_progress_tick();
        EXPECT_TRUE(std::isfinite(engine.build_progress));
        EXPECT_FLOAT_EQ(engine.build_progress, 800.0f);
        EXPECT_FLOAT_EQ(engine.load_progress, 800.0f);
    }
}

// What a presentation shows is the bar as the last tick left it, and the
// ticks after the last presentation are on the screen when the build ends.
TEST(ProgressBar, ShowsTheLastTickAtEachPresentationAndAtTheEnd) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    const int window = open_window(-1, 0, 0, 200, 100, "bar", window_borderless);
    ASSERT_GT(window, 0);
    ASSERT_TRUE(open_windowed_screen(window_handle(window), 0, 0, 200, 100, 1, 0, 0));
    screen(200, 100);
    engine.world_width = 20;
    engine.world_height = 5;  // a step of 2 pixels; a presentation every 41 ticks
    auto red_width = [](int which) {
        std::vector<uint8_t> row;
        if (!read_screen_pixels(which, 0, 86, 200, 1, row)) return -1;  // the bar's rows start at 85
        int n = 0;
        while (n < 200 && row[static_cast<size_t>(n) * 4] == 255 && row[static_cast<size_t>(n) * 4 + 1] == 0) ++n;
        return n;
    };
    for (int i = 0; i < 41; ++i) build_progress_tick();
    EXPECT_EQ(red_width(1), 83);  // 1 + 41 * 2
    for (int i = 0; i < 10; ++i) build_progress_tick();
    finish_progress_bar();
    EXPECT_EQ(red_width(0), 103);
    video_shutdown();
}

}  // namespace
}  // namespace tw::test
