// world: the grid and its building, the labyrinth generator, the saved-world
// files and the progress bars shown while a world is made.
#pragma once

#include <vector>

#include "core/engine_state.h"
#include "core/line_pairs.h"

namespace tw {

// Largest highest index a world may have in either direction.
constexpr int32_t max_world_index = 1024;

// --- building (world/build.cpp) ---
void build_world(const text& base_path);      // start-up build; fatal error 5 without a base
void rebuild_world();                         // for the current world_number
bool read_world_base(const text& base_path);  // world_base_width / _height; false: cannot be read
// The world for world_number as the main loop makes it when the player asks
// for another one (a generated world: rebuild_world).
void change_world();
// The current world made again from the files, in place (tileworld --watch):
// the start-up world as start-up builds it, another generated world through
// change_world, a saved world loaded afresh. Keeps world_number.
void reload_world();
void reload_saved_world();                    // emptied, then load_saved_world
void reset_world();
void clear_enemies();
void clear_cursor_sprites();
void size_cell_sprites();
void load_cell_object(int32_t x, int32_t y);  // object file, graphic, children
void compute_view_cells();                    // view_cells_x / view_cells_y
text object_file_folder();                    // rgb_code_path + app_start + "\"
text object_file_path(const world_cell& c);   // object_file_folder() + cell_type

// --- labyrinth (world/labyrinth.cpp) ---
void fill_walls(int32_t w, int32_t h);
void carve_floor(int32_t w, int32_t h);
void carve_green(int32_t w, int32_t h);
void carve_water(int32_t w, int32_t h);
void mark_edges();

// --- saved worlds (world/world_files.cpp) ---
inline constexpr const char* topography_extension = ".ai42";
inline constexpr const char* opacity_extension = ".red";
text saved_world_path(const text& extension);  // app_entry + app_start + extension
void load_saved_world(const text& topography_path);  // fatal error 4 without the file
void load_topography(int file, int32_t w, int32_t h);
void load_opacity(int file, int32_t w, int32_t h);

// --- designed worlds (world/designed_worlds.cpp) ---
// With PLAYSAVEDWORLD 1 a game's loaded worlds play: designed world 1 is the
// saved world, world n >= 2 has the stem APPENTRY + APPSTART + "-" + n, and
// the worlds are 1..N without a gap. Each may have a .place file.
inline constexpr const char* placement_extension = ".place";
constexpr int32_t max_designed_worlds = 9999;
struct placed_object {
    text name;           // DGFXNAME of the definition
    int32_t x = 0, y = 0;
    int line = 0;        // the value's line in the .place file
};
struct world_placements {
    bool exists = false;
    bool has_start = false;
    int32_t start_x = 0, start_y = 0;
    int start_line = 0;
    std::vector<placed_object> objects;
    std::vector<int> malformed;  // value lines not of their key's form, skipped
};
// What became of each OBJECT line when the world was built.
enum class placement_outcome { placed, enemy, unknown_name, outside, not_placed };
struct designed_world_report {
    world_placements placements;
    std::vector<placement_outcome> outcomes;  // by the position in placements.objects
    bool start_used = false;                  // START named a cell of the world
};
std::vector<key_description> placement_keys();  // the .place file's keys, in test order
world_placements read_world_placements(const text& path);
text designed_world_path(int32_t n, const text& extension);  // n <= 1: the saved world's
int32_t designed_world_count();  // N: counting up from 1 while the .ai42 can be read
// Builds designed world n in place: seeded with WORLDRANDOM + n, the grid
// emptied, the files loaded, the placements, the figure, the enemies. false
// (nothing changed) when its topography cannot be read or has a size the
// engine refuses; at start-up that is the saved world's fatal error.
bool build_designed_world(int32_t n, bool at_start_up, designed_world_report* report);
void start_designed_worlds(designed_world_report* report = nullptr);  // start-up: world 1
void change_designed_world();   // the main loop: to world_number, kept within 1..N

// --- progress bars (world/progress_bar.cpp) ---
void build_progress_tick();
void load_progress_tick();
void finish_progress_bar();  // draws the bar's last state where no presentation did

}  // namespace tw
