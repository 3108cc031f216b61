// graphics_lists: the loading screen, the world graphics (cell images looked
// up by file name) and the cursor sprites the player steers.
#include "assets/assets.h"

#include "core/core.h"
#include "runtime/media_runtime.h"

namespace tw {

namespace {

const colour magenta = rgb(255, 0, 255);
const colour white = rgb(255, 255, 255);

// Adds a record at the end of a list whatever its cursor, so that folder
// listings keep their order.
template <class T>
T* append(List<T>& l) {
    l.cursor = list_size(l) - 1;
    return list_add(l);
}

}  // namespace

// ===========================================================================
// Loading screen
// ===========================================================================

text loading_screen_name(const text& load_screen) {
    // Only the first "#" is replaced, by the digit 0 or 1, so a game can ship
    // two pictures and show one of them at random. Without a "#" there is no
    // picture to show.
    int p = text_find(load_screen, "#", 1);
    if (p == 0) return {};
    return text_left(load_screen, p - 1) + int_to_text(random(1)) +
           text_mid(load_screen, p + 1, text_length(load_screen));
}

void show_loading_screen() {
    examine_mouse();
    mouse_locate(0, 0);

    if (engine.load_screen_sprite3d != 0 && is_sprite3d(engine.load_screen_sprite3d))
        free_sprite3d(engine.load_screen_sprite3d);
    if (engine.load_screen_sprite != 0 && is_sprite(engine.load_screen_sprite))
        free_sprite(engine.load_screen_sprite);
    engine.load_screen_sprite = 0;
    engine.load_screen_sprite3d = 0;

    text name = loading_screen_name(engine.load_screen);
    set_sprite_transparent_colour(-1, magenta);  // stays in force for the world graphics
    engine.load_screen_sprite = load_sprite(-1, name, sprite_mode_3d);
    if (engine.load_screen_sprite != 0 && is_sprite(engine.load_screen_sprite))
        engine.load_screen_sprite3d = create_sprite3d(-1, engine.load_screen_sprite);

    if (engine.load_screen_sprite3d == 0 || !is_sprite3d(engine.load_screen_sprite3d)) return;
    zoom_sprite3d(engine.load_screen_sprite3d, nearest(engine.screen_width),
                  nearest(engine.screen_height));
    clear_screen(rgb(0, 0, 0));
    // Drawn into every buffer of the flip chain, so the picture stays up
    // whichever buffer is presented while the rest of start-up loads.
    for (int i = 0; i < 3; ++i) {
        begin_3d();
        draw_sprite3d(engine.load_screen_sprite3d, 0, 0, 255);
        end_3d();
        flip_buffers();
    }
}

// ===========================================================================
// Asset lists
// ===========================================================================

void load_world_graphics() {
    // The magenta transparent colour of the loading screen is still in force.
    if (examine_directory(0, engine.topo_gfx_path, "*" + engine.gfx_codec) == 0) return;
    while (next_directory_entry(0)) {
        end_program_if_requested();  // a large folder takes a while
        if (directory_entry_type(0) != 1) continue;
        text entry = directory_entry_name(0);
        world_graphic* g = append(engine.world_graphics);
        if (g == nullptr) continue;
        g->path = engine.topo_gfx_path + entry;
        g->sprite = load_sprite(-1, g->path, sprite_mode_3d);
        g->name = file_part(entry);
    }
    finish_directory(0);
}

void clear_asset_lists() {
    list_clear(engine.sound_fx_list);
    list_reset(engine.sound_fx_list);
    list_clear(engine.floor_cells);
    list_reset(engine.floor_cells);
    list_clear(engine.object_instances);
    list_reset(engine.object_instances);
    list_clear(engine.object_definitions);
    list_reset(engine.object_definitions);
}

void load_cursor_sprites(int32_t x, int32_t y) {
    // Cursor images are always PNG files, whatever the world graphics use.
    if (examine_directory(0, engine.cursor_path, "*.png") == 0) return;
    while (next_directory_entry(0)) {
        if (directory_entry_type(0) != 1) continue;
        text entry = directory_entry_name(0);
        cursor_sprite* s = append(engine.cursor_sprites);
        if (s == nullptr) continue;
        set_sprite_transparent_colour(-1, white);
        s->sprite = load_sprite(-1, engine.cursor_path + entry, sprite_mode_3d);
        s->sprite3d = create_sprite3d(-1, s->sprite);
        // At a world build the view origin is 0, so screen and world
        // positions of the start cell coincide.
        s->pos_x = static_cast<float>(x) * engine.resolution;
        s->pos_y = static_cast<float>(y) * engine.resolution;
    }
    finish_directory(0);
}

}  // namespace tw
