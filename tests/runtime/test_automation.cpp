// The automation script: its clock, its inputs and outputs, and its errors.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/inspection.h"
#include "runtime/media_runtime.h"
#include "runtime/testing.h"
#include "support/test_support.h"

using namespace tw;
using tw::test::TempDir;

namespace {

std::vector<std::string> dumps;
void record_dump(const text& path) { dumps.push_back(path); }

int faults_seen = 0;
void count_fault() { ++faults_seen; }

struct Automation : ::testing::Test {
    TempDir dir;
    void start(const std::string& script) {
        setenv("TILEWORLD_SCRIPT", dir.write("script.txt", script).c_str(), 1);
        automation_startup();
        unsetenv("TILEWORLD_SCRIPT");
    }
    void TearDown() override {
        video_shutdown();
        automation_startup();  // no script any more
        set_dump_handler(nullptr);
        dumps.clear();
    }
};

}  // namespace

TEST_F(Automation, CommandsTakeEffectOnceTheirFrameWasPresented) {
    set_dump_handler(record_dump);
    start("# a comment, then a blank line\n"
          "\n"
          "at 0 key 30 down\r\n"
          "at 2 key 30 up\n"
          "at 2 dump " + dir.path + "two.txt\n"
          "   at 1 dump " + dir.path + "one with blank.txt  \n"
          "at 3 quit\n");
    examine_keyboard();
    EXPECT_TRUE(key_pushed(30)) << "frame 0 inputs are there from the start";
    EXPECT_TRUE(dumps.empty());

    flip_buffers();  // one frame presented
    ASSERT_EQ(dumps.size(), 1u);
    EXPECT_EQ(dumps[0], dir.path + "one with blank.txt");
    examine_keyboard();
    EXPECT_TRUE(key_pushed(30));

    flip_buffers();  // two
    ASSERT_EQ(dumps.size(), 2u);
    EXPECT_EQ(dumps[1], dir.path + "two.txt");
    EXPECT_FALSE(automation_quit_requested());
    examine_keyboard();
    EXPECT_TRUE(key_released(30));

    flip_buffers();  // three
    EXPECT_TRUE(automation_quit_requested());
    flip_buffers();
    EXPECT_EQ(dumps.size(), 2u) << "each command runs once";
}

TEST_F(Automation, FaultHappensInsideTheNextFrameOnly) {
    set_error_handler(count_fault);
    faults_seen = 0;
    start("at 1 fault\n");
    auto frame = [] { examine_keyboard(); };
    EXPECT_TRUE(run_guarded(frame));
    flip_buffers();
    EXPECT_FALSE(run_guarded(frame)) << "the frame after presentation 1 faults";
    EXPECT_EQ(faults_seen, 1);
    EXPECT_TRUE(run_guarded(frame)) << "and only that frame";
    EXPECT_EQ(faults_seen, 1);
    set_error_handler(nullptr);
}

TEST_F(Automation, JoystickLineAttachesAVirtualJoystick) {
    start("joystick\nat 0 button 3 down\nat 1 axis y -1\n");
    EXPECT_TRUE(init_joystick());
    examine_joystick();
    EXPECT_TRUE(joystick_button(3));
    EXPECT_EQ(joystick_axis_y(), 0);
    flip_buffers();
    examine_joystick();
    EXPECT_EQ(joystick_axis_y(), -1);
}

TEST_F(Automation, ScreenshotIsThePresentedFrame) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    int w = open_window(-1, 0, 0, 40, 30, "shot", window_borderless);
    ASSERT_TRUE(open_windowed_screen(window_handle(w), 0, 0, 40, 30, 1, 0, 0));
    const std::string shot = dir.path + "shot.png";
    start("at 2 screenshot " + shot + "\n");
    clear_screen(rgb(10, 20, 30));
    flip_buffers();
    clear_screen(rgb(200, 100, 50));
    start_drawing(screen_output());
    draw_box(5, 6, 1, 1, rgb(255, 255, 255));
    stop_drawing();
    flip_buffers();
    clear_screen(rgb(0, 0, 0));  // the next frame's drawing must not be in the shot

    use_png_decoder();
    rgba_image image;
    std::string why;
    ASSERT_TRUE(decode_image_file(shot, image, why)) << why;
    ASSERT_EQ(image.width, 40);
    ASSERT_EQ(image.height, 30);
    auto at = [&](int x, int y) { return &image.rgba[(static_cast<size_t>(y) * 40 + x) * 4]; };
    EXPECT_EQ(at(0, 0)[0], 200);
    EXPECT_EQ(at(0, 0)[1], 100);
    EXPECT_EQ(at(0, 0)[2], 50);
    EXPECT_EQ(at(5, 6)[0], 255);
    EXPECT_EQ(at(5, 6)[2], 255);
}

// A malformed script ends the program with exit code 2 and names the line.
TEST(AutomationErrors, MalformedLinesEndTheProgramNamingTheLine) {
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    TempDir dir;
    const char* bad[] = {
        "hello",                    // not a command
        "at x key 1 down",          // frame not a number
        "at -1 quit",               // negative frame
        "at 5",                     // nothing to do
        "at 5 key 256 down",        // code out of range
        "at 5 key 1 sideways",      // neither down nor up
        "at 5 key 1",               // missing state
        "at 5 button 0 down",       // buttons start at 1
        "at 5 axis z 1",            // no such axis
        "at 5 axis x 2",            // value out of range
        "at 5 screenshot",          // no path
        "at 5 dump   ",             // no path
        "at 5 quit now",            // trailing words
        "at 5 jump",                // unknown command
        "joystick please",          // trailing words
    };
    for (const char* line : bad) {
        const std::string path = dir.write("bad.txt", "# fine\nat 1 quit\n" + std::string(line) + "\nat 2 quit\n");
        setenv("TILEWORLD_SCRIPT", path.c_str(), 1);
        EXPECT_EXIT(automation_startup(), ::testing::ExitedWithCode(2), "line 3") << line;
    }
    setenv("TILEWORLD_SCRIPT", (dir.path + "missing.txt").c_str(), 1);
    EXPECT_EXIT(automation_startup(), ::testing::ExitedWithCode(2), "missing.txt");
    unsetenv("TILEWORLD_SCRIPT");
}
