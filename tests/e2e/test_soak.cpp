// Long runs of the real program, headless, on the sample labyrinth:
//
// - Soak: frames of scripted pseudo-random play (walking, world switches,
//   pauses, the quit screen left with C) while the program's resident memory
//   is sampled from /proc; after the warm-up it must stay flat. The run is
//   5,000 frames long (1,500 in a sanitized build, where memory is not
//   measured and frames are slower); TILEWORLD_SOAK_FRAMES sets another
//   length, e.g.
//     TILEWORLD_SOAK_FRAMES=100000 build/test_e2e --gtest_filter='Soak.*'
//   and the memory curve is printed either way.
// - Fault injection: 1,000 processor faults in one run. Each is reported, the
//   game goes on every time, the log holds exactly the latest report, and the
//   run ends normally.
#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "runtime/key_codes.h"
#include "support/dump.h"
#include "support/game_folder.h"

namespace fs = std::filesystem;
using namespace tw::test;

namespace {

// ===========================================================================
// Running the program while watching its memory
// ===========================================================================

struct Sample {
    double seconds;
    long rss_kb;
};

struct Watched {
    int exit_code = -1;
    std::vector<Sample> samples;
    std::string err;
};

long resident_kb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// Runs the program in `dir` like run_tileworld does, sampling its resident
// memory every 20 ms until it ends (or is stopped after timeout_seconds).
Watched run_watched(const std::string& dir, const std::vector<std::string>& env, int timeout_seconds) {
    Watched w;
    RunningProgram program(dir, env, timeout_seconds);
    const auto start = std::chrono::steady_clock::now();
    for (int pid = program.pid; !program.wait(0);) {
        const long kb = resident_kb(pid);
        const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (kb > 0) w.samples.push_back({t, kb});
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    w.exit_code = program.result.exit_code;
    w.err = program.result.err;
    return w;
}

// Largest resident size among the samples taken between the two fractions
// of the run's time.
long peak_between(const std::vector<Sample>& s, double from, double to) {
    const double end = s.empty() ? 0 : s.back().seconds;
    long peak = 0;
    for (const Sample& x : s)
        if (x.seconds >= from * end && x.seconds <= to * end) peak = std::max(peak, x.rss_kb);
    return peak;
}

bool sanitized_build() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#endif
#endif
    return false;
}

// ===========================================================================
// The game and its scripts
// ===========================================================================

struct Script {
    std::string text;
    void at(long frame, const std::string& command) { text += "at " + std::to_string(frame) + " " + command + "\n"; }
    void press(long frame, int key, long held) {
        at(frame, "key " + std::to_string(key) + " down");
        at(frame + held, "key " + std::to_string(key) + " up");
    }
};

// Pseudo-random play from frame 100 to `frames`: mostly walking with the
// arrows, now and then a world switch (kept within worlds 0 to 3), a pause
// or the quit screen, each left again with C.
Script random_play(long frames, uint32_t seed) {
    using namespace tw;
    uint32_t x = seed;
    auto next = [&x](uint32_t n) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        return x % n;
    };
    Script s;
    int world = 0;
    long t = 100;
    while (t < frames - 80) {
        const uint32_t roll = next(100);
        if (roll < 70) {
            const int arrows[] = {key_right, key_left, key_up, key_down};
            const long held = 5 + next(55);
            s.press(t, arrows[next(4)], held);
            t += held + 1;
        } else if (roll < 78) {
            const bool forward = world == 0 || (world < 3 && next(2) == 0);
            s.press(t, forward ? key_page_up : key_page_down, 2);
            world += forward ? 1 : -1;
            t += 20;
        } else if (roll < 85) {
            s.press(t, key_p, 2);
            s.press(t + 10 + next(30), key_c, 2);
            t += 60;
        } else if (roll < 90) {
            s.press(t, key_escape, 2);
            s.press(t + 10 + next(30), key_c, 2);
            t += 60;
        } else {
            t += 1 + next(30);
        }
    }
    return s;
}

double dump_number(const std::string& dump, const std::string& field) { return parse_dump(dump).num(field); }

}  // namespace

// ===========================================================================
// Soak
// ===========================================================================

