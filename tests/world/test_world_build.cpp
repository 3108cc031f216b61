// World building: the sizes drawn at start-up and at a rebuild, the grid's
// capacity, reproducible world numbers and the emptying of a world.
#include <gtest/gtest.h>

#include <algorithm>

#include "world/world.h"
#include "world/world_fixture.h"

namespace tw::test {
namespace {

// The start-up size for a base and seed, drawn the way a build must: seeded
// twice, then width draws before height draws.
std::pair<int32_t, int32_t> startup_size(int32_t seed, int32_t base_w, int32_t base_h) {
    random_seed(static_cast<int32_t>(random_seed(seed)));
    int32_t w = random(base_w / 2);
    w += random(base_w / 2);
    int32_t h = random(base_h / 2);
    h += random(base_h / 2);
    return {w, h};
}

TEST(WorldBuild, StartupSizeComesFromTwoSeedingsAndFourDraws) {
    for (int32_t seed : {0, 1, 7, 12345, -99}) {
        WorldFolder f;
        f.write_labyrinth_types();
        engine.world_random = seed;
        build_world(f.base_file("10", "6"));
        auto [w, h] = startup_size(seed, 10, 6);
        EXPECT_EQ(engine.world_base_width, 10);
        EXPECT_EQ(engine.world_base_height, 6);
        EXPECT_EQ(world_size(), Size(w, h)) << "seed " << seed;
        EXPECT_LE(engine.world_width, 10);
        EXPECT_LE(engine.world_height, 6);
        EXPECT_EQ(engine.move_step, 32);
        // Every cell of the world is loaded.
        for (int32_t x = 0; x <= engine.world_width; ++x)
            for (int32_t y = 0; y <= engine.world_height; ++y) ASSERT_EQ(cell_at(x, y).state, 1);
    }
}

TEST(WorldBuild, BaseLinesAreNotValidated) {
    WorldFolder f;
    // Not a number counts as 0, a one-column base gives a one-column world,
    // and a negative base counts as 0 instead of giving random's error value.
    build_world(f.base_file("wide", "1"));
    EXPECT_EQ(world_size(), Size(0, 0));
    build_world(f.base_file("-40", "-7"));
    EXPECT_EQ(engine.world_base_width, -40);
    EXPECT_EQ(world_size(), Size(0, 0));
    // A rebuild of such a base yields the world number as its size, and
    // world 0 gets the map size.
    f.rebuild(3);
    EXPECT_EQ(world_size(), Size(3, 3));
    f.map_size(40, 50);
    f.rebuild(0);
    EXPECT_EQ(world_size(), Size(40, 50));
}

TEST(WorldBuild, RebuildSizeIsLimitedByTheMapSize) {
    WorldFolder f;
    f.base_size(10, 10);
    f.map_size(9, 1024);
    engine.world_number = 2;
    bool clamped = false, unclamped = false;
    for (int32_t seed = 0; seed < 40; ++seed) {
        engine.world_random = seed;
        rebuild_world();
        random_seed(seed + 2);
        int32_t drawn_w = random(5) + 5 + 2;
        int32_t drawn_h = random(5) + 5 + 2;
        EXPECT_EQ(world_size(), Size(std::min(drawn_w, 9), drawn_h));
        clamped |= drawn_w > 9;
        unclamped |= drawn_w < 9;
    }
    EXPECT_TRUE(clamped);
    EXPECT_TRUE(unclamped);
    // MAPSIZE 0 makes every rebuilt world one cell.
    f.map_size(0, 0);
    f.rebuild(0);
    EXPECT_EQ(world_size(), Size(0, 0));
}

TEST(WorldBuild, NegativeWorldNumbersRebuildWorldZero) {
    WorldFolder f;
    f.write_labyrinth_types();
    f.base_size(30, 20);
    engine.world_random = 5;
    f.rebuild(0);
    std::string world0 = world_picture();
    f.rebuild(-3);
    EXPECT_EQ(engine.world_number, 0);
    EXPECT_EQ(world_picture(), world0);
}

TEST(WorldBuild, AWorldNumberAlwaysGivesTheSameWorldButStartupWorldIsItsOwn) {
    WorldFolder f;
    f.write_labyrinth_types();
    f.cursor_images(1);
    engine.world_random = 77;
    engine.lab_switch = 3;
    build_world(f.base_file("40", "30"));
    std::string startup = world_picture();

    f.rebuild(3);
    std::string world3 = world_picture();
    float start_x = list_at(engine.cursor_sprites, 0)->pos_x;
    f.rebuild(4);
    EXPECT_NE(world_picture(), world3);
    f.rebuild(3);
    EXPECT_EQ(world_picture(), world3);
    ASSERT_EQ(list_size(engine.cursor_sprites), 1);
    EXPECT_EQ(list_at(engine.cursor_sprites, 0)->pos_x, start_x);

    f.rebuild(0);
    EXPECT_NE(world_picture(), startup);
}

TEST(WorldBuild, GridIsSizedToTheWorldButNeverBelowTheMinimum) {
    WorldFolder f;
    f.base_size(2, 2);
    f.rebuild(1);
    EXPECT_EQ(engine.world_grid.max_x, 256);
    EXPECT_EQ(engine.world_grid.max_y, 256);

    f.base_size(1200, 600);
    rebuild_world();
    EXPECT_GE(engine.world_width, 601);
    EXPECT_GE(engine.world_grid.max_x, engine.world_width);
    EXPECT_GE(engine.world_grid.max_y, engine.world_height);
    EXPECT_LE(engine.world_grid.max_x, max_world_index);
    // The last cell of the world is a real, loaded cell.
    EXPECT_TRUE(cell_in_grid(engine.world_width, engine.world_height));
    EXPECT_EQ(cell_at(engine.world_width, engine.world_height).state, 1);
    // Outside the grid reads see a blocking empty cell.
    EXPECT_EQ(cell_or_blocker(engine.world_grid.max_x + 1, 0).use_collision, 1);
}

TEST(WorldBuildDeath, StartupRefusesAWorldLargerThanTheEngineHandles) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    WorldFolder f;
    std::string base = f.base_file("5000", "10");
    EXPECT_EXIT(
        {
            engine.self_create_base_path = base;
            build_world(base);
        },
        ::testing::ExitedWithCode(1), "Could not open:");
}

TEST(WorldBuildDeath, MissingBaseFileIsFatal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    WorldFolder f;
    std::string base = f.dir.path + "no-such-base.txt";
    EXPECT_EXIT(
        {
            engine.self_create_base_path = base;
            build_world(base);
        },
        ::testing::ExitedWithCode(1), "Could not open:.*no-such-base");
}

TEST(WorldBuild, ResetEmptiesTheWorld) {
    WorldFolder f;
    f.write_labyrinth_types();
    f.cursor_images(2);
    engine.world_random = 11;
    build_world(f.base_file("20", "20"));
    ASSERT_GT(list_size(engine.floor_cells), 0);
    engine.view_origin_x = 4;
    engine.view_origin_y = 2;
    list_add(engine.object_instances);

    reset_world();
    EXPECT_EQ(engine.view_origin_x, 0);
    EXPECT_EQ(engine.view_origin_y, 0);
    EXPECT_EQ(list_size(engine.floor_cells), 0);
    EXPECT_EQ(list_size(engine.object_instances), 0);
    EXPECT_EQ(cell_at(1, 1).state, 0);
    EXPECT_EQ(cell_at(1, 1).cell_type, 0);
    EXPECT_EQ(cell_at(1, 1).gfx_name, 0);

    clear_cursor_sprites();
    EXPECT_EQ(list_size(engine.cursor_sprites), 0);
    list_add(engine.enemy_list);
    clear_enemies();
    EXPECT_EQ(list_size(engine.enemy_list), 0);
}

TEST(WorldBuild, EditedObjectFilesTakeEffectAtTheNextRebuild) {
    WorldFolder f;
    f.write_labyrinth_types();
    f.base_size(8, 8);
    f.rebuild(1);
    EXPECT_EQ(name_text(cell_at(0, 0).gfx_name), "LAB_WALL.png");

    // What the build read is let go when it ends...
    EXPECT_TRUE(engine.object_file_cache.empty());
    EXPECT_TRUE(engine.object_file_cache.by_type.empty());
    f.object_file("LAB_WALL", {"GFXNAME", "stone.png"});
    // ...and the next rebuild reads the edited file.
    rebuild_world();
    EXPECT_EQ(name_text(cell_at(0, 0).gfx_name), "stone.png");
}

TEST(WorldBuild, ObjectFilePathJoinsFolderWorldNameAndType) {
    set_start_values();
    engine.rgb_code_path = "Data/rgb/";
    engine.app_start = "forest";
    world_cell c;
    c.cell_type = intern_name("LAB_GREEN");
    EXPECT_EQ(object_file_path(c), "Data/rgb/forest\\LAB_GREEN");
}

TEST(WorldBuild, ViewCellsRoundUp) {
    set_start_values();
    engine.screen_width = 1000;
    engine.screen_height = 768;
    engine.resolution = 32;
    compute_view_cells();
    EXPECT_EQ(engine.view_cells_x, 32.0f);  // 31.25 rounded up
    EXPECT_EQ(engine.view_cells_y, 24.0f);
}

}  // namespace
}  // namespace tw::test
