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
    const size_t before = report->messages.size();
    check_pairs(g.ini, config_table(), {&object_file_table(), &definition_table()});
    // The keys a shift hid: read as values, and not set anywhere in step.
    std::set<text> hidden;
    for (const pair_line& p : g.ini.pairs)
        if (p.shifted)
            for (const text& k : {p.key, p.value})
                if (config_table().has(k) && !has_key(g.ini, k)) hidden.insert(k);
    for (size_t i = before; i < report->messages.size(); ++i)
        if (report->messages[i].message.rfind("pairs shifted:", 0) == 0) {
            fold_shift_consequences(i, hidden);
            break;
        }
    check_values(g.ini, config_table());
    g.generated = engine.use_self_create_base == 1;
    g.designed = !g.generated && engine.play_saved_world == 1;
    if (g.generated && engine.play_saved_world == 1)
        warn(ini_shown, value_line(g.ini, "PLAYSAVEDWORLD"),
             "PLAYSAVEDWORLD 1 has no effect: USESELFCREATEBASE is 1, so the game generates its worlds");

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
    if (has_key(g.ini, "MULTITASK") && text_to_int(value_of(g.ini, "MULTITASK")) > max_multitask_ms)
        warn(ini_shown, value_line(g.ini, "MULTITASK"),
             "MULTITASK " + value_of(g.ini, "MULTITASK") + " counts as " + int_to_text(max_multitask_ms) +
                 ", the engine's limit (milliseconds of wait a frame)");
    if (has_key(g.ini, "MAXFOE") && text_to_int(value_of(g.ini, "MAXFOE")) > max_foe_limit)
        warn(ini_shown, value_line(g.ini, "MAXFOE"),
             "MAXFOE " + value_of(g.ini, "MAXFOE") + " counts as " + int_to_text(max_foe_limit) +
                 ", the engine's limit of enemies");
    for (const pair_line& p : g.ini.pairs)
        if (text_length(p.value) > max_path_length && config_table().has(p.key))
            warn(ini_shown, p.line + 1,
                 p.key + " is " + int_to_text(text_length(p.value)) + " characters long: a path longer than " +
                     int_to_text(max_path_length) + " characters names no file");
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
        if (last_column < (engine.world_width + 1) / 3) {
            // Told at the enemy type's DDENSITY, the key to change.
            text where = ini_shown;
            int line = value_line(g.ini, "MAXFOE");
            text type;
            for (int i = 0; i < list_size(engine.object_definitions); ++i) {
                const object_definition& d = *list_at(engine.object_definitions, i);
                if (d.is_enemy == 0) continue;
                const pair_file f = read_pair_file(definition_file_path(d.image_path, engine.gfx_codec));
                if (!f.exists) continue;
                where = f.shown;
                line = 0;
                for (const pair_line& p : f.pairs)
                    if (!p.shifted && p.key == "DDENSITY") line = p.line + 1;
                type = "this enemy type";
                break;
            }
            warn(where, line,
                 "all " + int_to_text(enemies) + " enemies of world 0 spawn in its first " +
                     int_to_text(last_column + 1) + " of " + int_to_text(engine.world_width + 1) +
                     " columns, where MAXFOE (" + int_to_text(engine.max_foe) + ") is reached: a higher DDENSITY" +
                     (type.empty() ? text(" of the enemy types") : " of " + type) + " spreads them");
        }
    }
    const world_summary summary = summarize_world(0);
    if (summary.has_start && summary.pickups > 0 && cell_or_blocker(summary.start_x, summary.start_y).use_collision != 0)
        warn(ini_shown, value_line(g.ini, "SELFCREATEBASE"),
             "the figure's start cell (" + int_to_text(summary.start_x) + ", " + int_to_text(summary.start_y) +
                 ") blocks, so the figure cannot move and reaches no pickup: carved cells keep the wall's "
                 "USECOLLISION unless their object file sets USECOLLISION 0");
    else if (summary.has_start && summary.reachable_pickups < summary.pickups)
        warn(ini_shown, value_line(g.ini, "SELFCREATEBASE"),
             int_to_text(summary.pickups - summary.reachable_pickups) + " of the " + int_to_text(summary.pickups) +
                 " pickups of world 0 cannot be reached from the figure's start (" + int_to_text(summary.start_x) +
                 ", " + int_to_text(summary.start_y) +
                 "): blocking cells (USECOLLISION 1) close them off (tileworld-check --catalog lists other worlds)");
    report->facts.push_back(world_facts("world 0"));
}

