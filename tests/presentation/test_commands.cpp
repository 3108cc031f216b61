// Command keys and the modal pause and quit screens, driven by injected
// keyboard and joystick input. A screen that failed to end would hang the
// test, so every screen is opened with its leaving key already held, and the
// tests that need a screen to stay open run in a child process with an alarm.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <initializer_list>

#include "presentation/presentation.h"
#include "runtime/key_codes.h"
#include "runtime/media_runtime.h"
#include "runtime/testing.h"
#include "support/test_support.h"

namespace tw {
namespace {

class Commands : public ::testing::Test {
protected:
    void SetUp() override {
        set_start_values();
        engine.loop_state = loop_running;
        engine.screen_width = 640;
        engine.screen_height = 480;
        engine.joystick_present = 0;
    }
    void TearDown() override {
        for (int k : {key_escape, key_q, key_p, key_c, key_page_up, key_page_down})
            inject_key(k, false);
        for (int b : {2, 3, 9, 10}) inject_joystick_button(b, false);
        examine_keyboard();
        examine_keyboard();
    }
    static void hold(std::initializer_list<int> keys) {
        for (int k : keys) inject_key(k, true);
    }
    static void release(std::initializer_list<int> keys) {
        for (int k : keys) inject_key(k, false);
    }
    static void press_buttons(std::initializer_list<int> buttons) {
        attach_virtual_joystick();
        engine.joystick_present = 1;
        for (int b : buttons) inject_joystick_button(b, true);
    }
};

TEST_F(Commands, WorldKeysCountOncePerReleaseHoweverLongHeld) {
    engine.world_number = 5;
    hold({key_page_up});
    for (int i = 0; i < 30; ++i) keyboard_step();
    EXPECT_EQ(engine.world_number, 5);
    release({key_page_up});
    keyboard_step();
    EXPECT_EQ(engine.world_number, 6);
    for (int i = 0; i < 5; ++i) keyboard_step();
    EXPECT_EQ(engine.world_number, 6);

    hold({key_page_down});
    keyboard_step();
    release({key_page_down});
    keyboard_step();
    keyboard_step();
    EXPECT_EQ(engine.world_number, 5);
}

TEST_F(Commands, KeyboardQuitScreenQEndsTheGameAndCGoesBack) {
    hold({key_escape, key_c});
    keyboard_step();
    EXPECT_EQ(engine.loop_state, loop_running);
    release({key_c});

    hold({key_q});
    keyboard_step();
    EXPECT_EQ(engine.loop_state, loop_ended);
}

TEST_F(Commands, JoystickQuitScreenAEndsTheGameAndBGoesBack) {
    press_buttons({9, 3});
    joystick_step();
    EXPECT_EQ(engine.loop_state, loop_running);
    inject_joystick_button(3, false);

    // The keyboard's C leaves a joystick screen too.
    hold({key_c});
    joystick_step();
    EXPECT_EQ(engine.loop_state, loop_running);
    release({key_c});

    inject_joystick_button(2, true);
    joystick_step();
    EXPECT_EQ(engine.loop_state, loop_ended);
}

TEST_F(Commands, PauseScreensNeverEndTheGame) {
    hold({key_p, key_q, key_c});  // Q means nothing on the pause screen
    keyboard_step();
    EXPECT_EQ(engine.loop_state, loop_running);
    release({key_p, key_q, key_c});

    press_buttons({10, 2});
    joystick_step();
    EXPECT_EQ(engine.loop_state, loop_running);
}

TEST_F(Commands, JoystickStepDoesNothingWithoutAJoystick) {
    attach_virtual_joystick();
    inject_joystick_button(9, true);  // would open a screen that nothing ends
    engine.joystick_present = 0;
    joystick_step();
    EXPECT_EQ(engine.loop_state, loop_running);
}

TEST_F(Commands, KeyboardStepClearsSteeringFirst) {
    engine.steer_x = 1;
    engine.steer_y = -1;
    keyboard_step();  // no figures: nothing steers
    EXPECT_EQ(engine.steer_x, 0);
    EXPECT_EQ(engine.steer_y, 0);
}

// ---------------------------------------------------------------------------
// With an automation script in a child process: the script's clock counts
// presented frames, so its "quit" shows how long a screen stayed open.
// ---------------------------------------------------------------------------

// Runs the keyboard step under `script` in a child; the child exits with 0
// when `check` holds afterwards.
void keyboard_step_under_script(const std::string& script, bool (*check)()) {
    test::TempDir dir;
    const std::string path = dir.write("script.txt", script);
    EXPECT_EXIT(
        {
            alarm(20);  // a screen that never ends fails the test instead of hanging it
            setenv("TILEWORLD_SCRIPT", path.c_str(), 1);
            runtime_startup();
            set_start_values();
            engine.loop_state = loop_running;
            keyboard_step();
            std::_Exit(check() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(CommandsScriptDeathTest, EscapeAndPTogetherOpenQuitThenPauseInOneFrame) {
    // Q ends the quit screen at once; P still held opens the pause screen,
    // which Q cannot end, so only the script's quit at frame 4 gets out.
    keyboard_step_under_script(
        "at 0 key 1 down\nat 0 key 25 down\nat 0 key 16 down\nat 4 quit\n",
        [] { return engine.loop_state == loop_ended && automation_quit_requested(); });
    // Without P the same keys leave after the quit screen's single frame.
    keyboard_step_under_script(
        "at 0 key 1 down\nat 0 key 16 down\nat 4 quit\n",
        [] { return engine.loop_state == loop_ended && !automation_quit_requested(); });
}

TEST(CommandsScriptDeathTest, ScriptQuitEndsAScreenNoKeyEnds) {
    keyboard_step_under_script("at 0 key 1 down\nat 3 quit\n",
                               [] { return engine.loop_state == loop_running; });
    keyboard_step_under_script("at 0 key 25 down\nat 3 quit\n",
                               [] { return engine.loop_state == loop_running; });
}

}  // namespace
}  // namespace tw
