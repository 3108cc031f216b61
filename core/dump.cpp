// dump: a plain-text picture of the engine state for tests and for people
// who script the game. One item a line, fields separated by one blank:
// named fields first, then cursor figures, enemies, the instance count and
// every cell of the world. Floats are printed with nine significant digits,
// enough to give back the exact 32-bit value.
#include "core/core.h"

#include <cstdarg>
#include <cstdio>

#include "runtime/media_runtime.h"

namespace tw {

// ===========================================================================
// Formatting
// ===========================================================================

namespace {

void append(text& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

void append(text& out, const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n > 0) out.append(buffer, static_cast<size_t>(n) < sizeof buffer ? static_cast<size_t>(n) : sizeof buffer - 1);
}

void field(text& out, const char* name, int32_t v) { append(out, "%s %d\n", name, v); }
void field(text& out, const char* name, int8_t v) { append(out, "%s %d\n", name, static_cast<int>(v)); }
void field(text& out, const char* name, float v) { append(out, "%s %.9g\n", name, static_cast<double>(v)); }

void append_fields(text& out) {
    const EngineState& e = engine;
    field(out, "loop_state", e.loop_state);
    field(out, "world_number", e.world_number);
    field(out, "built_world_number", e.built_world_number);
    field(out, "world_width", e.world_width);
    field(out, "world_height", e.world_height);
    field(out, "world_base_width", e.world_base_width);
    field(out, "world_base_height", e.world_base_height);
    field(out, "screen_width", e.screen_width);
    field(out, "screen_height", e.screen_height);
    field(out, "display_scale", e.display_scale);
    field(out, "resolution", e.resolution);
    field(out, "view_origin_x", e.view_origin_x);
    field(out, "view_origin_y", e.view_origin_y);
    field(out, "view_cells_x", e.view_cells_x);
    field(out, "view_cells_y", e.view_cells_y);
    field(out, "move_step", e.move_step);
    field(out, "shown_score", e.shown_score);
    field(out, "target_score", e.target_score);
    field(out, "time_ticks", e.time_ticks);
    field(out, "frame_cycle_counter", e.frame_cycle_counter);
    field(out, "joystick_present", e.joystick_present);
    field(out, "window_mode", e.window_mode);
    field(out, "use_self_create_base", e.use_self_create_base);
    field(out, "map_size_x", e.map_size_x);
    field(out, "map_size_y", e.map_size_y);
    field(out, "cursor_speed", e.cursor_speed);
    field(out, "cursor_speed_inverse", e.cursor_speed_inverse);
    field(out, "max_foe", e.max_foe);
    field(out, "lab_switch", e.lab_switch);
    field(out, "use_extended_topo", e.use_extended_topo);
    field(out, "world_random", e.world_random);
    field(out, "multitask", e.multitask);
    field(out, "full_screen_zoom", e.full_screen_zoom);
    field(out, "res_base_w", e.res_base_w);
    field(out, "frame_cycle_length", e.frame_cycle_length);
}

void append_lists(text& out) {
    for (int i = 0; i < list_size(engine.cursor_sprites); ++i) {
        const cursor_sprite& s = *list_at(engine.cursor_sprites, i);
        append(out, "cursor %d %.9g %.9g %d %d\n", i, static_cast<double>(s.pos_x),
               static_cast<double>(s.pos_y), s.heading, s.step_counter);
    }
    for (int i = 0; i < list_size(engine.enemy_list); ++i) {
        const enemy& en = *list_at(engine.enemy_list, i);
        append(out, "enemy %d %d %d %d %d\n", i, en.pos_x, en.pos_y, en.walk_direction,
               static_cast<int>(en.ai_level));
    }
    append(out, "instances %d\n", list_size(engine.object_instances));
}

// Cells column by column. A world larger than the grid shows its missing
// cells as the blocking empty cell that every reader outside the grid sees.
void append_cells(text& out) {
    for (int32_t x = 0; x <= engine.world_width; ++x) {
        for (int32_t y = 0; y <= engine.world_height; ++y) {
            const world_cell& c = cell_or_blocker(x, y);
            append(out, "cell %d %d %d %d %d %d %d %d ", x, y, static_cast<int>(c.state), c.alpha,
                   static_cast<int>(c.use_collision), static_cast<int>(c.use_enemy),
                   static_cast<int>(c.collision_flag), c.last_child_slot);
            for (size_t k = 0; k < c.child_instance.size(); ++k) {
                append(out, k == 0 ? "%d" : ",%d", c.child_instance[k]);
            }
            out += ' ';
            out += name_text(c.cell_type);
            out += '\n';
        }
    }
}

}  // namespace

// ===========================================================================
// Dump
// ===========================================================================

void write_engine_dump(const text& path) {
    text out;
    int64_t cells = (static_cast<int64_t>(engine.world_width) + 1) * (static_cast<int64_t>(engine.world_height) + 1);
    if (cells > 0 && cells < 4'000'000) out.reserve(static_cast<size_t>(cells) * 48 + 4096);
    append_fields(out);
    append_lists(out);
    append_cells(out);
    write_text_file(path, out);
}

}  // namespace tw
