// assets: object definitions, object files, graphics lists and the loading
// screen, placement of objects and enemies, sound effects.
#pragma once

#include "core/engine_state.h"
#include "core/line_pairs.h"

namespace tw {

// --- object definitions (assets/definitions.cpp) ---
void load_object_definitions();
text definition_file_path(const text& image_path, const text& gfx_codec);  // cut + ".dll"
void apply_definition_key(object_definition& d, const text& key, const text& value);
std::vector<key_description> definition_keys();   // the keys, in the order they are tested

// --- object files (assets/object_files.cpp) ---
void read_object_file(int32_t x, int32_t y, const text& path);
void apply_object_file(world_cell& c, const object_file_contents& contents);
void assign_cell_graphic(int32_t x, int32_t y, const text& name);
int32_t find_world_graphic(const text& name);  // index in world_graphics, -1 none
void give_cell_graphic(world_cell& c, int32_t graphic);  // -1 or out of range: unchanged
int32_t cell_quad(world_cell& c);             // the cell's 3D sprite, made on first use
// The parsed pairs of an object file, read once per build (engine.object_file_cache).
const object_file_contents& cached_object_file(const text& path);
std::vector<key_description> object_file_keys();  // every key object files may hold, in test order

// --- graphics lists and loading screen (assets/graphics_lists.cpp) ---
void show_loading_screen();
text loading_screen_name(const text& load_screen);  // first "#" replaced by random(1)
void load_world_graphics();
void clear_asset_lists();
void load_cursor_sprites(int32_t x, int32_t y);

// --- placement and spawning (assets/placement.cpp) ---
void place_cell_children(int32_t x, int32_t y);
void spawn_enemies();
// One object of the definition at `definition_index` in the cell's first free
// slot; false when all eight slots hold objects. No chance is drawn.
bool place_object_on_cell(int32_t x, int32_t y, int32_t definition_index);
// One enemy of that definition on the cell, whatever MAXFOE says.
bool place_enemy_on_cell(int32_t x, int32_t y, int32_t definition_index);
void anchor_instance(object_instance& inst, const object_definition& def);
void anchor_enemy(enemy& e, const object_definition& def);

// --- sound effects (assets/sound_effects.cpp) ---
void load_sound_effects();

}  // namespace tw
