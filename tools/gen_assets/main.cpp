// gen_assets: writes the two bundled game folders, game/ (a generated
// labyrinth) and game-saved/ (a saved island world), with every picture,
// sound and data file they need, and the program's icons for the installed
// desktop entry (packaging/icons/). Usage: gen_assets <repository folder>.
// The output is the same on every run: no clock, no outside randomness.
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "art.h"
#include "encode.h"
#include "glyphs.h"
#include "sounds.h"

using namespace gen;

namespace {

// ===========================================================================
// Data files: line pairs with CR LF, as a Windows game maker writes them
// ===========================================================================

using Pairs = std::vector<std::pair<std::string, std::string>>;

std::string pairs_file(const Pairs& pairs) {
    std::vector<std::string> lines;
    for (const auto& [k, v] : pairs) lines.push_back(k), lines.push_back(v);
    return crlf_lines(lines);
}

int failures = 0;
void check(bool ok, const std::string& what) {
    if (!ok) {
        std::fprintf(stderr, "gen_assets: could not write %s\n", what.c_str());
        ++failures;
    }
}

void put_png(const std::string& path, const Canvas& c, PngKind kind) { check(write_png(path, c, kind), path); }
void put_text(const std::string& path, const std::string& s) { check(write_bytes(path, s), path); }

// ===========================================================================
// Object definitions (a ".dll" text file beside each object image)
// ===========================================================================

struct ObjectSpec {
    std::string image;  // picture name and file stem
    Pairs keys;         // the keys that differ from the plain defaults below
};

std::string definition_file(const std::string& name, const Pairs& overrides) {
    // Every key, in the order the engine tests them, so that a game maker
    // sees the whole set in each file.
    Pairs keys = {
        {"DGFXNAME", name},     {"DGFXTRANSPARENCY", "255"}, {"DDENSITY", "0"},        {"DFITTOMATRIX", "0"},
        {"DCOLLISION", "0"},    {"DHOTSPOT", "TOPLEFT"},     {"DXMODE1", "0"},          {"DXMODE2", "0"},
        {"DGFXSHOW", "1"},      {"DCENTERFIELD", "0"},       {"DKILLONCOLLISION", "0"}, {"DSCORE", "0"},
        {"DCOUNTTOSCORE", "0"}, {"DUSECOUNTSOUND", "0"},     {"DCOUNTSOUND", "-"},      {"DISPLAYER", "0"},
        {"DISENEMY", "0"},      {"DRANDOMMOVE", "0"},        {"DMOVEX", "0"},           {"DMOVEY", "0"},
        {"DVELOX", "0"},        {"DVELOY", "0"},             {"DAILEVEL", "0"},         {"DDMOVE", "-1"},
        {"DCHANGEDIRECTION", "0"},
    };
    for (const auto& [k, v] : overrides)
        for (auto& kv : keys)
            if (kv.first == k) kv.second = v;
    return pairs_file(keys);
}

std::vector<ObjectSpec> labyrinth_objects() {
    return {
        // collectables on floor cells
        {"coin", {{"DDENSITY", "6"}, {"DCOLLISION", "1"}, {"DHOTSPOT", "CENTER"}, {"DKILLONCOLLISION", "1"},
                  {"DSCORE", "10"}, {"DUSECOUNTSOUND", "1"}, {"DCOUNTSOUND", "chime.ogg"}}},
        {"gem", {{"DDENSITY", "30"}, {"DFITTOMATRIX", "1"}, {"DCOLLISION", "1"}, {"DKILLONCOLLISION", "1"},
                 {"DSCORE", "50"}, {"DCOUNTTOSCORE", "1"}, {"DUSECOUNTSOUND", "1"}, {"DCOUNTSOUND", "count.ogg"}}},
        {"bell", {{"DDENSITY", "90"}, {"DFITTOMATRIX", "1"}, {"DCOLLISION", "1"}, {"DUSECOUNTSOUND", "1"},
                  {"DCOUNTSOUND", "bell.ogg"}}},
        // scenery
        {"pebbles", {{"DDENSITY", "9"}, {"DFITTOMATRIX", "1"}}},
        {"bush", {{"DDENSITY", "9"}, {"DFITTOMATRIX", "1"}}},
        {"flower", {{"DDENSITY", "3"}, {"DHOTSPOT", "RIGHT"}}},
        {"bluebell", {{"DDENSITY", "4"}, {"DHOTSPOT", "BOTTOMLEFT"}}},
        {"mushroom", {{"DDENSITY", "7"}, {"DCENTERFIELD", "1"}}},
        {"lily", {{"DDENSITY", "4"}}},
        {"lotus", {{"DDENSITY", "8"}, {"DHOTSPOT", "BOTTOMRIGHT"}}},
        {"sparkle", {{"DGFXTRANSPARENCY", "190"}, {"DDENSITY", "3"}, {"DFITTOMATRIX", "1"}, {"DXMODE1", "5"},
                     {"DXMODE2", "2"}}},
        {"moss", {{"DGFXTRANSPARENCY", "200"}, {"DDENSITY", "5"}, {"DFITTOMATRIX", "1"}}},
        {"crack", {{"DGFXTRANSPARENCY", "230"}, {"DDENSITY", "8"}, {"DFITTOMATRIX", "1"}}},
        // enemies: "#" as the name keeps them off the object files' child lists
        {"slime", {{"DGFXNAME", "#"}, {"DDENSITY", "40"}, {"DISENEMY", "1"}, {"DVELOX", "8"}, {"DVELOY", "8"},
                   {"DAILEVEL", "1"}, {"DDMOVE", "1"}, {"DCHANGEDIRECTION", "24"}}},
        {"watcher", {{"DGFXNAME", "#"}, {"DDENSITY", "70"}, {"DISENEMY", "1"}, {"DAILEVEL", "3"}, {"DDMOVE", "0"}}},
    };
}

void write_objects(const std::string& folder, const std::vector<ObjectSpec>& objects) {
    for (const auto& o : objects) {
        put_png(folder + o.image + ".png", object_picture(o.image), PngKind::keyed);
        put_text(folder + o.image + ".dll", definition_file(o.image, o.keys));
    }
}

// ===========================================================================
// Object files (one per cell type, named after the type, no extension)
// ===========================================================================

std::string object_file(const std::string& internal_name, const std::string& graphic,
                        const std::vector<std::string>& children, bool blocks, bool enemies) {
    Pairs p = {{"INTERNALNAME", internal_name}, {"GFXNAME", graphic}};
    for (size_t i = 0; i < children.size(); ++i) p.push_back({"CHILD" + std::to_string(i + 1), children[i]});
    p.push_back({"CHILD" + std::to_string(children.size() + 1), "#"});
    p.push_back({"RANDOMSEED", "0"});
    p.push_back({"USECOLLISION", blocks ? "1" : "0"});
    p.push_back({"TRANSPARENCY", "0"});
    p.push_back({"USEENEMY", enemies ? "1" : "0"});
    p.push_back({"USEDIRECTION", "DEFAULT"});
    return pairs_file(p);
}

const std::vector<std::string> floor_children = {"coin", "gem", "bell", "pebbles"};
const std::vector<std::string> green_children = {"bush", "flower", "bluebell", "mushroom"};
const std::vector<std::string> water_children = {"sparkle", "lily", "lotus"};
const std::vector<std::string> wall_children = {"moss", "crack"};

// The ten ground pictures: file name and how it is drawn.
struct TileSpec {
    std::string file;
    Ground ground;
    Edge edge;
    Ground neighbour;
};
const std::vector<TileSpec> tile_specs = {
    {"wall.png", Ground::wall, Edge::none, Ground::wall},
    {"floor.png", Ground::floor, Edge::none, Ground::floor},
    {"grass.png", Ground::green, Edge::none, Ground::green},
    {"water.png", Ground::water, Edge::none, Ground::water},
    {"floor_wall_left.png", Ground::floor, Edge::left, Ground::wall},
    {"floor_grass_left.png", Ground::floor, Edge::left, Ground::green},
    {"floor_water_left.png", Ground::floor, Edge::left, Ground::water},
    {"floor_wall_top.png", Ground::floor, Edge::top, Ground::wall},
    {"floor_grass_top.png", Ground::floor, Edge::top, Ground::green},
    {"floor_water_top.png", Ground::floor, Edge::top, Ground::water},
};

// ===========================================================================
// Shared parts of both games
// ===========================================================================

void write_font(const std::string& game) {
    FontStyle style;
    for (const auto& img : font_images())
        put_png(game + "GFX/FONT/" + img.image_name + ".png", render_font_image(img.code, style), PngKind::keyed);
    // Only the first line counts; the second is a note for people.
    put_text(game + "DATA/font.txt", font_line() + "\r\nThe first line lists every character of the sprite font.\r\n");
}

void write_tiles(const std::string& game) {
    for (const auto& t : tile_specs) put_png(game + "GFX/TOPO/" + t.file, tile(t.ground, t.edge, t.neighbour), PngKind::opaque);
}

// A labyrinth picture for the loading screens, made the way the engine makes
// its worlds: floor, grass and water carved by random walks through walls.
GroundMap backdrop(uint64_t seed) {
    GroundMap m;
    m.w = 40, m.h = 23;
    m.cells.assign(static_cast<size_t>(m.w * m.h), Ground::wall);
    Rng rng(seed);
    for (Ground g : {Ground::floor, Ground::green, Ground::water}) {
        int x = 1, y = 1, d = 0;
        for (int n = 0; n < m.w * m.h; ++n) {
            if (rng.below(3) == 0) d = rng.below(4);
            int nx = x + (d == 2) - (d == 0), ny = y + (d == 3) - (d == 1);
            if (nx >= 1 && nx < m.w - 1) x = nx;
            if (ny >= 1 && ny < m.h - 1) y = ny;
            Ground& c = m.cells[static_cast<size_t>(y * m.w + x)];
            if (c == Ground::wall) c = g;
        }
    }
    return m;
}

void write_loading_screens(const std::string& game, const std::string& subtitle, const std::string& status,
                           const GroundMap& m) {
    for (int v = 0; v < 2; ++v)
        put_png(game + "GFX/LOAD/load" + std::to_string(v) + ".png", loading_screen(v, subtitle, status, m),
                PngKind::opaque);
}

// The configuration: every key the engine reads, in the order of the guide.
Pairs configuration(bool generated) {
    Pairs p = {
        {"NOTE", generated ? "tileworld sample game: a generated labyrinth. Key line, value line; no blank lines."
                           : "tileworld sample game: a saved island world. Key line, value line; no blank lines."},
        {"APPNAME", generated ? "tileworld - labyrinth" : "tileworld - island"},
        {"WINDOWMODE", "1"},
        {"USESPRITE3D", "1"},
        {"RESOLUTION", "32"},
        {"RESBASEW", "1280"},
        {"RESBASEH", "720"},
        {"FULLSCREENZOOM", "1.0"},
        {"MULTITASK", "0"},
        {"WORLDREFRESH", "60"},
        {"USESELFCREATEBASE", generated ? "1" : "0"},
        {"PLAYSAVEDWORLD", "1"},
        {"SELFCREATEBASE", generated ? "DATA\\world.base" : "WORLDS\\ISLAND.ai42"},
        {"WORLDRANDOM", "1019"},
        {"MAPSIZE", "96"},
        {"LABSWITCH", "2"},
        {"USEEXTENDEDTOPO", "1"},
        {"APPENTRY", "WORLDS\\"},
        {"APPSTART", generated ? "LABY" : "ISLAND"},
        {"RGBCODEPATH", "TYPES\\"},
        {"TOPOGFX", "GFX\\TOPO\\"},
        {"WORLDGFX", "GFX\\WORLD\\"},
        {"GFXCODEC", ".png"},
        {"CURSOR", "GFX\\CURSOR\\"},
        {"CURSORSPEED", "250"},
        {"MAXFOE", "40"},
        {"SOUNDFXPATH", "SFX\\"},
        {"FONTPATH", "GFX\\FONT"},
        {"FONTSYSTEM", "DATA\\font.txt"},
        {"LOADSCREEN", "GFX\\LOAD\\load#.png"},
        {"LOGPATH", "LOG\\"},
        {"LOGFILE", "report.log"},
        {"USELOGFILE", "1"},
        {"SYSTEMCORE", "DATA\\"},
        {"CORENAME", "tileworld"},
        {"MULTICORE", "1"},
        {"NOTE", "The keys below are read and kept but change nothing in this engine."},
        {"GFXPATH", "GFX\\"},
        {"BASICGFX", "GFX\\"},
        {"TOPO", "GFX\\TOPO\\"},
        {"EGFXPATH", "GFX\\EFFECTS\\"},
        {"EGFXMAX", "50"},
        {"SAVEGFX", "0"},
        {"SAVEEVOLUTION", "0"},
        {"LOADANIM", "0"},
        {"VEGIDENSE", "100"},
        {"USEFULLMATRIX", "0"},
        {"WORLDTEMPERATURE", "15.0"},
    };
    // Only the island plays its designed worlds; the labyrinth generates its own.
    if (generated) std::erase_if(p, [](const auto& kv) { return kv.first == "PLAYSAVEDWORLD"; });
    return p;
}

void write_common(const std::string& game, bool generated) {
    put_text(game + "DATA/ini.txt", pairs_file(configuration(generated)));
    put_text(game + "LOG/readme.txt",
             crlf_lines({"The engine writes its report log (report.log) here when something goes wrong while the game runs."}));
    write_font(game);
    write_tiles(game);
    check(write_ogg(game + "SFX/chime.ogg", chime_sound(), sound_rate, 0.3f), "chime.ogg");
    check(write_ogg(game + "SFX/count.ogg", blip_sound(), sound_rate, 0.3f), "count.ogg");
    check(write_ogg(game + "SFX/bell.ogg", bell_sound(), sound_rate, 0.3f), "bell.ogg");
}

// ===========================================================================
// game/: the generated labyrinth
// ===========================================================================

void write_labyrinth_game(const std::string& game) {
    write_common(game, true);
    // the world base file: the base size on lines 2 and 3
    put_text(game + "DATA/world.base", crlf_lines({"TILEWORLD WORLD BASE", "56", "40", "base width and height", "end"}));
    write_objects(game + "GFX/WORLD/", labyrinth_objects());
    put_png(game + "GFX/CURSOR/hero.png", hero_picture(), PngKind::keyed);
    write_loading_screens(game, "Collect the coins and gems of the labyrinth", "Building the world", backdrop(5));

    const std::string types = game + "TYPES/LABY/";
    put_text(types + "LAB_WALL", object_file("stone wall", "wall.png", wall_children, true, false));
    put_text(types + "LAB_FLOOR", object_file("sandstone floor", "floor.png", floor_children, false, true));
    put_text(types + "LAB_GREEN", object_file("meadow", "grass.png", green_children, false, false));
    put_text(types + "LAB_WATER", object_file("pond", "water.png", water_children, true, false));
    const std::pair<const char*, const char*> edges[] = {
        {"LAB_WALL_E", "floor_wall_left.png"},   {"LAB_GREEN_E", "floor_grass_left.png"},
        {"LAB_WATER_E", "floor_water_left.png"}, {"LAB_WALL_S", "floor_wall_top.png"},
        {"LAB_GREEN_S", "floor_grass_top.png"},  {"LAB_WATER_S", "floor_water_top.png"},
    };
    for (const auto& [type, graphic] : edges)
        put_text(types + type, object_file("sandstone floor at an edge", graphic, floor_children, false, true));
}

// ===========================================================================
// game-saved/: an island world stored as topography and opacity files
// ===========================================================================

// Kinds of cell on the island map and their colour codes (red, green and blue
// as written in the topography file; joined they name the object file).
enum class Kind { sea, sand, grass, forest, wall, court };
struct ColourCode {
    const char* r;
    const char* g;
    const char* b;
};

std::vector<Kind> island_map(int W, int H) {
    std::vector<Kind> m(static_cast<size_t>(W * H), Kind::sea);
    auto at = [&](int x, int y) -> Kind& { return m[static_cast<size_t>(y * W + x)]; };
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            float dx = (x - 19.5f) / 17.0f, dy = (y - 12.5f) / 10.5f;
            float wobble = 0.12f * std::sin(x * 0.9f) + 0.1f * std::cos(y * 1.3f + x * 0.4f);
            float r = std::sqrt(dx * dx + dy * dy) + wobble;
            if (r < 0.78f) at(x, y) = Kind::grass;
            else if (r < 0.98f) at(x, y) = Kind::sand;
            float fx = (x - 8.5f) / 5.0f, fy = (y - 11.0f) / 6.0f;  // the forest in the west
            if (at(x, y) == Kind::grass && fx * fx + fy * fy < 1.0f) at(x, y) = Kind::forest;
            float lx = (x - 29.5f) / 3.6f, ly = (y - 18.0f) / 2.2f;  // a pond in the south-east
            if (lx * lx + ly * ly < 1.0f) at(x, y) = Kind::sea;
        }
    // the castle: a walled court with corner towers, a keep and a gate to the south
    const int x0 = 17, x1 = 27, y0 = 5, y1 = 14;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            at(x, y) = (x == x0 || x == x1 || y == y0 || y == y1) ? Kind::wall : Kind::court;
    for (auto [tx, ty] : {std::pair{x0 + 1, y0 + 1}, {x1 - 1, y0 + 1}, {x0 + 1, y1 - 1}, {x1 - 1, y1 - 1}}) at(tx, ty) = Kind::wall;
    for (int y = 8; y <= 10; ++y)
        for (int x = 20; x <= 24; ++x) at(x, y) = (y == 10 && x == 22) ? Kind::court : Kind::wall;
    at(22, y1) = Kind::court;
    for (int y = y1 + 1; y < H - 2; ++y)  // the road from the gate to the beach
        if (at(22, y) == Kind::grass || at(22, y) == Kind::forest) at(22, y) = Kind::court;
    return m;
}

