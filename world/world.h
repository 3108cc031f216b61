// world: the grid and its building, the labyrinth generator, the saved-world
// files and the progress bars shown while a world is made.
#pragma once

#include "core/engine_state.h"

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

// --- progress bars (world/progress_bar.cpp) ---
void build_progress_tick();
void load_progress_tick();
void finish_progress_bar();  // draws the bar's last state where no presentation did

}  // namespace tw
