// Designed worlds: the names of worlds 1..N and the .place file's reader.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "world/world.h"
#include "world/world_fixture.h"

using namespace tw;
using tw::test::TempDir;
using tw::test::crlf;

TEST(DesignedWorlds, WorldsAreNumberedFromTheSavedWorldWithoutAGap) {
    TempDir dir;
    set_start_values();
    engine.app_entry = dir.path + "WORLDS/";
    engine.app_start = "ISLE";
    EXPECT_EQ(designed_world_path(1, ".ai42"), dir.path + "WORLDS/ISLE.ai42");
    EXPECT_EQ(designed_world_path(2, ".place"), dir.path + "WORLDS/ISLE-2.place");
    EXPECT_EQ(designed_world_count(), 0);
    dir.write("WORLDS/ISLE.ai42", "x");
    dir.write("WORLDS/ISLE-2.ai42", "x");
    dir.write("WORLDS/ISLE-4.ai42", "x");  // after a gap: not counted
    EXPECT_EQ(designed_world_count(), 2);
}

TEST(DesignedWorlds, PlacementFileKeepsTheLastStartEveryObjectAndSkipsWhatItCannotRead) {
    TempDir dir;
    const std::string path = dir.write("p.place", crlf({"START", "1,2",          // 2
                                                         "OBJECT", "gem,3,4",     // 4
                                                         "NOTE", "OBJECT",        // a note: skipped whole
                                                         "OBJECT", "a,b,c,5,6",   // 8: the name holds commas
                                                         "START", "7",            // 10: no comma: skipped
                                                         "OBJECT", "gem,3",       // 12: one number short
                                                         "START", " 8 , -9",      // 14: read like any number
                                                         "OBJECT", "gem,x,2"}));  // 16: x reads as 0
    const world_placements p = read_world_placements(path);
    EXPECT_TRUE(p.exists);
    EXPECT_TRUE(p.has_start);
    EXPECT_EQ(p.start_x, 8);
    EXPECT_EQ(p.start_y, -9);
    EXPECT_EQ(p.start_line, 14);
    ASSERT_EQ(p.objects.size(), 3u);
    EXPECT_EQ(p.objects[0].name, "gem");
    EXPECT_EQ(p.objects[0].x, 3);
    EXPECT_EQ(p.objects[0].y, 4);
    EXPECT_EQ(p.objects[1].name, "a,b,c");
    EXPECT_EQ(p.objects[1].line, 8);
    EXPECT_EQ(p.objects[2].x, 0);
    EXPECT_EQ(p.objects[2].y, 2);
    EXPECT_EQ(p.malformed, (std::vector<int>{10, 12}));

    const world_placements none = read_world_placements(dir.path + "missing.place");
    EXPECT_FALSE(none.exists);
    EXPECT_FALSE(none.has_start);
    EXPECT_TRUE(none.objects.empty());
}
