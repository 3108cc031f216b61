// check_assets: the checks of what a world is made of: object files, world
// graphics, object definitions and their files, sound effects, the sprite
// font, the cursor figures and the loading screen.
#include <algorithm>

#include "assets/assets.h"
#include "checker/checks.h"
#include "core/core.h"
#include "presentation/presentation.h"
#include "runtime/inspection.h"
#include "runtime/media_runtime.h"
#include "world/world.h"

namespace tw::checking {

namespace {

// --- object files ---

void check_object_file(game_check& g, const text& path, const text& type, bool edge_type) {
    pair_file f = read_pair_file(path);
    check_case(path, f.shown, 0, "the object file");
    check_pairs(f, object_file_table(), {&definition_table(), &config_table()});
    check_values(f, object_file_table());

    // The cell's picture.
    text gfx = value_of(f, "GFXNAME");
    if (gfx.empty()) gfx = "dummy.png";
    if (g.graphics_known && !contains(g.graphic_names, gfx)) {
        if (has_key(f, "GFXNAME"))
            warn(f.shown, value_line(f, "GFXNAME"),
                 "GFXNAME " + quoted(gfx) + " names no picture in TOPOGFX: cells of type " + quoted(type) + " are not drawn" +
                     name_hint(gfx, g.graphic_names, engine.gfx_codec));
        else
            warn(f.shown, 0,
                 "no GFXNAME: cells of type " + quoted(type) +
                     " show 'dummy.png', which TOPOGFX does not have, so they are not drawn");
    }

    // The children, as a fresh cell takes them: "#" closes the list, and
    // placement examines CHILD1 up to the last "#" read.
    text names[8];
    int lines[8] = {};
    int last_hash = -1;
    int hash_line = 0;
    for (const pair_line& p : f.pairs) {
        if (p.key.size() != 6 || p.key.compare(0, 5, "CHILD") != 0 || p.key[5] < '1' || p.key[5] > '8') continue;
        const int slot = p.key[5] - '1';
        names[slot] = p.value;
        lines[slot] = p.line + 1;
        if (p.value == "#") {
            last_hash = slot;
            hash_line = p.line + 1;
        }
    }
    const int examined = last_hash < 0 ? 0 : last_hash;
    for (int slot = 0; slot <= examined; ++slot) {
        const text& v = names[slot];
        if (v == "#" || v == "NOPE" || lines[slot] == 0) continue;
        if (!g.definitions_known) continue;
        if (!contains(g.definition_names, v)) {
            warn(f.shown, lines[slot],
                 "CHILD" + int_to_text(slot + 1) + " " + quoted(v) +
                     " matches no object definition (DGFXNAME in WORLDGFX): nothing is placed from it" +
                     name_hint(v, g.definition_names, {}));
        } else {
            g.used_children.insert(v);
        }
    }
    if (last_hash < 0) {
        for (int slot = 1; slot < 8; ++slot) {
            if (names[slot].empty()) continue;
            warn(f.shown, lines[slot],
                 "no child is '#', so only CHILD1 is examined and CHILD" + int_to_text(slot + 1) +
                     " and later are never placed: end the list with a '#' child");
            break;
        }
    } else {
        for (int slot = last_hash + 1; slot < 8; ++slot) {
            if (names[slot].empty() || names[slot] == "#") continue;
            warn(f.shown, lines[slot],
                 "CHILD" + int_to_text(slot + 1) + " " + quoted(names[slot]) + " comes after the closing '#' (line " +
                     int_to_text(hash_line) + "): it is never examined");
        }
    }

    // A generated world's cells start with opacity 0; only TRANSPARENCY
    // gives them another. (Edge types keep what the floor gave them, and a
    // saved world's opacity file sets every cell's.)
    if (g.generated && !has_key(f, "TRANSPARENCY") && !edge_type)
        warn(f.shown, 0,
             "no TRANSPARENCY: cells of type " + quoted(type) +
                 " keep opacity 0 and are not drawn (TRANSPARENCY 0 draws them opaque)");
    if (has_key(f, "TRANSPARENCY")) {
        int32_t t = text_to_int(value_of(f, "TRANSPARENCY"));
        if (t > 255 || t < 0)
            warn(f.shown, value_line(f, "TRANSPARENCY"),
                 "TRANSPARENCY " + int_to_text(t) + " is outside 0..255: " +
                     (t > 255 ? text("the cells are hidden") : text("the opacity is above 255")));
    }
    if (has_key(f, "USEENEMY") && (text_to_int(value_of(f, "USEENEMY")) & 0xFF) == 1) g.enemy_cells = true;
}

}  // namespace

void check_object_files(game_check& g, const std::map<text, cell_type_use>& saved_types) {
    const text folder = object_file_folder();
    const int line =
        value_line(g.ini, "RGBCODEPATH") ? value_line(g.ini, "RGBCODEPATH") : value_line(g.ini, "APPSTART");
    if (!folder_exists(folder)) {
        warn(ini_shown, line,
             "the folder of the object files " + quoted(shown(folder)) +
                 " (RGBCODEPATH + APPSTART + '\\') does not exist: no cell gets a picture or objects");
        return;
    }
    check_case(folder, ini_shown, line, "the object file folder");
    g.object_files_checked = true;

    if (g.generated) {
        std::vector<text> types = {"LAB_WALL", "LAB_FLOOR", "LAB_GREEN", "LAB_WATER"};
        if (engine.use_extended_topo == 1) {
            for (const char* t :
                 {"LAB_WALL_E", "LAB_GREEN_E", "LAB_WATER_E", "LAB_WALL_S", "LAB_GREEN_S", "LAB_WATER_S"})
                types.emplace_back(t);
        }
        for (size_t i = 0; i < types.size(); ++i) {
            const text& t = types[i];
            const text path = folder + t;
            if (!file_exists(path))
                warn(ini_shown, value_line(g.ini, "APPSTART"),
                     "no object file " + quoted(shown(path)) + " for the labyrinth's " + t +
                         " cells: they have no picture and no objects");
            else
                check_object_file(g, path, t, i >= 4);  // the six edge types come last
        }
        return;
    }
    for (const auto& [type, use] : saved_types) {
        // A cell without a code comes from a file cut short, reported with it.
        if (type.empty()) continue;
        const text path = folder + type;
        if (file_exists(path)) {
            check_object_file(g, path, type, false);
            continue;
        }
        const int32_t x = use.first / (use.height + 1), y = use.first % (use.height + 1);
        warn(use.where, 6 + 3 * use.first,
             "no object file " + quoted(shown(path)) + " for the colour code " + quoted(type) + " of cell (" +
                 int_to_text(x) + ", " + int_to_text(y) + ") and " + int_to_text(use.count - 1) +
                 " more: they have no picture and no objects");
    }
}

// --- world graphics and object definitions ---

void check_world_graphics(game_check& g) {
    if (!check_config_folder(g, "TOPOGFX", engine.topo_gfx_path, true, "no cell has a picture")) return;
    g.graphics_known = true;
    for (int i = 0; i < list_size(engine.world_graphics); ++i) {
        const world_graphic& w = *list_at(engine.world_graphics, i);
        g.graphic_names.push_back(w.name);
        if (w.sprite != 0 || g.over_budget.count(w.path)) continue;
        rgba_image image;
        text why;
        if (!decode_image_file(w.path, image, why))
            fail(shown(resolved_path(w.path)), 0,
                 "the picture cannot be read: " + why + ": cells that name it are not drawn");
    }
    if (list_size(engine.world_graphics) == 0)
        warn(ini_shown, value_line(g.ini, "TOPOGFX"),
             "TOPOGFX " + quoted(shown(engine.topo_gfx_path)) + " holds no '*" + engine.gfx_codec +
                 "' picture: no cell is drawn");
}

void check_definitions(game_check& g) {
    if (!check_config_folder(g, "WORLDGFX", engine.world_gfx_path, true, "there are no objects and no enemies")) {
        return;
    }
    g.definitions_known = true;
    List<object_definition>& defs = engine.object_definitions;
    for (int i = 0; i < list_size(defs); ++i) g.definition_names.push_back(list_at(defs, i)->gfx_name);
}

namespace {

// Keys left out read as 0, and for some of them 0 changes what a player sees.
void check_left_out_keys(const pair_file& f, const object_definition& d) {
    if (d.gfx_name == "NOPE" && d.is_enemy == 0) return;  // never placed anyway
    const text what = d.is_enemy != 0 ? text("enemies") : text("objects");
    if (!has_key(f, "DGFXTRANSPARENCY"))
        warn(f.shown, 0, "no DGFXTRANSPARENCY: it reads as 0, fully transparent, so " + what +
                             " of this type are invisible (255 is opaque)");
    if (d.is_enemy == 0 && !has_key(f, "DGFXSHOW"))
        warn(f.shown, 0, "no DGFXSHOW: it reads as 0, so objects of this type are never drawn (1 draws them)");
    if (d.is_enemy == 0 && d.score != 0) {
        if (!has_key(f, "DCOLLISION"))
            warn(f.shown, 0, "no DCOLLISION: it reads as 0, so the player cannot collect this type and its DSCORE is "
                             "never paid (1 collects it)");
        else if (d.collision != 0 && !has_key(f, "DKILLONCOLLISION"))
            warn(f.shown, 0, "no DKILLONCOLLISION: it reads as 0, so collecting this type leaves it in place and "
                             "never pays its DSCORE (1 removes it and pays)");
    }
}

}  // namespace

void check_definition_files(game_check& g) {
    if (!g.definitions_known) return;
    List<object_definition>& defs = engine.object_definitions;
    bool enemies = false;
    for (int i = 0; i < list_size(defs); ++i) {
        const object_definition& d = *list_at(defs, i);
        const text image = shown(resolved_path(d.image_path));
        if (d.sprite == 0 && !g.over_budget.count(d.image_path)) {
            rgba_image img;
            text why;
            if (!decode_image_file(d.image_path, img, why))
                fail(image, 0,
                     "the picture cannot be read: " + why + ": objects and enemies of this type are invisible");
        }
        if (text_find(d.image_path, engine.gfx_codec, 1) == 0) {
            warn(image, 0,
                 "the name does not contain GFXCODEC " + quoted(engine.gfx_codec) +
                     " as written (its case differs), so its definition file is looked for as '.dll' and the type "
                     "has an empty name and all properties 0");
            continue;
        }
        const text def_path = definition_file_path(d.image_path, engine.gfx_codec);
        if (!file_exists(def_path)) {
            warn(image, 0,
                 "no definition file " + quoted(shown(def_path)) +
                     (folder_exists(def_path) ? text(" (a folder has its name)") : text()) +
                     ": the type has an empty name and all properties 0");
            continue;
        }
        pair_file f = read_pair_file(def_path);
        check_case(def_path, f.shown, 0, "the definition file");
        check_pairs(f, definition_table(), {&object_file_table(), &config_table()});
        check_values(f, definition_table());
        check_left_out_keys(f, d);

        if (g.sounds_known && d.use_count_sound != 0 && !contains(g.sound_names, d.count_sound)) {
            const int line = has_key(f, "DCOUNTSOUND") ? value_line(f, "DCOUNTSOUND") : value_line(f, "DUSECOUNTSOUND");
            warn(f.shown, line,
                 "DCOUNTSOUND " + quoted(d.count_sound) + " names no sound in SOUNDFXPATH: nothing plays when it is collected" +
                     name_hint(d.count_sound, g.sound_names, ".ogg"));
        }
        const text hotspot = value_of(f, "DHOTSPOT");
        const text hotspot_upper = upper(trimmed(hotspot));
        if (hotspot != hotspot_upper && (hotspot_upper == "CENTER" || hotspot_upper == "RIGHT" ||
                                         hotspot_upper == "BOTTOMLEFT" || hotspot_upper == "BOTTOMRIGHT"))
            warn(f.shown, value_line(f, "DHOTSPOT"),
                 "DHOTSPOT " + quoted(hotspot) + " is not " + quoted(hotspot_upper) +
                     ": anchor words are matched exactly, so it anchors at the top-left corner");
        if (d.density < 0 && (d.gfx_name != "NOPE" || d.is_enemy != 0) && !g.placed_names.count(d.gfx_name))
            warn(f.shown, value_line(f, "DDENSITY"),
                 "DDENSITY " + int_to_text(d.density) + " is negative: the type " +
                     (d.is_enemy != 0 ? text("never spawns as an enemy") : text("is never placed")));
        if (g.object_files_checked && d.gfx_name != "NOPE" && d.is_enemy == 0 && !g.used_children.count(d.gfx_name) &&
            !g.placed_names.count(d.gfx_name))
            warn(f.shown, value_line(f, "DGFXNAME"),
                 "the object type " + quoted(d.gfx_name) +
                     " is never placed: no object file of this world names it in a CHILD slot that is examined");
        if (d.is_enemy != 0) enemies = true;
    }

    if (enemies && (g.generated || g.designed)) {
        if (engine.max_foe <= 0)
            warn(
                ini_shown, value_line(g.ini, "MAXFOE"),
                "there are enemy types (DISENEMY) but MAXFOE is " + int_to_text(engine.max_foe) + ": no enemy appears");
        else if (!g.enemy_cells)
            warn(ini_shown, value_line(g.ini, "APPSTART"),
                 "there are enemy types (DISENEMY) but no cell type sets USEENEMY 1: no enemy appears");
    }

}

void check_orphan_definition_files(game_check& g) {
    if (!g.definitions_known) return;
    // The definition files the engine reads: one beside each picture.
    std::set<text> definition_hosts;
    List<object_definition>& defs = engine.object_definitions;
    for (int i = 0; i < list_size(defs); ++i) {
        const object_definition& d = *list_at(defs, i);
        if (text_find(d.image_path, engine.gfx_codec, 1) == 0) continue;
        definition_hosts.insert(with_slashes(resolved_path(definition_file_path(d.image_path, engine.gfx_codec))));
    }
    // Definition files without their picture are never read.
    if (examine_directory(0, engine.world_gfx_path, "*.dll") == 0) return;
    std::vector<text> orphans;
    while (next_directory_entry(0)) {
        if (directory_entry_type(0) != 1) continue;
        const text path = engine.world_gfx_path + directory_entry_name(0);
        if (!definition_hosts.count(with_slashes(resolved_path(path)))) orphans.push_back(path);
    }
    finish_directory(0);
    for (const text& path : orphans) {
        const text stem = text_left(path, text_length(path) - 4);
        warn(shown(resolved_path(path)), 0,
             "no picture " + quoted(file_part(stem) + engine.gfx_codec) +
                 " beside this definition file: it is never read");
    }
}

// --- sounds, font, figures, loading screen ---

void check_sounds(game_check& g) {
    bool used = false;
    for (int i = 0; i < list_size(engine.object_definitions); ++i)
        if (list_at(engine.object_definitions, i)->use_count_sound != 0) used = true;
    // A game without sounds may leave the folder out.
    if ((used || has_key(g.ini, "SOUNDFXPATH")) &&
        !check_config_folder(g, "SOUNDFXPATH", engine.sound_fx_path, true, "no sound is played"))
        return;
    g.sounds_known = true;
    for (int i = 0; i < list_size(engine.sound_fx_list); ++i) {
        const sound_effect& s = *list_at(engine.sound_fx_list, i);
        g.sound_names.push_back(s.name);
        if (s.loaded != 0 || g.over_budget.count(s.path)) continue;
        pcm_sound pcm;
        text why;
        if (!decode_sound_file(s.path, pcm, why))
            fail(shown(resolved_path(s.path)), 0, "the sound cannot be read: " + why + ": it never plays");
    }
}

namespace {

// The characters the engine's own texts draw: the score and time line and
// the pause and quit screens.
const text engine_text_characters = "SCORETIMEGAMPUDQNJYB0123456789-";

}  // namespace

void check_font(game_check& g) {
    const text consequence = "no text is drawn (score, time, pause and quit screens)";
    if (!has_key(g.ini, "FONTSYSTEM")) {
        warn(ini_shown, 0, "no FONTSYSTEM: " + consequence);
        return;
    }
    const int line = value_line(g.ini, "FONTSYSTEM");
    if (!file_exists(engine.font_system)) {
        warn(ini_shown, line,
             "FONTSYSTEM names " + quoted(shown(engine.font_system)) + ", which does not exist: " + consequence);
        return;
    }
    check_case(engine.font_system, ini_shown, line, "FONTSYSTEM");
    if (!check_config_folder(g, "FONTPATH", engine.font_path, false, consequence)) return;

    const text where = shown(resolved_path(engine.font_system));
    int file = open_file_read(-1, engine.font_system);
    const text characters = file != 0 ? read_line(file) : text();
    if (file != 0) close_file(file);
    if (characters.empty()) {
        warn(where, 1, "the first line lists no character: " + consequence);
        return;
    }

    bool drawn[256] = {};
    bool seen[256] = {};
    text missing;
    int missing_count = 0;
    for (unsigned char c : characters) {
        if (seen[c]) continue;
        seen[c] = true;
        // The pen moves for these without ever drawing their image.
        if (c == ' ' || c == '\\' || c == '|') continue;
        const text image = font_image_path(c);
        if (!file_exists(image)) {
            if (missing_count < 8)
                missing += (missing_count ? ", " : "") + printable_char(c) + " (" + shown(image) + ")";
            missing_count += 1;
            continue;
        }
        check_case(image, where, 1, "the font image");
        rgba_image img;
        text why;
        if (!decode_image_file(image, img, why)) {
            fail(shown(resolved_path(image)), 0, "the font image cannot be read: " + why);
            continue;
        }
        drawn[font_entry(c) & 0xFF] = true;
    }
    if (missing_count > 0)
        warn(where, 1,
             int_to_text(missing_count) + " character" +
                 (missing_count == 1 ? text(" of the font line has") : text("s of the font line have")) +
                 " no image: " + missing + (missing_count > 8 ? text(", ...") : text()) + ": they draw nothing");
    text lacking;
    for (unsigned char c : engine_text_characters)
        if (!drawn[c]) lacking += (lacking.empty() ? "" : " ") + text(1, static_cast<char>(c));
    if (!lacking.empty())
        warn(where, 1,
             "the font has no glyph for " + lacking +
                 ", which the score and time line or the pause and quit screens use" +
                 (drawn[static_cast<unsigned char>('I')] ? text() : text(" (a space is as wide as 'I')")));
}

std::vector<text> cursor_picture_paths() {
    std::vector<text> paths;
    if (examine_directory(0, engine.cursor_path, "*.png") == 0) return paths;
    while (next_directory_entry(0))
        if (directory_entry_type(0) == 1) paths.push_back(engine.cursor_path + directory_entry_name(0));
    finish_directory(0);
    return paths;
}

void check_cursor(game_check& g) {
    if (!check_config_folder(g, "CURSOR", engine.cursor_path, true, "there is no player figure")) return;
    int pictures = 0;
    for (const text& p : cursor_picture_paths()) {
        pictures += 1;
        rgba_image img;
        text why;
        if (!decode_image_file(p, img, why))
            fail(shown(resolved_path(p)), 0,
                 "the figure's picture cannot be read: " + why + ": the figure is invisible");
    }
    if (pictures == 0)
        warn(ini_shown, value_line(g.ini, "CURSOR"),
             "CURSOR " + quoted(shown(engine.cursor_path)) + " holds no .png picture: there is no player figure");
}

void check_loading_screen(game_check& g) {
    if (!has_key(g.ini, "LOADSCREEN")) return;
    const text v = engine.load_screen;
    const int line = value_line(g.ini, "LOADSCREEN");
    const int hash = text_find(v, "#", 1);
    if (hash == 0) {
        if (!v.empty())
            warn(ini_shown, line,
                 "LOADSCREEN " + quoted(v) +
                     " has no '#', so no loading screen is shown (the first '#' is "
                     "replaced by 0 or 1 at random)");
        return;
    }
    for (const char* digit : {"0", "1"}) {
        const text path = text_left(v, hash - 1) + digit + text_mid(v, hash + 1, text_length(v));
        if (!file_exists(path)) {
            warn(ini_shown, line,
                 "LOADSCREEN: " + quoted(shown(path)) +
                     " does not exist; the engine picks 0 or 1 at random, so some starts show no loading screen");
            continue;
        }
        check_case(path, ini_shown, line, "LOADSCREEN");
        rgba_image img;
        text why;
        if (!decode_image_file(path, img, why))
            fail(shown(resolved_path(path)), 0, "the loading screen cannot be read: " + why);
    }
}

}  // namespace tw::checking
