// Live reload (tileworld --watch) of the real program on the sample games,
// paced: the script writes a dump every few frames while the test changes
// the game's files, and the test reads the dumps until the change shows.
// Nothing here waits for a fixed time: each step waits for a dump or for a
// line on stderr, and the script's length only bounds the whole run.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

#include "support/dump.h"
#include "support/game_folder.h"
#include "support/test_support.h"

using namespace tw::test;

namespace {

constexpr int first_dump = 240, dump_step = 15, last_dump = 6000;

bool exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// The script's dumps, d-F.txt in a folder outside the game: each is whole
// once the next one exists (the program writes them in frame order).
struct Dumps {
    std::string dir;
    int frame = first_dump;
    std::string name(int f) const { return dir + "d-" + std::to_string(f) + ".txt"; }

    std::string script(const std::string& before = "") const {
        std::string s = before;
        for (int f = first_dump; f <= last_dump; f += dump_step)
            s += "at " + std::to_string(f) + " dump " + name(f) + "\n";
        return s + "at " + std::to_string(last_dump + 1) + " quit\n";
    }

    // Skips the dumps that were written while the test was busy elsewhere.
    void catch_up() {
        while (exists(name(frame + 2 * dump_step))) {
            std::remove(name(frame).c_str());
            frame += dump_step;
        }
    }

    // The next whole dump; one that does not exist when the program ended.
    Dump next(RunningProgram& program) {
        while (!exists(name(frame + dump_step))) {
            if (program.wait(0)) return {};
            usleep(20000);
        }
        Dump d = read_dump(name(frame));
        std::remove(name(frame).c_str());
        frame += dump_step;
        return d;
    }

    // Dumps until one shows what `arrived` looks for: that one, or none.
    // A reload presents its progress bar, and a dump taken then shows a world
    // half made, so `arrived` looks for the whole change.
    Dump until(RunningProgram& program, const std::function<bool(const Dump&)>& arrived) {
        catch_up();
        for (;;) {
            Dump d = next(program);
            if (!d.exists || arrived(d)) return d;
        }
    }
    // Dumps until two in a row agree on `value` and `arrived` holds for it.
    Dump settled(RunningProgram& program, const std::function<std::string(const Dump&)>& value,
                 const std::function<bool(const Dump&)>& arrived) {
        std::string last = "?";
        catch_up();
        for (;;) {
            Dump d = next(program);
            if (!d.exists) return d;
            const std::string now = value(d);
            if (now == last && arrived(d)) return d;
            last = now;
        }
    }
};

// Waits for a line on stderr; false when the program ended first.
bool said(RunningProgram& program, const std::string& words) {
    while (program.error_so_far().find(words) == std::string::npos) {
        if (program.wait(0)) return program.result.err.find(words) != std::string::npos;
        usleep(20000);
    }
    return true;
}

std::string read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Rewrites a file with `from` replaced by `to` (which must be there).
void change(const std::string& path, const std::string& from, const std::string& to) {
    std::string body = read_bytes(path);
    const size_t at = body.find(from);
    ASSERT_NE(at, std::string::npos) << from << " in " << path;
    body.replace(at, from.size(), to);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << body;
}

int cells_blocking(const Dump& d, const std::string& type) {
    int n = 0;
    for (const DumpCell& c : d.cells) n += c.type == type && c.use_collision != 0;
    return n;
}

int cells_of(const Dump& d, const std::string& type) {
    int n = 0;
    for (const DumpCell& c : d.cells) n += c.type == type;
    return n;
}

// The script and its dumps sit together outside the game folder.
std::vector<std::string> paced(const std::string& script_path) {
    return {"TILEWORLD_SCRIPT=" + script_path, "TILEWORLD_PACE=120", "TILEWORLD_DISPLAY=640x360",
            "TILEWORLD_OUTPUT_FOLDER=" + script_path.substr(0, script_path.rfind('/') + 1)};
}

}  // namespace

