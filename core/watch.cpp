// watch: live reload (tileworld --watch). While the game runs, its data
// files are looked at every 250 ms; when some changed and stood still for
// one more look, the game reads its configuration, pictures, definitions,
// sounds, font and world files again and makes the current world again in
// place, keeping its number. What the data checker finds in the changed
// files goes to stderr.
//
// A reload first makes sure that it can finish: a configuration that cannot
// be read, a world base or topography file that start-up would stop at, a
// changed picture or sound that does not decode. Then nothing is touched and
// the game goes on with the last good world and data; fixing the file is
// another change, which reloads. A reload never ends the program.
//
// The checker runs as a child process (tileworld-check beside the program,
// else on PATH): it reads a game through the engine's own state, which in
// the game holds the running world.
#include "core/core.h"

#include <cstdio>

#include "assets/assets.h"
#include "presentation/presentation.h"
#include "runtime/media_runtime.h"
#include "world/world.h"

namespace tw {

namespace {

bool requested = false;
bool watching = false;
EngineState* read_last = nullptr;  // the configuration as last read (the cell size before scaling)
int fatal_during_reload = -1;
// Files of refused reloads: looked at again at every reload until one
// succeeds, so that a broken picture is not taken in by a later change of
// another file.
std::vector<text> refused_files;

char lower_ascii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_name(const text& a, const text& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i] == '\\' ? '/' : lower_ascii(a[i]);
        char y = b[i] == '\\' ? '/' : lower_ascii(b[i]);
        if (x != y) return false;
    }
    return true;
}

bool ends_with(const text& t, const text& end) {
    return t.size() >= end.size() && same_name(t.substr(t.size() - end.size()), end);
}

// The folder part of a data path, with its separator ("" for none).
text folder_of(const text& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == text::npos ? text() : path.substr(0, slash + 1);
}

// A data path as the checker and the guide show it: relative to the game
// folder, with '/'.
text shown(const text& path) {
    text p = path;
    if (p.size() >= engine.base_dir.size() && same_name(p.substr(0, engine.base_dir.size()), engine.base_dir))
        p = p.substr(engine.base_dir.size());
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

void say(const text& line) {
    std::fprintf(stderr, "tileworld: %s\n", line.c_str());
    std::fflush(stderr);
}

text joined(const std::vector<text>& names) {
    text all;
    for (const text& n : names) all += (all.empty() ? "" : ", ") + n;
    return all;
}

void capture_fatal_error(int code) {
    if (fatal_during_reload < 0) fatal_during_reload = code;
}

// What start-up would stop at with this configuration, "" when nothing.
text world_files_problem(const EngineState& c) {
    if (c.use_self_create_base == 1) {
        const int base = open_file_read(-1, c.self_create_base_path);
        if (base == 0) return "the world base file " + shown(c.self_create_base_path) + " cannot be opened";
        close_file(base);
        return {};
    }
    // A designed game reloads the designed world it shows.
    const text stem = c.app_entry + c.app_start;
    const text topography = c.play_saved_world == 1 && engine.world_number > 1
                                ? stem + "-" + int_to_text(engine.world_number) + topography_extension
                                : stem + topography_extension;
    const int file = open_file_read(-1, topography);
    if (file == 0) return "the topography file " + shown(topography) + " cannot be opened";
    read_line(file);
    const int32_t w = text_to_int(read_line(file));
    const int32_t h = text_to_int(read_line(file));
    close_file(file);
    if (w < 0 || h < 0 || w > max_world_index || h > max_world_index)
        return "the topography file " + shown(topography) + " gives a size the engine refuses";
    return {};
}

// A changed picture or sound that is there but does not decode, "" when none.
text media_problem(const std::vector<text>& changed, const EngineState& c) {
    for (const text& path : changed) {
        const bool picture = (!c.gfx_codec.empty() && ends_with(path, c.gfx_codec)) || ends_with(path, ".png");
        const bool sound = ends_with(path, ".ogg");
        if (!picture && !sound) continue;
        const int probe = open_file_read(-1, path);
        if (probe == 0) continue;  // removed: missing pictures and sounds are skipped, as at start-up
        close_file(probe);
        if (picture) {
            const int s = load_sprite(-1, path, sprite_mode_3d);
            if (s == 0) return shown(path) + " cannot be read as a picture";
            free_sprite(s);
        } else {
            const int s = load_sound(-1, path);
            if (s == 0) return shown(path) + " cannot be read as a sound";
            free_sound(s);
        }
    }
    return {};
}

// The keys that decide the window and the cell size, which are set when the
// window opens: a reload keeps them. The names of those the file changed.
std::vector<text> window_keys_changed(const EngineState& next) {
    std::vector<text> changed;
    const EngineState& last = *read_last;
    if (next.resolution != last.resolution) changed.push_back("RESOLUTION");
    if (next.res_base_w != last.res_base_w) changed.push_back("RESBASEW");
    if (next.res_base_h != last.res_base_h) changed.push_back("RESBASEH");
    if (next.full_screen_zoom != last.full_screen_zoom) changed.push_back("FULLSCREENZOOM");
    if (next.app_name != last.app_name) changed.push_back("APPNAME");
    return changed;
}

void keep_window_keys(EngineState& next) {
    next.resolution = engine.resolution;  // already scaled to the display
    next.res_base_w = engine.res_base_w;
    next.res_base_h = engine.res_base_h;
    next.full_screen_zoom = engine.full_screen_zoom;
    next.app_name = engine.app_name;
}

void reload_assets() {
    for (world_graphic& g : engine.world_graphics.items)
        if (g.sprite != 0 && is_sprite(g.sprite)) free_sprite(g.sprite);
    list_clear(engine.world_graphics);
    list_reset(engine.world_graphics);
    // The world graphics are keyed out in magenta, as after the loading screen.
    set_sprite_transparent_colour(-1, rgb(255, 0, 255));
    load_world_graphics();
    load_object_definitions();
    for (sound_effect& s : engine.sound_fx_list.items)
        if (s.handle != 0) free_sound(s.handle);
    load_sound_effects();
    load_sprite_font();
}

// The checker's findings in the changed files, and its count for the game.
void print_findings(const std::vector<text>& changed) {
    static bool missing_said = false;
    text output;
    const text beside = program_folder() + "tileworld-check";
    if (!run_program(beside, {"--", "."}, output) && !run_program("tileworld-check", {"--", "."}, output)) {
        if (!missing_said) say("no tileworld-check beside the program or on PATH: reloads go unchecked");
        missing_said = true;
        return;
    }
    text summary;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == text::npos) end = output.size();
        text line = output.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        start = end + 1;
        for (const text& path : changed) {
            const text name = shown(path);
            if (line.size() > name.size() && line[name.size()] == ':' && same_name(line.substr(0, name.size()), name)) {
                std::fprintf(stderr, "%s\n", line.c_str());
                break;
            }
        }
        if (line.find(" error") != text::npos && line.find(" warning") != text::npos && line.find(':') == text::npos)
            summary = line;
    }
    if (!summary.empty()) say("tileworld-check on the whole game: " + summary);
}

}  // namespace

