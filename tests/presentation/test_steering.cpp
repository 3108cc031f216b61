// Player steering: step timing, which figure follows which device, collision
// tests and the scrolling rules at the one-third lines and the world's edges.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <vector>

#include "core/core.h"
#include "presentation/presentation.h"
#include "runtime/key_codes.h"
#include "runtime/media_runtime.h"
#include "runtime/testing.h"

namespace tw {
namespace {

// A 640 x 480 screen of 32-pixel cells: 20 x 15 cells shown, thirds at
// x 213.3 and y 160. The world is 100 x 100 cells, all free.
class Steering : public ::testing::Test {
protected:
    void SetUp() override {
        set_start_values();
        engine.loop_state = loop_running;
        engine.resolution = 32.0f;
        engine.move_step = 32;
        engine.screen_width = 640.0f;
        engine.screen_height = 480.0f;
        engine.view_cells_x = 20.0f;
        engine.view_cells_y = 15.0f;
        create_world_grid(99, 99);
        engine.world_width = 99;
        engine.world_height = 99;
        engine.cursor_speed_inverse = 0;
        add_figure(64, 64);
    }
    void TearDown() override {
        for (int k : {key_left, key_right, key_up, key_down}) inject_key(k, false);
        inject_joystick_axis(0, 0);
        inject_joystick_axis(1, 0);
        examine_keyboard();
        examine_keyboard();
    }
    cursor_sprite& add_figure(float x, float y) {
        cursor_sprite* s = list_add(engine.cursor_sprites);
        s->pos_x = x;
        s->pos_y = y;
        return *s;
    }
    cursor_sprite& figure(int i) { return engine.cursor_sprites.items[static_cast<size_t>(i)]; }
    // The first figure, moved to (x, y).
    cursor_sprite& figure_at(float x, float y) {
        figure(0).pos_x = x;
        figure(0).pos_y = y;
        return figure(0);
    }
    void wall(int x, int y) { cell_at(x, y).use_collision = 1; }
    void hold(std::initializer_list<int> keys) {
        for (int k : keys) inject_key(k, true);
    }
    // The input part of one frame.
    void frame() {
        keyboard_step();
        joystick_step();
    }
    // A figure with a heading, moved by one pass with that steering.
    void pass(int dx, int dy) {
        set_heading(figure(0), dx, dy);
        move_cursor_sprites(dx, dy);
    }
};

// ---------------------------------------------------------------------------
// Heading, collision test and movement (no input devices needed)
// ---------------------------------------------------------------------------

// The codes as numbers: dumps print them.
TEST_F(Steering, HeadingPrefersTheVerticalAxis) {
    cursor_sprite& s = figure(0);
    set_heading(s, 1, 0);
    EXPECT_EQ(s.heading, 15);
    set_heading(s, 1, -1);
    EXPECT_EQ(s.heading, 16);
    set_heading(s, -1, 1);
    EXPECT_EQ(s.heading, 13);
    set_heading(s, -1, 0);
    EXPECT_EQ(s.heading, 14);
    set_heading(s, 0, 0);
    EXPECT_EQ(s.heading, 17);
}

TEST_F(Steering, StepIntoABlockingCellIsRefused) {
    cursor_sprite& s = figure(0);  // on cell (2, 2)
    s.heading = direction_idle;
    wall(3, 2);
    steer_by_keyboard(s, 1, 0);
    EXPECT_EQ(engine.steer_x, 0);
    EXPECT_EQ(engine.steer_y, 0);
    EXPECT_EQ(s.heading, direction_idle);

    // The view origin counts: with the view one column on, the figure stands
    // on (3, 2) itself and (4, 2) is free.
    engine.view_origin_x = 1;
    steer_by_keyboard(s, 1, 0);
    EXPECT_EQ(engine.steer_x, 1);
    EXPECT_EQ(s.heading, direction_right);
}

TEST_F(Steering, TwoAxesTestTheCellReallyEntered) {
    cursor_sprite& s = figure(0);  // on (2, 2)
    wall(2, 1);                    // above; the diagonal (3, 1) is free
    steer_by_keyboard(s, 1, -1);
    EXPECT_EQ(engine.steer_x, 0);
    EXPECT_EQ(engine.steer_y, 0);

    // Free above, wall on the diagonal: the figure goes up.
    cell_at(2, 1).use_collision = 0;
    wall(3, 1);
    steer_by_keyboard(s, 1, -1);
    EXPECT_EQ(s.heading, direction_up);
    move_cursor_sprites(engine.steer_x, engine.steer_y);
    EXPECT_EQ(s.pos_x, 64.0f);
    EXPECT_EQ(s.pos_y, 32.0f);
}

TEST_F(Steering, CellsOutsideTheGridBlock) {
    cursor_sprite& s = figure_at(0, 0);
    steer_by_keyboard(s, -1, 0);
    EXPECT_EQ(engine.steer_x, 0);
    steer_by_keyboard(s, 0, -1);
    EXPECT_EQ(engine.steer_y, 0);
    engine.view_origin_x = 99;
    steer_by_keyboard(s, 1, 0);
    EXPECT_EQ(engine.steer_x, 0);
}

TEST_F(Steering, StandingOnABlockedCellDoesNotLockTheFigure) {
    cursor_sprite& s = figure(0);
    s.heading = direction_right;
    wall(2, 2);
    steer_by_keyboard(s, 0, 0);
    EXPECT_EQ(s.heading, direction_idle);
}

TEST_F(Steering, RightScrollsAtTheThirdLine) {
    cursor_sprite& s = figure(0);
    s.pos_x = 160;  // 160 + 32 = 192 is not past 213.3: the figure moves
    pass(1, 0);
    EXPECT_EQ(s.pos_x, 192.0f);
    EXPECT_EQ(engine.view_origin_x, 0.0f);
    pass(1, 0);  // 224 would pass the line: the view scrolls instead
    EXPECT_EQ(s.pos_x, 192.0f);
    EXPECT_EQ(engine.view_origin_x, 1.0f);
}

TEST_F(Steering, LeftNeverScrollsBackToColumnZero) {
    cursor_sprite& s = figure(0);
    s.pos_x = 224;  // right of the line: the figure moves
    engine.view_origin_x = 3;
    pass(-1, 0);
    EXPECT_EQ(s.pos_x, 192.0f);
    pass(-1, 0);  // left of the line: the view scrolls
    pass(-1, 0);
    EXPECT_EQ(s.pos_x, 192.0f);
    EXPECT_EQ(engine.view_origin_x, 1.0f);
    for (int i = 0; i < 3; ++i) pass(-1, 0);  // at origin 1 the figure moves
    EXPECT_EQ(s.pos_x, 96.0f);
    EXPECT_EQ(engine.view_origin_x, 1.0f);
}

TEST_F(Steering, VerticalThirdLineIsStrictGoingUp) {
    cursor_sprite& s = figure(0);
    s.pos_y = 128;  // 160 is not past the line: moves down
    pass(0, 1);
    EXPECT_EQ(s.pos_y, 160.0f);
    pass(0, 1);
    EXPECT_EQ(s.pos_y, 160.0f);
    EXPECT_EQ(engine.view_origin_y, 1.0f);
    engine.view_origin_y = 4;
    pass(0, -1);  // exactly on the line counts as above it: scrolls
    EXPECT_EQ(s.pos_y, 160.0f);
    EXPECT_EQ(engine.view_origin_y, 3.0f);
}

TEST_F(Steering, NoScrollPastTheWorldsLastColumnOrRow) {
    engine.world_width = 25;   // 20 columns shown: origin 6 shows 6..25
    engine.world_height = 20;  // 15 rows shown: origin 6 shows 6..20
    cursor_sprite& s = figure_at(192, 160);
    for (int i = 0; i < 8; ++i) pass(1, 0);
    EXPECT_EQ(engine.view_origin_x, 6.0f);
    EXPECT_EQ(s.pos_x, 192.0f + 2 * 32);
    for (int i = 0; i < 8; ++i) pass(0, 1);
    EXPECT_EQ(engine.view_origin_y, 6.0f);
    EXPECT_EQ(s.pos_y, 160.0f + 2 * 32);

    // A world smaller than the screen never scrolls.
    engine.view_origin_x = 0;
    engine.world_width = 10;
    s.pos_x = 192;
    pass(1, 0);
    EXPECT_EQ(engine.view_origin_x, 0.0f);
    EXPECT_EQ(s.pos_x, 224.0f);
}

TEST_F(Steering, OnlySteeredAxesMove) {
    // A heading left over from an earlier pass must not scroll the view when
    // this pass steers nothing on its axis.
    cursor_sprite& s = figure(0);
    s.pos_x = 64;
    engine.view_origin_x = 5;
    s.heading = direction_left;
    move_cursor_sprites(0, 0);
    move_cursor_sprites(0, 1);
    EXPECT_EQ(engine.view_origin_x, 5.0f);
    EXPECT_EQ(s.pos_x, 64.0f);
    EXPECT_EQ(s.pos_y, 64.0f);
}

TEST_F(Steering, FiguresNeverSteeredStayPut) {
    cursor_sprite& other = add_figure(300, 300);
    pass(1, 0);
    move_cursor_sprites(1, 0);
    EXPECT_EQ(other.pos_x, 300.0f);
    EXPECT_EQ(other.pos_y, 300.0f);
}

// ---------------------------------------------------------------------------
// Frames with keyboard and joystick input
// ---------------------------------------------------------------------------

TEST_F(Steering, FastestSpeedStepsEveryOtherFrameWithoutJoystick) {
    engine.joystick_present = 0;
    hold({key_right});
    float xs[6];
    for (float& x : xs) {
        frame();
        x = figure(0).pos_x;
    }
    // The first frame only turns the never-steered figure idle.
    EXPECT_EQ(xs[0], 64.0f);
    EXPECT_EQ(xs[1], 96.0f);
    EXPECT_EQ(xs[2], 96.0f);
    EXPECT_EQ(xs[3], 128.0f);
    EXPECT_EQ(xs[4], 128.0f);
    EXPECT_EQ(xs[5], 160.0f);
}

TEST_F(Steering, FastestSpeedStepsEveryFrameWithAnUntouchedJoystick) {
    attach_virtual_joystick();
    engine.joystick_present = 1;
    hold({key_down});
    for (int i = 0; i < 3; ++i) frame();
    EXPECT_EQ(figure(0).pos_y, 64.0f + 2 * 32);
    EXPECT_EQ(figure(0).pos_x, 64.0f);
}

TEST_F(Steering, SlowestSpeedNeedsMoreThan255Passes) {
    engine.cursor_speed_inverse = 255;
    engine.joystick_present = 0;
    hold({key_right});
    for (int i = 0; i < 255; ++i) frame();
    EXPECT_EQ(figure(0).pos_x, 64.0f);
    frame();
    EXPECT_EQ(figure(0).pos_x, 96.0f);
    for (int i = 0; i < 255; ++i) frame();
    EXPECT_EQ(figure(0).pos_x, 96.0f);
    frame();
    EXPECT_EQ(figure(0).pos_x, 128.0f);
}

TEST_F(Steering, LaterKeyWinsOnAnAxis) {
    engine.joystick_present = 0;
    hold({key_left, key_right});
    frame();
    frame();
    EXPECT_EQ(figure(0).pos_x, 96.0f);
    inject_key(key_left, false);
    inject_key(key_right, false);
    hold({key_down, key_up});
    frame();
    frame();
    EXPECT_EQ(figure(0).pos_y, 32.0f);
}

TEST_F(Steering, RightAndUpMoveVerticallyAndAWallAboveStopsThem) {
    engine.joystick_present = 0;
    hold({key_right, key_up});
    wall(2, 1);  // above the figure; the diagonal cell is free
    for (int i = 0; i < 4; ++i) frame();
    EXPECT_EQ(figure(0).pos_x, 64.0f);
    EXPECT_EQ(figure(0).pos_y, 64.0f);

    cell_at(2, 1).use_collision = 0;
    for (int i = 0; i < 2; ++i) frame();
    EXPECT_EQ(figure(0).pos_x, 64.0f);
    EXPECT_EQ(figure(0).pos_y, 32.0f);
}

TEST_F(Steering, KeyboardSteersTheFirstFigureAndJoystickTheLast) {
    engine.cursor_sprites.items = {cursor_sprite{64, 64}, cursor_sprite{96, 300},
                                   cursor_sprite{128, 128}};
    attach_virtual_joystick();
    engine.joystick_present = 1;
    hold({key_down});
    inject_joystick_axis(0, 1);  // joystick right
    for (int i = 0; i < 4; ++i) frame();
    EXPECT_EQ(figure(0).pos_x, 64.0f);
    EXPECT_GT(figure(0).pos_y, 64.0f);
    EXPECT_EQ(figure(1).pos_x, 96.0f);
    EXPECT_EQ(figure(1).pos_y, 300.0f);
    EXPECT_GT(figure(2).pos_x, 128.0f);
    EXPECT_EQ(figure(2).pos_y, 128.0f);
}

// ---------------------------------------------------------------------------
// A cell size that is not whole: RESOLUTION 32 at a base width of 1280 on a
// 1024-wide display gives cells of 25.6 pixels and steps of 26.
// ---------------------------------------------------------------------------

class SteeringFractionalCells : public Steering {
protected:
    void SetUp() override {
        Steering::SetUp();
        engine.resolution = 32.0f;
        engine.res_base_w = 1280;
        scale_to_display(1024, 576);
        engine.move_step = nearest(engine.resolution);
        engine.view_cells_x = 40.0f;
        engine.view_cells_y = 23.0f;
        engine.joystick_present = 0;
        list_clear(engine.cursor_sprites);
    }
    void TearDown() override {
        Steering::TearDown();
        list_clear(engine.object_instances);
    }
    // The cell the player pass collects from for a figure at (x, y): every
    // cell near it holds one collectable object, and the pass removes the
    // one it stands on.
    grid_cell collected_cell(float x, float y) {
        list_clear(engine.object_instances);
        object_instance* coin = list_add(engine.object_instances);
        coin->collision = 1;
        coin->kill_on_collision = 1;
        for (int cx = 0; cx < 45; ++cx)
            for (int cy = 0; cy < 45; ++cy) {
                world_cell& c = cell_at(cx, cy);
                c.child_instance.fill(-1);
                c.child_instance[0] = 0;
                c.last_child_slot = 0;
                c.collision_flag = 1;
            }
        engine.cursor_sprites.items = {cursor_sprite{x, y}};
        draw_players();
        grid_cell found{-1, -1};
        for (int cx = 0; cx < 45; ++cx)
            for (int cy = 0; cy < 45; ++cy)
                if (cell_at(cx, cy).child_instance[0] == -1) {
                    EXPECT_EQ(found.x, -1) << "collected twice at " << x;
                    found = {cx, cy};
                }
        return found;
    }
    bool blocked(float x, float y, int dx, int dy) {
        engine.cursor_sprites.items = {cursor_sprite{x, y}};
        steer_by_keyboard(figure(0), dx, dy);
        return engine.steer_x == 0 && engine.steer_y == 0;
    }
};

TEST_F(SteeringFractionalCells, WallNextToTheFigureStopsIt) {
    ASSERT_FLOAT_EQ(engine.resolution, 25.6f);
    // A figure placed on column 5 stands at 5 * 25.6 = 128, where a quotient
    // in double falls just short of 5.
    cursor_sprite& s = add_figure(5 * engine.resolution, 3 * engine.resolution);
    wall(6, 3);
    hold({key_right});
    for (int i = 0; i < 6; ++i) frame();
    EXPECT_EQ(s.pos_x, 128.0f);
    EXPECT_EQ(figure_cell(s).x, 5);
    // Down is free: the figure steps and its cell follows.
    inject_key(key_right, false);
    hold({key_down});
    for (int i = 0; i < 2; ++i) frame();
    EXPECT_EQ(figure_cell(s).y, 4);
}

TEST_F(SteeringFractionalCells, PickupsAndSteeringAgreeOnTheFiguresCell) {
    // Cell edges, a hair either side of them, and the places steps of 26
    // reach from the edges.
    std::vector<float> places;
    for (int k = 1; k < 38; ++k) {
        const float edge = static_cast<float>(k) * engine.resolution;
        places.push_back(edge);
        places.push_back(std::nextafter(edge, 0.0f));
        places.push_back(std::nextafter(edge, 2000.0f));
        for (int n = 1; n < 4; ++n) places.push_back(edge + static_cast<float>(n * engine.move_step));
    }
    for (float p : places) {
        const grid_cell c = collected_cell(p, p);
        ASSERT_GE(c.x, 0) << p;
        EXPECT_EQ(c.x, nearest(std::floor(p / engine.resolution))) << p;
        // Steering's own cell is the same: the neighbour blocks, the figure's
        // own cell does not.
        wall(c.x + 1, c.y);
        wall(c.x, c.y + 1);
        EXPECT_TRUE(blocked(p, p, 1, 0)) << p;
        EXPECT_TRUE(blocked(p, p, 0, 1)) << p;
        cell_at(c.x + 1, c.y).use_collision = 0;
        cell_at(c.x, c.y + 1).use_collision = 0;
        wall(c.x, c.y);
        EXPECT_FALSE(blocked(p, p, 1, 0)) << p;
        EXPECT_FALSE(blocked(p, p, 0, 1)) << p;
        cell_at(c.x, c.y).use_collision = 0;
    }
}

}  // namespace
}  // namespace tw
