// Files, folder scans, paths, dates and fault recovery.
#include <gtest/gtest.h>

#include <filesystem>

#include "runtime/inspection.h"
#include "runtime/media_runtime.h"
#include "runtime/testing.h"
#include "support/test_support.h"

using namespace tw;
using tw::test::TempDir;

TEST(Files, LineEndsOfEveryKindAndEmptyTextAtTheEnd) {
    TempDir dir;
    std::string p = dir.write("lines.txt", std::string("a\r\nb\nc\rd\0e\r\n\r\nlast", 19));
    int f = open_file_read(-1, p);
    ASSERT_GE(f, 1);
    std::vector<std::string> got;
    while (!end_of_file(f)) got.push_back(read_line(f));
    EXPECT_EQ(got, (std::vector<std::string>{"a", "b", "c", "d", "e", "", "last"}));
    EXPECT_EQ(read_line(f), "");
    close_file(f);
}

TEST(Files, UnopenedFileReadsEmptyAndIsNeverAtItsEnd) {
    EXPECT_EQ(open_file_read(-1, "/no/such/file"), 0);
    EXPECT_FALSE(end_of_file(0));
    EXPECT_EQ(read_line(0), "");
    TempDir dir;
    std::filesystem::create_directories(dir.path + "folder.dll");
    EXPECT_EQ(open_file_read(-1, dir.path + "folder.dll"), 0);  // a folder is not a file
}

TEST(Files, OpenKeepsContentsCreateTruncates) {
    TempDir dir;
    std::string p = dir.write("log.txt", "0123456789\r\n");
    int f = open_file(-1, p);
    ASSERT_GE(f, 1);
    write_line(f, "ab");
    close_file(f);
    EXPECT_EQ(tw::test::read_file(p), "ab\r\n456789\r\n");
    f = create_file(-1, p);
    write_line(f, "x");
    close_file(f);
    EXPECT_EQ(tw::test::read_file(p), "x\r\n");
    int g = open_file(-1, dir.path + "new.txt");
    EXPECT_GE(g, 1);  // created when missing
    close_file(g);
    EXPECT_TRUE(file_exists(dir.path + "new.txt"));
}

TEST(Paths, BackslashesAndCaseAreResolved) {
    TempDir dir;
    dir.write("Data/Gfx/Grass.png", "x");
    EXPECT_TRUE(file_exists(dir.path + "data\\GFX\\grass.png"));
    EXPECT_FALSE(file_exists(dir.path + "data\\GFX\\missing.png"));
#if defined(_WIN32)
    // Windows' own file system ignores case, so a folder cannot hold both
    // Grass.png and grass.png.
    EXPECT_EQ(current_directory().back(), '\\');
#else
    EXPECT_EQ(resolved_path(dir.path + "DATA\\gfx\\grass.PNG"), dir.path + "Data/Gfx/Grass.png");
    // Exact names win over case-insensitive ones.
    dir.write("Data/Gfx/grass.png", "y");
    EXPECT_EQ(tw::test::read_file(resolved_path(dir.path + "Data/Gfx/grass.png")), "y");
    EXPECT_EQ(current_directory().back(), '/');
#endif
}

TEST(FolderScans, SortedCaseInsensitivelyWithWildcardsAndTypes) {
    TempDir dir;
    std::vector<std::string> files = {"b.png", "A.PNG", "c.txt", "a.png", "Zed.png"};
    std::vector<std::string> listed = {"A.PNG", "a.png", "b.png", "m.png", "Zed.png"};
    std::vector<int> listed_types = {1, 1, 1, 2, 1};
#if defined(_WIN32)
    // One of A.PNG and a.png where the file system ignores case.
    files.erase(files.begin() + 3);
    listed.erase(listed.begin() + 1);
    listed_types.erase(listed_types.begin() + 1);
#endif
    for (const std::string& n : files) dir.write(n, "x");
    std::filesystem::create_directories(dir.path + "m.png");
    int s = examine_directory(0, dir.path, "*.png");
    ASSERT_NE(s, 0);
    std::vector<std::string> names;
    std::vector<int> types;
    while (next_directory_entry(0)) {
        names.push_back(directory_entry_name(0));
        types.push_back(directory_entry_type(0));
    }
    finish_directory(0);
    EXPECT_EQ(names, listed);
    EXPECT_EQ(types, listed_types);
    EXPECT_EQ(examine_directory(0, dir.path + "missing\\", "*"), 0);
    EXPECT_FALSE(next_directory_entry(0));
    EXPECT_TRUE(wildcard_match("*.o?g", "Coin.OGG"));
    EXPECT_FALSE(wildcard_match("*.ogg", "coin.ogg.bak"));
}

