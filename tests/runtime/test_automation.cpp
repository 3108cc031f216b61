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
using tw::test::read_file;

namespace {

int dumps_made = 0;
text count_dump() { return "dump " + std::to_string(++dumps_made) + "\n"; }

int faults_seen = 0;
void count_fault() { ++faults_seen; }

struct Automation : ::testing::Test {
    TempDir dir;
    void start(const std::string& script) {
        setenv("TILEWORLD_SCRIPT", dir.write("script.txt", script).c_str(), 1);
        setenv("TILEWORLD_OUTPUT_FOLDER", dir.path.c_str(), 1);  // the outputs' paths are in it
        automation_startup();
        unsetenv("TILEWORLD_SCRIPT");
        unsetenv("TILEWORLD_OUTPUT_FOLDER");
    }
    void TearDown() override {
        video_shutdown();
        automation_startup();  // no script any more
        set_dump_handler(nullptr);
        dumps_made = 0;
    }
};

}  // namespace

TEST_F(Automation, CommandsTakeEffectOnceTheirFrameWasPresented) {
    set_dump_handler(count_dump);
    start("# a comment, then a blank line\n"
          "\n"
          "at 0 key 30 down\r\n"
          "at 2 key 30 up\n"
          "at 2 dump " + dir.path + "two.txt\n"
          "   at 1 dump " + dir.path + "one with blank.txt  \n"
          "at 3 quit\n");
    examine_keyboard();
    EXPECT_TRUE(key_pushed(30)) << "frame 0 inputs are there from the start";
    EXPECT_EQ(dumps_made, 0);

    flip_buffers();  // one frame presented
    EXPECT_EQ(read_file(dir.path + "one with blank.txt"), "dump 1\n");
    examine_keyboard();
    EXPECT_TRUE(key_pushed(30));

    flip_buffers();  // two
    EXPECT_EQ(read_file(dir.path + "two.txt"), "dump 2\n");
    EXPECT_FALSE(automation_quit_requested());
    examine_keyboard();
    EXPECT_TRUE(key_released(30));

    flip_buffers();  // three
    EXPECT_TRUE(automation_quit_requested());
    flip_buffers();
    EXPECT_EQ(dumps_made, 2) << "each command runs once";
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
        "seed -1",                  // below the generator's range
        "seed 4294967296",          // above it
        "display 640",              // no height
        "display 0x480",            // an empty display
        "display 8193x100",         // wider than the runtime's screens
        "display 8192x8192",        // more pixels in all than they may have
        "at 5 check 0123456789abcdef",      // no field digits
        "at 5 check 0123456789abcde 00",    // 15 digits
        "at 5 check 0123456789abcdef 0",    // half a field
        "at 5 check 0123456789abcdeg 00",   // not hex
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

// ---------------------------------------------------------------------------
// Recording and replaying
// ---------------------------------------------------------------------------

namespace {

const std::string sample_dump =
    "loop_state 18\nworld_number 0\ncursor 0 16 32 17 0\nenemy 0 40 8 13 1\nenemy 1 72 8 14 1\n"
    "instances 3\ncell 0 0 1 255 1 0 0 -1 -1,-1,-1,-1,-1,-1,-1,-1 WALL\n";

std::string changed(std::string s, const std::string& from, const std::string& to) {
    return s.replace(s.find(from), from.size(), to);
}

int frame_counter = 0;
text frame_dump() { return "frames " + std::to_string(frame_counter) + "\n"; }

}  // namespace

TEST(DumpDigest, NamesTheFirstDifferingFieldWhateverTheLineEnds) {
    const std::string digest = dump_digest(sample_dump);
    std::string why;
    EXPECT_TRUE(dump_matches(sample_dump, digest, why));
    EXPECT_TRUE(dump_matches(changed(changed(sample_dump, "18\n", "18\r\n"), "WALL\n", "WALL\r\n"), digest, why))
        << "a dump written with CR LF digests the same";

    EXPECT_FALSE(dump_matches(changed(sample_dump, "world_number 0", "world_number 1"), digest, why));
    EXPECT_EQ(why, "world_number (replay: world_number 1)");
    EXPECT_FALSE(dump_matches(changed(sample_dump, "enemy 1 72", "enemy 1 73"), digest, why));
    EXPECT_EQ(why, "enemy (2 lines)");
    EXPECT_FALSE(dump_matches(changed(sample_dump, "enemy 0 40 8 13 1\nenemy 1 72 8 14 1",
                                      "enemy 1 72 8 14 1\nenemy 0 40 8 13 1"), digest, why))
        << "the order of a field's lines counts";
    EXPECT_FALSE(dump_matches(changed(sample_dump, "WALL", "FLOOR"), digest, why));
    EXPECT_EQ(why.rfind("cell ", 0), 0u) << why;
    EXPECT_FALSE(dump_matches(sample_dump.substr(0, sample_dump.find("cell ")), digest, why));
    EXPECT_EQ(why, "the fields after instances");
}

TEST_F(Automation, RecordingTakesInputOncePerFrameAndChecksTheState) {
    set_dump_handler(frame_dump);
    const std::string path = dir.path + "recording.txt";
    setenv("TILEWORLD_RECORD", path.c_str(), 1);
    automation_startup();
    unsetenv("TILEWORLD_RECORD");
    attach_virtual_joystick();
    EXPECT_TRUE(init_joystick());

    inject_key(30, true);
    examine_keyboard();
    inject_key(30, false);  // a tap within the frame: its later examines see it still down
    examine_keyboard();
    EXPECT_TRUE(key_pushed(30));
    flip_buffers();
    examine_keyboard();
    EXPECT_TRUE(key_released(30)) << "the release belongs to the next frame";
    inject_joystick_button(2, true);
    inject_joystick_axis(1, -1);
    examine_joystick();
    for (frame_counter = 2; frame_counter <= 61; ++frame_counter) flip_buffers();
    frame_counter = 61;
    EXPECT_EQ(finish_automation(0), 0);

    const std::string check60 = dump_digest("frames 60\n"), check61 = dump_digest("frames 61\n");
    std::string recorded = read_file(path);
    recorded.erase(0, recorded.find('\n') + 1);  // the comment at the top
    EXPECT_EQ(recorded, "joystick\n"
                        "at 0 key 30 down\n"
                        "at 1 key 30 up\n"
                        "at 1 button 2 down\n"
                        "at 1 axis y -1\n"
                        "at 60 check " + check60 + "\n"
                        "at 61 check " + check61 + "\n"
                        "at 61 quit\n");
}

TEST_F(Automation, ReplayEndsWithCodeThreeAtTheFirstCheckThatDiffers) {
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    set_dump_handler(frame_dump);
    frame_counter = 1;
    start("at 1 check " + dump_digest("frames 1\n") + "\nat 2 check " + dump_digest("frames 3\n") + "\n");
    flip_buffers();
    frame_counter = 2;
    EXPECT_EXIT(flip_buffers(), ::testing::ExitedWithCode(3),
                "replay out of step at frame 2: first difference in frames \\(replay: frames 2\\)");
}

TEST_F(Automation, ReplayThatEndsBeforeItsLastCheckIsOutOfStep) {
    set_dump_handler(frame_dump);
    frame_counter = 7;
    start("at 1 check " + dump_digest("frames 7\n") + "\nat 9 check " + dump_digest("frames 9\n") + "\n");
    flip_buffers();
    EXPECT_EQ(finish_automation(0), 3) << "the check at frame 9 never came";
    start("at 1 check " + dump_digest("frames 7\n") + "\n");
    flip_buffers();
    EXPECT_EQ(finish_automation(0), 0);
}

// What a script may write: paths are checked when the script is read.
TEST(AutomationOutputs, PathsStayInsideTheFolder) {
    struct Case {
        const char* path;
        const char* inside;  // nullptr: refused
    };
    const Case cases[] = {
        {"a.txt", "a.txt"},           {"shots\\one.png", "shots/one.png"}, {"./a//b/./c", "a/b/c"},
        {"a/../b", "b"},              {"a\\b\\..\\..\\c", "c"},             {"..", nullptr},
        {"../x", nullptr},            {"a/../../x", nullptr},              {"/etc/passwd", nullptr},
        {"\\x", nullptr},             {"C:\\x", nullptr},                  {"c:x", nullptr},
        {"a:b", nullptr},             {"a/..", nullptr},                   {".", nullptr},
        {"", nullptr},                {"dir/", nullptr},
    };
    for (const Case& c : cases) {
        text inside, why;
        const bool ok = path_stays_inside(c.path, inside, why);
        EXPECT_EQ(ok, c.inside != nullptr) << c.path << ": " << why;
        if (ok) EXPECT_EQ(inside, c.inside) << c.path;
        else EXPECT_FALSE(why.empty()) << c.path;
    }
}

TEST(AutomationOutputs, ScriptPathsAreMadeRelativeOrRefusedWithTheirLine) {
    TempDir dir;
    setenv("TILEWORLD_OUTPUT_FOLDER", dir.path.c_str(), 1);
    bool joystick = false;
    std::string where, why;
    ASSERT_TRUE(parse_automation_script("at 1 dump " + dir.path + "sub/../a.txt\nat 2 screenshot b\\c.png\n", joystick,
                                        where, why))
        << why;
    EXPECT_EQ(pending_output_paths(), (std::vector<std::string>{"a.txt", "b/c.png"}));
    EXPECT_FALSE(parse_automation_script("at 1 dump a\n\nat 3 dump " + dir.path + "../x\n", joystick, where, why));
    EXPECT_EQ(where, "line 3");
    EXPECT_NE(why.find("refused"), std::string::npos) << why;

    std::string many;
    for (int i = 0; i < 1001; ++i) many += "at " + std::to_string(i) + " dump d" + std::to_string(i) + "\n";
    EXPECT_FALSE(parse_automation_script(many, joystick, where, why));
    EXPECT_EQ(where, "line 1001");
    unsetenv("TILEWORLD_OUTPUT_FOLDER");
    parse_automation_script("", joystick, where, why);
}
