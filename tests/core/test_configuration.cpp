#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "core/core.h"
#include "runtime/media_runtime.h"
#include "support/test_support.h"

using namespace tw;
using tw::test::TempDir;
using tw::test::crlf;

namespace {

// Fresh start values and a start-up folder inside a temporary folder.
struct ConfigTest : ::testing::Test {
    TempDir dir;
    void SetUp() override {
        set_start_values();
        engine.base_dir = dir.path;
        engine.config_path = dir.path + "DATA\\ini.txt";
    }
    void read(const std::string& contents) {
        read_configuration_pairs(dir.write("DATA/ini.txt", contents));
    }
};

}  // namespace

TEST_F(ConfigTest, ValueKindsAndPathJoining) {
    read(crlf({"SOUNDFXPATH", "DATA\\SFX\\",        // path: base_dir + value, no separator added
               "APPNAME", "  My Game  ",             // text: unchanged, not trimmed
               "RGBCODEPATH", "DATA\\RGB\\",         // text, not a path
               "EGFXMAX", " \t-12abc",               // int: blanks skipped, digits up to a non-digit
               "MAXFOE", "none",                     // int: no digits gives 0
               "RESOLUTION", "32.9",                 // int stored as float
               "FULLSCREENZOOM", " 1.5e1x",          // float: longest numeric prefix
               "WORLDTEMPERATURE", "warm",           // float: no number gives 0
               "USELOGFILE", "257",                  // flag: low 8 bits, 257 -> 1
               "USEFULLMATRIX", "256",               // 256 -> 0
               "MULTICORE", "255",                   // 255 -> -1 as a signed byte
               "LABSWITCH", "3"}));
    EXPECT_EQ(engine.sound_fx_path, dir.path + "DATA\\SFX\\");
    EXPECT_EQ(engine.app_name, "  My Game  ");
    EXPECT_EQ(engine.rgb_code_path, "DATA\\RGB\\");
    EXPECT_EQ(engine.egfx_max, -12);
    EXPECT_EQ(engine.max_foe, 0);
    EXPECT_EQ(engine.resolution, 32.0f);
    EXPECT_EQ(engine.full_screen_zoom, 15.0f);
    EXPECT_EQ(engine.world_temperature, 0.0f);
    EXPECT_EQ(engine.use_log_file, 1);
    EXPECT_EQ(engine.use_full_matrix, 0);
    EXPECT_EQ(engine.multicore, -1);
    EXPECT_EQ(engine.lab_switch, 3);
}

TEST_F(ConfigTest, EveryPathKeyIsJoinedToTheStartFolder) {
    // Paths are joined to the start folder, texts kept as they stand.
    const struct {
        const char* key;
        text EngineState::*member;
        value_kind kind;
    } keys[] = {{"SOUNDFXPATH", &EngineState::sound_fx_path, value_kind::path},
                {"EGFXPATH", &EngineState::egfx_path, value_kind::path},
                {"FONTPATH", &EngineState::font_path, value_kind::path},
                {"FONTSYSTEM", &EngineState::font_system, value_kind::path},
                {"GFXPATH", &EngineState::gfx_path, value_kind::path},
                {"TOPO", &EngineState::topo_path, value_kind::path},
                {"BASICGFX", &EngineState::basic_gfx_path, value_kind::path},
                {"TOPOGFX", &EngineState::topo_gfx_path, value_kind::path},
                {"SYSTEMCORE", &EngineState::system_core_path, value_kind::path},
                {"LOGPATH", &EngineState::log_path, value_kind::path},
                {"WORLDGFX", &EngineState::world_gfx_path, value_kind::path},
                {"CURSOR", &EngineState::cursor_path, value_kind::path},
                {"SELFCREATEBASE", &EngineState::self_create_base_path, value_kind::path},
                {"SAVEGFX", &EngineState::save_gfx, value_kind::text},
                {"SAVEEVOLUTION", &EngineState::save_evolution, value_kind::text},
                {"APPENTRY", &EngineState::app_entry, value_kind::text},
                {"APPSTART", &EngineState::app_start, value_kind::text},
                {"GFXCODEC", &EngineState::gfx_codec, value_kind::text},
                {"CORENAME", &EngineState::core_name, value_kind::text},
                {"LOGFILE", &EngineState::log_file, value_kind::text},
                {"LOADSCREEN", &EngineState::load_screen, value_kind::text},
                {"LOADANIM", &EngineState::load_anim, value_kind::text},
                {"APPNAME", &EngineState::app_name, value_kind::text},
                {"RGBCODEPATH", &EngineState::rgb_code_path, value_kind::text}};
    std::set<std::pair<std::string, value_kind>> tested;
    for (const auto& k : keys) {
        apply_config_key(k.key, "X");
        EXPECT_EQ(engine.*k.member, (k.kind == value_kind::path ? dir.path : "") + "X") << k.key;
        tested.insert({k.key, k.kind});
    }
    // The key table, which the data checker reads, describes exactly these
    // keys as paths and texts.
    std::set<std::pair<std::string, value_kind>> described;
    for (const key_description& k : configuration_keys())
        if (k.kind == value_kind::path || k.kind == value_kind::text) described.insert({k.key, k.kind});
    EXPECT_EQ(described, tested);
}

