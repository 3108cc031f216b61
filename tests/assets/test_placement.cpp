// Placement of objects on cells and spawning of enemies: the draw order that
// makes seeded worlds reproducible, the slot bookkeeping, sizes and anchors.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "assets/assets.h"
#include "runtime/media_runtime.h"
#include "support/media_files.h"
#include "support/test_support.h"

using namespace tw;
using tw::test::TempDir;

namespace {

class Placement : public ::testing::Test {
protected:
    void SetUp() override {
        set_start_values();
        create_world_grid(15, 15);
        for (world_cell& c : engine.world_grid.cells) {
            c.child_instance.fill(-1);
            c.state = 1;
        }
        engine.resolution = 32.0f;
        engine.screen_width = 1600.0f;
        engine.res_base_w = 800;
    }
    void TearDown() override {
        for (object_instance& i : engine.object_instances.items) free_sprite3d(i.sprite3d);
        for (enemy& e : engine.enemy_list.items) free_sprite3d(e.sprite3d);
        for (object_definition& d : engine.object_definitions.items) free_sprite(d.sprite);
        list_clear(engine.object_instances);
        list_clear(engine.enemy_list);
        list_clear(engine.object_definitions);
    }

    // Appends a definition; images come from a 40 x 20 file unless no_image.
    object_definition& add_def(const std::string& name, int32_t density, bool no_image = true) {
        List<object_definition>& l = engine.object_definitions;
        list_select(l, list_size(l) - 1);
        object_definition* d = list_add(l);
        d->gfx_name = name;
        d->density = density;
        if (!no_image) {
            if (image.empty()) image = dir.write("img.bmp", tw::test::solid_bmp(40, 20, {50, 100, 200}));
            d->sprite = load_sprite(-1, image, sprite_mode_3d);
        }
        return *d;
    }
    // Child names of a cell; "#" closes the list as an object file would.
    void set_children(int x, int y, const std::vector<std::string>& names) {
        world_cell& c = cell_at(x, y);
        c.child_count = 0;
        for (size_t i = 0; i < names.size(); ++i) {
            c.child_name[i] = intern_name(names[i]);
            if (names[i] == "#") c.child_count = static_cast<int8_t>(i);
        }
    }
    const object_instance& inst(int i) { return engine.object_instances.items.at(static_cast<size_t>(i)); }
    const enemy& foe(int i) { return engine.enemy_list.items.at(static_cast<size_t>(i)); }
    // Width, height and anchor of an instance or an enemy.
    template <class T>
    static std::vector<float> box(const T& o) {
        return {o.width, o.height, o.anchor_x, o.anchor_y};
    }
    // The score of every instance, in list order.
    static std::vector<int> scores() {
        std::vector<int> out;
        for (const object_instance& i : engine.object_instances.items) out.push_back(i.score);
        return out;
    }
    using Foes = std::vector<std::array<int, 4>>;
    // Position, move_x and definition of every enemy, in list order.
    static Foes foes() {
        Foes out;
        for (const enemy& e : engine.enemy_list.items) out.push_back({e.pos_x, e.pos_y, e.move_x, e.definition_index});
        return out;
    }

    TempDir dir;
    std::string image;
};

// The cells' references and the instance count of a whole seeded world.
std::vector<int32_t> place_world(int32_t seed) {
    random_seed(seed);
    for (int x = 0; x <= engine.world_grid.max_x; ++x)
        for (int y = 0; y <= engine.world_grid.max_y; ++y) place_cell_children(x, y);
    std::vector<int32_t> out;
    for (const world_cell& c : engine.world_grid.cells) {
        out.insert(out.end(), c.child_instance.begin(), c.child_instance.end());
        out.push_back(c.last_child_slot);
        out.push_back(c.collision_flag);
    }
    out.push_back(list_size(engine.object_instances));
    out.push_back(tw::random(1000000));  // the generator's position afterwards
    return out;
}

}  // namespace

// ===========================================================================
// Draw order and slots
// ===========================================================================