// Letters compare as upper case, so the characters between 'Z' and 'a' sort
// after every letter, as in a folder made on Windows.
TEST(FolderScans, PunctuationBetweenTheCasesSortsAfterTheLetters) {
    TempDir dir;
    for (const char* n : {"oak_x.dll", "oakb.dll", "oak`.dll", "Oak[1].dll", "oak^.dll", "oak].dll",
                          "OAKZ.dll", "oak{.dll", "oak.dll", "oak0.dll"})
        dir.write(n, "x");
    ASSERT_NE(examine_directory(0, dir.path, "*.dll"), 0);
    std::vector<std::string> names;
    while (next_directory_entry(0)) names.push_back(directory_entry_name(0));
    finish_directory(0);
    EXPECT_EQ(names, (std::vector<std::string>{"oak.dll", "oak0.dll", "oakb.dll", "OAKZ.dll", "Oak[1].dll",
                                               "oak].dll", "oak^.dll", "oak_x.dll", "oak`.dll", "oak{.dll"}));
}

TEST(Dates, MaskLettersAnyCase) {
    int64_t may17 = 1368748800;  // 2013-05-17 00:00:00
    EXPECT_EQ(format_date("%yyyy-,%mm-,%dd", may17), "2013-,05-,17");
    EXPECT_EQ(format_date("%YY/%MM %hh:%II:%Ss %x", may17 + 3723), "13/05 01:02:03 %x");
}

namespace {
int reports = 0;
int steps_after_fault = 0;
void count_report() { ++reports; }
void faulting_step() {
    provoke_fault();
    ++steps_after_fault;  // never reached
}
void quiet_step() { ++steps_after_fault; }
}  // namespace

TEST(Faults, RealFaultIsSurvivedAndReportedOnceAfterInstallation) {
    EXPECT_EQ(error_line(), -1);
    EXPECT_FALSE(error_file().empty());
    EXPECT_FALSE(run_guarded(faulting_step));  // before installation: silently skipped
    EXPECT_EQ(reports, 0);
    EXPECT_EQ(error_message(), "Invalid memory access");
    set_error_handler(count_report);
    EXPECT_FALSE(run_guarded(faulting_step));
    EXPECT_FALSE(run_guarded(faulting_step));
    EXPECT_EQ(reports, 2);
    EXPECT_TRUE(run_guarded(quiet_step));
    EXPECT_EQ(steps_after_fault, 1);
    EXPECT_EQ(reports, 2);
    set_error_handler(nullptr);
}

TEST(Limits, OverlongLinesAreCutAndOverlongPathsNameNothing) {
    TempDir dir;
    const std::string p = dir.write("long.txt", std::string(10000, 'a') + "\r\nnext\r\n");
    int f = open_file_read(-1, p);
    ASSERT_GE(f, 1);
    EXPECT_EQ(read_line(f), std::string(max_line_length, 'a'));
    EXPECT_EQ(read_line(f), "next");  // the rest of the long line is passed over
    close_file(f);

    dir.write("a/b.txt", "x");
    std::string deep = dir.path + "a";
    while (deep.size() <= static_cast<size_t>(max_path_length)) deep += "/.";
    EXPECT_TRUE(file_exists(dir.path + "a/./b.txt"));
    EXPECT_FALSE(file_exists(deep + "/b.txt"));
    EXPECT_EQ(resolved_path(deep + "/b.txt"), "");
}

#if !defined(_WIN32)
TEST(Paths, CaseLookupsSeeFilesMadeAfterTheFolderWasListed) {
    TempDir dir;
    dir.write("Gfx/One.png", "1");
    EXPECT_TRUE(file_exists(dir.path + "gfx/one.png"));
    EXPECT_FALSE(file_exists(dir.path + "gfx/two.png"));
    // Listed once above; a file made since (by someone else, or by the
    // runtime itself) is still found.
    dir.write("Gfx/Two.png", "2");
    EXPECT_EQ(resolved_path(dir.path + "gfx/TWO.png"), dir.path + "Gfx/Two.png");
    ASSERT_TRUE(write_text_file(dir.path + "Gfx/Three.png", "3"));
    EXPECT_EQ(resolved_path(dir.path + "GFX/three.PNG"), dir.path + "Gfx/Three.png");
    std::filesystem::remove(dir.path + "Gfx/Two.png");
    EXPECT_FALSE(file_exists(dir.path + "gfx/two.png"));
}

TEST(Paths, ReadsThatLeaveTheFolderAreNotedOnceWithWhereTheyLead) {
    TempDir game, elsewhere;
    elsewhere.write("art/tile.png", "x");
    game.write("GFX/own.png", "y");
    std::filesystem::create_symlink(elsewhere.path + "art", game.path + "GFX/linked");
    const std::string before = current_directory();
    std::filesystem::current_path(game.path);
    watch_reads_outside();
    EXPECT_TRUE(file_exists("GFX\\own.png"));
    EXPECT_TRUE(file_exists("GFX\\linked\\tile.png"));
    EXPECT_TRUE(file_exists(elsewhere.path + "art/tile.png"));
    EXPECT_TRUE(file_exists(elsewhere.path + "art/tile.png"));
    const std::vector<text> found = reads_outside();
    std::filesystem::current_path(before);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].find("GFX\\linked\\tile.png -> "), 0u) << found[0];
    EXPECT_NE(found[0].find("art/tile.png"), std::string::npos) << found[0];
    EXPECT_EQ(found[1].find(elsewhere.path), 0u) << found[1];
}
#endif
