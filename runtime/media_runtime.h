// media_runtime: every operation the engine uses to reach the window, screen,
// sprites, 3D sprites, 2D drawing, input, sound, files, folders, dates and
// fault handling: the list a port to another platform supplies. Nothing above
// runtime/ includes SDL, a decoder, a signal header or the file system; it
// calls these functions. (Tests drive the runtime through runtime/testing.h,
// the data checker reads files through runtime/inspection.h.)
//
// Numbered objects: sprites, 3D sprites, sounds, files, folder scans and
// windows each live in a table of their own. A caller passes a number >= 0 to
// choose the slot itself, or -1 for a fresh object; then the handle (>= 1) is
// returned instead of a success flag. Later calls accept number or handle.
// Operations on an object that does not exist do nothing and return 0.
#pragma once

#include <cstdint>
#include "runtime/values.h"

namespace tw {

// ===========================================================================
// Runtime lifetime and faults
// ===========================================================================

void runtime_startup();                       // fault catching, the automation script
[[noreturn]] void runtime_exit(int code);     // releases everything, in end_program order, and exits
using fault_procedure = void (*)();
void set_error_handler(fault_procedure p);    // runs once per fault from now on
bool run_guarded(void (*step)());             // runs step; false when a fault skipped its rest
text error_message();                         // description of the last fault ("No Error")
int error_line();                             // -1: the engine carries no line tracking
text error_file();                            // fixed notice that line tracking is off
bool termination_requested();                 // SIGTERM, SIGINT or SIGHUP arrived since start-up

// ===========================================================================
// Fixed limits (the same for every game; the data checker reports each one a
// game would reach). They are far beyond what a real game needs and keep a
// hostile game folder from exhausting memory or time.
// ===========================================================================

constexpr long long picture_budget_pixels = 256LL * 1024 * 1024;  // decoded pictures held at once (1 GB)
constexpr long long sound_budget_bytes = 512LL * 1024 * 1024;      // decoded sounds held at once
constexpr int max_path_length = 4096;        // longer data paths name nothing
constexpr int max_line_length = 4096;        // read_line keeps this many bytes of a line
constexpr int max_display_side = 8192;       // a script's display, each way
constexpr long long max_display_pixels = 8192LL * 4608;  // and in all
// One line on stderr saying which limit a game reached, kept for the checker.
void report_limit(const text& message);

// ===========================================================================
// Devices, displays and decoders
// ===========================================================================

bool init_sprite();                           // screen and sprite back-end, opens the keyboard
bool init_sprite3d();                         // 3D sprites can be created
bool init_sound();                            // sounds can be played (they load without it)
bool init_mouse();                            // the mouse can be read
bool init_joystick();                         // true when a joystick is attached
int examine_desktops();                       // number of displays; 0 is the primary
int desktop_width(int index);                 // pixels; 0 for an index out of range
int desktop_height(int index);                // pixels; 0 for an index out of range
void use_png_decoder();                       // load_sprite reads PNG from now on
void use_jpeg_decoder();                      // ... JPEG
void use_tga_decoder();                       // ... TGA
void use_tiff_decoder();                      // ... TIFF (BMP always)
void use_ogg_decoder();                       // load_sound reads Ogg Vorbis (WAVE always)

// ===========================================================================
// Windows, screen and messages
// ===========================================================================

constexpr int window_borderless = 1;          // flag of open_window
int open_window(int number, int x, int y, int width, int height, const text& title, int flags);
int window_handle(int window);                // what open_windowed_screen takes
int window_event(int timeout_ms);             // one event or 0; waits at most timeout_ms (-1 blocks)
bool open_windowed_screen(int window_handle, int x, int y, int width, int height, int auto_stretch,
                          int right_offset, int bottom_offset);  // double-buffered, in the client area
constexpr int message_ok = 0, message_yes_no = 4, answer_yes = 6, answer_no = 7;
int message_box(const text& title, const text& body, int flags);  // stderr without a display

// ===========================================================================
// Sprites (images held by the screen device)
// ===========================================================================

constexpr int sprite_mode_3d = 4;             // mode 4: can texture a 3D sprite; mode 5 = 4 + flag 1
int load_sprite(int number, const text& path, int mode);  // 0: missing or not decodable
int grab_sprite(int number, int x, int y, int width, int height, int mode);  // from the back buffer
void free_sprite(int number);                 // its 3D sprites draw nothing from now on
bool is_sprite(int number);                   // the sprite exists
int sprite_width(int number);                 // pixels; 0 for no sprite
int sprite_height(int number);                // pixels; 0 for no sprite
void set_sprite_transparent_colour(int number, colour c);  // -1: default for later loads
void clear_screen(colour c);                  // fills the back buffer
void flip_buffers();                          // present the back buffer; the other buffer becomes back
int64_t free_video_memory();                  // bytes the graphics device has left

// ===========================================================================
// 3D sprites (textured quads)
// ===========================================================================

int create_sprite3d(int number, int sprite);  // 0 unless the sprite was loaded in mode 4 or 5
void free_sprite3d(int number);               // the quad goes; its sprite stays
bool is_sprite3d(int number);                 // the 3D sprite exists
void zoom_sprite3d(int number, int width, int height);  // the quad becomes width x height
void rotate_sprite3d(int number, int angle, int add);  // about the centre; add 1 = relative
bool begin_3d();                              // starts a batch with blending (5, 6)
void draw_sprite3d(int number, int x, int y, int alpha);  // alpha 0 invisible .. 255 opaque
void draw_sprite3d_opaque(int number, int x, int y);  // draw_sprite3d with alpha 255
void end_3d();                                // ends the batch
void sprite3d_blending(int source_factor, int destination_factor);  // blend codes 1..10
void sprite3d_quality(int mode);              // 0 nearest, 1 bilinear

// ===========================================================================
// 2D drawing on the back buffer
// ===========================================================================

int screen_output();                          // the back buffer as a drawing target
bool start_drawing(int output);               // 2D drawing until stop_drawing
void stop_drawing();                          // ends 2D drawing
void draw_text(int x, int y, const text& t, colour front, colour back);  // system font, top-left at x, y
void draw_box(int x, int y, int width, int height, colour c);  // filled; 1 x 1 sets one pixel

// ===========================================================================
// Input (each examine takes a snapshot that the queries read)
// ===========================================================================

bool examine_keyboard();                      // snapshot of the 256 key states
bool key_pushed(int key);                     // DirectInput scan code, -1 = any key
bool key_released(int key);                   // true once, at the first snapshot after release
bool examine_mouse();                         // confines and hides the pointer while active
void mouse_locate(int x, int y);              // moves the mouse position
bool examine_joystick();                      // polls the first joystick; false without one
int joystick_axis_x();                        // -1, 0 or 1
int joystick_axis_y();                        // -1, 0 or 1
bool joystick_button(int n);                  // numbered from 1

// ===========================================================================
// Sound
// ===========================================================================

int load_sound(int number, const text& path); // RIFF WAVE or Ogg Vorbis -> 16-bit PCM
void play_sound_once(int number);             // restart from the beginning
void free_sound(int number);                  // a sound that was loaded goes

// ===========================================================================
// Files and folders (paths accept \ and /; case is resolved where needed)
// ===========================================================================

int open_file_read(int number, const text& path);  // 0 when it cannot be opened
int create_file(int number, const text& path);// read/write, truncated
text read_line(int number);                   // ends at CR LF, LF, CR or NUL; "" at the end; max_line_length kept
void write_line(int number, const text& t);   // text + CR LF
bool end_of_file(int number);                 // no byte left (false for no file)
void close_file(int number);                  // flushed and closed
text current_directory();                     // ends with the platform separator
int examine_directory(int number, const text& folder, const text& pattern);  // 0: no such folder
bool next_directory_entry(int number);        // sorted by name, case-insensitively
text directory_entry_name(int number);        // without the folder
int directory_entry_type(int number);         // 1 file, 2 folder
void finish_directory(int number);            // ends the scan
bool write_text_file(const text& path, const text& contents);  // whole file, replaced
// Files the game itself writes (the report log, a script's dumps and
// screenshots) stay inside one folder (runtime/output_files.cpp). A path is
// taken relative to that folder, '\\' and '/' both separating its parts; it
// may not start with a separator or a drive, contain ':', or climb above the
// folder with "..". On success `inside` is the path with '/' separators and
// no "." or ".." parts.
bool path_stays_inside(const text& path, text& inside, text& why);
// Writes `contents` as the whole file `path` (checked as above) under
// `folder`: no part of the way is followed through a symbolic link, and only
// a regular file is replaced (a named pipe only while someone reads it; it is
// written without waiting past a stop request). false with the reason.
bool write_file_inside(const text& folder, const text& path, const void* contents, size_t size, text& why);
// The game folder named on the command line becomes the current folder, as if
// the program had been started there; false with the reason when it cannot.
bool enter_folder(const text& folder, text& why);

// ===========================================================================
// Watching data files and running a helper program (tileworld --watch)
// ===========================================================================

struct watched_files {
    text folder;                              // a data path ending with its separator
    text pattern;                             // names in it, * and ?, case ignored
};
// Remembers the size and modification time of every matching file now; the
// set replaces an earlier one.
void watch_files(const std::vector<watched_files>& what);
// At most every 250 ms it polls (otherwise it only reads the clock): true
// with the paths (folder + name) of the files added, changed or removed
// since the last report, once they have stood still for one poll.
bool watched_files_changed(std::vector<text>& changed);
text program_folder();                        // of the running program, with its separator; "" unknown
// Runs a program (no shell; a name without a folder is looked up in PATH)
// until it ends; its standard output in `output`. false: it did not start.
bool run_program(const text& program, const std::vector<text>& args, text& output);

// ===========================================================================
// Dates
// ===========================================================================

int64_t current_date();                       // local time as seconds since 1970
text format_date(const text& mask, int64_t seconds);  // %yyyy %yy %mm %dd %hh %ii %ss replaced

// ===========================================================================
// Automation (TILEWORLD_SCRIPT, TILEWORLD_RECORD; see runtime/testing.h for the rest)
// ===========================================================================

using dump_procedure = text (*)();            // the engine's state as text, one item a line
void set_dump_handler(dump_procedure p);      // for the script's dumps and the digests of checks
// The command line's script (a replay) and recording, used instead of
// TILEWORLD_SCRIPT and TILEWORLD_RECORD where not empty; relative names are
// taken from the current folder at the call.
void use_automation_files(const text& script, const text& recording);
bool automation_quit_requested();             // the script's "quit": end the loop after this pass
// The folder that a script's and a recording's outputs go to instead of the
// game folder (--output-folder; when empty, TILEWORLD_OUTPUT_FOLDER; neither:
// the game folder). Relative names are taken from the current folder at the
// call. false, said on stderr, when it names no folder.
bool use_output_folder(const text& folder);

}  // namespace tw
