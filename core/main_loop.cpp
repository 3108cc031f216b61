// main_loop: after start-up the engine runs passes until loop_state is loop_ended.
// Each pass rebuilds the world when another world number was asked for,
// takes at most one window event and runs one frame. The game has no clock
// of its own: its running time is counted in frames.
#include "core/core.h"

#include <string>

#include "presentation/presentation.h"
#include "runtime/media_runtime.h"
#include "world/world.h"

namespace tw {

namespace {

// Event wait and sleep: a negative time would mean a wait without end.
int frame_wait_ms() { return engine.multitask < 0 ? 0 : engine.multitask; }

}  // namespace

// ===========================================================================
// Loop
// ===========================================================================

void run_main_loop() {
    for (;;) {
        // A processor fault skips the rest of the pass; the loop goes on.
        run_guarded(main_loop_pass);
        end_program_if_requested();
        // Tested after each pass, so a pass always completes.
        if (engine.loop_state == loop_ended) break;
        // A scripted quit ends the loop after the pass, as the quit screen
        // does, but leaves the state as the game left it: a replay that ends
        // with the script's quit then ends in the state its recording did.
        if (automation_quit_requested()) break;
    }
}

void main_loop_pass() {
    reload_if_changed();
    rebuild_if_asked();
    process_window_event();
    run_frame();
}

void rebuild_if_asked() {
    if (engine.use_self_create_base != 1 && engine.play_saved_world == 1) {
        if (engine.built_world_number != engine.world_number) change_designed_world();
        return;
    }
    if (engine.use_self_create_base != 1 || engine.built_world_number == engine.world_number) return;
    // The rebuild turns a negative world number into 0 first, so the
    // number recorded is the one actually built.
    change_world();
    engine.built_world_number = engine.world_number;
}

void process_window_event() {
    // The runtime dispatches whatever event arrives; the engine acts on none
    // of them (a close request from the system is ignored).
    window_event(frame_wait_ms());
}

// ===========================================================================
// Frame
// ===========================================================================

void run_frame() {
    keyboard_step();
    examine_pointer();
    if (engine.joystick_present == 1) joystick_step();
    delay(frame_wait_ms());
    draw_world_if_enabled();
    advance_frame_cycle();
    flip_buffers();
}

// Nothing reads the mouse; examining it keeps the pointer confined to the
// window and hidden while the window is active.
void examine_pointer() { examine_mouse(); }

void draw_world_if_enabled() {
    if (engine.window_mode == 1) draw_world_view();
}

// The counter runs 0, 1, ..., frame_cycle_length, 0, ...: one tick every
// frame_cycle_length + 1 frames; with a length of 0 or less every frame ticks.
void advance_frame_cycle() {
    // Compared before adding, so the counter cannot overflow at the top of
    // the int range.
    if (engine.frame_cycle_counter >= engine.frame_cycle_length) {
        engine.frame_cycle_counter = 0;
    } else {
        engine.frame_cycle_counter += 1;
    }
    count_time_tick(engine.frame_cycle_counter);
    draw_debug_overlay();
}

void count_time_tick(int32_t counter) {
    if (counter == 0) engine.time_ticks += 1;
}

void draw_debug_overlay() {
    // A game may leave the line out: it covers the top-left cells and the HUD.
    if (engine.show_debug_line != 1) return;
    if (!start_drawing(screen_output())) return;
    draw_text(10, 38, debug_line_text(), rgb(255, 255, 200), rgb(0, 0, 0));
    stop_drawing();
}

text debug_line_text() {
    return "Debug: GFXMEM:" + std::to_string(free_video_memory()) +
           "  ENEMIES:" + int_to_text(list_size(engine.enemy_list));
}

}  // namespace tw