// The topography and opacity files of loaded world n (1: the saved world).
// false when the engine refuses the world: at start it stops, later it stays
// in the world it has.
bool check_world_files(game_check& g, int32_t n, text& topography_shown, int32_t& w, int32_t& h) {
    const text topo = designed_world_path(n, topography_extension);
    const bool first = n <= 1;
    const text refused = first ? text(": the engine stops at start")
                               : ": Page Up stays in world " + int_to_text(n - 1);
    const int line = std::max(value_line(g.ini, "APPSTART"), value_line(g.ini, "APPENTRY"));
    if (!file_exists(topo)) {
        fail(ini_shown, line,
             "the saved world " + quoted(shown(topo)) + " (APPENTRY + APPSTART + .ai42) " +
                 (folder_exists(topo) ? "is a folder" : "does not exist") + ": the engine stops at start");
        return false;
    }
    check_case(topo, ini_shown, line, first ? text("the saved world") : "designed world " + int_to_text(n));
    topography_shown = shown(resolved_path(topo));
    w = 0;
    h = 0;
    read_size_lines(topo, topography_shown, w, h);
    if (w < 0 || h < 0 || w > max_world_index || h > max_world_index) {
        const text m = "the world size " + int_to_text(w) + " x " + int_to_text(h) +
                       " is outside 0..1024: the engine refuses it" + refused;
        if (first) fail(topography_shown, (w < 0 || w > max_world_index) ? 2 : 3, m);
        else warn(topography_shown, (w < 0 || w > max_world_index) ? 2 : 3, m);
        return false;
    }
    const int64_t cells = (static_cast<int64_t>(w) + 1) * (static_cast<int64_t>(h) + 1);
    const int lines = count_lines(topo);
    const int64_t records = lines > 5 ? (lines - 5) / 3 : 0;
    if (records < cells)
        warn(topography_shown, lines,
             "the file ends after " + int_to_text(static_cast<int32_t>(records)) + " of " +
                 int_to_text(static_cast<int32_t>(cells)) + " cells: the rest stay empty");

    const text opacity = designed_world_path(n, opacity_extension);
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
    return true;
}

// The cell types of the world in the grid, for the object file checks.
void record_types(std::map<text, cell_type_use>& types, const text& where, int32_t w, int32_t h) {
    for (int32_t x = 0; x <= w; ++x) {
        for (int32_t y = 0; y <= h; ++y) {
            if (!cell_in_grid(x, y) || cell_at(x, y).state != 1) continue;
            cell_type_use& u = types[name_text(cell_at(x, y).cell_type)];
            if (u.first < 0) {
                u.first = static_cast<int>(static_cast<int64_t>(x) * (h + 1) + y);
                u.where = where;
                u.height = h;
            }
            u.count += 1;
        }
    }
}

text cell_text(int32_t x, int32_t y) {
    text t(1, '(');
    t += int_to_text(x);
    t += ", ";
    t += int_to_text(y);
    t += ')';
    return t;
}

// "A,B" of a .place value: both numbers written as whole numbers.
bool whole_cell_numbers(const text& t) {
    const size_t comma = t.find(',');
    return comma != text::npos && is_whole_number(t.substr(0, comma)) && is_whole_number(t.substr(comma + 1));
}

