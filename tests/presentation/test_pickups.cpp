// Pickups and the HUD's score: what collecting does to the cell and the
// score, and how the shown score follows the target.
#include <gtest/gtest.h>

#include <climits>

#include "presentation/presentation.h"

using namespace tw;

namespace {

class Pickups : public ::testing::Test {
protected:
    void SetUp() override {
        set_start_values();
        create_world_grid(3, 3);
        for (world_cell& c : engine.world_grid.cells) {
            c.child_instance.fill(-1);
            c.last_child_slot = -1;
        }
    }
    void TearDown() override { set_start_values(); }

    static int add_object(int8_t collision, int8_t kill, int32_t score, int8_t counted) {
        object_instance* o = list_add(engine.object_instances);
        o->collision = collision;
        o->kill_on_collision = kill;
        o->score = score;
        o->count_to_score = counted;
        return list_index(engine.object_instances);
    }
    static void place(int slot, int index) {
        world_cell& c = cell_at(1, 1);
        c.child_instance[static_cast<size_t>(slot)] = index;
        if (slot > c.last_child_slot) c.last_child_slot = slot;
        c.collision_flag = 1;
    }
    static int32_t slot(int k) { return cell_at(1, 1).child_instance[static_cast<size_t>(k)]; }
};

TEST_F(Pickups, RemovedObjectsScoreDirectlyOrCounted) {
    const int direct = add_object(1, 1, 5, 0);
    const int counted = add_object(1, 1, 7, 1);
    const int scenery = add_object(0, 1, 100, 0);
    place(0, direct);
    place(2, counted);
    place(3, scenery);
    collect_objects(1, 1);
    EXPECT_EQ(slot(0), -1);
    EXPECT_EQ(slot(2), -1);
    EXPECT_EQ(slot(3), scenery);  // no collision: never collected
    EXPECT_EQ(engine.shown_score, 5);
    EXPECT_EQ(engine.target_score, 7);

    collect_objects(1, 1);  // nothing left to collect
    EXPECT_EQ(engine.shown_score, 5);
    EXPECT_EQ(engine.target_score, 7);
}

TEST_F(Pickups, ObjectThatStaysNeverScores) {
    const int fountain = add_object(1, 0, 50, 0);
    place(0, fountain);
    for (int frame = 0; frame < 3; ++frame) collect_objects(1, 1);
    EXPECT_EQ(slot(0), fountain);
    EXPECT_EQ(engine.shown_score, 0);
}

TEST_F(Pickups, UnflaggedCellAndBadCoordinatesCollectNothing) {
    place(0, add_object(1, 1, 5, 0));
    cell_at(1, 1).collision_flag = 0;
    collect_objects(1, 1);
    EXPECT_EQ(engine.shown_score, 0);
    collect_objects(-1, 1);
    collect_objects(1, 99);
    collect_object(1, 1, 8);
    collect_object(1, 1, -1);
    place(1, 4711);  // names no instance
    collect_objects(1, 1);
    collect_object(1, 1, 1);
    EXPECT_EQ(engine.shown_score, 5);
    EXPECT_EQ(slot(1), 4711);
}

TEST_F(Pickups, HudCountsUpOnePointPerFrameAndNeverDown) {
    engine.shown_score = 10;
    engine.target_score = 3;
    draw_hud();
    EXPECT_EQ(engine.shown_score, 10);

    // A negative counted score lowers the target; the shown score waits.
    engine.target_score = 12;
    place(0, add_object(1, 1, -4, 1));
    collect_objects(1, 1);
    EXPECT_EQ(engine.target_score, 8);
    draw_hud();
    EXPECT_EQ(engine.shown_score, 10);

    engine.target_score = 12;
    draw_hud();
    draw_hud();
    draw_hud();
    EXPECT_EQ(engine.shown_score, 12);
}

TEST_F(Pickups, ScoreWrapsInsteadOfOverflowing) {
    engine.shown_score = INT32_MAX;
    place(0, add_object(1, 1, 1, 0));
    collect_objects(1, 1);
    EXPECT_EQ(engine.shown_score, INT32_MIN);
}

}  // namespace
