// engine_state: the single instance, its start values and grid access.
#include "core/engine_state.h"

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
    engine.move_step = 1;
    engine.load_progress = 1.0f;
    engine.build_progress = 1.0f;
    engine.font_char_table.assign(257, font_char{});
}

// ===========================================================================
// Grid
// ===========================================================================

bool cell_in_grid(int32_t x, int32_t y) {
    const world_grid_t& g = engine.world_grid;
    return x >= 0 && y >= 0 && x <= g.max_x && y <= g.max_y;
}

world_cell& cell_at(int32_t x, int32_t y) {
    world_grid_t& g = engine.world_grid;
    return g.cells[static_cast<size_t>(x) * static_cast<size_t>(g.max_y + 1) + static_cast<size_t>(y)];
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
    g.cells.clear();
    g.cells.shrink_to_fit();
    g.cells.resize(static_cast<size_t>(g.max_x + 1) * static_cast<size_t>(g.max_y + 1));
}

}  // namespace tw
