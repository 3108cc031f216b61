// configuration: the settings file, read once at start-up. The file is a
// sequence of line pairs (core/line_pairs.h): keys are matched exactly and
// case-sensitively, an unknown key skips its pair, and a repeated key is
// applied again, so the last one wins.
#include "core/core.h"

#include <algorithm>
#include <cstdio>

#include "runtime/media_runtime.h"

namespace tw {

// ===========================================================================
// Value kinds
// ===========================================================================

namespace {

// Off while a copy of the configuration is read for a live reload: the
// running game's chance is not disturbed by a file that may be refused.
bool seed_while_reading = true;

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

using config_key = key_row<void (*)(const text& value)>;

template <text EngineState::*field>
void set_path(const text& v) {
    engine.*field = as_path(v);
}
template <text EngineState::*field>
void set_text(const text& v) {
    engine.*field = v;
}
template <int32_t EngineState::*field>
void set_integer(const text& v) {
    engine.*field = text_to_int(v);
}
template <int8_t EngineState::*field>
void set_flag(const text& v) {
    engine.*field = as_flag(v);
}
template <float EngineState::*field>
void set_decimal(const text& v) {
    engine.*field = text_to_float(v);
}

const config_key config_table[] = {
    {"SOUNDFXPATH", value_kind::path, value_use::used, set_path<&EngineState::sound_fx_path>},
    {"EGFXPATH", value_kind::path, value_use::unused, set_path<&EngineState::egfx_path>},
    {"EGFXMAX", value_kind::integer, value_use::unused, set_integer<&EngineState::egfx_max>},
    {"FONTPATH", value_kind::path, value_use::used, set_path<&EngineState::font_path>},
    {"FONTSYSTEM", value_kind::path, value_use::used, set_path<&EngineState::font_system>},
    {"WINDOWMODE", value_kind::flag, value_use::used, set_flag<&EngineState::window_mode>},
    {"MULTITASK", value_kind::integer, value_use::used,
     [](const text& v) {
         // Milliseconds of event wait and sleep per frame. A negative value
         // would make the wait endless, so it counts as no wait at all; more
         // than a second a frame would leave the game unplayable.
         int32_t ms = text_to_int(v);
         engine.multitask = ms < 0 ? 0 : std::min(ms, max_multitask_ms);
     }},
    {"SAVEGFX", value_kind::text, value_use::unused, set_text<&EngineState::save_gfx>},
    {"SAVEEVOLUTION", value_kind::text, value_use::unused, set_text<&EngineState::save_evolution>},
    {"APPNAME", value_kind::text, value_use::shown, set_text<&EngineState::app_name>},
    {"GFXPATH", value_kind::path, value_use::unused, set_path<&EngineState::gfx_path>},
    // A whole number of pixels, kept as a float for the display's scaling.
    {"RESOLUTION", value_kind::integer, value_use::used,
     [](const text& v) { engine.resolution = static_cast<float>(text_to_int(v)); }},
    {"TOPO", value_kind::path, value_use::unused, set_path<&EngineState::topo_path>},
    {"BASICGFX", value_kind::path, value_use::unused, set_path<&EngineState::basic_gfx_path>},
    {"USEEXTENDEDTOPO", value_kind::flag, value_use::used, set_flag<&EngineState::use_extended_topo>},
    {"APPENTRY", value_kind::text, value_use::used, set_text<&EngineState::app_entry>},
    {"APPSTART", value_kind::text, value_use::used, set_text<&EngineState::app_start>},
    {"TOPOGFX", value_kind::path, value_use::used, set_path<&EngineState::topo_gfx_path>},
    {"GFXCODEC", value_kind::text, value_use::used, set_text<&EngineState::gfx_codec>},
    {"SYSTEMCORE", value_kind::path, value_use::shown, set_path<&EngineState::system_core_path>},
    {"CORENAME", value_kind::text, value_use::shown, set_text<&EngineState::core_name>},
    // Older data switches the world view with this key: same field, so of
    // the two keys the later one in the file wins.
    {"USESPRITE3D", value_kind::flag, value_use::used, set_flag<&EngineState::window_mode>},
    // Enemies move and are drawn every frame: past max_foe_limit a game
    // would crawl.
    {"MAXFOE", value_kind::integer, value_use::used,
     [](const text& v) { engine.max_foe = std::min(text_to_int(v), max_foe_limit); }},
    {"LOGPATH", value_kind::path, value_use::used, set_path<&EngineState::log_path>},
    {"LOGFILE", value_kind::text, value_use::used, set_text<&EngineState::log_file>},
    {"RGBCODEPATH", value_kind::text, value_use::used, set_text<&EngineState::rgb_code_path>},
    {"WORLDGFX", value_kind::path, value_use::used, set_path<&EngineState::world_gfx_path>},
    {"USELOGFILE", value_kind::flag, value_use::unused, set_flag<&EngineState::use_log_file>},
    {"LOADSCREEN", value_kind::text, value_use::used, set_text<&EngineState::load_screen>},
    {"LOADANIM", value_kind::text, value_use::unused, set_text<&EngineState::load_anim>},
    {"FULLSCREENZOOM", value_kind::decimal, value_use::used, set_decimal<&EngineState::full_screen_zoom>},
    {"RESBASEW", value_kind::integer, value_use::used, set_integer<&EngineState::res_base_w>},
    {"RESBASEH", value_kind::integer, value_use::unused, set_integer<&EngineState::res_base_h>},
    {"CURSOR", value_kind::path, value_use::used, set_path<&EngineState::cursor_path>},
    {"CURSORSPEED", value_kind::integer, value_use::used,
     [](const text& v) {
         // Clamped to a byte first; the steering reads the inverse.
         int32_t speed = text_to_int(v);
         if (speed > 255) speed = 255;
         if (speed < 0) speed = 0;
         engine.cursor_speed = speed;
         engine.cursor_speed_inverse = 255 - speed;
     }},
    {"VEGIDENSE", value_kind::integer, value_use::unused, set_integer<&EngineState::vegi_dense>},
    {"USEFULLMATRIX", value_kind::flag, value_use::unused, set_flag<&EngineState::use_full_matrix>},
    {"WORLDRANDOM", value_kind::integer, value_use::used,
     [](const text& v) {
         // The generator is seeded at once, while the file is still being read.
         engine.world_random = text_to_int(v);
         if (seed_while_reading) random_seed(engine.world_random);
     }},
    {"MULTICORE", value_kind::flag, value_use::unused, set_flag<&EngineState::multicore>},
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
    {"WORLDTEMPERATURE", value_kind::decimal, value_use::unused, set_decimal<&EngineState::world_temperature>},
    {"WORLDREFRESH", value_kind::integer, value_use::used,
     [](const text& v) {
         engine.world_refresh = text_to_int(v);
         engine.frame_cycle_length = engine.world_refresh;
     }},
    {"SELFCREATEBASE", value_kind::path, value_use::used, set_path<&EngineState::self_create_base_path>},
    {"USESELFCREATEBASE", value_kind::flag, value_use::used, set_flag<&EngineState::use_self_create_base>},
    {"LABSWITCH", value_kind::integer, value_use::used, set_integer<&EngineState::lab_switch>},
    // The engine's own: 0 leaves the debug line out of every frame.
    {"SHOWDEBUGLINE", value_kind::flag, value_use::used, set_flag<&EngineState::show_debug_line>},
    // 1: a loaded world plays like a generated one (the figure, enemies, the
    // placements of its .place file) and Page Up / Page Down move between
    // the game's designed worlds. 0 keeps the loaded world a picture.
    {"PLAYSAVEDWORLD", value_kind::flag, value_use::used, set_flag<&EngineState::play_saved_world>},
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

std::vector<key_description> configuration_keys() { return describe_keys(config_table); }

// Every field the table above sets: a new key adds its field here too, or a
// live reload (tileworld --watch) leaves the key as it was at start-up.
void copy_configuration(EngineState& to, const EngineState& from) {
    to.sound_fx_path = from.sound_fx_path;
    to.egfx_path = from.egfx_path;
    to.egfx_max = from.egfx_max;
    to.font_path = from.font_path;
    to.font_system = from.font_system;
    to.window_mode = from.window_mode;
    to.multitask = from.multitask;
    to.save_gfx = from.save_gfx;
    to.save_evolution = from.save_evolution;
    to.app_name = from.app_name;
    to.gfx_path = from.gfx_path;
    to.resolution = from.resolution;
    to.topo_path = from.topo_path;
    to.basic_gfx_path = from.basic_gfx_path;
    to.use_extended_topo = from.use_extended_topo;
    to.app_entry = from.app_entry;
    to.app_start = from.app_start;
    to.topo_gfx_path = from.topo_gfx_path;
    to.gfx_codec = from.gfx_codec;
    to.system_core_path = from.system_core_path;
    to.core_name = from.core_name;
    to.max_foe = from.max_foe;
    to.log_path = from.log_path;
    to.log_file = from.log_file;
    to.rgb_code_path = from.rgb_code_path;
    to.world_gfx_path = from.world_gfx_path;
    to.use_log_file = from.use_log_file;
    to.load_screen = from.load_screen;
    to.load_anim = from.load_anim;
    to.full_screen_zoom = from.full_screen_zoom;
    to.res_base_w = from.res_base_w;
    to.res_base_h = from.res_base_h;
    to.cursor_path = from.cursor_path;
    to.cursor_speed = from.cursor_speed;
    to.cursor_speed_inverse = from.cursor_speed_inverse;
    to.vegi_dense = from.vegi_dense;
    to.use_full_matrix = from.use_full_matrix;
    to.world_random = from.world_random;
    to.multicore = from.multicore;
    to.map_size_x = from.map_size_x;
    to.map_size_y = from.map_size_y;
    to.world_temperature = from.world_temperature;
    to.world_refresh = from.world_refresh;
    to.frame_cycle_length = from.frame_cycle_length;
    to.self_create_base_path = from.self_create_base_path;
    to.use_self_create_base = from.use_self_create_base;
    to.lab_switch = from.lab_switch;
    to.show_debug_line = from.show_debug_line;
    to.play_saved_world = from.play_saved_world;
}

// ===========================================================================
// Reading the file and bringing up the devices
// ===========================================================================

void read_configuration_pairs(const text& path) { read_pairs(path); }

bool read_configuration_copy(EngineState& out) {
    // The running game steps aside while the file is read from the start
    // values, so that nothing of it is touched, its generator included (the
    // worlds a reload makes seed it themselves).
    EngineState running = std::move(engine);
    set_start_values();
    engine.base_dir = running.base_dir;
    engine.config_path = running.config_path;
    seed_while_reading = false;
    const bool read = read_pairs(engine.config_path);
    seed_while_reading = true;
    out = std::move(engine);
    engine = std::move(running);
    return read;
}

void load_configuration(const text& path) {
    if (!read_pairs(path)) {
        fatal_error(fatal_configuration);
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
