// Keyboard snapshots, key codes from SDL events, and the virtual joystick.
#include <gtest/gtest.h>
#include <SDL2/SDL.h>

#include <cstdlib>

#include "runtime/key_codes.h"
#include "runtime/media_runtime.h"
#include "runtime/testing.h"
#include "support/test_support.h"

using namespace tw;

namespace {

struct InputTest : ::testing::Test {
    void TearDown() override { video_shutdown(); }
};

void push_key(SDL_Scancode code, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = code;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
}

}  // namespace

TEST_F(InputTest, ReleasedIsTrueOnceAtTheFirstSnapshotAfterTheKeyWentUp) {
    // No window at all: injected keys still reach the snapshots.
    inject_key(key_page_down, true);
    for (int frame = 0; frame < 3; ++frame) {
        examine_keyboard();
        EXPECT_TRUE(key_pushed(key_page_down));
        EXPECT_FALSE(key_released(key_page_down));
    }
    inject_key(key_page_down, false);
    EXPECT_TRUE(key_pushed(key_page_down)) << "queries read the snapshot, not the live keys";
    examine_keyboard();
    EXPECT_FALSE(key_pushed(key_page_down));
    EXPECT_TRUE(key_released(key_page_down));
    EXPECT_TRUE(key_released(key_page_down)) << "the same snapshot answers the same";
    EXPECT_TRUE(key_released(-1));
    examine_keyboard();
    EXPECT_FALSE(key_released(key_page_down));
    EXPECT_FALSE(key_released(-1));
}

// A tap shorter than a frame (down and up between two snapshots, as a quick
// key press at a low frame rate) is down in the next snapshot and released in
// the one after, once; from an injected key, from an SDL event and from a
// joystick button alike. A key that is still held is not affected.
TEST_F(InputTest, ATapBetweenTwoSnapshotsIsNeverLost) {
    examine_keyboard();
    inject_key(key_p, true);
    inject_key(key_p, false);
    examine_keyboard();
    EXPECT_TRUE(key_pushed(key_p));
    EXPECT_FALSE(key_released(key_p));
    examine_keyboard();
    EXPECT_FALSE(key_pushed(key_p));
    EXPECT_TRUE(key_released(key_p));
    examine_keyboard();
    EXPECT_FALSE(key_pushed(key_p));
    EXPECT_FALSE(key_released(key_p)) << "one tap, one release";

    // Held down across snapshots, then up: released at once, not a snapshot late.
    inject_key(key_q, true);
    examine_keyboard();
    inject_key(key_q, false);
    examine_keyboard();
    EXPECT_TRUE(key_released(key_q));

    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    ASSERT_GT(open_window(-1, 0, 0, 32, 32, "taps", window_borderless), 0);
    push_key(SDL_SCANCODE_ESCAPE, true);
    push_key(SDL_SCANCODE_ESCAPE, false);
    examine_keyboard();
    EXPECT_TRUE(key_pushed(key_escape)) << "a real tap";
    examine_keyboard();
    EXPECT_TRUE(key_released(key_escape));

    attach_virtual_joystick();
    ASSERT_TRUE(init_joystick());
    examine_joystick();
    inject_joystick_button(9, true);
    inject_joystick_button(9, false);
    examine_joystick();
    EXPECT_TRUE(joystick_button(9));
    examine_joystick();
    EXPECT_FALSE(joystick_button(9));
}

TEST_F(InputTest, AnyKeyAndCodesOutsideTheTable) {
    examine_keyboard();
    EXPECT_FALSE(key_pushed(-1));
    inject_key(key_escape, true);
    inject_key(key_q, true);
    examine_keyboard();
    EXPECT_TRUE(key_pushed(-1));
    inject_key(key_escape, false);
    examine_keyboard();
    EXPECT_TRUE(key_pushed(-1)) << "Q is still down";
    EXPECT_TRUE(key_released(-1));
    inject_key(key_q, false);
    examine_keyboard();
    EXPECT_FALSE(key_pushed(-1));

    inject_key(256, true);
    inject_key(-5, true);
    examine_keyboard();
    EXPECT_FALSE(key_pushed(-1));
    EXPECT_FALSE(key_pushed(256));
    EXPECT_FALSE(key_released(1000));
}

