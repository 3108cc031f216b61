// object_files: the per-type object files that set a cell up (its graphic,
// children, collision, transparency and enemy flag), the cell graphic lookup,
// and the cache that lets a world build read each object file only once.
#include "assets/assets.h"

#include <iterator>

#include "runtime/media_runtime.h"

namespace tw {

// ===========================================================================
// Reading object files
// ===========================================================================

namespace {

// Reads the key/value line pairs of an object file. A key on the last line
// gets the empty value, as read_line gives "" past the end.
object_file_contents read_object_pairs(const text& path) {
    object_file_contents contents;
    int file = open_file_read(-1, path);
    if (file == 0) return contents;
    contents.exists = true;
    while (!end_of_file(file)) {
        object_file_pair pair;
        pair.key = read_line(file);
        pair.value = read_line(file);
        pair.key_id = intern_name(pair.key);
        pair.value_id = intern_name(pair.value);
        contents.pairs.push_back(std::move(pair));
    }
    close_file(file);
    return contents;
}

// The keys with an effect, as interned names. Keys match exactly and
// case-sensitively, so comparing ids is comparing the texts.
struct object_keys {
    name_id gfx_name = intern_name("GFXNAME");
    name_id child[8] = {intern_name("CHILD1"), intern_name("CHILD2"), intern_name("CHILD3"),
                        intern_name("CHILD4"), intern_name("CHILD5"), intern_name("CHILD6"),
                        intern_name("CHILD7"), intern_name("CHILD8")};
    name_id use_collision = intern_name("USECOLLISION");
    name_id transparency = intern_name("TRANSPARENCY");
    name_id use_enemy = intern_name("USEENEMY");
    name_id empty = intern_name("");
    name_id hash = intern_name("#");
    name_id dummy = intern_name("dummy.png");
};

const object_keys& keys() {
    static const object_keys k;
    return k;
}

// int8 fields keep the low 8 bits of the value.
int8_t low_byte(int32_t v) { return static_cast<int8_t>(static_cast<uint8_t>(v & 0xFF)); }

void apply_object_pair(world_cell& c, const object_file_pair& pair) {
    const object_keys& k = keys();
    if (pair.key_id == k.gfx_name) {
        c.gfx_name = pair.value_id == k.empty ? k.dummy : pair.value_id;
        return;
    }
    for (int slot = 0; slot < 8; ++slot) {
        if (pair.key_id != k.child[slot]) continue;
        c.child_name[static_cast<size_t>(slot)] = pair.value_id;
        c.child_instance[static_cast<size_t>(slot)] = -1;
        // "#" closes the child list: placement examines slots 0..slot.
        if (pair.value_id == k.hash) c.child_count = static_cast<int8_t>(slot);
        return;
    }
    if (pair.key_id == k.use_collision) {
        c.use_collision = low_byte(text_to_int(pair.value));
    } else if (pair.key_id == k.transparency) {
        c.transparency = text_to_int(pair.value);
        // Unclamped on purpose: a value above 255 gives a negative alpha, which
        // hides the cell like 0 does. Computed in 64 bits so that extreme
        // values wrap instead of overflowing.
        c.alpha = static_cast<int32_t>(static_cast<uint32_t>(255 - static_cast<int64_t>(c.transparency)));
    } else if (pair.key_id == k.use_enemy) {
        c.use_enemy = low_byte(text_to_int(pair.value));
    }
    // RANDOMSEED, USEDIRECTION and INTERNALNAME are valid keys without effect;
    // any other key line is skipped together with its value line.
}

// Every key an object file may hold, those without effect included.
const char* const object_file_keys[] = {
    "GFXNAME", "CHILD1", "CHILD2", "CHILD3", "CHILD4", "CHILD5", "CHILD6", "CHILD7", "CHILD8",
    "RANDOMSEED", "USECOLLISION", "TRANSPARENCY", "USEENEMY", "USEDIRECTION", "INTERNALNAME"};

}  // namespace

bool is_object_file_key(const text& key) {
    for (const char* k : object_file_keys)
        if (key == k) return true;
    return false;
}

std::vector<text> object_file_key_names() {
    return {std::begin(object_file_keys), std::end(object_file_keys)};
}

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
    if (c.gfx_name == keys().empty) c.gfx_name = keys().dummy;
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