// The .place file of designed world n, against what its build did with it.
void check_placements(game_check& g, int32_t n, const designed_world_report& r) {
    const text path = designed_world_path(n, placement_extension);
    const world_placements& p = r.placements;
    const text world_size = "(0.." + int_to_text(engine.world_width) + ", 0.." + int_to_text(engine.world_height) + ")";
    if (p.exists) {
        pair_file f = read_pair_file(path);
        check_case(path, f.shown, 0, "the placement file");
        check_pairs(f, placement_table(), {&config_table(), &object_file_table(), &definition_table()});
        auto value_at = [&](int line) -> const pair_line* {
            const size_t i = static_cast<size_t>((line - 2) / 2);
            return i < f.pairs.size() ? &f.pairs[i] : nullptr;
        };
        for (int line : p.malformed)
            if (const pair_line* pl = value_at(line))
                warn(f.shown, line,
                     pl->key + " " + quoted(pl->value) + " is not " + (pl->key == "START" ? "X,Y" : "NAME,X,Y") +
                         ": the line is skipped");
        if (p.has_start) {
            const pair_line* pl = value_at(p.start_line);
            if (pl && !whole_cell_numbers(pl->value))
                warn(f.shown, p.start_line,
                     "START " + quoted(pl->value) + " is not two whole numbers: it reads as " +
                         cell_text(p.start_x, p.start_y));
            if (!r.start_used)
                warn(f.shown, p.start_line,
                     "START " + cell_text(p.start_x, p.start_y) + " lies outside the world " + world_size +
                         ": the figure starts on the first cell that does not block");
            else if (cell_at(p.start_x, p.start_y).use_collision != 0)
                warn(f.shown, p.start_line,
                     "START " + cell_text(p.start_x, p.start_y) +
                         " is a cell that blocks: the figure can leave it but never come back");
        }
        for (size_t i = 0; i < p.objects.size() && i < r.outcomes.size(); ++i) {
            const placed_object& o = p.objects[i];
            const text what = "OBJECT " + quoted(o.name) + " on cell " + cell_text(o.x, o.y);
            const pair_line* pl = value_at(o.line);
            if (pl) {
                const size_t last = pl->value.rfind(',');
                const size_t middle = pl->value.rfind(',', last - 1);
                if (!whole_cell_numbers(pl->value.substr(middle + 1)))
                    warn(f.shown, o.line, "OBJECT " + quoted(pl->value) + " does not end in two whole numbers: " +
                                              "it reads as cell " + cell_text(o.x, o.y));
            }
            switch (r.outcomes[i]) {
                case placement_outcome::unknown_name:
                    warn(f.shown, o.line,
                         "OBJECT " + quoted(o.name) +
                             " matches no object definition (DGFXNAME in WORLDGFX): nothing is placed" +
                             (g.definitions_known ? name_hint(o.name, g.definition_names, {}) : text()));
                    break;
                case placement_outcome::outside:
                    g.placed_names.insert(o.name);
                    warn(f.shown, o.line, what + " lies outside the world " + world_size + ": nothing is placed");
                    break;
                case placement_outcome::not_placed:
                    g.placed_names.insert(o.name);
                    warn(f.shown, o.line, what + ": the cell already holds eight objects, so nothing is placed");
                    break;
                case placement_outcome::placed: {
                    g.placed_names.insert(o.name);
                    const world_cell& c = cell_at(o.x, o.y);
                    if (c.state != 1 || !cell_has_graphic(c))
                        warn(f.shown, o.line,
                             what + ": the cell has no picture, so the object is neither drawn nor collected");
                    break;
                }
                case placement_outcome::enemy:
                    g.placed_names.insert(o.name);
                    break;
            }
        }
    }
    if (list_size(engine.floor_cells) == 0)
        warn(p.exists ? shown(resolved_path(path)) : shown(resolved_path(designed_world_path(n, topography_extension))),
             0,
             "designed world " + int_to_text(n) +
                 " has no START and no cell that does not block: there is no player figure");
}

void check_saved_world(game_check& g, std::map<text, cell_type_use>& types) {
    text where;
    int32_t w = 0, h = 0;
    if (!check_world_files(g, 1, where, w, h)) return;

    fatal_code = -1;
    designed_world_report first;
    if (g.designed)
        start_designed_worlds(&first);
    else
        step_world();  // loads the saved world
    if (fatal_code >= 0) {
        fail(where, 0, "the engine refuses this world and stops at start");
        return;
    }
    g.world_built = true;
    record_types(types, where, w, h);

    if (!g.designed) {
        text facts = world_facts("the saved world");
        // Unseeded, the generator starts from the clock: every start draws
        // the saved world's objects anew.
        if (!has_key(g.ini, "WORLDRANDOM")) facts += " (drawn anew at every start: there is no WORLDRANDOM)";
        report->facts.push_back(facts);
        const text place = designed_world_path(1, placement_extension);
        if (file_exists(place))
            warn(shown(resolved_path(place)), 0,
                 "PLAYSAVEDWORLD is not 1, so this file is not read: no start cell and no placed objects");
        const text second = designed_world_path(2, topography_extension);
        if (file_exists(second))
            warn(shown(resolved_path(second)), 0,
                 "PLAYSAVEDWORLD is not 1, so this world is never played: the game loads world 1 only");
        return;
    }

    report->facts.push_back(world_facts("designed world 1"));
    check_placements(g, 1, first);
    const int32_t last = designed_world_count();
    for (int32_t n = 2; n <= last; ++n) {
        if (!check_world_files(g, n, where, w, h)) continue;
        designed_world_report r;
        // As Page Up does: the main loop builds world n in place.
        engine.world_number = n;
        if (!build_designed_world(n, false, &r)) continue;
        engine.built_world_number = n;
        record_types(types, where, w, h);
        report->facts.push_back(world_facts("designed world " + int_to_text(n)));
        check_placements(g, n, r);
    }
    // The check leaves the world the game starts in.
    if (engine.built_world_number != 1) {
        engine.world_number = 1;
        build_designed_world(1, false, nullptr);
        engine.built_world_number = 1;
    }
}

