// core: start-up, configuration, fatal errors and the report log, the main
// loop and frame, display set-up, and the automation dump.
#pragma once

#include "core/engine_state.h"
#include "core/line_pairs.h"
#include "runtime/media_runtime.h"

namespace tw {

// --- start-up (core/startup.cpp) ---
int engine_main();                            // the whole program; returns only in tests
// Releases the runtime and ends the process: exit code 0 for a normal quit
// (and a stop request), 1 after a fatal error, so that whoever started the
// program can tell that the game never ran.
[[noreturn]] void end_program(int exit_code = 0);
constexpr int exit_start_up_failed = 1;
text configuration_path();                    // base_dir + "DATA\ini.txt"
// The steps of start-up, in the order engine_main runs them. Programs that
// only read a game (the data checker, the map drawer) run the same steps
// without a display: the configuration's pairs without the devices, a
// display of the game's base size, no window and no loading screen (only the
// draw of the generator that chooses its picture, which a loaded world's
// chances follow).
void step_start_values();                     // start values, base_dir, config_path
void step_configuration();                    // load_configuration(config_path)
void step_decoders();                         // PNG, JPEG, TGA, TIFF, Ogg Vorbis
void step_display();                          // query_desktop
void step_window();                           // open_main_window
void step_loading_screen();
void step_containers();                       // the world grid and the shared lists, emptied
void step_assets();                           // world graphics, definitions, sounds, sprite font
void step_world();                            // world 0: built from the base, or the saved world
void step_fault_reporter();
// Ends the program when the system asked it to stop (SIGTERM, SIGINT, SIGHUP);
// called wherever the engine can stop at once.
void end_program_if_requested();

// --- command line (core/command_line.cpp) ---
// What the command line chooses for one run, applied by start-up: a seed in
// place of WORLDRANDOM (the file stays as it is) and the world to start at.
struct run_choices {
    bool seed_given = false;
    int32_t seed = 0;                         // --seed
    bool world_given = false;
    int32_t world = 0;                        // --world, 0 or more
};
struct command_line {
    int exit_code = -1;                       // 0 or more: the program ends with it at once
    text game_folder;                         // empty: the current folder
    text record_file, replay_file;            // --record, --replay; empty when not given
    run_choices choices;
    bool watch = false;                       // --watch: reload data files when they change
    text output_folder;                       // --output-folder; empty when not given
};
void set_run_choices(const run_choices& c);   // before engine_main
// Start-up's part: the seed once the configuration was read, the world
// number once world 0 stands (the main loop's first pass then moves to it,
// as Page Up would).
void apply_run_seed();
void apply_run_world();
// Prints the usage, the version or the mistake itself.
command_line read_command_line(const std::vector<text>& args);
text program_version();                       // the project's version, as "1.0.0"

// --- configuration (core/configuration.cpp) ---
void load_configuration(const text& path);    // fatal_configuration when it cannot be opened
void apply_config_key(const text& key, const text& value);
void read_configuration_pairs(const text& path);  // the reading half, without devices
std::vector<key_description> configuration_keys();  // the keys, in the order they are tested
// The configuration file read afresh from the start values into `out`,
// leaving the running game alone; false when it cannot be opened.
bool read_configuration_copy(EngineState& out);
void copy_configuration(EngineState& to, const EngineState& from);  // every field a key sets

// --- fatal errors and the report log (core/fatal_error.cpp) ---
// The codes with a box; fatal_error ignores any other code.
enum fatal_error_code : int {
    fatal_configuration = 0,                  // the configuration file cannot be opened
    fatal_screen = 1,                         // no screen inside the main window
    fatal_window = 2,                         // no main window
    fatal_keyboard = 3,                       // raised by nothing
    fatal_topographic_data = 4,               // the saved world cannot be read
    fatal_world_base = 5,                     // the base for building the world cannot be read
    fatal_gfx_list = 10,                      // raised by nothing
    fatal_thread = 11,                        // asks Yes/No; Yes goes on without threads
};
text fatal_error_text(int code);              // the box text; empty for an unlisted code
void fatal_error(int code);                   // box titled "ERROR ", then end_program(1)
void write_error_report();                    // the installed fault reporter
// The report log's path inside the game folder (LOGPATH, less the game
// folder, then LOGFILE); false with the reason when they lead out of it.
bool report_log_inside(text& inside, text& why);
// Programs other than the game (the data checker, test harnesses) take over
// fatal errors: the procedure gets the code instead of the box and the end
// of the program, and the failing step then returns to its caller. nullptr
// restores the box.
using fatal_error_procedure = void (*)(int code);
void set_fatal_error_handler(fatal_error_procedure p);

// --- display set-up (core/display.cpp) ---
void query_desktop();
void open_main_window();
void open_main_screen(int window);
void scale_to_display(int width, int height); // query_desktop's arithmetic for a given display

// --- main loop and frame (core/main_loop.cpp) ---
void run_main_loop();                         // until loop_state is loop_ended
void main_loop_pass();                        // rebuild if asked, one event, one frame
void rebuild_if_asked();                      // a generated world, when world_number changed
void process_window_event();
void run_frame();
void examine_pointer();
void draw_world_if_enabled();
void advance_frame_cycle();
void count_time_tick(int32_t counter);
void draw_debug_overlay();
text debug_line_text();                       // "Debug: GFXMEM:<bytes>  ENEMIES:<count>"

// --- live reload (core/watch.cpp; tileworld --watch) ---
void request_watch(bool on);                  // before engine_main: watch the data files
void start_watching_if_asked();               // after start-up: remembers the files as they are
// Once a main-loop pass: nothing without --watch; with it a look at the
// clock, and every 250 ms a look at the files; reloads what changed.
void reload_if_changed();
// Reloads the configuration, the assets and the current world after the
// files `changed` changed (data paths); a data error refuses the reload
// and the game goes on as it was. Prints what happened on stderr.
void reload_game_data(const std::vector<text>& changed);
std::vector<watched_files> data_files_of(const EngineState& config);  // what --watch looks at

// --- automation dump (core/dump.cpp) ---
text engine_dump_text();                      // the state as text, one item a line
void write_engine_dump(const text& path);

}  // namespace tw
