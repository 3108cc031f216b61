// presentation: the world view, the sprite font, pickups and HUD, commands
// with the pause and quit screens, enemy movement, player steering.
#pragma once

#include "core/engine_state.h"

namespace tw {

// --- world view (presentation/world_view.cpp) ---
void draw_world_view();
void draw_cells();
void draw_objects();
void draw_enemies();
void draw_players();
void zoom_screen();

// --- sprite font (presentation/sprite_font.cpp) ---
void load_sprite_font();
void release_sprite_font();
void read_font_description(const text& path);
text font_image_path(int code);               // the image a character of the font line loads
int font_entry(int code);                     // the character whose glyph that image becomes
void draw_sprite_text(const text& t, float x, float y, float scale, float angle, int alpha,
                      float spacing);
void draw_sprite_char(int code, float x, float y, float scale, float angle, int alpha,
                      float spacing);

// --- pickups and HUD (presentation/pickups_hud.cpp) ---
void collect_objects(int32_t cx, int32_t cy);
void collect_object(int32_t cx, int32_t cy, int k);
void play_count_sound(int32_t index);
void draw_hud();

// --- commands and modal screens (presentation/commands.cpp) ---
// The device that opened a modal screen picks the variant that names its keys.
enum input_device : int { device_joystick = 22, device_keyboard = 23 };
void keyboard_step();
void joystick_step();
void quit_screen(int device);
void pause_screen(int device);

// --- enemy movement (presentation/enemies.cpp) ---
void enemy_step(enemy& e, int ai_level);
void wander(enemy& e);
void keep_walking(enemy& e);
void step_x(enemy& e, int d);
void step_y(enemy& e, int d);

// --- player steering (presentation/steering.cpp) ---
void keyboard_steering();
void joystick_steering();
void steer_by_keyboard(cursor_sprite& s, int dx, int dy);
void steer_by_joystick(cursor_sprite& s);
void set_heading(cursor_sprite& s, int dx, int dy);
void move_cursor_sprites(int dx, int dy);
// The grid cell a figure stands on (the cell under its top-left corner).
// Steering and the pickups both take it from here, so they agree on the cell
// even when the cell size is not a whole number of pixels.
struct grid_cell {
    int32_t x;
    int32_t y;
};
grid_cell figure_cell(const cursor_sprite& s);

}  // namespace tw