TEST_F(InputTest, SdlKeyEventsArriveAsScanCodes) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    ASSERT_GT(open_window(-1, 0, 0, 32, 32, "keys", window_borderless), 0);
    const struct {
        SDL_Scancode sdl;
        int code;
    } keys[] = {{SDL_SCANCODE_UP, 200},     {SDL_SCANCODE_LEFT, 203}, {SDL_SCANCODE_RIGHT, 205},
                {SDL_SCANCODE_DOWN, 208},   {SDL_SCANCODE_PAGEUP, 201}, {SDL_SCANCODE_PAGEDOWN, 209},
                {SDL_SCANCODE_ESCAPE, 1},   {SDL_SCANCODE_P, 25},     {SDL_SCANCODE_Q, 16},
                {SDL_SCANCODE_C, 46},       {SDL_SCANCODE_A, 30},     {SDL_SCANCODE_1, 2},
                {SDL_SCANCODE_0, 11},       {SDL_SCANCODE_SPACE, 57}, {SDL_SCANCODE_RETURN, 28},
                {SDL_SCANCODE_KP_ENTER, 156}, {SDL_SCANCODE_RCTRL, 157}, {SDL_SCANCODE_F12, 88}};
    for (const auto& k : keys) {
        push_key(k.sdl, true);
        examine_keyboard();
        EXPECT_TRUE(key_pushed(k.code)) << SDL_GetScancodeName(k.sdl);
        push_key(k.sdl, false);
        examine_keyboard();
        EXPECT_TRUE(key_released(k.code)) << SDL_GetScancodeName(k.sdl);
    }
    // A window event taken by window_event updates the keys too.
    push_key(SDL_SCANCODE_UP, true);
    EXPECT_NE(window_event(0), 0);
    examine_keyboard();
    EXPECT_TRUE(key_pushed(key_up));
    EXPECT_EQ(window_event(0), 0);
}

TEST_F(InputTest, ARunningScriptIsTheOnlyInput) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    ASSERT_GT(open_window(-1, 0, 0, 32, 32, "keys", window_borderless), 0);
    tw::test::TempDir dir;
    setenv("TILEWORLD_SCRIPT", dir.write("script.txt", "at 0 key 16 down\n").c_str(), 1);
    automation_startup();
    unsetenv("TILEWORLD_SCRIPT");

    push_key(SDL_SCANCODE_UP, true);
    examine_keyboard();
    EXPECT_FALSE(key_pushed(key_up)) << "a real key while the script runs";
    EXPECT_TRUE(key_pushed(key_q)) << "the script's key";
    EXPECT_FALSE(init_joystick()) << "no real joystick either";
    automation_startup();  // no script: real input again
}

TEST_F(InputTest, VirtualJoystickButtonsAndAxes) {
    attach_virtual_joystick();
    EXPECT_TRUE(init_joystick());
    inject_joystick_button(2, true);
    inject_joystick_button(10, true);
    inject_joystick_axis(0, -1);
    inject_joystick_axis(1, 7);  // any positive value is full deflection
    EXPECT_FALSE(joystick_button(2)) << "nothing before the first examine";
    ASSERT_TRUE(examine_joystick());
    EXPECT_TRUE(joystick_button(2));
    EXPECT_TRUE(joystick_button(10));
    EXPECT_FALSE(joystick_button(1));
    EXPECT_FALSE(joystick_button(0)) << "buttons are numbered from 1";
    EXPECT_FALSE(joystick_button(129));
    EXPECT_EQ(joystick_axis_x(), -1);
    EXPECT_EQ(joystick_axis_y(), 1);
    inject_joystick_button(2, false);
    inject_joystick_axis(0, 0);
    examine_joystick();
    EXPECT_FALSE(joystick_button(2));
    EXPECT_EQ(joystick_axis_x(), 0);
}

TEST_F(InputTest, MouseWithoutAWindowDoesNothing) {
    EXPECT_FALSE(examine_mouse());
    mouse_locate(-10, 5000);  // must not fail without a screen
    EXPECT_FALSE(examine_mouse());
}
