// The real program driven by an automation script, headless.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <tuple>
#include <vector>

#include "runtime/inspection.h"
#include "runtime/media_runtime.h"
#include "support/dump.h"
#include "support/game_folder.h"
#include "support/screenshot.h"

using namespace tw::test;

namespace {

// A game folder with a configuration and a world base file: the world view
// is off, so each frame shows only the debug line over what the buffers held.
void write_small_game(const GameFolder& dir) {
    dir.configure({"WINDOWMODE", "0", "USESELFCREATEBASE", "1", "SELFCREATEBASE", "DATA\\base.txt", "RESOLUTION",
                   "32", "RESBASEW", "1024", "APPNAME", "Scripted", "MAPSIZE", "20"});
    dir.write("DATA/base.txt", crlf({"base", "20", "15", "", ""}));
}

}  // namespace

TEST(AutomationEndToEnd, ScreenshotShowsTheDebugLineAndQuitEndsCleanly) {
    GameFolder dir;
    write_small_game(dir);
    auto r = dir.play("at 100 screenshot frame.png\nat 101 quit\n", "640x400");
    EXPECT_EQ(r.exit_code, 0) << r.err;

    const Screenshot image = read_screenshot(dir.file("frame.png"));
    ASSERT_EQ(image.width, 640) << r.err;
    ASSERT_EQ(image.height, 400);
    // The debug line's text colour (255, 255, 200) appears in its row band
    // starting at (10, 38), and nowhere above it.
    int text_pixels = 0, above = 0;
    for (int y = 0; y < 70; ++y) {
        for (int x = 0; x < 640; ++x) {
            if (image.is(x, y, {255, 255, 200})) (y < 38 ? above : text_pixels) += 1;
        }
    }
    EXPECT_GT(text_pixels, 100);
    EXPECT_EQ(above, 0);
}

TEST(AutomationEndToEnd, MalformedScriptExitsWithCodeTwo) {
    GameFolder dir;
    write_small_game(dir);
    auto r = dir.play("at 10 quit\nat ten quit\n", "");
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_NE(r.err.find("line 2"), std::string::npos) << r.err;
}

// Without a display and without offscreen rendering asked for, the window
// cannot open: the program says so and ends instead of running unseen.
TEST(AutomationEndToEnd, NoDisplayMeansNoWindow) {
    GameFolder dir;
    write_small_game(dir);
    auto r = dir.play("at 1000 quit\n", "", {"SDL_VIDEODRIVER=", "DISPLAY=", "WAYLAND_DISPLAY="});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("Could not open window"), std::string::npos) << r.err;
}

// A scripted fault happens inside a frame after start-up: the report log gets
// its six lines and the game goes on to the later commands.
TEST(AutomationEndToEnd, ScriptedFaultIsReportedAndTheGameGoesOn) {
    GameFolder dir;
    write_small_game(dir);
    dir.more_configuration({"LOGPATH", "LOG\\", "LOGFILE", "report.txt"});
    dir.write("LOG/readme.txt", "reports land here\n");
    auto r = dir.play("at 20 fault\nat 40 dump after.txt\nat 41 quit\n", "");
    EXPECT_EQ(r.exit_code, 0) << r.err;

    EXPECT_EQ(fault_report_problem(read_file(dir.file("LOG/report.txt"))), "");
    EXPECT_EQ(read_dump(dir.file("after.txt")).field("loop_state"), "18") << "the game went on";
}

// TILEWORLD_PACE holds a headless run to its rate in the game and on the
// pause screen, which then idles instead of spinning. Dumps at frames 20 and
// 120 (playing) and 130 and 180 (paused) lie 100 and 50 frames of 1/50 s
// apart: never less (bar the file clock's coarseness), and not much more even
// on a loaded machine. A malformed value is refused with one line on stderr.
TEST(AutomationEndToEnd, PacedRunHoldsItsRateAndThePauseScreenIdles) {
    GameFolder dir;
    write_small_game(dir);
    const std::string d = dir.path;
    const std::string script = "at 20 dump a\nat 120 dump b\nat 121 key 25 down\nat 123 key 25 up\n"
                               "at 130 dump c\nat 180 dump e\nat 181 quit\n";
    auto cpu_of = [](const rusage& u) {
        return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
               static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
    };
    rusage before{}, after{};
    getrusage(RUSAGE_CHILDREN, &before);
    const auto start = std::chrono::steady_clock::now();
    auto r = dir.play(script, "320x200", {"TILEWORLD_PACE=50"});
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    getrusage(RUSAGE_CHILDREN, &after);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_LT(cpu_of(after) - cpu_of(before), wall / 2) << "over " << wall << " s";

    auto written = [&](const char* name) {
        struct stat st {};
        stat((d + name).c_str(), &st);
        return static_cast<double>(st.st_mtim.tv_sec) + static_cast<double>(st.st_mtim.tv_nsec) * 1e-9;
    };
    for (auto [from, to, frames] : {std::tuple{"a", "b", 100}, std::tuple{"c", "e", 50}}) {
        EXPECT_GE(written(to) - written(from), frames / 50.0 - 0.04) << from << " to " << to;
        EXPECT_LE(written(to) - written(from), frames / 50.0 * 2) << from << " to " << to;
    }
    // Paused indeed: the frame counter stood still between the later dumps only.
    auto counter = [&](const char* name) { return read_dump(d + name).field("frame_cycle_counter"); };
    EXPECT_EQ(counter("c"), counter("e"));
    EXPECT_NE(counter("a"), counter("c"));

    r = dir.play("at 1 quit\n", "320x200", {"TILEWORLD_PACE=fast"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_NE(r.err.find("TILEWORLD_PACE=fast ignored"), std::string::npos) << r.err;
}
