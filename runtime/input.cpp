// input: keyboard, mouse and joystick.
//
// The keyboard is a table of 256 key states indexed by the engine's key codes
// (runtime/key_codes.h: 1 Escape, 16 Q, 200 Up, ...). SDL key events
// and injected keys (tests, the automation script) both write the live table;
// examine_keyboard takes a snapshot of it that the queries read, so a key
// injected without any window is seen exactly like a real one. A key that
// went down and up again between two snapshots (a quick tap at a low frame
// rate) counts as down in the next snapshot and as released in the one after,
// so no tap is lost; joystick buttons alike. SDL's own
// keyboard state is not used: events pushed by hand never reach it. While a
// recording is made, only the first examine of a frame reads the devices (see
// runtime/automation.cpp).
#include <cstring>

#include "runtime/key_codes.h"
#include "runtime/media_runtime.h"
#include "runtime/testing.h"
#include "runtime/video_internal.h"

namespace tw {

// ===========================================================================
// State
// ===========================================================================

namespace {

constexpr int key_count = 256;
constexpr int joystick_buttons = 128;
constexpr uint64_t no_frame = UINT64_MAX;

bool live_keys[key_count];
bool pressed_since_snapshot[key_count];  // went down since the last snapshot
bool snapshot[key_count];
bool previous[key_count];

bool mouse_ready = false;
bool pointer_hidden = false;
int mouse_x = 0, mouse_y = 0;
int motion_x = 0, motion_y = 0;   // relative motion since the last examine
uint32_t mouse_buttons = 0;

SDL_Joystick* joystick = nullptr;
bool virtual_joystick = false;
bool virtual_buttons[joystick_buttons + 1];
int virtual_axes[2];
bool stick_buttons[joystick_buttons + 1];
bool button_pressed_since_read[joystick_buttons + 1];
int stick_axes[2];
bool stick_read = false;            // what the last reading of the joystick gave

// The frames whose first examine read the devices.
uint64_t keys_read_at = no_frame;
uint64_t stick_read_at = no_frame;

// Whether this examine reads the device: always, except that while recording
// a frame's later examines see what its first one read.
bool reads_device(uint64_t& read_at) {
    const uint64_t frame = video::frames_presented();
    if (video::recording() && frame == read_at) return false;
    read_at = frame;
    return true;
}

// ===========================================================================
// Functions: key codes
// ===========================================================================

struct KeyPair {
    SDL_Scancode sdl;
    uint8_t code;
};

const KeyPair key_pairs[] = {
    {SDL_SCANCODE_ESCAPE, key_escape}, {SDL_SCANCODE_1, key_1}, {SDL_SCANCODE_2, key_2},
    {SDL_SCANCODE_3, key_3}, {SDL_SCANCODE_4, key_4}, {SDL_SCANCODE_5, key_5},
    {SDL_SCANCODE_6, key_6}, {SDL_SCANCODE_7, key_7}, {SDL_SCANCODE_8, key_8},
    {SDL_SCANCODE_9, key_9}, {SDL_SCANCODE_0, key_0}, {SDL_SCANCODE_MINUS, key_minus},
    {SDL_SCANCODE_EQUALS, key_equals}, {SDL_SCANCODE_BACKSPACE, key_backspace},
    {SDL_SCANCODE_TAB, key_tab}, {SDL_SCANCODE_Q, key_q}, {SDL_SCANCODE_W, key_w},
    {SDL_SCANCODE_E, key_e}, {SDL_SCANCODE_R, key_r}, {SDL_SCANCODE_T, key_t},
    {SDL_SCANCODE_Y, key_y}, {SDL_SCANCODE_U, key_u}, {SDL_SCANCODE_I, key_i},
    {SDL_SCANCODE_O, key_o}, {SDL_SCANCODE_P, key_p}, {SDL_SCANCODE_LEFTBRACKET, key_left_bracket},
    {SDL_SCANCODE_RIGHTBRACKET, key_right_bracket}, {SDL_SCANCODE_RETURN, key_return},
    {SDL_SCANCODE_LCTRL, key_left_control}, {SDL_SCANCODE_A, key_a}, {SDL_SCANCODE_S, key_s},
    {SDL_SCANCODE_D, key_d}, {SDL_SCANCODE_F, key_f}, {SDL_SCANCODE_G, key_g},
    {SDL_SCANCODE_H, key_h}, {SDL_SCANCODE_J, key_j}, {SDL_SCANCODE_K, key_k},
    {SDL_SCANCODE_L, key_l}, {SDL_SCANCODE_SEMICOLON, key_semicolon},
    {SDL_SCANCODE_APOSTROPHE, key_apostrophe}, {SDL_SCANCODE_GRAVE, key_grave},
    {SDL_SCANCODE_LSHIFT, key_left_shift}, {SDL_SCANCODE_BACKSLASH, key_backslash},
    {SDL_SCANCODE_NONUSHASH, key_backslash}, {SDL_SCANCODE_Z, key_z}, {SDL_SCANCODE_X, key_x},
    {SDL_SCANCODE_C, key_c}, {SDL_SCANCODE_V, key_v}, {SDL_SCANCODE_B, key_b},
    {SDL_SCANCODE_N, key_n}, {SDL_SCANCODE_M, key_m}, {SDL_SCANCODE_COMMA, key_comma},
    {SDL_SCANCODE_PERIOD, key_period}, {SDL_SCANCODE_SLASH, key_slash},
    {SDL_SCANCODE_RSHIFT, key_right_shift}, {SDL_SCANCODE_KP_MULTIPLY, key_pad_multiply},
    {SDL_SCANCODE_LALT, key_left_alt}, {SDL_SCANCODE_SPACE, key_space},
    {SDL_SCANCODE_CAPSLOCK, key_caps_lock}, {SDL_SCANCODE_F1, key_f1}, {SDL_SCANCODE_F2, key_f2},
    {SDL_SCANCODE_F3, key_f3}, {SDL_SCANCODE_F4, key_f4}, {SDL_SCANCODE_F5, key_f5},
    {SDL_SCANCODE_F6, key_f6}, {SDL_SCANCODE_F7, key_f7}, {SDL_SCANCODE_F8, key_f8},
    {SDL_SCANCODE_F9, key_f9}, {SDL_SCANCODE_F10, key_f10},
    {SDL_SCANCODE_NUMLOCKCLEAR, key_num_lock}, {SDL_SCANCODE_SCROLLLOCK, key_scroll_lock},
    {SDL_SCANCODE_KP_7, key_pad_7}, {SDL_SCANCODE_KP_8, key_pad_8}, {SDL_SCANCODE_KP_9, key_pad_9},
    {SDL_SCANCODE_KP_MINUS, key_pad_minus}, {SDL_SCANCODE_KP_4, key_pad_4},
    {SDL_SCANCODE_KP_5, key_pad_5}, {SDL_SCANCODE_KP_6, key_pad_6},
    {SDL_SCANCODE_KP_PLUS, key_pad_plus}, {SDL_SCANCODE_KP_1, key_pad_1},
    {SDL_SCANCODE_KP_2, key_pad_2}, {SDL_SCANCODE_KP_3, key_pad_3}, {SDL_SCANCODE_KP_0, key_pad_0},
    {SDL_SCANCODE_KP_PERIOD, key_pad_period}, {SDL_SCANCODE_NONUSBACKSLASH, key_extra_backslash},
    {SDL_SCANCODE_F11, key_f11}, {SDL_SCANCODE_F12, key_f12}, {SDL_SCANCODE_F13, key_f13},
    {SDL_SCANCODE_F14, key_f14}, {SDL_SCANCODE_F15, key_f15},
    {SDL_SCANCODE_INTERNATIONAL2, key_kana}, {SDL_SCANCODE_INTERNATIONAL1, key_ro},
    {SDL_SCANCODE_INTERNATIONAL4, key_convert}, {SDL_SCANCODE_INTERNATIONAL5, key_no_convert},
    {SDL_SCANCODE_INTERNATIONAL3, key_yen}, {SDL_SCANCODE_KP_EQUALS, key_pad_equals},
    {SDL_SCANCODE_AUDIOPREV, key_previous_track}, {SDL_SCANCODE_AUDIONEXT, key_next_track},
    {SDL_SCANCODE_KP_ENTER, key_pad_enter}, {SDL_SCANCODE_RCTRL, key_right_control},
    {SDL_SCANCODE_MUTE, key_mute}, {SDL_SCANCODE_CALCULATOR, key_calculator},
    {SDL_SCANCODE_AUDIOPLAY, key_play_pause}, {SDL_SCANCODE_AUDIOSTOP, key_media_stop},
    {SDL_SCANCODE_VOLUMEDOWN, key_volume_down}, {SDL_SCANCODE_VOLUMEUP, key_volume_up},
    {SDL_SCANCODE_AC_HOME, key_web_home}, {SDL_SCANCODE_KP_COMMA, key_pad_comma},
    {SDL_SCANCODE_KP_DIVIDE, key_pad_divide}, {SDL_SCANCODE_PRINTSCREEN, key_print_screen},
    {SDL_SCANCODE_RALT, key_right_alt}, {SDL_SCANCODE_PAUSE, key_pause},
    {SDL_SCANCODE_HOME, key_home}, {SDL_SCANCODE_UP, key_up}, {SDL_SCANCODE_PAGEUP, key_page_up},
    {SDL_SCANCODE_LEFT, key_left}, {SDL_SCANCODE_RIGHT, key_right}, {SDL_SCANCODE_END, key_end},
    {SDL_SCANCODE_DOWN, key_down}, {SDL_SCANCODE_PAGEDOWN, key_page_down},
    {SDL_SCANCODE_INSERT, key_insert}, {SDL_SCANCODE_DELETE, key_delete},
    {SDL_SCANCODE_LGUI, key_left_windows}, {SDL_SCANCODE_RGUI, key_right_windows},
    {SDL_SCANCODE_APPLICATION, key_menu}, {SDL_SCANCODE_POWER, key_power},
    {SDL_SCANCODE_SLEEP, key_sleep},
};

void set_live_key(int code, bool down) {
    if (down) pressed_since_snapshot[code] = true;
    live_keys[code] = down;
}

// SDL scancode -> key code (0 = a key the table does not know).
struct KeyMap {
    uint8_t code[SDL_NUM_SCANCODES] = {};
    KeyMap() {
        for (const KeyPair& p : key_pairs) code[p.sdl] = p.code;
    }
};
const KeyMap key_map;

// ===========================================================================
// Functions: devices
// ===========================================================================

int axis_direction(Sint16 raw) {
    // The engine reads axes on a -1000..1000 scale and counts a direction
    // beyond half deflection.
    int scaled = static_cast<int>(raw) * 1000 / 32767;
    if (scaled < -500) return -1;
    if (scaled > 500) return 1;
    return 0;
}

void close_joystick() {
    if (joystick) SDL_JoystickClose(joystick);
    joystick = nullptr;
}

}  // namespace

// ===========================================================================
// Events
// ===========================================================================

namespace video {

void handle_event(const SDL_Event& e) {
    const bool real_input = !script_running();
    switch (e.type) {
        case SDL_QUIT:
            // Only a script listens: the game itself ignores a close request.
            if (!real_input) player_stops_script();
            break;
        case SDL_WINDOWEVENT:
            if (!real_input && e.window.event == SDL_WINDOWEVENT_CLOSE) player_stops_script();
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            // While a script plays, the keyboard is not the game's input, but
            // Escape still ends the script for whoever watches it.
            if (!real_input && e.type == SDL_KEYDOWN && e.key.keysym.scancode == SDL_SCANCODE_ESCAPE)
                player_stops_script();
            if (!real_input) break;
            const int sc = e.key.keysym.scancode;
            if (sc <= 0 || sc >= SDL_NUM_SCANCODES) break;
            const uint8_t code = key_map.code[sc];
            if (code) set_live_key(code, e.type == SDL_KEYDOWN);
            break;
        }
        case SDL_JOYBUTTONDOWN: {
            // Polling reads only whether a button is down now; the event keeps
            // a press that was over before the next reading.
            if (!real_input || !joystick || e.jbutton.which != SDL_JoystickInstanceID(joystick)) break;
            const int b = e.jbutton.button + 1;
            if (b <= joystick_buttons) button_pressed_since_read[b] = true;
            break;
        }
        case SDL_MOUSEMOTION:
            if (!real_input) break;
            motion_x += e.motion.xrel;
            motion_y += e.motion.yrel;
            break;
        case SDL_JOYDEVICEREMOVED:
            if (joystick && e.jdevice.which == SDL_JoystickInstanceID(joystick)) close_joystick();
            break;
        default:
            break;
    }
}

void reset_input() {
    std::memset(live_keys, 0, sizeof live_keys);
    std::memset(pressed_since_snapshot, 0, sizeof pressed_since_snapshot);
    std::memset(button_pressed_since_read, 0, sizeof button_pressed_since_read);
    std::memset(snapshot, 0, sizeof snapshot);
    std::memset(previous, 0, sizeof previous);
    if (pointer_hidden) SDL_ShowCursor(SDL_ENABLE);
    if (SDL_Window* w = main_window()) SDL_SetWindowGrab(w, SDL_FALSE);
    pointer_hidden = false;
    mouse_ready = false;
    mouse_x = mouse_y = motion_x = motion_y = 0;
    mouse_buttons = 0;
    close_joystick();
    if (SDL_WasInit(SDL_INIT_JOYSTICK)) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    virtual_joystick = false;
    std::memset(virtual_buttons, 0, sizeof virtual_buttons);
    std::memset(virtual_axes, 0, sizeof virtual_axes);
    std::memset(stick_buttons, 0, sizeof stick_buttons);
    std::memset(stick_axes, 0, sizeof stick_axes);
    stick_read = false;
    keys_read_at = stick_read_at = no_frame;
}

}  // namespace video

