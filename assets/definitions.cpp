// definitions: object types, each an image of the world-graphics folder with a
// small text file of properties beside it (same stem, ".dll" extension).
#include <cstddef>

#include "assets/assets.h"
#include "core/core.h"
#include "runtime/media_runtime.h"

namespace tw {

// ===========================================================================
// Key table
// ===========================================================================

namespace {

// Width-8 fields keep the low 8 bits of the converted value, read back signed.
int8_t low_byte(int32_t v) {
    return static_cast<int8_t>(static_cast<uint8_t>(static_cast<uint32_t>(v) & 0xFFu));
}

using key_setter = void (*)(object_definition&, const text&);

struct definition_key {
    const char* key;
    key_setter set;
};

// The keys in the order they are tested; the first that equals the key line
// is applied.
const definition_key definition_keys[] = {
    {"DGFXNAME",
     [](object_definition& d, const text& v) {
         // An empty name or "#" marks a type that object files never place.
         d.gfx_name = (v.empty() || v == "#") ? text("NOPE") : v;
     }},
    {"DGFXTRANSPARENCY", [](object_definition& d, const text& v) { d.gfx_transparency = text_to_int(v); }},
    {"DDENSITY", [](object_definition& d, const text& v) { d.density = text_to_int(v); }},
    {"DFITTOMATRIX", [](object_definition& d, const text& v) { d.fit_to_matrix = low_byte(text_to_int(v)); }},
    {"DCOLLISION", [](object_definition& d, const text& v) { d.collision = low_byte(text_to_int(v)); }},
    {"DHOTSPOT", [](object_definition& d, const text& v) { d.hotspot = v; }},
    {"DXMODE1", [](object_definition& d, const text& v) { d.x_mode1 = text_to_int(v); }},
    {"DXMODE2", [](object_definition& d, const text& v) { d.x_mode2 = text_to_int(v); }},
    {"DGFXSHOW", [](object_definition& d, const text& v) { d.gfx_show = low_byte(text_to_int(v)); }},
    {"DCENTERFIELD", [](object_definition& d, const text& v) { d.center_field = low_byte(text_to_int(v)); }},
    {"DKILLONCOLLISION",
     [](object_definition& d, const text& v) { d.kill_on_collision = low_byte(text_to_int(v)); }},
    {"DSCORE", [](object_definition& d, const text& v) { d.score = text_to_int(v); }},
    {"DCOUNTTOSCORE", [](object_definition& d, const text& v) { d.count_to_score = low_byte(text_to_int(v)); }},
    {"DUSECOUNTSOUND", [](object_definition& d, const text& v) { d.use_count_sound = low_byte(text_to_int(v)); }},
    {"DCOUNTSOUND", [](object_definition& d, const text& v) { d.count_sound = v; }},
    {"DISPLAYER", [](object_definition& d, const text& v) { d.is_player = low_byte(text_to_int(v)); }},
    {"DISENEMY", [](object_definition& d, const text& v) { d.is_enemy = low_byte(text_to_int(v)); }},
    {"DRANDOMMOVE", [](object_definition& d, const text& v) { d.random_move = text_to_int(v); }},
    {"DMOVEX", [](object_definition& d, const text& v) { d.move_x = text_to_int(v); }},
    {"DMOVEY", [](object_definition& d, const text& v) { d.move_y = text_to_int(v); }},
    {"DVELOX", [](object_definition& d, const text& v) { d.velo_x = text_to_int(v); }},
    {"DVELOY", [](object_definition& d, const text& v) { d.velo_y = text_to_int(v); }},
    {"DAILEVEL", [](object_definition& d, const text& v) { d.ai_level = low_byte(text_to_int(v)); }},
    {"DDMOVE", [](object_definition& d, const text& v) { d.d_move = text_to_int(v); }},
    {"DCHANGEDIRECTION", [](object_definition& d, const text& v) { d.change_direction = text_to_int(v); }},
};

// Reads the key/value line pairs of one definition file into d. A file that
// ends after a key line gives that key the empty value (read_line yields ""
// at the end).
void read_definition_file(object_definition& d, int file) {
    while (!end_of_file(file)) {
        text key = read_line(file);
        text value = read_line(file);
        apply_definition_key(d, key, value);
    }
}

}  // namespace

// ===========================================================================
// Functions
// ===========================================================================

void apply_definition_key(object_definition& d, const text& key, const text& value) {
    for (const definition_key& k : definition_keys) {
        if (key == k.key) {
            k.set(d, value);
            return;
        }
    }
    // Not a key of the table: the pair is ignored.
}

bool is_definition_key(const text& key) {
    for (const definition_key& k : definition_keys)
        if (key == k.key) return true;
    return false;
}

std::vector<text> definition_key_names() {
    std::vector<text> names;
    for (const definition_key& k : definition_keys) names.emplace_back(k.key);
    return names;
}

// The image path cut before the first exact occurrence of the image extension
// (anywhere in the path, folder included), then ".dll". When the extension is
// not found (a name listed in another case) the cut keeps nothing.
text definition_file_path(const text& image_path, const text& gfx_codec) {
    return text_left(image_path, text_find(image_path, gfx_codec, 1) - 1) + ".dll";
}

void load_object_definitions() {
    List<object_definition>& defs = engine.object_definitions;

    // The definitions own their sprites; instances and enemies made from them
    // hold 3D sprites of their own and are released before a reload.
    for (object_definition& d : defs.items) {
        if (d.sprite != 0 && is_sprite(d.sprite)) free_sprite(d.sprite);
    }
    list_clear(defs);
    list_reset(defs);

    // White is the transparent colour of object images, and stays in force
    // for whatever is loaded after them.
    set_sprite_transparent_colour(-1, rgb(255, 255, 255));

    if (examine_directory(0, engine.world_gfx_path, "*" + engine.gfx_codec) == 0) return;
    while (next_directory_entry(0)) {
        end_program_if_requested();  // a large folder takes a while
        if (directory_entry_type(0) != 1) continue;  // files only, never folders

        // Append after the last record so that the list keeps the listing
        // order whatever the cursor was left on.
        list_select(defs, list_size(defs) - 1);
        object_definition* d = list_add(defs);
        d->image_path = engine.world_gfx_path + directory_entry_name(0);
        d->sprite = load_sprite(-1, d->image_path, sprite_mode_3d);

        int file = open_file_read(-1, definition_file_path(d->image_path, engine.gfx_codec));
        if (file == 0) continue;  // no properties: empty name, all zero
        read_definition_file(*d, file);
        close_file(file);
    }
    finish_directory(0);
}

}  // namespace tw
