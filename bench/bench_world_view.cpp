// One world-view frame at 1920 x 1080 with 32-pixel cells (61 x 34 cells
// walked), two objects per cell, 500 wandering enemies, one player, the
// full-screen zoom and the HUD, headless:
//
// - BM_ViewLogic: draw_world_view with no screen open. The runtime's drawing
//   does nothing then, so this is the engine's own CPU per frame: the cell
//   walks, collision flags, enemy steps, the player pass and the HUD's pen.
// - BM_ViewFrame: the same frame on the offscreen screen, flipped, with a
//   one-pixel read-back so that the renderer's work is counted. Counters: the
//   main thread's CPU time in the view's passes (engine plus the runtime's
//   queuing of the quads), in the zoom (where the queued batch goes to the
//   renderer) and in the HUD with the end of the batch.
// - BM_BareFrame: a bare SDL loop drawing the same quads (one
//   SDL_RenderGeometry call per quad) into a render target, with the same
//   grab-and-stretch zoom, presented the same way.
//
// Run: build/bench/bench_world_view (SDL_VIDEODRIVER=offscreen is the default)
// On a shared machine add --benchmark_enable_random_interleaving=true
// --benchmark_repetitions=3 so that both frames see the same load.
// The last line prints view frame / bare frame.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "presentation/presentation.h"
#include "runtime/media_runtime.h"
#include "runtime/testing.h"
#include "support/media_files.h"
#include "support/test_support.h"