std::vector<watched_files> data_files_of(const EngineState& c) {
    std::vector<watched_files> files = {
        {folder_of(c.config_path), file_part(c.config_path)},
        {c.topo_gfx_path, "*" + c.gfx_codec},
        {c.world_gfx_path, "*" + c.gfx_codec},
        {c.world_gfx_path, "*.dll"},
        {c.cursor_path, "*.png"},
        {c.sound_fx_path, "*.ogg"},
        {c.font_path + "\\", "*.png"},
        {c.rgb_code_path + c.app_start + "\\", "*"},
    };
    // Files named one by one: the world base and the font description.
    for (const text& path : {c.self_create_base_path, c.font_system})
        if (!file_part(path).empty()) files.push_back({folder_of(path), file_part(path)});
    // Saved and designed worlds: their topography, opacity and placements.
    const text worlds = folder_of(c.app_entry + c.app_start);
    for (const char* pattern : {"*.ai42", "*.red", "*.place"}) files.push_back({worlds, pattern});
    return files;
}

void request_watch(bool on) { requested = on; }

void start_watching_if_asked() {
    if (!requested) return;
    static EngineState last;
    read_configuration_copy(last);
    read_last = &last;
    watch_files(data_files_of(engine));
    watching = true;
}

void reload_if_changed() {
    if (!watching) return;
    std::vector<text> changed;
    if (watched_files_changed(changed)) reload_game_data(changed);
}

void reload_game_data(const std::vector<text>& changed_now) {
    std::vector<text> names;
    for (const text& path : changed_now) {
        // One file may be watched under two paths (a topography that is also the world base).
        bool named = false;
        for (const text& n : names) named = named || same_name(n, shown(path));
        if (!named) names.push_back(shown(path));
    }
    say("reloading after changes to " + joined(names));
    std::vector<text> changed = refused_files;
    for (const text& path : changed_now) {
        bool known = false;
        for (const text& p : changed) known = known || same_name(p, path);
        if (!known) changed.push_back(path);
    }
    bool configuration_changed = false;
    for (const text& path : changed)
        if (same_name(path, engine.config_path)) configuration_changed = true;

    // Everything that could make the reload fail is looked at before
    // anything is touched.
    static EngineState next;
    text problem;
    if (configuration_changed && !read_configuration_copy(next))
        problem = shown(engine.config_path) + " cannot be opened";
    const EngineState& config = configuration_changed ? next : engine;
    if (problem.empty()) problem = world_files_problem(config);
    if (problem.empty()) problem = media_problem(changed, config);
    if (!problem.empty()) {
        say("reload refused: " + problem + "; the game goes on with the last good world and data");
        print_findings(changed);
        refused_files = changed;
        return;
    }
    refused_files.clear();

    if (configuration_changed) {
        const std::vector<text> kept = window_keys_changed(next);
        if (!kept.empty())
            say(joined(kept) + " changed: kept until the next start (the window, its title and the cell size " +
                "are set when it opens)");
        copy_configuration(*read_last, next);
        keep_window_keys(next);
        copy_configuration(engine, next);
        // --seed stays in force over a reloaded WORLDRANDOM.
        apply_run_seed();
    }
    // Changes made while the reload runs are seen at the next look.
    watch_files(data_files_of(engine));

    // No fatal error ends the program from here: the checks above found
    // none, and should one still come, the world stays as it was.
    fatal_during_reload = -1;
    set_fatal_error_handler(capture_fatal_error);
    reload_assets();
    reload_world();
    set_fatal_error_handler(nullptr);
    if (fatal_during_reload >= 0) {
        say("reload stopped: " + fatal_error_text(fatal_during_reload));
    } else {
        say("reloaded world " + int_to_text(engine.world_number) + " (" + int_to_text(engine.world_width + 1) + " x " +
            int_to_text(engine.world_height + 1) + " cells)");
    }
    print_findings(changed);
}

}  // namespace tw
