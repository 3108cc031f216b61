// world_view: one frame of the game world in a single 3D batch: the visible
// cells, the objects placed in them, the enemies (which take their step here),
// the players (who collect here), the full-screen zoom and the HUD.
#include <algorithm>
#include <cstdint>

#include "assets/assets.h"
#include "presentation/presentation.h"
#include "runtime/media_runtime.h"

namespace tw {

// ===========================================================================
// Types
// ===========================================================================

namespace {

// Blending used whenever a record asks for none: source alpha over inverse
// source alpha, which is also what begin_3d starts a batch with.
constexpr int default_source_blend = 5;
constexpr int default_destination_blend = 6;

// The visible part of the grid for this frame. View cell (i, j) shows grid
// cell (origin_x + i, origin_y + j). The walk covers columns 0..last_col and
// rows 0..last_row, where row and column 0 are always walked; view cells that
// fall outside the allocated grid are empty, so the walk is cut to the grid
// (that is also what keeps a far-scrolled view or a tiny cell size cheap).
struct ViewWalk {
    int64_t origin_x = 0;
    int64_t origin_y = 0;
    int64_t first_i = 0, last_i = -1;  // view columns actually inside the grid
    int64_t first_j = 0, last_j = -1;  // view rows actually inside the grid
};

// ===========================================================================
// Functions
// ===========================================================================

ViewWalk view_walk() {
    ViewWalk w;
    w.origin_x = nearest(engine.view_origin_x);
    w.origin_y = nearest(engine.view_origin_y);
    // Columns 0..view_cells_x inclusive (one spare column for the partly
    // visible one at the right edge), rows 0..view_cells_y - 1; row 0 and
    // column 0 are walked even when the extents are 0 or less.
    int64_t last_col = std::max<int64_t>(0, nearest(engine.view_cells_x));
    int64_t last_row = std::max<int64_t>(0, static_cast<int64_t>(nearest(engine.view_cells_y)) - 1);
    const world_grid_t& g = engine.world_grid;
    w.first_i = std::max<int64_t>(0, -w.origin_x);
    w.last_i = std::min<int64_t>(last_col, static_cast<int64_t>(g.max_x) - w.origin_x);
    w.first_j = std::max<int64_t>(0, -w.origin_y);
    w.last_j = std::min<int64_t>(last_row, static_cast<int64_t>(g.max_y) - w.origin_y);
    return w;
}

// Screen position of view column or row n.
int screen_pos(int64_t n, float offset = 0.0f) {
    return nearest(static_cast<float>(n) * engine.resolution + offset);
}

void set_record_blending(int32_t mode1, int32_t mode2) {
    if (mode1 > 0 || mode2 > 0) sprite3d_blending(mode1, mode2);
    else sprite3d_blending(default_source_blend, default_destination_blend);
}

}  // namespace

void draw_world_view() {
    clear_screen(rgb(0, 0, 0));
    begin_3d();
    draw_cells();
    draw_objects();
    draw_enemies();
    draw_players();
    zoom_screen();
    draw_hud();
    end_3d();
}

void draw_cells() {
    const ViewWalk w = view_walk();
    for (int64_t j = w.first_j; j <= w.last_j; ++j) {
        const int y = screen_pos(j);
        const int32_t gy = static_cast<int32_t>(w.origin_y + j);
        for (int64_t i = w.first_i; i <= w.last_i; ++i) {
            world_cell& c = cell_at(static_cast<int32_t>(w.origin_x + i), gy);
            if (c.alpha > 0 && c.state == 1) draw_sprite3d(cell_quad(c), screen_pos(i), y, c.alpha);
        }
    }
}

void draw_objects() {
    // The clamp comes after the cell pass, so a negative origin is used
    // unclamped for the cells of the frame in which it appears.
    if (engine.view_origin_x < 0) engine.view_origin_x = 0;
    if (engine.view_origin_y < 0) engine.view_origin_y = 0;

    const ViewWalk w = view_walk();
    for (int64_t j = w.first_j; j <= w.last_j; ++j) {
        const int32_t gy = static_cast<int32_t>(w.origin_y + j);
        for (int64_t i = w.first_i; i <= w.last_i; ++i) {
            world_cell& c = cell_at(static_cast<int32_t>(w.origin_x + i), gy);
            c.collision_flag = 0;
            // A cell that is not loaded or has no graphic of its own shows no
            // objects, and nothing in it can be collected.
            if (!cell_has_graphic(c) || c.state != 1) continue;
            const int last = std::min<int>(c.last_child_slot, 7);
            for (int k = 0; k <= last; ++k) {
                const int32_t index = c.child_instance[static_cast<size_t>(k)];
                if (index == -1) continue;
                const object_instance* o = list_at(engine.object_instances, index);
                if (!o) continue;
                if (o->sprite3d != 0 && o->gfx_show == 1 && o->is_player == 0) {
                    set_record_blending(o->x_mode1, o->x_mode2);
                    draw_sprite3d(o->sprite3d, screen_pos(i, o->anchor_x), screen_pos(j, o->anchor_y),
                                  o->alpha);
                }
                // Hidden objects and player markers can still be collected.
                if (o->collision != 0) c.collision_flag = 1;
            }
        }
    }
    // The blending of the last object drawn stays in force on purpose: the
    // players are drawn with whatever the passes before them left.
}

void draw_enemies() {
    const float view_px = engine.view_origin_x * engine.resolution;
    const float view_py = engine.view_origin_y * engine.resolution;
    // By position, re-fetched each time: the step must not be able to leave
    // a stale reference behind.
    for (int n = 0; n < list_size(engine.enemy_list); ++n) {
        enemy* e = list_at(engine.enemy_list, n);
        if (!e) break;
        enemy_step(*e, e->ai_level);
        e = list_at(engine.enemy_list, n);
        if (!e) break;
        set_record_blending(e->x_mode1, e->x_mode2);
        draw_sprite3d(e->sprite3d, nearest(static_cast<float>(e->pos_x) + e->anchor_x - view_px),
                      nearest(static_cast<float>(e->pos_y) + e->anchor_y - view_py), e->alpha);
        sprite3d_blending(default_source_blend, default_destination_blend);
    }
}

void draw_players() {
    for (int n = 0; n < list_size(engine.cursor_sprites); ++n) {
        const cursor_sprite* s = list_at(engine.cursor_sprites, n);
        if (!s) break;
        const grid_cell c = figure_cell(*s);
        if (cell_in_grid(c.x, c.y) && cell_at(c.x, c.y).collision_flag == 1) collect_objects(c.x, c.y);
        s = list_at(engine.cursor_sprites, n);
        if (!s) break;
        // No blending of its own: the pair the earlier passes left applies.
        draw_sprite3d(s->sprite3d, nearest(s->pos_x), nearest(s->pos_y), 255);
    }
}

void zoom_screen() {
    sprite3d_blending(default_source_blend, default_destination_blend);
    if (is_sprite3d(engine.screen_copy_sprite3d)) free_sprite3d(engine.screen_copy_sprite3d);
    if (is_sprite(engine.screen_copy_sprite)) free_sprite(engine.screen_copy_sprite);
    engine.screen_copy_sprite3d = 0;
    engine.screen_copy_sprite = 0;

    set_sprite_transparent_colour(-1, rgb(255, 0, 255));
    // The grab starts at pixel (1, 1): with a zoom of 1.0 the frame is copied
    // onto itself one pixel up and to the left. The runtime clips the
    // rectangle to the back buffer.
    engine.screen_copy_sprite =
        grab_sprite(-1, 1, 1, nearest(engine.screen_width * engine.full_screen_zoom),
                    nearest(engine.screen_height * engine.full_screen_zoom), sprite_mode_3d);
    engine.screen_copy_sprite3d = create_sprite3d(-1, engine.screen_copy_sprite);
    zoom_sprite3d(engine.screen_copy_sprite3d, nearest(engine.screen_width), nearest(engine.screen_height));

    sprite3d_quality(1);
    draw_sprite3d_opaque(engine.screen_copy_sprite3d, 0, 0);
    sprite3d_quality(0);
}

}  // namespace tw
