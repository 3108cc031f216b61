// The world base file: the input is the base file from which the start-up
// world is built; the world of a number taken from its (otherwise ignored)
// fourth line is then rebuilt, as Page Up and Page Down do.
//
// Bases whose sides exceed 64 are passed over: large worlds only make each
// run slow without reading the file any differently. Fatal errors are taken
// over (as the data checker does); none may come from a base within that size.
#include "fuzz/fuzz_support.h"

#include <algorithm>

#include "assets/assets.h"
#include "core/core.h"
#include "runtime/media_runtime.h"
#include "world/world.h"

namespace {

constexpr int32_t largest_side = 64;
int fatal_code = -1;

void prepare_game() {
    using namespace tw;
    set_start_values();
    const std::string& dir = fuzz::scratch_dir();
    engine.resolution = 16.0f;
    engine.screen_width = 320.0f;
    engine.screen_height = 240.0f;
    engine.res_base_w = 320;
    engine.map_size_x = engine.map_size_y = 24;
    engine.max_foe = 8;
    engine.use_extended_topo = 1;
    engine.lab_switch = 2;
    engine.rgb_code_path = dir + "TYPES/";
    engine.app_start = "LABY";
    engine.world_gfx_path = dir + "GFX/";
    engine.gfx_codec = ".png";
    fuzz::write_file("TYPES/LABY/LAB_WALL", "GFXNAME\r\nwall.png\r\nUSECOLLISION\r\n1\r\n");
    fuzz::write_file("TYPES/LABY/LAB_FLOOR",
                     "CHILD1\r\ncoin\r\nCHILD2\r\n#\r\nUSEENEMY\r\n1\r\nTRANSPARENCY\r\n0\r\n");
    fuzz::write_file("TYPES/LABY/LAB_WALL_E", "GFXNAME\r\n\r\n");
    fuzz::write_file("GFX/coin.png", "");
    fuzz::write_file("GFX/coin.dll", "DGFXNAME\r\ncoin\r\nDDENSITY\r\n1\r\nDCOLLISION\r\n1\r\n");
    fuzz::write_file("GFX/ghost.png", "");
    fuzz::write_file("GFX/ghost.dll", "DGFXNAME\r\nNOPE\r\nDISENEMY\r\n1\r\nDDENSITY\r\n2\r\n");
    create_world_grid(512, 512);
    load_object_definitions();
    set_fatal_error_handler([](int code) { fatal_code = code; });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tw;
    static const bool ready = (prepare_game(), true);
    (void)ready;
    const std::string path = fuzz::write_file("DATA/world.base", data, size);

    // The sides as build_world reads them, with the engine's own reader.
    int file = open_file_read(-1, path);
    fuzz::check(file != 0, "the base file can be opened");
    read_line(file);
    const int32_t base_w = text_to_int(read_line(file));
    const int32_t base_h = text_to_int(read_line(file));
    const int32_t number = text_to_int(read_line(file));
    close_file(file);
    if (base_w > largest_side || base_h > largest_side) return 0;

    engine.world_number = 0;
    fatal_code = -1;
    build_world(path);
    fuzz::check(fatal_code == -1, "a small base builds");
    fuzz::check(engine.world_width >= 0 && engine.world_width <= std::max(base_w, 0), "width from the base");
    fuzz::check(engine.world_height >= 0 && engine.world_height <= std::max(base_h, 0), "height from the base");
    fuzz::check(list_size(engine.enemy_list) <= engine.max_foe, "enemy limit");

    engine.world_number = number % 8;
    rebuild_world();
    fuzz::check(fatal_code == -1, "a rebuild is never fatal");
    fuzz::check(engine.world_number >= 0, "a rebuild never keeps a negative world number");
    fuzz::check(engine.world_width >= 1 && engine.world_width <= engine.map_size_x, "rebuilt width within the map");
    fuzz::check(engine.world_height >= 1 && engine.world_height <= engine.map_size_y, "rebuilt height within the map");
    return 0;
}
