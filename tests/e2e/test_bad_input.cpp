// Broken, odd and hostile game data, fed to the real program headless: for
// each kind of damage the program either ends with the fatal error that names
// the problem or passes over the damaged part and plays on. Either way it ends
// with exit code 0, never crashes, and writes nothing into the game folder but
// its report log.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/game_folder.h"

namespace fs = std::filesystem;
using namespace tw::test;

namespace {

// ===========================================================================
// A game to damage: the sample labyrinth with a small world (scripts and
// dumps go outside the folder)
// ===========================================================================

struct Game : GameFolder {
    Game() : GameFolder("game") { write("DATA/world.base", crlf({"small", "14", "10", "", ""})); }
    // Writes a file, in place of a folder of that name if there is one.
    void write(const std::string& relative, const std::string& contents) const {
        fs::path p = fs::path(path) / relative;
        if (fs::is_directory(p)) fs::remove_all(p);
        TempDir::write(relative, contents);
    }
    // A saved world instead of the labyrinth: WORLDS/<name>.ai42 with these
    // size lines and one record.
    void saved_world(const std::string& name, const std::string& w, const std::string& h) const {
        more_configuration({"USESELFCREATEBASE", "0", "APPENTRY", "WORLDS\\", "APPSTART", name});
        write("WORLDS/" + name + ".ai42", crlf({name, w, h, "", "", "1", "2", "3"}));
    }
    // Replaces a file by a folder of the same name.
    void make_folder(const std::string& relative) const {
        fs::remove_all(fs::path(path) / relative);
        fs::create_directories(fs::path(path) / relative / "inside");
    }
    std::vector<std::string> files(const std::string& folder, const std::string& extension) const {
        std::vector<std::string> found;
        for (const auto& e : fs::directory_iterator(fs::path(path) / folder))
            if (e.is_regular_file() && e.path().extension() == extension)
                found.push_back(folder + "/" + e.path().filename().string());
        return found;
    }
};

// Every file and folder of the game with its size and time: what "nothing was
// written" is checked against.
using Listing = std::map<std::string, std::pair<uintmax_t, fs::file_time_type>>;

Listing listing(const std::string& root) {
    Listing l;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        std::string rel = fs::relative(e.path(), root).string();
        l[rel] = {e.is_regular_file() ? e.file_size() : 0, e.last_write_time()};
    }
    return l;
}

struct Outcome {
    RunResult run;
    std::string dump;  // the engine's state at frame 120; empty when the game did not get there
};

// Plays the game for 120 presented frames, then quits; checks what every run
// must hold, whatever the damage.
Outcome play(const Game& g) {
    const Listing before = listing(g.path);
    const std::string dump = g.outside.path + "state.txt";
    const std::string script = g.outside.write("script.txt", "at 120 dump " + dump + "\nat 121 quit\n");
    Outcome o;
    o.run = run_tileworld(g.path,
                          {"TILEWORLD_SCRIPT=" + script, "TILEWORLD_DISPLAY=640x400",
                           "TILEWORLD_OUTPUT_FOLDER=" + g.outside.path},
                          300);
    o.dump = fs::exists(dump) ? read_file(dump) : "";

    EXPECT_EQ(o.run.err.find("Sanitizer"), std::string::npos) << o.run.err;
    EXPECT_EQ(o.run.err.find("runtime error"), std::string::npos) << o.run.err;
    Listing after = listing(g.path);
    after.erase("LOG/report.log");
    EXPECT_EQ(after, before) << "the program wrote into the game folder";
    return o;
}

void expect_plays(const Outcome& o) {
    EXPECT_EQ(o.run.exit_code, 0) << o.run.err;
    EXPECT_NE(o.dump.find("loop_state 18\n"), std::string::npos) << "the game did not play on\n" << o.run.err;
    EXPECT_EQ(o.run.err.find("ERROR :"), std::string::npos) << o.run.err;
}

void expect_fatal(const Outcome& o, const std::string& message) {
    EXPECT_EQ(o.run.exit_code, 1) << o.run.err;  // the game never ran: whoever started it can tell
    EXPECT_NE(o.run.err.find("ERROR : " + message), std::string::npos) << o.run.err;
    EXPECT_TRUE(o.dump.empty()) << "the game went on after a fatal error";
}

std::string ten_megabytes(char fill) { return std::string(10u << 20, fill); }

