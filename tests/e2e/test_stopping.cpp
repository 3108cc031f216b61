// Stopping the real program from outside: SIGTERM, SIGINT and SIGHUP end it
// through its normal end, with exit code 0, wherever it is.
//
// To send a signal at a known place, the script writes a screenshot into a
// named pipe that the test holds open for reading (a pipe nobody reads is
// refused at once). The loading screen is noise, so every screenshot is
// larger than a pipe holds: the program stays inside that frame until the
// test reads the pipe, and the signal is sent before it does.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "runtime/inspection.h"
#include "runtime/media_runtime.h"
#include "support/dump.h"
#include "support/test_support.h"

using tw::test::TempDir;
using tw::test::crlf;
using tw::test::Dump;
using tw::test::read_dump;

namespace {

constexpr int screen_w = 320, screen_h = 240;

// A generated world of 83 x 83 cells (seed 110 of a 100 x 100 base), the
// world view off, a time cycle that does not wrap during the test, and a
// noise loading screen: frames 1 to 3 are the loading screen, 42 build frames
// follow, then the main loop.
void write_game(const TempDir& dir) {
    dir.write("DATA/ini.txt",
              crlf({"WINDOWMODE", "0", "USESELFCREATEBASE", "1", "SELFCREATEBASE", "DATA\\base.txt",
                    "RESOLUTION", "32", "RESBASEW", "320", "MAPSIZE", "100", "WORLDRANDOM", "110",
                    "WORLDREFRESH", "100000", "LOADSCREEN", "GFX\\load#.png"}));
    dir.write("DATA/base.txt", crlf({"base", "100", "100", "", ""}));
    tw::rgba_image noise{screen_w, screen_h, true, std::vector<uint8_t>(static_cast<size_t>(screen_w) * screen_h * 4)};
    std::mt19937 draw(7);
    for (size_t i = 0; i < noise.rgba.size(); ++i) noise.rgba[i] = i % 4 == 3 ? 255 : static_cast<uint8_t>(draw());
    dir.write("GFX/.keep", "");
    for (const char* name : {"GFX/load0.png", "GFX/load1.png"})  // '#' is drawn as 0 or 1
        ASSERT_TRUE(tw::save_png(dir.path + name, noise));
}

// Waits until the program writes into the pipe (whose read end `fd` is),
// which keeps it there; the read end, or -1 when the program ended first or
// did not get there in time.
int meet(int fd, tw::test::RunningProgram& program) {
    if (fd < 0) return -1;
    for (int waited = 0; waited < 120000; waited += 10) {
        int queued = 0;
        if (ioctl(fd, FIONREAD, &queued) == 0 && queued > 0) return fd;
        if (program.wait(0)) break;
        usleep(10000);
    }
    close(fd);
    return -1;
}

// Reads the pipe to its end, so the program goes on from that frame.
void let_go(int fd) {
    fcntl(fd, F_SETFL, 0);
    char buffer[65536];
    while (read(fd, buffer, sizeof buffer) > 0) {
    }
    close(fd);
}

struct Place {
    const char* where;
    std::vector<std::string> keys;  // script lines that bring the program there
    int frame;                      // the frame at which the signal comes
    int signal;
    long loop_frames;               // main-loop frames in the two frames before it
};

}  // namespace

TEST(Stopping, EachSignalEndsTheProgramCleanlyWhereverItIs) {
    const Place places[] = {
        {"main loop", {}, 80, SIGTERM, 2},
        {"main loop", {}, 80, SIGINT, 2},
        {"main loop", {}, 80, SIGHUP, 2},
        {"pause screen", {"at 70 key 25 down"}, 80, SIGINT, 0},
        {"quit screen", {"at 70 key 1 down"}, 80, SIGHUP, 0},
        {"world build", {}, 6, SIGTERM, 0},
        {"start-up, loading screen", {}, 3, SIGHUP, 0},
    };
    for (const Place& p : places) {
        SCOPED_TRACE(std::string(p.where) + ", signal " + std::to_string(p.signal));
        TempDir dir;
        write_game(dir);
        const std::string pipe = dir.path + "pipe.png";
        ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
        std::vector<std::string> script = p.keys;
        const std::string f = std::to_string(p.frame), before = std::to_string(p.frame - 2);
        script.insert(script.end(), {"at " + before + " dump " + dir.path + "before.txt",
                                     "at " + f + " dump " + dir.path + "at.txt",
                                     "at " + f + " screenshot " + pipe,
                                     "at " + std::to_string(p.frame + 1) + " dump " + dir.path + "after.txt"});
        dir.write("script.txt", crlf(script));
        const int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
        tw::test::RunningProgram program(
            dir.path, {"TILEWORLD_DISPLAY=" + std::to_string(screen_w) + "x" + std::to_string(screen_h),
                       "TILEWORLD_SCRIPT=" + dir.path + "script.txt"});

        int fd = meet(reader, program);
        ASSERT_GE(fd, 0) << "never reached frame " << p.frame << ": " << program.result.err;
        ASSERT_EQ(kill(program.pid, p.signal), 0);
        let_go(fd);
        // A generous bound: the point is that it ends rather than hangs.
        ASSERT_TRUE(program.wait(10000)) << "still running";
        EXPECT_EQ(program.result.exit_code, 0);
        EXPECT_EQ(program.result.err, "");

        // It was where the case says, and ended before showing another frame.
        const Dump a = read_dump(dir.path + "before.txt"), b = read_dump(dir.path + "at.txt");
        ASSERT_TRUE(a.exists && b.exists);
        EXPECT_EQ(b.num("frame_cycle_counter") - a.num("frame_cycle_counter"), p.loop_frames);
        if (std::string(p.where) == "world build") {
            // 84 rows still to build, a frame every 167 cells.
            EXPECT_EQ(b.num("world_height"), 83);
        }
        EXPECT_FALSE(tw::file_exists(dir.path + "after.txt"));
    }
}