namespace {

constexpr int W = 1920, H = 1080, cell = 32, grid_side = 100, enemies = 500;
constexpr int object_side = 10, enemy_side = 16, glyph_w = 14, glyph_h = 20;
constexpr float anchors[2] = {4.0f, 18.0f};
constexpr int warm_up_frames = 3;
const char* const glyph_names[] = {"S", "C", "O", "R", "E", "T", "I", "M", "0", "1", "2",
                                   "3", "4", "5", "6", "7", "8", "9"};

tw::test::Rgba shade(int n) {
    return {static_cast<uint8_t>(40 + 50 * (n % 4)), static_cast<uint8_t>(200 - 30 * (n % 5)),
            static_cast<uint8_t>(90 + 20 * (n % 7)), 255};
}

double thread_cpu_ms() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// ---------------------------------------------------------------------------
// The world, built by hand as placement would leave it
// ---------------------------------------------------------------------------

int load_image(const tw::test::TempDir& folder, const std::string& name, int side_w, int side_h, tw::test::Rgba c) {
    return tw::load_sprite(-1, folder.write(name + ".png", tw::test::solid_png(side_w, side_h, c)),
                           tw::sprite_mode_3d);
}

// Every cell, object and enemy owns its own 3D sprite made from one of a few
// source images, as the engine's loaders make them.
void build_world(const tw::test::TempDir& folder) {
    using namespace tw;
    set_start_values();
    use_png_decoder();
    engine.screen_width = W;
    engine.screen_height = H;
    engine.resolution = cell;
    engine.view_cells_x = round_float(static_cast<float>(W) / cell, 1);
    engine.view_cells_y = round_float(static_cast<float>(H) / cell, 1);
    engine.full_screen_zoom = 1.0f;

    std::vector<int> cell_images, object_images;
    for (int n = 0; n < 4; ++n) cell_images.push_back(load_image(folder, "cell" + std::to_string(n), cell, cell, shade(n)));
    for (int n = 0; n < 2; ++n)
        object_images.push_back(load_image(folder, "object" + std::to_string(n), object_side, object_side, shade(n + 5)));
    const int enemy_image = load_image(folder, "enemy", enemy_side, enemy_side, shade(9));

    create_world_grid(grid_side - 1, grid_side - 1);
    for (int x = 0; x < grid_side; ++x)
        for (int y = 0; y < grid_side; ++y) {
            world_cell& c = cell_at(x, y);
            c.state = 1;
            c.alpha = 255;
            c.cell_sprite3d = create_sprite3d(-1, cell_images[static_cast<size_t>((x + y) % 4)]);
            c.child_instance.fill(-1);
            for (int k = 0; k < 2; ++k) {
                object_instance* o = list_add(engine.object_instances);
                o->sprite3d = create_sprite3d(-1, object_images[static_cast<size_t>(k)]);
                o->gfx_show = 1;
                o->alpha = 255;
                o->anchor_x = anchors[k];
                o->anchor_y = anchors[k];
                c.child_instance[static_cast<size_t>(k)] = list_index(engine.object_instances);
            }
            c.last_child_slot = 1;
        }
    random_seed(42);
    for (int n = 0; n < enemies; ++n) {
        const int32_t x = random(W - enemy_side), y = random(H - enemy_side);
        *list_add(engine.enemy_list) = {.pos_x = x, .pos_y = y, .alpha = 255,
                                        .sprite3d = create_sprite3d(-1, enemy_image), .random_move = 0,
                                        .velo_x = 8, .velo_y = 8, .d_move = 0, .change_direction = 10};
    }
    cursor_sprite* p = list_add(engine.cursor_sprites);
    p->sprite3d = create_sprite3d(-1, cell_images[0]);
    p->pos_x = W / 2;
    p->pos_y = H / 2;

    for (const char* g : glyph_names) folder.write(std::string(g) + ".png", tw::test::solid_png(glyph_w, glyph_h, shade(3)));
    std::string line;
    for (const char* g : glyph_names) line += g;
    folder.write("font.txt", line + "\r\n");
    engine.font_path = folder.path.substr(0, folder.path.size() - 1);
    engine.font_system = folder.path + "font.txt";
    load_sprite_font();
    engine.shown_score = 1234;
    engine.target_score = 1234;
    engine.time_ticks = 56;
}

bool open_screen() {
    const int window = tw::open_window(-1, 0, 0, W, H, "bench", tw::window_borderless);
    return window && tw::open_windowed_screen(tw::window_handle(window), 0, 0, W, H, 1, 0, 0);
}

// ---------------------------------------------------------------------------
// Through the engine
// ---------------------------------------------------------------------------

void BM_ViewLogic(benchmark::State& state) {
    tw::test::TempDir folder;
    build_world(folder);
    for (auto _ : state) tw::draw_world_view();
    tw::video_shutdown();
}

void BM_ViewFrame(benchmark::State& state) {
    if (!open_screen()) {
        state.SkipWithError("no screen (set SDL_VIDEODRIVER=offscreen)");
        return;
    }
    tw::test::TempDir folder;
    build_world(folder);
    std::vector<uint8_t> pixel;
    for (int n = 0; n < warm_up_frames; ++n) {  // textures made, shaders compiled
        tw::draw_world_view();
        tw::flip_buffers();
        tw::read_screen_pixels(1, 0, 0, 1, 1, pixel);
    }
    // The steps of draw_world_view, timed apart: the passes only queue quads;
    // the zoom's grab makes the renderer submit the queued batch, so its time
    // is mostly the renderer's.
    double passes = 0, zoom = 0, hud = 0;
    for (auto _ : state) {
        const double t0 = thread_cpu_ms();
        tw::clear_screen(tw::rgb(0, 0, 0));
        tw::begin_3d();
        tw::draw_cells();
        tw::draw_objects();
        tw::draw_enemies();
        tw::draw_players();
        const double t1 = thread_cpu_ms();
        tw::zoom_screen();
        const double t2 = thread_cpu_ms();
        tw::draw_hud();
        tw::end_3d();
        const double t3 = thread_cpu_ms();
        passes += t1 - t0;
        zoom += t2 - t1;
        hud += t3 - t2;
        tw::flip_buffers();
        tw::read_screen_pixels(1, 0, 0, 1, 1, pixel);
    }
    state.counters["passes_cpu_ms"] = benchmark::Counter(passes, benchmark::Counter::kAvgIterations);
    state.counters["zoom_cpu_ms"] = benchmark::Counter(zoom, benchmark::Counter::kAvgIterations);
    state.counters["hud_cpu_ms"] = benchmark::Counter(hud, benchmark::Counter::kAvgIterations);
    tw::video_shutdown();
}

// ---------------------------------------------------------------------------
// Bare SDL
// ---------------------------------------------------------------------------

struct BareQuad {
    SDL_Texture* texture;
    float x, y, w, h;
};

void quad(SDL_Renderer* r, const BareQuad& q) {
    static const int order[6] = {0, 1, 2, 0, 2, 3};
    const SDL_Color c{255, 255, 255, 255};
    SDL_Vertex v[4] = {{{q.x, q.y}, c, {0, 0}},
                       {{q.x + q.w, q.y}, c, {1, 0}},
                       {{q.x + q.w, q.y + q.h}, c, {1, 1}},
                       {{q.x, q.y + q.h}, c, {0, 1}}};
    SDL_RenderGeometry(r, q.texture, v, 4, order, 6);
}

SDL_Texture* solid_texture(SDL_Renderer* r, int w, int h, tw::test::Rgba c) {
    SDL_Texture* t = SDL_CreateTexture(r, SDL_PIXELFORMAT_ABGR8888, SDL_TEXTUREACCESS_STATIC, w, h);
    std::vector<tw::test::Rgba> px(static_cast<size_t>(w * h), c);
    SDL_UpdateTexture(t, nullptr, px.data(), w * 4);
    SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
    return t;
}

void BM_BareFrame(benchmark::State& state) {
    const BareScreen screen(W, H, state);
    if (!screen.renderer) return;
    SDL_Renderer* r = screen.renderer;
    SDL_Texture* back = screen.back;
    SDL_Texture* copy = SDL_CreateTexture(r, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, W, H);
    SDL_SetTextureBlendMode(copy, SDL_BLENDMODE_NONE);
    SDL_SetTextureScaleMode(copy, SDL_ScaleModeLinear);
    std::vector<SDL_Texture*> textures;
    for (int n = 0; n < 4; ++n) textures.push_back(solid_texture(r, cell, cell, shade(n)));
    for (int n = 0; n < 2; ++n) textures.push_back(solid_texture(r, object_side, object_side, shade(n + 5)));
    textures.push_back(solid_texture(r, enemy_side, enemy_side, shade(9)));
    SDL_Texture* glyph = solid_texture(r, glyph_w, glyph_h, shade(3));

    // The quads of the view's frame, in the view's order.
    const int cols = W / cell + 1, rows = (H + cell - 1) / cell;
    std::vector<BareQuad> world;
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < cols; ++i)
            world.push_back({textures[static_cast<size_t>((i + j) % 4)], float(i * cell), float(j * cell), cell, cell});
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < cols; ++i)
            for (int k = 0; k < 2; ++k)
                world.push_back({textures[static_cast<size_t>(4 + k)], i * cell + anchors[k], j * cell + anchors[k],
                                 object_side, object_side});
    tw::random_seed(42);
    for (int n = 0; n < enemies; ++n)
        world.push_back({textures[6], float(tw::random(W - enemy_side)), float(tw::random(H - enemy_side)),
                         enemy_side, enemy_side});
    world.push_back({textures[0], W / 2.0f, H / 2.0f, cell, cell});
    std::vector<BareQuad> hud;
    for (int n = 0; n < 16; ++n) hud.push_back({glyph, 100.0f + n * glyph_w * 0.8f, 54, glyph_w, glyph_h});

    uint8_t pixel[4];
    SDL_Rect one{0, 0, 1, 1};
    SDL_Rect grab{1, 1, W - 1, H - 1};
    SDL_Rect grab_to{0, 0, W - 1, H - 1};
    const auto frame = [&] {
        SDL_SetRenderTarget(r, back);
        SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
        SDL_RenderClear(r);
        for (const BareQuad& q : world) quad(r, q);
        SDL_SetRenderTarget(r, copy);  // the zoom: copy the frame, stretch it back
        SDL_RenderCopy(r, back, &grab, &grab_to);
        SDL_SetRenderTarget(r, back);
        SDL_RenderCopy(r, copy, nullptr, nullptr);
        for (const BareQuad& q : hud) quad(r, q);
        SDL_SetRenderTarget(r, nullptr);
        SDL_RenderCopy(r, back, nullptr, nullptr);
        SDL_RenderPresent(r);
        SDL_RenderReadPixels(r, &one, SDL_PIXELFORMAT_RGBA32, pixel, 4);
    };
    for (int n = 0; n < warm_up_frames; ++n) frame();
    for (auto _ : state) frame();
    for (SDL_Texture* t : textures) SDL_DestroyTexture(t);
    SDL_DestroyTexture(glyph);
    SDL_DestroyTexture(copy);
}

BENCHMARK(BM_ViewLogic)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ViewFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_BareFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

int main(int argc, char** argv) {
    return run_and_print_ratios(argc, argv, [](const RatioReporter& reporter) {
        const auto view = reporter.totals.find("BM_ViewFrame"), bare = reporter.totals.find("BM_BareFrame");
        if (view != reporter.totals.end() && bare != reporter.totals.end() && bare->second > 0)
            std::printf("view frame / bare SDL frame: %.2f\n", view->second / bare->second);
    });
}