// A well-formed PNG (checksums right) whose header claims 100000 x 100000
// RGBA pixels, with an empty image stream.
std::string huge_png() {
    const unsigned char bytes[] = {
        0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n',
        0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 1, 0x86, 0xA0, 0, 1, 0x86, 0xA0, 8, 6, 0, 0, 0, 0xa8, 0x52, 0x0b, 0xc8,
        0, 0, 0, 8, 'I', 'D', 'A', 'T', 0x78, 0x9c, 0x03, 0, 0, 0, 0, 0x01, 0x48, 0x06, 0x89, 0xd2,
        0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xae, 0x42, 0x60, 0x82};
    return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

// The same claim in the two formats whose sizes sit in a plain header.
std::string huge_bmp() {
    std::string s(54, '\0');
    s[0] = 'B';
    s[1] = 'M';
    s[10] = 54;
    s[14] = 40;
    for (int at : {18, 22}) {  // 100000 = 0x000186A0
        s[at] = '\xA0';
        s[at + 1] = '\x86';
        s[at + 2] = '\x01';
    }
    s[26] = 1;
    s[28] = 24;
    return s + std::string(64, '\x7f');
}

std::string huge_tga() {
    std::string s(18, '\0');
    s[2] = 2;
    s[12] = s[14] = '\xA0';  // 0x86A0 = 34464 each way: the largest a TGA can say
    s[13] = s[15] = '\x86';
    s[16] = 24;
    return s + std::string(64, '\x7f');
}

}  // namespace

// ===========================================================================
// Files and folders that are not there, or empty
// ===========================================================================

TEST(BadInput, MissingFoldersArePassedOverAndTheGamePlays) {
    Game g;
    for (const char* folder : {"GFX/TOPO", "GFX/WORLD", "GFX/CURSOR", "GFX/FONT", "GFX/LOAD", "SFX", "TYPES", "LOG"})
        fs::remove_all(fs::path(g.path) / folder);
    Outcome o = play(g);
    expect_plays(o);
    // Without object files every cell stays a bare wall: nothing to walk on,
    // so no figure, no objects and no enemies.
    EXPECT_EQ(o.dump.find("\ncursor "), std::string::npos);
    EXPECT_NE(o.dump.find("\ninstances 0\n"), std::string::npos);
    EXPECT_EQ(o.dump.find("\nenemy "), std::string::npos);
}

TEST(BadInput, WithoutTheDataFolderTheConfigurationCannotBeOpened) {
    Game g;
    fs::remove_all(fs::path(g.path) / "DATA");
    expect_fatal(play(g), " Could not open " + g.path + "DATA\\ini.txt");
}

TEST(BadInput, EmptyConfigurationMeansNoWorldToLoad) {
    Game g;
    g.write("DATA/ini.txt", "");
    // No keys: the saved world ".ai42" is looked for, and is not there.
    expect_fatal(play(g), " Could not open topographic data");
}

TEST(BadInput, EmptyDataFilesArePassedOver) {
    Game g;
    for (const char* folder : {"GFX/TOPO", "GFX/WORLD", "GFX/CURSOR", "GFX/FONT", "GFX/LOAD", "SFX", "TYPES/LABY"})
        for (const auto& e : fs::directory_iterator(fs::path(g.path) / folder)) g.write(fs::relative(e.path(), g.path), "");
    g.write("DATA/world.base", "");
    g.write("DATA/font.txt", "");
    Outcome o = play(g);
    expect_plays(o);
    // An empty base is a world of one cell.
    EXPECT_NE(o.dump.find("\nworld_width 0\n"), std::string::npos);
    EXPECT_NE(o.dump.find("\nworld_height 0\n"), std::string::npos);
}

// ===========================================================================
// Garbage and absurd sizes
// ===========================================================================

TEST(BadInput, BinaryGarbageAsConfiguration) {
    Game g;
    std::string garbage;
    uint32_t x = 2463534242u;
    for (int i = 0; i < 65536; ++i) {  // xorshift: the same garbage every run
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        garbage.push_back(static_cast<char>(x & 0xFF));
    }
    g.write("DATA/ini.txt", garbage);
    expect_fatal(play(g), " Could not open topographic data");
}

TEST(BadInput, TenMegabyteLinesInEveryTextFile) {
    Game g;
    const std::string line = ten_megabytes('x');
    // An unknown key with a huge value, a huge window title, a huge key.
    g.more_configuration({"NOTE", line, "APPNAME", line, line, "1"});
    g.write("DATA/world.base", crlf({line, "12", "9", line, line}));
    const std::string floor = read_file(g.path + "TYPES/LABY/LAB_FLOOR");
    g.write("TYPES/LABY/LAB_FLOOR", crlf({line, "1"}) + floor + crlf({"INTERNALNAME", line}));
    const std::string dll = g.files("GFX/WORLD", ".dll").front();
    g.write(dll, read_file(g.path + dll) + crlf({"DHOTSPOT", line, line, "5"}));
    // Ten million characters for the sprite font: each glyph loads once.
    std::string font = ten_megabytes('A');
    for (size_t i = 0; i < font.size(); i += 4099) font[i] = "abcIZ7.-"[i % 8];
    g.write("DATA/font.txt", font + "\r\n");
    expect_plays(play(g));
}