// The second designed world: an atoll, a ring of sand and meadow round a
// lagoon, with a wood on its northern side.
std::vector<Kind> atoll_map(int W, int H) {
    std::vector<Kind> m(static_cast<size_t>(W * H), Kind::sea);
    auto at = [&](int x, int y) -> Kind& { return m[static_cast<size_t>(y * W + x)]; };
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            float dx = (x - (W - 1) / 2.0f) / (W * 0.42f), dy = (y - (H - 1) / 2.0f) / (H * 0.40f);
            float r = std::sqrt(dx * dx + dy * dy) + 0.08f * std::sin(x * 1.1f + y * 0.7f);
            if (r < 0.45f) at(x, y) = Kind::sea;
            else if (r < 0.58f || r >= 0.85f) at(x, y) = r < 1.0f ? Kind::sand : Kind::sea;
            else at(x, y) = (dy < -0.2f && std::fabs(dx) < 0.5f) ? Kind::forest : Kind::grass;
        }
    return m;
}

// The topography and opacity files of one designed world of the island game.
void write_island_world(const std::string& game, const std::string& stem, int W, int H, const std::vector<Kind>& m) {
    auto at = [&](int x, int y) { return m[static_cast<size_t>(y * W + x)]; };
    auto is_floor = [](Kind k) { return k == Kind::sand || k == Kind::court; };
    auto ground = [](Kind k) {
        switch (k) {
        case Kind::sea: return Ground::water;
        case Kind::wall: return Ground::wall;
        case Kind::grass: case Kind::forest: return Ground::green;
        default: return Ground::floor;
        }
    };
    // The colour code of each cell: floors bordering something else get an
    // edge type, the upper neighbour winning as in generated worlds.
    auto code = [&](int x, int y) -> ColourCode {
        Kind k = at(x, y);
        if (is_floor(k)) {
            Ground n = Ground::floor;
            Edge e = Edge::none;
            if (x > 0 && !is_floor(at(x - 1, y))) n = ground(at(x - 1, y)), e = Edge::left;
            if (y > 0 && !is_floor(at(x, y - 1))) n = ground(at(x, y - 1)), e = Edge::top;
            if (e != Edge::none) {
                static const char* left[] = {"111", "112", "113"}, *top[] = {"121", "122", "123"};
                int i = n == Ground::wall ? 0 : n == Ground::green ? 1 : 2;
                return {"255", "200", e == Edge::left ? left[i] : top[i]};
            }
            return {"255", "200", "120"};
        }
        switch (k) {
        case Kind::sea: return {"0", "000", "255"};
        case Kind::grass: return {"0", "128", "000"};
        case Kind::forest: return {"0", "096", "000"};
        default: return {"128", "128", "128"};
        }
    };

    std::vector<std::string> topo = {"TILEWORLD TOPOGRAPHY " + stem, std::to_string(W - 1), std::to_string(H - 1),
                                     "three lines per cell: red, green, blue", "columns from the left, each from the top"};
    std::vector<std::string> opacity = {"TILEWORLD OPACITY " + stem, "one line per cell, 0..255", "same order as the topography",
                                        "header line 4", "header line 5"};
    for (int x = 0; x < W; ++x)
        for (int y = 0; y < H; ++y) {
            ColourCode c = code(x, y);
            topo.insert(topo.end(), {c.r, c.g, c.b});
            // the outermost rings of the sea are drawn darker, framing the island
            int ring = std::min({x, y, W - 1 - x, H - 1 - y});
            opacity.push_back(std::to_string(ring == 0 ? 150 : ring == 1 ? 205 : 255));
        }
    put_text(game + "WORLDS/" + stem + ".ai42", crlf_lines(topo));
    put_text(game + "WORLDS/" + stem + ".red", crlf_lines(opacity));
}

