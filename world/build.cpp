// build: the world grid's life cycle. The start-up build draws a world from
// the base file and the seed, a rebuild draws the world of the current world
// number, and both empty the grid, the placed objects, the enemies and the
// cursor figures before the labyrinth generator fills the grid again.
#include "world/world.h"

#include <algorithm>
#include <vector>

#include "assets/assets.h"
#include "core/core.h"
#include "runtime/media_runtime.h"

namespace tw {

namespace {

// ===========================================================================
// Helpers
// ===========================================================================

// The grid never shrinks below 257 x 257 cells, so every world up to that size
// lives in a grid of the same shape however small it is.
constexpr int32_t min_grid_index = 256;

// Half a base size for the size draws; a negative base counts as 0.
int32_t half_base(int32_t base) { return base < 0 ? 0 : base / 2; }

// world_random + world_number, wrapping in 32 bits like the seed arithmetic.
int32_t world_seed() {
    return static_cast<int32_t>(static_cast<uint32_t>(engine.world_random) +
                                static_cast<uint32_t>(engine.world_number));
}

// A rebuilt size: the drawn size limited by the map size.
int32_t limit_to_map(int64_t drawn, int32_t map_size) {
    if (drawn > map_size || drawn < 1) drawn = map_size;
    // The configuration already keeps map sizes within max_world_index; this
    // guards a map size set any other way.
    return static_cast<int32_t>(std::min<int64_t>(drawn, max_world_index));
}

// Frees the 3D sprite of every cell of the grid and empties the grid at the
// given size. Every cell is visited, not just the first 257 x 257, since the
// grid grows with the world. A grid that already has the size is emptied in
// place: its memory is in use already, which makes that cheaper than new.
void empty_grid(int32_t max_x, int32_t max_y) {
    world_grid_t& g = engine.world_grid;
    // Cells make their 3D sprites when first drawn; where none was drawn the
    // walk is skipped, which leaves a large grid's untouched memory untouched.
    if (g.cell_sprites3d_made)
        for (world_cell& c : g.cells)
            if (c.cell_sprite3d != 0 && is_sprite3d(c.cell_sprite3d)) free_sprite3d(c.cell_sprite3d);
    g.cell_sprites3d_made = false;
    if (g.max_x == max_x && g.max_y == max_y) {
        g.cells.empty_all();
        g.child_blocks.clear();
        g.cells_sized = false;
    } else {
        create_world_grid(max_x, max_y);
    }
}

// The object file path of each cell type, made once rather than at every cell
// load; remade when the folder settings change.
const text& cell_object_path(name_id type) {
    static text rgb_code_path, app_start;
    static std::vector<text> paths;  // by type id; empty = not made yet
    if (rgb_code_path != engine.rgb_code_path || app_start != engine.app_start) {
        rgb_code_path = engine.rgb_code_path;
        app_start = engine.app_start;
        paths.clear();
    }
    size_t i = static_cast<size_t>(type);
    if (i >= paths.size()) paths.resize(i + 1);
    if (paths[i].empty()) paths[i] = object_file_folder() + name_text(type);
    return paths[i];
}

// The object file of each cell type, found once per build.
const object_file_contents& type_object_file(name_id type) {
    if (engine.object_file_cache_off) return cached_object_file(cell_object_path(type));
    auto& by_type = engine.object_file_cache.by_type;
    const size_t i = static_cast<size_t>(type);
    if (i >= by_type.size()) by_type.resize(i + 1, nullptr);
    if (!by_type[i]) by_type[i] = &cached_object_file(cell_object_path(type));
    return *by_type[i];
}

// The world graphic of each graphic name, found once per build.
int32_t graphic_named(name_id gfx) {
    auto& by_name = engine.object_file_cache.graphic_by_name;
    const size_t i = static_cast<size_t>(gfx);
    if (i >= by_name.size()) by_name.resize(i + 1, 0);
    if (by_name[i] == 0) {
        const int32_t found = find_world_graphic(name_text(gfx));
        by_name[i] = found < 0 ? -1 : found + 1;
    }
    return by_name[i] < 0 ? -1 : by_name[i] - 1;
}

// The labyrinth passes, then the enemies, then the cell sprite sizes.
void generate_world() {
    fill_walls(engine.world_width, engine.world_height);
    carve_floor(engine.world_width, engine.world_height);
    carve_green(engine.world_width, engine.world_height);
    carve_water(engine.world_width, engine.world_height);
    mark_edges();
    spawn_enemies();
    size_cell_sprites();
    finish_progress_bar();
    // What the build looked up is not needed until the next one.
    engine.object_file_cache.clear();
}

}  // namespace

// ===========================================================================
// Builds
// ===========================================================================

bool read_world_base(const text& base_path) {
    int file = open_file_read(-1, base_path);
    if (file == 0) return false;
    read_line(file);
    engine.world_base_width = text_to_int(read_line(file));
    engine.world_base_height = text_to_int(read_line(file));
    read_line(file);
    read_line(file);
    close_file(file);
    return true;
}

void build_world(const text& base_path) {
    if (!read_world_base(base_path)) {
        fatal_error(fatal_world_base);
        return;
    }

    // Seeded twice: the second seed is the low word of the first seeding's
    // last warm-up step. world_number is 0 at start-up.
    uint32_t b = random_seed(world_seed());
    random_seed(static_cast<int32_t>(b));

    int32_t half_w = half_base(engine.world_base_width);
    int32_t half_h = half_base(engine.world_base_height);
    int64_t w = random(half_w);
    w += random(half_w);
    int64_t h = random(half_h);
    h += random(half_h);
    // The grid is sized to the world, up to the largest world the engine
    // handles; a base that draws a larger world is refused.
    if (w > max_world_index || h > max_world_index) {
        fatal_error(fatal_world_base);
        return;
    }
    engine.world_width = static_cast<int32_t>(w);
    engine.world_height = static_cast<int32_t>(h);

    engine.object_file_cache.clear();  // object files edited since are read afresh
    clear_cursor_sprites();
    reset_world();
    clear_enemies();
    generate_world();
    engine.move_step = nearest(engine.resolution);
    engine.start_up_world = 1;
}

void rebuild_world() {
    if (engine.world_number < 1) engine.world_number = 0;
    random_seed(world_seed());

    int32_t half_w = half_base(engine.world_base_width);
    int32_t half_h = half_base(engine.world_base_height);
    int64_t w = random(half_w);
    w += static_cast<int64_t>(half_w) + engine.world_number;
    int64_t h = random(half_h);
    h += static_cast<int64_t>(half_h) + engine.world_number;
    engine.world_width = limit_to_map(w, engine.map_size_x);
    engine.world_height = limit_to_map(h, engine.map_size_y);

    engine.object_file_cache.clear();  // object files edited since are read afresh
    clear_cursor_sprites();
    clear_enemies();
    reset_world();
    load_object_definitions();
    generate_world();
    engine.start_up_world = 0;
}

// The one way the main loop makes another world when world_number changed;
// a live reload makes the current world again through it too.
void change_world() { rebuild_world(); }

void reload_saved_world() {
    clear_cursor_sprites();
    clear_enemies();
    reset_world();
    // A saved world lives in a grid of at least 513 x 513 cells, as at start-up.
    const world_grid_t& g = engine.world_grid;
    if (g.max_x < 512 || g.max_y < 512) create_world_grid(std::max(512, g.max_x), std::max(512, g.max_y));
    // Placement draws chances: seeded, the same files give the same world.
    random_seed(engine.world_random);
    load_saved_world(saved_world_path(topography_extension));
    engine.start_up_world = 0;
}

void reload_world() {
    if (engine.use_self_create_base != 1 && engine.play_saved_world == 1) {
        // A designed world is seeded by its number: the same files give the
        // same world, placements and start.
        if (!build_designed_world(std::max<int32_t>(1, engine.world_number), false, nullptr))
            fatal_error(fatal_topographic_data);
    } else if (engine.use_self_create_base != 1) {
        reload_saved_world();
    } else if (engine.start_up_world == 1) {
        // World 0 as made at start-up is not the world 0 a rebuild makes.
        build_world(engine.self_create_base_path);
    } else {
        // The base may have changed (or not been read, when the game started
        // on a saved world): a rebuild draws from its sizes.
        if (!read_world_base(engine.self_create_base_path)) {
            fatal_error(fatal_world_base);
            return;
        }
        change_world();
    }
}

// ===========================================================================
// Emptying
// ===========================================================================

void reset_world() {
    engine.view_origin_x = 0;
    engine.view_origin_y = 0;
    list_clear(engine.floor_cells);

    List<object_instance>& instances = engine.object_instances;
    for (int i = 0; i < list_size(instances); ++i) {
        int32_t s = list_at(instances, i)->sprite3d;
        if (s != 0 && is_sprite3d(s)) free_sprite3d(s);
    }
    list_clear(instances);

    empty_grid(std::clamp(engine.world_width, min_grid_index, max_world_index),
               std::clamp(engine.world_height, min_grid_index, max_world_index));
}

void clear_enemies() {
    List<enemy>& enemies = engine.enemy_list;
    for (int i = 0; i < list_size(enemies); ++i) {
        int32_t s = list_at(enemies, i)->sprite3d;
        if (s != 0 && is_sprite3d(s)) free_sprite3d(s);
    }
    list_clear(enemies);
}

void clear_cursor_sprites() {
    List<cursor_sprite>& sprites = engine.cursor_sprites;
    for (int i = 0; i < list_size(sprites); ++i) {
        const cursor_sprite& s = *list_at(sprites, i);
        if (s.sprite3d != 0 && is_sprite3d(s.sprite3d)) free_sprite3d(s.sprite3d);
        if (s.sprite != 0 && is_sprite(s.sprite)) free_sprite(s.sprite);
    }
    list_clear(sprites);
}

// ===========================================================================
// Cells
// ===========================================================================

void size_cell_sprites() {
    int r = nearest(engine.resolution);
    for (int32_t x = 0; x <= engine.world_width; ++x) {
        for (int32_t y = 0; y <= engine.world_height; ++y) {
            if (!cell_in_grid(x, y)) continue;
            const world_cell& c = cell_at(x, y);
            // A hidden cell keeps the size it was loaded with; it is never drawn.
            // A 3D sprite still to be made gets this size when it is made.
            if (c.cell_sprite3d != 0 && c.alpha > 0) zoom_sprite3d(c.cell_sprite3d, r, r);
        }
    }
    engine.world_grid.cells_sized = true;
}

// The object files have no extension: each is named after its cell type.
text object_file_folder() { return engine.rgb_code_path + engine.app_start + "\\"; }

text object_file_path(const world_cell& c) { return object_file_folder() + name_text(c.cell_type); }

void load_cell_object(int32_t x, int32_t y) {
    end_program_if_requested();  // a large world takes a while
    if (!cell_in_grid(x, y)) return;
    world_cell& c = cell_at(x, y);
    apply_object_file(c, type_object_file(c.cell_type));
    give_cell_graphic(c, graphic_named(c.gfx_name));
    place_cell_children(x, y);
}

void compute_view_cells() {
    engine.view_cells_x = round_float(engine.screen_width / engine.resolution, 1);
    engine.view_cells_y = round_float(engine.screen_height / engine.resolution, 1);
}

}  // namespace tw
