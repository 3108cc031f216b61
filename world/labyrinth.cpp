// labyrinth: the generator of self-created worlds. Every cell starts as wall;
// three seeded random walks carve floor, then green, then water, each only
// into walls; an optional last pass gives floor cells bordering another type
// an edge type. The first floor cell carved is the player's start cell.
#include "world/world.h"

#include "assets/assets.h"

namespace tw {

namespace {

// ===========================================================================
// The shared walk
// ===========================================================================

enum class walk_kind { floor, green, water };

// Directions: 0 left, 1 up, 2 right, 3 down.
void random_walk(int32_t w, int32_t h, const char* target, walk_kind kind) {
    const name_id wall = intern_name("LAB_WALL");
    const name_id carved = intern_name(target);
    int32_t x = 1;
    int32_t y = 1;
    int32_t d = 0;
    // One step per w * h; a world one column or row wide gets no steps.
    // 64 bits, so that no size can overflow the budget.
    int64_t n = (w > 0 && h > 0) ? static_cast<int64_t>(w) * static_cast<int64_t>(h) : 0;
    bool first = true;
    while (n > 0) {
        if (random(engine.lab_switch) == 0) d = random(3);
        // The walk keeps off column and row 0 and, in worlds at least four
        // cells across, off the last two columns and rows.
        switch (d) {
            case 0: if (x - 1 > 1) x -= 1; break;
            case 1: if (y - 1 > 1) y -= 1; break;
            case 2: if (x + 1 < w - 1) x += 1; break;
            case 3: if (y + 1 < h - 1) y += 1; break;
            default: break;
        }
        if (cell_in_grid(x, y) && cell_at(x, y).cell_type == wall) {
            cell_at(x, y).cell_type = carved;
            load_cell_object(x, y);
            if (kind == walk_kind::floor) {
                List<floor_cell>& floors = engine.floor_cells;
                floors.cursor = list_size(floors) - 1;  // kept in carving order
                if (floor_cell* r = list_add(floors)) {
                    r->x = x;
                    r->y = y;
                    r->cell_type = carved;
                }
                if (first) {
                    first = false;
                    clear_cursor_sprites();
                    load_cursor_sprites(x, y);
                }
            }
        }
        n -= 1;
    }
}

// ===========================================================================
// Edge marking
// ===========================================================================

// Gives each floor cell whose neighbour at (dx, dy) is wall, green or water
// the matching edge type. The comparison is against the record's own type
// ("LAB_FLOOR"), so a neighbour already marked as an edge counts as different
// and only causes the cell to be loaded again.
void mark_edge_pass(int32_t dx, int32_t dy, const char* wall_edge, const char* green_edge,
                    const char* water_edge) {
    const name_id wall = intern_name("LAB_WALL");
    const name_id green = intern_name("LAB_GREEN");
    const name_id water = intern_name("LAB_WATER");
    const name_id wall_e = intern_name(wall_edge);
    const name_id green_e = intern_name(green_edge);
    const name_id water_e = intern_name(water_edge);
    List<floor_cell>& floors = engine.floor_cells;
    for (int i = 0; i < list_size(floors); ++i) {
        const floor_cell r = *list_at(floors, i);
        int32_t nx = r.x + dx;
        int32_t ny = r.y + dy;
        if (nx < 0 || ny < 0) continue;
        if (!cell_in_grid(r.x, r.y)) continue;
        name_id c = cell_or_blocker(nx, ny).cell_type;
        if (c == r.cell_type) continue;
        world_cell& cell = cell_at(r.x, r.y);
        if (c == wall)
            cell.cell_type = wall_e;
        else if (c == green)
            cell.cell_type = green_e;
        else if (c == water)
            cell.cell_type = water_e;
        load_cell_object(r.x, r.y);
    }
}

}  // namespace

// ===========================================================================
// Passes
// ===========================================================================

void fill_walls(int32_t w, int32_t h) {
    const name_id wall = intern_name("LAB_WALL");
    for (int32_t x = 0; x <= w; ++x) {
        for (int32_t y = 0; y <= h; ++y) {
            if (cell_in_grid(x, y)) {
                cell_at(x, y).cell_type = wall;
                load_cell_object(x, y);
                cell_at(x, y).state = 1;
            }
            build_progress_tick();
        }
    }
    compute_view_cells();
}

void carve_floor(int32_t w, int32_t h) { random_walk(w, h, "LAB_FLOOR", walk_kind::floor); }
void carve_green(int32_t w, int32_t h) { random_walk(w, h, "LAB_GREEN", walk_kind::green); }
void carve_water(int32_t w, int32_t h) { random_walk(w, h, "LAB_WATER", walk_kind::water); }

void mark_edges() {
    if (engine.use_extended_topo != 1) return;
    mark_edge_pass(-1, 0, "LAB_WALL_E", "LAB_GREEN_E", "LAB_WATER_E");
    mark_edge_pass(0, -1, "LAB_WALL_S", "LAB_GREEN_S", "LAB_WATER_S");
}

}  // namespace tw
