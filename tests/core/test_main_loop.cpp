#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "core/core.h"

using namespace tw;

namespace {

struct MainLoopTest : ::testing::Test {
    void SetUp() override { set_start_values(); }
};

}  // namespace

TEST_F(MainLoopTest, TimeTicksOnceEveryCycleLengthPlusOneFrames) {
    std::vector<int> counters;
    for (int frame = 1; frame <= 122; ++frame) {
        advance_frame_cycle();
        counters.push_back(engine.frame_cycle_counter);
        if (frame == 60) {
            EXPECT_EQ(engine.time_ticks, 0);
        }
        if (frame == 61) {
            EXPECT_EQ(engine.time_ticks, 1);
        }
    }
    EXPECT_EQ(engine.time_ticks, 2);
    EXPECT_EQ(counters[59], 60);  // the counter reaches the length itself
    EXPECT_EQ(counters[60], 0);
    EXPECT_EQ(counters[121], 0);
}

TEST_F(MainLoopTest, NonPositiveCycleLengthTicksEveryFrame) {
    for (int length : {0, -7}) {
        set_start_values();
        engine.frame_cycle_length = length;
        for (int frame = 0; frame < 5; ++frame) advance_frame_cycle();
        EXPECT_EQ(engine.time_ticks, 5) << length;
        EXPECT_EQ(engine.frame_cycle_counter, 0) << length;
    }
}

TEST_F(MainLoopTest, CycleCounterAtTheTopOfTheRangeWrapsToZero) {
    engine.frame_cycle_length = INT32_MAX;
    engine.frame_cycle_counter = INT32_MAX;
    advance_frame_cycle();
    EXPECT_EQ(engine.frame_cycle_counter, 0);
    EXPECT_EQ(engine.time_ticks, 1);
}

TEST_F(MainLoopTest, DebugLineShowsVideoMemoryAndEnemyCount) {
    EXPECT_TRUE(std::regex_match(debug_line_text(), std::regex("Debug: GFXMEM:-?[0-9]+  ENEMIES:0")))
        << debug_line_text();
    for (int k = 0; k < 12; ++k) list_add(engine.enemy_list);
    EXPECT_TRUE(std::regex_match(debug_line_text(), std::regex("Debug: GFXMEM:-?[0-9]+  ENEMIES:12")))
        << debug_line_text();
}

TEST_F(MainLoopTest, LoadedWorldIgnoresAChangedWorldNumber) {
    engine.use_self_create_base = 0;
    engine.world_number = 3;
    main_loop_pass();
    EXPECT_EQ(engine.built_world_number, 0);
    EXPECT_EQ(engine.frame_cycle_counter, 1);  // the frame still ran
}

TEST_F(MainLoopTest, LoopEndsAfterThePassThatSetTheEndState) {
    engine.loop_state = loop_ended;
    run_main_loop();  // the pass completes before the state is tested
    EXPECT_EQ(engine.frame_cycle_counter, 1);
}
