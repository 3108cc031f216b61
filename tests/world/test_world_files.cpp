// Saved worlds: the topography file's cell order and types, the opacity file,
// files shorter or longer than their size lines, and refused files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assets/assets.h"
#include "runtime/media_runtime.h"
#include "world/world.h"
#include "world/world_fixture.h"

using namespace tw;
using tw::test::Size;
using tw::test::TempDir;
using tw::test::crlf;
using tw::test::world_size;

namespace {

class WorldFiles : public ::testing::Test {
protected:
    void SetUp() override {
        set_start_values();
        create_world_grid(512, 512);
        engine.screen_width = 800.0f;
        engine.screen_height = 600.0f;
        engine.resolution = 32.0f;
        engine.app_entry = dir.path + "maps/";
        engine.app_start = "w";
        engine.rgb_code_path = dir.path + "codes/";
        engine.window_mode = 0;
    }
    void TearDown() override {
        for (world_cell& c : engine.world_grid.cells) {
            if (c.cell_sprite3d != 0) free_sprite3d(c.cell_sprite3d);
        }
        for (object_instance& i : engine.object_instances.items) free_sprite3d(i.sprite3d);
        list_clear(engine.object_instances);
        engine.object_file_cache.clear();
    }

    // Topography file: a title, the two size lines, two ignored lines, then
    // three lines per record.
    std::string topography(const std::string& w, const std::string& h,
                           const std::vector<std::string>& record_lines) {
        std::vector<std::string> lines = {"saved world", w, h, "x", "y"};
        lines.insert(lines.end(), record_lines.begin(), record_lines.end());
        return dir.write("maps/w.ai42", crlf(lines));
    }
    void opacity(const std::vector<std::string>& values) {
        std::vector<std::string> lines = {"1", "2", "3", "4", "5"};
        lines.insert(lines.end(), values.begin(), values.end());
        dir.write("maps/w.red", crlf(lines));
    }
    // The object file of a cell type.
    void object_file(const std::string& type, const std::vector<std::string>& lines) {
        dir.write("codes/w/" + type, crlf(lines));
    }
    std::string type_of(int x, int y) { return name_text(cell_at(x, y).cell_type); }

    TempDir dir;
};

}  // namespace

// ===========================================================================
// Topography
// ===========================================================================

TEST_F(WorldFiles, RecordsRunColumnByColumn) {
    std::string path = topography("1", "2", {"1", "0", "0", "1", "0", "1", "1", "0", "2",
                                             "1", "1", "0", "1", "1", "1", "1", "1", "2"});
    opacity({"255", "255", "255", "255", "255", "255"});
    object_file("100", {"USECOLLISION", "1"});
    load_saved_world(path);

    EXPECT_EQ(world_size(), Size(1, 2));
    EXPECT_EQ(type_of(0, 0), "100");
    EXPECT_EQ(type_of(0, 1), "101");
    EXPECT_EQ(type_of(0, 2), "102");
    EXPECT_EQ(type_of(1, 0), "110");
    EXPECT_EQ(type_of(1, 1), "111");
    EXPECT_EQ(type_of(1, 2), "112");
    for (int x = 0; x <= 1; ++x)
        for (int y = 0; y <= 2; ++y) {
            EXPECT_EQ(cell_at(x, y).state, 1);
            EXPECT_EQ(cell_at(x, y).alpha, 255);
        }
    EXPECT_EQ(cell_at(0, 3).state, 0);
    EXPECT_EQ(cell_at(2, 0).state, 0);
    // Outside the window mode no object file is read and nothing is placed.
    EXPECT_EQ(cell_at(0, 0).use_collision, 0);
    EXPECT_EQ(cell_at(0, 0).cell_sprite3d, 0);
    EXPECT_TRUE(engine.object_file_cache.empty());
    // One progress tick per record; the view extents follow the screen.
    EXPECT_EQ(engine.load_flip_counter, 6);
    EXPECT_FLOAT_EQ(engine.view_cells_x, 25.0f);
    EXPECT_FLOAT_EQ(engine.view_cells_y, 19.0f);
    // Loading keeps the grid it found.
    EXPECT_EQ(engine.world_grid.max_x, 512);
    EXPECT_EQ(engine.world_grid.max_y, 512);
}

TEST_F(WorldFiles, ColourCodesJoinedAsTheyStand) {
    std::string path = topography("0", "1", {"12", "200", "7", "012", "200", "007"});
    load_saved_world(path);
    EXPECT_EQ(type_of(0, 0), "122007");
    EXPECT_EQ(type_of(0, 1), "012200007");
}

TEST_F(WorldFiles, WindowModeLoadsEachCellsObjectFile) {
    engine.window_mode = 1;
    std::string path = topography("1", "0", {"1", "2", "3", "4", "5", "6"});
    object_file("123", {"USECOLLISION", "1", "TRANSPARENCY", "55"});
    object_file("456", {"USEENEMY", "1", "TRANSPARENCY", "0"});
    // A stale entry from an earlier build must not be used for this world.
    engine.object_file_cache[engine.rgb_code_path + "w\\456"] = object_file_contents{};
    opacity({"10"});
    load_saved_world(path);
    EXPECT_EQ(cell_at(0, 0).use_collision, 1);
    EXPECT_EQ(cell_at(1, 0).use_enemy, 1);
    EXPECT_EQ(cell_at(1, 0).use_collision, 0);
    // The opacity file overrides the first cell; the second keeps 255 - 0.
    EXPECT_EQ(cell_at(0, 0).alpha, 10);
    EXPECT_EQ(cell_at(1, 0).alpha, 255);
}

