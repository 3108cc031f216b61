// Placeholder: replaced by the real implementation.
#include <cstdlib>
#include "runtime/media_runtime.h"
#include "runtime/platform.h"

namespace tw {

bool init_sprite() { return {}; }
bool init_sprite3d() { return {}; }
bool init_mouse() { return {}; }
bool init_joystick() { return {}; }
int examine_desktops() { return {}; }
int desktop_width(int /*index*/) { return {}; }
int desktop_height(int /*index*/) { return {}; }
int desktop_depth(int /*index*/) { return {}; }
int desktop_frequency(int /*index*/) { return {}; }
int open_window(int /*number*/, int /*x*/, int /*y*/, int /*width*/, int /*height*/, const text& /*title*/, int /*flags*/) { return {}; }
int window_handle(int /*window*/) { return {}; }
int window_event(int /*timeout_ms*/) { return {}; }
bool open_windowed_screen(int /*window*/, int /*x*/, int /*y*/, int /*width*/, int /*height*/, int /*auto_stretch*/, int /*right_offset*/, int /*bottom_offset*/) { return {}; }
int load_sprite(int /*number*/, const text& /*path*/, int /*mode*/) { return {}; }
int grab_sprite(int /*number*/, int /*x*/, int /*y*/, int /*width*/, int /*height*/, int /*mode*/) { return {}; }
void free_sprite(int /*number*/) {}
bool is_sprite(int /*number*/) { return {}; }
int sprite_width(int /*number*/) { return {}; }
int sprite_height(int /*number*/) { return {}; }
void set_sprite_transparent_colour(int /*number*/, colour /*c*/) {}
void clear_screen(colour /*c*/) {}
void flip_buffers() {}
int64_t free_video_memory() { return {}; }
int create_sprite3d(int /*number*/, int /*sprite*/) { return {}; }
void free_sprite3d(int /*number*/) {}
bool is_sprite3d(int /*number*/) { return {}; }
void zoom_sprite3d(int /*number*/, int /*width*/, int /*height*/) {}
void rotate_sprite3d(int /*number*/, int /*angle*/, int /*add*/) {}
bool begin_3d() { return {}; }
void draw_sprite3d(int /*number*/, int /*x*/, int /*y*/, int /*alpha*/) {}
void draw_sprite3d_opaque(int /*number*/, int /*x*/, int /*y*/) {}
void end_3d() {}
void sprite3d_blending(int /*source_factor*/, int /*destination_factor*/) {}
void sprite3d_quality(int /*mode*/) {}
int screen_output() { return {}; }
bool start_drawing(int /*output*/) { return {}; }
void stop_drawing() {}
void draw_text(int /*x*/, int /*y*/, const text& /*t*/, colour /*front*/, colour /*back*/) {}
void draw_box(int /*x*/, int /*y*/, int /*width*/, int /*height*/, colour /*c*/) {}
bool examine_keyboard() { return {}; }
bool key_pushed(int /*key*/) { return {}; }
bool key_released(int /*key*/) { return {}; }
bool examine_mouse() { return {}; }
void mouse_locate(int /*x*/, int /*y*/) {}
bool examine_joystick() { return {}; }
int joystick_axis_x() { return {}; }
int joystick_axis_y() { return {}; }
bool joystick_button(int /*n*/) { return {}; }
void set_dump_handler(dump_procedure /*p*/) {}
bool automation_quit_requested() { return {}; }
void inject_key(int, bool) {}
void attach_virtual_joystick() {}
void inject_joystick_button(int, bool) {}
void inject_joystick_axis(int, int) {}

}  // namespace tw

namespace tw::platform {
void automation_startup() {}
void video_shutdown() {}
}  // namespace tw::platform
