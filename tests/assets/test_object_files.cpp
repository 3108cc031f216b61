// Object files: the keys and their conversions, the "#" rule for the child
// count, what a missing file leaves, and the once-per-build cache.
#include <gtest/gtest.h>

#include "assets/assets.h"
#include "runtime/media_runtime.h"
#include "world/world_fixture.h"

namespace tw::test {
namespace {

struct ObjectFile : ::testing::Test {
    WorldFolder f;
    world_cell& cell() { return cell_at(3, 4); }
    // Writes the file and reads it into cell (3, 4).
    void read(const std::vector<std::string>& lines) {
        std::string path = f.object_file("T", lines);
        engine.object_file_cache.clear();
        read_object_file(3, 4, path);
    }
    std::string child(int slot) { return name_text(cell().child_name[static_cast<size_t>(slot)]); }
};

TEST_F(ObjectFile, EveryKeyReachesItsField) {
    read({"GFXNAME", "grass.png", "CHILD1", "oak", "CHILD2", "fern", "CHILD3", "#", "RANDOMSEED", "99",
          "USECOLLISION", "1", "TRANSPARENCY", "55", "USEENEMY", "1", "USEDIRECTION", "UP",
          "INTERNALNAME", "meadow"});
    EXPECT_EQ(name_text(cell().gfx_name), "grass.png");
    EXPECT_EQ(child(0), "oak");
    EXPECT_EQ(child(1), "fern");
    EXPECT_EQ(child(2), "#");
    EXPECT_EQ(cell().child_count, 2);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(cell().child_instance[static_cast<size_t>(k)], -1);
    EXPECT_EQ(cell().child_instance[3], 0);  // not mentioned: as before
    EXPECT_EQ(cell().use_collision, 1);
    EXPECT_EQ(cell().transparency, 55);
    EXPECT_EQ(cell().alpha, 200);
    EXPECT_EQ(cell().use_enemy, 1);
    EXPECT_EQ(cell().collision_flag, -1);
}

TEST_F(ObjectFile, NumbersKeepTheirLowBitsAndAlphaIsNotClamped) {
    read({"TRANSPARENCY", "300", "USECOLLISION", "256", "USEENEMY", "257"});
    EXPECT_EQ(cell().alpha, -45);
    EXPECT_EQ(cell().use_collision, 0);
    EXPECT_EQ(cell().use_enemy, 1);
    read({"TRANSPARENCY", "-2147483648", "USECOLLISION", " -1xyz"});
    EXPECT_EQ(cell().alpha, static_cast<int32_t>(255u + 2147483648u));  // wraps, no overflow
    EXPECT_EQ(cell().use_collision, -1);
}

TEST_F(ObjectFile, TheLastHashClosesTheChildList) {
    read({"CHILD2", "#", "CHILD5", "#"});
    EXPECT_EQ(cell().child_count, 4);
    read({"CHILD5", "#", "CHILD2", "#"});
    EXPECT_EQ(cell().child_count, 1);
    // Every read starts the count afresh: without "#" only CHILD1 is examined.
    read({"CHILD1", "oak", "CHILD8", "fern"});
    EXPECT_EQ(cell().child_count, 0);
    read({"CHILD8", "#"});
    EXPECT_EQ(cell().child_count, 7);
}

TEST_F(ObjectFile, SlotsNotMentionedKeepWhatTheyHad) {
    cell().child_name[1] = intern_name("old");
    cell().child_instance[1] = 7;
    read({"CHILD1", "oak", "CHILD3", "fern", "CHILD4", "#"});
    EXPECT_EQ(child(1), "old");
    EXPECT_EQ(cell().child_instance[1], 7);
    EXPECT_EQ(cell().child_count, 3);
}

TEST_F(ObjectFile, GraphicNameDefaultsToDummy) {
    read({"GFXNAME", ""});
    EXPECT_EQ(name_text(cell().gfx_name), "dummy.png");
    // A key on the last line gets the empty value.
    cell().gfx_name = intern_name("rock.png");
    read({"USEENEMY", "1", "GFXNAME"});
    EXPECT_EQ(name_text(cell().gfx_name), "dummy.png");
    // Without the key a fresh cell gets "dummy.png", a named one keeps its name.
    cell().gfx_name = 0;
    read({"USEENEMY", "1"});
    EXPECT_EQ(name_text(cell().gfx_name), "dummy.png");
    cell().gfx_name = intern_name("rock.png");
    read({"USEENEMY", "1"});
    EXPECT_EQ(name_text(cell().gfx_name), "rock.png");
}

TEST_F(ObjectFile, UnknownAndMiscasedKeysSkipTheirValueLine) {
    // "gfxname" is no key, so "USECOLLISION" after it is its value, not a key.
    read({"gfxname", "USECOLLISION", "1", "TRANSPARENCY", "USEENEMY", "1"});
    EXPECT_EQ(cell().use_collision, 0);
    // "1" was read as a key and "TRANSPARENCY" as its value: skipped too.
    EXPECT_EQ(cell().transparency, 0);
    EXPECT_EQ(cell().alpha, 0);
    EXPECT_EQ(cell().use_enemy, 1);
    // A later occurrence overrides an earlier one; a trailing blank makes a
    // key line unknown.
    read({"USECOLLISION", "1", "USECOLLISION ", "0", "USECOLLISION", "3"});
    EXPECT_EQ(cell().use_collision, 3);
}

TEST_F(ObjectFile, MissingFileLeavesTheCellUntouched) {
    world_cell& c = cell();
    c.gfx_name = intern_name("rock.png");
    c.child_name[0] = intern_name("oak");
    c.child_count = 3;
    c.collision_flag = 1;
    c.alpha = 99;
    c.use_collision = 1;
    engine.object_file_cache.clear();
    read_object_file(3, 4, f.dir.path + "types/lab/NOPE");
    EXPECT_EQ(name_text(c.gfx_name), "rock.png");
    EXPECT_EQ(name_text(c.child_name[0]), "oak");
    EXPECT_EQ(c.child_count, 3);
    EXPECT_EQ(c.collision_flag, 1);
    EXPECT_EQ(c.alpha, 99);
    EXPECT_EQ(c.use_collision, 1);
    // Cells outside the grid are ignored, not written.
    read_object_file(-1, 0, f.object_file("T", {"USECOLLISION", "1"}));
    read_object_file(0, 513, f.object_file("T", {"USECOLLISION", "1"}));
}

TEST_F(ObjectFile, EachFileIsReadOncePerBuildUnlessTheCacheIsOff) {
    std::string path = f.object_file("T", {"USEENEMY", "1"});
    engine.object_file_cache.clear();
    EXPECT_TRUE(cached_object_file(path).exists);
    f.object_file("T", {"USEENEMY", "0"});
    read_object_file(3, 4, path);
    EXPECT_EQ(cell().use_enemy, 1);  // the contents read first
    EXPECT_FALSE(cached_object_file(f.dir.path + "types/lab/NOPE").exists);

    engine.object_file_cache_off = true;
    read_object_file(3, 4, path);
    EXPECT_EQ(cell().use_enemy, 0);
    EXPECT_TRUE(engine.object_file_cache.size() == 2);  // nothing added while off
}

TEST_F(ObjectFile, GraphicLookupIsExact) {
    world_graphic* g = list_add(engine.world_graphics);
    g->name = "grass.png";
    cell().cell_sprite3d = 0;
    assign_cell_graphic(3, 4, "Grass.png");
    assign_cell_graphic(3, 4, "grass");
    EXPECT_EQ(cell().cell_sprite3d, 0);
    assign_cell_graphic(600, 4, "grass.png");  // outside the grid: ignored

    // Each assignment gives the cell the graphic's sprite and frees the 3D
    // sprite it had; the cell's own 3D sprite is made when it is first drawn.
    g->sprite = load_sprite(-1, f.dir.write("gfx/grass.png", WorldFolder::picture()), sprite_mode_3d);
    ASSERT_TRUE(is_sprite(g->sprite));
    assign_cell_graphic(3, 4, "grass.png");
    EXPECT_EQ(cell().cell_sprite, g->sprite);
    EXPECT_EQ(cell().cell_sprite3d, 0);
    const int32_t first = cell_quad(cell());
    EXPECT_TRUE(is_sprite3d(first));
    EXPECT_EQ(cell_quad(cell()), first);  // made once
    assign_cell_graphic(3, 4, "grass.png");
    EXPECT_EQ(cell().cell_sprite3d, 0);
    EXPECT_FALSE(is_sprite3d(first));
    // An unknown name keeps what the cell has.
    const int32_t kept = cell_quad(cell());
    assign_cell_graphic(3, 4, "dummy.png");
    EXPECT_EQ(cell().cell_sprite3d, kept);
    EXPECT_TRUE(is_sprite3d(kept));
    // A graphic whose image failed gives the cell no graphic at all.
    g->sprite = 0;
    assign_cell_graphic(3, 4, "grass.png");
    EXPECT_FALSE(cell_has_graphic(cell()));
}

}  // namespace
}  // namespace tw::test
