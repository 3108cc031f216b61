// catalog: what each generated world holds, for a game maker who looks for a
// seed or a world of a wanted size: its size, its objects by type, its
// enemies, and how many of its pickups the figure can walk to from its start.
#include <algorithm>
#include <cstdio>
#include <map>

#include "checker/checker.h"
#include "core/core.h"

namespace tw {

namespace {

// A pickup is an object the player takes by standing on its cell: it
// collides and is removed when collected.
bool is_pickup(int32_t index) {
    const object_instance* o = list_at(engine.object_instances, index);
    return o && o->collision != 0 && o->kill_on_collision != 0;
}

// The cells a figure can enter from the start: neighbours across a side
// whose cell does not block (the steering's own test), inside the grid.
std::vector<bool> reachable_cells(int32_t start_x, int32_t start_y, int32_t cells_x, int32_t cells_y) {
    std::vector<bool> seen(static_cast<size_t>(cells_x) * static_cast<size_t>(cells_y), false);
    auto at = [&](int32_t x, int32_t y) { return static_cast<size_t>(x) * static_cast<size_t>(cells_y) + static_cast<size_t>(y); };
    if (start_x < 0 || start_y < 0 || start_x >= cells_x || start_y >= cells_y) return seen;
    std::vector<std::pair<int32_t, int32_t>> todo = {{start_x, start_y}};
    seen[at(start_x, start_y)] = true;
    const int32_t dx[] = {1, -1, 0, 0}, dy[] = {0, 0, 1, -1};
    while (!todo.empty()) {
        const auto [x, y] = todo.back();
        todo.pop_back();
        for (int k = 0; k < 4; ++k) {
            const int32_t nx = x + dx[k], ny = y + dy[k];
            if (nx < 0 || ny < 0 || nx >= cells_x || ny >= cells_y || seen[at(nx, ny)]) continue;
            if (cell_or_blocker(nx, ny).use_collision != 0) continue;
            seen[at(nx, ny)] = true;
            todo.emplace_back(nx, ny);
        }
    }
    return seen;
}

text csv_field(const text& t) {
    if (t.find_first_of(",\"\n") == text::npos) return t;
    text q = "\"";
    for (char c : t) q += c == '"' ? text("\"\"") : text(1, c);
    return q + "\"";
}

}  // namespace

world_summary summarize_world(int number) {
    world_summary s;
    s.number = number;
    s.cells_x = engine.world_width + 1;
    s.cells_y = engine.world_height + 1;
    s.enemies = list_size(engine.enemy_list);
    for (int i = 0; i < list_size(engine.object_instances); ++i) {
        const object_instance* o = list_at(engine.object_instances, i);
        const object_definition* d = list_at(engine.object_definitions, o->definition_index);
        s.objects[d ? d->gfx_name : text("?")] += 1;
    }
    const floor_cell* start = list_at(engine.floor_cells, 0);
    s.has_start = start != nullptr;
    if (s.has_start) {
        s.start_x = start->x;
        s.start_y = start->y;
    }
    // Only cells of the world and of the grid hold objects.
    const int32_t cells_x = std::min(engine.world_width, engine.world_grid.max_x) + 1;
    const int32_t cells_y = std::min(engine.world_height, engine.world_grid.max_y) + 1;
    if (cells_x <= 0 || cells_y <= 0) return s;
    const std::vector<bool> reach = s.has_start ? reachable_cells(s.start_x, s.start_y, cells_x, cells_y)
                                                : std::vector<bool>(static_cast<size_t>(cells_x) * cells_y, false);
    for (int32_t x = 0; x < cells_x; ++x) {
        for (int32_t y = 0; y < cells_y; ++y) {
            const world_cell& c = cell_at(x, y);
            for (int k = 0; k <= c.last_child_slot && k < 8; ++k) {
                const int32_t index = c.child_instance[static_cast<size_t>(k)];
                if (index < 0 || !is_pickup(index)) continue;
                s.pickups += 1;
                if (reach[static_cast<size_t>(x) * static_cast<size_t>(cells_y) + static_cast<size_t>(y)])
                    s.reachable_pickups += 1;
            }
        }
    }
    return s;
}

text catalog_line(const world_summary& s, bool csv) {
    text types;
    for (const auto& [name, count] : s.objects) {
        if (!types.empty()) types += csv ? ";" : ", ";
        types += name + (csv ? ":" : " ") + int_to_text(count);
    }
    if (csv)
        return int_to_text(s.number) + "," + int_to_text(s.cells_x) + "," + int_to_text(s.cells_y) + "," +
               int_to_text(s.enemies) + "," + int_to_text(s.pickups) + "," + int_to_text(s.reachable_pickups) + "," +
               (s.has_start ? int_to_text(s.start_x) + "," + int_to_text(s.start_y) : text(",")) + "," +
               csv_field(types);
    int objects = 0;
    for (const auto& entry : s.objects) objects += entry.second;
    text t = "world " + int_to_text(s.number) + ": " + int_to_text(s.cells_x) + " x " + int_to_text(s.cells_y) +
             " cells, " + int_to_text(objects) + " objects" + (types.empty() ? text() : " (" + types + ")") + ", " +
             int_to_text(s.enemies) + " enemies, ";
    if (!s.has_start) return t + int_to_text(s.pickups) + " pickups, no start cell";
    return t + int_to_text(s.reachable_pickups) + " of " + int_to_text(s.pickups) + " pickups reachable from (" +
           int_to_text(s.start_x) + ", " + int_to_text(s.start_y) + ")";
}

const char* const catalog_csv_header = "world,width,height,enemies,pickups,reachable_pickups,start_x,start_y,objects";

bool write_catalog(int first, int count, bool csv, text& why) {
    if (first < 0 || count < 1) {
        why = "the catalogue needs a first world of 0 or more and a count of 1 or more";
        return false;
    }
    if (!build_world_for_map(first, why)) return false;
    if (count > 1 && engine.use_self_create_base != 1) {
        why = "this game loads a saved world, which is world 0 only";
        return false;
    }
    if (csv) std::printf("%s\n", catalog_csv_header);
    for (int n = 0; n < count; ++n) {
        const int number = first + n;
        if (n > 0) rebuild_world_for_map(number);
        std::printf("%s\n", catalog_line(summarize_world(number), csv).c_str());
    }
    std::fflush(stdout);
    return true;
}

}  // namespace tw
