// Start-up: the sample game from its start to its first presented world
// frame and out, against a bare SDL program that does the least any game
// must do before its first frame: video, audio and joystick set up, a
// borderless window at the display size, an accelerated renderer, a
// render-target texture, one present, quit. Both run headless (offscreen
// video, dummy audio) at the same display size, as separate processes,
// interleaved round by round so that both see the same machine load.
//
// Run: build/bench/bench_startup [--rounds N] [--size WxH] [--game BINARY]
// Prints each round's wall and CPU times, then the medians and the median of
// the per-round ratios game / bare. Exits 1 when the game fails.
//
// build/bench/bench_startup --bare runs the yardstick once, on its own.
#include <SDL.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "bench/bench_support.h"

namespace {

// ---------------------------------------------------------------------------
// The yardstick
// ---------------------------------------------------------------------------

int run_bare() {
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO | SDL_INIT_JOYSTICK) != 0) return 1;
    int w = 0, h = 0;
    const char* size = std::getenv("TILEWORLD_DISPLAY");
    if (!size || std::sscanf(size, "%dx%d", &w, &h) != 2) {
        SDL_DisplayMode m{};
        SDL_GetDesktopDisplayMode(0, &m);
        w = m.w;
        h = m.h;
    }
    SDL_Window* window = SDL_CreateWindow("bare", 0, 0, w, h, SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN);
    SDL_Renderer* r = open_bare_renderer(window);
    SDL_Texture* target = r ? SDL_CreateTexture(r, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, w, h) : nullptr;
    if (!target) return 1;
    SDL_SetRenderTarget(r, target);
    SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
    SDL_RenderClear(r);
    SDL_SetRenderTarget(r, nullptr);
    SDL_RenderCopy(r, target, nullptr, nullptr);
    SDL_RenderPresent(r);
    SDL_DestroyTexture(target);
    SDL_DestroyRenderer(r);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}

// ---------------------------------------------------------------------------
// Timing child processes
// ---------------------------------------------------------------------------

struct Timing {
    double wall_ms = 0;
    double cpu_ms = 0;  // user + system of the child and its threads
    bool ok = false;
};

double now_ms() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double ms(const timeval& t) { return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3; }

Timing run(const std::vector<std::string>& argv, const std::string& folder) {
    Timing t;
    const double start = now_ms();
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0) _exit(127);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        // Quiet: the game's one-line notices would interleave with the table.
        if (std::freopen("/dev/null", "w", stderr) == nullptr) _exit(127);
        execv(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return t;
    t.wall_ms = now_ms() - start;
    t.cpu_ms = ms(usage.ru_utime) + ms(usage.ru_stime);
    t.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return t;
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string self_path() {
    std::vector<char> buf(4096);
    const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    return n > 0 ? std::string(buf.data(), static_cast<size_t>(n)) : std::string();
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 9;
    std::string size = "1920x1080";
    bool bare = false;
    std::string binary = TILEWORLD_BINARY;  // --game: another build, for figures before a change
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--bare") bare = true;
        else if (a == "--rounds" && i + 1 < argc) rounds = std::max(1, std::atoi(argv[++i]));
        else if (a == "--size" && i + 1 < argc) size = argv[++i];
        else if (a == "--game" && i + 1 < argc) binary = argv[++i];
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("TILEWORLD_DISPLAY", size.c_str(), 0);
    if (bare) return run_bare();

    // The game quits after the first frame of its main loop: the script's
    // quit, due once a frame was presented, ends the loop after that pass.
    char folder[] = "/tmp/tileworld-bench-start-XXXXXX";
    if (!mkdtemp(folder)) return 1;
    const std::string script = std::string(folder) + "/quit.txt";
    if (FILE* f = std::fopen(script.c_str(), "w")) {
        std::fputs("at 1 quit\n", f);
        std::fclose(f);
    }
    setenv("TILEWORLD_SCRIPT", script.c_str(), 1);

    const std::string game_dir = std::string(TILEWORLD_SOURCE_DIR) + "/game";
    const std::vector<std::string> game = {binary};
    const std::vector<std::string> yardstick = {self_path(), "--bare"};

    std::vector<double> game_wall, bare_wall, game_cpu, bare_cpu, wall_ratio, cpu_ratio;
    std::printf("round   game wall   bare wall  ratio    game cpu    bare cpu  ratio\n");
    bool failed = false;
    for (int n = 0; n < rounds; ++n) {
        // Alternate which one goes first, so neither always gets the warm cache.
        Timing g, b;
        if (n % 2 == 0) {
            g = run(game, game_dir);
            b = run(yardstick, game_dir);
        } else {
            b = run(yardstick, game_dir);
            g = run(game, game_dir);
        }
        if (!g.ok || !b.ok) {
            std::printf("%5d  %s failed\n", n + 1, g.ok ? "bare" : "game");
            failed = true;
            continue;
        }
        game_wall.push_back(g.wall_ms);
        bare_wall.push_back(b.wall_ms);
        game_cpu.push_back(g.cpu_ms);
        bare_cpu.push_back(b.cpu_ms);
        wall_ratio.push_back(g.wall_ms / b.wall_ms);
        cpu_ratio.push_back(g.cpu_ms / b.cpu_ms);
        std::printf("%5d  %8.0f ms %8.0f ms  %5.2f %8.0f ms %8.0f ms  %5.2f\n", n + 1, g.wall_ms, b.wall_ms,
                    wall_ratio.back(), g.cpu_ms, b.cpu_ms, cpu_ratio.back());
        std::fflush(stdout);
    }
    unlink(script.c_str());
    rmdir(folder);
    if (!wall_ratio.empty()) {
        std::printf("median %8.0f ms %8.0f ms  %5.2f %8.0f ms %8.0f ms  %5.2f\n", median(game_wall),
                    median(bare_wall), median(wall_ratio), median(game_cpu), median(bare_cpu), median(cpu_ratio));
        std::printf("start-up to first frame / bare SDL: %.2f (wall, median of rounds)\n", median(wall_ratio));
    }
    return failed ? 1 : 0;
}
