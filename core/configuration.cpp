// configuration: the settings file, read once at start-up. The file is a
// sequence of line pairs (a key line, then a value line), paired by position
// only; keys are matched exactly and case-sensitively, an unknown key skips
// its pair, and a repeated key is applied again, so the last one wins.
#include "core/core.h"

#include "runtime/media_runtime.h"

namespace tw {

// ===========================================================================
// Value kinds
// ===========================================================================

namespace {

// Paths are relative to the start-up folder, which already ends in a
// separator, so they are joined without adding one.
text as_path(const text& value) { return engine.base_dir + value; }

// Flags keep only the low 8 bits of the number, as a signed byte; readers
// treat exactly 1 as on (so 257 is on and 256 is off).
int8_t as_flag(const text& value) {
    return static_cast<int8_t>(static_cast<uint8_t>(static_cast<uint32_t>(text_to_int(value)) & 0xFFu));
}

// Reads every pair of the file into the engine state; false when the file
// cannot be opened.
bool read_pairs(const text& path) {
    int file = open_file_read(-1, path);
    if (file == 0) return false;
    while (!end_of_file(file)) {
        text key = read_line(file);
        // A key on the last line gets an empty value.
        text value = end_of_file(file) ? text() : read_line(file);
        apply_config_key(key, value);
    }
    close_file(file);
    return true;
}

}  // namespace

// ===========================================================================
// Keys, tested in this order
// ===========================================================================

void apply_config_key(const text& key, const text& value) {
    EngineState& e = engine;
    if (key == "SOUNDFXPATH") { e.sound_fx_path = as_path(value); return; }
    if (key == "EGFXPATH") { e.egfx_path = as_path(value); return; }
    if (key == "EGFXMAX") { e.egfx_max = text_to_int(value); return; }
    if (key == "FONTPATH") { e.font_path = as_path(value); return; }
    if (key == "FONTSYSTEM") { e.font_system = as_path(value); return; }
    if (key == "WINDOWMODE") { e.window_mode = as_flag(value); return; }
    if (key == "MULTITASK") {
        // Milliseconds of event wait and sleep per frame. A negative value
        // would make the wait endless, so it counts as no wait at all.
        int32_t ms = text_to_int(value);
        e.multitask = ms < 0 ? 0 : ms;
        return;
    }
    if (key == "SAVEGFX") { e.save_gfx = value; return; }
    if (key == "SAVEEVOLUTION") { e.save_evolution = value; return; }
    if (key == "APPNAME") { e.app_name = value; return; }
    if (key == "GFXPATH") { e.gfx_path = as_path(value); return; }
    if (key == "RESOLUTION") { e.resolution = static_cast<float>(text_to_int(value)); return; }
    if (key == "TOPO") { e.topo_path = as_path(value); return; }
    if (key == "BASICGFX") { e.basic_gfx_path = as_path(value); return; }
    if (key == "USEEXTENDEDTOPO") { e.use_extended_topo = as_flag(value); return; }
    if (key == "APPENTRY") { e.app_entry = value; return; }
    if (key == "APPSTART") { e.app_start = value; return; }
    if (key == "TOPOGFX") { e.topo_gfx_path = as_path(value); return; }
    if (key == "GFXCODEC") { e.gfx_codec = value; return; }
    if (key == "SYSTEMCORE") { e.system_core_path = as_path(value); return; }
    if (key == "CORENAME") { e.core_name = value; return; }
    // Older data switches the world view with this key: same field, so of
    // the two keys the later one in the file wins.
    if (key == "USESPRITE3D") { e.window_mode = as_flag(value); return; }
    if (key == "MAXFOE") { e.max_foe = text_to_int(value); return; }
    if (key == "LOGPATH") { e.log_path = as_path(value); return; }
    if (key == "LOGFILE") { e.log_file = value; return; }
    if (key == "RGBCODEPATH") { e.rgb_code_path = value; return; }
    if (key == "WORLDGFX") { e.world_gfx_path = as_path(value); return; }
    if (key == "USELOGFILE") { e.use_log_file = as_flag(value); return; }
    if (key == "LOADSCREEN") { e.load_screen = value; return; }
    if (key == "LOADANIM") { e.load_anim = value; return; }
    if (key == "FULLSCREENZOOM") { e.full_screen_zoom = text_to_float(value); return; }
    if (key == "RESBASEW") { e.res_base_w = text_to_int(value); return; }
    if (key == "RESBASEH") { e.res_base_h = text_to_int(value); return; }
    if (key == "CURSOR") { e.cursor_path = as_path(value); return; }
    if (key == "CURSORSPEED") {
        // Clamped to a byte first; the steering reads the inverse.
        int32_t speed = text_to_int(value);
        if (speed > 255) speed = 255;
        if (speed < 0) speed = 0;
        e.cursor_speed = speed;
        e.cursor_speed_inverse = 255 - speed;
        return;
    }
    if (key == "VEGIDENSE") { e.vegi_dense = text_to_int(value); return; }
    if (key == "USEFULLMATRIX") { e.use_full_matrix = as_flag(value); return; }
    if (key == "WORLDRANDOM") {
        // The generator is seeded at once, while the file is still being read.
        e.world_random = text_to_int(value);
        random_seed(e.world_random);
        return;
    }
    if (key == "MULTICORE") { e.multicore = as_flag(value); return; }
    if (key == "MAPSIZE") {
        // Largest world size of a rebuilt world, the same both ways. Too large
        // gives 1024; negative gives 32; 0 stays 0.
        int32_t size = text_to_int(value);
        if (size > 1024) size = 1024;
        if (size < 0) size = 32;
        e.map_size_x = size;
        e.map_size_y = size;
        return;
    }
    if (key == "WORLDTEMPERATURE") { e.world_temperature = text_to_float(value); return; }
    if (key == "WORLDREFRESH") {
        e.world_refresh = text_to_int(value);
        e.frame_cycle_length = e.world_refresh;
        return;
    }
    if (key == "SELFCREATEBASE") { e.self_create_base_path = as_path(value); return; }
    if (key == "USESELFCREATEBASE") { e.use_self_create_base = as_flag(value); return; }
    if (key == "LABSWITCH") { e.lab_switch = text_to_int(value); return; }
}

// ===========================================================================
// Reading the file and bringing up the devices
// ===========================================================================

void read_configuration_pairs(const text& path) { read_pairs(path); }

void load_configuration(const text& path) {
    if (!read_pairs(path)) {
        fatal_error(0);
        return;
    }
    // The sprite back-end also opens the keyboard. Sprites loaded from now on
    // key out magenta unless their image carries its own alpha.
    if (init_sprite()) set_sprite_transparent_colour(-1, rgb(255, 0, 255));
    // Failures of these are not fatal: the game goes on without them.
    init_sprite3d();
    init_sound();
    init_mouse();
    engine.joystick_present = init_joystick() ? 1 : 0;
}

}  // namespace tw