void write_saved_game(const std::string& game) {
    write_common(game, false);
    auto objects = labyrinth_objects();
    objects.push_back({"tree", {{"DDENSITY", "0"}, {"DFITTOMATRIX", "1"}}});
    // An enemy that never spawns by chance (a negative density): the .place
    // files put crabs on given beaches.
    objects.push_back({"crab", {{"DDENSITY", "-1"}, {"DISENEMY", "1"}, {"DVELOX", "8"}, {"DVELOY", "8"},
                                {"DAILEVEL", "1"}, {"DDMOVE", "1"}, {"DCHANGEDIRECTION", "24"}}});
    write_objects(game + "GFX/WORLD/", objects);
    put_png(game + "GFX/CURSOR/hero.png", hero_picture(), PngKind::keyed);
    const int W = 40, H = 25;
    std::vector<Kind> m = island_map(W, H);
    auto ground = [](Kind k) {
        switch (k) {
        case Kind::sea: return Ground::water;
        case Kind::wall: return Ground::wall;
        case Kind::grass: case Kind::forest: return Ground::green;
        default: return Ground::floor;
        }
    };
    // the loading screens show the island itself
    GroundMap picture;
    picture.w = W, picture.h = H;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) picture.cells.push_back(ground(m[static_cast<size_t>(y * W + x)]));
    write_loading_screens(game, "An island world saved in two text files", "Loading the island", picture);

    // Designed world 1, the island with the castle: the figure starts on the
    // road south of the gate; the keep's treasure and a bell wait in the
    // court, coins line the road, crabs walk the southern beach.
    write_island_world(game, "ISLAND", W, H, m);
    put_text(game + "WORLDS/ISLAND.place",
             pairs_file({{"NOTE", "Placements of designed world 1: START X,Y is the figure's start cell, OBJECT NAME,X,Y "
                                  "puts one object (an enemy for an enemy type) on a cell every time."},
                         {"START", "22,17"},
                         {"OBJECT", "gem,22,11"},
                         {"OBJECT", "bell,19,12"},
                         {"OBJECT", "coin,22,15"},
                         {"OBJECT", "coin,22,16"},
                         {"OBJECT", "coin,22,18"},
                         {"OBJECT", "crab,12,21"},
                         {"OBJECT", "crab,27,22"}}));
    // Designed world 2 (Page Up): the atoll.
    const int W2 = 36, H2 = 22;
    write_island_world(game, "ISLAND-2", W2, H2, atoll_map(W2, H2));
    put_text(game + "WORLDS/ISLAND-2.place",
             pairs_file({{"NOTE", "Placements of designed world 2, the atoll."},
                         {"START", "4,11"},
                         {"OBJECT", "gem,18,3"},
                         {"OBJECT", "gem,31,11"},
                         {"OBJECT", "crab,18,18"}}));

    const std::string types = game + "TYPES/ISLAND/";
    put_text(types + "0000255", object_file("sea", "water.png", water_children, true, false));
    put_text(types + "0128000", object_file("meadow", "grass.png", green_children, false, false));
    put_text(types + "0096000", object_file("forest", "grass.png", {"tree"}, true, false));
    put_text(types + "128128128", object_file("castle wall", "wall.png", wall_children, true, false));
    put_text(types + "255200120", object_file("sand", "floor.png", floor_children, false, true));
    const std::pair<const char*, const char*> edges[] = {
        {"255200111", "floor_wall_left.png"},  {"255200112", "floor_grass_left.png"}, {"255200113", "floor_water_left.png"},
        {"255200121", "floor_wall_top.png"},   {"255200122", "floor_grass_top.png"},  {"255200123", "floor_water_top.png"},
    };
    for (const auto& [type, graphic] : edges)
        put_text(types + type, object_file("sand at an edge", graphic, floor_children, false, true));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen_assets <repository folder>\n"
                             "writes <folder>/game/, <folder>/game-saved/ and <folder>/packaging/icons/\n");
        return 2;
    }
    std::string root = argv[1];
    if (!root.empty() && root.back() != '/') root += '/';
    write_labyrinth_game(root + "game/");
    write_saved_game(root + "game-saved/");
    for (int size : {48, 256})
        put_png(root + "packaging/icons/tileworld-" + std::to_string(size) + ".png", icon_picture(size), PngKind::keyed);
    if (failures) return 1;
    std::printf("gen_assets: wrote %sgame/, %sgame-saved/ and %spackaging/icons/\n", root.c_str(), root.c_str(),
                root.c_str());
    return 0;
}
