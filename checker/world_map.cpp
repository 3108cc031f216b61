// world_map: pictures of worlds for game makers. The world is built by the
// engine's own start-up build or rebuild, headless; then every cell is drawn
// as a small copy of its picture, with its objects and enemies on it, the
// way the world view would show the whole world at once. Enemies get a red
// frame and the start cell a white one, so both stand out at any size.
#include <algorithm>
#include <cstdint>

#include "assets/assets.h"
#include "checker/checks.h"
#include "checker/map_raster.h"
#include "core/core.h"
#include "runtime/inspection.h"
#include "world/world.h"

namespace tw {

using namespace checking;

namespace {

const colour magenta = rgb(255, 0, 255);
const colour white = rgb(255, 255, 255);
const colour enemy_frame = rgb(255, 40, 40);
const colour start_frame = rgb(255, 255, 255);
const colour sheet_background = rgb(48, 48, 56);
const colour label_colour = rgb(230, 230, 230);

// ===========================================================================
// Looking up what to draw
// ===========================================================================

const world_graphic* graphic_named(const text& name) {
    for (int i = 0; i < list_size(engine.world_graphics); ++i) {
        const world_graphic* g = list_at(engine.world_graphics, i);
        if (g->name == name) return g;
    }
    return nullptr;
}

bool adds_light(int32_t mode1, int32_t mode2) { return mode1 == 5 && mode2 == 2; }

// ===========================================================================
// Building
// ===========================================================================

text stop_reason(int code) {
    text t = fatal_error_text(code);
    while (!t.empty() && t.front() == ' ') t.erase(t.begin());
    if (code == fatal_world_base) t += " (missing, or the base draws a first world larger than 1024 cells)";
    if (code == fatal_topographic_data) t += " (missing, or a size outside 0..1024)";
    return "the engine stops at start: " + t;
}

// Start-up build (or saved-world load) with fatal errors caught. A saved
// world is the only world of its game, so asking for others fails at once.
bool build_start_world(bool later_worlds, text& why) {
    forget_pictures();
    set_fatal_error_handler(capture_fatal_error);
    fatal_code = -1;
    bool ok = start_without_display(why);
    if (ok && later_worlds && engine.use_self_create_base != 1 && engine.play_saved_world != 1) {
        why = "this game loads a saved world, which is world 0 only";
        ok = false;
    }
    if (ok) {
        step_world();
        if (fatal_code >= 0) {
            why = stop_reason(fatal_code);
            ok = false;
        }
    }
    set_fatal_error_handler(nullptr);
    return ok;
}

// The rebuild the main loop runs when the player switches to world `number`.
void rebuild_for(int number) {
    engine.world_number = number;
    rebuild_if_asked();
}

// A loaded game whose designed worlds 1..N play (PLAYSAVEDWORLD 1).
bool designed_game() { return engine.use_self_create_base != 1 && engine.play_saved_world == 1; }

// Designed world numbers start at 1; 0 names the world the game starts in.
bool designed_world_known(int number, text& why) {
    const int32_t last = designed_world_count();
    if (number <= last) return true;
    why = "this game has " + int_to_text(last) + " designed world" + (last == 1 ? "" : "s") + " (1.." +
          int_to_text(last) + "), not world " + int_to_text(number);
    return false;
}

text size_label(int number) {
    return int_to_text(number) + ":" + int_to_text(engine.world_width + 1) + "x" + int_to_text(engine.world_height + 1);
}

}  // namespace

// ===========================================================================
// Functions
// ===========================================================================

bool build_world_for_map(int number, text& why) {
    if (number < 0) {
        why = "world numbers start at 0";
        return false;
    }
    if (!build_start_world(number > 0, why)) return false;
    if (designed_game()) {
        if (!designed_world_known(number, why)) return false;
        if (number > 1) rebuild_for(number);
        return true;
    }
    if (number > 0) rebuild_for(number);
    return true;
}

int map_block_size(int cells_x, int cells_y, int wanted, int max_side) {
    const int cells = std::max({cells_x, cells_y, 1});
    return std::max(1, std::min(wanted, max_side / cells));
}

rgba_image render_world_map(int block) {
    const int cells_x = std::max(1, std::min(engine.world_width, engine.world_grid.max_x) + 1);
    const int cells_y = std::max(1, std::min(engine.world_height, engine.world_grid.max_y) + 1);
    rgba_image c = make_canvas(cells_x * block, cells_y * block, rgb(0, 0, 0));
    // Map pixels per screen pixel: a cell is `resolution` pixels on screen.
    const double scale = block / static_cast<double>(engine.resolution > 0 ? engine.resolution : 1.0f);
    auto px = [&](double v) { return static_cast<int>(nearest(v * scale)); };

    // Cells: opacity over the black background, as the view draws them.
    for (int x = 0; x < cells_x; ++x) {
        for (int y = 0; y < cells_y; ++y) {
            if (!cell_in_grid(x, y)) continue;
            const world_cell& cell = cell_at(x, y);
            if (cell.state != 1 || !cell_has_graphic(cell) || cell.alpha <= 0) continue;
            const world_graphic* g = graphic_named(name_text(cell.gfx_name));
            if (!g) continue;
            draw_picture(c, picture_of(g->path, magenta), x * block, y * block, block, block, cell.alpha, false);
        }
    }

    // Objects: only on cells that have a picture, as the view shows them.
    for (int x = 0; x < cells_x; ++x) {
        for (int y = 0; y < cells_y; ++y) {
            if (!cell_in_grid(x, y)) continue;
            const world_cell& cell = cell_at(x, y);
            if (cell.state != 1 || !cell_has_graphic(cell)) continue;
            const int last = std::min<int>(cell.last_child_slot, 7);
            for (int k = 0; k <= last; ++k) {
                const object_instance* o =
                    list_at(engine.object_instances, cell.child_instance[static_cast<size_t>(k)]);
                if (!o || o->sprite3d == 0 || o->gfx_show != 1 || o->is_player != 0) continue;
                const object_definition* d = list_at(engine.object_definitions, o->definition_index);
                if (!d) continue;
                // Collectables keep at least one pixel, so none is lost at small sizes.
                const int min_side = o->collision != 0 ? 1 : 0;
                draw_picture(c, picture_of(d->image_path, white), x * block + px(o->anchor_x),
                             y * block + px(o->anchor_y), std::max(min_side, px(o->width)),
                             std::max(min_side, px(o->height)), o->alpha, adds_light(o->x_mode1, o->x_mode2));
            }
        }
    }

    // Enemies where they spawned, framed in red. The view draws every enemy,
    // whatever its DGFXSHOW.
    const int frame = block >= 12 ? 2 : 1;
    for (int i = 0; i < list_size(engine.enemy_list); ++i) {
        const enemy& e = *list_at(engine.enemy_list, i);
        if (const object_definition* d = list_at(engine.object_definitions, e.definition_index); d && e.sprite3d != 0)
            draw_picture(c, picture_of(d->image_path, white), px(e.pos_x + e.anchor_x), px(e.pos_y + e.anchor_y),
                         std::max(1, px(e.width)), std::max(1, px(e.height)), e.alpha,
                         adds_light(e.x_mode1, e.x_mode2));
        const int cx =
            static_cast<int>(nearest(e.pos_x / static_cast<double>(engine.resolution > 0 ? engine.resolution : 1.0f)));
        const int cy =
            static_cast<int>(nearest(e.pos_y / static_cast<double>(engine.resolution > 0 ? engine.resolution : 1.0f)));
        if (block >= 3)
            draw_frame(c, cx * block, cy * block, block, block, frame, enemy_frame);
        else
            draw_frame(c, cx * block, cy * block, block, block, block, enemy_frame);
    }

    // The start cell: the figures at their own size, framed in white.
    if (const floor_cell* start = list_at(engine.floor_cells, 0)) {
        for (const text& path : cursor_picture_paths()) {
            picture& p = picture_of(path, white);
            if (p.ok)
                draw_picture(c, p, start->x * block, start->y * block, std::max(1, px(p.image.width)),
                             std::max(1, px(p.image.height)), 255, false);
        }
        const int t = block >= 3 ? std::max(1, block / 5) : block;
        draw_frame(c, start->x * block - t, start->y * block - t, block + 2 * t, block + 2 * t, t, start_frame);
    }

    return c;
}

bool write_world_map(int number, int block, const text& path, text& why) {
    if (!build_world_for_map(number, why)) return false;
    const int b = map_block_size(engine.world_width + 1, engine.world_height + 1, block, 8192);
    rgba_image image = render_world_map(b);
    if (!save_png(path, image)) {
        why = "cannot write " + path;
        return false;
    }
    return true;
}

void rebuild_world_for_map(int number) { rebuild_for(number); }

bool write_map_sheet(int first, int count, int block, const text& path, text& why) {
    if (first < 0 || count < 1) {
        why = "the sheet needs a first world of 0 or more and a count of 1 or more";
        return false;
    }
    if (!build_start_world(first > 0 || count > 1, why)) return false;
    const bool designed = designed_game();
    if (designed) {
        first = std::max(first, 1);
        if (!designed_world_known(first + count - 1, why)) return false;
    }

    // Every world of the sheet fits in the same square. A rebuilt world n
    // is at most the base plus n cells, and never more than MAPSIZE; a
    // designed world is as large as its file says, so each is built once
    // to measure it.
    int bound = first == 0 || designed ? std::max(engine.world_width, engine.world_height) + 1 : 1;
    if (designed) {
        for (int n = 0; n < count; ++n) {
            rebuild_for(first + n);
            bound = std::max(bound, std::max(engine.world_width, engine.world_height) + 1);
        }
    } else if (first + count > 1) {
        const int64_t last = first + count - 1;
        auto largest = [&](int32_t base, int32_t map_size) {
            return std::min<int64_t>(map_size, static_cast<int64_t>(std::max(base, 0) / 2 * 2) + last);
        };
        const int64_t rebuilt = std::max(largest(engine.world_base_width, engine.map_size_x),
                                         largest(engine.world_base_height, engine.map_size_y));
        bound = static_cast<int>(std::max<int64_t>(bound, std::min<int64_t>(rebuilt, max_world_index) + 1));
    }

    int columns = 1;
    while (columns * columns < count) ++columns;
    const int rows = (count + columns - 1) / columns;
    const int pad = 8;
    const int label_scale = 2;
    const int label_height = 5 * label_scale + 6;
    const int b = map_block_size(bound, bound, block, std::max(1, 8192 / columns - pad));

    // Each world is drawn as soon as it is built; the sheet is laid out
    // afterwards, each column as wide and each row as high as its largest map.
    std::vector<rgba_image> maps;
    std::vector<text> labels;
    for (int n = 0; n < count; ++n) {
        const int number = first + n;
        if (number > 0) rebuild_for(number);
        maps.push_back(render_world_map(b));
        labels.push_back(size_label(number));
    }
    std::vector<int> column_x(static_cast<size_t>(columns) + 1, pad), row_y(static_cast<size_t>(rows) + 1, pad);
    for (int n = 0; n < count; ++n) {
        const size_t col = static_cast<size_t>(n % columns), row = static_cast<size_t>(n / columns);
        const int label_w = static_cast<int>(labels[static_cast<size_t>(n)].size()) * 4 * label_scale;
        column_x[col + 1] = std::max(column_x[col + 1], std::max(maps[static_cast<size_t>(n)].width, label_w) + pad);
        row_y[row + 1] = std::max(row_y[row + 1], maps[static_cast<size_t>(n)].height + label_height + pad);
    }
    for (size_t i = 1; i < column_x.size(); ++i) column_x[i] += column_x[i - 1];
    for (size_t i = 1; i < row_y.size(); ++i) row_y[i] += row_y[i - 1];
    rgba_image sheet = make_canvas(column_x.back(), row_y.back(), sheet_background);

    for (int n = 0; n < count; ++n) {
        const rgba_image& image = maps[static_cast<size_t>(n)];
        const int x0 = column_x[static_cast<size_t>(n % columns)];
        const int y0 = row_y[static_cast<size_t>(n / columns)];
        draw_label(sheet, x0, y0, labels[static_cast<size_t>(n)], label_scale, label_colour);
        draw_image(sheet, image, x0, y0 + label_height);
    }
    if (!save_png(path, sheet)) {
        why = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace tw
