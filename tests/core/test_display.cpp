#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "core/core.h"
#include "runtime/media_runtime.h"
#include "runtime/testing.h"

using namespace tw;

namespace {

struct DisplayTest : ::testing::Test {
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        set_start_values();
    }
};

}  // namespace

TEST_F(DisplayTest, CellSizeScalesWithTheDisplayWidthOnly) {
    engine.resolution = 32.0f;
    engine.res_base_w = 1024;
    engine.res_base_h = 1;  // the height plays no part
    scale_to_display(1280, 1024);
    EXPECT_EQ(engine.screen_width, 1280.0f);
    EXPECT_EQ(engine.screen_height, 1024.0f);
    EXPECT_EQ(engine.display_scale, 1.25f);
    EXPECT_EQ(engine.resolution, 40.0f);
}

TEST_F(DisplayTest, StartValuesScaleByTheWholeWidth) {
    // No cell size and no base width configured: the size stays negative and
    // the ratio is the display width itself.
    scale_to_display(800, 600);
    EXPECT_EQ(engine.display_scale, 800.0f);
    EXPECT_EQ(engine.resolution, -800.0f);
}

TEST_F(DisplayTest, ZeroBaseWidthCountsAsOne) {
    engine.resolution = 2.0f;
    engine.res_base_w = 0;
    scale_to_display(640, 480);
    EXPECT_TRUE(std::isfinite(engine.display_scale));
    EXPECT_EQ(engine.display_scale, 640.0f);
    EXPECT_EQ(engine.resolution, 1280.0f);
    EXPECT_EQ(engine.res_base_w, 1);  // later scaling sees the same base
}

TEST_F(DisplayTest, DisplayWithoutSizeIsFatalErrorTwo) {
    scale_to_display(0, 0);
    EXPECT_EXIT(open_main_window(), ::testing::ExitedWithCode(1), "ERROR :  Could not open window");
}

TEST_F(DisplayTest, ScreenOpensInTheMainWindowWhateverItsNumber) {
    // A window opened earlier under a number of its own gives the main window
    // a number that is not its handle.
    video_shutdown();
    ASSERT_NE(open_window(5, 0, 0, 64, 48, "other", window_borderless), 0);
    scale_to_display(320, 240);
    static int fatal = -1;
    set_fatal_error_handler([](int code) { fatal = code; });
    open_main_window();
    set_fatal_error_handler(nullptr);
    ASSERT_NE(engine.main_window, window_handle(engine.main_window));
    EXPECT_EQ(fatal, -1);
    std::vector<uint8_t> corner;
    EXPECT_TRUE(read_screen_pixels(0, 319, 239, 1, 1, corner));
    video_shutdown();
}
