// World building: a rebuild of a 256 x 256 and of a 1024 x 1024 labyrinth,
// headless, with a game folder of realistic object files, object definitions
// and cell graphics; each once with object files read once per build and once
// read afresh for every cell load. Reports the resident memory after the
// build and the peak resident memory of the process.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "assets/assets.h"
#include "runtime/media_runtime.h"
#include "support/game_folder.h"
#include "world/world.h"

namespace {

using tw::test::crlf;

// ===========================================================================
// The game folder
// ===========================================================================

struct GameFolder : tw::test::GameFolder {
    GameFolder() {
        // Object files of the ten labyrinth types, with the keys games use.
        struct Type { const char* name; const char* gfx; const char* children; int collision; int enemy; };
        const Type types[] = {
            {"LAB_WALL", "wall.bmp", "rock", 1, 0},       {"LAB_FLOOR", "floor.bmp", "coin,gem", 0, 1},
            {"LAB_GREEN", "green.bmp", "oak,fern", 1, 0}, {"LAB_WATER", "water.bmp", "lily", 1, 0},
            {"LAB_WALL_E", "wall_e.bmp", "coin", 0, 1},   {"LAB_GREEN_E", "green_e.bmp", "fern", 0, 1},
            {"LAB_WATER_E", "water_e.bmp", "", 0, 1},     {"LAB_WALL_S", "wall_s.bmp", "coin", 0, 1},
            {"LAB_GREEN_S", "green_s.bmp", "fern", 0, 1}, {"LAB_WATER_S", "water_s.bmp", "", 0, 1},
        };
        for (const Type& t : types) {
            std::vector<std::string> lines = {"INTERNALNAME", t.name, "GFXNAME", t.gfx, "RANDOMSEED", "0"};
            std::string children = t.children;
            int slot = 1;
            size_t at = 0;
            while (!children.empty() && at <= children.size()) {
                size_t comma = children.find(',', at);
                if (comma == std::string::npos) comma = children.size();
                lines.push_back("CHILD" + std::to_string(slot++));
                lines.push_back(children.substr(at, comma - at));
                at = comma + 1;
            }
            lines.push_back("CHILD" + std::to_string(slot));
            lines.push_back("#");
            for (const std::string& extra :
                 {std::string("USECOLLISION"), std::to_string(t.collision), std::string("TRANSPARENCY"),
                  std::string("0"), std::string("USEENEMY"), std::to_string(t.enemy),
                  std::string("USEDIRECTION"), std::string("DEFAULT")})
                lines.push_back(extra);
            write(std::string("types/lab/") + t.name, crlf(lines));
            picture(std::string("gfx/") + t.gfx, 8, 8, {90, 120, 60});
        }

        // Object definitions: pickups on floors, plants on green, enemies.
        struct Def { const char* name; int density; int collision; int enemy; };
        const Def defs[] = {{"coin", 30, 1, 0}, {"gem", 200, 1, 0},  {"rock", 60, 0, 0}, {"oak", 8, 0, 0},
                            {"fern", 5, 0, 0},  {"lily", 10, 0, 0}, {"slime", 400, 0, 1}};
        for (const Def& d : defs) {
            picture("objects/" + std::string(d.name) + ".bmp", 8, 8, {200, 180, 40});
            write("objects/" + std::string(d.name) + ".dll",
                  crlf({"DGFXNAME", d.name, "DDENSITY", std::to_string(d.density), "DCOLLISION",
                        std::to_string(d.collision), "DFITTOMATRIX", "1", "DHOTSPOT", "CENTER", "DGFXSHOW", "1",
                        "DSCORE", "10", "DISENEMY", std::to_string(d.enemy), "DAILEVEL", "1"}));
        }
        write("cursor/figure.png", "not decoded");
    }
};

// ===========================================================================
// Engine set-up and memory
// ===========================================================================

void set_up_engine(const GameFolder& folder, int32_t map_size) {
    using namespace tw;
    set_start_values();
    create_world_grid(512, 512);
    const std::string& root = folder.path;
    engine.screen_width = 1920;
    engine.screen_height = 1080;
    engine.resolution = 32;
    engine.res_base_w = 1920;
    engine.rgb_code_path = root + "types/";
    engine.app_start = "lab";
    engine.topo_gfx_path = root + "gfx/";
    engine.world_gfx_path = root + "objects/";
    engine.cursor_path = root + "cursor/";
    engine.gfx_codec = ".bmp";
    engine.use_extended_topo = 1;
    engine.lab_switch = 4;
    engine.max_foe = 200;
    engine.world_random = 1234;
    engine.map_size_x = map_size;
    engine.map_size_y = map_size;
    engine.world_base_width = 2 * map_size;  // every rebuild reaches the map size
    engine.world_base_height = 2 * map_size;
    load_world_graphics();
    clear_asset_lists();
}

// Kilobytes of a /proc/self/status line such as "VmRSS:".
double status_kb(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0) return std::atof(line.c_str() + std::string(key).size());
    return 0;
}

// Frees what a case made, so the next case's memory figures are its own.
void release_world() {
    using namespace tw;
    engine.world_width = engine.world_height = 0;
    clear_cursor_sprites();
    clear_enemies();
    reset_world();
    for (int i = 0; i < list_size(engine.object_definitions); ++i)
        free_sprite(list_at(engine.object_definitions, i)->sprite);
    for (int i = 0; i < list_size(engine.world_graphics); ++i)
        free_sprite(list_at(engine.world_graphics, i)->sprite);
    set_start_values();
}

void BM_RebuildWorld(benchmark::State& state) {
    const int32_t size = static_cast<int32_t>(state.range(0));
    const bool cached = state.range(1) != 0;
    GameFolder folder;
    set_up_engine(folder, size);
    tw::engine.object_file_cache_off = !cached;
    for (auto _ : state) {
        tw::engine.world_number += 1;
        tw::rebuild_world();
    }
    state.counters["cells"] = static_cast<double>(tw::engine.world_width + 1) * (tw::engine.world_height + 1);
    state.counters["objects"] = tw::list_size(tw::engine.object_instances);
    state.counters["enemies"] = tw::list_size(tw::engine.enemy_list);
    state.counters["rss_MB"] = status_kb("VmRSS:") / 1024.0;
    state.counters["peak_rss_MB"] = status_kb("VmHWM:") / 1024.0;
    state.SetLabel(cached ? "each object file read once" : "object files read at every cell load");
    release_world();
}

// The large cached build runs first, so the peak it reports is its own.
BENCHMARK(BM_RebuildWorld)
    ->Args({1024, 1})
    ->Args({256, 1})
    ->Args({256, 0})
    ->Args({1024, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
