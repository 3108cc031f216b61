// world_files: loading a saved world, the pair of a topography file (size and
// one colour code per cell) and an opacity file (one alpha per cell) with a
// common stem. The engine only reads these files.
#include <algorithm>
#include <cstdint>

#include "core/core.h"
#include "runtime/media_runtime.h"
#include "world/world.h"

namespace tw {

// ===========================================================================
// Cell order
// ===========================================================================

namespace {

// Records run column by column: x = 0 with y = 0..h, then x = 1, and so on.
// 64-bit counters so that no size line can make them wrap.
struct cell_walk {
    int64_t x = 0;
    int64_t y = 0;
    int64_t h = 0;
    void advance() {
        y += 1;
        if (y > h) {
            x += 1;
            y = 0;
        }
    }
    bool in_grid() const {
        return x <= INT32_MAX && y <= INT32_MAX &&
               cell_in_grid(static_cast<int32_t>(x), static_cast<int32_t>(y));
    }
    world_cell& cell() const { return cell_at(static_cast<int32_t>(x), static_cast<int32_t>(y)); }
};

// The opacity file shares the topography file's stem.
text opacity_path_for(const text& topography_path) {
    const text topography = topography_extension;
    const size_t n = topography.size();
    if (topography_path.size() >= n && topography_path.compare(topography_path.size() - n, n, topography) == 0) {
        return topography_path.substr(0, topography_path.size() - n) + opacity_extension;
    }
    return saved_world_path(opacity_extension);
}

}  // namespace

// The saved world's files share the stem APPENTRY + APPSTART.
text saved_world_path(const text& extension) { return engine.app_entry + engine.app_start + extension; }

// ===========================================================================
// Readers
// ===========================================================================

// Reads cell records until the file ends or the last column is done. The end
// is tested after each record, so even a file that stops after its header
// yields one record (of empty lines) for cell (0, 0).
void load_topography(int file, int32_t w, int32_t h) {
    if (file == 0) {
        compute_view_cells();
        return;
    }
    cell_walk at;
    at.h = h;
    do {
        text r = read_line(file);
        text g = read_line(file);
        text b = read_line(file);
        if (at.in_grid()) {
            world_cell& c = at.cell();
            // The three texts joined as they stand: "012" "200" "007" is a
            // different type from "12" "200" "7".
            c.cell_type = intern_name(r + g + b);
            c.state = 1;
            if (engine.window_mode == 1) {
                load_cell_object(static_cast<int32_t>(at.x), static_cast<int32_t>(at.y));
            }
        }
        at.advance();
        load_progress_tick();
    } while (!end_of_file(file) && at.x <= w);
    compute_view_cells();
}

// Five header lines, then one alpha per cell in the topography's order. A file
// that could not be opened (file 0) reads as endless empty lines: every cell of
// the world gets alpha 0, and the walk ends after the last column.
void load_opacity(int file, int32_t w, int32_t h) {
    if (file != 0) {
        for (int k = 0; k < 5; ++k) read_line(file);
    }
    cell_walk at;
    at.h = h;
    do {
        text value = file != 0 ? read_line(file) : text();
        if (at.in_grid()) at.cell().alpha = text_to_int(value);
        at.advance();
    } while (!(file != 0 && end_of_file(file)) && at.x <= w);
    compute_view_cells();
}

// ===========================================================================
// Whole load
// ===========================================================================

void load_saved_world(const text& topography_path) {
    int file = open_file_read(-1, topography_path);
    if (file == 0) {
        fatal_error(fatal_topographic_data);
        return;
    }
    read_line(file);
    int32_t w = text_to_int(read_line(file));
    int32_t h = text_to_int(read_line(file));
    read_line(file);
    read_line(file);

    // Sizes beyond what a world may have are refused like a missing file,
    // before anything of the world is touched.
    if (w < 0 || h < 0 || w > max_world_index || h > max_world_index) {
        close_file(file);
        fatal_error(fatal_topographic_data);
        return;
    }
    engine.world_width = w;
    engine.world_height = h;

    // Loading does not reset the grid; it only grows it when the world would
    // not fit (start-up made room for 513 x 513 cells).
    world_grid_t& g = engine.world_grid;
    if (w > g.max_x || h > g.max_y) {
        create_world_grid(std::max({512, w, g.max_x}), std::max({512, h, g.max_y}));
    }
    // Object files are read afresh for this world.
    engine.object_file_cache.clear();

    load_topography(file, w, h);
    close_file(file);

    int opacity = open_file_read(-1, opacity_path_for(topography_path));
    load_opacity(opacity, w, h);
    if (opacity != 0) close_file(opacity);
    finish_progress_bar();
    engine.object_file_cache.clear();  // not needed once the world stands
}

}  // namespace tw
