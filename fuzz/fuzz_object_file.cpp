// Object files: the input is the object file of one cell type, read into a
// cell which then gets its children placed from a few known definitions.
#include "fuzz/fuzz_support.h"

#include "assets/assets.h"
#include "core/core.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tw;
    static const bool ready = [] {
        set_start_values();
        engine.resolution = 32.0f;
        engine.screen_width = 640.0f;
        engine.res_base_w = 640;
        const char* names[] = {"oak", "fern", "NOPE", "", "coin"};
        for (const char* name : names) {
            list_select(engine.object_definitions, list_size(engine.object_definitions) - 1);
            object_definition* d = list_add(engine.object_definitions);
            d->gfx_name = name;
            d->collision = 1;
            d->hotspot = "CENTER";
            d->center_field = 1;
            d->fit_to_matrix = 1;
        }
        return true;
    }();
    (void)ready;
    const std::string path = fuzz::write_file("TYPES/WORLD/CELL", data, size);

    create_world_grid(2, 2);
    list_clear(engine.object_instances);
    engine.object_file_cache.clear();
    read_object_file(1, 1, path);
    place_cell_children(1, 1);

    const world_cell& c = cell_at(1, 1);
    fuzz::check(c.child_count >= 0 && c.child_count <= 7, "child count within the eight slots");
    fuzz::check(c.gfx_name != 0, "a read cell always has a graphic name");
    for (int32_t index : c.child_instance) fuzz::check(index >= -1, "child indices are -1 or positions");
    fuzz::check(c.last_child_slot >= -1 && c.last_child_slot <= c.child_count, "last placed slot was examined");
    if (c.last_child_slot >= 0) {
        const int32_t placed = c.child_instance[static_cast<size_t>(c.last_child_slot)];
        fuzz::check(placed >= 0 && placed < list_size(engine.object_instances), "a placed child names its instance");
    }
    return 0;
}
