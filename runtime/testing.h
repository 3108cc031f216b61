// testing: what the tests, the benchmarks and the automation script use to
// drive and observe the runtime: input injected through the same path as
// device events, the screen read back, devices closed between cases, and the
// few operations the engine does not call but the tests observe the runtime
// through. The engine does not include this header.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/values.h"

namespace tw {

// ===========================================================================
// Injected input (the next examine_* snapshot sees it)
// ===========================================================================

void inject_key(int code, bool down);          // DirectInput scan code
void attach_virtual_joystick();                // init_joystick then reports one
void inject_joystick_button(int n, bool down);  // numbered from 1
void inject_joystick_axis(int axis, int value);  // axis 0 = x, 1 = y; value -1, 0 or 1

// ===========================================================================
// Screen read-back: RGBA rows of the back buffer (which 0) or of the frame
// the last flip presented (which 1); false without a screen or for a
// rectangle outside it.
// ===========================================================================

bool read_screen_pixels(int which, int x, int y, int width, int height, std::vector<uint8_t>& rgba);

// ===========================================================================
// Starting afresh (runtime_exit does all of these)
// ===========================================================================

void video_shutdown();      // windows, 3D sprites, mouse, screen, sprites, keyboard, joystick
void sound_shutdown();      // sound device and sounds
void automation_startup();  // reads TILEWORLD_SCRIPT again; a malformed script exits with code 2
                            // starts the recording TILEWORLD_RECORD names (exit 2 when it cannot)
// The end of a run (runtime_exit calls it): a replay that ended before one of
// its checks is out of step, a recording gets its last check and its quit.
// Returns the exit code: 3 when out of step, else `code`.
int finish_automation(int code);

// ===========================================================================
// Pieces tested on their own
// ===========================================================================

// The script's text becomes the pending commands. false with the line
// ("line N") and the reason when a line is malformed; nothing is then pending.
bool parse_automation_script(const std::string& body, bool& wants_joystick, std::string& where,
                             std::string& why);
// The paths of the pending screenshots and dumps, as they will be written:
// inside the output folder, '/' separated, no "." or "..".
std::vector<std::string> pending_output_paths();
bool wildcard_match(const text& pattern, const text& name);  // * and ?, case-insensitive
// The digest a check line holds, made from a dump's text; and whether a dump
// matches a digest, else the first field that differs, as the replay says it.
std::string dump_digest(const std::string& dump);
bool dump_matches(const std::string& dump, const std::string& digest, std::string& difference);
void provoke_fault();                          // a real processor fault, as the script's "fault"

// ===========================================================================
// Operations the engine does not call
// ===========================================================================

void play_sound(int number, int flags);        // bit 1 loop, bit 2 overlap
bool is_sound(int number);
int open_file(int number, const text& path);   // read/write, created if missing, not truncated
int desktop_depth(int index);                  // bits per pixel; 0 for an index out of range

}  // namespace tw
