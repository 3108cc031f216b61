// dump: a plain-text picture of the engine state for tests and for people
// who script the game. One item a line, fields separated by one blank:
// named fields first, then cursor figures, enemies, the instance count and
// every cell of the world. Floats are printed with nine significant digits,
// enough to give back the exact 32-bit value, by the library's own shortest
// conversion rather than the C library's printf, so that the text (and the
// recordings that digest it) is the same on every platform.
#include "core/core.h"

#include <charconv>
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

// %.9g, written the same way everywhere.
void append_float(text& out, float v) {
#if defined(__EMSCRIPTEN__)
    // The browser build's C++ library has no floating-point to_chars; its C
    // library's %.9g is the same correctly rounded text, and it has no locales.
    append(out, "%.9g", static_cast<double>(v));
#else
    char buffer[64];
    auto r = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(v), std::chars_format::general, 9);
    out.append(buffer, r.ptr);
#endif
}

void field(text& out, const char* name, int32_t v) { append(out, "%s %d\n", name, v); }
void field(text& out, const char* name, int8_t v) { append(out, "%s %d\n", name, static_cast<int>(v)); }
void field(text& out, const char* name, float v) {
    out += name;
    out += ' ';
    append_float(out, v);
    out += '\n';
}

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
        append(out, "cursor %d ", i);
        append_float(out, s.pos_x);
        out += ' ';
        append_float(out, s.pos_y);
        append(out, " %d %d\n", s.heading, s.step_counter);
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
// Each line is put together number by number rather than through printf: a
// large world has a quarter of a million cells, and a recording dumps the
// state every second.
void append_cells(text& out) {
    char line[256];
    char* const end = line + sizeof line;
    for (int32_t x = 0; x <= engine.world_width; ++x) {
        for (int32_t y = 0; y <= engine.world_height; ++y) {
            const world_cell& c = cell_or_blocker(x, y);
            char* p = line;
            for (char ch : {'c', 'e', 'l', 'l'}) *p++ = ch;
            for (int32_t v : {x, y, int32_t{c.state}, c.alpha, int32_t{c.use_collision}, int32_t{c.use_enemy},
                              int32_t{c.collision_flag}, int32_t{c.last_child_slot}}) {
                *p++ = ' ';
                p = std::to_chars(p, end, v).ptr;
            }
            char separator = ' ';
            for (int32_t child : c.child_instance) {
                *p++ = separator;
                separator = ',';
                p = std::to_chars(p, end, child).ptr;
            }
            *p++ = ' ';
            out.append(line, p);
            out += name_text(c.cell_type);
            out += '\n';
        }
    }
}

}  // namespace

// ===========================================================================
// Dump
// ===========================================================================

text engine_dump_text() {
    text out;
    int64_t cells = (static_cast<int64_t>(engine.world_width) + 1) * (static_cast<int64_t>(engine.world_height) + 1);
    if (cells > 0 && cells < 4'000'000) out.reserve(static_cast<size_t>(cells) * 56 + 4096);
    append_fields(out);
    append_lists(out);
    append_cells(out);
    return out;
}

void write_engine_dump(const text& path) { write_text_file(path, engine_dump_text()); }

}  // namespace tw
