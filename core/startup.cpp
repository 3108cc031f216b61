// startup: the entry routine. Start-up runs once, in a fixed order, then the
// main loop runs until the quit screen ends it; every way out of the program
// ends in end_program, also a stop request from the system (SIGTERM, SIGINT,
// SIGHUP), which is looked at between the steps and wherever the engine waits
// or works for long: main-loop passes, the pause and quit screens, the
// progress bars' presentations and every file the asset lists load.
#include "core/core.h"

#include "assets/assets.h"
#include "presentation/presentation.h"
#include "runtime/media_runtime.h"
#include "world/world.h"

namespace tw {

// ===========================================================================
// Start-up steps (each runs guarded: before the fault reporter is installed,
// a processor fault abandons the step silently and start-up goes on)
// ===========================================================================

// The runtime resolves the backslash on every platform, so the name is
// written the way the game data expects it.
text configuration_path() { return engine.base_dir + "DATA\\ini.txt"; }

// Start values of every field, then the start-up folder and the
// configuration file under it.
void step_start_values() {
    set_start_values();
    engine.base_dir = current_directory();
    engine.config_path = configuration_path();
}

namespace {
run_choices chosen;
}  // namespace

void set_run_choices(const run_choices& c) { chosen = c; }

void apply_run_seed() {
    if (!chosen.seed_given) return;
    // As if WORLDRANDOM had said so: the generator is seeded at once.
    engine.world_random = chosen.seed;
    random_seed(engine.world_random);
}

void apply_run_world() {
    if (chosen.world_given) engine.world_number = chosen.world;
}

void step_configuration() {
    load_configuration(engine.config_path);
    apply_run_seed();
}

void step_decoders() {
    use_png_decoder();
    use_jpeg_decoder();
    use_tga_decoder();
    use_tiff_decoder();
    use_ogg_decoder();
}

void step_display() { query_desktop(); }

void step_window() { open_main_window(); }

void step_loading_screen() { show_loading_screen(); }

// The grid (indices 0..512 both ways) and the shared lists, emptied in the
// order in which the rest of the engine expects to find them.
void step_containers() {
    create_world_grid(512, 512);
    list_clear(engine.floor_cells);
    list_clear(engine.enemy_list);
    list_clear(engine.sound_fx_list);
    list_clear(engine.cursor_sprites);
    list_clear(engine.object_instances);
    list_clear(engine.object_definitions);
    list_clear(engine.world_graphics);
}

void step_assets() {
    load_world_graphics();
    clear_asset_lists();
    load_object_definitions();
    load_sound_effects();
    load_sprite_font();
}

void step_world() {
    if (engine.use_self_create_base == 1) {
        build_world(engine.self_create_base_path);
    } else if (engine.play_saved_world == 1) {
        start_designed_worlds();
    } else {
        load_saved_world(saved_world_path(topography_extension));
    }
    apply_run_world();
}

void step_fault_reporter() { set_error_handler(write_error_report); }

// ===========================================================================
// Entry and exit
// ===========================================================================

int engine_main() {
    runtime_startup();
    // The dump only reads the engine state, so it may be asked for at any time.
    set_dump_handler(engine_dump_text);

    void (*const steps[])() = {step_start_values, step_configuration, step_decoders,
                               step_display,      step_window,        step_loading_screen,
                               step_containers,   step_assets,        step_world,
                               step_fault_reporter};
    for (auto step : steps) {
        run_guarded(step);
        end_program_if_requested();
    }

    start_watching_if_asked();
    run_main_loop();
    end_program();
}

[[noreturn]] void end_program(int exit_code) { runtime_exit(exit_code); }

void end_program_if_requested() {
    if (termination_requested()) end_program();
}

}  // namespace tw