namespace {

// Pumps SDL and handles everything queued.
void drain_events() {
    if (!SDL_WasInit(SDL_INIT_EVENTS)) return;
    SDL_Event e;
    while (SDL_PollEvent(&e)) video::handle_event(e);
}

}  // namespace

// ===========================================================================
// Keyboard
// ===========================================================================

bool examine_keyboard() {
    video::fault_point();
    drain_events();
    std::memcpy(previous, snapshot, sizeof snapshot);
    if (reads_device(keys_read_at)) {
        for (int k = 0; k < key_count; ++k) snapshot[k] = live_keys[k] || pressed_since_snapshot[k];
        std::memset(pressed_since_snapshot, 0, sizeof pressed_since_snapshot);
        video::record_keys(snapshot, key_count);
    }
    return true;
}

bool key_pushed(int key) {
    if (key == -1) {
        for (bool down : snapshot)
            if (down) return true;
        return false;
    }
    return key >= 0 && key < key_count && snapshot[key];
}

// A key counts as released in the one snapshot where it is up after being
// down in the snapshot before; later snapshots report it no more until it has
// been down again.
bool key_released(int key) {
    if (key == -1) {
        for (int k = 0; k < key_count; ++k)
            if (previous[k] && !snapshot[k]) return true;
        return false;
    }
    return key >= 0 && key < key_count && previous[key] && !snapshot[key];
}

