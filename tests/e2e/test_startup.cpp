// The real program: start-up failures, display scaling, the frame-cycle
// clock, world switching in the loop and surviving a fault.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "support/dump.h"
#include "support/game_folder.h"

using namespace tw::test;

namespace {

// A generated world with the world view off: each frame runs the whole loop
// but draws only the debug line.
void write_generated_game(const GameFolder& dir, const std::vector<std::string>& extra = {}) {
    std::vector<std::string> ini = {"WINDOWMODE", "0", "USESELFCREATEBASE", "1", "SELFCREATEBASE",
                                    "DATA\\base.txt", "RESOLUTION", "32", "RESBASEW", "1024",
                                    "MAPSIZE", "12", "LOGPATH", "DATA\\", "LOGFILE", "engine.log"};
    ini.insert(ini.end(), extra.begin(), extra.end());
    dir.configure(ini);
    dir.write("DATA/base.txt", crlf({"base", "10", "8", "", ""}));
}

RunResult run_script(const GameFolder& dir, const std::vector<std::string>& script,
                     const std::vector<std::string>& env = {}) {
    return dir.play(crlf(script), "1280x1024", env);
}

std::map<std::string, std::string> dump_fields(const std::string& path) { return read_dump(path).fields; }

}  // namespace

// A start-up failure ends with exit code 1 after its message, so that a
// script, a launcher or CI can tell that the game never ran.
TEST(Startup, WithoutConfigurationTheProgramSaysSoAndFails) {
    TempDir dir;
    auto r = run_tileworld(dir.path);
    EXPECT_EQ(r.exit_code, 1);
    // The message names the full configuration path, start-up folder first.
    EXPECT_NE(r.err.find("ERROR :  Could not open " + dir.path + "DATA\\ini.txt\n"), std::string::npos)
        << r.err;
}

TEST(Startup, MissingWorldFilesAreFatalAfterTheAssetsLoaded) {
    TempDir saved;
    saved.write("DATA/ini.txt", crlf({"WINDOWMODE", "0", "APPENTRY", "WORLDS\\", "APPSTART", "nowhere"}));
    auto r = run_tileworld(saved.path, {"TILEWORLD_DISPLAY=640x480"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("ERROR :  Could not open topographic data\n"), std::string::npos) << r.err;

    TempDir built;
    built.write("DATA/ini.txt", crlf({"USESELFCREATEBASE", "1", "SELFCREATEBASE", "DATA\\gone.txt"}));
    r = run_tileworld(built.path, {"TILEWORLD_DISPLAY=640x480"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("ERROR :  Could not open:" + built.path + "DATA\\gone.txt\n"), std::string::npos)
        << r.err;
}

TEST(Startup, DisplayScalingAndTheFrameCycleClock) {
    GameFolder dir;
    write_generated_game(dir);
    // 61 presented frames apart, with nothing but loop passes in between.
    auto r = run_script(dir, {"at 130 dump " + dir.path + "a.txt", "at 191 dump " + dir.path + "b.txt",
                              "at 192 quit"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    auto a = dump_fields(dir.path + "a.txt");
    auto b = dump_fields(dir.path + "b.txt");
    ASSERT_FALSE(a.empty()) << r.err;
    ASSERT_FALSE(b.empty()) << r.err;

    EXPECT_EQ(a["screen_width"], "1280");
    EXPECT_EQ(a["screen_height"], "1024");
    EXPECT_EQ(a["display_scale"], "1.25");
    EXPECT_EQ(a["resolution"], "40");
    EXPECT_EQ(a["loop_state"], "18");

    EXPECT_EQ(std::stoi(b["time_ticks"]), std::stoi(a["time_ticks"]) + 1);
    EXPECT_EQ(b["frame_cycle_counter"], a["frame_cycle_counter"]);
    EXPECT_GE(std::stoi(a["time_ticks"]), 1);  // most of 130 frames were loop passes
}

TEST(Startup, WithoutASoundDeviceOneLineSaysSoAndTheGamePlays) {
    GameFolder dir;
    write_generated_game(dir);
    // The audio library's own configuration names a sound card that is not
    // there; it replaces the machine's, so every machine fails the same way,
    // and the library complains on stderr while it does.
    dir.write("asound.conf", "pcm.!default { type hw card \"nosuchcard\" }\n");
    auto r = run_script(dir, {"at 60 dump " + dir.path + "d.txt", "at 61 quit"},
                        {"SDL_AUDIODRIVER=alsa", "ALSA_CONFIG_PATH=" + dir.path + "asound.conf"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, "no sound device: playing without sound\n");
    EXPECT_FALSE(dump_fields(dir.path + "d.txt").empty());  // 60 frames were played
}

TEST(Startup, WorldSwitchRebuildsBeforeTheNextFrame) {
    GameFolder dir;
    write_generated_game(dir);
    auto r = run_script(dir, {
        "at 100 key 201 down", "at 101 key 201 up",    // Page Up: world 1
        "at 105 dump " + dir.path + "up.txt",
        "at 106 key 209 down", "at 107 key 209 up",    // Page Down: world 0
        "at 108 key 209 down", "at 109 key 209 up",    // Page Down at 0: -1, rebuilt as 0
        "at 115 dump " + dir.path + "down.txt",
        "at 116 quit"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    auto up = dump_fields(dir.path + "up.txt");
    auto down = dump_fields(dir.path + "down.txt");
    EXPECT_EQ(up["world_number"], "1") << r.err;
    EXPECT_EQ(up["built_world_number"], "1");
    EXPECT_EQ(down["world_number"], "0");
    EXPECT_EQ(down["built_world_number"], "0");
}

TEST(Startup, FaultWhileRunningIsReportedAndTheGameGoesOn) {
    GameFolder dir;
    write_generated_game(dir);
    dir.write("DATA/engine.log", std::string(3000, '#'));  // an older, longer log
    auto r = run_script(dir, {"at 120 fault", "at 150 dump " + dir.path + "after.txt", "at 151 quit"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_FALSE(dump_fields(dir.path + "after.txt").empty()) << r.err;

    const std::string log = read_file(dir.path + "DATA/engine.log");
    EXPECT_EQ(fault_report_problem(log), "");
    EXPECT_EQ(log.size() - log.rfind("DATESTAMP:"), std::string("DATESTAMP:2013-,05-,17\r\n").size()) << log;
}
