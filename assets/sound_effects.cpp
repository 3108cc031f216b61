// sound_effects: every Ogg Vorbis file of the sound folder, loaded once at
// start-up and addressed by its file name (extension included).
#include "assets/assets.h"
#include "core/core.h"
#include "runtime/media_runtime.h"

namespace tw {

// ===========================================================================
// Functions
// ===========================================================================

void load_sound_effects() {
    list_clear(engine.sound_fx_list);
    list_reset(engine.sound_fx_list);
    constexpr int scan = 0;
    // The folder value is a plain prefix (it ends with its own separator).
    if (examine_directory(scan, engine.sound_fx_path, "*.ogg") == 0) return;
    while (next_directory_entry(scan)) {
        end_program_if_requested();  // a large folder takes a while
        if (directory_entry_type(scan) != 1) continue;  // files only, not folders
        const text entry = directory_entry_name(scan);
        sound_effect* s = list_add(engine.sound_fx_list);
        if (!s) continue;
        s->path = engine.sound_fx_path + entry;
        s->handle = load_sound(-1, s->path);
        s->name = file_part(entry);
        s->loaded = s->handle != 0 ? 1 : 0;  // a file that does not decode keeps its record
    }
    finish_directory(scan);
}

}  // namespace tw
