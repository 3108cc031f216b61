// What a first game maker runs into: a blank line that shifts the
// configuration told once with what it costs, a game that cannot be played
// called an error, definition keys whose absence hides objects, pickups the
// figure cannot reach, --strict, and the catalogue of worlds.
#include <sstream>

#include "checker/test_checker_fixture.h"

using namespace tw;
using namespace tw::test;

namespace {

const std::string ini = "DATA/ini.txt";

size_t index_of(const check_result& r, const std::string& words) {
    const std::vector<std::string> lines = printed(r);
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].find(words) != std::string::npos) return i;
    return SIZE_MAX;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    // Windows' standard output ends lines with CR LF.
    for (std::string l; std::getline(in, l);) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        lines.push_back(l);
    }
    return lines;
}

}  // namespace

// A blank line before APPSTART hides every later key: the folders of the
// pictures, the object files, the figure. One finding says so and what it
// costs (not one per cell type with a made-up path), and since the game then
// has neither cell pictures nor a figure, the check fails.
TEST_F(CheckerGame, AShiftInTheConfigurationIsToldOnceWithWhatItCostsAndTheGameCannotBePlayed) {
    std::vector<std::string> lines = pair_lines(clean_ini());
    lines.insert(lines.begin() + 18, "");  // line 19, where APPSTART was
    write_ini(lines);
    check_result r = check_game();
    const std::string shift = report_at(r, ini + ":19: warning: ", "pairs shifted");
    for (const char* consequence : {"because of it: ", "no TOPOGFX: no cell has a picture", "no CURSOR",
                                    "4 cell types have no object file"})
        EXPECT_NE(shift.find(consequence), std::string::npos) << consequence << "\n" << shift;
    EXPECT_EQ(r.warnings, 1) << all_of(r);
    report_at(r, ini + ": error: ", "the game cannot be played: no cell has a picture");
    report_at(r, ini + ": error: ", "the game cannot be played: there is no player figure");
    EXPECT_EQ(r.errors, 2) << all_of(r);
    EXPECT_LT(index_of(r, "pairs shifted"), index_of(r, "cannot be played")) << "the cause comes first";

    RunResult run = run_checker(dir.path, {});
    EXPECT_EQ(run.exit_code, 1) << run.out;
}

// Left out, these keys read as 0, and the player sees nothing or gets nothing.
TEST_F(CheckerGame, LeftOutDefinitionKeysThatHideOrSpoilObjectsAreWarned) {
    definition("coin", {{"DGFXNAME", "coin"}, {"DDENSITY", "3"}, {"DCOLLISION", "1"}, {"DSCORE", "5"},
                        {"DUSECOUNTSOUND", "1"}, {"DCOUNTSOUND", "chime.ogg"}});
    definition("moss", {{"DGFXNAME", "moss"}, {"DDENSITY", "2"}, {"DGFXSHOW", "1"}, {"DGFXTRANSPARENCY", "255"},
                        {"DSCORE", "1"}});
    definition("slime", {{"DGFXNAME", "#"}, {"DISENEMY", "1"}, {"DDENSITY", "20"}});
    check_result r = check_game();
    report_at(r, "GFX/WORLD/coin.dll: warning: ", "no DGFXSHOW: it reads as 0, so objects of this type are never drawn");
    report_at(r, "GFX/WORLD/coin.dll: warning: ", "no DGFXTRANSPARENCY: it reads as 0, fully transparent");
    report_at(r, "GFX/WORLD/coin.dll: warning: ", "no DKILLONCOLLISION");
    report_at(r, "GFX/WORLD/moss.dll: warning: ", "no DCOLLISION: it reads as 0, so the player cannot collect");
    report_at(r, "GFX/WORLD/slime.dll: warning: ", "so enemies of this type are invisible");
    EXPECT_EQ(r.warnings, 5) << all_of(r);  // an enemy is drawn without DGFXSHOW
    EXPECT_EQ(r.errors, 0);
}

// A definition file whose picture is missing is the cause; the object file
// that names its type only suffers from it, and is told after it.
TEST_F(CheckerGame, AMissingPictureIsToldBeforeTheChildSlotsThatNameItsType) {
    remove("GFX/WORLD/coin.png");
    check_result r = check_game();
    const size_t cause = index_of(r, "coin.dll: warning: no picture 'coin.png'");
    const size_t effect = index_of(r, "LAB_FLOOR");
    ASSERT_NE(cause, SIZE_MAX) << all_of(r);
    ASSERT_NE(effect, SIZE_MAX) << all_of(r);
    EXPECT_LT(cause, effect) << all_of(r);
}

