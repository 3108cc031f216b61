// The real program: start-up failures, display scaling, the frame-cycle
// clock, world switching in the loop and surviving a fault.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"

using tw::test::TempDir;
using tw::test::crlf;
using tw::test::run_tileworld;

namespace {

// The named fields of a dump ("<field> <value>" lines before the lists).
std::map<std::string, std::string> dump_fields(const std::string& path) {
    std::map<std::string, std::string> fields;
    std::istringstream in(tw::test::read_file(path));
    for (std::string line; std::getline(in, line);) {
        size_t blank = line.find(' ');
        if (blank == std::string::npos || line.find(' ', blank + 1) != std::string::npos) continue;
        fields[line.substr(0, blank)] = line.substr(blank + 1);
    }
    return fields;
}

// A generated world with the world view off: each frame runs the whole loop
// but draws only the debug line.
void write_generated_game(const TempDir& dir, const std::vector<std::string>& extra = {}) {
    std::vector<std::string> ini = {"WINDOWMODE", "0", "USESELFCREATEBASE", "1", "SELFCREATEBASE",
                                    "DATA\\base.txt", "RESOLUTION", "32", "RESBASEW", "1024",
                                    "MAPSIZE", "12", "LOGPATH", "DATA\\", "LOGFILE", "engine.log"};
    ini.insert(ini.end(), extra.begin(), extra.end());
    dir.write("DATA/ini.txt", crlf(ini));
    dir.write("DATA/base.txt", crlf({"base", "10", "8", "", ""}));
}

tw::test::RunResult run_script(const TempDir& dir, const std::vector<std::string>& script,
                               std::vector<std::string> env = {}) {
    dir.write("script.txt", crlf(script));
    env.insert(env.end(), {"TILEWORLD_DISPLAY=1280x1024", "TILEWORLD_SCRIPT=" + dir.path + "script.txt"});
    return run_tileworld(dir.path, env);
}

}  // namespace

TEST(Startup, WithoutConfigurationTheProgramSaysSoAndEndsCleanly) {
    TempDir dir;
    auto r = run_tileworld(dir.path);
    EXPECT_EQ(r.exit_code, 0);
    // The message names the full configuration path, start-up folder first.
    EXPECT_NE(r.err.find("ERROR :  Could not open " + dir.path + "DATA\\ini.txt\n"), std::string::npos)
        << r.err;
}

TEST(Startup, MissingWorldFilesAreFatalAfterTheAssetsLoaded) {
    TempDir saved;
    saved.write("DATA/ini.txt", crlf({"WINDOWMODE", "0", "APPENTRY", "WORLDS\\", "APPSTART", "nowhere"}));
    auto r = run_tileworld(saved.path, {"TILEWORLD_DISPLAY=640x480"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_NE(r.err.find("ERROR :  Could not open topographic data\n"), std::string::npos) << r.err;

    TempDir built;
    built.write("DATA/ini.txt", crlf({"USESELFCREATEBASE", "1", "SELFCREATEBASE", "DATA\\gone.txt"}));
    r = run_tileworld(built.path, {"TILEWORLD_DISPLAY=640x480"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_NE(r.err.find("ERROR :  Could not open:" + built.path + "DATA\\gone.txt\n"), std::string::npos)
        << r.err;
}

TEST(Startup, DisplayScalingAndTheFrameCycleClock) {
    TempDir dir;
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
    TempDir dir;
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
    TempDir dir;
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
    TempDir dir;
    write_generated_game(dir);
    dir.write("DATA/engine.log", std::string(3000, '#'));  // an older, longer log
    auto r = run_script(dir, {"at 120 fault", "at 150 dump " + dir.path + "after.txt", "at 151 quit"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_FALSE(dump_fields(dir.path + "after.txt").empty()) << r.err;

    std::string log = tw::test::read_file(dir.path + "DATA/engine.log");
    std::vector<std::string> lines;
    for (size_t start = 0; start < log.size();) {
        size_t end = log.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << "every line ends with CR LF: " << log;
        lines.push_back(log.substr(start, end - start));
        start = end + 2;
    }
    ASSERT_EQ(lines.size(), 6u) << log;
    EXPECT_EQ(lines[0], "ENGINE REPORT: ERROR:");
    EXPECT_EQ(lines[1], "Invalid memory access");
    EXPECT_EQ(lines[2], "LINE:-1");
    EXPECT_EQ(lines[3].rfind("MODULE:", 0), 0u);
    EXPECT_EQ(lines[4], " ");
    EXPECT_EQ(lines[5].rfind("DATESTAMP:", 0), 0u);
    EXPECT_EQ(lines[5].size(), std::string("DATESTAMP:2013-,05-,17").size());
}
