// The configuration reader: the input is DATA/ini.txt, read pair by pair into
// the engine state as at start-up (without bringing up any device).
#include "fuzz/fuzz_support.h"

#include "core/core.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tw;
    const std::string path = fuzz::write_file("DATA/ini.txt", data, size);
    set_start_values();
    engine.base_dir = fuzz::scratch_dir();
    engine.config_path = path;
    read_configuration_pairs(path);

    // What the rest of the engine relies on, whatever the file said.
    fuzz::check(engine.map_size_x == engine.map_size_y, "MAPSIZE sets both sizes");
    fuzz::check(engine.map_size_x >= 0 && engine.map_size_x <= 1024, "map size within 0..1024");
    fuzz::check(engine.cursor_speed >= 0 && engine.cursor_speed <= 255, "cursor speed within 0..255");
    fuzz::check(engine.cursor_speed_inverse == 255 - engine.cursor_speed ||
                    (engine.cursor_speed == 0 && engine.cursor_speed_inverse == 0),  // never set
                "cursor speed inverse");
    fuzz::check(engine.multitask >= 0, "frame wait never negative");
    fuzz::check(engine.frame_cycle_length == engine.world_refresh, "WORLDREFRESH sets the cycle");
    const std::string& base = engine.base_dir;
    for (const text* p : {&engine.sound_fx_path, &engine.font_path, &engine.topo_gfx_path,
                          &engine.world_gfx_path, &engine.cursor_path, &engine.log_path}) {
        fuzz::check(p->empty() || p->compare(0, base.size(), base) == 0, "paths start at the start-up folder");
    }
    return 0;
}