// Coins on cells that block can never be walked onto. Nor can any coin when
// the floor keeps the wall's USECOLLISION, which its object file leaves as is.
TEST_F(CheckerGame, PickupsTheFigureCannotReachAreWarnedAndCatalogued) {
    definition("coin", with(coin(), "DKILLONCOLLISION", "1"));
    check_result r = check_game();
    report_at(r, ini + ":12: warning: ", "the figure's start cell (1, 1) blocks, so the figure cannot move");
    EXPECT_EQ(r.warnings, 1) << all_of(r);

    object_file("LAB_FLOOR", {{"GFXNAME", "floor.png"}, {"CHILD1", "coin"}, {"CHILD2", "#"}, {"USEENEMY", "1"},
                              {"USECOLLISION", "0"}});
    object_file("LAB_GREEN", {{"GFXNAME", "green.png"}, {"CHILD1", "#"}, {"USECOLLISION", "0"}});
    r = check_game();
    EXPECT_EQ(r.warnings, 0) << all_of(r);
    object_file("LAB_WALL",
                {{"GFXNAME", "wall.png"}, {"CHILD1", "moss"}, {"CHILD2", "coin"}, {"CHILD3", "#"}, {"USECOLLISION", "1"}});
    r = check_game();
    const std::string w = report_at(r, ini + ":12: warning: ", "pickups of world 0 cannot be reached from the figure's start (1, 1)");
    EXPECT_EQ(r.warnings, 1) << all_of(r);

    // The catalogue counts the same: reachable ones are the floor's coins only.
    const world_summary s = summarize_world(0);
    EXPECT_GT(s.pickups, s.reachable_pickups);
    EXPECT_GT(s.reachable_pickups, 0);
    EXPECT_NE(w.find(std::to_string(s.pickups - s.reachable_pickups) + " of the " + std::to_string(s.pickups)),
              std::string::npos)
        << w;
    EXPECT_GT(s.objects.at("coin"), 0);
}

TEST_F(CheckerGame, StrictCountsWarningsAsErrors) {
    object_file("LAB_GREEN", {{"GFXNAME", "green.png"}, {"CHILD1", "#"}, {"usecollision", "1"}});  // a warning
    EXPECT_EQ(run_checker(dir.path, {}).exit_code, 0);
    RunResult r = run_checker(dir.path, {"--strict"});
    EXPECT_EQ(r.exit_code, 1) << r.out;
    EXPECT_NE(r.out.find("0 errors, 1 warning"), std::string::npos) << r.out;
    object_file("LAB_GREEN", {{"GFXNAME", "green.png"}, {"CHILD1", "#"}});
    EXPECT_EQ(run_checker(dir.path, {"--strict"}).exit_code, 0);
}

// The catalogue on the sample game: one line per world, world 0 as the check
// builds it, and every world within the size bounds the guide states: world 0
// from 1 to 2 * (base / 2) + 1 cells, world n >= 1 from base / 2 + n + 1 to
// 2 * (base / 2) + n + 1, and never more than MAPSIZE + 1 (here base 56 x 40,
// MAPSIZE 96).
TEST(CheckerCatalog, SampleGameWorldsAndTheirSizeBounds) {
    const std::string game = std::string(TILEWORLD_SOURCE_DIR) + "/game";
    RunResult text = run_checker(game, {"--catalog", "0", "3"});
    ASSERT_EQ(text.exit_code, 0) << text.err;
    std::vector<std::string> lines = lines_of(text.out);
    ASSERT_EQ(lines.size(), 3u) << text.out;
    EXPECT_EQ(lines[0].rfind("world 0: 57 x 35 cells, 1308 objects (bell 13, ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(", 40 enemies, 139 of 139 pickups reachable from (1, 1)"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[2].rfind("world 2: ", 0), 0u);

    RunResult csv = run_checker(game, {"--catalog", "0", "120", "--csv"});
    ASSERT_EQ(csv.exit_code, 0) << csv.err;
    lines = lines_of(csv.out);
    ASSERT_EQ(lines.size(), 121u);
    EXPECT_EQ(lines[0], "world,width,height,enemies,pickups,reachable_pickups,start_x,start_y,objects");
    EXPECT_EQ(lines[1].rfind("0,57,35,40,139,139,1,1,bell:13;", 0), 0u) << lines[1];
    bool capped = false;
    for (size_t i = 1; i < lines.size(); ++i) {
        int n = 0, w = 0, h = 0;
        ASSERT_EQ(std::sscanf(lines[i].c_str(), "%d,%d,%d,", &n, &w, &h), 3) << lines[i];
        EXPECT_EQ(n, static_cast<int>(i) - 1);
        const int least_w = n == 0 ? 1 : 28 + n + 1, most_w = 56 + n + 1;
        const int least_h = n == 0 ? 1 : 20 + n + 1, most_h = 40 + n + 1;
        EXPECT_TRUE(w == 97 || (w >= least_w && w <= most_w)) << lines[i];
        EXPECT_TRUE(h == 97 || (h >= least_h && h <= most_h)) << lines[i];
        EXPECT_LE(w, 97);
        capped |= w == 97;
    }
    EXPECT_TRUE(capped) << "by world 119 some world reaches MAPSIZE";

    EXPECT_EQ(run_checker(game, {"--catalog", "0"}).exit_code, 2);
    EXPECT_EQ(run_checker(game, {"--csv"}).exit_code, 2);
    RunResult saved = run_checker(std::string(TILEWORLD_SOURCE_DIR) + "/game-saved", {"--catalog", "0", "2"});
    EXPECT_EQ(saved.exit_code, 1);
    EXPECT_NE(saved.err.find("world 0 only"), std::string::npos) << saved.err;
}
