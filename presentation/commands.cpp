// commands: the per-frame keyboard and joystick steps (world switching, the
// pause and quit screens, then steering) and the two modal screens. A screen
// runs its own loop on the only thread, drawing its two lines over the last
// frame until a key or button ends it; nothing else of the game runs meanwhile.
#include "presentation/presentation.h"

#include "core/core.h"
#include "runtime/key_codes.h"
#include "runtime/media_runtime.h"

namespace tw {

// ===========================================================================
// Codes and screen texts
// ===========================================================================

namespace {

constexpr int button_a = 2, button_b = 3, button_quit = 9, button_pause = 10;

constexpr float text_scale = 0.8f;

// One line of a screen: x and y are fractions of the screen's size. The
// closing "|" puts the text pen back for the next line.
struct screen_line {
    const char* words;
    float x;
    float y;
    float spacing;
};

struct screen_texts {
    screen_line first;
    screen_line second;
};

constexpr screen_texts quit_keyboard{{" TO QUIT PRESS Q |", 0.1f, 0.5f, 2.0f},
                                     {" TO CONTINUE C |", 0.1f, 0.6f, 2.0f}};
constexpr screen_texts quit_joystick{{" TO QUIT PRESS JOYPAD A |", 0.1f, 0.5f, 1.0f},
                                     {" TO CONTINUE  JOYPAD B |", 0.1f, 0.6f, 1.0f}};
constexpr screen_texts pause_keyboard{{" GAME PAUSED |", 0.2f, 0.5f, 2.0f},
                                      {" PRESS C TO CONTINUE |", 0.1f, 0.6f, 2.0f}};
constexpr screen_texts pause_joystick{{" GAME PAUSED |", 0.2f, 0.5f, 2.0f},
                                      {" PRESS JOYPAD A TO CONTINUE|", 0.1f, 0.7f, 1.0f}};

// ===========================================================================
// Helpers
// ===========================================================================

void draw_line(const screen_line& l) {
    draw_sprite_text(l.words, l.x * engine.screen_width, l.y * engine.screen_height, text_scale,
                     0.0f, 255, l.spacing);
}

// The screen's lines for the device that opened it; another device code
// shows nothing.
void draw_screen(int device, const screen_texts& keyboard, const screen_texts& joystick) {
    const screen_texts* t = device == device_keyboard   ? &keyboard
                            : device == device_joystick ? &joystick
                                                        : nullptr;
    if (!t) return;
    draw_line(t->first);
    draw_line(t->second);
}

}  // namespace

// ===========================================================================
// Frame steps
// ===========================================================================

void keyboard_step() {
    engine.steer_x = 0;
    engine.steer_y = 0;
    examine_keyboard();
    // A world switch counts once per key release, however long the key is held.
    if (key_released(key_page_down)) engine.world_number -= 1;
    if (key_released(key_page_up)) engine.world_number += 1;
    // Both tests read the latest snapshot: when the quit screen ends with P
    // still down, the pause screen follows in the same frame.
    if (key_pushed(key_escape)) quit_screen(device_keyboard);
    if (key_pushed(key_p)) pause_screen(device_keyboard);
    keyboard_steering();
}

void joystick_step() {
    if (engine.joystick_present != 1) return;
    examine_joystick();
    if (joystick_button(button_pause)) pause_screen(device_joystick);
    if (joystick_button(button_quit)) quit_screen(device_joystick);
    joystick_steering();
}

// ===========================================================================
// Modal screens. Each pass presents the screen, so the flip (which waits for
// the display) paces the loop. A scripted run's quit also ends a screen, so a
// script can never leave the program stuck inside one; a stop request from
// the system ends the program from inside it.
// ===========================================================================

void quit_screen(int device) {
    begin_3d();
    for (;;) {
        end_program_if_requested();
        examine_keyboard();
        examine_joystick();
        draw_screen(device, quit_keyboard, quit_joystick);
        const bool quit = key_pushed(key_q) || joystick_button(button_a);
        if (quit) engine.loop_state = loop_ended;
        flip_buffers();
        if (quit || key_pushed(key_c) || joystick_button(button_b)) break;
        if (automation_quit_requested()) break;
    }
    end_3d();
}

void pause_screen(int device) {
    examine_keyboard();
    begin_3d();
    for (;;) {
        end_program_if_requested();
        examine_keyboard();
        examine_joystick();
        draw_screen(device, pause_keyboard, pause_joystick);
        flip_buffers();
        if (key_pushed(key_c) || joystick_button(button_a)) break;
        if (automation_quit_requested()) break;
    }
    end_3d();
}

}  // namespace tw
