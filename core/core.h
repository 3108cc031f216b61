// core: start-up, configuration, fatal errors and the report log, the main
// loop and frame, display set-up, and the automation dump.
#pragma once

#include "core/engine_state.h"

namespace tw {

// --- start-up (core/startup.cpp) ---
int engine_main();                            // the whole program; returns only in tests
[[noreturn]] void end_program();              // releases the runtime, exit code 0
// Ends the program when the system asked it to stop (SIGTERM, SIGINT, SIGHUP);
// called wherever the engine can stop at once.
void end_program_if_requested();

// --- configuration (core/configuration.cpp) ---
void load_configuration(const text& path);    // fatal error 0 when it cannot be opened
void apply_config_key(const text& key, const text& value);
void read_configuration_pairs(const text& path);  // the reading half, without devices
bool is_config_key(const text& key);          // a key apply_config_key acts on
std::vector<text> config_key_names();         // every such key, in the order they are tested

// --- fatal errors and the report log (core/fatal_error.cpp) ---
text fatal_error_text(int code);              // the box text; empty for an unlisted code
void fatal_error(int code);                   // box titled "ERROR ", then end_program
void write_error_report();                    // the installed fault reporter
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
void run_main_loop();                         // until loop_state is 20
void main_loop_pass();                        // rebuild if asked, one event, one frame
void process_window_event();
void run_frame();
void examine_pointer();
void draw_world_if_enabled();
void advance_frame_cycle();
void count_time_tick(int32_t counter);
void draw_debug_overlay();
text debug_line_text();                       // "Debug: GFXMEM:<bytes>  ENEMIES:<count>"

// --- automation dump (core/dump.cpp) ---
void write_engine_dump(const text& path);

}  // namespace tw
