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
#include "support/test_support.h"

using tw::test::TempDir;
using tw::test::crlf;
using tw::test::run_tileworld;

namespace {

// A game folder with a configuration and a world base file: the world view
// is off, so each frame shows only the debug line over what the buffers held.
void write_small_game(const TempDir& dir) {
    dir.write("DATA/ini.txt", crlf({"WINDOWMODE", "0", "USESELFCREATEBASE", "1", "SELFCREATEBASE",
                                    "DATA\\base.txt", "RESOLUTION", "32", "RESBASEW", "1024", "APPNAME",
                                    "Scripted", "MAPSIZE", "20"}));
    dir.write("DATA/base.txt", crlf({"base", "20", "15", "", ""}));
}

tw::rgba_image read_png(const std::string& path) {
    tw::rgba_image image;
    std::string why;
    tw::use_png_decoder();
    tw::decode_image_file(path, image, why);
    return image;
}

}  // namespace

TEST(AutomationEndToEnd, ScreenshotShowsTheDebugLineAndQuitEndsCleanly) {
    TempDir dir;
    write_small_game(dir);
    const std::string shot = dir.path + "frame.png";
    dir.write("script.txt", "at 100 screenshot " + shot + "\nat 101 quit\n");
    auto r = run_tileworld(dir.path, {"TILEWORLD_DISPLAY=640x400", "TILEWORLD_SCRIPT=" + dir.path + "script.txt"});
    EXPECT_EQ(r.exit_code, 0) << r.err;

    tw::rgba_image image = read_png(shot);
    ASSERT_EQ(image.width, 640) << r.err;
    ASSERT_EQ(image.height, 400);
    // The debug line's text colour (255, 255, 200) appears in its row band
    // starting at (10, 38), and nowhere above it.
    int text_pixels = 0, above = 0;
    for (int y = 0; y < 70; ++y) {
        for (int x = 0; x < 640; ++x) {
            const uint8_t* p = &image.rgba[(static_cast<size_t>(y) * 640 + x) * 4];
            if (p[0] == 255 && p[1] == 255 && p[2] == 200) (y < 38 ? above : text_pixels) += 1;
        }
    }
    EXPECT_GT(text_pixels, 100);
    EXPECT_EQ(above, 0);
}

TEST(AutomationEndToEnd, MalformedScriptExitsWithCodeTwo) {
    TempDir dir;
    write_small_game(dir);
    dir.write("script.txt", "at 10 quit\nat ten quit\n");
    auto r = run_tileworld(dir.path, {"TILEWORLD_SCRIPT=" + dir.path + "script.txt"});
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_NE(r.err.find("line 2"), std::string::npos) << r.err;
}

// Without a display and without offscreen rendering asked for, the window
// cannot open: the program says so and ends instead of running unseen.
TEST(AutomationEndToEnd, NoDisplayMeansNoWindow) {
    TempDir dir;
    write_small_game(dir);
    dir.write("script.txt", "at 1000 quit\n");
    auto r = run_tileworld(dir.path, {"SDL_VIDEODRIVER=", "DISPLAY=", "WAYLAND_DISPLAY=",
                                      "TILEWORLD_SCRIPT=" + dir.path + "script.txt"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_NE(r.err.find("Could not open window"), std::string::npos) << r.err;
}

// A scripted fault happens inside a frame after start-up: the report log gets
// its six lines and the game goes on to the later commands.
TEST(AutomationEndToEnd, ScriptedFaultIsReportedAndTheGameGoesOn) {
    TempDir dir;
    write_small_game(dir);
    dir.write("DATA/ini.txt", tw::test::read_file(dir.path + "DATA/ini.txt") +
                                  crlf({"LOGPATH", "LOG\\", "LOGFILE", "report.txt"}));
    dir.write("LOG/readme.txt", "reports land here\n");
    const std::string dump = dir.path + "after.txt";
    dir.write("script.txt", "at 20 fault\nat 40 dump " + dump + "\nat 41 quit\n");
    auto r = run_tileworld(dir.path, {"TILEWORLD_SCRIPT=" + dir.path + "script.txt"});
    EXPECT_EQ(r.exit_code, 0) << r.err;

    const std::string report = tw::test::read_file(dir.path + "LOG/report.txt");
    int lines = 0;
    for (size_t at = report.find("\r\n"); at != std::string::npos; at = report.find("\r\n", at + 2)) ++lines;
    EXPECT_EQ(lines, 6) << report;
    EXPECT_NE(tw::test::read_file(dump).find("loop_state 18"), std::string::npos) << "the game went on";
}

// TILEWORLD_PACE holds a headless run to its rate in the game and on the
// pause screen, which then idles instead of spinning. Dumps at frames 20 and
// 120 (playing) and 130 and 180 (paused) lie 100 and 50 frames of 1/50 s
// apart: never less (bar the file clock's coarseness), and not much more even
// on a loaded machine. A malformed value is refused with one line on stderr.
TEST(AutomationEndToEnd, PacedRunHoldsItsRateAndThePauseScreenIdles) {
    TempDir dir;
    write_small_game(dir);
    const std::string d = dir.path;
    dir.write("script.txt", "at 20 dump " + d + "a\nat 120 dump " + d + "b\nat 121 key 25 down\nat 123 key 25 up\n"
                            "at 130 dump " + d + "c\nat 180 dump " + d + "e\nat 181 quit\n");
    auto cpu_of = [](const rusage& u) {
        return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
               static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
    };
    rusage before{}, after{};
    getrusage(RUSAGE_CHILDREN, &before);
    const auto start = std::chrono::steady_clock::now();
    auto r = run_tileworld(d, {"TILEWORLD_PACE=50", "TILEWORLD_DISPLAY=320x200",
                                "TILEWORLD_SCRIPT=" + d + "script.txt"});
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
    auto counter = [&](const char* name) {
        const std::string dump = tw::test::read_file(d + name);
        return dump.substr(std::min(dump.find("frame_cycle_counter "), dump.size()), 24);
    };
    EXPECT_EQ(counter("c"), counter("e"));
    EXPECT_NE(counter("a"), counter("c"));

    dir.write("quit.txt", "at 1 quit\n");
    r = run_tileworld(d, {"TILEWORLD_PACE=fast", "TILEWORLD_DISPLAY=320x200", "TILEWORLD_SCRIPT=" + d + "quit.txt"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_NE(r.err.find("TILEWORLD_PACE=fast ignored"), std::string::npos) << r.err;
}