TEST(BadInput, WorldsLargerThanTheEngineHandlesAreRefused) {
    {
        Game g;
        g.write("DATA/world.base", crlf({"huge", "5000", "5000", "", ""}));
        expect_fatal(play(g), " Could not open:" + g.path + "DATA\\world.base");
    }
    {
        Game g;
        g.saved_world("HUGE", "2000", "3");
        expect_fatal(play(g), " Could not open topographic data");
    }
}

TEST(BadInput, NegativeSizesAndSettings) {
    {
        Game g;
        g.write("DATA/world.base", crlf({"negative", "-10", "-7", "", ""}));
        g.more_configuration({"MAPSIZE", "-3", "MULTITASK", "-1", "RESBASEW", "-640", "CURSORSPEED", "-9", "WORLDREFRESH", "-5"});
        Outcome o = play(g);
        expect_plays(o);
        EXPECT_NE(o.dump.find("\nworld_width 0\n"), std::string::npos);
        EXPECT_NE(o.dump.find("\nmap_size_x 32\n"), std::string::npos);
        EXPECT_NE(o.dump.find("\nmultitask 0\n"), std::string::npos);
    }
    {
        Game g;
        g.more_configuration({"RESOLUTION", "-32"});
        expect_plays(play(g));
    }
    {
        Game g;
        g.saved_world("MINUS", "-4", "2");
        expect_fatal(play(g), " Could not open topographic data");
    }
}

// ===========================================================================
// Damaged images and sounds
// ===========================================================================

TEST(BadInput, ImagesClaimingAHundredThousandPixelsEachWayAreNotLoaded) {
    Game g;
    g.write("GFX/LOAD/load0.png", huge_png());
    g.write("GFX/LOAD/load1.png", huge_png());
    g.write("GFX/TOPO/wall.png", huge_png());
    g.write("GFX/TOPO/floor.png", huge_bmp());
    g.write("GFX/TOPO/grass.png", huge_tga());
    g.write("GFX/CURSOR/hero.png", huge_png());
    g.write("GFX/FONT/A.png", huge_png());
    for (const std::string& image : g.files("GFX/WORLD", ".png")) g.write(image, huge_png());
    expect_plays(play(g));
}

TEST(BadInput, TruncatedOggFilesAreKeptOrPassedOver) {
    Game g;
    const std::vector<std::string> sounds = g.files("SFX", ".ogg");
    ASSERT_FALSE(sounds.empty());
    for (size_t i = 0; i < sounds.size(); ++i) {
        const std::string whole = read_file(g.path + sounds[i]);
        // Cut in the middle of the audio, inside the headers, and after the signature.
        const size_t keep[] = {whole.size() / 2, 100, 4};
        g.write(sounds[i], whole.substr(0, keep[i % 3]));
    }
    expect_plays(play(g));
}

TEST(BadInput, FilesThatAreNotImagesButNamedLikeOne) {
    Game g;
    for (const char* folder : {"GFX/TOPO", "GFX/WORLD", "GFX/CURSOR", "GFX/FONT", "GFX/LOAD"})
        for (const std::string& image : g.files(folder, ".png")) g.write(image, "This is a text file, not an image.\r\n");
    g.write("SFX/noise.ogg", "OggS but nothing after it");
    expect_plays(play(g));
}

// ===========================================================================
// Folders where files belong
// ===========================================================================

TEST(BadInput, DefinitionObjectAndFontFilesThatAreFolders) {
    Game g;
    for (const std::string& dll : g.files("GFX/WORLD", ".dll")) g.make_folder(dll);
    g.make_folder("TYPES/LABY/LAB_GREEN");
    g.make_folder("DATA/font.txt");
    g.make_folder("GFX/WORLD/folder.png");
    g.make_folder("SFX/folder.ogg");
    g.make_folder("GFX/TOPO/wall.png");
    Outcome o = play(g);
    expect_plays(o);
    // Definitions without their files have no name and are placed nowhere.
    EXPECT_EQ(o.dump.find("\nenemy "), std::string::npos);
}

TEST(BadInput, ConfigurationAndWorldFilesThatAreFolders) {
    {
        Game g;
        g.make_folder("DATA/ini.txt");
        expect_fatal(play(g), " Could not open " + g.path + "DATA\\ini.txt");
    }
    {
        Game g;
        g.make_folder("DATA/world.base");
        expect_fatal(play(g), " Could not open:" + g.path + "DATA\\world.base");
    }
}
