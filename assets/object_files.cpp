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

// A key without a setter is accepted without effect. Setters record what the
// pair does to a cell; read_object_file applies the result.
using object_file_key = key_row<void (*)(object_file_effect& e, const object_file_pair& pair)>;

template <int slot>
void set_child(object_file_effect& e, const object_file_pair& pair) {
    e.child_slots_read = static_cast<uint8_t>(e.child_slots_read | (1u << slot));
    e.child_names[slot] = pair.value_id;
    // "#" closes the child list: placement examines slots 0..slot.
    if (pair.value_id == names().hash) e.child_count = static_cast<int8_t>(slot);
}

// The keys in the order they are tested, with what each sets in the cell,
// the kind of its value and whether anything reads it.
const object_file_key object_file_table[] = {
    {"GFXNAME", value_kind::text, value_use::used,
     [](object_file_effect& e, const object_file_pair& pair) {
         e.sets_gfx_name = true;
         e.gfx_name = pair.value_id == names().empty ? names().dummy : pair.value_id;
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
     [](object_file_effect& e, const object_file_pair& pair) {
         e.sets_use_collision = true;
         e.use_collision = low_byte(text_to_int(pair.value));
     }},
    {"TRANSPARENCY", value_kind::integer, value_use::used,
     [](object_file_effect& e, const object_file_pair& pair) {
         e.sets_transparency = true;
         e.transparency = text_to_int(pair.value);
         // Unclamped on purpose: a value above 255 gives a negative alpha, which
         // hides the cell like 0 does. Computed in 64 bits so that extreme
         // values wrap instead of overflowing.
         e.alpha = static_cast<int32_t>(static_cast<uint32_t>(255 - static_cast<int64_t>(e.transparency)));
     }},
    {"USEENEMY", value_kind::flag, value_use::used,
     [](object_file_effect& e, const object_file_pair& pair) {
         e.sets_use_enemy = true;
         e.use_enemy = low_byte(text_to_int(pair.value));
     }},
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

void add_pair_effect(object_file_effect& e, const object_file_pair& pair) {
    const std::vector<name_id>& ids = key_ids();
    for (size_t i = 0; i < ids.size(); ++i) {
        if (pair.key_id != ids[i]) continue;
        if (object_file_table[i].set) object_file_table[i].set(e, pair);
        return;
    }
    // Any other key line is skipped together with its value line.
}

// The pairs of an object file, key and value interned, and their effect.
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
        add_pair_effect(contents.effect, pair);
        contents.pairs.push_back(std::move(pair));
    }
    return contents;
}

// The cell's child names with the slots the file read replaced; the cells of
// a type mostly start from the same names, so each result is kept.
uint32_t names_after(const object_file_effect& e, uint32_t before) {
    if (e.child_slots_read == 0) return before;
    for (const auto& [from, to] : e.name_sets_seen)
        if (from == before) return to;
    name_set after = name_set_of(before);
    for (size_t k = 0; k < after.size(); ++k)
        if (e.child_slots_read & (1u << k)) after[k] = e.child_names[k];
    const uint32_t to = intern_name_set(after);
    e.name_sets_seen.emplace_back(before, to);
    return to;
}

void apply_effect(world_cell& c, const object_file_effect& e) {
    if (e.sets_gfx_name) c.gfx_name = e.gfx_name;
    c.child_name.use_set(names_after(e, c.child_name.set_number()));
    c.child_instance.set_minus_one(e.child_slots_read);
    c.child_count = e.child_count;
    if (e.sets_use_collision) c.use_collision = e.use_collision;
    if (e.sets_transparency) {
        c.transparency = e.transparency;
        c.alpha = e.alpha;
    }
    if (e.sets_use_enemy) c.use_enemy = e.use_enemy;
    if (c.gfx_name == names().empty) c.gfx_name = names().dummy;
    c.collision_flag = -1;  // placement, which always follows, decides it
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
    auto& files = engine.object_file_cache.files;
    auto found = files.find(path);
    if (found != files.end()) return found->second;
    return files.emplace(path, read_object_pairs(path)).first->second;
}

void read_object_file(int32_t x, int32_t y, const text& path) {
    if (!cell_in_grid(x, y)) return;
    apply_object_file(cell_at(x, y), cached_object_file(path));
}

void apply_object_file(world_cell& c, const object_file_contents& contents) {
    if (!contents.exists) return;  // a missing file leaves the cell exactly as it was
    apply_effect(c, contents.effect);
}

// ===========================================================================
// Cell graphics
// ===========================================================================

int32_t find_world_graphic(const text& name) {
    // Exact, case-sensitive match on the file name including its extension.
    for (int i = 0; i < list_size(engine.world_graphics); ++i)
        if (list_at(engine.world_graphics, i)->name == name) return i;
    return -1;
}

void assign_cell_graphic(int32_t x, int32_t y, const text& name) {
    if (!cell_in_grid(x, y)) return;
    give_cell_graphic(cell_at(x, y), find_world_graphic(name));
}

// The cell's own 3D sprite is made when the cell is first drawn: a world
// has up to a million cells and the view shows a few thousand of them.
void give_cell_graphic(world_cell& c, int32_t graphic) {
    const world_graphic* g = list_at(engine.world_graphics, graphic);
    if (!g) return;  // an unknown name keeps what the cell has
    if (c.cell_sprite3d != 0 && is_sprite3d(c.cell_sprite3d)) free_sprite3d(c.cell_sprite3d);
    c.cell_sprite3d = 0;
    // World graphics are loaded 3D-capable; one that failed gives no graphic.
    c.cell_sprite = is_sprite(g->sprite) ? g->sprite : 0;
}

int32_t cell_quad(world_cell& c) {
    if (c.cell_sprite3d == 0 && c.cell_sprite != 0) {
        c.cell_sprite3d = create_sprite3d(-1, c.cell_sprite);
        engine.world_grid.cell_sprites3d_made = true;
        // Made after size_cell_sprites, it gets the size that would have given
        // it: one cell for a drawable cell. Otherwise the image's own size.
        if (c.cell_sprite3d != 0 && c.alpha > 0 && engine.world_grid.cells_sized) {
            const int r = nearest(engine.resolution);
            zoom_sprite3d(c.cell_sprite3d, r, r);
        }
    }
    return c.cell_sprite3d;
}

}  // namespace tw
