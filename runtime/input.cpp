// input: keyboard, mouse and joystick.
//
// The keyboard is a table of 256 key states indexed by the engine's key codes
// (the classic PC scan codes: 1 Escape, 16 Q, 200 Up, ...). SDL key events
// and injected keys (tests, the automation script) both write the live table;
// examine_keyboard takes a snapshot of it that the queries read, so a key
// injected without any window is seen exactly like a real one. SDL's own
// keyboard state is not used: events pushed by hand never reach it.
#include <cstring>

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

bool live_keys[key_count];
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
int stick_axes[2];

// ===========================================================================
// Functions: key codes
// ===========================================================================

struct KeyPair {
    SDL_Scancode sdl;
    uint8_t code;
};

const KeyPair key_pairs[] = {
    {SDL_SCANCODE_ESCAPE, 1},        {SDL_SCANCODE_1, 2},           {SDL_SCANCODE_2, 3},
    {SDL_SCANCODE_3, 4},             {SDL_SCANCODE_4, 5},           {SDL_SCANCODE_5, 6},
    {SDL_SCANCODE_6, 7},             {SDL_SCANCODE_7, 8},           {SDL_SCANCODE_8, 9},
    {SDL_SCANCODE_9, 10},            {SDL_SCANCODE_0, 11},          {SDL_SCANCODE_MINUS, 12},
    {SDL_SCANCODE_EQUALS, 13},       {SDL_SCANCODE_BACKSPACE, 14},  {SDL_SCANCODE_TAB, 15},
    {SDL_SCANCODE_Q, 16},            {SDL_SCANCODE_W, 17},          {SDL_SCANCODE_E, 18},
    {SDL_SCANCODE_R, 19},            {SDL_SCANCODE_T, 20},          {SDL_SCANCODE_Y, 21},
    {SDL_SCANCODE_U, 22},            {SDL_SCANCODE_I, 23},          {SDL_SCANCODE_O, 24},
    {SDL_SCANCODE_P, 25},            {SDL_SCANCODE_LEFTBRACKET, 26}, {SDL_SCANCODE_RIGHTBRACKET, 27},
    {SDL_SCANCODE_RETURN, 28},       {SDL_SCANCODE_LCTRL, 29},      {SDL_SCANCODE_A, 30},
    {SDL_SCANCODE_S, 31},            {SDL_SCANCODE_D, 32},          {SDL_SCANCODE_F, 33},
    {SDL_SCANCODE_G, 34},            {SDL_SCANCODE_H, 35},          {SDL_SCANCODE_J, 36},
    {SDL_SCANCODE_K, 37},            {SDL_SCANCODE_L, 38},          {SDL_SCANCODE_SEMICOLON, 39},
    {SDL_SCANCODE_APOSTROPHE, 40},   {SDL_SCANCODE_GRAVE, 41},      {SDL_SCANCODE_LSHIFT, 42},
    {SDL_SCANCODE_BACKSLASH, 43},    {SDL_SCANCODE_NONUSHASH, 43},  {SDL_SCANCODE_Z, 44},
    {SDL_SCANCODE_X, 45},            {SDL_SCANCODE_C, 46},          {SDL_SCANCODE_V, 47},
    {SDL_SCANCODE_B, 48},            {SDL_SCANCODE_N, 49},          {SDL_SCANCODE_M, 50},
    {SDL_SCANCODE_COMMA, 51},        {SDL_SCANCODE_PERIOD, 52},     {SDL_SCANCODE_SLASH, 53},
    {SDL_SCANCODE_RSHIFT, 54},       {SDL_SCANCODE_KP_MULTIPLY, 55}, {SDL_SCANCODE_LALT, 56},
    {SDL_SCANCODE_SPACE, 57},        {SDL_SCANCODE_CAPSLOCK, 58},   {SDL_SCANCODE_F1, 59},
    {SDL_SCANCODE_F2, 60},           {SDL_SCANCODE_F3, 61},         {SDL_SCANCODE_F4, 62},
    {SDL_SCANCODE_F5, 63},           {SDL_SCANCODE_F6, 64},         {SDL_SCANCODE_F7, 65},
    {SDL_SCANCODE_F8, 66},           {SDL_SCANCODE_F9, 67},         {SDL_SCANCODE_F10, 68},
    {SDL_SCANCODE_NUMLOCKCLEAR, 69}, {SDL_SCANCODE_SCROLLLOCK, 70}, {SDL_SCANCODE_KP_7, 71},
    {SDL_SCANCODE_KP_8, 72},         {SDL_SCANCODE_KP_9, 73},       {SDL_SCANCODE_KP_MINUS, 74},
    {SDL_SCANCODE_KP_4, 75},         {SDL_SCANCODE_KP_5, 76},       {SDL_SCANCODE_KP_6, 77},
    {SDL_SCANCODE_KP_PLUS, 78},      {SDL_SCANCODE_KP_1, 79},       {SDL_SCANCODE_KP_2, 80},
    {SDL_SCANCODE_KP_3, 81},         {SDL_SCANCODE_KP_0, 82},       {SDL_SCANCODE_KP_PERIOD, 83},
    {SDL_SCANCODE_NONUSBACKSLASH, 86}, {SDL_SCANCODE_F11, 87},      {SDL_SCANCODE_F12, 88},
    {SDL_SCANCODE_F13, 100},         {SDL_SCANCODE_F14, 101},       {SDL_SCANCODE_F15, 102},
    {SDL_SCANCODE_INTERNATIONAL2, 112}, {SDL_SCANCODE_INTERNATIONAL1, 115},
    {SDL_SCANCODE_INTERNATIONAL4, 121}, {SDL_SCANCODE_INTERNATIONAL5, 123},
    {SDL_SCANCODE_INTERNATIONAL3, 125}, {SDL_SCANCODE_KP_EQUALS, 141},
    {SDL_SCANCODE_AUDIOPREV, 144},   {SDL_SCANCODE_AUDIONEXT, 153}, {SDL_SCANCODE_KP_ENTER, 156},
    {SDL_SCANCODE_RCTRL, 157},       {SDL_SCANCODE_MUTE, 160},      {SDL_SCANCODE_CALCULATOR, 161},
    {SDL_SCANCODE_AUDIOPLAY, 162},   {SDL_SCANCODE_AUDIOSTOP, 164}, {SDL_SCANCODE_VOLUMEDOWN, 174},
    {SDL_SCANCODE_VOLUMEUP, 176},    {SDL_SCANCODE_AC_HOME, 178},   {SDL_SCANCODE_KP_COMMA, 179},
    {SDL_SCANCODE_KP_DIVIDE, 181},   {SDL_SCANCODE_PRINTSCREEN, 183}, {SDL_SCANCODE_RALT, 184},
    {SDL_SCANCODE_PAUSE, 197},       {SDL_SCANCODE_HOME, 199},      {SDL_SCANCODE_UP, 200},
    {SDL_SCANCODE_PAGEUP, 201},      {SDL_SCANCODE_LEFT, 203},      {SDL_SCANCODE_RIGHT, 205},
    {SDL_SCANCODE_END, 207},         {SDL_SCANCODE_DOWN, 208},      {SDL_SCANCODE_PAGEDOWN, 209},
    {SDL_SCANCODE_INSERT, 210},      {SDL_SCANCODE_DELETE, 211},    {SDL_SCANCODE_LGUI, 219},
    {SDL_SCANCODE_RGUI, 220},        {SDL_SCANCODE_APPLICATION, 221}, {SDL_SCANCODE_POWER, 222},
    {SDL_SCANCODE_SLEEP, 223},
};

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
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            if (!real_input) break;
            const int sc = e.key.keysym.scancode;
            if (sc <= 0 || sc >= SDL_NUM_SCANCODES) break;
            const uint8_t code = key_map.code[sc];
            if (code) live_keys[code] = e.type == SDL_KEYDOWN;
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
    std::memcpy(snapshot, live_keys, sizeof snapshot);
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
    if (code >= 0 && code < key_count) live_keys[code] = down;
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