TEST(Soak, RandomPlayKeepsMemoryFlat) {
    long frames = sanitized_build() ? 1500 : 5000;
    if (const char* v = std::getenv("TILEWORLD_SOAK_FRAMES")) frames = std::max(1000L, std::atol(v));
    GameFolder dir("game");
    const TempDir& outside = dir.outside;
    const std::string game = dir.path;
    Script s = random_play(frames, 20240611u);
    const std::string end_dump = outside.path + "end.txt";
    s.at(frames, "dump " + end_dump);
    s.at(frames + 1, "quit");
    const std::string script = outside.write("soak.txt", s.text);

    Watched w = run_watched(game,
                            {"TILEWORLD_SCRIPT=" + script, "TILEWORLD_DISPLAY=640x400",
                             "TILEWORLD_OUTPUT_FOLDER=" + outside.path},
                            static_cast<int>(300 + frames / 5));
    ASSERT_EQ(w.exit_code, 0) << w.err;
    const std::string dump = read_file(end_dump);
    ASSERT_FALSE(dump.empty()) << "the run did not reach its last frame\n" << w.err;
    EXPECT_EQ(dump_number(dump, "loop_state"), 18);
    EXPECT_GE(dump_number(dump, "world_number"), 0);
    EXPECT_LE(dump_number(dump, "world_number"), 3);
    EXPECT_EQ(dump_number(dump, "world_number"), dump_number(dump, "built_world_number"));
    ASSERT_GT(w.samples.size(), 10u);

    // The curve, in tenths of the run.
    std::string curve;
    for (int tenth = 1; tenth <= 10; ++tenth)
        curve += " " + std::to_string(peak_between(w.samples, (tenth - 1) / 10.0, tenth / 10.0) / 1024) + "M";
    std::printf("soak: %ld frames in %.1f s, score %.0f, peak resident memory per tenth of the run:%s\n", frames,
                w.samples.back().seconds, dump_number(dump, "shown_score"), curve.c_str());
    RecordProperty("resident_memory_curve_mb", curve);

    if (sanitized_build()) {
        // AddressSanitizer keeps freed memory in quarantine and its own
        // bookkeeping grows with it: resident memory says nothing there. The
        // run itself, free of sanitizer findings, is what counts.
        std::printf("soak: memory flatness is not measured under AddressSanitizer\n");
        return;
    }
    // After the warm-up (the first worlds built, every image and sound
    // loaded) the peak stays where it was: a small allowance for allocator
    // noise, nothing that grows with the number of frames.
    const long warm = peak_between(w.samples, 0.2, 0.5);
    const long late = peak_between(w.samples, 0.5, 1.0);
    EXPECT_LE(late, warm + warm / 20 + 4096) << "resident memory grew:" << curve;
}

// ===========================================================================
// Fault injection
// ===========================================================================

TEST(Soak, ThousandFaultsInOneRunAreEachReportedAndTheGameGoesOn) {
    GameFolder dir("game");
    const TempDir& outside = dir.outside;
    const std::string game = dir.path;
    const std::string log = game + "LOG/report.log";
    fs::remove(log);
    Script s;
    constexpr int faults = 1000;
    // Walking right now and then, so that faults also land in frames that move the figure.
    // A fault skips the rest of its frame, the flip included, so one fault
    // per presented frame means every other pass of the loop faults.
    for (int k = 0; k < faults; ++k) {
        const long frame = 100 + k;
        s.at(frame, "fault");
        if (k % 50 == 0) s.press(frame, 205, 20);
    }
    const long last = 100 + faults + 30;
    s.at(last, "dump " + outside.path + "end.txt");
    s.at(last + 1, "quit");
    const std::string script = outside.write("faults.txt", s.text);

    // Every report opens, writes and closes the log once: the kernel queues
    // those events until they are read (far more than a thousand). Opens are
    // watched too, since identical events in a row would be merged into one.
    const int watch = inotify_init1(IN_NONBLOCK);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, (game + "LOG").c_str(), IN_OPEN | IN_CLOSE_WRITE), 0);

    RunResult r = run_tileworld(
        game, {"TILEWORLD_SCRIPT=" + script, "TILEWORLD_DISPLAY=640x400", "TILEWORLD_OUTPUT_FOLDER=" + outside.path},
        600);
    ASSERT_EQ(r.exit_code, 0) << r.err;

    int reports = 0;
    alignas(inotify_event) char buffer[64 * 1024];
    for (ssize_t n; (n = read(watch, buffer, sizeof buffer)) > 0;) {
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
            if ((e->mask & IN_CLOSE_WRITE) && e->len > 0 && std::strcmp(e->name, "report.log") == 0) ++reports;
            at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        }
    }
    close(watch);
    EXPECT_EQ(reports, faults) << "one report per fault";

    // The game went on to its last frame as if nothing had happened.
    const std::string dump = read_file(outside.path + "end.txt");
    ASSERT_FALSE(dump.empty()) << r.err;
    EXPECT_EQ(dump_number(dump, "loop_state"), 18);
    EXPECT_GT(dump_number(dump, "time_ticks"), 0);

    // Exactly one report: the latest, six CR LF lines, nothing after it.
    EXPECT_EQ(fault_report_problem(read_file(log)), "");
}