TEST_F(ConfigTest, EveryLineEndIsAccepted) {
    // CR LF, lone LF, lone CR and NUL each end exactly one line.
    std::string s = "APPNAME\r\nlf\nMAXFOE\r7\rLABSWITCH";
    s += '\0';
    s += "9\r\nAPPSTART\nworld";
    read(s);
    EXPECT_EQ(engine.app_name, "lf");
    EXPECT_EQ(engine.max_foe, 7);
    EXPECT_EQ(engine.lab_switch, 9);
    EXPECT_EQ(engine.app_start, "world");
}

TEST_F(ConfigTest, LastKeyWithoutValueGetsAnEmptyValue) {
    read("MAXFOE\r\n4\r\nSOUNDFXPATH");
    EXPECT_EQ(engine.max_foe, 4);
    EXPECT_EQ(engine.sound_fx_path, dir.path);
    read("EGFXMAX\r\n");
    EXPECT_EQ(engine.egfx_max, 0);
}

TEST_F(ConfigTest, StrayLineShiftsThePairingUntilAnotherRestoresIt) {
    read(crlf({"MAXFOE", "1",
               "",                 // stray blank line: now values are read as keys
               "LABSWITCH", "2",   // "LABSWITCH" is a value, "2" a key: ignored
               "EGFXMAX", "3",     // ignored the same way
               "stray",            // second stray line restores the pairing
               "VEGIDENSE", "4"}));
    EXPECT_EQ(engine.max_foe, 1);
    EXPECT_EQ(engine.lab_switch, 0);
    EXPECT_EQ(engine.egfx_max, 50);
    EXPECT_EQ(engine.vegi_dense, 4);
}

TEST_F(ConfigTest, UnknownKeysAreSkippedAndRepeatedKeysLastWins) {
    read(crlf({"maxfoe", "9",        // case matters
               " MAXFOE", "9",       // no trimming of keys
               "MAXFOE ", "9",
               "NOTE", "anything at all",
               "MAXFOE", "5",
               "MAXFOE", "6"}));
    EXPECT_EQ(engine.max_foe, 6);
}

TEST_F(ConfigTest, WorldViewFlagFollowsTheLaterOfItsTwoKeys) {
    read(crlf({"WINDOWMODE", "1", "USESPRITE3D", "0"}));
    EXPECT_EQ(engine.window_mode, 0);
    read(crlf({"USESPRITE3D", "0", "WINDOWMODE", "1"}));
    EXPECT_EQ(engine.window_mode, 1);
}

TEST_F(ConfigTest, MapSizeLimits) {
    const std::vector<std::pair<std::string, int>> cases = {
        {"5000", 1024}, {"1024", 1024}, {"1025", 1024}, {"-3", 32}, {"0", 0}, {"77", 77}};
    for (const auto& [value, expected] : cases) {
        apply_config_key("MAPSIZE", value);
        EXPECT_EQ(engine.map_size_x, expected) << value;
        EXPECT_EQ(engine.map_size_y, expected) << value;
    }
}

TEST_F(ConfigTest, CursorSpeedIsClampedBeforeTheInverse) {
    const std::vector<std::tuple<std::string, int, int>> cases = {
        {"300", 255, 0}, {"-5", 0, 255}, {"100", 100, 155}, {"255", 255, 0}};
    for (const auto& [value, speed, inverse] : cases) {
        apply_config_key("CURSORSPEED", value);
        EXPECT_EQ(engine.cursor_speed, speed) << value;
        EXPECT_EQ(engine.cursor_speed_inverse, inverse) << value;
    }
}

TEST_F(ConfigTest, NegativeMultitaskNeverStallsTheLoop) {
    apply_config_key("MULTITASK", "-1");
    EXPECT_EQ(engine.multitask, 0);
    apply_config_key("MULTITASK", "15");
    EXPECT_EQ(engine.multitask, 15);
}

TEST_F(ConfigTest, WorldRefreshSetsTheTimeCycleToo) {
    read(crlf({"WORLDREFRESH", "30"}));
    EXPECT_EQ(engine.world_refresh, 30);
    EXPECT_EQ(engine.frame_cycle_length, 30);
}

TEST_F(ConfigTest, WorldRandomSeedsTheGeneratorWhileReading) {
    random_seed(99);  // anything else first
    read(crlf({"WORLDRANDOM", "1234", "MAXFOE", "2"}));
    EXPECT_EQ(engine.world_random, 1234);
    std::vector<int> after_config, after_seed;
    for (int k = 0; k < 8; ++k) after_config.push_back(tw::random(100000));
    random_seed(1234);
    for (int k = 0; k < 8; ++k) after_seed.push_back(tw::random(100000));
    EXPECT_EQ(after_config, after_seed);
}

TEST_F(ConfigTest, MissingFileIsFatalErrorZero) {
    // Reading alone leaves everything at its start value.
    read_configuration_pairs(dir.path + "nothing-here.txt");
    EXPECT_EQ(engine.egfx_max, 50);
#if defined(_WIN32)
    // The death test runs in a fresh process, with a temporary folder of its own.
    const std::string expected = "ERROR :  Could not open .*tileworld-test-.*/DATA\\\\ini\\.txt";
#else
    const std::string expected = "ERROR :  Could not open " + dir.path + "DATA\\\\ini\\.txt";
#endif
    EXPECT_EXIT(load_configuration(engine.config_path), ::testing::ExitedWithCode(1), expected);
}
