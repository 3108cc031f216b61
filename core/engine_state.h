// engine_state: the one process-wide record through which every part of the
// engine communicates, and the records of the shared lists.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <unordered_map>
#include <vector>

#include "runtime/values.h"

namespace tw {

// ===========================================================================
// Codes kept in the records below (stored and dumped as plain numbers)
// ===========================================================================

// loop_state: running from start-up until the quit screen ends the game; the
// loop stops after the pass in which it became loop_ended.
enum loop_state_code : int32_t { loop_running = 18, loop_ended = 20 };

// Directions of an enemy's walk_direction and a cursor figure's heading; both
// start at 0, no direction yet. Only figures are ever idle.
enum direction_code : int32_t {
    direction_down = 13,
    direction_left = 14,
    direction_right = 15,
    direction_up = 16,
    direction_idle = 17,
};

// ===========================================================================
// World cells and the grid
// ===========================================================================

// A million cells must fit in memory, so a cell keeps its eight child slots
// and eight child names in four bytes each; both read and write like arrays
// of eight (c.child_instance[k] = -1, c.child_name[k]).

// One slot of a cell's eight, written and read through its owner.
template <class Owner, class Value>
struct child_slot_ref {
    Owner& owner;
    size_t k;
    child_slot_ref& operator=(Value v) { owner.set(k, v); return *this; }
    operator Value() const { return owner.get(k); }
};

// Eight instance indices. Most cells hold only 0 and -1, kept as a bit mask;
// the first other value moves all eight into a block of the grid's own.
class child_slots {
public:
    static constexpr size_t slots = 8;
    using slot_ref = child_slot_ref<child_slots, int32_t>;
    struct const_iterator {
        using iterator_category = std::forward_iterator_tag;
        using value_type = int32_t;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = int32_t;
        const child_slots* owner = nullptr;
        size_t k = 0;
        int32_t operator*() const { return owner->get(k); }
        const_iterator& operator++() { ++k; return *this; }
        const_iterator operator++(int) { const_iterator was = *this; ++k; return was; }
        bool operator==(const const_iterator& o) const { return k == o.k; }
        bool operator!=(const const_iterator& o) const { return k != o.k; }
    };
    int32_t operator[](size_t k) const { return get(k); }
    slot_ref operator[](size_t k) { return {*this, k}; }
    static constexpr size_t size() { return slots; }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, slots}; }
    void fill(int32_t v) { for (size_t k = 0; k < slots; ++k) set(k, v); }
    child_slots& operator=(const std::array<int32_t, 8>& values) {
        for (size_t k = 0; k < slots; ++k) set(k, values[k]);
        return *this;
    }
    void set_minus_one(uint8_t which);  // the slots of the bit mask become -1
    int32_t get(size_t k) const;
    void set(size_t k, int32_t v);

private:
    uint32_t bits_ = 0;  // low 8 bits: slots holding -1; above: block number, 0 none
};

// Eight interned names, kept as the number of that combination of names:
// the cells of one type all share one.
class child_names {
public:
    static constexpr size_t slots = 8;
    using slot_ref = child_slot_ref<child_names, name_id>;
    name_id operator[](size_t k) const { return get(k); }
    slot_ref operator[](size_t k) { return {*this, k}; }
    static constexpr size_t size() { return slots; }
    name_id get(size_t k) const;
    void set(size_t k, name_id v);
    uint32_t set_number() const { return set_; }
    void use_set(uint32_t n) { set_ = n; }

private:
    uint32_t set_ = 0;  // 0: all empty
};

using name_set = std::array<name_id, 8>;
uint32_t intern_name_set(const name_set& names);
const name_set& name_set_of(uint32_t number);

struct world_cell {
    child_slots child_instance;               // index in object_instances; -1 none
    child_names child_name;                   // CHILD1..CHILD8
    int32_t cell_sprite3d = 0;                // the cell's own 3D sprite, made when first drawn; 0 none
    int32_t cell_sprite = 0;                  // the world graphic's sprite it is made from, 0 none
    int32_t alpha = 0;                        // drawn only when > 0
    name_id cell_type = 0;                    // names the cell's object file
    name_id gfx_name = 0;                     // world graphic of the cell
    int32_t transparency = 0;
    int8_t last_child_slot = 0;               // highest slot that got an instance, -1 none
    int8_t use_collision = 0;                 // non-zero blocks movement
    int8_t collision_flag = 0;                // 1: something here can be collected
    int8_t state = 0;                         // 1: loaded and drawable
    int8_t child_count = 0;                   // placement examines slots 0..child_count
    int8_t use_enemy = 0;                     // 1: enemies may spawn here
};