// A generated world: Page Up to world 1, then a cell type, a definition, a
// broken picture (refused) and its repair, each while the game runs.
TEST(LiveReload, GeneratedWorldTakesChangesKeepsItsNumberAndSurvivesABrokenPicture) {
    GameFolder game("game");
    Dumps dumps{game.outside.path};
    const std::string script =
        game.outside.write("script.txt", dumps.script("at 80 key 201 down\nat 82 key 201 up\n"));
    RunningProgram program(game.path, paced(script), 600, TILEWORLD_BINARY, {"--watch"});

    const Dump before = dumps.next(program);
    ASSERT_TRUE(before.exists) << program.result.err;
    ASSERT_EQ(before.field("world_number"), "1");
    const int floors = cells_of(before, "LAB_FLOOR");
    ASSERT_GT(floors, 0);
    ASSERT_EQ(cells_blocking(before, "LAB_FLOOR"), 0);

    // The floor's object file: floors block from now on, in the same world.
    const std::string floor_file = game.file("TYPES/LABY/LAB_FLOOR");
    change(floor_file, "USECOLLISION\r\n0", "USECOLLISION\r\n1");
    Dump d = dumps.until(program, [&](const Dump& x) { return cells_blocking(x, "LAB_FLOOR") == floors; });
    ASSERT_TRUE(d.exists) << program.result.err;
    EXPECT_EQ(cells_blocking(d, "LAB_FLOOR"), floors);
    EXPECT_EQ(d.field("world_number"), "1");
    EXPECT_EQ(d.field("world_width"), before.field("world_width"));  // the same seeded world, rebuilt
    EXPECT_EQ(d.field("world_height"), before.field("world_height"));
    EXPECT_EQ(cells_of(d, "LAB_FLOOR"), floors);

    // A definition: coins are never placed any more.
    const int instances = std::stoi(d.field("instances"));
    change(game.file("GFX/WORLD/coin.dll"), "DDENSITY\r\n6", "DDENSITY\r\n-1");
    d = dumps.settled(
        program, [](const Dump& x) { return x.field("instances"); },
        [&](const Dump& x) { return std::stoi(x.field("instances")) < instances; });
    ASSERT_TRUE(d.exists) << program.result.err;
    EXPECT_EQ(d.field("world_number"), "1");
    // The labyrinth draws from the same generator as the placement, so
    // fewer draws for coins carve other floors: the world is rebuilt anew.
    const int floors_now = cells_of(d, "LAB_FLOOR");
    EXPECT_EQ(cells_blocking(d, "LAB_FLOOR"), floors_now);

    // A picture that no longer decodes, together with another change: the
    // reload is refused, the game keeps its world and goes on.
    const std::string picture = game.file("GFX/TOPO/floor.png");
    const std::string good_picture = read_bytes(picture);
    std::ofstream(picture, std::ios::binary | std::ios::trunc) << "not a picture";
    change(floor_file, "USECOLLISION\r\n1", "USECOLLISION\r\n0");
    ASSERT_TRUE(said(program, "reload refused: GFX/TOPO/floor.png cannot be read as a picture"))
        << program.result.err;
    const int refused_at = dumps.frame;
    d = dumps.until(program, [&](const Dump&) { return dumps.frame > refused_at + dump_step; });
    ASSERT_TRUE(d.exists) << "the program ended after the refused reload: " << program.result.err;
    EXPECT_EQ(cells_blocking(d, "LAB_FLOOR"), floors_now);
    EXPECT_EQ(d.field("world_number"), "1");

    // Repaired: the refused change to the object file arrives with it.
    std::ofstream(picture, std::ios::binary | std::ios::trunc) << good_picture;
    d = dumps.until(program, [&](const Dump& x) {
        return cells_blocking(x, "LAB_FLOOR") == 0 && cells_of(x, "LAB_FLOOR") == floors_now;
    });
    ASSERT_TRUE(d.exists) << program.result.err;
    EXPECT_EQ(d.field("world_number"), "1");

    const std::string err = program.error_so_far();
    EXPECT_NE(err.find("reloading after changes to TYPES/LABY/LAB_FLOOR"), std::string::npos) << err;
    EXPECT_NE(err.find("reloaded world 1"), std::string::npos) << err;
    EXPECT_NE(err.find("tileworld-check on the whole game:"), std::string::npos) << err;
}

