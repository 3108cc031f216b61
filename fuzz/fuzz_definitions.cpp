// Object definition files: the input is the ".dll" file beside one image of
// the world-graphics folder, loaded by the engine's own loader.
#include "fuzz/fuzz_support.h"

#include "assets/assets.h"
#include "core/core.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tw;
    static const bool ready = [] {
        set_start_values();
        engine.world_gfx_path = fuzz::scratch_dir() + "GFX/";
        engine.gfx_codec = ".png";
        // The image itself does not decode; the definition is kept all the same.
        fuzz::write_file("GFX/thing.png", "");
        return true;
    }();
    (void)ready;
    fuzz::write_file("GFX/thing.dll", data, size);
    load_object_definitions();

    fuzz::check(list_size(engine.object_definitions) == 1, "one definition per image");
    const object_definition& d = *list_at(engine.object_definitions, 0);
    fuzz::check(d.gfx_name != "#", "\"#\" is stored as NOPE");
    fuzz::check(d.sprite == 0, "an empty image gives no sprite");
    return 0;
}
