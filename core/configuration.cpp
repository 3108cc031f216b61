// configuration: the settings file, read once at start-up. The file is a
// sequence of line pairs (core/line_pairs.h): keys are matched exactly and
// case-sensitively, an unknown key skips its pair, and a repeated key is
// applied again, so the last one wins.
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

// Reads every pair of the file into the engine state, each applied as it is
// read; false when the file cannot be opened.
bool read_pairs(const text& path) {
    int file = open_file_read(-1, path);
    if (file == 0) return false;
    line_pair pair;
    while (read_line_pair(file, pair)) apply_config_key(pair.key, pair.value);
    close_file(file);
    return true;
}

}  // namespace

// ===========================================================================
// Keys, tested in this order: what each sets, the kind of its value, and
// whether anything reads it
// ===========================================================================

namespace {

using config_setter = void (*)(const text& value);

struct config_key {
    const char* key;
    value_kind kind;
    value_use use;
    config_setter set;
};

const config_key config_table[] = {
    {"SOUNDFXPATH", value_kind::path, value_use::used, [](const text& v) { engine.sound_fx_path = as_path(v); }},
    {"EGFXPATH", value_kind::path, value_use::unused, [](const text& v) { engine.egfx_path = as_path(v); }},
    {"EGFXMAX", value_kind::integer, value_use::unused, [](const text& v) { engine.egfx_max = text_to_int(v); }},
    {"FONTPATH", value_kind::path, value_use::used, [](const text& v) { engine.font_path = as_path(v); }},
    {"FONTSYSTEM", value_kind::path, value_use::used, [](const text& v) { engine.font_system = as_path(v); }},
    {"WINDOWMODE", value_kind::flag, value_use::used, [](const text& v) { engine.window_mode = as_flag(v); }},
    {"MULTITASK", value_kind::integer, value_use::used,
     [](const text& v) {
         // Milliseconds of event wait and sleep per frame. A negative value
         // would make the wait endless, so it counts as no wait at all.
         int32_t ms = text_to_int(v);
         engine.multitask = ms < 0 ? 0 : ms;
     }},
    {"SAVEGFX", value_kind::text, value_use::unused, [](const text& v) { engine.save_gfx = v; }},
    {"SAVEEVOLUTION", value_kind::text, value_use::unused, [](const text& v) { engine.save_evolution = v; }},
    {"APPNAME", value_kind::text, value_use::shown, [](const text& v) { engine.app_name = v; }},
    {"GFXPATH", value_kind::path, value_use::unused, [](const text& v) { engine.gfx_path = as_path(v); }},
    // A whole number of pixels, kept as a float for the display's scaling.
    {"RESOLUTION", value_kind::integer, value_use::used,
     [](const text& v) { engine.resolution = static_cast<float>(text_to_int(v)); }},
    {"TOPO", value_kind::path, value_use::unused, [](const text& v) { engine.topo_path = as_path(v); }},
    {"BASICGFX", value_kind::path, value_use::unused, [](const text& v) { engine.basic_gfx_path = as_path(v); }},
    {"USEEXTENDEDTOPO", value_kind::flag, value_use::used,
     [](const text& v) { engine.use_extended_topo = as_flag(v); }},
    {"APPENTRY", value_kind::text, value_use::used, [](const text& v) { engine.app_entry = v; }},
    {"APPSTART", value_kind::text, value_use::used, [](const text& v) { engine.app_start = v; }},
    {"TOPOGFX", value_kind::path, value_use::used, [](const text& v) { engine.topo_gfx_path = as_path(v); }},
    {"GFXCODEC", value_kind::text, value_use::used, [](const text& v) { engine.gfx_codec = v; }},
    {"SYSTEMCORE", value_kind::path, value_use::shown, [](const text& v) { engine.system_core_path = as_path(v); }},
    {"CORENAME", value_kind::text, value_use::shown, [](const text& v) { engine.core_name = v; }},
    // Older data switches the world view with this key: same field, so of
    // the two keys the later one in the file wins.
    {"USESPRITE3D", value_kind::flag, value_use::used, [](const text& v) { engine.window_mode = as_flag(v); }},
    {"MAXFOE", value_kind::integer, value_use::used, [](const text& v) { engine.max_foe = text_to_int(v); }},
    {"LOGPATH", value_kind::path, value_use::used, [](const text& v) { engine.log_path = as_path(v); }},
    {"LOGFILE", value_kind::text, value_use::used, [](const text& v) { engine.log_file = v; }},
    {"RGBCODEPATH", value_kind::text, value_use::used, [](const text& v) { engine.rgb_code_path = v; }},
    {"WORLDGFX", value_kind::path, value_use::used, [](const text& v) { engine.world_gfx_path = as_path(v); }},
    {"USELOGFILE", value_kind::flag, value_use::unused, [](const text& v) { engine.use_log_file = as_flag(v); }},
    {"LOADSCREEN", value_kind::text, value_use::used, [](const text& v) { engine.load_screen = v; }},
    {"LOADANIM", value_kind::text, value_use::unused, [](const text& v) { engine.load_anim = v; }},
    {"FULLSCREENZOOM", value_kind::decimal, value_use::used,
     [](const text& v) { engine.full_screen_zoom = text_to_float(v); }},
    {"RESBASEW", value_kind::integer, value_use::used, [](const text& v) { engine.res_base_w = text_to_int(v); }},
    {"RESBASEH", value_kind::integer, value_use::unused, [](const text& v) { engine.res_base_h = text_to_int(v); }},
    {"CURSOR", value_kind::path, value_use::used, [](const text& v) { engine.cursor_path = as_path(v); }},
    {"CURSORSPEED", value_kind::integer, value_use::used,
     [](const text& v) {
         // Clamped to a byte first; the steering reads the inverse.
         int32_t speed = text_to_int(v);
         if (speed > 255) speed = 255;
         if (speed < 0) speed = 0;
         engine.cursor_speed = speed;
         engine.cursor_speed_inverse = 255 - speed;
     }},
    {"VEGIDENSE", value_kind::integer, value_use::unused, [](const text& v) { engine.vegi_dense = text_to_int(v); }},
    {"USEFULLMATRIX", value_kind::flag, value_use::unused, [](const text& v) { engine.use_full_matrix = as_flag(v); }},
    {"WORLDRANDOM", value_kind::integer, value_use::used,
     [](const text& v) {
         // The generator is seeded at once, while the file is still being read.
         engine.world_random = text_to_int(v);
         random_seed(engine.world_random);
     }},
    {"MULTICORE", value_kind::flag, value_use::unused, [](const text& v) { engine.multicore = as_flag(v); }},
    {"MAPSIZE", value_kind::integer, value_use::used,
     [](const text& v) {
         // Largest world size of a rebuilt world, the same both ways. Too large
         // gives 1024; negative gives 32; 0 stays 0.
         int32_t size = text_to_int(v);
         if (size > 1024) size = 1024;
         if (size < 0) size = 32;
         engine.map_size_x = size;
         engine.map_size_y = size;
     }},
    {"WORLDTEMPERATURE", value_kind::decimal, value_use::unused,
     [](const text& v) { engine.world_temperature = text_to_float(v); }},
    {"WORLDREFRESH", value_kind::integer, value_use::used,
     [](const text& v) {
         engine.world_refresh = text_to_int(v);
         engine.frame_cycle_length = engine.world_refresh;
     }},
    {"SELFCREATEBASE", value_kind::path, value_use::used,
     [](const text& v) { engine.self_create_base_path = as_path(v); }},
    {"USESELFCREATEBASE", value_kind::flag, value_use::used,
     [](const text& v) { engine.use_self_create_base = as_flag(v); }},
    {"LABSWITCH", value_kind::integer, value_use::used, [](const text& v) { engine.lab_switch = text_to_int(v); }},
};

}  // namespace

void apply_config_key(const text& key, const text& value) {
    for (const config_key& k : config_table) {
        if (key == k.key) {
            k.set(value);
            return;
        }
    }
    // Not a key of the table: the pair is skipped.
}

std::vector<key_description> configuration_keys() {
    std::vector<key_description> keys;
    for (const config_key& k : config_table) keys.push_back({k.key, k.kind, k.use});
    return keys;
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
