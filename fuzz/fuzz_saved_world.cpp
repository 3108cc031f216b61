// Saved worlds: the input is a topography file, optionally followed by a line
// "@@RED@@" and the opacity file of the same world. Loaded with the world view
// off, so cells get their types and opacities but no object files.
//
// Sides outside 0..1024 are refused with fatal error 4, which the harness
// takes over (as the data checker does) to see that it comes exactly then.
// Worlds with sides from 41 to 1024 are passed over: a grid grown for a large
// world only makes each run slow without reading the files any differently.
#include "fuzz/fuzz_support.h"

#include <algorithm>
#include <cstring>

#include "core/core.h"
#include "runtime/media_runtime.h"
#include "world/world.h"

namespace {
constexpr int32_t largest_side = 40;
constexpr const char marker[] = "\n@@RED@@\n";
int fatal_code = -1;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tw;
    static const bool ready = [] {
        set_start_values();
        engine.resolution = 16.0f;
        engine.screen_width = 320.0f;
        engine.screen_height = 240.0f;
        set_fatal_error_handler([](int code) { fatal_code = code; });
        return true;
    }();
    (void)ready;

    const uint8_t* end = data + size;
    const uint8_t* cut = std::search(data, end, marker, marker + std::strlen(marker));
    const std::string topography = fuzz::write_file("WORLDS/ISLE.ai42", data, static_cast<size_t>(cut - data));
    const std::string opacity = fuzz::scratch_dir() + "WORLDS/ISLE.red";
    if (cut != end) {
        const uint8_t* rest = cut + std::strlen(marker);
        fuzz::write_file("WORLDS/ISLE.red", rest, static_cast<size_t>(end - rest));
    } else {
        std::remove(opacity.c_str());  // no opacity file: every cell is hidden
    }

    // The sides as load_saved_world reads them, with the engine's own reader.
    int file = open_file_read(-1, topography);
    fuzz::check(file != 0, "the topography file can be opened");
    read_line(file);
    const int32_t w = text_to_int(read_line(file));
    const int32_t h = text_to_int(read_line(file));
    close_file(file);
    const bool refused = w < 0 || h < 0 || w > max_world_index || h > max_world_index;
    if (!refused && (w > largest_side || h > largest_side)) return 0;

    create_world_grid(largest_side, largest_side);
    engine.window_mode = 0;
    fatal_code = -1;
    load_saved_world(topography);
    if (refused) {
        fuzz::check(fatal_code == fatal_topographic_data, "sides outside 0..1024 are fatal error 4");
        return 0;
    }
    fuzz::check(fatal_code == -1, "a world within the limits loads");
    fuzz::check(engine.world_width == w && engine.world_height == h, "the world has the file's size");
    fuzz::check(engine.world_grid.max_x >= w && engine.world_grid.max_y >= h, "the world fits its grid");
    fuzz::check(cell_at(0, 0).state == 1, "cell (0, 0) is always read");
    return 0;
}
