// The data checker's reports: each mistake a game maker can make is reported
// once, at its file and line, and a clean game gets no report at all.
#include <cctype>

#include "checker/test_checker_fixture.h"

using namespace tw;
using namespace tw::test;

namespace {

const std::string ini = "DATA/ini.txt";

// ===========================================================================
// Clean games
// ===========================================================================

TEST_F(CheckerGame, CleanGameHasNoReportAndSaysWhatItBuilt) {
    check_result r = check_game();
    EXPECT_EQ(r.errors, 0);
    EXPECT_EQ(r.warnings, 0) << all_of(r);
    ASSERT_EQ(r.facts.size(), 1u);
    EXPECT_EQ(r.facts[0].rfind("world 0: ", 0), 0u) << r.facts[0];
    EXPECT_NE(r.facts[0].find("start at (1, 1)"), std::string::npos) << r.facts[0];
}

TEST(CheckerSampleGames, BothSampleGamesCheckClean) {
    for (const char* game : {"game", "game-saved"}) {
        RunResult r = run_checker(std::string(TILEWORLD_SOURCE_DIR) + "/" + game, {});
        EXPECT_EQ(r.exit_code, 0) << game << "\n" << r.out << r.err;
        EXPECT_NE(r.out.find("0 errors, 0 warnings"), std::string::npos) << game << "\n" << r.out;
    }
}

// ===========================================================================
// Keys of the line-pair files
// ===========================================================================

TEST_F(CheckerGame, UnknownKeysAreNamedWithTheKeyTheyProbablyMeant) {
    std::vector<std::string> lines = pair_lines(clean_ini());
    lines.insert(lines.end(), {"maxfoe", "3",          // 39: lower case
                               "MAXFOE ", "3",         // 41: a blank after it
                               "CURSORSPED", "200",    // 43: a typo
                               "GFXNAME", "wall.png",  // 45: a key of object files
                               "FROBNICATE", "1",      // 47: nothing like any key
                               "NOTE", "notes are fine"});
    write_ini(lines);
    check_result r = check_game();
    report_at(r, ini + ":39: warning: ", "keys are upper case ('MAXFOE')");
    report_at(r, ini + ":41: warning: ", "has blanks around it");
    report_at(r, ini + ":43: warning: ", "did you mean 'CURSORSPEED'?");
    report_at(r, ini + ":45: warning: ", "is a key of object files, not of the configuration");
    report_at(r, ini + ":47: warning: ", "unknown key 'FROBNICATE'");
    EXPECT_EQ(r.warnings, 5) << all_of(r);
    EXPECT_EQ(r.errors, 0);
}

TEST_F(CheckerGame, BlankLineBetweenPairsIsReportedOnceWithTheKeysItCostsAndWhereStepIsRegained) {
    std::vector<std::string> lines = pair_lines(clean_ini());
    // A blank line after MAXFOE's value (line 32): every later pair is out of step.
    lines.insert(lines.begin() + 32, "");
    write_ini(lines);
    check_result r = check_game();
    std::string w = report_at(r, ini + ":33: warning: ", "pairs shifted: line 33 is blank");
    EXPECT_NE(w.find("SOUNDFXPATH"), std::string::npos) << w;
    EXPECT_NE(w.find("rest of the file is out of step"), std::string::npos) << w;
    EXPECT_NE(w.find("3 keys: SOUNDFXPATH, FONTPATH, FONTSYSTEM"), std::string::npos) << w;
    // No separate report for each shifted pair.
    for (const std::string& l : printed(r)) EXPECT_EQ(l.find("unknown key"), std::string::npos) << l;
}

TEST_F(CheckerGame, MissingAndStrayLinesAreToldApartAndAStrayLineRestoresTheStep) {
    std::vector<std::string> lines = pair_lines(clean_ini());
    // RESOLUTION loses its value line (old line 6): its value becomes RESBASEW.
    lines.erase(lines.begin() + 5);
    // A stray line after MAPSIZE's value (now line 15) brings the pairs back in step.
    lines.insert(lines.begin() + 15, "oops");
    write_ini(lines);
    check_result r = check_game();
    std::string w = report_at(r, ini + ":5: warning: ", "the value of 'RESOLUTION' is the key 'RESBASEW'");
    EXPECT_NE(w.find("in step again from line 17"), std::string::npos) << w;
    EXPECT_NE(w.find("USESELFCREATEBASE"), std::string::npos) << w;

    // A stray line alone: read as a key, the next key as its value.
    lines = pair_lines(clean_ini());
    lines.insert(lines.begin() + 6, "32");  // after RESOLUTION's value
    write_ini(lines);
    r = check_game();
    report_at(r, ini + ":7: warning: ", "'32' is read as a key and the key 'RESBASEW' on line 8 as its value");
}

TEST_F(CheckerGame, ValuesOfTheWrongFormAndRepeatedKeys) {
    Pairs p = clean_ini();
    p.push_back({"MAXFOE", "many"});         // 39/40: not a number, and MAXFOE again
    p.push_back({"USEEXTENDEDTOPO", "2"});   // 41/42: a flag that counts as off
    p.push_back({"FULLSCREENZOOM", "1,5"});  // 43/44: not a number with a fraction
    write_ini(pair_lines(p));
    check_result r = check_game();
    report_at(r, ini + ":40: warning: ", "MAXFOE 'many' is not a whole number: it reads as 0");
    report_at(r, ini + ":39: warning: ", "'MAXFOE' is given again (first on line 31)");
    report_at(r, ini + ":42: warning: ", "counts as off: only 1 switches it on");
    report_at(r, ini + ":44: warning: ", "FULLSCREENZOOM '1,5' is not a number");
    // MAXFOE 0 with an enemy type in the game.
    report_at(r, ini + ":40: warning: ", "no enemy appears");
}

TEST_F(CheckerGame, ObjectAndDefinitionFilesGetTheSameKeyChecks) {
    object_file("LAB_GREEN", {{"GFXNAME", "green.png"}, {"CHILD1", "#"}, {"usecollision", "1"}});
    definition("moss", {{"DGFXNAME", "moss"},
                        {"DDENSITY", "2"},
                        {"DGFXSHOW", "1"},
                        {"DGFXTRANSPARENCY", "255"},
                        {"DFITTOMATRIX", "1"},
                        {"DGFXNAM", "x"}});
    check_result r = check_game();
    report_at(r, "TYPES/LAB/LAB_GREEN:5: warning: ", "keys are upper case ('USECOLLISION')");
    report_at(r, "GFX/WORLD/moss.dll:11: warning: ", "did you mean 'DGFXNAME'?");
    EXPECT_EQ(r.warnings, 2) << all_of(r);
}

// ===========================================================================
// Paths
// ===========================================================================

TEST_F(CheckerGame, FolderValuesMustExistAndEndWithASeparator) {
    set_ini("TOPOGFX", "GFX\\TOPO");
    check_result r = check_game();
    report_at(r, ini + ":24: error: ", "does not end with '\\'");
    EXPECT_EQ(r.errors, 1) << all_of(r);

    set_ini("WORLDGFX", "GFX\\OBJECTS\\");
    r = check_game();
    report_at(r, ini + ":26: warning: ", "the folder 'GFX/OBJECTS/', which does not exist");
    EXPECT_EQ(r.errors, 0) << all_of(r);
}

// The engine writes its report log only inside the game folder; a log that
// leads out is never written, which the maker should hear about.
TEST_F(CheckerGame, ReportLogLeadingOutOfTheGameFolderIsAnError) {
    auto log = [&](const std::string& path, const std::string& file) {
        write_ini(pair_lines(with(with(clean_ini(), "LOGPATH", path), "LOGFILE", file)));  // lines 39 to 42
        return check_game();
    };
    check_result r = log("..\\..\\tmp\\x\\", "victim.txt");
    report_at(r, ini + ":40: error: ", "LOGPATH and LOGFILE lead out of the game folder");
    EXPECT_EQ(r.errors, 1) << all_of(r);
    EXPECT_EQ(log("LOG\\", "..\\..\\victim.txt").errors, 1);

    // Inside, only the missing folder is worth a warning.
    r = log("LOG\\", "report.log");
    EXPECT_EQ(r.errors, 0) << all_of(r);
    report_at(r, ini + ":40: warning: ", "which does not exist");
}

TEST_F(CheckerGame, PathsFoundOnlyByIgnoringCaseAreReported) {
#if defined(_WIN32)
    GTEST_SKIP() << "Windows' own file system ignores case: the path is found as written";
#endif
    set_ini("TOPOGFX", "gfx\\Topo\\");
    check_result r = check_game();
    report_at(
        r, ini + ":24: warning: ", "'gfx/Topo' is found as 'GFX/TOPO' only because names are looked up ignoring case");
    EXPECT_EQ(r.warnings, 1) << all_of(r);
    EXPECT_EQ(r.errors, 0);
}

TEST_F(CheckerGame, MissingBaseFileStopsTheEngineAndIsAnError) {
    remove("DATA/base.txt");
    check_result r = check_game();
    report_at(r, ini + ":12: error: ",
              "SELFCREATEBASE names 'DATA/base.txt', which does not exist: the engine stops at start");
}

// ===========================================================================
// World sizes
// ===========================================================================

TEST_F(CheckerGame, BaseSizesTheEngineRefusesOrShrinks) {
    dir.write("DATA/base.txt", crlf({"TEST BASE", "3000", "2900", "", ""}));
    check_result r = check_game();
    report_at(r, "DATA/base.txt:2: error: ", "larger than 1024 cells: the engine stops at start");
    EXPECT_EQ(r.errors, 1) << all_of(r);

    dir.write("DATA/base.txt", crlf({"TEST BASE", "-4", "16", "", ""}));
    r = check_game();
    report_at(r, "DATA/base.txt:2: warning: ", "a negative base width counts as 0");
    report_at(r, "DATA/base.txt: warning: ", "too small to carve a floor");
    report_at(r, "DATA/ini.txt:12: error: ", "the game cannot be played: world 0 has no floor");
    EXPECT_EQ(r.errors, 1) << all_of(r);
}

TEST_F(CheckerGame, MapSizeThatMakesEveryLaterWorldTiny) {
    Pairs p = clean_ini();
    p.erase(p.begin() + 7);  // no MAPSIZE: it stays 1
    write_ini(pair_lines(p));
    check_result r = check_game();
    report_at(r, ini + ": warning: ", "MAPSIZE is 1 (not set): the worlds after the first");
}

// ===========================================================================
// Object files
// ===========================================================================

TEST_F(CheckerGame, LabyrinthTypesNeedTheirObjectFilesTenWithEdges) {
    remove("TYPES/LAB/LAB_WATER");
    check_result r = check_game();
    report_at(r, ini + ":20: warning: ", "no object file 'TYPES/LAB/LAB_WATER' for the labyrinth's LAB_WATER cells");
    EXPECT_EQ(r.warnings, 1) << all_of(r);

    set_ini("USEEXTENDEDTOPO", "1");
    r = check_game();
    int missing = 0;
    for (const std::string& l : printed(r)) missing += l.find("no object file") != std::string::npos;
    EXPECT_EQ(missing, 7) << all_of(r);  // LAB_WATER and the six edge types
}

TEST_F(CheckerGame, CellsWithoutTransparencyAreInvisibleInGeneratedWorlds) {
    object_file("LAB_GREEN", {{"GFXNAME", "green.png"}, {"CHILD1", "#"}}, false);
    check_result r = check_game();
    report_at(r, "TYPES/LAB/LAB_GREEN: warning: ", "no TRANSPARENCY: cells of type 'LAB_GREEN' keep opacity 0");
    EXPECT_EQ(r.warnings, 1) << all_of(r);
}

TEST_F(CheckerGame, CellPictureAndChildNamesMustMatchExactly) {
    object_file("LAB_FLOOR", {{"GFXNAME", "Floor.png"},  // 2: case
                              {"CHILD1", "coins"},       // 4: near miss
                              {"CHILD2", "moss"},
                              {"CHILD3", "#"},
                              {"CHILD4", "coin"},  // 10: after the closing "#"
                              {"USEENEMY", "1"}});
    object_file("LAB_GREEN", {{"GFXNAME", "green"}, {"CHILD1", "moss"}, {"CHILD2", "coin"}});
    check_result r = check_game();
    report_at(r, "TYPES/LAB/LAB_FLOOR:2: warning: ", "'Floor.png' names no picture in TOPOGFX");
    report_at(r, "TYPES/LAB/LAB_FLOOR:2: warning: ", "'floor.png' differs only in case");
    report_at(r, "TYPES/LAB/LAB_FLOOR:4: warning: ", "CHILD1 'coins' matches no object definition");
    report_at(r, "TYPES/LAB/LAB_FLOOR:4: warning: ", "did you mean 'coin'?");
    report_at(r, "TYPES/LAB/LAB_FLOOR:10: warning: ", "CHILD4 'coin' comes after the closing '#' (line 8)");
    report_at(r, "TYPES/LAB/LAB_GREEN:2: warning: ", "did you mean 'green.png'? the extension is part of the name");
    report_at(r, "TYPES/LAB/LAB_GREEN:6: warning: ", "no child is '#', so only CHILD1 is examined");
    // Neither of the two slots that name coin is examined.
    report_at(r, "GFX/WORLD/coin.dll:2: warning: ", "the object type 'coin' is never placed");
    EXPECT_EQ(r.warnings, 6) << all_of(r);
}

// ===========================================================================
// Object definitions
// ===========================================================================

TEST_F(CheckerGame, DefinitionFilesPicturesAndSoundsBelongTogether) {
    remove("GFX/WORLD/moss.dll");                // picture without definition
    definition("tree", {{"DGFXNAME", "tree"}});  // definition without picture
    definition("coin", with(coin(), "DCOUNTSOUND", "chime"));
    check_result r = check_game();
    report_at(r, "GFX/WORLD/moss.png: warning: ", "no definition file 'GFX/WORLD/moss.dll'");
    report_at(r, "GFX/WORLD/tree.dll: warning: ", "no picture 'tree.png' beside this definition file");
    report_at(r, "GFX/WORLD/coin.dll:14: warning: ", "DCOUNTSOUND 'chime' names no sound");
    report_at(r, "GFX/WORLD/coin.dll:14: warning: ", "did you mean 'chime.ogg'?");
    // moss now has an empty name, so the walls' CHILD1 "moss" matches nothing.
    report_at(r, "TYPES/LAB/LAB_WALL:4: warning: ", "CHILD1 'moss' matches no object definition");
    EXPECT_EQ(r.warnings, 4) << all_of(r);
}

TEST_F(CheckerGame, TypesNoObjectFileNamesAreReportedButEnemiesAndNopeAreNot) {
    object_file("LAB_WALL", {{"GFXNAME", "wall.png"}, {"CHILD1", "#"}, {"USECOLLISION", "1"}});
    check_result r = check_game();
    report_at(r, "GFX/WORLD/moss.dll:2: warning: ", "the object type 'moss' is never placed");
    EXPECT_EQ(r.warnings, 1) << all_of(r);  // not the slime, an enemy named "#"
}

// Told at the enemy type's DDENSITY, the key that spreads them.
TEST_F(CheckerGame, EnemiesCrowdedIntoTheFirstColumnsByMaxFoe) {
    definition("slime", {{"DGFXNAME", "#"}, {"DISENEMY", "1"}, {"DDENSITY", "0"}, {"DGFXTRANSPARENCY", "255"}});
    check_result r = check_game();
    report_at(r, "GFX/WORLD/slime.dll:6: warning: ",
              "enemies of world 0 spawn in its first 2 of 21 columns, where MAXFOE (5) is reached: a higher "
              "DDENSITY of this enemy type spreads them");
    EXPECT_EQ(r.warnings, 1) << all_of(r);
}

TEST_F(CheckerGame, PicturesAndSoundsThatCannotBeDecodedAreErrors) {
    dir.write("GFX/WORLD/coin.png", "not a picture");
    dir.write("GFX/TOPO/water.png", "");
    dir.write("SFX/chime.ogg", "OggS but not really");
    check_result r = check_game();
    report_at(r, "GFX/WORLD/coin.png: error: ", "the picture cannot be read");
    report_at(r, "GFX/TOPO/water.png: error: ", "the picture cannot be read");
    report_at(r, "SFX/chime.ogg: error: ", "the sound cannot be read");
    EXPECT_EQ(r.errors, 3) << all_of(r);
}

// ===========================================================================
// Font, figures, loading screen
// ===========================================================================

TEST_F(CheckerGame, FontCharactersWithoutImagesAndTextsTheEngineCannotWrite) {
    remove("GFX/FONT/Q.png");
    // The space is drawn by moving the pen, never from an image.
    dir.write("DATA/font.txt", crlf({"ABCDEGIJMNOPQRSTUY0123456789-x ", "note"}));
    check_result r = check_game();
    std::string w = report_at(r, "DATA/font.txt:1: warning: ", "2 characters of the font line have no image");
    EXPECT_NE(w.find("'Q' (GFX/FONT/Q.png)"), std::string::npos) << w;
    EXPECT_NE(w.find("'x' (GFX/FONT/_x.png)"), std::string::npos) << w;
    report_at(r, "DATA/font.txt:1: warning: ", "the font has no glyph for Q,");
    EXPECT_EQ(r.warnings, 2) << all_of(r);
}

TEST_F(CheckerGame, LoadingScreenNeedsBothPictures) {
    set_ini("LOADSCREEN", "GFX\\LOAD\\load#.png");
    picture("GFX/LOAD/load0.png", 10, 10, 40, 16, 9);
    check_result r = check_game();
    report_at(r, ini + ":40: warning: ", "'GFX/LOAD/load1.png' does not exist");
    EXPECT_EQ(r.warnings, 1) << all_of(r);
}

TEST_F(CheckerGame, NoFigurePictureMeansNoPlayer) {
    remove("GFX/CURSOR/hero.png");
    check_result r = check_game();
    report_at(r, ini + ":30: warning: ", "holds no .png picture: there is no player figure");
    report_at(r, ini + ":30: error: ", "the game cannot be played: there is no player figure");
    EXPECT_EQ(r.errors, 1) << all_of(r);
}

// ===========================================================================
// Saved worlds
// ===========================================================================

struct CheckerSavedGame : CheckerGame {
    void SetUp() override {
        CheckerGame::SetUp();
        Pairs p = clean_ini();
        for (auto& [k, v] : p) {
            if (k == "USESELFCREATEBASE") v = "0";
            if (k == "APPSTART") v = "ISLE";
        }
        p.push_back({"APPENTRY", "WORLDS\\"});  // 39
        write_ini(pair_lines(p));
        // A 3 x 2 world: sea around one cell of land, which has no object file.
        std::vector<std::string> topo = {"TOPO", "2", "1", "", ""};
        const char* codes[6] = {"000", "000", "000", "255", "000", "000"};
        for (const char* c : codes) topo.insert(topo.end(), {"0", c, "255"});
        dir.write("WORLDS/ISLE.ai42", crlf(topo));
        dir.write("WORLDS/ISLE.red", crlf({"OPACITY", "", "", "", "", "255", "255", "255", "255", "255", "255"}));
        dir.write("TYPES/ISLE/0000255", crlf({"GFXNAME", "water.png", "CHILD1", "#"}));
    }
};

TEST_F(CheckerSavedGame, ColourCodesWithoutObjectFilesPointAtTheirFirstCell) {
    check_result r = check_game();
    // Cell (1, 1) is record 3, whose red line is line 6 + 3 * 3.
    report_at(r, "WORLDS/ISLE.ai42:15: warning: ",
              "no object file 'TYPES/ISLE/0255255' for the colour code '0255255' of cell (1, 1) and 0 more");
    // Nothing of the labyrinth is asked for, and coin is never placed here.
    EXPECT_EQ(r.errors, 0) << all_of(r);
    for (const std::string& l : printed(r)) EXPECT_EQ(l.find("LAB_"), std::string::npos) << l;
}

TEST_F(CheckerSavedGame, SizesOutsideTheRangeStopTheEngineAndShortFilesAreWarned) {
    dir.write("WORLDS/ISLE.ai42", crlf({"TOPO", "2000", "1", "", ""}));
    check_result r = check_game();
    report_at(r, "WORLDS/ISLE.ai42:2: error: ", "outside 0..1024: the engine refuses it");

    std::vector<std::string> topo = {"TOPO", "2", "1", "", ""};
    for (int i = 0; i < 4; ++i) topo.insert(topo.end(), {"0", "000", "255"});
    dir.write("WORLDS/ISLE.ai42", crlf(topo));
    remove("WORLDS/ISLE.red");
    r = check_game();
    report_at(r, "WORLDS/ISLE.ai42:17: warning: ", "the file ends after 4 of 6 cells");
    report_at(r, "WORLDS/ISLE.ai42: warning: ", "no opacity file 'WORLDS/ISLE.red': every cell is hidden");
    EXPECT_EQ(r.errors, 0) << all_of(r);
}

// ===========================================================================
// The program
// ===========================================================================

TEST_F(CheckerGame, ExitCodeAndQuietOutput) {
    set_ini("TOPOGFX", "GFX\\TOPO");                                                               // an error
    object_file("LAB_GREEN", {{"GFXNAME", "green.png"}, {"CHILD1", "#"}, {"usecollision", "1"}});  // a warning
    RunResult r = run_checker(dir.path, {});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.out.find("DATA/ini.txt:24: error: "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("TYPES/LAB/LAB_GREEN:5: warning: "), std::string::npos) << r.out;

    r = run_checker(dir.path, {"--quiet"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.out.find("DATA/ini.txt:24: error: "), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("warning"), std::string::npos) << r.out;

    // Warnings alone do not fail the check.
    set_ini("TOPOGFX", "GFX\\TOPO\\");
    r = run_checker(dir.path, {"--quiet"});
    EXPECT_EQ(r.exit_code, 0) << r.out;
    EXPECT_EQ(r.out, "");

    r = run_checker(dir.path, {"--frobnicate"});
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_NE(r.err.find("usage"), std::string::npos);
}

TEST_F(CheckerGame, AFileOfGarbageIsReportedBrieflyAndWithoutItsControlBytes) {
    std::string garbage;
    for (int i = 0; i < 400; ++i) garbage += "x\x1b[2J" + std::to_string(i) + "\r\n" + std::string(300, 'y') + "\r\n";
    dir.write("TYPES/LAB/LAB_GREEN", garbage);
    check_result r = check_game();
    int listed = 0;
    for (const std::string& l : printed(r)) {
        const std::string at = "TYPES/LAB/LAB_GREEN:";
        if (l.rfind(at, 0) == 0 && std::isdigit(static_cast<unsigned char>(l[at.size()]))) listed += 1;
        for (char c : l) EXPECT_GE(static_cast<unsigned char>(c), 32) << l;
        EXPECT_LT(l.size(), 400u) << l;
    }
    EXPECT_EQ(listed, 20);
    report_at(r, "TYPES/LAB/LAB_GREEN: warning: ", "380 more unknown keys are not listed");
    report_at(r, "TYPES/LAB/LAB_GREEN:1: warning: ", "'x\\x1b[2J0' is read as a key but looks like a value");
}

TEST(CheckerProgram, NoConfigurationIsAnError) {
    TempDir empty;
    RunResult r = run_checker(empty.path, {});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.out.find("DATA/ini.txt: error: there is no DATA/ini.txt"), std::string::npos) << r.out;
}

TEST(CheckerDistance, EditsIncludeSwapsOfNeighbours) {
    EXPECT_EQ(edit_distance("MAXFOE", "MAXFOE"), 0);
    EXPECT_EQ(edit_distance("MAXFEO", "MAXFOE"), 1);
    EXPECT_EQ(edit_distance("MAXFO", "MAXFOE"), 1);
    EXPECT_EQ(edit_distance("", "ABC"), 3);
    EXPECT_EQ(edit_distance("kitten", "sitting"), 3);
}

}  // namespace
