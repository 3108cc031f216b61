// progress_bar: the red bars drawn while a world is built or loaded. The main
// loop does not run then, so these ticks draw (and now and then present) the
// back buffer themselves, on top of whatever it holds.
#include "world/world.h"

#include "core/core.h"
#include "runtime/media_runtime.h"

namespace tw {

// ===========================================================================
// Shared drawing
// ===========================================================================

namespace {

// The bar grows by screen_width / (world_width * world_height) per tick: the
// product of the highest indices, not of the cell counts, so it reaches the
// right edge shortly before the last cell and is then clipped. A world one
// column or one row wide has no such step; its bar is drawn full width at once.
// Returns false in that case.
bool progress_step(float& step) {
    float area = static_cast<float>(engine.world_width) * static_cast<float>(engine.world_height);
    if (area == 0.0f) return false;
    step = engine.screen_width / area;
    return true;
}

// Grows the bar by one step. Every tick draws the same black band with the
// red bar on it, which covers all that the earlier ticks drew, so only the
// last tick before a presentation shows: its band is drawn then, or when the
// build ends (finish_progress_bar), rather than at every tick.
void advance(float& progress) {
    float step = 0;
    if (progress_step(step))
        progress += step;
    else
        progress = engine.screen_width;
    engine.progress_bar_undrawn = progress;
}

void draw_undrawn_bar() {
    const float progress = engine.progress_bar_undrawn;
    if (progress < 0) return;
    engine.progress_bar_undrawn = -1;
    if (!start_drawing(screen_output())) return;
    int top = nearest(static_cast<double>(engine.screen_height) * 0.85);
    draw_box(0, top, nearest(engine.screen_width), 9, rgb(0, 0, 0));
    draw_box(0, top, nearest(progress), 8, rgb(255, 0, 0));
    stop_drawing();
}

// A world takes a while to make; where it shows its progress it also stops
// when the system asks it to.
void present() {
    draw_undrawn_bar();
    flip_buffers();
    end_program_if_requested();
}

}  // namespace

// ===========================================================================
// Ticks
// ===========================================================================

void build_progress_tick() {
    // The first tick of every rebuild restarts the bar; at the start-up build
    // both numbers are 0 and the bar goes on from its start value.
    if (engine.built_world_number != engine.world_number) {
        engine.build_progress = 1.0f;
        engine.built_world_number = engine.world_number;
    }
    advance(engine.build_progress);
    // Presenting is slow, so a build presents once every 2 * world_width + 1
    // cells (not at its first tick); the counter carries over between builds.
    engine.build_flip_counter += 1;
    if (static_cast<int64_t>(engine.build_flip_counter) > 2 * static_cast<int64_t>(engine.world_width)) {
        present();
        engine.build_flip_counter = 0;
    }
}

void load_progress_tick() {
    advance(engine.load_progress);
    // Presents at the first tick and then at every 501st.
    if (engine.load_flip_counter == 0) present();
    engine.load_flip_counter += 1;
    if (engine.load_flip_counter > 500) engine.load_flip_counter = 0;
}

void finish_progress_bar() { draw_undrawn_bar(); }

}  // namespace tw