// A saved world: the configuration (a key that changes live and one that
// waits for the next start), the topography, and a configuration naming a
// world that is not there (refused).
TEST(LiveReload, SavedWorldTakesConfigurationAndWorldFilesAndRefusesAMissingWorld) {
    GameFolder game("game-saved");
    Dumps dumps{game.outside.path};
    const std::string script = game.outside.write("script.txt", dumps.script());
    RunningProgram program(game.path, paced(script), 600, TILEWORLD_BINARY, {"--watch"});

    const Dump before = dumps.next(program);
    ASSERT_TRUE(before.exists) << program.result.err;
    ASSERT_EQ(before.field("cursor_speed"), "250");
    ASSERT_FALSE(before.cells.empty());
    ASSERT_EQ(before.cells[0].type, "0000255");

    const std::string ini = game.file("DATA/ini.txt");
    change(ini, "CURSORSPEED\r\n250", "CURSORSPEED\r\n100");
    change(ini, "RESOLUTION\r\n32", "RESOLUTION\r\n40");
    Dump d = dumps.until(program, [](const Dump& x) { return x.field("cursor_speed") == "100"; });
    ASSERT_TRUE(d.exists) << program.result.err;
    EXPECT_EQ(d.field("resolution"), before.field("resolution"));
    EXPECT_NE(program.error_so_far().find("RESOLUTION changed: kept until the next start"), std::string::npos);

    // Cell (0, 0) becomes grey rock.
    change(game.file("WORLDS/ISLAND.ai42"), "0\r\n000\r\n255\r\n", "128\r\n128\r\n128\r\n");
    // The opacity file is read last: its last value in place means a whole world.
    const DumpCell last = before.cells.back();
    d = dumps.until(program, [&](const Dump& x) {
        return x.cells.size() == before.cells.size() && x.cells[0].type == "128128128" &&
               x.cells.back().type == last.type && x.cells.back().alpha == last.alpha;
    });
    ASSERT_TRUE(d.exists) << program.result.err;
    EXPECT_EQ(d.field("world_width"), before.field("world_width"));
    EXPECT_EQ(d.cells.size(), before.cells.size());

    change(ini, "APPSTART\r\nISLAND", "APPSTART\r\nNOWHERE");
    ASSERT_TRUE(said(program, "reload refused: the topography file WORLDS/NOWHERE.ai42 cannot be opened"))
        << program.result.err;
    const int refused_at = dumps.frame;
    d = dumps.until(program, [&](const Dump&) { return dumps.frame > refused_at + dump_step; });
    ASSERT_TRUE(d.exists) << "the program ended after the refused reload: " << program.result.err;
    EXPECT_EQ(d.cells[0].type, "128128128");
    EXPECT_EQ(d.field("cursor_speed"), "100");
}

// Without --watch the game never looks at its files: a change made while it
// runs shows in none of the later dumps (the pace keeps well over a second
// between the change and the last dump).
TEST(LiveReload, WithoutWatchNothingIsReloaded) {
    GameFolder game("game");
    Dumps dumps{game.outside.path};
    std::string script;
    for (int f : {first_dump, first_dump + dump_step, 400, 400 + dump_step})
        script += "at " + std::to_string(f) + " dump " + dumps.name(f) + "\n";
    script += "at 500 quit\n";
    RunningProgram program(game.path, paced(game.outside.write("script.txt", script)), 600);

    const Dump before = dumps.next(program);
    ASSERT_TRUE(before.exists) << program.result.err;
    change(game.file("TYPES/LABY/LAB_FLOOR"), "USECOLLISION\r\n0", "USECOLLISION\r\n1");
    dumps.frame = 400;
    const Dump after = dumps.next(program);
    ASSERT_TRUE(after.exists) << program.result.err;
    EXPECT_EQ(cells_blocking(after, "LAB_FLOOR"), 0);
    ASSERT_TRUE(program.wait(-1));
    EXPECT_EQ(program.result.exit_code, 0);
    EXPECT_EQ(program.result.err.find("reload"), std::string::npos) << program.result.err;
}