// Whether the cell has a graphic of its own: a 3D sprite, or the sprite to
// make one from when it is drawn.
inline bool cell_has_graphic(const world_cell& c) { return c.cell_sprite3d != 0 || c.cell_sprite != 0; }

// The cells of a grid, all bytes zero (an empty cell) when made. The memory
// comes from the system untouched, so a large grid costs nothing until its
// cells are written.
class grid_cells {
public:
    grid_cells() = default;
    explicit grid_cells(size_t n);
    grid_cells(grid_cells&& o) noexcept : cells_(o.cells_), n_(o.n_) { o.cells_ = nullptr; o.n_ = 0; }
    grid_cells& operator=(grid_cells&& o) noexcept;
    grid_cells(const grid_cells&) = delete;
    grid_cells& operator=(const grid_cells&) = delete;
    ~grid_cells();
    world_cell& operator[](size_t i) { return cells_[i]; }
    const world_cell& operator[](size_t i) const { return cells_[i]; }
    size_t size() const { return n_; }
    world_cell* begin() { return cells_; }
    world_cell* end() { return cells_ + n_; }
    const world_cell* begin() const { return cells_; }
    const world_cell* end() const { return cells_ + n_; }
    void empty_all();  // every cell empty again, in place

private:
    world_cell* cells_ = nullptr;
    size_t n_ = 0;
};

// Cells (x, y), x the column, y the row, indices 0..max_x and 0..max_y.
struct world_grid_t {
    int32_t max_x = -1;
    int32_t max_y = -1;
    grid_cells cells;                         // column-major: index x * (max_y + 1) + y
    std::vector<std::array<int32_t, 8>> child_blocks;  // child_slots beyond 0 and -1; [0] unused
    bool cells_sized = false;                 // size_cell_sprites ran since the grid was emptied
    bool cell_sprites3d_made = false;         // a cell made its own 3D sprite since then
};

// ===========================================================================
// Records of the shared lists
// ===========================================================================

struct floor_cell {
    int32_t x = 0;
    int32_t y = 0;
    name_id cell_type = 0;
};

struct object_definition {
    text image_path;
    int32_t sprite = 0;
    text gfx_name;
    int32_t gfx_transparency = 0;
    int32_t density = 0;
    int8_t fit_to_matrix = 0;
    int8_t collision = 0;
    text hotspot;
    int32_t x_mode1 = 0;
    int32_t x_mode2 = 0;
    int8_t gfx_show = 0;
    int8_t center_field = 0;
    int8_t kill_on_collision = 0;
    int32_t score = 0;
    int8_t count_to_score = 0;
    text count_sound;
    int8_t use_count_sound = 0;
    int8_t is_player = 0;
    int8_t is_enemy = 0;
    int32_t random_move = 0;
    int32_t move_x = 0;
    int32_t move_y = 0;
    int32_t velo_x = 0;
    int32_t velo_y = 0;
    int8_t ai_level = 0;
    int32_t d_move = 0;
    int32_t change_direction = 0;
};

struct object_instance {
    int8_t gfx_show = 0;
    int32_t alpha = 0;
    int32_t sprite3d = 0;
    int8_t collision = 0;
    float width = 0;
    float height = 0;
    float anchor_x = 0;
    float anchor_y = 0;
    int32_t x_mode1 = 0;
    int32_t x_mode2 = 0;
    int8_t kill_on_collision = 0;
    int32_t score = 0;
    int8_t count_to_score = 0;
    text count_sound;
    int8_t use_count_sound = 0;
    int8_t is_player = 0;
    int32_t definition_index = -1;            // in object_definitions: the definition that made it
};

