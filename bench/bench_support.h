// What the benchmarks that compare the runtime with bare SDL share: the bare
// screen and a reporter that keeps the times for the ratios printed last.
#pragma once

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

// A renderer for the window as the runtime opens its own: batching on, the
// OpenGL driver where there is one, vsync, render targets. Null without.
inline SDL_Renderer* open_bare_renderer(SDL_Window* window) {
    if (!window) return nullptr;
    SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
    int gl = -1;
    for (int i = 0; i < SDL_GetNumRenderDrivers(); ++i) {
        SDL_RendererInfo info{};
        if (SDL_GetRenderDriverInfo(i, &info) == 0 && std::string(info.name) == "opengl") gl = i;
    }
    return SDL_CreateRenderer(window, gl,
                              SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC | SDL_RENDERER_TARGETTEXTURE);
}

// A bare SDL renderer, opened as the runtime opens its own (batching on, the
// OpenGL driver where there is one, vsync, render targets), in a borderless
// window, with a back buffer to draw into. Without a renderer the benchmark
// is skipped. Closed, with SDL's video, on destruction.
struct BareScreen {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* back = nullptr;

    BareScreen(int w, int h, benchmark::State& state) {
        SDL_InitSubSystem(SDL_INIT_VIDEO);
        window = SDL_CreateWindow("bare", 0, 0, w, h, SDL_WINDOW_BORDERLESS);
        renderer = open_bare_renderer(window);
        if (!renderer) {
            state.SkipWithError("no renderer");
            return;
        }
        back = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, w, h);
        SDL_SetTextureBlendMode(back, SDL_BLENDMODE_NONE);
    }
    ~BareScreen() {
        if (back) SDL_DestroyTexture(back);
        if (renderer) SDL_DestroyRenderer(renderer);
        if (window) SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    BareScreen(const BareScreen&) = delete;
    BareScreen& operator=(const BareScreen&) = delete;
};

// The console reporter, keeping each run's real time per iteration by the
// run's name (aggregates included), and summed over the repetitions by the
// benchmark's function.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> times;
    std::map<std::string, double> totals;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            times[run.benchmark_name()] = run.GetAdjustedRealTime();
            if (run.run_type == Run::RT_Iteration) totals[run.run_name.function_name] += run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

// The main function of such a benchmark: SDL offscreen unless the
// environment says otherwise, every benchmark asked for, then `print` with
// the times kept.
inline int run_and_print_ratios(int argc, char** argv, const std::function<void(const RatioReporter&)>& print) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    print(reporter);
    benchmark::Shutdown();
    return 0;
}
