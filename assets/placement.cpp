// placement: turns object definitions into placed objects on cells and into
// enemies. Both draw from the shared random generator; the order of the draws
// is what makes a seeded world come out the same every time, so it must not
// change: a draw happens only for a definition whose name matches the slot
// (objects) or that is marked as an enemy (enemies).
#include <algorithm>

#include "assets/assets.h"
#include "runtime/media_runtime.h"

namespace tw {

// ===========================================================================
// Shared steps
// ===========================================================================

namespace {

// Images are drawn at their own pixel size scaled by the ratio of the real
// screen width to the base width the game was made for. A zero base counts as
// 1, as the configuration does.
float display_ratio() {
    int32_t base = engine.res_base_w == 0 ? 1 : engine.res_base_w;
    return engine.screen_width / static_cast<float>(base);
}

void zoom_to(int32_t sprite3d, float width, float height) {
    if (sprite3d != 0) zoom_sprite3d(sprite3d, nearest(width), nearest(height));
}

// The anchor words, matched exactly; any other word leaves the anchor alone.
void apply_hotspot(const text& hotspot, float width, float height, float& ax, float& ay) {
    if (hotspot.empty()) return;
    if (hotspot == "CENTER") {
        ax = width / 2.0f;
        ay = height / 2.0f;
    } else if (hotspot == "RIGHT") {
        ax = width;
        ay = 0.0f;
    } else if (hotspot == "BOTTOMLEFT") {
        ax = 0.0f;
        ay = height;
    } else if (hotspot == "BOTTOMRIGHT") {
        ax = width;
        ay = height;
    }
}

void apply_center_field(const object_definition& def, float& ax, float& ay) {
    if (def.center_field != 1) return;
    ax += engine.resolution / 2.0f;
    ay += engine.resolution / 2.0f;
}

// New records always go to the end of their list: cells refer to instances
// by position, so an insertion in the middle (after a cursor that something
// else moved) would shift every index behind it.
template <class T>
T* append_record(List<T>& l) {
    list_select(l, list_size(l) - 1);
    return list_add(l);
}

void fill_instance(object_instance& inst, const object_definition& def) {
    inst.sprite3d = create_sprite3d(-1, def.sprite);
    float ratio = display_ratio();
    inst.width = static_cast<float>(sprite_width(def.sprite)) * ratio;
    inst.height = static_cast<float>(sprite_height(def.sprite)) * ratio;
    zoom_to(inst.sprite3d, inst.width, inst.height);
    inst.gfx_show = def.gfx_show;
    inst.alpha = def.gfx_transparency;
    inst.collision = def.collision;
    inst.x_mode1 = def.x_mode1;
    inst.x_mode2 = def.x_mode2;
    inst.kill_on_collision = def.kill_on_collision;
    inst.score = def.score;
    inst.count_to_score = def.count_to_score;
    inst.count_sound = def.count_sound;
    inst.use_count_sound = def.use_count_sound;
    inst.is_player = def.is_player;
}

void fill_enemy(enemy& e, const object_definition& def, int32_t x, int32_t y) {
    e.sprite3d = create_sprite3d(-1, def.sprite);
    float ratio = display_ratio();
    e.width = static_cast<float>(sprite_width(def.sprite)) * ratio;
    e.height = static_cast<float>(sprite_height(def.sprite)) * ratio;
    zoom_to(e.sprite3d, e.width, e.height);
    e.x_mode1 = def.x_mode1;
    e.x_mode2 = def.x_mode2;
    e.gfx_show = def.gfx_show;
    e.alpha = def.gfx_transparency;
    e.collision = def.collision;
    e.random_move = def.random_move;
    e.move_x = def.move_x;
    e.move_y = def.move_y;
    e.velo_x = def.velo_x;
    e.velo_y = def.velo_y;
    e.ai_level = def.ai_level;
    e.d_move = def.d_move;
    e.change_direction = def.change_direction;
    e.pos_x = nearest(static_cast<float>(x) * engine.resolution);
    e.pos_y = nearest(static_cast<float>(y) * engine.resolution);
}

}  // namespace

// ===========================================================================
// Anchors
// ===========================================================================

void anchor_instance(object_instance& inst, const object_definition& def) {
    if (inst.sprite3d == 0 || !is_sprite3d(inst.sprite3d)) return;  // nothing drawn, anchor 0, 0
    if (def.fit_to_matrix == 1) {
        inst.width = engine.resolution;
        inst.height = engine.resolution;
        zoom_to(inst.sprite3d, inst.width, inst.height);
    }
    apply_hotspot(def.hotspot, inst.width, inst.height, inst.anchor_x, inst.anchor_y);
    apply_center_field(def, inst.anchor_x, inst.anchor_y);
}

// Enemies are never fitted to the cell; the anchor comes from the drawn size
// even when the image failed to load.
void anchor_enemy(enemy& e, const object_definition& def) {
    apply_hotspot(def.hotspot, e.width, e.height, e.anchor_x, e.anchor_y);
    apply_center_field(def, e.anchor_x, e.anchor_y);
}

// ===========================================================================
// Objects on a cell
// ===========================================================================

void place_cell_children(int32_t x, int32_t y) {
    if (!cell_in_grid(x, y)) return;
    world_cell& cell = cell_at(x, y);
    List<object_definition>& defs = engine.object_definitions;
    List<object_instance>& insts = engine.object_instances;

    // One report per world: the list starts empty at each build.
    static bool cap_reported = false;
    if (list_size(insts) < max_placed_objects) cap_reported = false;

    cell.collision_flag = 0;
    cell.last_child_slot = -1;
    const int last_slot = std::min<int>(cell.child_count, static_cast<int>(cell.child_name.size()) - 1);
    static const name_id nope = intern_name("NOPE");
    for (int slot = 0; slot <= last_slot; ++slot) {
        const name_id child = cell.child_name[static_cast<size_t>(slot)];
        // Types named "NOPE" are never placed, so such a slot matches nothing.
        if (child == nope) continue;
        const text& wanted = name_text(child);
        // Every definition of that name gets its own chance; the slot keeps
        // the last one placed.
        list_reset(defs);
        while (const object_definition* def = list_next(defs)) {
            if (def->gfx_name != wanted) continue;
            if (list_size(insts) >= max_placed_objects) {
                // A world of a million objects is far past any real game; a
                // few kilobytes of data could otherwise ask for gigabytes.
                if (!cap_reported)
                    report_limit("world " + int_to_text(engine.world_number) + ": no more than " +
                                 int_to_text(max_placed_objects) +
                                 " placed objects in one world; the cells after the limit get none");
                cap_reported = true;
                break;
            }
            if (random(def->density) != 0) continue;

            object_instance* inst = append_record(insts);
            if (inst == nullptr) continue;
            fill_instance(*inst, *def);
            inst->definition_index = list_index(defs);
            cell.child_instance[static_cast<size_t>(slot)] = list_index(insts);
            cell.last_child_slot = slot;
            if (inst->collision != 0) cell.collision_flag = 1;
            anchor_instance(*inst, *def);
        }
    }
}

// ===========================================================================
// Objects and enemies put on a given cell (no chance drawn)
// ===========================================================================

bool place_object_on_cell(int32_t x, int32_t y, int32_t definition_index) {
    if (!cell_in_grid(x, y)) return false;
    List<object_definition>& defs = engine.object_definitions;
    const object_definition* def = list_at(defs, definition_index);
    if (def == nullptr) return false;
    world_cell& cell = cell_at(x, y);
    // The first slot that holds nothing: one after the last placed, or one
    // whose object was never placed. A cell refers to at most eight objects.
    int slot = -1;
    for (int k = 0; k < static_cast<int>(cell.child_instance.size()); ++k) {
        if (k > cell.last_child_slot || cell.child_instance[static_cast<size_t>(k)] == -1) {
            slot = k;
            break;
        }
    }
    if (slot < 0) return false;
    object_instance* inst = append_record(engine.object_instances);
    if (inst == nullptr) return false;
    fill_instance(*inst, *def);
    inst->definition_index = definition_index;
    cell.child_instance[static_cast<size_t>(slot)] = list_index(engine.object_instances);
    cell.last_child_slot = std::max<int32_t>(cell.last_child_slot, slot);
    if (inst->collision != 0) cell.collision_flag = 1;
    anchor_instance(*inst, *def);
    return true;
}

bool place_enemy_on_cell(int32_t x, int32_t y, int32_t definition_index) {
    const object_definition* def = list_at(engine.object_definitions, definition_index);
    if (def == nullptr) return false;
    enemy* e = append_record(engine.enemy_list);
    if (e == nullptr) return false;
    fill_enemy(*e, *def, x, y);
    e->definition_index = definition_index;
    anchor_enemy(*e, *def);
    return true;
}

// ===========================================================================
// Enemies
// ===========================================================================

void spawn_enemies() {
    List<object_definition>& defs = engine.object_definitions;
    List<enemy>& enemies = engine.enemy_list;

    // Cells outside the grid never allow enemies, so the walk stops at its edge.
    const int32_t last_x = std::min(engine.world_width, engine.world_grid.max_x);
    const int32_t last_y = std::min(engine.world_height, engine.world_grid.max_y);
    for (int32_t x = 0; x <= last_x; ++x) {
        for (int32_t y = 0; y <= last_y; ++y) {
            if (cell_or_blocker(x, y).use_enemy != 1) continue;
            list_reset(defs);
            while (true) {
                // Once the limit is reached no further draw can happen anywhere.
                if (list_size(enemies) >= engine.max_foe) return;
                const object_definition* def = list_next(defs);
                if (def == nullptr) break;
                if (def->is_enemy == 0) continue;
                if (random(def->density) != 0) continue;

                enemy* e = append_record(enemies);
                if (e == nullptr) continue;
                fill_enemy(*e, *def, x, y);
                e->definition_index = list_index(defs);
                anchor_enemy(*e, *def);
            }
        }
    }
}

}  // namespace tw
