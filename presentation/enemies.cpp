// enemies: enemies wander by chance. Every decision is one draw from the
// seeded generator, so a world replays the same way from the same seed; the
// number and order of draws per frame is therefore part of the behaviour.
#include <cstdint>

#include "presentation/presentation.h"

namespace tw {

// ===========================================================================
// Helpers
// ===========================================================================

namespace {

// The enemy's cell: its world-pixel position over the cell size, rounded to
// the nearest cell (halves to even), so an enemy between two cells counts as
// standing on the nearer one.
struct cell_pos {
    int64_t x;
    int64_t y;
};

cell_pos enemy_cell(const enemy& e) {
    const double r = engine.resolution;
    return {nearest(e.pos_x / r), nearest(e.pos_y / r)};
}

// Cells with collision block; so do cells outside the grid (also neighbours
// of a position that has no sensible cell at all).
bool blocks(int64_t x, int64_t y) {
    if (x < INT32_MIN || x > INT32_MAX || y < INT32_MIN || y > INT32_MAX) return true;
    return cell_or_blocker(static_cast<int32_t>(x), static_cast<int32_t>(y)).use_collision != 0;
}

// One attempted step: the chance draw first, the cell only when it succeeds.
bool try_step(enemy& e, int dx, int dy, cell_pos c) {
    if (random(e.random_move) != 0) return false;
    if (blocks(c.x + dx, c.y + dy)) return false;
    if (dx != 0) step_x(e, dx);
    else step_y(e, dy);
    return true;
}

int32_t moved(int32_t pos, int d, int32_t velo) {
    return nearest(pos + d * static_cast<double>(engine.resolution) / velo);
}

}  // namespace

// ===========================================================================
// Steps
// ===========================================================================

void enemy_step(enemy& e, int ai_level) {
    if (e.d_move <= -1) return;
    if (random(e.d_move) != 0) return;
    // Levels 2, 3 and 4 are kinds that stand still (the draw above is still taken).
    if (ai_level == 2 || ai_level == 3 || ai_level == 4) return;
    wander(e);
}

void wander(enemy& e) {
    const cell_pos c = enemy_cell(e);
    if (random(e.change_direction) != 0) {
        keep_walking(e);
        return;
    }
    // A new direction: right, left, down, up, the first attempt that works.
    if (try_step(e, 1, 0, c)) e.walk_direction = direction_right;
    else if (try_step(e, -1, 0, c)) e.walk_direction = direction_left;
    else if (try_step(e, 0, 1, c)) e.walk_direction = direction_down;
    else if (try_step(e, 0, -1, c)) e.walk_direction = direction_up;
}

void keep_walking(enemy& e) {
    const cell_pos c = enemy_cell(e);
    switch (e.walk_direction) {
    case direction_right: try_step(e, 1, 0, c); break;
    case direction_left: try_step(e, -1, 0, c); break;
    case direction_down: try_step(e, 0, 1, c); break;
    case direction_up: try_step(e, 0, -1, c); break;
    default: break;  // no direction chosen yet: no draw, no step
    }
}

// A step is one cell divided by the steps per cell, rounded to whole pixels;
// 0 steps per cell means the enemy cannot move on that axis.
void step_x(enemy& e, int d) {
    if (e.velo_x != 0) e.pos_x = moved(e.pos_x, d, e.velo_x);
}

void step_y(enemy& e, int d) {
    if (e.velo_y != 0) e.pos_y = moved(e.pos_y, d, e.velo_y);
}

}  // namespace tw