struct enemy {
    int32_t pos_x = 0;
    int32_t pos_y = 0;
    float anchor_x = 0;
    float anchor_y = 0;
    float width = 0;
    float height = 0;
    int32_t x_mode1 = 0;
    int32_t x_mode2 = 0;
    int8_t gfx_show = 0;
    int32_t alpha = 0;
    int32_t sprite3d = 0;
    int8_t collision = 0;
    int32_t random_move = 0;
    int32_t move_x = 0;
    int32_t move_y = 0;
    int32_t velo_x = 0;
    int32_t velo_y = 0;
    int8_t ai_level = 0;
    int32_t d_move = 0;
    int32_t change_direction = 0;
    int32_t walk_direction = 0;               // a direction_code, 0 none yet
    int32_t definition_index = -1;            // in object_definitions: the definition that made it
};

struct world_graphic {
    text path;
    int32_t sprite = 0;
    text name;
};

struct cursor_sprite {
    float pos_x = 0;
    float pos_y = 0;
    int32_t sprite3d = 0;
    int32_t step_counter = 0;
    int32_t heading = 0;                      // a direction_code, 0 none yet
    int32_t sprite = 0;
};

struct sound_effect {
    text path;
    text name;
    int32_t handle = 0;
    int8_t loaded = 0;
};

struct font_char {
    float height = 0;
    float width = 0;
    int32_t sprite = 0;
    int32_t sprite3d = 0;
    text image_name;
};

// The contents of one object file, read at most once per world build.
struct object_file_pair {
    text key;
    text value;
    name_id key_id = 0;                       // key and value interned when read
    name_id value_id = 0;
};

// What applying an object file does to a cell, worked out once per file:
// later pairs win, so only the last value of each key is kept.
struct object_file_effect {
    bool sets_gfx_name = false;
    name_id gfx_name = 0;
    uint8_t child_slots_read = 0;             // bit k: CHILD(k+1) was read
    name_set child_names{};                   // their values
    int8_t child_count = 0;                   // slot of the last "#", 0 without one
    bool sets_use_collision = false;
    int8_t use_collision = 0;
    bool sets_transparency = false;
    int32_t transparency = 0;
    int32_t alpha = 0;
    bool sets_use_enemy = false;
    int8_t use_enemy = 0;
    // Child-name combinations before and after, as met so far.
    mutable std::vector<std::pair<uint32_t, uint32_t>> name_sets_seen;
};

struct object_file_contents {
    bool exists = false;
    std::vector<object_file_pair> pairs;
    object_file_effect effect;
};

// Object files read during the current build, by path, and what loading a
// cell needs from them, found once per cell type and graphic name. Emptied
// when a build starts and when it ends.
struct object_file_cache_t {
    std::unordered_map<text, object_file_contents> files;
    std::vector<const object_file_contents*> by_type;  // by cell_type; null: not looked up yet
    std::vector<int32_t> graphic_by_name;     // by gfx_name: world_graphics index + 1; 0 unknown, -1 none

    void clear() {
        files.clear();
        by_type.clear();
        graphic_by_name.clear();
    }
    bool empty() const { return files.empty(); }
    size_t size() const { return files.size(); }
    object_file_contents& operator[](const text& path) { return files[path]; }
};

// ===========================================================================
// Fixed limits of a world (the data checker reports a game that reaches one)
// ===========================================================================

constexpr int32_t max_placed_objects = 1000000;  // objects on the cells of one world
constexpr int32_t max_foe_limit = 10000;         // MAXFOE above this counts as this
constexpr int32_t max_multitask_ms = 1000;       // MULTITASK above this counts as this

// ===========================================================================
// The engine state
// ===========================================================================

struct EngineState {
    // --- start-up and loop ---
    text base_dir;
    text config_path;
    int32_t loop_state = 0;                   // a loop_state_code
    int32_t world_number = 0;
    int32_t built_world_number = 0;
    float screen_width = 0;
    float screen_height = 0;
    float display_scale = 0;
    int8_t joystick_present = 0;
    int32_t frame_cycle_counter = 0;
    int32_t time_ticks = 0;
    int32_t main_window = 0;

