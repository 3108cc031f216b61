// The data files of the bundled games, checked the way the engine reads
// them: line pairs whose keys it knows, names that lead to files that
// exist, and a generator whose output is what the tree holds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace fs = std::filesystem;
using tw::test::TempDir;
using tw::test::read_file;

namespace {

const std::string source = TILEWORLD_SOURCE_DIR;
const std::vector<std::string> games = {"game", "game-saved"};

// Lines as the engine splits them; `crlf_only` is false when any line ends
// otherwise than with CR LF.
std::vector<std::string> split_lines(const std::string& s, bool& crlf_only) {
    std::vector<std::string> out;
    crlf_only = true;
    size_t i = 0;
    while (i < s.size()) {
        size_t e = s.find_first_of("\r\n", i);
        if (e == std::string::npos) {
            out.push_back(s.substr(i));
            crlf_only = false;
            break;
        }
        out.push_back(s.substr(i, e - i));
        if (s.compare(e, 2, "\r\n") != 0) crlf_only = false;
        i = e + (s.compare(e, 2, "\r\n") == 0 ? 2 : 1);
    }
    return out;
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

// Reads a line-pair file and reports every pair whose key the engine would
// not know (notes excepted), so that a shifted pairing shows at once.
Pairs read_pairs(const std::string& path, const std::set<std::string>& known, std::string& problems) {
    bool crlf = false;
    auto lines = split_lines(read_file(path), crlf);
    if (!crlf) problems += path + ": not CR LF throughout\n";
    if (lines.size() % 2 != 0) problems += path + ": odd number of lines\n";
    Pairs out;
    for (size_t i = 0; i + 1 < lines.size(); i += 2) {
        if (!known.count(lines[i]) && lines[i] != "NOTE") problems += path + ": unknown key line '" + lines[i] + "'\n";
        out.push_back({lines[i], lines[i + 1]});
    }
    return out;
}

std::string value_of(const Pairs& p, const std::string& key) {
    std::string v;
    for (const auto& [k, val] : p)
        if (k == key) v = val;
    return v;
}

// A configured Windows path as a path inside the game folder.
std::string local(const std::string& game, std::string value) {
    for (char& c : value)
        if (c == '\\') c = '/';
    return source + "/" + game + "/" + value;
}

const std::set<std::string> config_keys = {
    "SOUNDFXPATH", "EGFXPATH", "EGFXMAX", "FONTPATH", "FONTSYSTEM", "WINDOWMODE", "MULTITASK", "SAVEGFX",
    "SAVEEVOLUTION", "APPNAME", "GFXPATH", "RESOLUTION", "TOPO", "BASICGFX", "USEEXTENDEDTOPO", "APPENTRY",
    "APPSTART", "TOPOGFX", "GFXCODEC", "SYSTEMCORE", "CORENAME", "USESPRITE3D", "MAXFOE", "LOGPATH", "LOGFILE",
    "RGBCODEPATH", "WORLDGFX", "USELOGFILE", "LOADSCREEN", "LOADANIM", "FULLSCREENZOOM", "RESBASEW", "RESBASEH",
    "CURSOR", "CURSORSPEED", "VEGIDENSE", "USEFULLMATRIX", "WORLDRANDOM", "MULTICORE", "MAPSIZE",
    "WORLDTEMPERATURE", "WORLDREFRESH", "SELFCREATEBASE", "USESELFCREATEBASE", "LABSWITCH"};
// Keys only the island sets: its designed worlds play.
const std::set<std::string> known_keys = [] {
    std::set<std::string> k = config_keys;
    k.insert("PLAYSAVEDWORLD");
    return k;
}();

const std::set<std::string> definition_keys = {
    "DGFXNAME", "DGFXTRANSPARENCY", "DDENSITY", "DFITTOMATRIX", "DCOLLISION", "DHOTSPOT", "DXMODE1", "DXMODE2",
    "DGFXSHOW", "DCENTERFIELD", "DKILLONCOLLISION", "DSCORE", "DCOUNTTOSCORE", "DUSECOUNTSOUND", "DCOUNTSOUND",
    "DISPLAYER", "DISENEMY", "DRANDOMMOVE", "DMOVEX", "DMOVEY", "DVELOX", "DVELOY", "DAILEVEL", "DDMOVE",
    "DCHANGEDIRECTION"};
const std::set<std::string> object_keys = {"GFXNAME", "CHILD1", "CHILD2", "CHILD3", "CHILD4", "CHILD5", "CHILD6",
                                           "CHILD7", "CHILD8", "RANDOMSEED", "USECOLLISION", "TRANSPARENCY",
                                           "USEENEMY", "USEDIRECTION", "INTERNALNAME"};

std::set<std::string> file_names(const std::string& folder, const std::string& ext) {
    std::set<std::string> out;
    if (!fs::is_directory(folder)) return out;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.is_regular_file() && (ext.empty() || e.path().extension() == ext)) out.insert(e.path().filename().string());
    return out;
}

// Width and height of a PNG file from its header; {0, 0} when it is none.
std::pair<long, long> png_size(const std::string& path) {
    std::string s = read_file(path);
    if (s.size() < 24 || s.compare(1, 3, "PNG") != 0) return {0, 0};
    auto be32 = [&](size_t at) {
        long v = 0;
        for (size_t i = 0; i < 4; ++i) v = v * 256 + static_cast<unsigned char>(s[at + i]);
        return v;
    };
    return {be32(16), be32(20)};
}

}  // namespace