TEST_F(Placement, DefinitionThatNeverMatchesChangesNothingInASeededWorld) {
    const char* names[] = {"oak", "fern", "", "oak"};
    for (int x = 0; x <= 15; ++x)
        for (int y = 0; y <= 15; ++y) {
            int k = (x * 7 + y * 3) % 4;
            set_children(x, y, {names[k], names[(k + 1) % 4], "#"});
        }
    add_def("oak", 2).collision = 1;
    add_def("fern", 3);
    add_def("NOPE", 0);
    add_def("", 1);
    std::vector<int32_t> first = place_world(77);
    ASSERT_GT(list_size(engine.object_instances), 50);

    // Same world with never-matching types at the front and in the middle.
    list_clear(engine.object_instances);
    list_clear(engine.object_definitions);
    for (world_cell& c : engine.world_grid.cells) c.child_instance.fill(-1);
    add_def("pine", 0);
    add_def("oak", 2).collision = 1;
    add_def("Fern", 0);
    add_def("fern", 3);
    add_def("NOPE", 0);
    add_def("oak ", 0);
    add_def("", 1);
    EXPECT_EQ(place_world(77), first);
}

TEST_F(Placement, SameNamedDefinitionsEachPlacedSlotKeepsTheLast) {
    set_children(3, 4, {"oak", "#"});
    add_def("oak", 0).score = 1;
    add_def("fern", 0);
    add_def("oak", 0).score = 2;
    random_seed(1);
    place_cell_children(3, 4);
    EXPECT_EQ(scores(), (std::vector<int>{1, 2}));
    // Each remembers the definition that made it, not just one of its name.
    EXPECT_EQ(inst(0).definition_index, 0);
    EXPECT_EQ(inst(1).definition_index, 2);
    const world_cell& c = cell_at(3, 4);
    EXPECT_EQ(c.child_instance[0], 1);
    EXPECT_EQ(c.child_instance[1], -1);  // the "#" slot never receives an object
    EXPECT_EQ(c.last_child_slot, 0);
    EXPECT_EQ(c.collision_flag, 0);
}

TEST_F(Placement, OnlyTheFirstChildWithoutAClosingMark) {
    set_children(0, 0, {"oak", "oak", "oak"});
    add_def("oak", 0);
    place_cell_children(0, 0);
    EXPECT_EQ(list_size(engine.object_instances), 1);
    EXPECT_EQ(cell_at(0, 0).child_instance[1], -1);
}

TEST_F(Placement, NopeDensityAndCollisionFlag) {
    set_children(1, 1, {"NOPE", "never", "always", "rare", "#"});
    add_def("NOPE", 0);
    add_def("never", -1);
    add_def("always", 0).collision = 1;
    add_def("rare", 1000000);
    random_seed(9);
    place_cell_children(1, 1);

    const world_cell& c = cell_at(1, 1);
    EXPECT_EQ(c.child_instance[0], -1);
    EXPECT_EQ(c.child_instance[1], -1);
    EXPECT_EQ(c.child_instance[2], 0);
    EXPECT_EQ(c.collision_flag, 1);
    EXPECT_EQ(c.last_child_slot, 2);  // "rare" at one in a million did not come up

    // Placing again resets the flags before the slots are examined.
    set_children(1, 1, {"never", "#"});
    place_cell_children(1, 1);
    EXPECT_EQ(cell_at(1, 1).collision_flag, 0);
    EXPECT_EQ(cell_at(1, 1).last_child_slot, -1);
}

TEST_F(Placement, DrawsOnlyForMatchingNamesAndNonNegativeDensities) {
    set_children(2, 2, {"a", "b", "#"});
    add_def("NOPE", 0);
    add_def("a", -5);     // random of a negative number consumes no step
    add_def("x", 0);      // other names draw nothing
    add_def("b", 7);
    random_seed(5);
    place_cell_children(2, 2);
    const int32_t after = tw::random(1000000);
    random_seed(5);
    tw::random(7);  // the one draw for "b"
    EXPECT_EQ(tw::random(1000000), after);
}

TEST_F(Placement, InstancesAlwaysAppendedAtTheEnd) {
    set_children(5, 5, {"oak", "#"});
    add_def("oak", 0).score = 9;
    for (int i = 0; i < 3; ++i) {
        list_select(engine.object_instances, list_size(engine.object_instances) - 1);
        list_add(engine.object_instances)->score = 100 + i;
    }
    list_select(engine.object_instances, 0);  // a walk left the cursor at the front
    place_cell_children(5, 5);
    EXPECT_EQ(scores(), (std::vector<int>{100, 101, 102, 9}));
    EXPECT_EQ(cell_at(5, 5).child_instance[0], 3);
}