TEST_F(WorldFiles, ShortFilesStopAtTheirEnd) {
    // Three full records and one cut short after its red line.
    std::string path = topography("2", "2", {"1", "1", "1", "2", "2", "2", "3", "3", "3", "4"});
    opacity({"7", "8"});
    load_saved_world(path);
    EXPECT_EQ(type_of(0, 0), "111");
    EXPECT_EQ(type_of(1, 0), "4");
    EXPECT_EQ(cell_at(1, 0).state, 1);
    EXPECT_EQ(cell_at(1, 1).state, 0);
    EXPECT_EQ(cell_at(2, 2).state, 0);
    EXPECT_EQ(cell_at(0, 0).alpha, 7);
    EXPECT_EQ(cell_at(0, 1).alpha, 8);
    EXPECT_EQ(cell_at(0, 2).alpha, 0);
    EXPECT_EQ(engine.load_flip_counter, 4);
}

TEST_F(WorldFiles, LinesAfterTheLastRecordAreNeverRead) {
    std::string path = topography("0", "1", {"1", "1", "1", "2", "2", "2", "3", "3", "3", "4", "4", "4"});
    opacity({"5", "6", "7", "8"});
    load_saved_world(path);
    EXPECT_EQ(type_of(0, 1), "222");
    EXPECT_EQ(cell_at(1, 0).state, 0);
    EXPECT_EQ(cell_at(0, 2).state, 0);
    EXPECT_EQ(cell_at(1, 0).alpha, 0);
    EXPECT_EQ(cell_at(0, 2).alpha, 0);
    EXPECT_EQ(cell_at(0, 1).alpha, 6);
}

TEST_F(WorldFiles, HeaderOnlyStillReadsOneEmptyRecord) {
    std::string path = topography("5", "5", {});
    load_saved_world(path);
    EXPECT_EQ(cell_at(0, 0).state, 1);
    EXPECT_EQ(type_of(0, 0), "");
    EXPECT_EQ(cell_at(0, 1).state, 0);
    // Size lines without digits make a one-cell world.
    path = topography("none", "", {"9", "9", "9"});
    load_saved_world(path);
    EXPECT_EQ(world_size(), Size(0, 0));
}

TEST_F(WorldFiles, MissingOpacityFileHidesEveryCellOfTheWorld) {
    engine.window_mode = 1;
    std::vector<std::string> records;
    for (int k = 0; k < 12; ++k) records.insert(records.end(), {"9", "9", "9"});
    std::string path = topography("3", "2", records);
    object_file("999", {"TRANSPARENCY", "0"});
    cell_at(4, 0).alpha = 77;  // outside the world: untouched
    cell_at(0, 3).alpha = 78;
    load_saved_world(path);  // no w.red beside it
    for (int x = 0; x <= 3; ++x)
        for (int y = 0; y <= 2; ++y) {
            EXPECT_EQ(cell_at(x, y).alpha, 0) << x << "," << y;
            EXPECT_EQ(cell_at(x, y).state, 1);
        }
    EXPECT_EQ(cell_at(4, 0).alpha, 77);
    EXPECT_EQ(cell_at(0, 3).alpha, 78);
}

TEST_F(WorldFiles, LargeWorldGrowsTheGrid) {
    std::vector<std::string> records;
    for (int k = 0; k < 700 * 2; ++k) records.insert(records.end(), {"1", "2", "3"});
    std::string path = topography("699", "1", records);
    opacity({});
    load_saved_world(path);
    EXPECT_GE(engine.world_grid.max_x, 699);
    EXPECT_GE(engine.world_grid.max_y, 512);
    EXPECT_EQ(type_of(699, 1), "123");
    EXPECT_EQ(cell_at(699, 1).state, 1);
}

TEST_F(WorldFiles, ReadersStopOnTheirOwnCountsWithoutAFile) {
    cell_at(1, 1).alpha = 50;
    cell_at(2, 0).alpha = 60;
    load_opacity(0, 1, 1);
    EXPECT_EQ(cell_at(1, 1).alpha, 0);
    EXPECT_EQ(cell_at(2, 0).alpha, 60);
}

// ===========================================================================
// Refused files end the program with the topography message
// ===========================================================================

TEST_F(WorldFiles, MissingOrOversizedTopographyIsFatal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(load_saved_world(dir.path + "maps/none.ai42"), ::testing::ExitedWithCode(1),
                "Could not open topographic data");
    std::string wide = topography("1025", "3", {"1", "1", "1"});
    EXPECT_EXIT(load_saved_world(wide), ::testing::ExitedWithCode(1), "Could not open topographic data");
    std::string negative = topography("3", "-1", {"1", "1", "1"});
    EXPECT_EXIT(load_saved_world(negative), ::testing::ExitedWithCode(1),
                "Could not open topographic data");
}