TEST(SampleGameData, ConfigurationSetsEveryKeyAndNamesExistingFiles) {
    for (const auto& game : games) {
        SCOPED_TRACE(game);
        std::string problems;
        Pairs cfg = read_pairs(source + "/" + game + "/DATA/ini.txt", known_keys, problems);
        EXPECT_EQ(problems, "");
        std::set<std::string> set;
        for (const auto& [k, v] : cfg) set.insert(k);
        for (const auto& k : config_keys) EXPECT_TRUE(set.count(k)) << "missing key " << k;
        // Folder values are prefixes: they end with a separator (the font
        // folder is the exception, the engine adds the separator itself).
        for (const char* k : {"SOUNDFXPATH", "TOPOGFX", "WORLDGFX", "CURSOR", "LOGPATH", "RGBCODEPATH", "APPENTRY"})
            EXPECT_EQ(value_of(cfg, k).back(), '\\') << k;
        EXPECT_NE(value_of(cfg, "FONTPATH").back(), '\\');
        for (const char* k : {"SOUNDFXPATH", "TOPOGFX", "WORLDGFX", "FONTPATH"})
            EXPECT_TRUE(fs::is_directory(local(game, value_of(cfg, k)))) << k;
        EXPECT_TRUE(fs::is_regular_file(local(game, value_of(cfg, "FONTSYSTEM"))));
        EXPECT_EQ(value_of(cfg, "WINDOWMODE"), "1");
        EXPECT_EQ(value_of(cfg, "USESPRITE3D"), "1");  // the later of the two wins
        std::string load = value_of(cfg, "LOADSCREEN");
        ASSERT_NE(load.find('#'), std::string::npos);
        for (const char* digit : {"0", "1"}) {
            std::string name = load;
            name.replace(name.find('#'), 1, digit);
            EXPECT_TRUE(fs::is_regular_file(local(game, name))) << name;
        }
        if (value_of(cfg, "USESELFCREATEBASE") == "1") {
            EXPECT_TRUE(fs::is_regular_file(local(game, value_of(cfg, "SELFCREATEBASE"))));
            EXPECT_TRUE(fs::is_directory(local(game, value_of(cfg, "CURSOR"))));
            EXPECT_FALSE(file_names(local(game, value_of(cfg, "CURSOR")), ".png").empty());
        } else {
            std::string stem = value_of(cfg, "APPENTRY") + value_of(cfg, "APPSTART");
            EXPECT_TRUE(fs::is_regular_file(local(game, stem + ".ai42")));
            EXPECT_TRUE(fs::is_regular_file(local(game, stem + ".red")));
        }
    }
}

