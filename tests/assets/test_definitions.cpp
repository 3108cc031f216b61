// Object definitions: the key rules of a definition file and the loader's
// folder scan (order, files only, the definition-file name rule, reloads).
#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

#include "assets/assets.h"
#include "runtime/media_runtime.h"
#include "support/media_files.h"
#include "support/test_support.h"

using namespace tw;
using tw::test::TempDir;
using tw::test::crlf;

namespace {

// A picture of one colour.
tw::test::Bytes bmp_image(int w, int h) { return tw::test::solid_bmp(w, h, {10, 120, 200}); }

class Definitions : public ::testing::Test {
protected:
    void SetUp() override {
        set_start_values();
        engine.world_gfx_path = dir.path + "gfx/";
        engine.gfx_codec = ".bmp";
    }
    void TearDown() override {
        for (object_definition& d : engine.object_definitions.items) {
            if (d.sprite != 0) free_sprite(d.sprite);
        }
        list_clear(engine.object_definitions);
    }
    // One image with its definition file (lines joined with CR LF).
    void add_type(const std::string& stem, const std::vector<std::string>& lines) {
        dir.write("gfx/" + stem + ".bmp", bmp_image(4, 2));
        dir.write("gfx/" + stem + ".dll", crlf(lines));
    }
    const object_definition& def(int i) { return engine.object_definitions.items.at(static_cast<size_t>(i)); }
    TempDir dir;
};

}  // namespace

// ===========================================================================
// Key and value rules
// ===========================================================================

TEST(DefinitionKeys, ValuesConvertedAsWritten) {
    object_definition d;
    apply_definition_key(d, "DSCORE", " 12abc");
    EXPECT_EQ(d.score, 12);
    apply_definition_key(d, "DDENSITY", "three");
    EXPECT_EQ(d.density, 0);
    apply_definition_key(d, "DCHANGEDIRECTION", "\t-7");
    EXPECT_EQ(d.change_direction, -7);

    // Width-8 fields keep the low 8 bits, read back signed.
    apply_definition_key(d, "DFITTOMATRIX", "257");
    EXPECT_EQ(d.fit_to_matrix, 1);
    apply_definition_key(d, "DCOLLISION", "-1");
    EXPECT_EQ(d.collision, -1);
    apply_definition_key(d, "DAILEVEL", "200");
    EXPECT_EQ(d.ai_level, -56);
    apply_definition_key(d, "DISENEMY", "256");
    EXPECT_EQ(d.is_enemy, 0);

    // Texts are kept exactly, blanks and case included.
    apply_definition_key(d, "DHOTSPOT", " center ");
    EXPECT_EQ(d.hotspot, " center ");
    apply_definition_key(d, "DCOUNTSOUND", "Coin.ogg");
    EXPECT_EQ(d.count_sound, "Coin.ogg");
}

TEST(DefinitionKeys, NameMarkersAndUnknownKeys) {
    object_definition d;
    apply_definition_key(d, "DGFXNAME", "");
    EXPECT_EQ(d.gfx_name, "NOPE");
    apply_definition_key(d, "DGFXNAME", "oak");
    EXPECT_EQ(d.gfx_name, "oak");  // a later key wins
    apply_definition_key(d, "DGFXNAME", "#");
    EXPECT_EQ(d.gfx_name, "NOPE");
    apply_definition_key(d, "DGFXNAME", " #");
    EXPECT_EQ(d.gfx_name, " #");

    // Keys match the whole line, case-sensitively; others change nothing.
    object_definition before = d;
    apply_definition_key(d, "dscore", "5");
    apply_definition_key(d, "DSCORE ", "5");
    apply_definition_key(d, " DSCORE", "5");
    apply_definition_key(d, "", "5");
    EXPECT_EQ(d.score, before.score);
}

