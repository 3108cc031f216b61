// engine_state: the single instance, its start values and grid access.
#include "core/engine_state.h"

#include <cstdlib>
#include <cstring>
#include <type_traits>

namespace tw {

EngineState engine;

void set_start_values() {
    engine = EngineState{};
    engine.loop_state = loop_running;
    engine.multicore = 1;
    engine.screen_width = 1.0f;
    engine.screen_height = 1.0f;
    engine.display_scale = 1.0f;
    engine.resolution = -1.0f;
    engine.map_size_x = 1;
    engine.map_size_y = 1;
    engine.egfx_max = 50;
    engine.world_refresh = 60;
    engine.frame_cycle_length = 60;
    engine.world_temperature = 15.0f;
    engine.vegi_dense = 100;
    engine.res_base_w = 1;
    engine.res_base_h = 1;
    engine.full_screen_zoom = 1.0f;
    engine.show_debug_line = 1;
    engine.move_step = 1;
    engine.load_progress = 1.0f;
    engine.build_progress = 1.0f;
    engine.font_char_table.assign(257, font_char{});
}

// ===========================================================================
// Child slots and names
// ===========================================================================

namespace {

constexpr uint32_t minus_one_bits = 0xFF;
constexpr int block_shift = 8;

struct name_set_hash {
    size_t operator()(const name_set& s) const {
        size_t h = 0;
        for (name_id id : s) h = h * 1000003u ^ static_cast<size_t>(static_cast<uint32_t>(id));
        return h;
    }
};

struct NameSets {
    std::vector<name_set> sets{name_set{}};  // number 0: all empty
    std::unordered_map<name_set, uint32_t, name_set_hash> numbers{{name_set{}, 0}};
};

NameSets& name_sets() {
    static NameSets n;
    return n;
}

}  // namespace

int32_t child_slots::get(size_t k) const {
    const uint32_t block = bits_ >> block_shift;
    if (block != 0) {
        const auto& blocks = engine.world_grid.child_blocks;
        return block < blocks.size() ? blocks[block][k] : 0;
    }
    return (bits_ >> k) & 1u ? -1 : 0;
}

void child_slots::set(size_t k, int32_t v) {
    if (k >= slots) return;
    uint32_t block = bits_ >> block_shift;
    auto& blocks = engine.world_grid.child_blocks;
    if (block == 0 || block >= blocks.size()) {
        if (v == 0 || v == -1) {
            bits_ = (bits_ & minus_one_bits & ~(1u << k)) | (v == -1 ? 1u << k : 0u);
            return;
        }
        // The first other value: all eight slots move to a block.
        if (blocks.empty()) blocks.emplace_back();  // block 0 means none
        std::array<int32_t, 8> values{};
        for (size_t i = 0; i < slots; ++i) values[i] = (bits_ >> i) & 1u ? -1 : 0;
        block = static_cast<uint32_t>(blocks.size());
        blocks.push_back(values);
        bits_ = block << block_shift;
    }
    blocks[block][k] = v;
}

void child_slots::set_minus_one(uint8_t which) {
    const uint32_t block = bits_ >> block_shift;
    auto& blocks = engine.world_grid.child_blocks;
    if (block == 0 || block >= blocks.size()) {
        bits_ = (bits_ & minus_one_bits) | which;
        return;
    }
    for (size_t k = 0; k < slots; ++k)
        if (which & (1u << k)) blocks[block][k] = -1;
}

name_id child_names::get(size_t k) const { return name_set_of(set_)[k]; }

void child_names::set(size_t k, name_id v) {
    if (k >= slots) return;
    name_set s = name_set_of(set_);
    s[k] = v;
    set_ = intern_name_set(s);
}

uint32_t intern_name_set(const name_set& names) {
    NameSets& n = name_sets();
    auto it = n.numbers.find(names);
    if (it != n.numbers.end()) return it->second;
    const uint32_t number = static_cast<uint32_t>(n.sets.size());
    n.sets.push_back(names);
    n.numbers.emplace(names, number);
    return number;
}

const name_set& name_set_of(uint32_t number) {
    const NameSets& n = name_sets();
    return number < n.sets.size() ? n.sets[number] : n.sets[0];
}

// ===========================================================================
// Grid
// ===========================================================================

// An empty cell is all zero bytes (numbers 0, name 0 the empty text), so the
// grid's memory can come zeroed from the system and be emptied with memset.
static_assert(std::is_trivially_copyable_v<world_cell> && std::is_trivially_destructible_v<world_cell>);

grid_cells::grid_cells(size_t n) {
    if (n == 0) return;
    cells_ = static_cast<world_cell*>(std::calloc(n, sizeof(world_cell)));
    if (cells_) n_ = n;
}

grid_cells& grid_cells::operator=(grid_cells&& o) noexcept {
    if (this != &o) {
        std::free(cells_);
        cells_ = o.cells_;
        n_ = o.n_;
        o.cells_ = nullptr;
        o.n_ = 0;
    }
    return *this;
}

grid_cells::~grid_cells() { std::free(cells_); }

void grid_cells::empty_all() {
    if (cells_) std::memset(static_cast<void*>(cells_), 0, n_ * sizeof(world_cell));
}

const world_cell& cell_or_blocker(int32_t x, int32_t y) {
    static world_cell blocker = [] {
        world_cell c;
        c.use_collision = 1;
        c.child_instance.fill(-1);
        c.last_child_slot = -1;
        return c;
    }();
    if (!cell_in_grid(x, y)) return blocker;
    return cell_at(x, y);
}

void create_world_grid(int32_t max_x, int32_t max_y) {
    world_grid_t& g = engine.world_grid;
    g.max_x = max_x < 0 ? -1 : max_x;
    g.max_y = max_y < 0 ? -1 : max_y;
    g.cells = grid_cells();  // the old memory goes back before the new is asked for
    g.child_blocks.clear();
    g.child_blocks.shrink_to_fit();
    g.cells_sized = false;
    g.cell_sprites3d_made = false;
    const size_t n = static_cast<size_t>(g.max_x + 1) * static_cast<size_t>(g.max_y + 1);
    g.cells = grid_cells(n);
    // Without the memory there is no grid: every cell reads as outside it.
    if (g.cells.size() != n) g.max_x = g.max_y = -1;
}

}  // namespace tw