TEST(SampleGameData, ObjectFilesDefinitionsGraphicsAndSoundsFitTogether) {
    for (const auto& game : games) {
        SCOPED_TRACE(game);
        std::string problems;
        Pairs cfg = read_pairs(source + "/" + game + "/DATA/ini.txt", known_keys, problems);
        const std::string gfx = local(game, value_of(cfg, "WORLDGFX"));
        const std::string topo = local(game, value_of(cfg, "TOPOGFX"));
        const std::string types = local(game, value_of(cfg, "RGBCODEPATH") + value_of(cfg, "APPSTART") + "\\");
        const std::set<std::string> sounds = file_names(local(game, value_of(cfg, "SOUNDFXPATH")), ".ogg");
        const std::set<std::string> tiles = file_names(topo, value_of(cfg, "GFXCODEC"));

        // every image has its definition file; names and sounds resolve
        std::set<std::string> names;
        int enemies = 0;
        for (const auto& image : file_names(gfx, ".png")) {
            std::string stem = image.substr(0, image.size() - 4);
            ASSERT_TRUE(fs::is_regular_file(gfx + stem + ".dll")) << image;
            Pairs def = read_pairs(gfx + stem + ".dll", definition_keys, problems);
            std::string name = value_of(def, "DGFXNAME");
            names.insert(name);
            if (value_of(def, "DUSECOUNTSOUND") == "1") {
                EXPECT_TRUE(sounds.count(value_of(def, "DCOUNTSOUND"))) << stem;
            }
            if (value_of(def, "DISENEMY") == "1") {
                ++enemies;
                // Enemies stay off child lists; one with a name of its own
                // never spawns by chance and is put on cells by .place files.
                if (name != "#") {
                    EXPECT_LT(std::stoi(value_of(def, "DDENSITY")), 0) << stem;
                }
            }
        }
        if (game == "game") {
            EXPECT_EQ(enemies, 2);
        }

        // every object file names a tile that exists and children that exist
        std::set<std::string> type_files = file_names(types, "");
        if (game == "game") {
            for (const char* t : {"LAB_WALL", "LAB_FLOOR", "LAB_GREEN", "LAB_WATER", "LAB_WALL_E", "LAB_GREEN_E",
                                  "LAB_WATER_E", "LAB_WALL_S", "LAB_GREEN_S", "LAB_WATER_S"})
                EXPECT_TRUE(type_files.count(t)) << t;
        }
        for (const auto& t : type_files) {
            Pairs obj = read_pairs(types + t, object_keys, problems);
            EXPECT_TRUE(tiles.count(value_of(obj, "GFXNAME"))) << t << " shows " << value_of(obj, "GFXNAME");
            bool closed = false;
            for (const auto& [k, v] : obj) {
                if (k.rfind("CHILD", 0) != 0) continue;
                if (v == "#") {
                    closed = true;
                } else {
                    EXPECT_TRUE(names.count(v)) << t << " names the unknown child " << v;
                }
            }
            EXPECT_TRUE(closed) << t << ": without a \"#\" child only CHILD1 is used";
        }
        EXPECT_EQ(problems, "");
    }
}

TEST(SampleGameData, FontLineHasAnImageForEveryCharacter) {
    const std::map<unsigned char, std::string> named = {
        {'.', "POINT"}, {'-', "MINUS"}, {'(', "LEFT"}, {')', "RIGHT"}, {':', "POINTPOINT"}, {'+', "PLUS"},
        {'[', "FLOPPY"}, {']', "FLOPPYB"}, {'"', "FUEL"}, {'*', "STERN"}, {'&', "GUIBACK"}, {'@', "LIFE"},
        {0xF6, "IDCARD"}, {0xD6, "IDCARD"}, {0xC4, "HERZ"}, {0xE4, "HERZ"}};
    for (const auto& game : games) {
        bool crlf = false;
        auto lines = split_lines(read_file(source + "/" + game + "/DATA/font.txt"), crlf);
        ASSERT_FALSE(lines.empty());
        std::set<unsigned char> seen(lines[0].begin(), lines[0].end());
        for (char c = 'A'; c <= 'Z'; ++c) EXPECT_TRUE(seen.count(c)) << c;
        for (char c = 'a'; c <= 'z'; ++c) EXPECT_TRUE(seen.count(c)) << c;
        for (char c = '0'; c <= '9'; ++c) EXPECT_TRUE(seen.count(c)) << c;
        for (unsigned char c : lines[0]) {
            std::string name = named.count(c) ? named.at(c)
                               : (c >= 'a' && c <= 'z') ? std::string("_") + char(c)
                                                        : std::string(1, char(c));
            EXPECT_TRUE(fs::is_regular_file(source + "/" + game + "/GFX/FONT/" + name + ".png")) << game << " " << name;
        }
    }
}