TEST(DefinitionKeys, EveryKeyReachesItsField) {
    const std::vector<std::pair<std::string, std::string>> pairs = {
        {"DGFXNAME", "n"},       {"DGFXTRANSPARENCY", "1"}, {"DDENSITY", "2"},   {"DFITTOMATRIX", "3"},
        {"DCOLLISION", "4"},     {"DHOTSPOT", "RIGHT"},     {"DXMODE1", "5"},    {"DXMODE2", "6"},
        {"DGFXSHOW", "7"},       {"DCENTERFIELD", "8"},     {"DKILLONCOLLISION", "9"},
        {"DSCORE", "10"},        {"DCOUNTTOSCORE", "11"},   {"DUSECOUNTSOUND", "12"},
        {"DCOUNTSOUND", "s.ogg"}, {"DISPLAYER", "13"},      {"DISENEMY", "14"},  {"DRANDOMMOVE", "15"},
        {"DMOVEX", "16"},        {"DMOVEY", "17"},          {"DVELOX", "18"},    {"DVELOY", "19"},
        {"DAILEVEL", "20"},      {"DDMOVE", "21"},          {"DCHANGEDIRECTION", "22"}};
    object_definition d;
    for (const auto& [k, v] : pairs) apply_definition_key(d, k, v);
    EXPECT_EQ(d.gfx_name, "n");
    EXPECT_EQ(d.hotspot, "RIGHT");
    EXPECT_EQ(d.count_sound, "s.ogg");
    // The numeric fields in the order of their keys: 1 to 22.
    const std::vector<long> numbers = {d.gfx_transparency, d.density,        d.fit_to_matrix,     d.collision,
                                       d.x_mode1,          d.x_mode2,        d.gfx_show,          d.center_field,
                                       d.kill_on_collision, d.score,         d.count_to_score,    d.use_count_sound,
                                       d.is_player,        d.is_enemy,       d.random_move,       d.move_x,
                                       d.move_y,           d.velo_x,         d.velo_y,            d.ai_level,
                                       d.d_move,           d.change_direction};
    std::vector<long> one_to_22(22);
    std::iota(one_to_22.begin(), one_to_22.end(), 1);
    EXPECT_EQ(numbers, one_to_22);
}

TEST(DefinitionKeys, DefinitionFileNameCutsAtFirstExactExtension) {
    EXPECT_EQ(definition_file_path("gfx/Trees/oak.png", ".png"), "gfx/Trees/oak.dll");
    // The first occurrence anywhere in the path, folder included.
    EXPECT_EQ(definition_file_path("gfx/a.png.d/oak.png", ".png"), "gfx/a.dll");
    // Another case is not the extension: nothing is kept.
    EXPECT_EQ(definition_file_path("gfx/OAK.PNG", ".png"), ".dll");
    EXPECT_EQ(definition_file_path("gfx/oak.png", ""), ".dll");
}

// ===========================================================================
// Definition files as read from disk
// ===========================================================================

TEST_F(Definitions, LinePairsAndTheirShifts) {
    add_type("a", {"DGFXNAME", "oak", "DDENSITY", "3", "DGFXNAME", "elm"});
    // A key line with a trailing blank is not a key; the next line is its value.
    add_type("b", {"DSCORE ", "DDENSITY", "4", "DGFXNAME", "pine"});
    // An odd line count gives the last key the empty value.
    add_type("c", {"DHOTSPOT", "RIGHT", "DGFXNAME"});
    // Lone CR and LF line ends, and a key that is not in the table.
    dir.write("gfx/d.bmp", bmp_image(4, 2));
    dir.write("gfx/d.dll", "DCOLOUR\rred\rDSCORE\n-12\r\nDHOTSPOT\r\nCENTER");

    load_object_definitions();
    ASSERT_EQ(list_size(engine.object_definitions), 4);
    EXPECT_EQ(def(0).gfx_name, "elm");
    EXPECT_EQ(def(0).density, 3);
    EXPECT_EQ(def(1).gfx_name, "");
    EXPECT_EQ(def(1).density, 0);
    EXPECT_EQ(def(1).score, 0);
    EXPECT_EQ(def(2).hotspot, "RIGHT");
    EXPECT_EQ(def(2).gfx_name, "NOPE");
    EXPECT_EQ(def(3).score, -12);
    EXPECT_EQ(def(3).hotspot, "CENTER");
}