TEST_F(Placement, CellsOutsideTheGridGetNothing) {
    add_def("", 0);
    random_seed(3);
    place_cell_children(-1, 0);
    place_cell_children(0, 16);
    place_cell_children(16, 0);
    EXPECT_EQ(list_size(engine.object_instances), 0);
    const int32_t next = tw::random(1000000);
    random_seed(3);
    EXPECT_EQ(tw::random(1000000), next);
}

TEST_F(Placement, InstanceCopiesTheDefinition) {
    set_children(0, 0, {"gem", "#"});
    object_definition& d = add_def("gem", 0);
    d.gfx_show = 1;
    d.gfx_transparency = 180;
    d.collision = 2;
    d.x_mode1 = 3;
    d.x_mode2 = 4;
    d.kill_on_collision = 1;
    d.score = 250;
    d.count_to_score = 1;
    d.count_sound = "ping.ogg";
    d.use_count_sound = 1;
    d.is_player = 1;
    place_cell_children(0, 0);
    ASSERT_EQ(list_size(engine.object_instances), 1);
    const object_instance& i = inst(0);
    const std::vector<long> copied = {i.gfx_show, i.alpha, i.collision, i.x_mode1, i.x_mode2, i.kill_on_collision,
                                      i.score, i.count_to_score, i.use_count_sound, i.is_player};
    EXPECT_EQ(copied, (std::vector<long>{1, 180, 2, 3, 4, 1, 250, 1, 1, 1}));
    EXPECT_EQ(i.count_sound, "ping.ogg");
    EXPECT_EQ(cell_at(0, 0).collision_flag, 1);
}

// ===========================================================================
// Sizes and anchors
// ===========================================================================

TEST_F(Placement, DrawnSizeAndCentreAnchor) {
    set_children(0, 0, {"a", "b", "c", "#"});
    add_def("a", 0, false).hotspot = "CENTER";
    object_definition& b = add_def("b", 0, false);
    b.hotspot = "CENTER";
    b.center_field = 1;
    add_def("c", 0, false).hotspot = "center";  // words match exactly
    place_cell_children(0, 0);
    ASSERT_EQ(list_size(engine.object_instances), 3);
    ASSERT_TRUE(is_sprite3d(inst(0).sprite3d));
    EXPECT_EQ(box(inst(0)), (std::vector<float>{80, 40, 40, 20}));
    EXPECT_EQ(box(inst(1)), (std::vector<float>{80, 40, 56, 36}));
    EXPECT_EQ(box(inst(2)), (std::vector<float>{80, 40, 0, 0}));
    // Each instance has a 3D sprite of its own.
    EXPECT_NE(inst(0).sprite3d, inst(1).sprite3d);
}

TEST_F(Placement, FitToMatrixAndTheOtherHotspots) {
    set_children(0, 0, {"fit", "right", "bl", "#"});
    object_definition& f = add_def("fit", 0, false);
    f.fit_to_matrix = 1;
    f.hotspot = "BOTTOMRIGHT";
    add_def("right", 0, false).hotspot = "RIGHT";
    add_def("bl", 0, false).hotspot = "BOTTOMLEFT";
    place_cell_children(0, 0);
    ASSERT_EQ(list_size(engine.object_instances), 3);
    EXPECT_EQ(box(inst(0)), (std::vector<float>{32, 32, 32, 32}));
    EXPECT_EQ(box(inst(1)), (std::vector<float>{80, 40, 80, 0}));
    EXPECT_EQ(box(inst(2)), (std::vector<float>{80, 40, 0, 40}));
}

TEST_F(Placement, MissingImageStillHoldsItsSlot) {
    set_children(0, 0, {"ghost", "#"});
    object_definition& d = add_def("ghost", 0);  // no image: sprite 0
    d.hotspot = "CENTER";
    d.center_field = 1;
    d.fit_to_matrix = 1;
    d.collision = 1;
    place_cell_children(0, 0);
    ASSERT_EQ(list_size(engine.object_instances), 1);
    EXPECT_EQ(inst(0).sprite3d, 0);
    EXPECT_EQ(cell_at(0, 0).child_instance[0], 0);
    EXPECT_EQ(cell_at(0, 0).collision_flag, 1);
    EXPECT_EQ(box(inst(0)), (std::vector<float>{0, 0, 0, 0}));  // nothing to size or anchor
}

// ===========================================================================
// Enemies
// ===========================================================================

