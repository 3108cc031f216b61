// Enemy wandering: chances, direction order, blocking, step sizes and the
// exact number of random draws an acting frame takes.
#include <gtest/gtest.h>

#include <functional>

#include "presentation/presentation.h"

namespace tw {
namespace {

class Enemies : public ::testing::Test {
protected:
    void SetUp() override {
        set_start_values();
        engine.resolution = 32.0f;
        create_world_grid(9, 9);
    }
    void wall(int x, int y) { cell_at(x, y).use_collision = 1; }
    // An enemy standing on cell (x, y) that acts every frame, always changes
    // direction and never fails its step chance.
    enemy at_cell(int x, int y) {
        enemy e;
        e.pos_x = x * 32;
        e.pos_y = y * 32;
        e.velo_x = 4;
        e.velo_y = 4;
        e.d_move = 0;
        e.change_direction = 0;
        e.random_move = 0;
        return e;
    }
};

// How many draws of the generator `act` took: the next draw after it is
// located in a fresh sequence from the same seed.
int draws_taken(const std::function<void()>& act) {
    random_seed(4321);
    act();
    const int32_t next = random(1000000000);
    for (int k = 0; k < 16; ++k) {
        random_seed(4321);
        for (int i = 0; i < k; ++i) random(5);
        if (random(1000000000) == next) return k;
    }
    return -1;
}

TEST_F(Enemies, ActingChanceOfMinusOneNeverActsAndZeroActsEveryFrame) {
    enemy e = at_cell(4, 4);
    e.d_move = -1;
    for (int i = 0; i < 50; ++i) enemy_step(e, 0);
    EXPECT_EQ(e.pos_x, 4 * 32);
    EXPECT_EQ(e.pos_y, 4 * 32);
    EXPECT_EQ(e.walk_direction, 0);
    EXPECT_EQ(draws_taken([&] { enemy_step(e, 0); }), 0);

    e.d_move = 0;
    for (int i = 0; i < 5; ++i) enemy_step(e, 0);
    EXPECT_EQ(e.pos_x, 4 * 32 + 5 * 8);  // right is tried first and is free
    EXPECT_EQ(e.walk_direction, direction_right);
}

TEST_F(Enemies, NewDirectionTriesRightLeftDownUpInThatOrder) {
    // Each row walls off the side the row before took.
    const struct {
        int wall_x, wall_y;  // -1: no wall yet
        int direction, dx, dy;
    } tries[] = {{-1, -1, direction_right, 8, 0},
                 {5, 4, direction_left, -8, 0},
                 {3, 4, direction_down, 0, 8},
                 {4, 5, direction_up, 0, -8}};
    enemy e;
    for (const auto& t : tries) {
        if (t.wall_x >= 0) wall(t.wall_x, t.wall_y);
        e = at_cell(4, 4);
        wander(e);
        EXPECT_EQ(e.walk_direction, t.direction);
        EXPECT_EQ(e.pos_x, 4 * 32 + t.dx);
        EXPECT_EQ(e.pos_y, 4 * 32 + t.dy);
    }

    // Boxed in: nothing moves and the old direction stays.
    e = at_cell(4, 4);
    e.walk_direction = direction_left;
    wall(4, 3);
    wander(e);
    EXPECT_EQ(e.walk_direction, direction_left);
    EXPECT_EQ(e.pos_x, 4 * 32);
    EXPECT_EQ(e.pos_y, 4 * 32);
}

TEST_F(Enemies, CellsOutsideTheGridBlock) {
    // Corner (0, 0): left and up lie outside the grid; right and down are walls.
    enemy e = at_cell(0, 0);
    wall(1, 0);
    wall(0, 1);
    for (int i = 0; i < 10; ++i) enemy_step(e, 0);
    EXPECT_EQ(e.pos_x, 0);
    EXPECT_EQ(e.pos_y, 0);
    EXPECT_EQ(e.walk_direction, 0);

    // Far corner: a walker heading right stops at the last column.
    e = at_cell(9, 9);
    e.change_direction = -1;
    e.walk_direction = direction_right;
    keep_walking(e);
    EXPECT_EQ(e.pos_x, 9 * 32);

    // A cell size of 0 gives no cell at all: everything blocks, nothing breaks.
    engine.resolution = 0.0f;
    e = at_cell(4, 4);
    wander(e);
    EXPECT_EQ(e.pos_x, 4 * 32);
    EXPECT_EQ(e.walk_direction, 0);
}

TEST_F(Enemies, KeepsWalkingItsDirectionUntilBlocked) {
    enemy e = at_cell(2, 2);
    e.change_direction = -1;  // never chooses anew
    e.walk_direction = direction_right;
    e.velo_x = 2;             // half a cell per step
    wall(5, 2);
    for (int i = 0; i < 20; ++i) enemy_step(e, 0);
    // 64 -> 80 (cell 2.5 rounds to 2) -> 96 -> 112 (3.5 rounds to 4, and 5 is a wall)
    EXPECT_EQ(e.pos_x, 112);
    EXPECT_EQ(e.walk_direction, direction_right);

    // No direction chosen yet: it stays and takes no draw for its step.
    enemy idle = at_cell(2, 2);
    idle.change_direction = -1;
    enemy_step(idle, 0);
    EXPECT_EQ(idle.pos_x, 64);
    EXPECT_EQ(draws_taken([&] { enemy_step(idle, 0); }), 1);
}

TEST_F(Enemies, CellOfAnEnemyBetweenTwoCellsRoundsHalvesToEven) {
    const struct {
        int pos_x, wall_x, direction, x_after;
        const char* why;
    } cases[] = {{16, 1, direction_down, 16, "16 px is half a cell: cell 0, so cell 1 is its right neighbour"},
                 {80, 3, direction_left, 72, "80 px is cell 2.5: cell 2, so a wall on cell 3 blocks it"},
                 {81, 4, direction_left, 73, "81 px is past the half: cell 3 (free), so cell 4 is tested"}};
    int y = 4;  // a row of its own for each case
    for (const auto& c : cases) {
        enemy e = at_cell(0, y);
        e.pos_x = c.pos_x;
        wall(c.wall_x, y);
        wander(e);
        EXPECT_EQ(e.walk_direction, c.direction) << c.why;
        EXPECT_EQ(e.pos_x, c.x_after) << c.why;
        y += 2;
    }
}

TEST_F(Enemies, StepSizeIsTheCellOverStepsPerCellRoundedEveryStep) {
    enemy e = at_cell(0, 0);
    e.velo_x = 3;
    step_x(e, 1);
    EXPECT_EQ(e.pos_x, 11);
    step_x(e, 1);
    step_x(e, 1);
    EXPECT_EQ(e.pos_x, 33);  // one pixel more than a cell
    step_x(e, -1);
    EXPECT_EQ(e.pos_x, 22);

    // A zero axis does not move, yet the chosen direction is recorded.
    e = at_cell(4, 4);
    e.velo_x = 0;
    wander(e);
    EXPECT_EQ(e.pos_x, 4 * 32);
    EXPECT_EQ(e.walk_direction, direction_right);
    step_y(e, 1);
    EXPECT_EQ(e.pos_y, 4 * 32 + 8);
}

TEST_F(Enemies, StandingKindsNeverMove) {
    for (int level : {2, 3, 4}) {
        enemy e = at_cell(4, 4);
        for (int i = 0; i < 10; ++i) enemy_step(e, level);
        EXPECT_EQ(e.pos_x, 4 * 32) << "level " << level;
        EXPECT_EQ(e.pos_y, 4 * 32) << "level " << level;
        EXPECT_EQ(e.walk_direction, 0) << "level " << level;
    }
    for (int level : {0, 1, 5, -1}) {
        enemy e = at_cell(4, 4);
        enemy_step(e, level);
        EXPECT_EQ(e.walk_direction, direction_right) << "level " << level;
    }
}

TEST_F(Enemies, DrawsPerActingFrame) {
    // Standing kind: only the acting draw.
    enemy e = at_cell(4, 4);
    EXPECT_EQ(draws_taken([&] { enemy_step(e, 3); }), 1);
    // Acting + direction change + first attempt (right is free).
    e = at_cell(4, 4);
    EXPECT_EQ(draws_taken([&] { enemy_step(e, 0); }), 3);
    // Boxed in: acting + change + four attempts.
    wall(5, 4);
    wall(3, 4);
    wall(4, 5);
    wall(4, 3);
    e = at_cell(4, 4);
    EXPECT_EQ(draws_taken([&] { enemy_step(e, 0); }), 6);
    // Keeping the direction: acting + change + one attempt.
    e = at_cell(4, 4);
    e.change_direction = 1000000000;
    e.walk_direction = direction_up;
    EXPECT_EQ(draws_taken([&] { enemy_step(e, 0); }), 3);
    // An acting chance that fails stops after its own draw.
    e = at_cell(4, 4);
    e.d_move = 1000000000;
    EXPECT_EQ(draws_taken([&] { enemy_step(e, 0); }), 1);
}

}  // namespace
}  // namespace tw
