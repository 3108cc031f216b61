// Watching data files: a change is reported once it stood still, with the
// paths of the files added, changed and removed among those the patterns
// name, and nothing else. The polls run on the clock, so each case waits
// (without a limit that could be reached on a slow machine) for the report.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/media_runtime.h"
#include "support/test_support.h"

namespace {

// The next report, or nothing after `polls` polls' worth of waiting.
std::vector<tw::text> next_report(int polls = 40) {
    std::vector<tw::text> changed;
    for (int i = 0; i < polls * 25; ++i) {
        if (tw::watched_files_changed(changed)) break;
        usleep(10000);
    }
    std::sort(changed.begin(), changed.end());
    return changed;
}

}  // namespace

TEST(FileWatch, ReportsAddedChangedAndRemovedFilesThatThePatternsName) {
    tw::test::TempDir dir;
    dir.write("GFX/a.dll", "DGFXNAME\r\na\r\n");
    dir.write("GFX/b.dll", "DGFXNAME\r\nb\r\n");
    dir.write("GFX/notes.txt", "kept out\r\n");
    const tw::text folder = dir.path + "GFX\\";  // data paths end with a backslash
    tw::watch_files({{folder, "*.dll"}, {dir.path + "MISSING\\", "*"}});

    dir.write("GFX/a.dll", "DGFXNAME\r\nchanged\r\n");
    dir.write("GFX/notes.txt", "changed, and not watched\r\n");
    dir.write("GFX/c.DLL", "DGFXNAME\r\nc\r\n");  // patterns ignore case
    EXPECT_EQ(next_report(), (std::vector<tw::text>{folder + "a.dll", folder + "c.DLL"}));

    std::remove((dir.path + "GFX/b.dll").c_str());
    EXPECT_EQ(next_report(), std::vector<tw::text>{folder + "b.dll"});

    // A folder that appears later is watched from then on.
    dir.write("MISSING/LAB_FLOOR", "GFXNAME\r\nfloor.png\r\n");
    EXPECT_EQ(next_report(), std::vector<tw::text>{dir.path + "MISSING\\LAB_FLOOR"});

    // Only what the patterns name counts: a change elsewhere is never reported.
    dir.write("GFX/notes.txt", "changed again\r\n");
    EXPECT_TRUE(next_report(8).empty());
}

#if !defined(_WIN32)  // a POSIX shell
TEST(FileWatch, RunsAProgramAndKeepsItsOutput) {
    tw::text output;
    ASSERT_TRUE(tw::run_program("sh", {"-c", "echo one; echo two >&2; echo 'three four'"}, output));
    EXPECT_EQ(output, "one\nthree four\n");
    EXPECT_FALSE(tw::run_program("/no/such/program", {}, output));
    EXPECT_FALSE(tw::program_folder().empty());
}
#endif