void inject_key(int code, bool down) {
    if (code >= 0 && code < key_count) set_live_key(code, down);
}

// ===========================================================================
// Mouse
// ===========================================================================

bool init_mouse() {
    mouse_ready = video::video_ready();
    return mouse_ready;
}

// While the window has the focus the pointer is confined to it and hidden;
// the position follows the mouse's relative motion, kept on the screen.
bool examine_mouse() {
    video::fault_point();
    drain_events();
    SDL_Window* w = video::main_window();
    if (!mouse_ready || !w || !video::window_active()) {
        motion_x = motion_y = 0;
        return false;
    }
    if (!pointer_hidden) {
        SDL_ShowCursor(SDL_DISABLE);
        pointer_hidden = true;
    }
    if (!SDL_GetWindowGrab(w)) SDL_SetWindowGrab(w, SDL_TRUE);
    mouse_x += motion_x;
    mouse_y += motion_y;
    motion_x = motion_y = 0;
    const int max_x = video::screen_width() - 1, max_y = video::screen_height() - 1;
    mouse_x = mouse_x < 0 ? 0 : (mouse_x > max_x ? max_x : mouse_x);
    mouse_y = mouse_y < 0 ? 0 : (mouse_y > max_y ? max_y : mouse_y);
    mouse_buttons = video::script_running() ? 0 : SDL_GetMouseState(nullptr, nullptr);
    return true;
}

