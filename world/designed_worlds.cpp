// designed_worlds: a game's loaded worlds played like generated ones
// (PLAYSAVEDWORLD 1). The worlds are numbered 1..N: world 1 is the saved world
// APPENTRY + APPSTART, world n >= 2 the one whose stem ends in "-n". Each may
// have a .place file beside it: the figure's start cell and objects put on
// given cells every time the world is built. A designed world is seeded like a
// rebuilt generated world (WORLDRANDOM + its number), so leaving a world and
// coming back gives the same world.
#include <algorithm>

#include "assets/assets.h"
#include "core/core.h"
#include "runtime/media_runtime.h"
#include "world/world.h"

namespace tw {

// ===========================================================================
// The placement file: one key table, one reader
// ===========================================================================

namespace {

// "A,B" as two numbers read like every number of the data files; false when
// the comma is missing.
bool split_cell(const text& t, int32_t& x, int32_t& y) {
    const size_t comma = t.find(',');
    if (comma == text::npos || t.find(',', comma + 1) != text::npos) return false;
    x = text_to_int(t.substr(0, comma));
    y = text_to_int(t.substr(comma + 1));
    return true;
}

using placement_key = key_row<bool (*)(world_placements& p, const text& value, int line)>;

const placement_key placement_table[] = {
    // "X,Y": the figure's start cell; the last one wins.
    {"START", value_kind::text, value_use::used,
     [](world_placements& p, const text& value, int line) {
         int32_t x = 0, y = 0;
         if (!split_cell(value, x, y)) return false;
         p.has_start = true;
         p.start_x = x;
         p.start_y = y;
         p.start_line = line;
         return true;
     }},
    // "NAME,X,Y": one object of the definition NAME on cell (X, Y). The name
    // is everything before the second comma from the right, so a name may
    // hold commas itself.
    {"OBJECT", value_kind::text, value_use::used,
     [](world_placements& p, const text& value, int line) {
         const size_t last = value.rfind(',');
         if (last == text::npos || last == 0) return false;
         const size_t middle = value.rfind(',', last - 1);
         if (middle == text::npos) return false;
         placed_object o;
         o.name = value.substr(0, middle);
         if (!split_cell(value.substr(middle + 1), o.x, o.y)) return false;
         o.line = line;
         p.objects.push_back(o);
         return true;
     }},
};

}  // namespace

std::vector<key_description> placement_keys() { return describe_keys(placement_table); }

world_placements read_world_placements(const text& path) {
    world_placements p;
    std::vector<line_pair> pairs;
    p.exists = read_line_pairs(path, pairs);
    for (size_t i = 0; i < pairs.size(); ++i) {
        const int value_line = static_cast<int>(2 * i + 2);
        for (const placement_key& k : placement_table) {
            if (pairs[i].key != k.key) continue;
            if (!k.set(p, pairs[i].value, value_line)) p.malformed.push_back(value_line);
            break;
        }
        // Any other key line is skipped together with its value line.
    }
    return p;
}

// ===========================================================================
// Names and numbers of the designed worlds
// ===========================================================================

text designed_world_path(int32_t n, const text& extension) {
    if (n <= 1) return saved_world_path(extension);
    return engine.app_entry + engine.app_start + "-" + int_to_text(n) + extension;
}

namespace {

bool file_can_be_read(const text& path) {
    const int file = open_file_read(-1, path);
    if (file == 0) return false;
    close_file(file);
    return true;
}

// The highest index of a topography file's size lines; false when the file
// cannot be read or the size is one the engine refuses.
bool world_size_of(const text& path, int32_t& w, int32_t& h) {
    const int file = open_file_read(-1, path);
    if (file == 0) return false;
    read_line(file);
    w = text_to_int(read_line(file));
    h = text_to_int(read_line(file));
    close_file(file);
    return w >= 0 && h >= 0 && w <= max_world_index && h <= max_world_index;
}

int32_t designed_world_seed(int32_t n) {
    return static_cast<int32_t>(static_cast<uint32_t>(engine.world_random) + static_cast<uint32_t>(n));
}

// The first definition of that name that placement may use.
int32_t definition_named(const text& name) {
    if (name == "NOPE") return -1;
    for (int i = 0; i < list_size(engine.object_definitions); ++i)
        if (list_at(engine.object_definitions, i)->gfx_name == name) return i;
    return -1;
}

bool inside_world(int32_t x, int32_t y) {
    return x >= 0 && y >= 0 && x <= engine.world_width && y <= engine.world_height && cell_in_grid(x, y);
}

// The start cell of a world without (a usable) START: as a generated world's
// figure stands on the first floor cell carved, a designed world's stands on
// the first cell, column by column from the top left, that was loaded and
// does not block.
bool first_open_cell(int32_t& x, int32_t& y) {
    for (int32_t cx = 0; cx <= engine.world_width; ++cx)
        for (int32_t cy = 0; cy <= engine.world_height; ++cy) {
            if (!cell_in_grid(cx, cy)) continue;
            const world_cell& c = cell_at(cx, cy);
            if (c.state == 1 && c.use_collision == 0) {
                x = cx;
                y = cy;
                return true;
            }
        }
    return false;
}

// The figure on its start cell, the view scrolled so that the cell is within
// the first third of the screen (where a generated world's start always is).
void put_figure(int32_t x, int32_t y) {
    const world_cell& c = cell_at(x, y);
    List<floor_cell>& floors = engine.floor_cells;
    floors.cursor = list_size(floors) - 1;
    if (floor_cell* r = list_add(floors)) {
        r->x = x;
        r->y = y;
        r->cell_type = c.cell_type;
    }
    auto origin = [](int32_t cell, float screen, int32_t last) -> int32_t {
        if (engine.resolution <= 0) return 0;
        const int32_t third = static_cast<int32_t>(screen / 3.0f / engine.resolution);
        if (cell <= third) return 0;
        const int32_t shown = std::max<int32_t>(1, static_cast<int32_t>(screen / engine.resolution));
        return std::clamp<int32_t>(cell - third, 0, std::max<int32_t>(0, last + 1 - shown));
    };
    const int32_t ox = origin(x, engine.screen_width, engine.world_width);
    const int32_t oy = origin(y, engine.screen_height, engine.world_height);
    engine.view_origin_x = static_cast<float>(ox);
    engine.view_origin_y = static_cast<float>(oy);
    load_cursor_sprites(x - ox, y - oy);
}

}  // namespace

int32_t designed_world_count() {
    int32_t n = 0;
    while (n < max_designed_worlds && file_can_be_read(designed_world_path(n + 1, topography_extension))) ++n;
    return n;
}

// ===========================================================================
// Building a designed world
// ===========================================================================

bool build_designed_world(int32_t n, bool at_start_up, designed_world_report* report) {
    const text path = designed_world_path(n, topography_extension);
    int32_t w = 0, h = 0;
    // At start-up a world that cannot be loaded stops the program with the
    // saved world's fatal error; later the game stays in the world it has.
    if (!world_size_of(path, w, h)) {
        if (at_start_up) load_saved_world(path);  // raises the fatal error
        return false;
    }

    random_seed(designed_world_seed(n));
    engine.object_file_cache.clear();
    clear_cursor_sprites();
    clear_enemies();
    engine.world_width = std::clamp(w, 0, max_world_index);
    engine.world_height = std::clamp(h, 0, max_world_index);
    reset_world();
    if (!at_start_up) load_object_definitions();  // start-up has just loaded them

    load_saved_world(path);  // the cells, their objects by chance, the opacity

    const world_placements placements = read_world_placements(designed_world_path(n, ".place"));
    std::vector<placement_outcome> outcomes;
    for (const placed_object& o : placements.objects) {
        placement_outcome outcome = placement_outcome::placed;
        const int32_t d = definition_named(o.name);
        if (d < 0) outcome = placement_outcome::unknown_name;
        else if (!inside_world(o.x, o.y)) outcome = placement_outcome::outside;
        else if (list_at(engine.object_definitions, d)->is_enemy != 0)
            outcome = place_enemy_on_cell(o.x, o.y, d) ? placement_outcome::enemy : placement_outcome::not_placed;
        else
            outcome = place_object_on_cell(o.x, o.y, d) ? placement_outcome::placed : placement_outcome::not_placed;
        outcomes.push_back(outcome);
    }

    int32_t sx = 0, sy = 0;
    const bool start_used = placements.has_start && inside_world(placements.start_x, placements.start_y);
    if (start_used) {
        sx = placements.start_x;
        sy = placements.start_y;
    }
    if (start_used || first_open_cell(sx, sy)) put_figure(sx, sy);

    spawn_enemies();
    size_cell_sprites();
    engine.move_step = nearest(engine.resolution);
    engine.object_file_cache.clear();
    if (report) {
        report->placements = placements;
        report->outcomes = outcomes;
        report->start_used = start_used;
    }
    return true;
}

void start_designed_worlds(designed_world_report* report) {
    engine.world_number = 1;
    engine.built_world_number = 1;
    build_designed_world(1, true, report);
}

void change_designed_world() {
    const int32_t last = std::max<int32_t>(1, designed_world_count());
    // Past either end the game stays where it is.
    engine.world_number = std::clamp(engine.world_number, 1, last);
    if (engine.world_number == engine.built_world_number) return;
    if (!build_designed_world(engine.world_number, false, nullptr)) engine.world_number = engine.built_world_number;
    engine.built_world_number = engine.world_number;
}

}  // namespace tw
