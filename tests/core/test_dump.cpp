#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/core.h"
#include "support/test_support.h"

using namespace tw;
using tw::test::TempDir;

namespace {

std::vector<std::string> lines_of(const std::string& s) {
    std::vector<std::string> lines;
    std::istringstream in(s);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace

TEST(Dump, FieldsListsAndCellsInOrder) {
    TempDir dir;
    set_start_values();
    engine.world_width = 2;
    engine.world_height = 1;
    engine.screen_width = 1280;
    engine.display_scale = 1.25f;
    engine.resolution = 40;
    engine.full_screen_zoom = 0.1f;  // not exact in 32 bits: nine digits show it
    engine.time_ticks = 7;
    engine.window_mode = 1;
    create_world_grid(512, 512);
    *list_add(engine.cursor_sprites) = {.pos_x = 12.5f, .pos_y = -3, .step_counter = 4, .heading = direction_idle};
    *list_add(engine.enemy_list) = {.pos_x = 100, .pos_y = 200, .ai_level = 2, .walk_direction = direction_left};
    list_add(engine.object_instances);
    list_add(engine.object_instances);
    world_cell& c = cell_at(1, 0);
    c.state = 1;
    c.alpha = 255;
    c.use_collision = 1;
    c.use_enemy = 1;
    c.collision_flag = 1;
    c.last_child_slot = 2;
    c.child_instance = {5, -1, 6, -1, -1, -1, -1, -1};
    c.cell_type = intern_name("floor");

    write_engine_dump(dir.path + "dump.txt");
    std::string contents = tw::test::read_file(dir.path + "dump.txt");
    ASSERT_FALSE(contents.empty());
    EXPECT_EQ(contents.find('\r'), std::string::npos);
    std::vector<std::string> lines = lines_of(contents);

    const std::vector<std::string> names = {
        "loop_state", "world_number", "built_world_number", "world_width", "world_height",
        "world_base_width", "world_base_height", "screen_width", "screen_height", "display_scale",
        "resolution", "view_origin_x", "view_origin_y", "view_cells_x", "view_cells_y", "move_step",
        "shown_score", "target_score", "time_ticks", "frame_cycle_counter", "joystick_present",
        "window_mode", "use_self_create_base", "map_size_x", "map_size_y", "cursor_speed",
        "cursor_speed_inverse", "max_foe", "lab_switch", "use_extended_topo", "world_random",
        "multitask", "full_screen_zoom", "res_base_w", "frame_cycle_length"};
    ASSERT_EQ(lines.size(), names.size() + 3 + 6);
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(lines[i].substr(0, lines[i].find(' ')), names[i]) << i;
    EXPECT_EQ(lines[0], "loop_state 18");
    EXPECT_EQ(lines[7], "screen_width 1280");
    EXPECT_EQ(lines[9], "display_scale 1.25");
    EXPECT_EQ(lines[10], "resolution 40");
    EXPECT_EQ(lines[18], "time_ticks 7");
    EXPECT_EQ(lines[21], "window_mode 1");
    EXPECT_EQ(lines[32], "full_screen_zoom 0.100000001");
    EXPECT_EQ(lines[34], "frame_cycle_length 60");

    size_t n = names.size();
    EXPECT_EQ(lines[n], "cursor 0 12.5 -3 17 4");
    EXPECT_EQ(lines[n + 1], "enemy 0 100 200 14 2");
    EXPECT_EQ(lines[n + 2], "instances 2");
    // Column by column; an empty cell type leaves the last field empty.
    EXPECT_EQ(lines[n + 3], "cell 0 0 0 0 0 0 0 0 0,0,0,0,0,0,0,0 ");
    EXPECT_EQ(lines[n + 4], "cell 0 1 0 0 0 0 0 0 0,0,0,0,0,0,0,0 ");
    EXPECT_EQ(lines[n + 5], "cell 1 0 1 255 1 1 1 2 5,-1,6,-1,-1,-1,-1,-1 floor");
    EXPECT_EQ(lines[n + 8], "cell 2 1 0 0 0 0 0 0 0,0,0,0,0,0,0,0 ");
}
