// steering: the player figures follow the arrow keys (first figure) and the
// joystick (last figure); every figure moves one step of `move_step` pixels at
// a time, or the view scrolls by one cell when the figure would pass the line
// one third across (or down) the screen.
#include <climits>
#include <cmath>

#include "presentation/presentation.h"
#include "runtime/key_codes.h"
#include "runtime/media_runtime.h"

namespace tw {

// ===========================================================================
// Helpers
// ===========================================================================

namespace {

// Whether a figure at (pos_x, pos_y) may step by (dx, dy). Two axes held at once
// move the figure vertically only, so the cell tested is the one it really
// enters: the vertical neighbour when dy is set, the horizontal one otherwise.
// Cells outside the grid block, so a figure never walks off it.
bool step_blocked(const cursor_sprite& s, int dx, int dy) {
    const grid_cell c = figure_cell(s);
    const int64_t cx = static_cast<int64_t>(c.x) + (dy != 0 ? 0 : dx);
    const int64_t cy = static_cast<int64_t>(c.y) + dy;
    if (cx < 0 || cy < 0 || cx > INT32_MAX || cy > INT32_MAX) return true;
    return cell_or_blocker(static_cast<int32_t>(cx), static_cast<int32_t>(cy)).use_collision != 0;
}

// The view shows columns origin .. origin + view_cells_x - 1 (the extra column
// it draws lies past the screen's edge). A scroll that would show a column
// beyond the world's last one is refused; the figure moves instead.
bool may_scroll_right() {
    const int64_t last_shown = static_cast<int64_t>(nearest(engine.view_origin_x)) + 1 +
                               nearest(engine.view_cells_x) - 1;
    return last_shown <= engine.world_width;
}

bool may_scroll_down() {
    const int64_t last_shown = static_cast<int64_t>(nearest(engine.view_origin_y)) + 1 +
                               nearest(engine.view_cells_y) - 1;
    return last_shown <= engine.world_height;
}

void steer(cursor_sprite& s, int dx, int dy) {
    // No steering means no step, so there is nothing to refuse: the figure
    // goes idle even where its own cell counts as blocked (otherwise it would
    // keep its old heading and the keyboard could never steer it again).
    if ((dx != 0 || dy != 0) && step_blocked(s, dx, dy)) {
        engine.steer_x = 0;
        engine.steer_y = 0;
        return;
    }
    engine.steer_x = static_cast<int8_t>(dx);
    engine.steer_y = static_cast<int8_t>(dy);
    set_heading(s, dx, dy);
}

// One step of one figure by its heading. A figure moves (or scrolls the view)
// only along an axis that is steered in this pass: a heading left over from
// an earlier pass (a step into a wall was refused, or another figure is being
// steered) must not scroll the view, since that would carry the figure into
// cells that were never tested.
void step_figure(cursor_sprite& s, int dx, int dy) {
    const bool horizontal = s.heading == direction_left || s.heading == direction_right;
    if (horizontal ? dx == 0 : dy == 0) return;
    const float third_w = engine.screen_width / 3.0f;
    const float third_h = engine.screen_height / 3.0f;
    const float step_x = static_cast<float>(dx * engine.move_step);
    const float step_y = static_cast<float>(dy * engine.move_step);
    switch (s.heading) {
    case direction_right: {
        const float nx = s.pos_x + step_x;
        if (nx > third_w && may_scroll_right()) engine.view_origin_x += 1;
        else s.pos_x = nx;
        break;
    }
    case direction_left:
        if (s.pos_x >= third_w) {
            s.pos_x += step_x;
        } else {
            // The view never scrolls back to column 0: there the figure moves.
            engine.view_origin_x -= 1;
            if (engine.view_origin_x < 1) {
                s.pos_x += step_x;
                engine.view_origin_x = 1;
            }
        }
        break;
    case direction_down: {
        const float ny = s.pos_y + step_y;
        if (ny > third_h && may_scroll_down()) engine.view_origin_y += 1;
        else s.pos_y = ny;
        break;
    }
    case direction_up:
        if (s.pos_y > third_h) {
            s.pos_y += step_y;
        } else {
            engine.view_origin_y -= 1;
            if (engine.view_origin_y < 1) {
                s.pos_y += step_y;
                engine.view_origin_y = 1;
            }
        }
        break;
    default:
        break;  // never steered yet: nothing moves
    }
}

}  // namespace

// ===========================================================================
// The figure's cell
// ===========================================================================

// Worked out in float, as the figure's position and the cell size are held:
// at a cell size such as 25.6 a double quotient can fall just below a whole
// number that the float quotient reaches (128 / 25.6 gives 4.99... in double
// but 5 in float), and seeded and recorded games rely on the float result.
grid_cell figure_cell(const cursor_sprite& s) {
    const float column = std::floor(s.pos_x / engine.resolution) + engine.view_origin_x;
    const float row = std::floor(s.pos_y / engine.resolution) + engine.view_origin_y;
    return {nearest(column), nearest(row)};
}

// ===========================================================================
// Steering steps
// ===========================================================================

void keyboard_steering() {
    cursor_sprite* first = list_at(engine.cursor_sprites, 0);
    if (!first) return;
    // Arrows count only while the figure is idle; on one axis the key tested
    // later wins (Right over Left, Up over Down).
    if (first->heading == direction_idle) {
        if (key_pushed(key_left)) engine.steer_x = -1;
        if (key_pushed(key_right)) engine.steer_x = 1;
        if (key_pushed(key_down)) engine.steer_y = 1;
        if (key_pushed(key_up)) engine.steer_y = -1;
    }
    steer_by_keyboard(*first, engine.steer_x, engine.steer_y);
    move_cursor_sprites(engine.steer_x, engine.steer_y);
}

void joystick_steering() {
    const int n = list_size(engine.cursor_sprites);
    cursor_sprite* last = list_at(engine.cursor_sprites, n - 1);
    if (!last) return;
    steer_by_joystick(*last);
    move_cursor_sprites(engine.steer_x, engine.steer_y);
}

void steer_by_keyboard(cursor_sprite& s, int dx, int dy) { steer(s, dx, dy); }

void steer_by_joystick(cursor_sprite& s) { steer(s, joystick_axis_x(), joystick_axis_y()); }

void set_heading(cursor_sprite& s, int dx, int dy) {
    s.heading = direction_idle;
    if (dx == -1) s.heading = direction_left;
    if (dx == 1) s.heading = direction_right;
    if (dy == -1) s.heading = direction_up;
    if (dy == 1) s.heading = direction_down;
}

// ===========================================================================
// Movement pass
// ===========================================================================

void move_cursor_sprites(int dx, int dy) {
    for (cursor_sprite& s : engine.cursor_sprites.items) {
        if (s.step_counter < INT32_MAX) s.step_counter += 1;
        if (s.step_counter > engine.cursor_speed_inverse && s.heading != direction_idle) {
            step_figure(s, dx, dy);
            if (dx != 0 || dy != 0) s.step_counter = 0;
        } else {
            s.heading = direction_idle;
        }
    }
}

}  // namespace tw