bool init_joystick() {
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

bool examine_joystick() {
    if (virtual_joystick) {
        std::memcpy(stick_buttons, virtual_buttons, sizeof stick_buttons);
        std::memcpy(stick_axes, virtual_axes, sizeof stick_axes);
        return true;
    }
    std::memset(stick_buttons, 0, sizeof stick_buttons);
    std::memset(stick_axes, 0, sizeof stick_axes);
    if (!joystick || video::script_running()) return false;
    SDL_JoystickUpdate();
    if (!SDL_JoystickGetAttached(joystick)) return false;
    const int buttons = SDL_JoystickNumButtons(joystick);
    for (int b = 0; b < buttons && b < joystick_buttons; ++b)
        stick_buttons[b + 1] = SDL_JoystickGetButton(joystick, b) != 0;
    const int axes = SDL_JoystickNumAxes(joystick);
    for (int a = 0; a < 2 && a < axes; ++a) stick_axes[a] = axis_direction(SDL_JoystickGetAxis(joystick, a));
    return true;
}

int joystick_axis_x() { return stick_axes[0]; }
int joystick_axis_y() { return stick_axes[1]; }

bool joystick_button(int n) { return n >= 1 && n <= joystick_buttons && stick_buttons[n]; }

void attach_virtual_joystick() { virtual_joystick = true; }

void inject_joystick_button(int n, bool down) {
    if (n >= 1 && n <= joystick_buttons) virtual_buttons[n] = down;
}

void inject_joystick_axis(int axis, int value) {
    if (axis < 0 || axis > 1) return;
    virtual_axes[axis] = value < 0 ? -1 : (value > 0 ? 1 : 0);
}

}  // namespace tw
