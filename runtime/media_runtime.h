// media_runtime: every operation the engine uses to reach the window, screen,
// sprites, 3D sprites, 2D drawing, input, sound, files, folders, dates and
// fault handling. Nothing above runtime/ includes SDL, a decoder, a signal
// header or the file system; it calls these functions.
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

void runtime_startup();                       // heaps, tables, fault catching
void runtime_shutdown();                      // releases everything, in end_program order
[[noreturn]] void runtime_exit(int code);     // shuts down and ends the process
using fault_procedure = void (*)();
void set_error_handler(fault_procedure p);    // runs once per fault from now on
bool run_guarded(void (*step)());             // runs step; false when a fault skipped its rest
text error_message();                         // description of the last fault ("No Error")
int error_line();                             // -1: the engine carries no line tracking
text error_file();                            // fixed notice that line tracking is off
int create_mutex();                           // a mutex handle; the engine never locks it
bool termination_requested();                 // SIGTERM, SIGINT or SIGHUP arrived since start-up

// ===========================================================================
// Devices and displays
// ===========================================================================

bool init_sprite();                           // screen and sprite back-end, opens the keyboard
bool init_sprite3d();
bool init_sound();
bool init_mouse();
bool init_joystick();                         // true when a joystick is attached
int examine_desktops();                       // number of displays; 0 is the primary
int desktop_width(int index);                 // 0 for an index out of range
int desktop_height(int index);
int desktop_depth(int index);
int desktop_frequency(int index);
void use_png_decoder();
void use_jpeg_decoder();
void use_tga_decoder();
void use_tiff_decoder();
void use_ogg_decoder();

// ===========================================================================
// Windows, screen and messages
// ===========================================================================

constexpr int window_borderless = 1;          // flag of open_window
int open_window(int number, int x, int y, int width, int height, const text& title, int flags);
int window_handle(int window);
int window_event(int timeout_ms);             // one event or 0; waits at most timeout_ms (-1 blocks)
bool open_windowed_screen(int window, int x, int y, int width, int height, int auto_stretch,
                          int right_offset, int bottom_offset);
constexpr int message_ok = 0, message_yes_no = 4, answer_yes = 6, answer_no = 7;
int message_box(const text& title, const text& body, int flags);  // stderr without a display
bool display_available();                     // a box can be shown

// ===========================================================================
// Sprites (images held by the screen device)
// ===========================================================================

constexpr int sprite_mode_3d = 4;             // mode 4: can texture a 3D sprite; mode 5 = 4 + flag 1
int load_sprite(int number, const text& path, int mode);
int grab_sprite(int number, int x, int y, int width, int height, int mode);  // from the back buffer
void free_sprite(int number);
bool is_sprite(int number);
int sprite_width(int number);
int sprite_height(int number);
void set_sprite_transparent_colour(int number, colour c);  // -1: default for later loads
void clear_screen(colour c);
void flip_buffers();                          // present the back buffer; the other buffer becomes back
int64_t free_video_memory();

// ===========================================================================
// 3D sprites (textured quads)
// ===========================================================================

int create_sprite3d(int number, int sprite);
void free_sprite3d(int number);
bool is_sprite3d(int number);
void zoom_sprite3d(int number, int width, int height);
void rotate_sprite3d(int number, int angle, int add);  // about the centre; add 1 = relative
bool begin_3d();                              // starts a batch with blending (5, 6)
void draw_sprite3d(int number, int x, int y, int alpha);
void draw_sprite3d_opaque(int number, int x, int y);
void end_3d();
void sprite3d_blending(int source_factor, int destination_factor);  // blend codes 1..10
void sprite3d_quality(int mode);              // 0 nearest, 1 bilinear

// ===========================================================================
// 2D drawing on the back buffer
// ===========================================================================

int screen_output();
bool start_drawing(int output);
void stop_drawing();
void draw_text(int x, int y, const text& t, colour front, colour back);
void draw_box(int x, int y, int width, int height, colour c);

// ===========================================================================
// Input (each examine takes a snapshot that the queries read)
// ===========================================================================

bool examine_keyboard();
bool key_pushed(int key);                     // DirectInput scan code, -1 = any key
bool key_released(int key);                   // true once, at the first snapshot after release
bool examine_mouse();
void mouse_locate(int x, int y);
bool examine_joystick();
int joystick_axis_x();                        // -1, 0 or 1
int joystick_axis_y();
bool joystick_button(int n);                  // numbered from 1

// ===========================================================================
// Sound
// ===========================================================================

int load_sound(int number, const text& path); // RIFF WAVE or Ogg Vorbis -> 16-bit PCM
void play_sound(int number, int flags);       // bit 1 loop, bit 2 overlap
void play_sound_once(int number);             // restart from the beginning
void free_sound(int number);
bool is_sound(int number);

// ===========================================================================
// Files and folders (paths accept \ and /; case is resolved where needed)
// ===========================================================================

int open_file_read(int number, const text& path);
int open_file(int number, const text& path);  // read/write, created if missing, not truncated
int create_file(int number, const text& path);// read/write, truncated
text read_line(int number);                   // ends at CR LF, LF, CR or NUL; "" at the end
void write_line(int number, const text& t);   // text + CR LF
bool end_of_file(int number);
void close_file(int number);
text current_directory();                     // ends with the platform separator
int examine_directory(int number, const text& folder, const text& pattern);
bool next_directory_entry(int number);        // sorted by name, case-insensitively
text directory_entry_name(int number);
int directory_entry_type(int number);         // 1 file, 2 folder
void finish_directory(int number);
bool file_exists(const text& path);           // a file (not a folder) is there
bool write_text_file(const text& path, const text& contents);  // whole file, replaced
// The game folder named on the command line becomes the current folder, as if
// the program had been started there; false with the reason when it cannot.
bool enter_folder(const text& folder, text& why);
text absolute_path(const text& path);         // against the current folder

// ===========================================================================
// Dates
// ===========================================================================

int64_t current_date();                       // local time as seconds since 1970
text format_date(const text& mask, int64_t seconds);

// ===========================================================================
// Automation (TILEWORLD_SCRIPT): the runtime calls this to write a dump
// of the engine's state after the frame named by the script.
// ===========================================================================

using dump_procedure = void (*)(const text& path);
void set_dump_handler(dump_procedure p);
bool automation_quit_requested();             // the script's "quit": end the loop after this pass
// Input injected by tests and by the script, through the same path as device events.
void inject_key(int code, bool down);         // DirectInput scan code
void attach_virtual_joystick();               // init_joystick then reports one
void inject_joystick_button(int n, bool down);
void inject_joystick_axis(int axis, int value);  // axis 0 = x, 1 = y; value -1, 0 or 1

// ===========================================================================
// Inspecting data files (the data checker and its world maps)
// ===========================================================================

text resolved_path(const text& path);         // the host path the runtime opens for a data path
bool folder_exists(const text& path);         // a folder (not a file) is there
struct decoded_image {
    int width = 0;
    int height = 0;
    bool has_alpha = false;                   // the file carried its own alpha channel
    std::vector<uint8_t> rgba;                // rows from the top, straight alpha
};
// Reads and decodes like load_sprite and load_sound; on failure `why` says why.
bool decode_image_file(const text& path, decoded_image& out, text& why);
bool decode_sound_file(const text& path, text& why);
bool save_png(const text& path, const std::vector<uint8_t>& rgba, int width, int height);  // RGBA rows

}  // namespace tw
