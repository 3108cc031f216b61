// object_files: the per-type object files that set a cell up (its graphic,
// children, collision, transparency and enemy flag), the cell graphic lookup,
// and the cache that lets a world build read each object file only once.
#include "assets/assets.h"

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
        contents.pairs.push_back(std::move(pair));
    }
    close_file(file);
    return contents;
}

// The child slot named by a key "CHILD1".."CHILD8" (0..7), or -1.
int child_slot_of(const text& key) {
    if (key.size() != 6 || key.compare(0, 5, "CHILD") != 0) return -1;
    char digit = key[5];
    if (digit < '1' || digit > '8') return -1;
    return digit - '1';
}

// int8 fields keep the low 8 bits of the value.
int8_t low_byte(int32_t v) { return static_cast<int8_t>(static_cast<uint8_t>(v & 0xFF)); }

void apply_object_pair(world_cell& c, const text& key, const text& value) {
    if (key == "GFXNAME") {
        c.gfx_name = intern_name(value.empty() ? text("dummy.png") : value);
        return;
    }
    int slot = child_slot_of(key);
    if (slot >= 0) {
        c.child_name[slot] = intern_name(value);
        c.child_instance[slot] = -1;
        // "#" closes the child list: placement examines slots 0..slot.
        if (value == "#") c.child_count = static_cast<int8_t>(slot);
        return;
    }
    if (key == "USECOLLISION") {
        c.use_collision = low_byte(text_to_int(value));
    } else if (key == "TRANSPARENCY") {
        c.transparency = text_to_int(value);
        // Unclamped on purpose: a value above 255 gives a negative alpha, which
        // hides the cell like 0 does. Computed in 64 bits so that extreme
        // values wrap instead of overflowing.
        c.alpha = static_cast<int32_t>(static_cast<uint32_t>(255 - static_cast<int64_t>(c.transparency)));
    } else if (key == "USEENEMY") {
        c.use_enemy = low_byte(text_to_int(value));
    }
    // RANDOMSEED, USEDIRECTION and INTERNALNAME are valid keys without effect;
    // any other key line is skipped together with its value line.
}

}  // namespace

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
    for (const object_file_pair& pair : contents.pairs) apply_object_pair(c, pair.key, pair.value);
    if (name_text(c.gfx_name).empty()) c.gfx_name = intern_name("dummy.png");
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