TEST_F(Definitions, FolderScanOrderFilesOnlyAndMissingFiles) {
    add_type("b", {"DGFXNAME", "bee"});
    add_type("A", {"DGFXNAME", "ant"});
    dir.write("gfx/c.bmp", bmp_image(4, 2));           // no definition file
    dir.write("gfx/sub.bmp/inner.bmp", bmp_image(2, 2)); // a folder is never a type
    dir.write("gfx/notes.txt", "DGFXNAME\r\nnotes\r\n");

    load_object_definitions();
    ASSERT_EQ(list_size(engine.object_definitions), 3);
    EXPECT_EQ(def(0).image_path, engine.world_gfx_path + "A.bmp");
    EXPECT_EQ(def(0).gfx_name, "ant");
    EXPECT_EQ(def(1).gfx_name, "bee");
    EXPECT_EQ(def(2).image_path, engine.world_gfx_path + "c.bmp");
    // Without its definition file a type has an empty name (not "NOPE") and zeros.
    EXPECT_EQ(def(2).gfx_name, "");
    EXPECT_EQ(def(2).density, 0);
    EXPECT_EQ(def(2).gfx_show, 0);
}

// Which of two types sharing a name draws first follows the listing, where
// letters compare as upper case: "oakb" lists before "oak_x".
TEST_F(Definitions, SameNamedTypesListAsAWindowsFolderDoes) {
    add_type("oak_x", {"DGFXNAME", "oak", "DSCORE", "1"});
    add_type("oakb", {"DGFXNAME", "oak", "DSCORE", "2"});
    add_type("OAKA", {"DGFXNAME", "oak", "DSCORE", "3"});
    load_object_definitions();
    ASSERT_EQ(list_size(engine.object_definitions), 3);
    EXPECT_EQ(def(0).score, 3);
    EXPECT_EQ(def(1).score, 2);
    EXPECT_EQ(def(2).score, 1);
}

TEST_F(Definitions, ExtensionInAnotherCaseFindsNoDefinitionFile) {
    dir.write("gfx/OAK.BMP", bmp_image(4, 2));
    dir.write("gfx/OAK.dll", crlf({"DGFXNAME", "oak"}));
    load_object_definitions();
    ASSERT_EQ(list_size(engine.object_definitions), 1);  // the listing ignores case
    EXPECT_EQ(def(0).gfx_name, "");
}

TEST_F(Definitions, MissingFolderLeavesNoDefinitions) {
    add_type("a", {"DGFXNAME", "oak"});
    load_object_definitions();
    ASSERT_EQ(list_size(engine.object_definitions), 1);
    engine.world_gfx_path = dir.path + "nowhere/";
    load_object_definitions();
    EXPECT_EQ(list_size(engine.object_definitions), 0);
}

TEST_F(Definitions, ReloadFreesSpritesAndReadsChangedFiles) {
    add_type("a", {"DGFXNAME", "oak", "DDENSITY", "1"});
    add_type("b", {"DGFXNAME", "elm"});
    load_object_definitions();
    ASSERT_EQ(list_size(engine.object_definitions), 2);
    const int old_a = def(0).sprite, old_b = def(1).sprite;
    ASSERT_NE(old_a, 0);
    ASSERT_NE(old_b, 0);
    EXPECT_EQ(sprite_width(old_a), 4);
    EXPECT_EQ(sprite_height(old_a), 2);

    // A cursor left in the middle must not disturb the order of the next scan.
    list_select(engine.object_definitions, 0);
    add_type("a", {"DGFXNAME", "ash", "DDENSITY", "5"});
    add_type("c", {"DGFXNAME", "fir"});
    load_object_definitions();
    ASSERT_EQ(list_size(engine.object_definitions), 3);
    // The old sprites are gone; a handle may only live on as one of the new ones.
    for (int old : {old_a, old_b}) {
        bool reused = old == def(0).sprite || old == def(1).sprite || old == def(2).sprite;
        EXPECT_EQ(is_sprite(old), reused) << old;
    }
    EXPECT_EQ(def(0).gfx_name, "ash");
    EXPECT_EQ(def(0).density, 5);
    EXPECT_EQ(def(1).gfx_name, "elm");
    EXPECT_EQ(def(2).gfx_name, "fir");
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(is_sprite(def(i).sprite));
}

TEST_F(Definitions, UndecodableImageKeepsItsDefinition) {
    dir.write("gfx/broken.bmp", "not an image");
    dir.write("gfx/broken.dll", crlf({"DGFXNAME", "ghost", "DCOLLISION", "1"}));
    load_object_definitions();
    ASSERT_EQ(list_size(engine.object_definitions), 1);
    EXPECT_EQ(def(0).sprite, 0);
    EXPECT_EQ(def(0).gfx_name, "ghost");
    EXPECT_EQ(def(0).collision, 1);
}