// Errors, after everything that causes them: a game without pictures for its
// cells shows nothing of its world, and a generated world without a figure
// cannot be played at all.
void check_playable(const game_check& g) {
    if (list_size(engine.world_graphics) == 0)
        fail(ini_shown, value_line(g.ini, "TOPOGFX"),
             "the game cannot be played: no cell has a picture, so nothing of the world is drawn");
    if (!g.generated) return;
    if (cursor_picture_paths().empty())
        fail(ini_shown, value_line(g.ini, "CURSOR"),
             "the game cannot be played: there is no player figure (no picture in CURSOR)");
    else if (g.world_built && list_size(engine.floor_cells) == 0)
        fail(ini_shown, value_line(g.ini, "SELFCREATEBASE"),
             "the game cannot be played: world 0 has no floor, so the figure has no start cell");
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
    // The loading screen is not shown, but its picture is chosen by a draw
    // of the generator, as at the engine's start: a saved world's objects,
    // which come from the draws after it, then land where the game puts them.
    (void)loading_screen_name(engine.load_screen);
    step_decoders();
    // A display exactly as wide as the game's base width: cells and objects
    // keep their configured sizes.
    scale_to_display(engine.res_base_w, engine.res_base_h);
    step_containers();
    step_assets();
    return true;
}

// The fixed limits the engine reached while the checker ran its loaders and
// built the world, from report_limit: the same limits, so the same findings.
void report_limits(size_t first) {
    const std::vector<text> limits = limits_reported();
    const text refused = " not loaded: ";
    for (size_t i = first; i < limits.size(); ++i) {
        const size_t at = limits[i].find(refused);
        if (at == text::npos)
            warn(ini_shown, 0, "a limit of the engine is reached: " + limits[i]);
        else
            warn(shown(limits[i].substr(0, at)), 0,
                 "not loaded by the engine: " + limits[i].substr(at + refused.size()));
    }
}

// Every data path that leads out of the game folder: the game reads it, but a
// copy of the folder elsewhere will not carry it along.
void report_reads_outside() {
    for (const text& r : reads_outside())
        warn(ini_shown, 0,
             "a data path leads out of the game folder (absolute, '..' or a symlink): " + quoted(r) +
                 ": the game reads it there, and a copy of the folder does not carry it");
}

check_result check_game() {
    check_result result;
    report = &result;
    set_fatal_error_handler(capture_fatal_error);
    keep_limit_reports_quiet();
    watch_reads_outside();
    const size_t first_limit = limits_reported().size();

    text why;
    if (!start_without_display(why)) {
        fail(ini_shown, 0, why + ": the engine stops at start (run the checker in the game folder)");
        set_fatal_error_handler(nullptr);
        report = nullptr;
        return result;
    }
    check_case(engine.config_path, ini_shown, 0, "the configuration");

    game_check g;
    const text refused = " not loaded: ";
    const std::vector<text> limits = limits_reported();
    for (size_t i = first_limit; i < limits.size(); ++i)
        if (limits[i].find(refused) != text::npos) g.over_budget.insert(limits[i].substr(0, limits[i].find(refused)));
    check_configuration(g);
    check_world_graphics(g);
    check_definitions(g);
    // A definition file without its picture, before the object files that
    // name the type it would have made.
    check_orphan_definition_files(g);
    check_sounds(g);

    std::map<text, cell_type_use> saved_types;
    if (g.generated)
        check_generated_world(g);
    else
        check_saved_world(g, saved_types);
    if (g.generated || g.world_built) check_object_files(g, saved_types);
    check_definition_files(g);
    check_font(g);
    if (g.generated || g.designed) check_cursor(g);
    check_loading_screen(g);
    report_limits(first_limit);
    report_reads_outside();
    finish_shift_folding();
    check_playable(g);

    set_fatal_error_handler(nullptr);
    report = nullptr;
    return result;
}

}  // namespace tw