TEST_F(Placement, EnemyLimitTakenInColumnOrderThenListOrder) {
    engine.world_width = 3;
    engine.world_height = 3;
    engine.max_foe = 3;
    cell_at(1, 0).use_enemy = 1;
    cell_at(0, 2).use_enemy = 1;
    cell_at(2, 1).use_enemy = 1;
    cell_at(0, 1).use_enemy = 2;  // only exactly 1 allows enemies
    add_def("bat", 0).is_enemy = 1;
    add_def("tree", 0);
    add_def("NOPE", 0).is_enemy = 1;  // the marker does not stop enemies
    engine.object_definitions.items[0].move_x = 1;
    engine.object_definitions.items[2].move_x = 2;
    spawn_enemies();
    EXPECT_EQ(foes(), (Foes{{0, 64, 1, 0}, {0, 64, 2, 2}, {32, 0, 1, 0}}));
}

TEST_F(Placement, EnemyDrawsAndLimits) {
    engine.world_width = 15;
    engine.world_height = 15;
    for (world_cell& c : engine.world_grid.cells) c.use_enemy = 1;
    add_def("tree", 0);
    add_def("bat", 3).is_enemy = 1;

    engine.max_foe = 0;  // not configured: never an enemy, never a draw
    random_seed(11);
    spawn_enemies();
    EXPECT_EQ(list_size(engine.enemy_list), 0);
    const int32_t untouched = tw::random(1000000);
    random_seed(11);
    EXPECT_EQ(tw::random(1000000), untouched);

    // Only enemy types draw: the count matches a replay of the bat's draws.
    engine.max_foe = 1000;
    random_seed(11);
    spawn_enemies();
    random_seed(11);
    int expected = 0;
    for (int k = 0; k < 256; ++k) expected += tw::random(3) == 0 ? 1 : 0;
    EXPECT_EQ(list_size(engine.enemy_list), expected);
}

TEST_F(Placement, EnemyPositionsRoundHalfToEvenAndWorldBounds) {
    engine.resolution = 33.5f;
    engine.world_width = 40;  // beyond the grid: those cells are never visited
    engine.world_height = 3;
    engine.max_foe = 10;
    cell_at(1, 3).use_enemy = 1;
    cell_at(3, 1).use_enemy = 1;
    cell_at(3, 5).use_enemy = 1;  // below world_height
    add_def("bat", 0).is_enemy = 1;
    spawn_enemies();
    // 33.5 -> 34, 100.5 -> 100.
    EXPECT_EQ(foes(), (Foes{{34, 100, 0, 0}, {100, 34, 0, 0}}));
}

TEST_F(Placement, EnemyCopiesSizeAndAnchorsWithoutFitting) {
    engine.world_width = 0;
    engine.world_height = 0;
    engine.max_foe = 5;
    cell_at(0, 0).use_enemy = 1;
    object_definition& d = add_def("bat", 0, false);
    d.is_enemy = 1;
    d.fit_to_matrix = 1;  // ignored for enemies
    d.hotspot = "BOTTOMRIGHT";
    d.center_field = 1;
    d.gfx_show = 1;
    d.gfx_transparency = 99;
    d.collision = 1;
    d.x_mode1 = 2;
    d.x_mode2 = 3;
    d.random_move = 4;
    d.move_y = 5;
    d.velo_x = 6;
    d.velo_y = 7;
    d.ai_level = 3;
    d.d_move = 8;
    d.change_direction = 9;
    object_definition& ghost = add_def("ghost", 0);  // no image: no liveness check
    ghost.is_enemy = 1;
    ghost.hotspot = "CENTER";
    ghost.center_field = 1;
    spawn_enemies();
    ASSERT_EQ(list_size(engine.enemy_list), 2);
    const enemy& e = foe(0);
    EXPECT_TRUE(is_sprite3d(e.sprite3d));
    EXPECT_EQ(box(e), (std::vector<float>{80, 40, 96, 56}));
    const std::vector<long> copied = {e.gfx_show, e.alpha,  e.collision, e.x_mode1, e.x_mode2,         e.random_move,
                                      e.move_y,   e.velo_x, e.velo_y,    e.ai_level, e.d_move, e.change_direction};
    EXPECT_EQ(copied, (std::vector<long>{1, 99, 1, 2, 3, 4, 5, 6, 7, 3, 8, 9}));
    EXPECT_EQ(e.walk_direction, 0);
    EXPECT_EQ(foe(1).sprite3d, 0);
    EXPECT_EQ(box(foe(1)), (std::vector<float>{0, 0, 16, 16}));
}
