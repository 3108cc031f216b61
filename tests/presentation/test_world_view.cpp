// World view rules that hold without a screen: which cells the passes walk,
// the per-frame collision flag, players collecting, the score shown.
#include <gtest/gtest.h>

#include "presentation/presentation.h"
#include "runtime/media_runtime.h"

using namespace tw;

namespace {

// A handle no runtime table holds: drawing it does nothing, but the view
// treats the cell as having a graphic.
constexpr int32_t fake_sprite3d = 900001;

class WorldViewLogic : public ::testing::Test {
protected:
    void SetUp() override {
        set_start_values();
        engine.resolution = 32.0f;
        engine.screen_width = 320.0f;
        engine.screen_height = 240.0f;
        engine.view_cells_x = 3.0f;  // columns 0..3
        engine.view_cells_y = 3.0f;  // rows 0..2
        create_world_grid(9, 9);
        for (int x = 0; x <= 9; ++x)
            for (int y = 0; y <= 9; ++y) {
                world_cell& c = cell_at(x, y);
                c.state = 1;
                c.alpha = 255;
                c.cell_sprite3d = fake_sprite3d;
                c.child_instance.fill(-1);
                c.last_child_slot = -1;
            }
    }
    void TearDown() override { set_start_values(); }

    static int add_object(int8_t collision, int8_t kill = 1, int32_t score = 1, int8_t counted = 0) {
        object_instance* o = list_add(engine.object_instances);
        o->collision = collision;
        o->kill_on_collision = kill;
        o->score = score;
        o->count_to_score = counted;
        o->gfx_show = 1;
        o->alpha = 255;
        o->sprite3d = fake_sprite3d;
        return list_index(engine.object_instances);
    }
    static void place(int x, int y, int slot, int index) {
        world_cell& c = cell_at(x, y);
        c.child_instance[static_cast<size_t>(slot)] = index;
        if (slot > c.last_child_slot) c.last_child_slot = slot;
    }
    static void add_player(float px, float py) {
        cursor_sprite* s = list_add(engine.cursor_sprites);
        s->pos_x = px;
        s->pos_y = py;
    }
    static int flag(int x, int y) { return cell_at(x, y).collision_flag; }
};

TEST_F(WorldViewLogic, CollisionFlagComesOnlyFromDrawableCells) {
    const int coin = add_object(1);
    // Transparent cell: not drawn, but its objects count.
    cell_at(0, 0).alpha = 0;
    place(0, 0, 0, coin);
    // Cell not loaded, and cell without a graphic: objects ignored, and a
    // flag left over from an earlier frame is cleared.
    cell_at(1, 0).state = 2;
    place(1, 0, 0, coin);
    cell_at(1, 0).collision_flag = 1;
    cell_at(2, 0).cell_sprite3d = 0;
    place(2, 0, 0, coin);
    cell_at(2, 0).collision_flag = 1;
    // Hidden objects and player markers are not drawn but still collectable.
    const int hidden = add_object(1);
    list_at(engine.object_instances, hidden)->gfx_show = 0;
    place(0, 1, 0, hidden);
    const int marker = add_object(1);
    list_at(engine.object_instances, marker)->is_player = 1;
    place(1, 1, 0, marker);
    // Scenery without collision; an index naming no instance; an empty slot
    // before a collectable one.
    place(2, 1, 0, add_object(0));
    place(3, 1, 0, 12345);
    place(0, 2, 1, coin);
    // Only the slots up to last_child_slot are examined.
    place(1, 2, 1, coin);
    cell_at(1, 2).last_child_slot = 0;

    draw_objects();

    EXPECT_EQ(flag(0, 0), 1);
    EXPECT_EQ(flag(1, 0), 0);
    EXPECT_EQ(flag(2, 0), 0);
    EXPECT_EQ(flag(0, 1), 1);
    EXPECT_EQ(flag(1, 1), 1);
    EXPECT_EQ(flag(2, 1), 0);
    EXPECT_EQ(flag(3, 1), 0);
    EXPECT_EQ(flag(0, 2), 1);
    EXPECT_EQ(flag(1, 2), 0);
}

TEST_F(WorldViewLogic, WalksOneSpareColumnAndTheRowsThatFit) {
    for (int x = 0; x <= 9; ++x)
        for (int y = 0; y <= 9; ++y) cell_at(x, y).collision_flag = 1;
    engine.view_origin_x = 2;
    engine.view_origin_y = 5;
    draw_objects();
    for (int x = 0; x <= 9; ++x)
        for (int y = 0; y <= 9; ++y) {
            const bool walked = x >= 2 && x <= 5 && y >= 5 && y <= 7;
            EXPECT_EQ(flag(x, y), walked ? 0 : 1) << x << "," << y;
        }
}

TEST_F(WorldViewLogic, ZeroExtentsStillWalkTheFirstCell) {
    engine.view_cells_x = 0;
    engine.view_cells_y = 0;
    cell_at(0, 0).collision_flag = 1;
    cell_at(1, 0).collision_flag = 1;
    cell_at(0, 1).collision_flag = 1;
    draw_objects();
    EXPECT_EQ(flag(0, 0), 0);
    EXPECT_EQ(flag(1, 0), 1);
    EXPECT_EQ(flag(0, 1), 1);
}

TEST_F(WorldViewLogic, ViewBeyondTheGridIsEmptyAndSafe) {
    const int coin = add_object(1);
    place(9, 9, 0, coin);
    engine.view_origin_x = 8;
    engine.view_origin_y = 8;
    draw_cells();
    draw_objects();
    EXPECT_EQ(flag(9, 9), 1);
    // A player standing right of the grid's last column finds nothing.
    add_player(3 * 32.0f, 0.0f);
    draw_players();
    EXPECT_EQ(engine.shown_score, 0);

    engine.view_origin_x = 1.0e6f;
    engine.view_origin_y = 1.0e6f;
    draw_cells();
    draw_objects();
    draw_players();
    EXPECT_EQ(flag(9, 9), 1);  // not walked, so not recomputed

    // A corrupt slot count never reads past the eight slots, and a world
    // without a grid draws nothing.
    engine.view_origin_x = 0;
    engine.view_origin_y = 0;
    cell_at(0, 0).last_child_slot = 40;
    draw_objects();
    create_world_grid(-1, -1);
    draw_cells();
    draw_objects();
    draw_players();
}

TEST_F(WorldViewLogic, NegativeOriginIsClampedAfterTheCellPass) {
    engine.view_origin_x = -2;
    engine.view_origin_y = -1;
    draw_cells();
    EXPECT_EQ(engine.view_origin_x, -2.0f);
    cell_at(0, 0).collision_flag = 1;
    draw_objects();
    EXPECT_EQ(engine.view_origin_x, 0.0f);
    EXPECT_EQ(engine.view_origin_y, 0.0f);
    EXPECT_EQ(flag(0, 0), 0);  // the object pass walked from the clamped origin
}

TEST_F(WorldViewLogic, PlayerCollectsOnlyFromAFlaggedCellOfTheScrolledView) {
    const int coin = add_object(1, 1, 7);
    engine.view_origin_x = 2;
    engine.view_origin_y = 1;
    // Screen (40, 70) with 32-pixel cells is view cell (1, 2): grid (3, 3).
    place(3, 3, 0, coin);
    add_player(40.0f, 70.0f);

    draw_players();  // flag still 0: nothing collected yet
    EXPECT_EQ(engine.shown_score, 0);
    EXPECT_EQ(cell_at(3, 3).child_instance[0], coin);

    draw_objects();
    draw_players();
    EXPECT_EQ(engine.shown_score, 7);
    EXPECT_EQ(cell_at(3, 3).child_instance[0], -1);
    EXPECT_EQ(list_size(engine.object_instances), 1);  // the record itself stays
}

TEST_F(WorldViewLogic, CellThatIsNotLoadedKeepsItsObjects) {
    const int coin = add_object(1, 1, 7);
    cell_at(0, 0).state = 0;
    place(0, 0, 0, coin);
    add_player(5.0f, 5.0f);
    draw_objects();
    draw_players();
    EXPECT_EQ(engine.shown_score, 0);
    EXPECT_EQ(cell_at(0, 0).child_instance[0], coin);
}

TEST_F(WorldViewLogic, TwoPlayersOnOneCellCollectOnce) {
    place(1, 1, 0, add_object(1, 1, 5));
    add_player(33.0f, 33.0f);
    add_player(60.0f, 60.0f);
    draw_objects();
    draw_players();
    EXPECT_EQ(engine.shown_score, 5);
}

TEST_F(WorldViewLogic, CountedPointsAppearOnePerFrame) {
    engine.shown_score = 10;
    engine.target_score = 10;
    place(0, 0, 0, add_object(1, 1, 5, 1));
    add_player(4.0f, 4.0f);
    std::vector<int> shown;
    for (int frame = 0; frame < 7; ++frame) {
        draw_world_view();
        shown.push_back(engine.shown_score);
    }
    EXPECT_EQ(shown, (std::vector<int>{11, 12, 13, 14, 15, 15, 15}));
    EXPECT_EQ(engine.target_score, 15);
}

TEST_F(WorldViewLogic, EnemiesTakeTheirStepInTheEnemyPass) {
    // Acts every frame, always picks a direction, and right is free.
    *list_add(engine.enemy_list) = {.pos_x = 64, .pos_y = 64, .random_move = 0, .velo_x = 2, .velo_y = 2,
                                    .ai_level = 0, .d_move = 0, .change_direction = 0};
    // This one stands still.
    *list_add(engine.enemy_list) = {.pos_x = 96, .pos_y = 96, .velo_x = 2, .ai_level = 3};
    draw_enemies();
    EXPECT_EQ(list_at(engine.enemy_list, 0)->pos_x, 80);
    EXPECT_EQ(list_at(engine.enemy_list, 0)->walk_direction, direction_right);
    EXPECT_EQ(list_at(engine.enemy_list, 1)->pos_x, 96);
}

TEST_F(WorldViewLogic, ZoomWithoutAScreenKeepsNoCopy) {
    zoom_screen();
    zoom_screen();
    EXPECT_EQ(engine.screen_copy_sprite, 0);
    EXPECT_EQ(engine.screen_copy_sprite3d, 0);
}

}  // namespace