    // --- configuration (one field per key) ---
    text sound_fx_path;
    text egfx_path;
    int32_t egfx_max = 0;
    text font_path;
    text font_system;
    int8_t window_mode = 0;
    int32_t multitask = 0;
    text save_gfx;
    text save_evolution;
    text app_name;
    text gfx_path;
    float resolution = 0;
    text topo_path;
    text basic_gfx_path;
    int8_t use_extended_topo = 0;
    text app_entry;
    text app_start;
    text topo_gfx_path;
    text gfx_codec;
    text system_core_path;
    text core_name;
    int32_t max_foe = 0;
    text log_path;
    text log_file;
    text rgb_code_path;
    text world_gfx_path;
    int8_t use_log_file = 0;
    text load_screen;
    text load_anim;
    float full_screen_zoom = 0;
    int32_t res_base_w = 0;
    int32_t res_base_h = 0;
    text cursor_path;
    int32_t cursor_speed = 0;
    int32_t cursor_speed_inverse = 0;
    int32_t vegi_dense = 0;
    int8_t use_full_matrix = 0;
    int32_t world_random = 0;
    int8_t multicore = 0;
    int32_t map_size_x = 0;
    int32_t map_size_y = 0;
    float world_temperature = 0;
    int32_t world_refresh = 0;
    int32_t frame_cycle_length = 0;
    text self_create_base_path;
    int8_t use_self_create_base = 0;
    int32_t lab_switch = 0;
    int8_t show_debug_line = 0;               // 1 (the start value): the debug line is drawn
    int8_t play_saved_world = 0;              // 1: designed worlds play (figure, enemies, placements)

    // --- world ---
    int32_t world_width = 0;
    int32_t world_height = 0;
    int32_t world_base_width = 0;
    int32_t world_base_height = 0;
    float view_origin_x = 0;
    float view_origin_y = 0;
    float view_cells_x = 0;
    float view_cells_y = 0;
    int32_t move_step = 0;
    int8_t start_up_world = 0;                // 1: the world build_world made; a rebuild makes others

    // --- view, font, score, steering ---
    int32_t screen_copy_sprite = 0;
    int32_t screen_copy_sprite3d = 0;
    float text_pen_x = 0;
    float text_pen_y = 0;
    int32_t shown_score = 0;
    int32_t target_score = 0;
    int8_t steer_x = 0;
    int8_t steer_y = 0;

    // --- loading screen and progress bars ---
    int32_t load_screen_sprite = 0;
    int32_t load_screen_sprite3d = 0;
    float load_progress = 0;
    int32_t load_flip_counter = 0;
    float build_progress = 0;
    int32_t build_flip_counter = 0;
    float progress_bar_undrawn = -1;          // bar width ticked but not yet drawn; -1 none

    // --- shared containers ---
    std::vector<font_char> font_char_table;   // 257 entries, 0..256
    world_grid_t world_grid;
    List<floor_cell> floor_cells;
    List<enemy> enemy_list;
    List<sound_effect> sound_fx_list;
    List<cursor_sprite> cursor_sprites;
    List<object_instance> object_instances;
    List<object_definition> object_definitions;
    List<world_graphic> world_graphics;

    // Object files read during the current build (a rebuild reads afresh).
    object_file_cache_t object_file_cache;
    bool object_file_cache_off = false;       // benchmarks only: read every object file afresh
};

// The single instance.
extern EngineState engine;

// Gives every field its start value (start-up's default step); tests use it too.
void set_start_values();

// ===========================================================================
// Grid access. Reads outside the allocated grid see an empty cell that blocks
// movement; they never touch memory outside the grid.
// ===========================================================================

inline bool cell_in_grid(int32_t x, int32_t y) {
    const world_grid_t& g = engine.world_grid;
    return x >= 0 && y >= 0 && x <= g.max_x && y <= g.max_y;
}
// Only for cells in the grid.
inline world_cell& cell_at(int32_t x, int32_t y) {
    world_grid_t& g = engine.world_grid;
    return g.cells[static_cast<size_t>(x) * static_cast<size_t>(g.max_y + 1) + static_cast<size_t>(y)];
}
const world_cell& cell_or_blocker(int32_t x, int32_t y);
void create_world_grid(int32_t max_x, int32_t max_y);  // all cells empty

}  // namespace tw
