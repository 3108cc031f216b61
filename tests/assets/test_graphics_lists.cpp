// Graphics lists and the loading screen: the picture name, the folder-built
// lists and which lists a clear empties.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <set>

#include "assets/assets.h"
#include "runtime/media_runtime.h"
#include "world/world.h"
#include "world/world_fixture.h"

namespace tw::test {
namespace {

TEST(GraphicsLists, LoadingScreenNameReplacesTheFirstHashByARandomDigit) {
    std::set<std::string> seen, seen_two;
    random_seed(1);
    for (int i = 0; i < 40; ++i) {
        seen.insert(loading_screen_name("Data\\load#.png"));
        seen_two.insert(loading_screen_name("a#b#.png"));
    }
    EXPECT_EQ(seen, (std::set<std::string>{"Data\\load0.png", "Data\\load1.png"}));
    EXPECT_EQ(seen_two, (std::set<std::string>{"a0b#.png", "a1b#.png"}));
    std::string alone = loading_screen_name("#");
    EXPECT_TRUE(alone == "0" || alone == "1") << alone;
    EXPECT_EQ(loading_screen_name("Data\\load.png"), "");
    EXPECT_EQ(loading_screen_name(""), "");
}

TEST(GraphicsLists, LoadingScreenShowsOneOfTwoPicturesOrNothing) {
    WorldFolder f;
    f.dir.write("load0.png", WorldFolder::picture());
    f.dir.write("load1.png", WorldFolder::picture());
    f.dir.write("load.png", WorldFolder::picture());
    engine.load_screen = f.dir.path + "load#.png";
    show_loading_screen();
    int32_t first = engine.load_screen_sprite, first3d = engine.load_screen_sprite3d;
    EXPECT_TRUE(is_sprite(first));
    EXPECT_TRUE(is_sprite3d(first3d));
    // Showing it again replaces the picture and frees the old one.
    show_loading_screen();
    EXPECT_TRUE(is_sprite3d(engine.load_screen_sprite3d));
    EXPECT_TRUE(engine.load_screen_sprite3d == first3d || !is_sprite3d(first3d));
    EXPECT_TRUE(engine.load_screen_sprite == first || !is_sprite(first));

    engine.load_screen = f.dir.path + "load.png";  // no "#": nothing to show
    show_loading_screen();
    EXPECT_EQ(engine.load_screen_sprite, 0);
    EXPECT_EQ(engine.load_screen_sprite3d, 0);
    engine.load_screen = f.dir.path + "missing#.png";
    show_loading_screen();
    EXPECT_EQ(engine.load_screen_sprite3d, 0);
}

TEST(GraphicsLists, WorldGraphicsFollowTheFolderListing) {
    WorldFolder f;
    f.dir.write("gfx/water.png", "x");
    f.dir.write("gfx/Grass.PNG", "x");
    f.dir.write("gfx/notes.txt", "x");
    f.dir.write("gfx/deep.png/inner.png", "x");  // a folder is no graphic
    f.dir.write("gfx/bush.png", "x");
    load_world_graphics();
    List<world_graphic>& g = engine.world_graphics;
    ASSERT_EQ(list_size(g), 3);
    EXPECT_EQ(list_at(g, 0)->name, "bush.png");
    EXPECT_EQ(list_at(g, 1)->name, "Grass.PNG");
    EXPECT_EQ(list_at(g, 2)->name, "water.png");
    EXPECT_EQ(list_at(g, 1)->path, f.dir.path + "gfx/Grass.PNG");
    EXPECT_EQ(list_at(g, 0)->sprite, 0);  // not decodable

    // Lookups are exact: grass.png does not find Grass.PNG.
    create_world_grid(4, 4);
    cell_at(1, 1).cell_sprite3d = 0;
    assign_cell_graphic(1, 1, "grass.png");
    EXPECT_EQ(cell_at(1, 1).cell_sprite3d, 0);
}

TEST(GraphicsLists, MissingFoldersGiveEmptyLists) {
    WorldFolder f;
    load_world_graphics();
    load_cursor_sprites(2, 3);
    EXPECT_EQ(list_size(engine.world_graphics), 0);
    EXPECT_EQ(list_size(engine.cursor_sprites), 0);
}

TEST(GraphicsLists, EveryCursorImageBecomesAFigureOnTheStartCell) {
    WorldFolder f;
    f.cursor_images(3, true);
    f.dir.write("cursor/figure.bmp", "x");  // always PNG, whatever GFXCODEC says
    engine.gfx_codec = ".bmp";
    engine.resolution = 40;
    load_cursor_sprites(2, 5);
    List<cursor_sprite>& c = engine.cursor_sprites;
    ASSERT_EQ(list_size(c), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(list_at(c, i)->pos_x, 80.0f);
        EXPECT_EQ(list_at(c, i)->pos_y, 200.0f);
        EXPECT_EQ(list_at(c, i)->heading, 0);
        EXPECT_TRUE(is_sprite3d(list_at(c, i)->sprite3d));
    }
    // Clearing frees each figure's image and 3D sprite.
    int32_t sprite = list_at(c, 0)->sprite, sprite3d = list_at(c, 0)->sprite3d;
    clear_cursor_sprites();
    EXPECT_EQ(list_size(c), 0);
    EXPECT_FALSE(is_sprite(sprite));
    EXPECT_FALSE(is_sprite3d(sprite3d));
}

TEST(GraphicsLists, ClearEmptiesTheAssetListsButNotTheGraphics) {
    WorldFolder f;
    list_add(engine.sound_fx_list);
    list_add(engine.floor_cells);
    list_add(engine.object_instances);
    list_add(engine.object_definitions);
    list_add(engine.world_graphics);
    list_add(engine.enemy_list);
    clear_asset_lists();
    EXPECT_EQ(list_size(engine.sound_fx_list), 0);
    EXPECT_EQ(list_size(engine.floor_cells), 0);
    EXPECT_EQ(list_size(engine.object_instances), 0);
    EXPECT_EQ(list_size(engine.object_definitions), 0);
    EXPECT_EQ(list_index(engine.object_definitions), -1);
    EXPECT_EQ(list_size(engine.world_graphics), 1);
    EXPECT_EQ(list_size(engine.enemy_list), 1);
}

TEST(GraphicsLists, StopRequestEndsEveryFolderLoadAtItsNextFile) {
    // However many files a folder holds, a stop request from the system (here
    // SIGTERM) ends the program normally before the next one is loaded.
    WorldFolder f;
    f.dir.write("gfx/a.png", "x");
    f.dir.write("sfx/a.ogg", "x");
    engine.world_gfx_path = f.dir.path + "gfx/";
    engine.sound_fx_path = f.dir.path + "sfx/";
    for (void (*load)() : {load_world_graphics, load_object_definitions, load_sound_effects}) {
        EXPECT_EXIT(
            {
                runtime_startup();
                std::raise(SIGTERM);
                load();
                std::_Exit(3);
            },
            ::testing::ExitedWithCode(0), "");
    }
}

}  // namespace
}  // namespace tw::test
