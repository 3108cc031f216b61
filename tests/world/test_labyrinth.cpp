// The labyrinth generator: where the walks may carve, the floor list and the
// player's start cell, the edge types and a fixed labyrinth for a fixed seed.
#include <gtest/gtest.h>

#include "assets/assets.h"
#include "world/world.h"
#include "world/world_fixture.h"

namespace tw::test {
namespace {

// Runs the five passes on an emptied grid, as a build does.
void generate(int32_t w, int32_t h) {
    engine.world_width = w;
    engine.world_height = h;
    reset_world();
    fill_walls(w, h);
    carve_floor(w, h);
    carve_green(w, h);
    carve_water(w, h);
    mark_edges();
}

bool carved(int32_t x, int32_t y) { return cell_at(x, y).cell_type != intern_name("LAB_WALL"); }

TEST(Labyrinth, WalksStayInsideTheirBounds) {
    WorldFolder f;
    for (int32_t lab_switch : {0, 1, 5}) {
        for (auto [w, h] : {std::pair{4, 4}, {9, 5}, {25, 17}, {40, 40}}) {
            random_seed(lab_switch * 1000 + w);
            engine.lab_switch = lab_switch;
            generate(w, h);
            for (int32_t x = 0; x <= w; ++x) {
                for (int32_t y = 0; y <= h; ++y) {
                    ASSERT_EQ(cell_at(x, y).state, 1);
                    bool inside = x >= 1 && y >= 1 && x <= w - 2 && y <= h - 2;
                    if (!inside) {
                        ASSERT_FALSE(carved(x, y)) << x << "," << y << " in " << w << "x" << h;
                    }
                }
            }
            // The walk starts at (1, 1) and never returns to column 1 or row 1
            // once it has left them, but the start cell is always carved.
            EXPECT_TRUE(carved(1, 1));
        }
    }
}

TEST(Labyrinth, NarrowWorldsKeepTheWalkInColumnOne) {
    WorldFolder f;
    random_seed(3);
    generate(3, 12);
    for (int32_t x = 0; x <= 3; ++x)
        for (int32_t y = 0; y <= 12; ++y)
            if (x != 1) {
                EXPECT_FALSE(carved(x, y)) << x << "," << y;
            }
    EXPECT_TRUE(carved(1, 5));  // 48 steps up and down a ten-cell column reach it
}

TEST(Labyrinth, NegativeLabSwitchCarvesOnlyTheStartCell) {
    WorldFolder f;
    f.write_labyrinth_types();
    engine.lab_switch = -1;
    generate(20, 20);
    for (int32_t x = 0; x <= 20; ++x)
        for (int32_t y = 0; y <= 20; ++y) EXPECT_EQ(carved(x, y), x == 1 && y == 1);
    EXPECT_EQ(name_text(cell_at(1, 1).cell_type), "LAB_FLOOR");
    ASSERT_EQ(list_size(engine.floor_cells), 1);
    EXPECT_EQ(list_at(engine.floor_cells, 0)->x, 1);
    EXPECT_EQ(list_at(engine.floor_cells, 0)->y, 1);
}

TEST(Labyrinth, OneColumnOrOneRowWorldsStayWallWithoutAPlayer) {
    WorldFolder f;
    f.cursor_images(1);
    for (auto [w, h] : {std::pair{0, 9}, {9, 0}, {0, 0}}) {
        clear_cursor_sprites();
        generate(w, h);
        for (int32_t x = 0; x <= w; ++x)
            for (int32_t y = 0; y <= h; ++y) {
                EXPECT_FALSE(carved(x, y));
                EXPECT_EQ(cell_at(x, y).state, 1);
            }
        EXPECT_EQ(list_size(engine.floor_cells), 0);
        EXPECT_EQ(list_size(engine.cursor_sprites), 0);
    }
}

TEST(Labyrinth, EveryStepDrawsANewDirectionWhenLabSwitchIsZero) {
    WorldFolder f;
    engine.lab_switch = 0;
    engine.world_width = 7;
    engine.world_height = 6;
    reset_world();
    fill_walls(7, 6);
    random_seed(42);
    carve_floor(7, 6);
    int32_t next = random(1000000);
    // Two draws per step, 7 * 6 steps; no object definitions, so placement
    // draws nothing.
    random_seed(42);
    for (int i = 0; i < 2 * 7 * 6; ++i) random(3);
    EXPECT_EQ(next, random(1000000));
}

TEST(Labyrinth, FloorListAndPlayerStartFollowTheCarving) {
    WorldFolder f;
    f.write_labyrinth_types();
    f.cursor_images(3);
    engine.lab_switch = 2;
    engine.use_extended_topo = 0;
    random_seed(9);
    generate(30, 20);

    List<floor_cell>& floors = engine.floor_cells;
    ASSERT_GT(list_size(floors), 1);
    for (int i = 0; i < list_size(floors); ++i) {
        const floor_cell& r = *list_at(floors, i);
        EXPECT_EQ(name_text(r.cell_type), "LAB_FLOOR");
        // Green and water never overwrite floor.
        EXPECT_EQ(name_text(cell_at(r.x, r.y).cell_type), "LAB_FLOOR");
        for (int j = 0; j < i; ++j)  // a cell is carved once
            ASSERT_FALSE(list_at(floors, j)->x == r.x && list_at(floors, j)->y == r.y);
    }
    // Three images: three figures, all on the first floor cell.
    const floor_cell& first = *list_at(floors, 0);
    ASSERT_EQ(list_size(engine.cursor_sprites), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(list_at(engine.cursor_sprites, i)->pos_x, first.x * 32.0f);
        EXPECT_EQ(list_at(engine.cursor_sprites, i)->pos_y, first.y * 32.0f);
    }
    // The walks left something of each kind in a world this size.
    std::string picture = world_picture();
    EXPECT_NE(picture.find('g'), std::string::npos);
    EXPECT_NE(picture.find('~'), std::string::npos);
    // Carved cells carry their own object file's contents.
    EXPECT_EQ(name_text(cell_at(first.x, first.y).gfx_name), "LAB_FLOOR.png");
    EXPECT_EQ(cell_at(first.x, first.y).use_collision, 0);
    EXPECT_EQ(cell_at(0, 0).use_collision, 1);
}

// A hand-made neighbourhood: floor cells listed in floor_cells, neighbours set
// directly.
struct EdgeScene {
    WorldFolder f;
    EdgeScene() {
        f.write_labyrinth_types();
        engine.world_width = engine.world_height = 10;
        reset_world();
        fill_walls(10, 10);
    }
    void set(int32_t x, int32_t y, const char* type) { cell_at(x, y).cell_type = intern_name(type); }
    void floor(int32_t x, int32_t y) {
        set(x, y, "LAB_FLOOR");
        floor_cell* r = list_add(engine.floor_cells);
        r->x = x;
        r->y = y;
        r->cell_type = intern_name("LAB_FLOOR");
    }
    std::string type(int32_t x, int32_t y) { return name_text(cell_at(x, y).cell_type); }
};

TEST(Labyrinth, EdgeTypesFromLeftThenUpperNeighbours) {
    EdgeScene s;
    engine.use_extended_topo = 1;
    s.floor(2, 2);  // wall left, water above: the upper mark wins
    s.set(2, 1, "LAB_WATER");
    s.floor(5, 5);  // green left, floor above
    s.set(4, 5, "LAB_GREEN");
    s.floor(5, 4);
    s.set(4, 4, "LAB_FLOOR");
    s.set(5, 3, "LAB_GREEN");
    s.floor(8, 8);  // water left, wall above
    s.set(7, 8, "LAB_WATER");
    mark_edges();
    EXPECT_EQ(s.type(2, 2), "LAB_WATER_S");
    EXPECT_EQ(s.type(5, 5), "LAB_GREEN_E");
    EXPECT_EQ(s.type(5, 4), "LAB_GREEN_S");
    EXPECT_EQ(s.type(8, 8), "LAB_WALL_S");
    EXPECT_EQ(name_text(cell_at(2, 2).gfx_name), "LAB_WATER_S.png");
}

TEST(Labyrinth, EdgeMarkingComparesAgainstFloorNotTheCurrentType) {
    EdgeScene s;
    engine.use_extended_topo = 1;
    // (3, 3) is floor with floor to its left and above, but (2, 3) is marked
    // in the first pass before (3, 3) is looked at, so (3, 3) is loaded again.
    s.set(1, 3, "LAB_GREEN");
    s.floor(2, 3);
    s.floor(3, 3);
    s.set(3, 2, "LAB_FLOOR");
    s.set(2, 2, "LAB_FLOOR");
    cell_at(3, 3).gfx_name = intern_name("stale.png");
    mark_edges();
    EXPECT_EQ(s.type(2, 3), "LAB_GREEN_E");
    EXPECT_EQ(s.type(3, 3), "LAB_FLOOR");
    EXPECT_EQ(name_text(cell_at(3, 3).gfx_name), "LAB_FLOOR.png");
}

TEST(Labyrinth, NoEdgesWithoutExtendedTopography) {
    EdgeScene s;
    engine.use_extended_topo = 0;
    s.floor(2, 2);
    s.set(2, 1, "LAB_WATER");
    mark_edges();
    EXPECT_EQ(s.type(2, 2), "LAB_FLOOR");
    engine.use_extended_topo = 2;  // only 1 switches the pass on
    mark_edges();
    EXPECT_EQ(s.type(2, 2), "LAB_FLOOR");
}

TEST(Labyrinth, FixedSeedGivesAFixedLabyrinth) {
    WorldFolder f;
    engine.lab_switch = 2;
    engine.use_extended_topo = 1;
    random_seed(2024);
    generate(16, 10);
    // # wall, . floor, g green, ~ water; edges against wall, green, water:
    // e f h from the left, s t u from above.
    EXPECT_EQ(world_picture(),
              "#################\n"
              "#sssssgggggg#####\n"
              "#~h...g#ggttsgg##\n"
              "#~h#~hg#g#e.ggg##\n"
              "#~hsu.tsts..ggg##\n"
              "#~~h...#ggf.ttt##\n"
              "#~~h...gggf~ggf##\n"
              "#~~~h..~ggfgggf##\n"
              "##~gf..utt.tgt.##\n"
              "#################\n"
              "#################\n");
}

}  // namespace
}  // namespace tw::test
