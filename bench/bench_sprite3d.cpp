// N textured 32x32 quads per frame at 1280x720, headless: through the
// runtime's 3D sprites (batched between begin_3d and end_3d, drawn into the
// back buffer and flipped) against a bare loop of one SDL_RenderGeometry call
// per quad into a render target that is then presented the same way. Each
// frame ends with a one-pixel read-back so that the renderer's work is
// counted, not only the queuing. Textures: 1 (every quad alike) or 4 (every
// quad changes texture; the runtime keeps small images on one shared texture,
// the bare loop switches textures for every quad).
//
// Run: SDL_VIDEODRIVER=offscreen build/bench/bench_sprite3d
// On a shared machine add --benchmark_enable_random_interleaving=true
// --benchmark_repetitions=3 so that both sides see the same load.
// The last lines print runtime time / bare time for each case.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "runtime/media_runtime.h"
#include "runtime/testing.h"

namespace {

constexpr int W = 1280, H = 720, side = 32;

int quad_x(int i) { return (i * 37) % (W - side); }

// Image t: a coloured square with a white centre, as 0xAARRGGBB.
std::vector<uint32_t> source_pixels(int t) {
    std::vector<uint32_t> px(static_cast<size_t>(side * side));
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const bool inner = x >= 8 && x < 24 && y >= 8 && y < 24;
            px[static_cast<size_t>(y * side + x)] =
                inner ? 0xFFFFFFFFu
                      : 0xFF000000u | (static_cast<uint32_t>(60 * t) << 16) | (200u << 8) |
                            static_cast<uint32_t>(255 - 60 * t);
        }
    return px;
}

// An uncompressed 32-bit top-left TGA (its bytes are B, G, R, A).
void write_tga(const std::string& path, const std::vector<uint32_t>& px) {
    unsigned char header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, side, 0, side, 0, 32, 0x28};
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(header, 1, sizeof header, f);
    std::fwrite(px.data(), 4, px.size(), f);
    std::fclose(f);
}
int quad_y(int i) { return (i * 53) % (H - side); }

// ---------------------------------------------------------------------------
// Through the runtime
// ---------------------------------------------------------------------------

void BM_Runtime(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0)), textures = static_cast<int>(state.range(1));
    int window = tw::open_window(-1, 0, 0, W, H, "bench", tw::window_borderless);
    if (!window || !tw::open_windowed_screen(tw::window_handle(window), 0, 0, W, H, 1, 0, 0)) {
        state.SkipWithError("no screen (set SDL_VIDEODRIVER=offscreen)");
        return;
    }
    // Source images loaded from files, as the engine loads its graphics.
    std::vector<int> sprites;
    char folder[] = "/tmp/tileworld-bench-XXXXXX";
    if (!mkdtemp(folder)) {
        state.SkipWithError("no temporary folder");
        return;
    }
    tw::use_tga_decoder();
    for (int t = 0; t < textures; ++t) {
        const std::string path = std::string(folder) + "/" + std::to_string(t) + ".tga";
        write_tga(path, source_pixels(t));
        sprites.push_back(tw::load_sprite(-1, path, tw::sprite_mode_3d));
        std::remove(path.c_str());
    }
    rmdir(folder);
    std::vector<int> quads;
    for (int i = 0; i < n; ++i) quads.push_back(tw::create_sprite3d(-1, sprites[static_cast<size_t>(i % textures)]));
    std::vector<uint8_t> pixel;
    for (auto _ : state) {
        tw::clear_screen(0);
        tw::begin_3d();
        for (int i = 0; i < n; ++i) tw::draw_sprite3d(quads[static_cast<size_t>(i)], quad_x(i), quad_y(i), 200);
        tw::end_3d();
        tw::flip_buffers();
        tw::read_screen_pixels(1, 0, 0, 1, 1, pixel);
    }
    state.counters["quads/s"] = benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate);
    tw::video_shutdown();
}

// ---------------------------------------------------------------------------
// Bare SDL
// ---------------------------------------------------------------------------

void BM_BareSdl(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0)), textures = static_cast<int>(state.range(1));
    const BareScreen screen(W, H, state);
    if (!screen.renderer) return;
    SDL_Renderer* r = screen.renderer;
    SDL_Texture* back = screen.back;
    std::vector<SDL_Texture*> tex;
    for (int t = 0; t < textures; ++t) {
        std::vector<uint32_t> px = source_pixels(t);
        SDL_Texture* t0 = SDL_CreateTexture(r, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, side, side);
        SDL_UpdateTexture(t0, nullptr, px.data(), side * 4);
        SDL_SetTextureBlendMode(t0, SDL_BLENDMODE_BLEND);
        tex.push_back(t0);
    }
    const int order[6] = {0, 1, 2, 0, 2, 3};
    uint8_t pixel[4];
    SDL_Rect one{0, 0, 1, 1};
    for (auto _ : state) {
        SDL_SetRenderTarget(r, back);
        SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
        SDL_RenderClear(r);
        for (int i = 0; i < n; ++i) {
            const float x = static_cast<float>(quad_x(i)), y = static_cast<float>(quad_y(i)), s = side;
            const SDL_Color c{255, 255, 255, 200};
            SDL_Vertex v[4] = {{{x, y}, c, {0, 0}},
                               {{x + s, y}, c, {1, 0}},
                               {{x + s, y + s}, c, {1, 1}},
                               {{x, y + s}, c, {0, 1}}};
            SDL_RenderGeometry(r, tex[static_cast<size_t>(i % textures)], v, 4, order, 6);
        }
        SDL_SetRenderTarget(r, nullptr);
        SDL_RenderCopy(r, back, nullptr, nullptr);
        SDL_RenderPresent(r);
        SDL_RenderReadPixels(r, &one, SDL_PIXELFORMAT_RGBA32, pixel, 4);
    }
    state.counters["quads/s"] = benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate);
    for (SDL_Texture* t : tex) SDL_DestroyTexture(t);
}

void cases(benchmark::internal::Benchmark* b) {
    for (int n : {1000, 10000})
        for (int textures : {1, 4}) b->Args({n, textures});
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_Runtime)->Apply(cases);
BENCHMARK(BM_BareSdl)->Apply(cases);

}  // namespace

int main(int argc, char** argv) {
    return run_and_print_ratios(argc, argv, [](const RatioReporter& reporter) {
        for (const auto& [name, time] : reporter.times) {
            if (name.rfind("BM_Runtime/", 0) != 0) continue;
            if (name.find("_stddev") != std::string::npos || name.find("_cv") != std::string::npos) continue;
            std::string args = name.substr(std::string("BM_Runtime/").size());
            auto bare = reporter.times.find("BM_BareSdl/" + args);
            if (bare == reporter.times.end() || bare->second <= 0) continue;
            std::printf("runtime / bare SDL, quads/textures %s: %.2f\n", args.c_str(), time / bare->second);
        }
    });
}
