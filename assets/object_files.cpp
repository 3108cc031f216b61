// object_files: the per-type object files that set a cell up (its graphic,
// children, collision, transparency and enemy flag), the cell graphic lookup,
// and the cache that lets a world build read each object file only once.
#include "assets/assets.h"

#include "runtime/media_runtime.h"

namespace tw {

// ===========================================================================
// Key table
// ===========================================================================

namespace {

// Byte fields keep the low 8 bits of the value.
int8_t low_byte(int32_t v) { return static_cast<int8_t>(static_cast<uint8_t>(v & 0xFF)); }

// The values the setters compare with, interned once.
struct object_names {
    name_id empty = intern_name("");
    name_id hash = intern_name("#");
    name_id dummy = intern_name("dummy.png");
};

const object_names& names() {
    static const object_names n;
    return n;
}

// A key without a setter is accepted without effect.
using object_file_key = key_row<void (*)(world_cell& c, const object_file_pair& pair)>;

template <int slot>
void set_child(world_cell& c, const object_file_pair& pair) {
    c.child_name[slot] = pair.value_id;
    c.child_instance[slot] = -1;
    // "#" closes the child list: placement examines slots 0..slot.
    if (pair.value_id == names().hash) c.child_count = static_cast<int8_t>(slot);
}

// The keys in the order they are tested, with what each sets in the cell,
// the kind of its value and whether anything reads it.
const object_file_key object_file_table[] = {
    {"GFXNAME", value_kind::text, value_use::used,
     [](world_cell& c, const object_file_pair& pair) {
         c.gfx_name = pair.value_id == names().empty ? names().dummy : pair.value_id;
     }},
    {"CHILD1", value_kind::text, value_use::used, set_child<0>},
    {"CHILD2", value_kind::text, value_use::used, set_child<1>},
    {"CHILD3", value_kind::text, value_use::used, set_child<2>},
    {"CHILD4", value_kind::text, value_use::used, set_child<3>},
    {"CHILD5", value_kind::text, value_use::used, set_child<4>},
    {"CHILD6", value_kind::text, value_use::used, set_child<5>},
    {"CHILD7", value_kind::text, value_use::used, set_child<6>},
    {"CHILD8", value_kind::text, value_use::used, set_child<7>},
    {"RANDOMSEED", value_kind::integer, value_use::unused, nullptr},
    {"USECOLLISION", value_kind::byte, value_use::used,
     [](world_cell& c, const object_file_pair& pair) { c.use_collision = low_byte(text_to_int(pair.value)); }},
    {"TRANSPARENCY", value_kind::integer, value_use::used,
     [](world_cell& c, const object_file_pair& pair) {
         c.transparency = text_to_int(pair.value);
         // Unclamped on purpose: a value above 255 gives a negative alpha, which
         // hides the cell like 0 does. Computed in 64 bits so that extreme
         // values wrap instead of overflowing.
         c.alpha = static_cast<int32_t>(static_cast<uint32_t>(255 - static_cast<int64_t>(c.transparency)));
     }},
    {"USEENEMY", value_kind::flag, value_use::used,
     [](world_cell& c, const object_file_pair& pair) { c.use_enemy = low_byte(text_to_int(pair.value)); }},
    {"USEDIRECTION", value_kind::text, value_use::unused, nullptr},
    {"INTERNALNAME", value_kind::text, value_use::unused, nullptr},
};

// The table's keys interned, by position. Keys match exactly and
// case-sensitively, so comparing ids is comparing the texts.
const std::vector<name_id>& key_ids() {
    static const std::vector<name_id> ids = [] {
        std::vector<name_id> v;
        for (const object_file_key& k : object_file_table) v.push_back(intern_name(k.key));
        return v;
    }();
    return ids;
}

void apply_object_pair(world_cell& c, const object_file_pair& pair) {
    const std::vector<name_id>& ids = key_ids();
    for (size_t i = 0; i < ids.size(); ++i) {
        if (pair.key_id != ids[i]) continue;
        if (object_file_table[i].set) object_file_table[i].set(c, pair);
        return;
    }
    // Any other key line is skipped together with its value line.
}

// The pairs of an object file, key and value interned.
object_file_contents read_object_pairs(const text& path) {
    object_file_contents contents;
    std::vector<line_pair> pairs;
    contents.exists = read_line_pairs(path, pairs);
    for (line_pair& p : pairs) {
        object_file_pair pair;
        pair.key_id = intern_name(p.key);
        pair.value_id = intern_name(p.value);
        pair.key = std::move(p.key);
        pair.value = std::move(p.value);
        contents.pairs.push_back(std::move(pair));
    }
    return contents;
}

}  // namespace

std::vector<key_description> object_file_keys() { return describe_keys(object_file_table); }

// ===========================================================================
// Reading object files
// ===========================================================================

const object_file_contents& cached_object_file(const text& path) {
    if (engine.object_file_cache_off) {
        // Benchmark switch: read the file afresh on every use.
        static object_file_contents fresh;
        fresh = read_object_pairs(path);
        return fresh;
    }
    auto found = engine.object_file_cache.find(path);
    if (found != engine.object_file_cache.end()) return found->second;
    return engine.object_file_cache.emplace(path, read_object_pairs(path)).first->second;
}

void read_object_file(int32_t x, int32_t y, const text& path) {
    if (!cell_in_grid(x, y)) return;
    const object_file_contents& contents = cached_object_file(path);
    if (!contents.exists) return;  // a missing file leaves the cell exactly as it was
    world_cell& c = cell_at(x, y);
    c.child_count = 0;
    for (const object_file_pair& pair : contents.pairs) apply_object_pair(c, pair);
    if (c.gfx_name == names().empty) c.gfx_name = names().dummy;
    c.collision_flag = -1;  // placement, which always follows, decides it
}

// ===========================================================================
// Cell graphics
// ===========================================================================

void assign_cell_graphic(int32_t x, int32_t y, const text& name) {
    if (!cell_in_grid(x, y)) return;
    // Exact, case-sensitive match on the file name including its extension.
    for (int i = 0; i < list_size(engine.world_graphics); ++i) {
        const world_graphic& g = *list_at(engine.world_graphics, i);
        if (g.name != name) continue;
        world_cell& c = cell_at(x, y);
        if (c.cell_sprite3d != 0 && is_sprite3d(c.cell_sprite3d)) free_sprite3d(c.cell_sprite3d);
        c.cell_sprite3d = create_sprite3d(-1, g.sprite);
        return;
    }
}

}  // namespace tw
