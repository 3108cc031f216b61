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

// Byte fields keep the low 8 bits of the converted value, read back signed.
int8_t low_byte(int32_t v) { return static_cast<int8_t>(static_cast<uint8_t>(static_cast<uint32_t>(v) & 0xFFu)); }

using definition_key = key_row<void (*)(object_definition&, const text&)>;

template <int32_t object_definition::*field>
void set_integer(object_definition& d, const text& v) {
    d.*field = text_to_int(v);
}
template <int8_t object_definition::*field>
void set_byte(object_definition& d, const text& v) {
    d.*field = low_byte(text_to_int(v));
}
template <text object_definition::*field>
void set_text(object_definition& d, const text& v) {
    d.*field = v;
}

// The keys in the order they are tested, with what each sets, the kind of
// its value and whether anything reads it; the first that equals the key
// line is applied. Enemies copy DMOVEX and DMOVEY, and their movement never
// reads them.
const definition_key definition_table[] = {
    {"DGFXNAME", value_kind::text, value_use::used,
     [](object_definition& d, const text& v) {
         // An empty name or "#" marks a type that object files never place.
         d.gfx_name = (v.empty() || v == "#") ? text("NOPE") : v;
     }},
    {"DGFXTRANSPARENCY", value_kind::integer, value_use::used, set_integer<&object_definition::gfx_transparency>},
    {"DDENSITY", value_kind::integer, value_use::used, set_integer<&object_definition::density>},
    {"DFITTOMATRIX", value_kind::byte, value_use::used, set_byte<&object_definition::fit_to_matrix>},
    {"DCOLLISION", value_kind::byte, value_use::used, set_byte<&object_definition::collision>},
    {"DHOTSPOT", value_kind::text, value_use::used, set_text<&object_definition::hotspot>},
    {"DXMODE1", value_kind::integer, value_use::used, set_integer<&object_definition::x_mode1>},
    {"DXMODE2", value_kind::integer, value_use::used, set_integer<&object_definition::x_mode2>},
    {"DGFXSHOW", value_kind::byte, value_use::used, set_byte<&object_definition::gfx_show>},
    {"DCENTERFIELD", value_kind::byte, value_use::used, set_byte<&object_definition::center_field>},
    {"DKILLONCOLLISION", value_kind::byte, value_use::used, set_byte<&object_definition::kill_on_collision>},
    {"DSCORE", value_kind::integer, value_use::used, set_integer<&object_definition::score>},
    {"DCOUNTTOSCORE", value_kind::byte, value_use::used, set_byte<&object_definition::count_to_score>},
    {"DUSECOUNTSOUND", value_kind::byte, value_use::used, set_byte<&object_definition::use_count_sound>},
    {"DCOUNTSOUND", value_kind::text, value_use::used, set_text<&object_definition::count_sound>},
    {"DISPLAYER", value_kind::byte, value_use::used, set_byte<&object_definition::is_player>},
    {"DISENEMY", value_kind::byte, value_use::used, set_byte<&object_definition::is_enemy>},
    {"DRANDOMMOVE", value_kind::integer, value_use::used, set_integer<&object_definition::random_move>},
    {"DMOVEX", value_kind::integer, value_use::unused, set_integer<&object_definition::move_x>},
    {"DMOVEY", value_kind::integer, value_use::unused, set_integer<&object_definition::move_y>},
    {"DVELOX", value_kind::integer, value_use::used, set_integer<&object_definition::velo_x>},
    {"DVELOY", value_kind::integer, value_use::used, set_integer<&object_definition::velo_y>},
    {"DAILEVEL", value_kind::byte, value_use::used, set_byte<&object_definition::ai_level>},
    {"DDMOVE", value_kind::integer, value_use::used, set_integer<&object_definition::d_move>},
    {"DCHANGEDIRECTION", value_kind::integer, value_use::used, set_integer<&object_definition::change_direction>},
};

// Applies the line pairs of one definition file to d, each as it is read.
void read_definition_file(object_definition& d, int file) {
    line_pair pair;
    while (read_line_pair(file, pair)) apply_definition_key(d, pair.key, pair.value);
}

}  // namespace

// ===========================================================================
// Functions
// ===========================================================================

void apply_definition_key(object_definition& d, const text& key, const text& value) {
    for (const definition_key& k : definition_table) {
        if (key == k.key) {
            k.set(d, value);
            return;
        }
    }
    // Not a key of the table: the pair is ignored.
}

std::vector<key_description> definition_keys() { return describe_keys(definition_table); }

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
