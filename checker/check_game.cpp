// check_game: the whole check of a game folder, its configuration and its
// world. The checker runs the engine's own start-up readers (configuration,
// world graphics, object definitions, sound effects, the world build or
// load) without a display, then reads every file those lead to with the
// same line-pair reader the engine uses, and reports what the engine would
// skip without a word: unknown keys, pairs shifted by a stray line, names
// that match nothing, missing and undecodable files, world sizes the engine
// refuses.
//
// Errors are what stops the engine at start or leaves a file it needs
// unreadable; everything the engine silently works around is a warning.
#include <algorithm>

#include "assets/assets.h"
#include "checker/checks.h"
#include "core/core.h"
#include "runtime/inspection.h"
#include "runtime/media_runtime.h"
#include "world/world.h"

namespace tw {

namespace checking {

const text ini_shown = "DATA/ini.txt";

bool check_config_folder(game_check& g, const text& key, const text& full, bool needs_separator,
                         const text& consequence) {
    if (!has_key(g.ini, key)) {
        warn(ini_shown, 0, "no " + key + ": " + consequence);
        return false;
    }
    const text v = value_of(g.ini, key);
    const int line = value_line(g.ini, key);
    if (needs_separator && !v.empty() && !ends_with_separator(v)) {
        fail(ini_shown, line,
             key + " " + quoted(v) + " does not end with '\\': file names are appended to it directly (" +
                 quoted(v + "name") + "), so no file in it can be read");
        return false;
    }
    if (!folder_exists(full)) {
        warn(ini_shown, line,
             key + " names the folder " + quoted(shown(full)) + ", which does not exist: " + consequence);
        return false;
    }
    check_case(full, ini_shown, line, key);
    return true;
}

namespace {

// --- configuration ---

void check_configuration(game_check& g) {
    g.ini = read_pair_file(engine.config_path);
    g.ini.shown = ini_shown;
    check_pairs(g.ini, config_table(), {&object_file_table(), &definition_table()});
    check_values(g.ini, config_table());
    g.generated = engine.use_self_create_base == 1;

    if (engine.window_mode != 1) {
        int line = std::max(key_line(g.ini, "WINDOWMODE"), key_line(g.ini, "USESPRITE3D"));
        warn(ini_shown, line,
             "the world view is off (WINDOWMODE or USESPRITE3D, whichever comes later, is not 1): the game shows "
             "only its loading screen");
    }
    if (!has_key(g.ini, "RESOLUTION") || engine.resolution <= 0) {
        warn(ini_shown, value_line(g.ini, "RESOLUTION"),
             "RESOLUTION is not above 0: cells have no size and the world is not drawn");
    }
    if (engine.gfx_codec.empty()) {
        warn(ini_shown, value_line(g.ini, "GFXCODEC"),
             "GFXCODEC is empty: every file in TOPOGFX and WORLDGFX is taken for a picture");
    }
    if (has_key(g.ini, "CURSORSPEED")) {
        int32_t v = text_to_int(value_of(g.ini, "CURSORSPEED"));
        if (v < 0 || v > 255)
            warn(ini_shown, value_line(g.ini, "CURSORSPEED"),
                 "CURSORSPEED " + int_to_text(v) + " is outside 0..255: it counts as " +
                     int_to_text(engine.cursor_speed));
    }
    if (has_key(g.ini, "MAPSIZE")) {
        int32_t v = text_to_int(value_of(g.ini, "MAPSIZE"));
        if (v > max_world_index)
            warn(ini_shown, value_line(g.ini, "MAPSIZE"), "MAPSIZE " + int_to_text(v) + " counts as 1024");
        else if (v < 0)
            warn(ini_shown, value_line(g.ini, "MAPSIZE"),
                 "MAPSIZE " + int_to_text(v) + " is negative: it counts as 32");
    }
    if (g.generated && engine.map_size_x <= 1) {
        warn(ini_shown, value_line(g.ini, "MAPSIZE"),
             "MAPSIZE is " + int_to_text(engine.map_size_x) +
                 (has_key(g.ini, "MAPSIZE") ? text() : text(" (not set)")) +
                 ": the worlds after the first (Page Up) are at most " + int_to_text(engine.map_size_x + 1) +
                 " cells wide and high");
    }
    text log_inside, log_why;
    if (!engine.log_file.empty() && !report_log_inside(log_inside, log_why)) {
        // The engine never writes outside the game folder: such a log is not written at all.
        fail(ini_shown, value_line(g.ini, has_key(g.ini, "LOGPATH") ? "LOGPATH" : "LOGFILE"),
             log_why + ": the report of a fault while the game runs is not written");
    } else if (!engine.log_file.empty() && has_key(g.ini, "LOGPATH") && !folder_exists(engine.log_path)) {
        warn(ini_shown, value_line(g.ini, "LOGPATH"),
             "LOGPATH names the folder " + quoted(shown(engine.log_path)) +
                 ", which does not exist: the report of a fault while the game runs is lost");
    }
}

// --- the world: base file or saved world ---

// Lines 2 and 3 of a base or topography file, numbers checked.
void read_size_lines(const text& path, const text& where, int32_t& w, int32_t& h) {
    int file = open_file_read(-1, path);
    text lines[3];
    for (text& l : lines) l = file != 0 ? read_line(file) : text();
    if (file != 0) close_file(file);
    if (!is_whole_number(lines[1]))
        warn(where, 2,
             "the width " + quoted(lines[1]) + " is not a whole number: it reads as " +
                 int_to_text(text_to_int(lines[1])));
    if (!is_whole_number(lines[2]))
        warn(where, 3,
             "the height " + quoted(lines[2]) + " is not a whole number: it reads as " +
                 int_to_text(text_to_int(lines[2])));
    w = text_to_int(lines[1]);
    h = text_to_int(lines[2]);
}

text world_facts(const text& what) {
    text t = what + ": " + int_to_text(engine.world_width + 1) + " x " + int_to_text(engine.world_height + 1) +
             " cells, " + int_to_text(list_size(engine.object_instances)) + " objects, " +
             int_to_text(list_size(engine.enemy_list)) + " enemies";
    if (const floor_cell* start = list_at(engine.floor_cells, 0))
        t += ", start at (" + int_to_text(start->x) + ", " + int_to_text(start->y) + ")";
    return t;
}

void check_generated_world(game_check& g) {
    const text base = engine.self_create_base_path;
    if (!has_key(g.ini, "SELFCREATEBASE")) {
        fail(ini_shown, value_line(g.ini, "USESELFCREATEBASE"),
             "USESELFCREATEBASE is 1 but SELFCREATEBASE is not set: the engine stops at start");
        return;
    }
    const int line = value_line(g.ini, "SELFCREATEBASE");
    if (!file_exists(base)) {
        fail(ini_shown, line,
             "SELFCREATEBASE names " + quoted(shown(base)) + ", " +
                 (folder_exists(base) ? "which is a folder" : "which does not exist") +
                 ": the engine stops at start (\"Could not open:\")");
        return;
    }
    check_case(base, ini_shown, line, "SELFCREATEBASE");
    const text where = shown(resolved_path(base));
    int32_t w = 0, h = 0;
    read_size_lines(base, where, w, h);
    if (w < 0) warn(where, 2, "a negative base width counts as 0: the first world is one column wide");
    if (h < 0) warn(where, 3, "a negative base height counts as 0: the first world is one row high");

    fatal_code = -1;
    step_world();  // builds from the base
    if (fatal_code >= 0) {
        fail(where, w > h ? 2 : 3,
             "with WORLDRANDOM " + int_to_text(engine.world_random) + " the first world drawn from this base " +
                 int_to_text(w) + " x " + int_to_text(h) +
                 " is larger than 1024 cells: the engine stops at start (a base of at most 1025 x 1025 never is)");
        return;
    }
    g.world_built = true;
    if (w > 0 && w / 2 * 2 > max_world_index)
        warn(where, 2,
             "a base width above 1025 can draw a first world wider than 1024 cells, which the engine "
             "refuses; this WORLDRANDOM happens to give one " +
                 int_to_text(engine.world_width + 1) + " cells wide");
    if (h > 0 && h / 2 * 2 > max_world_index)
        warn(where, 3,
             "a base height above 1025 can draw a first world higher than 1024 cells, which the engine "
             "refuses; this WORLDRANDOM happens to give one " +
                 int_to_text(engine.world_height + 1) + " cells high");
    if (list_size(engine.floor_cells) == 0)
        warn(where, 0,
             "world 0 (" + int_to_text(engine.world_width) + " x " + int_to_text(engine.world_height) +
                 ") is too small to carve a floor: it has no start cell and no player figure");
    // Spawning walks the columns from the left and stops at MAXFOE, so
    // types that spawn easily crowd every enemy into the first columns.
    const int enemies = list_size(engine.enemy_list);
    if (enemies > 0 && enemies >= engine.max_foe && engine.resolution > 0) {
        int32_t last_column = 0;
        for (int i = 0; i < enemies; ++i)
            last_column = std::max(last_column, nearest(list_at(engine.enemy_list, i)->pos_x / engine.resolution));
        if (last_column < (engine.world_width + 1) / 3)
            warn(ini_shown, value_line(g.ini, "MAXFOE"),
                 "all " + int_to_text(enemies) + " enemies of world 0 spawn in its first " +
                     int_to_text(last_column + 1) + " of " + int_to_text(engine.world_width + 1) +
                     " columns, where MAXFOE is reached: a higher DDENSITY of the enemy types spreads them");
    }
    report->facts.push_back(world_facts("world 0"));
}

void check_saved_world(game_check& g, std::map<text, cell_type_use>& types, text& topography_shown, int32_t& height) {
    const text topo = saved_world_path(topography_extension);
    const int line = std::max(value_line(g.ini, "APPSTART"), value_line(g.ini, "APPENTRY"));
    if (!file_exists(topo)) {
        fail(ini_shown, line,
             "the saved world " + quoted(shown(topo)) + " (APPENTRY + APPSTART + .ai42) " +
                 (folder_exists(topo) ? "is a folder" : "does not exist") + ": the engine stops at start");
        return;
    }
    check_case(topo, ini_shown, line, "the saved world");
    topography_shown = shown(resolved_path(topo));
    int32_t w = 0, h = 0;
    read_size_lines(topo, topography_shown, w, h);
    if (w < 0 || h < 0 || w > max_world_index || h > max_world_index) {
        fail(topography_shown, (w < 0 || w > max_world_index) ? 2 : 3,
             "the world size " + int_to_text(w) + " x " + int_to_text(h) +
                 " is outside 0..1024: the engine refuses it and stops at start");
        return;
    }
    height = h;
    const int64_t cells = (static_cast<int64_t>(w) + 1) * (static_cast<int64_t>(h) + 1);
    const int lines = count_lines(topo);
    const int64_t records = lines > 5 ? (lines - 5) / 3 : 0;
    if (records < cells)
        warn(topography_shown, lines,
             "the file ends after " + int_to_text(static_cast<int32_t>(records)) + " of " +
                 int_to_text(static_cast<int32_t>(cells)) + " cells: the rest stay empty");

    const text opacity = saved_world_path(opacity_extension);
    if (!file_exists(opacity)) {
        warn(topography_shown, 0, "no opacity file " + quoted(shown(opacity)) + ": every cell is hidden");
    } else {
        check_case(opacity, topography_shown, 0, "the opacity file");
        const int opacity_lines = count_lines(opacity);
        if (opacity_lines - 5 < cells)
            warn(shown(resolved_path(opacity)), opacity_lines,
                 "the file ends after " + int_to_text(std::max(0, opacity_lines - 5)) + " of " +
                     int_to_text(static_cast<int32_t>(cells)) + " cells: the rest are hidden");
    }

    fatal_code = -1;
    step_world();  // loads the saved world
    if (fatal_code >= 0) {
        fail(topography_shown, 0, "the engine refuses this world and stops at start");
        return;
    }
    g.world_built = true;
    for (int32_t x = 0; x <= w; ++x) {
        for (int32_t y = 0; y <= h; ++y) {
            if (!cell_in_grid(x, y) || cell_at(x, y).state != 1) continue;
            cell_type_use& u = types[name_text(cell_at(x, y).cell_type)];
            if (u.first < 0) u.first = static_cast<int>(static_cast<int64_t>(x) * (h + 1) + y);
            u.count += 1;
        }
    }
    report->facts.push_back(world_facts("the saved world"));
}

}  // namespace

}  // namespace checking

using namespace checking;

// ===========================================================================
// Functions
// ===========================================================================

bool start_without_display(text& why) {
    step_start_values();
    if (!file_exists(engine.config_path)) {
        why = folder_exists(engine.config_path) ? "DATA/ini.txt is a folder" : "there is no DATA/ini.txt";
        return false;
    }
    read_configuration_pairs(engine.config_path);
    step_decoders();
    // A display exactly as wide as the game's base width: cells and objects
    // keep their configured sizes.
    scale_to_display(engine.res_base_w, engine.res_base_h);
    step_containers();
    step_assets();
    return true;
}

check_result check_game() {
    check_result result;
    report = &result;
    set_fatal_error_handler(capture_fatal_error);

    text why;
    if (!start_without_display(why)) {
        fail(ini_shown, 0, why + ": the engine stops at start (run the checker in the game folder)");
        set_fatal_error_handler(nullptr);
        report = nullptr;
        return result;
    }
    check_case(engine.config_path, ini_shown, 0, "the configuration");

    game_check g;
    check_configuration(g);
    check_world_graphics(g);
    check_definitions(g);
    check_sounds(g);

    std::map<text, cell_type_use> saved_types;
    text topography_shown;
    int32_t height = 0;
    if (g.generated)
        check_generated_world(g);
    else
        check_saved_world(g, saved_types, topography_shown, height);
    if (g.generated || g.world_built) check_object_files(g, saved_types, topography_shown, height);
    check_definition_files(g);
    check_font(g);
    if (g.generated) check_cursor(g);
    check_loading_screen(g);

    set_fatal_error_handler(nullptr);
    report = nullptr;
    return result;
}

}  // namespace tw
