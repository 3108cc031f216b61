// configuration: the settings file, read once at start-up. The file is a
// sequence of line pairs (a key line, then a value line), paired by position
// only; keys are matched exactly and case-sensitively, an unknown key skips
// its pair, and a repeated key is applied again, so the last one wins.
#include "core/core.h"

#include <cstdio>

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

namespace {

using config_setter = void (*)(const text& value);

struct config_key {
    const char* key;
    config_setter set;
};

const config_key config_keys[] = {
    {"SOUNDFXPATH", [](const text& v) { engine.sound_fx_path = as_path(v); }},
    {"EGFXPATH", [](const text& v) { engine.egfx_path = as_path(v); }},
    {"EGFXMAX", [](const text& v) { engine.egfx_max = text_to_int(v); }},
    {"FONTPATH", [](const text& v) { engine.font_path = as_path(v); }},
    {"FONTSYSTEM", [](const text& v) { engine.font_system = as_path(v); }},
    {"WINDOWMODE", [](const text& v) { engine.window_mode = as_flag(v); }},
    {"MULTITASK",
     [](const text& v) {
         // Milliseconds of event wait and sleep per frame. A negative value
         // would make the wait endless, so it counts as no wait at all.
         int32_t ms = text_to_int(v);
         engine.multitask = ms < 0 ? 0 : ms;
     }},
    {"SAVEGFX", [](const text& v) { engine.save_gfx = v; }},
    {"SAVEEVOLUTION", [](const text& v) { engine.save_evolution = v; }},
    {"APPNAME", [](const text& v) { engine.app_name = v; }},
    {"GFXPATH", [](const text& v) { engine.gfx_path = as_path(v); }},
    {"RESOLUTION", [](const text& v) { engine.resolution = static_cast<float>(text_to_int(v)); }},
    {"TOPO", [](const text& v) { engine.topo_path = as_path(v); }},
    {"BASICGFX", [](const text& v) { engine.basic_gfx_path = as_path(v); }},
    {"USEEXTENDEDTOPO", [](const text& v) { engine.use_extended_topo = as_flag(v); }},
    {"APPENTRY", [](const text& v) { engine.app_entry = v; }},
    {"APPSTART", [](const text& v) { engine.app_start = v; }},
    {"TOPOGFX", [](const text& v) { engine.topo_gfx_path = as_path(v); }},
    {"GFXCODEC", [](const text& v) { engine.gfx_codec = v; }},
    {"SYSTEMCORE", [](const text& v) { engine.system_core_path = as_path(v); }},
    {"CORENAME", [](const text& v) { engine.core_name = v; }},
    // Older data switches the world view with this key: same field, so of
    // the two keys the later one in the file wins.
    {"USESPRITE3D", [](const text& v) { engine.window_mode = as_flag(v); }},
    {"MAXFOE", [](const text& v) { engine.max_foe = text_to_int(v); }},
    {"LOGPATH", [](const text& v) { engine.log_path = as_path(v); }},
    {"LOGFILE", [](const text& v) { engine.log_file = v; }},
    {"RGBCODEPATH", [](const text& v) { engine.rgb_code_path = v; }},
    {"WORLDGFX", [](const text& v) { engine.world_gfx_path = as_path(v); }},
    {"USELOGFILE", [](const text& v) { engine.use_log_file = as_flag(v); }},
    {"LOADSCREEN", [](const text& v) { engine.load_screen = v; }},
    {"LOADANIM", [](const text& v) { engine.load_anim = v; }},
    {"FULLSCREENZOOM", [](const text& v) { engine.full_screen_zoom = text_to_float(v); }},
    {"RESBASEW", [](const text& v) { engine.res_base_w = text_to_int(v); }},
    {"RESBASEH", [](const text& v) { engine.res_base_h = text_to_int(v); }},
    {"CURSOR", [](const text& v) { engine.cursor_path = as_path(v); }},
    {"CURSORSPEED",
     [](const text& v) {
         // Clamped to a byte first; the steering reads the inverse.
         int32_t speed = text_to_int(v);
         if (speed > 255) speed = 255;
         if (speed < 0) speed = 0;
         engine.cursor_speed = speed;
         engine.cursor_speed_inverse = 255 - speed;
     }},
    {"VEGIDENSE", [](const text& v) { engine.vegi_dense = text_to_int(v); }},
    {"USEFULLMATRIX", [](const text& v) { engine.use_full_matrix = as_flag(v); }},
    {"WORLDRANDOM",
     [](const text& v) {
         // The generator is seeded at once, while the file is still being read.
         engine.world_random = text_to_int(v);
         random_seed(engine.world_random);
     }},
    {"MULTICORE", [](const text& v) { engine.multicore = as_flag(v); }},
    {"MAPSIZE",
     [](const text& v) {
         // Largest world size of a rebuilt world, the same both ways. Too large
         // gives 1024; negative gives 32; 0 stays 0.
         int32_t size = text_to_int(v);
         if (size > 1024) size = 1024;
         if (size < 0) size = 32;
         engine.map_size_x = size;
         engine.map_size_y = size;
     }},
    {"WORLDTEMPERATURE", [](const text& v) { engine.world_temperature = text_to_float(v); }},
    {"WORLDREFRESH",
     [](const text& v) {
         engine.world_refresh = text_to_int(v);
         engine.frame_cycle_length = engine.world_refresh;
     }},
    {"SELFCREATEBASE", [](const text& v) { engine.self_create_base_path = as_path(v); }},
    {"USESELFCREATEBASE", [](const text& v) { engine.use_self_create_base = as_flag(v); }},
    {"LABSWITCH", [](const text& v) { engine.lab_switch = text_to_int(v); }},
};

}  // namespace

void apply_config_key(const text& key, const text& value) {
    for (const config_key& k : config_keys) {
        if (key == k.key) {
            k.set(value);
            return;
        }
    }
    // Not a key of the table: the pair is skipped.
}

bool is_config_key(const text& key) {
    for (const config_key& k : config_keys)
        if (key == k.key) return true;
    return false;
}

std::vector<text> config_key_names() {
    std::vector<text> names;
    for (const config_key& k : config_keys) names.emplace_back(k.key);
    return names;
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
    // Failures of these are not fatal: the game goes on without them. A
    // machine without a sound card is common enough to say so, once.
    init_sprite3d();
    if (!init_sound()) std::fputs("no sound device: playing without sound\n", stderr);
    init_mouse();
    engine.joystick_present = init_joystick() ? 1 : 0;
}

}  // namespace tw
