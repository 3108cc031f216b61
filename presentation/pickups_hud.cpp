// pickups_hud: players collecting the objects of their cell (count sound,
// removal, points) and the HUD with the score and the running time.
#include <cstdint>

#include "presentation/presentation.h"
#include "runtime/media_runtime.h"

namespace tw {

// ===========================================================================
// Functions
// ===========================================================================

namespace {

// Scores wrap in 32 bits instead of overflowing into undefined behaviour.
int32_t add_wrapping(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

}  // namespace

void collect_objects(int32_t cx, int32_t cy) {
    if (!cell_in_grid(cx, cy)) return;
    if (cell_at(cx, cy).collision_flag == 0) return;
    for (int k = 0; k <= 7; ++k) {
        // Re-read the cell each slot: collecting changes it.
        const world_cell& c = cell_at(cx, cy);
        if (k > c.last_child_slot) break;
        const int32_t index = c.child_instance[static_cast<size_t>(k)];
        if (index == -1) continue;
        const object_instance* o = list_at(engine.object_instances, index);
        if (o && o->collision != 0) collect_object(cx, cy, k);
    }
}

void collect_object(int32_t cx, int32_t cy, int k) {
    if (!cell_in_grid(cx, cy) || k < 0 || k > 7) return;
    world_cell& c = cell_at(cx, cy);
    const int32_t index = c.child_instance[static_cast<size_t>(k)];
    play_count_sound(index);
    const object_instance* o = list_at(engine.object_instances, index);
    if (!o) return;
    // An object that is not removed gives no points; its sound plays again on
    // every frame in which a player stands on it.
    if (o->kill_on_collision == 0) return;
    // The instance record stays in its list; no cell names it any more, so it
    // is neither drawn nor collected again.
    c.child_instance[static_cast<size_t>(k)] = -1;
    if (o->count_to_score == 0) engine.shown_score = add_wrapping(engine.shown_score, o->score);
    else engine.target_score = add_wrapping(engine.target_score, o->score);
}

void play_count_sound(int32_t index) {
    if (list_size(engine.sound_fx_list) == 0) return;
    const object_instance* o = list_at(engine.object_instances, index);
    if (!o || o->use_count_sound == 0) return;
    // The first sound with exactly this file name (case and extension
    // included) is the one; later namesakes are never played.
    for (int n = 0; n < list_size(engine.sound_fx_list); ++n) {
        const sound_effect* s = list_at(engine.sound_fx_list, n);
        if (s->name != o->count_sound) continue;
        // play_sound_once restarts a sound that is still playing.
        if (s->loaded != 0) play_sound_once(s->handle);
        return;
    }
}

void draw_hud() {
    // Counted points appear one a frame; a direct addition that overtakes
    // the target simply ends the counting.
    if (engine.shown_score < engine.target_score) engine.shown_score += 1;
    const float w = engine.screen_width;
    const float h = engine.screen_height;
    draw_sprite_text(" SCORE " + int_to_text(engine.shown_score) + "|", w * 0.6f, h * 0.05f, 1.0f, 0.0f,
                     255, 0.8f);
    draw_sprite_text(" TIME " + int_to_text(engine.time_ticks) + "|", w * 0.05f, h * 0.05f, 1.0f, 0.0f,
                     255, 0.8f);
}

}  // namespace tw