void mouse_locate(int x, int y) {
    const int max_x = video::screen_width() - 1, max_y = video::screen_height() - 1;
    mouse_x = x < 0 ? 0 : (max_x >= 0 && x > max_x ? max_x : x);
    mouse_y = y < 0 ? 0 : (max_y >= 0 && y > max_y ? max_y : y);
    SDL_Window* w = video::main_window();
    if (w && video::window_active() && !video::script_running()) SDL_WarpMouseInWindow(w, mouse_x, mouse_y);
}

// ===========================================================================
// Joystick: the first one SDL finds, or the virtual one that tests and
// scripts attach (which then replaces any real device).
// ===========================================================================

namespace {

bool open_joystick() {
    if (virtual_joystick) return true;
    if (video::script_running()) return false;  // the script is the only input
    if (joystick) return true;
    if (!SDL_WasInit(SDL_INIT_JOYSTICK) && SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return false;
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        joystick = SDL_JoystickOpen(i);
        if (joystick) return true;
    }
    return false;
}

bool read_joystick() {
    if (virtual_joystick) {
        for (int b = 0; b <= joystick_buttons; ++b) stick_buttons[b] = virtual_buttons[b] || button_pressed_since_read[b];
        std::memset(button_pressed_since_read, 0, sizeof button_pressed_since_read);
        std::memcpy(stick_axes, virtual_axes, sizeof stick_axes);
        return true;
    }
    std::memset(stick_buttons, 0, sizeof stick_buttons);
    std::memset(stick_axes, 0, sizeof stick_axes);
    if (!joystick || video::script_running()) return false;
    SDL_JoystickUpdate();
    drain_events();  // the presses that were over before this reading
    if (!SDL_JoystickGetAttached(joystick)) return false;
    const int buttons = SDL_JoystickNumButtons(joystick);
    for (int b = 0; b < buttons && b < joystick_buttons; ++b)
        stick_buttons[b + 1] = SDL_JoystickGetButton(joystick, b) != 0 || button_pressed_since_read[b + 1];
    std::memset(button_pressed_since_read, 0, sizeof button_pressed_since_read);
    const int axes = SDL_JoystickNumAxes(joystick);
    for (int a = 0; a < 2 && a < axes; ++a) stick_axes[a] = axis_direction(SDL_JoystickGetAxis(joystick, a));
    return true;
}

}  // namespace

bool init_joystick() {
    const bool attached = open_joystick();
    if (attached) video::record_joystick_attached();
    return attached;
}

bool examine_joystick() {
    if (reads_device(stick_read_at)) {
        stick_read = read_joystick();
        video::record_joystick(stick_buttons, joystick_buttons, stick_axes);
    }
    return stick_read;
}

int joystick_axis_x() { return stick_axes[0]; }
int joystick_axis_y() { return stick_axes[1]; }

bool joystick_button(int n) { return n >= 1 && n <= joystick_buttons && stick_buttons[n]; }

void attach_virtual_joystick() { virtual_joystick = true; }

void inject_joystick_button(int n, bool down) {
    if (n < 1 || n > joystick_buttons) return;
    if (down) button_pressed_since_read[n] = true;
    virtual_buttons[n] = down;
}

void inject_joystick_axis(int axis, int value) {
    if (axis < 0 || axis > 1) return;
    virtual_axes[axis] = value < 0 ? -1 : (value > 0 ? 1 : 0);
}

}  // namespace tw