TEST(SampleGameData, GeneratorReproducesTheCommittedFiles) {
    const std::string tool = std::string(TILEWORLD_BUILD_DIR) + "/gen_assets";
    if (!fs::is_regular_file(tool)) GTEST_SKIP() << "gen_assets was not built";
    TempDir out;
    ASSERT_EQ(std::system((tool + " " + out.path + " > /dev/null").c_str()), 0);
    for (const auto& game : games) {
        size_t files = 0;
        for (const auto& e : fs::recursive_directory_iterator(out.path + game)) {
            if (!e.is_regular_file()) continue;
            ++files;
            std::string rel = fs::relative(e.path(), out.path).string();
            EXPECT_EQ(read_file(e.path().string()), read_file(source + "/" + rel)) << rel << " differs: run gen_assets";
        }
        EXPECT_GT(files, 100u);
    }
    // The installed icons, square at their nominal sizes.
    for (long size : {48, 256}) {
        const std::string icon = "packaging/icons/tileworld-" + std::to_string(size) + ".png";
        EXPECT_EQ(png_size(source + "/" + icon), std::make_pair(size, size)) << icon;
        EXPECT_EQ(read_file(out.path + icon), read_file(source + "/" + icon)) << icon << " differs: run gen_assets";
    }
}

// Glyphs are placed by their top-left corner, so a glyph of another height
// would sit off the line; cell pictures are stretched to a square cell.
TEST(SampleGameData, FontImagesShareOneLineAndCellPicturesAreSquare) {
    for (const auto& game : games) {
        SCOPED_TRACE(game);
        long height = -1;
        for (const auto& f : file_names(source + "/" + game + "/GFX/FONT", ".png")) {
            auto [w, h] = png_size(source + "/" + game + "/GFX/FONT/" + f);
            EXPECT_GT(w, 0) << f;
            if (height < 0) height = h;
            EXPECT_EQ(h, height) << f;
        }
        for (const auto& f : file_names(source + "/" + game + "/GFX/TOPO", ".png")) {
            auto [w, h] = png_size(source + "/" + game + "/GFX/TOPO/" + f);
            EXPECT_GT(w, 0) << f;
            EXPECT_EQ(w, h) << f;
        }
    }
}

// An object is drawn at its cell's corner plus its anchor; one that reached
// past the cell would look as if it belonged to the neighbour.
TEST(SampleGameData, EveryObjectStaysInsideItsCell) {
    for (const auto& game : games) {
        SCOPED_TRACE(game);
        std::string problems;
        Pairs cfg = read_pairs(source + "/" + game + "/DATA/ini.txt", known_keys, problems);
        const double cell = std::atof(value_of(cfg, "RESOLUTION").c_str());
        const std::string gfx = local(game, value_of(cfg, "WORLDGFX"));
        for (const auto& image : file_names(gfx, ".png")) {
            Pairs def = read_pairs(gfx + image.substr(0, image.size() - 4) + ".dll", definition_keys, problems);
            auto [pw, ph] = png_size(gfx + image);
            double w = pw, h = ph;
            if (value_of(def, "DFITTOMATRIX") == "1") w = h = cell;
            std::string spot = value_of(def, "DHOTSPOT");
            double ax = 0, ay = 0;
            if (spot == "CENTER") ax = w / 2, ay = h / 2;
            if (spot == "RIGHT") ax = w;
            if (spot == "BOTTOMLEFT") ay = h;
            if (spot == "BOTTOMRIGHT") ax = w, ay = h;
            if (value_of(def, "DCENTERFIELD") == "1") ax += cell / 2, ay += cell / 2;
            EXPECT_LE(ax + w, cell) << image;
            EXPECT_LE(ay + h, cell) << image;
        }
    }
}
