// video_internal: what the video, input and automation files of the runtime
// share among themselves: the numbered-object table, the screen state and the
// hooks by which input and automation reach the window and the flip. Only
// runtime/video*.cpp, runtime/input.cpp and runtime/automation.cpp include it.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/values.h"

namespace tw::video {

// ===========================================================================
// Numbered-object table
// ===========================================================================

// Objects addressed by a number the caller chooses (>= 0) or by a fresh
// handle (>= 1) that the table picks, reusing freed slots first. Lookup is a
// vector index, so it stays O(1) however many objects exist.
template <class T>
struct Table {
    static constexpr int max_number = 1 << 22;  // a caller's number beyond this is refused

    struct Slot {
        bool used = false;
        T value{};
    };
    std::vector<Slot> slots;
    std::vector<int> free_handles;

    T* find(int number) {
        if (number < 0 || number >= static_cast<int>(slots.size())) return nullptr;
        Slot& s = slots[static_cast<size_t>(number)];
        return s.used ? &s.value : nullptr;
    }
    // The slot for `number` (or a fresh one for -1), emptied and marked used.
    // Returns the slot's number, or -1 when the number is out of range.
    int claim(int number) {
        if (number < 0) {
            number = -1;
            while (!free_handles.empty()) {
                int h = free_handles.back();
                free_handles.pop_back();
                if (h < static_cast<int>(slots.size()) && !slots[static_cast<size_t>(h)].used) {
                    number = h;
                    break;
                }
            }
            if (number < 0) number = slots.empty() ? 1 : static_cast<int>(slots.size());
        }
        if (number >= max_number) return -1;
        if (number >= static_cast<int>(slots.size())) slots.resize(static_cast<size_t>(number) + 1);
        Slot& s = slots[static_cast<size_t>(number)];
        s.used = true;
        s.value = T{};
        return number;
    }
    void release(int number) {
        if (!find(number)) return;
        Slot& s = slots[static_cast<size_t>(number)];
        s.used = false;
        s.value = T{};
        if (number >= 1) free_handles.push_back(number);
    }
    void clear() {
        slots.clear();
        free_handles.clear();
    }
};

// The result an operation on numbered objects gives: the handle for a fresh
// object (-1), otherwise 1 for success.
inline int made(int asked, int number) { return asked < 0 ? number : 1; }

// ===========================================================================
// Device state (runtime/video_display.cpp)
// ===========================================================================

bool video_ready();               // SDL video is up on a real display or on asked-for offscreen
SDL_Window* main_window();        // the window the screen lives in, or null
SDL_Renderer* renderer();         // null until a screen is open
SDL_Texture* back_buffer();       // the render target of the current frame
int screen_width();
int screen_height();
bool window_active();             // the screen's window has the input focus
uint64_t frames_presented();      // flip_buffers calls so far
void add_texture_bytes(int64_t delta);  // memory the runtime's textures take, changed by delta

// Text as the engine keeps it (8-bit, Latin-1) in the UTF-8 SDL expects.
std::string to_utf8(const text& t);

// ===========================================================================
// Sprites and drawing (runtime/video_sprites.cpp, runtime/video_draw2d.cpp)
// ===========================================================================

void flush_3d();                  // submits the quads batched so far
void release_sprite_textures();   // the screen goes away: GPU copies are dropped
void clear_sprite_tables();       // shutdown: every sprite and 3D sprite freed
void release_text_resources();    // font and cached text textures

// ===========================================================================
// Input (runtime/input.cpp)
// ===========================================================================

void handle_event(const SDL_Event& e);  // keyboard, mouse, joystick and focus events
void reset_input();                     // shutdown: tables cleared, devices closed

// ===========================================================================
// Automation (runtime/automation.cpp)
// ===========================================================================

bool script_running();            // a script is the only input while this is true
void player_stops_script();       // Escape or the window's close while a script runs: it ends there
void after_flip();                // the script's clock advanced by one presentation
void fault_point();               // called from the frame's input steps
void reset_automation();
bool script_display(int& width, int& height);  // the script's "display", when it has one

// The recording (each does nothing unless one is being made). Keys and
// buttons are what the examine calls saw; buttons are numbered from 1.
bool recording();
void record_keys(const bool* keys, int count);
void record_joystick(const bool* buttons, int count, const int* axes);
void record_joystick_attached();
void record_display(int width, int height);

}  // namespace tw::video
