// tileworld-tiled: maps written here in every encoding and layout Tiled
// saves, imported into empty folders and into a copy of a sample game;
// refusals; export, Tiled's own conversion and import again; Tiled's
// rasterizer against the checker's map; a new game checked and started.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>

#include "runtime/inspection.h"
#include "runtime/media_runtime.h"
#include "support/test_support.h"
#include "tiled/tiled.h"

namespace fs = std::filesystem;
using tw::test::read_file;
using tw::test::run_program;
using tw::test::RunResult;
using tw::test::TempDir;

namespace {

const std::string source_dir = TILEWORLD_SOURCE_DIR;

RunResult tiled(const std::vector<std::string>& args, const std::string& dir) {
    return run_program(TILEWORLD_TILED, args, dir, {"QT_QPA_PLATFORM=offscreen"});
}

// Every file below a folder with its contents, by relative path.
std::map<std::string, std::string> snapshot(const std::string& folder) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    if (!fs::exists(folder, ec)) return files;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file()) files[fs::relative(e.path(), folder).generic_string()] = read_file(e.path().string());
    return files;
}

// A topography file's cell records and the rest of the world (without the
// header, which names the map it came from).
std::string after_header(const std::string& s) {
    size_t at = 0;
    for (int i = 0; i < 5 && at != std::string::npos; ++i) at = s.find('\n', at) + 1;
    return at == std::string::npos ? std::string() : s.substr(at);
}

std::vector<std::string> lines_of(const std::string& s) {
    std::vector<std::string> out;
    std::string line;
    for (char c : s) {
        if (c == '\r') continue;
        if (c == '\n') out.push_back(line), line.clear();
        else line += c;
    }
    return out;
}

// Cell (x, y)'s type in a topography file of height h + 1.
std::string type_at(const std::string& topo, int x, int y) {
    const std::vector<std::string> l = lines_of(topo);
    const int h = std::stoi(l[2]);
    const size_t i = 5 + 3 * (static_cast<size_t>(x) * (h + 1) + y);
    return l[i] + l[i + 1] + l[i + 2];
}
int alpha_at(const std::string& red, int h, int x, int y) {
    return std::stoi(lines_of(red)[5 + static_cast<size_t>(x) * (h + 1) + y]);
}

std::string base64(const std::string& in) {
    static const char* t = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string o;
    size_t i = 0;
    for (; i + 2 < in.size(); i += 3) {
        uint32_t v = static_cast<uint8_t>(in[i]) << 16 | static_cast<uint8_t>(in[i + 1]) << 8 | static_cast<uint8_t>(in[i + 2]);
        o += t[v >> 18], o += t[(v >> 12) & 63], o += t[(v >> 6) & 63], o += t[v & 63];
    }
    if (i + 1 == in.size()) {
        uint32_t v = static_cast<uint8_t>(in[i]) << 16;
        o += t[v >> 18], o += t[(v >> 12) & 63], o += "==";
    } else if (i + 2 == in.size()) {
        uint32_t v = static_cast<uint8_t>(in[i]) << 16 | static_cast<uint8_t>(in[i + 1]) << 8;
        o += t[v >> 18], o += t[(v >> 12) & 63], o += t[(v >> 6) & 63], o += '=';
    }
    return o;
}

std::string compressed(const std::string& in, bool gzip) {
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, gzip ? 31 : 15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, static_cast<uLong>(in.size())) + 32, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// ===========================================================================
// The test map: 5 x 4 cells of 8 x 8 pixels
// ===========================================================================

constexpr uint32_t H = 0x80000000u, V = 0x40000000u, D = 0x20000000u;
constexpr int map_w = 5, map_h = 4;

// ground: red, green, blue, yellow tiles; each with a white top-left pixel
// so that flips show. blue blocks, green has a type, yellow names "gold".
const std::vector<uint32_t> ground = {
    1, 1, 2, 2, 3,          //
    1 | H, 2, 2, 3, 3,      //
    1 | V, 2, 2, 4, 3,      //
    1 | D | H, 0, 2, 2, 3,  //
};
const std::vector<uint32_t> decor = {
    0, 0, 0, 0, 0,  //
    0, 4, 0, 0, 0,  //
    0, 0, 0, 0, 0,  //
    0, 0, 0, 0, 4,  //
};
const std::vector<uint32_t> hidden = std::vector<uint32_t>(20, 3);

const uint8_t tile_colours[4][3] = {{220, 30, 30}, {30, 200, 40}, {30, 40, 220}, {240, 220, 20}};

tw::rgba_image tile_picture(int n) {
    tw::rgba_image img;
    img.width = img.height = 8, img.has_alpha = true;
    img.rgba.resize(8 * 8 * 4);
    for (int p = 0; p < 64; ++p) {
        for (int k = 0; k < 3; ++k) img.rgba[p * 4 + k] = tile_colours[n][k];
        img.rgba[p * 4 + 3] = 255;
    }
    for (int k = 0; k < 3; ++k) img.rgba[k] = 255;
    return img;
}

// Margin 2, spacing 1, two columns: 21 x 21 pixels, the gaps magenta.
tw::rgba_image tileset_picture() {
    tw::rgba_image img;
    img.width = img.height = 21, img.has_alpha = true;
    img.rgba.assign(21 * 21 * 4, 0);
    for (int p = 0; p < 21 * 21; ++p) img.rgba[p * 4] = 255, img.rgba[p * 4 + 2] = 255, img.rgba[p * 4 + 3] = 255;
    for (int n = 0; n < 4; ++n) {
        const tw::rgba_image t = tile_picture(n);
        const int x0 = 2 + (n % 2) * 9, y0 = 2 + (n / 2) * 9;
        for (int y = 0; y < 8; ++y)
            std::copy_n(&t.rgba[y * 8 * 4], 32, &img.rgba[((y0 + y) * 21 + x0) * 4]);
    }
    return img;
}

enum class Format { tmx, json };
enum class Data { csv, xml_tiles, base64, zlib, gzip, array };
enum class Tiles { embedded, external_tsx, external_tsj, collection, old_json_shape };

std::string gid_bytes(const std::vector<uint32_t>& g) {
    std::string b;
    for (uint32_t v : g)
        for (int k = 0; k < 4; ++k) b += static_cast<char>((v >> (8 * k)) & 0xFF);
    return b;
}

std::string tmx_data(const std::vector<uint32_t>& g, Data d) {
    std::string s;
    if (d == Data::csv) {
        for (size_t i = 0; i < g.size(); ++i) s += std::to_string(g[i]) + (i + 1 < g.size() ? "," : "") + (i % map_w == map_w - 1 ? "\n" : "");
        return "<data encoding=\"csv\">\n" + s + "</data>";
    }
    if (d == Data::xml_tiles) {
        for (uint32_t v : g) s += v ? "<tile gid=\"" + std::to_string(v) + "\"/>" : "<tile/>";
        return "<data>" + s + "</data>";
    }
    const std::string raw = gid_bytes(g);
    if (d == Data::zlib) return "<data encoding=\"base64\" compression=\"zlib\">" + base64(compressed(raw, false)) + "</data>";
    if (d == Data::gzip) return "<data encoding=\"base64\" compression=\"gzip\">" + base64(compressed(raw, true)) + "</data>";
    return "<data encoding=\"base64\">\n   " + base64(raw) + "\n  </data>";
}

std::string json_data(const std::vector<uint32_t>& g, Data d) {
    if (d == Data::array || d == Data::csv) {
        std::string s;
        for (size_t i = 0; i < g.size(); ++i) s += std::to_string(g[i]) + (i + 1 < g.size() ? ", " : "");
        return "\"data\": [" + s + "]";
    }
    const std::string raw = gid_bytes(g);
    if (d == Data::zlib) return "\"encoding\": \"base64\", \"compression\": \"zlib\", \"data\": \"" + base64(compressed(raw, false)) + "\"";
    if (d == Data::gzip) return "\"encoding\": \"base64\", \"compression\": \"gzip\", \"data\": \"" + base64(compressed(raw, true)) + "\"";
    return "\"encoding\": \"base64\", \"data\": \"" + base64(raw) + "\"";
}

const char* tsx_tiles =
    " <tile id=\"1\" type=\"grassland\"/>\n"
    " <tile id=\"2\"><properties><property name=\"blocks\" type=\"bool\" value=\"true\"/></properties></tile>\n"
    " <tile id=\"3\"><properties><property name=\"celltype\" value=\"gold\"/></properties></tile>\n";

std::string tsx(bool embedded, bool collection) {
    std::string head = std::string("<tileset ") + (embedded ? "firstgid=\"1\" " : "") +
                       "name=\"Ground\" tilewidth=\"8\" tileheight=\"8\" spacing=\"1\" margin=\"2\" tilecount=\"4\" columns=\"" +
                       (collection ? "0" : "2") + "\">\n";
    if (!collection) return head + " <image source=\"pics/ground.png\" width=\"21\" height=\"21\"/>\n" + tsx_tiles + "</tileset>\n";
    std::string tiles;
    for (int n = 0; n < 4; ++n) {
        tiles += " <tile id=\"" + std::to_string(n) + "\"" + (n == 1 ? " type=\"grassland\"" : "") + ">\n";
        if (n == 2) tiles += "  <properties><property name=\"blocks\" type=\"bool\" value=\"true\"/></properties>\n";
        if (n == 3) tiles += "  <properties><property name=\"celltype\" value=\"gold\"/></properties>\n";
        tiles += "  <image width=\"8\" height=\"8\" source=\"pics/t" + std::to_string(n) + ".png\"/>\n </tile>\n";
    }
    return head + tiles + "</tileset>\n";
}

std::string tsj(bool old_shape) {
    std::string tiles = old_shape
                            ? "\"tiles\": {\"1\": {\"type\": \"grassland\"}},\n"
                              "\"tileproperties\": {\"2\": {\"blocks\": true}, \"3\": {\"celltype\": \"gold\"}},\n"
                              "\"tilepropertytypes\": {\"2\": {\"blocks\": \"bool\"}, \"3\": {\"celltype\": \"string\"}},\n"
                            : "\"tiles\": [{\"id\": 1, \"type\": \"grassland\"},\n"
                              " {\"id\": 2, \"properties\": [{\"name\": \"blocks\", \"type\": \"bool\", \"value\": true}]},\n"
                              " {\"id\": 3, \"properties\": [{\"name\": \"celltype\", \"type\": \"string\", \"value\": \"gold\"}]}],\n";
    return "{\"name\": \"Ground\", \"tilewidth\": 8, \"tileheight\": 8, \"spacing\": 1, \"margin\": 2,\n"
           "\"tilecount\": 4, \"columns\": 2, \"image\": \"pics/ground.png\", \"imagewidth\": 21, \"imageheight\": 21,\n" +
           tiles + "\"type\": \"tileset\"}";
}

// Writes the map (and its tileset files and pictures) into dir; returns the map's path.
std::string write_test_map(const TempDir& dir, Format f, Data d, Tiles t, const std::string& object_type = "coin",
                           const std::string& extra_map_attributes = "") {
    std::vector<uint8_t> bytes;
    fs::create_directories(dir.path + "pics");
    tw::save_png(dir.path + "pics/ground.png", tileset_picture());
    for (int n = 0; n < 4; ++n) tw::save_png(dir.path + "pics/t" + std::to_string(n) + ".png", tile_picture(n));
    if (f == Format::tmx) {
        std::string ts;
        if (t == Tiles::external_tsx) {
            dir.write("ground.tsx", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + tsx(false, false));
            ts = " <tileset firstgid=\"1\" source=\"ground.tsx\"/>\n";
        } else if (t == Tiles::external_tsj) {
            dir.write("ground.tsj", tsj(false));
            ts = " <tileset firstgid=\"1\" source=\"ground.tsj\"/>\n";
        } else {
            ts = tsx(true, t == Tiles::collection);
        }
        const std::string map =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- written by the tests -->\n"
            "<map version=\"1.8\" orientation=\"orthogonal\" renderorder=\"right-down\" width=\"5\" height=\"4\" "
            "tilewidth=\"8\" tileheight=\"8\" infinite=\"0\"" + extra_map_attributes + ">\n" + ts +
            " <layer id=\"1\" name=\"ground &amp; paths\" width=\"5\" height=\"4\">\n  " + tmx_data(ground, d) + "\n </layer>\n"
            " <group id=\"5\" name=\"upper\">\n"
            "  <layer id=\"2\" name=\"decor\" width=\"5\" height=\"4\" opacity=\"0.5\">\n  " + tmx_data(decor, d) + "\n  </layer>\n"
            " </group>\n"
            " <layer id=\"3\" name=\"sketch\" width=\"5\" height=\"4\" visible=\"0\">\n  " + tmx_data(hidden, d) + "\n </layer>\n"
            " <objectgroup id=\"4\" name=\"things\">\n"
            "  <object id=\"1\" type=\"start\" x=\"8\" y=\"16\" width=\"8\" height=\"8\"/>\n"
            "  <object id=\"2\" name=\"a coin\" type=\"" + object_type + "\" gid=\"2\" x=\"24\" y=\"16\" width=\"8\" height=\"8\"/>\n"
            "  <object id=\"3\" type=\"nothing\" x=\"0\" y=\"0\" width=\"8\" height=\"8\"/>\n"
            " </objectgroup>\n</map>\n";
        return dir.write("map.tmx", map);
    }
    std::string ts;
    if (t == Tiles::external_tsx) {
        dir.write("ground.tsx", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + tsx(false, false));
        ts = "{\"firstgid\": 1, \"source\": \"ground.tsx\"}";
    } else if (t == Tiles::external_tsj) {
        dir.write("ground.tsj", tsj(false));
        ts = "{\"firstgid\": 1, \"source\": \"ground.tsj\"}";
    } else {
        std::string inner = tsj(t == Tiles::old_json_shape);
        ts = "{\"firstgid\": 1, " + inner.substr(1);
    }
    const std::string map =
        "{\"type\": \"map\", \"orientation\": \"orthogonal\", \"renderorder\": \"right-down\", \"width\": 5, \"height\": 4,\n"
        " \"tilewidth\": 8, \"tileheight\": 8, \"infinite\": false, \"tilesets\": [" + ts + "],\n"
        " \"layers\": [\n"
        "  {\"type\": \"tilelayer\", \"name\": \"ground & paths\", \"width\": 5, \"height\": 4, \"opacity\": 1, \"visible\": true, " +
        json_data(ground, d) + "},\n"
        "  {\"type\": \"group\", \"name\": \"upper\", \"layers\": [\n"
        "   {\"type\": \"tilelayer\", \"name\": \"decor\", \"width\": 5, \"height\": 4, \"opacity\": 0.5, \"visible\": true, " +
        json_data(decor, d) + "}]},\n"
        "  {\"type\": \"tilelayer\", \"name\": \"sketch\", \"width\": 5, \"height\": 4, \"opacity\": 1, \"visible\": false, " +
        json_data(hidden, d) + "},\n"
        "  {\"type\": \"objectgroup\", \"name\": \"things\", \"objects\": [\n"
        "   {\"id\": 1, \"type\": \"start\", \"x\": 8, \"y\": 16, \"width\": 8, \"height\": 8},\n"
        "   {\"id\": 2, \"name\": \"a coin\", \"class\": \"" + object_type + "\", \"gid\": 2, \"x\": 24, \"y\": 16, \"width\": 8, \"height\": 8},\n"
        "   {\"id\": 3, \"type\": \"nothing\", \"x\": 0, \"y\": 0, \"width\": 8, \"height\": 8}]}]}\n";
    return dir.write("map.tmj", map);
}

// The world files and the new pictures and object files an import wrote.
std::map<std::string, std::string> world_of(const std::string& game) {
    std::map<std::string, std::string> files = snapshot(game);
    std::map<std::string, std::string> out;
    for (auto& [k, v] : files)
        if (k.rfind("WORLDS/", 0) == 0 || k.rfind("TYPES/", 0) == 0 || k.rfind("GFX/TOPO/", 0) == 0)
            out[k] = k.size() > 5 && k.substr(k.size() - 5) == ".ai42" ? after_header(v) : v;
    return out;
}

tw::rgba_image decoded(const std::string& path) {
    tw::rgba_image img;
    tw::text why;
    EXPECT_TRUE(tw::decode_image_file(path, img, why)) << path << ": " << why;
    return img;
}

const uint8_t* pixel(const tw::rgba_image& img, int x, int y) { return &img.rgba[(static_cast<size_t>(y) * img.width + x) * 4]; }

struct Decoders {
    Decoders() { tw::use_png_decoder(); }
} decoders;

}  // namespace

// ===========================================================================
// Import
// ===========================================================================

TEST(TiledImport, EveryEncodingAndLayoutGivesTheSameWorld) {
    struct Variant {
        Format f;
        Data d;
        Tiles t;
        const char* name;
    };
    const Variant variants[] = {
        {Format::tmx, Data::csv, Tiles::embedded, "tmx csv"},
        {Format::tmx, Data::xml_tiles, Tiles::embedded, "tmx tile elements"},
        {Format::tmx, Data::base64, Tiles::embedded, "tmx base64"},
        {Format::tmx, Data::zlib, Tiles::external_tsx, "tmx zlib, tsx"},
        {Format::tmx, Data::gzip, Tiles::external_tsj, "tmx gzip, tsj"},
        {Format::tmx, Data::csv, Tiles::collection, "tmx image collection"},
        {Format::json, Data::array, Tiles::embedded, "json array"},
        {Format::json, Data::base64, Tiles::external_tsx, "json base64, tsx"},
        {Format::json, Data::zlib, Tiles::external_tsj, "json zlib, tsj"},
        {Format::json, Data::gzip, Tiles::old_json_shape, "json gzip, old property shapes"},
    };
    std::map<std::string, std::string> reference;
    for (const Variant& v : variants) {
        TempDir dir;
        const std::string map = write_test_map(dir, v.f, v.d, v.t);
        const RunResult r = tiled({"import", map, dir.path + "game"}, dir.path);
        ASSERT_EQ(r.exit_code, 0) << v.name << ": " << r.err;
        const std::map<std::string, std::string> world = world_of(dir.path + "game");
        if (reference.empty()) {
            reference = world;
            ASSERT_TRUE(reference.count("WORLDS/MAP.ai42"));
        } else {
            EXPECT_EQ(world, reference) << v.name;
        }
    }
}

TEST(TiledImport, TilesStacksFlipsOpacityAndPlacements) {
    TempDir dir;
    const std::string map = write_test_map(dir, Format::tmx, Data::csv, Tiles::embedded);
    const RunResult r = tiled({"import", map, dir.path + "game"}, dir.path);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string g = dir.path + "game/";
    const std::string topo = read_file(g + "WORLDS/MAP.ai42"), red = read_file(g + "WORLDS/MAP.red");
    // One tile per cell: the tileset's name and the tile's number, its flips after.
    EXPECT_EQ(type_at(topo, 0, 0), "ground_0");
    EXPECT_EQ(type_at(topo, 0, 1), "ground_0_h");
    EXPECT_EQ(type_at(topo, 0, 2), "ground_0_v");
    EXPECT_EQ(type_at(topo, 0, 3), "ground_0_hd");
    EXPECT_EQ(type_at(topo, 2, 0), "ground_1");
    // A celltype property names the type, also from an upper layer.
    EXPECT_EQ(type_at(topo, 3, 2), "gold");
    EXPECT_EQ(type_at(topo, 1, 1), "gold");
    EXPECT_EQ(type_at(topo, 4, 3), "gold");
    // The hidden layer is left out; an empty cell has no type and is not drawn.
    EXPECT_EQ(type_at(topo, 1, 3), "");
    EXPECT_EQ(alpha_at(red, 3, 1, 3), 0);
    EXPECT_EQ(alpha_at(red, 3, 0, 0), 255);
    // Names on the first of the three lines, as the engine joins them.
    EXPECT_EQ(lines_of(topo)[5], "ground_0");
    EXPECT_EQ(lines_of(topo)[6], "");

    // Pictures cut past the margin and spacing, turned by the flags.
    // (at the new game's cell size, 32 pixels: each tile pixel is 4 x 4).
    const tw::rgba_image plain = decoded(g + "GFX/TOPO/ground_0.png");
    ASSERT_EQ(plain.width, 32);
    EXPECT_EQ(pixel(plain, 3, 3)[0], 255);
    EXPECT_EQ(pixel(plain, 4, 4)[0], 220);
    EXPECT_EQ(pixel(decoded(g + "GFX/TOPO/ground_0_h.png"), 31, 0)[1], 255);
    EXPECT_EQ(pixel(decoded(g + "GFX/TOPO/ground_0_v.png"), 0, 31)[1], 255);
    // Diagonal then horizontal: the corner goes to the top right.
    EXPECT_EQ(pixel(decoded(g + "GFX/TOPO/ground_0_hd.png"), 31, 0)[1], 255);
    // A stack: the upper tile at half opacity over the lower one.
    const tw::rgba_image gold_picture = decoded(g + "GFX/TOPO/gold.png");
    const uint8_t* gold = pixel(gold_picture, 16, 16);
    EXPECT_NEAR(gold[0], (240 + 30) / 2, 2);
    EXPECT_NEAR(gold[1], (220 + 200) / 2, 2);

    // Object files: blocking from the tile property, the tile's type as the internal name.
    EXPECT_NE(read_file(g + "TYPES/MAP/ground_2").find("USECOLLISION\r\n1\r\n"), std::string::npos);
    EXPECT_NE(read_file(g + "TYPES/MAP/ground_0").find("USECOLLISION\r\n0\r\n"), std::string::npos);
    EXPECT_NE(read_file(g + "TYPES/MAP/ground_1").find("INTERNALNAME\r\ngrassland\r\n"), std::string::npos);
    // The start under the rectangle's centre; a new game has no definitions to place.
    EXPECT_EQ(read_file(g + "WORLDS/MAP.place"), "START\r\n1,2\r\n");
    EXPECT_NE(r.err.find("object 2 (a coin): the type coin names no object definition"), std::string::npos) << r.err;
    EXPECT_NE(read_file(g + "DATA/ini.txt").find("PLAYSAVEDWORLD\r\n1\r\n"), std::string::npos);

    // Designed world 2 sits beside world 1 under STEM-2.
    const RunResult second = tiled({"import", "--world", "2", map, dir.path + "game"}, dir.path);
    ASSERT_EQ(second.exit_code, 0) << second.err;
    EXPECT_TRUE(fs::exists(g + "WORLDS/MAP-2.ai42"));
    EXPECT_TRUE(fs::exists(g + "WORLDS/MAP-2.red"));
    EXPECT_TRUE(fs::exists(g + "WORLDS/MAP-2.place"));
}

TEST(TiledImport, IntoAnExistingGameUsesItsTypesAndChangesOnlyWhatItSays) {
    TempDir dir;
    fs::copy(source_dir + "/game-saved", dir.path + "island", fs::copy_options::recursive);
    const auto before = snapshot(dir.path + "island");
    TempDir maps;
    std::string map = write_test_map(maps, Format::tmx, Data::csv, Tiles::external_tsx);
    // The blue tile names the island's sea.
    std::string tsx_text = read_file(maps.path + "ground.tsx");
    tsx_text.replace(tsx_text.find("name=\"blocks\" type=\"bool\" value=\"true\""), 38, "name=\"celltype\" value=\"0000255\"");
    maps.write("ground.tsx", tsx_text);
    // Named with a final separator, as a shell's completion gives it.
    const RunResult r = tiled({"import", map, dir.path + "island/"}, maps.path);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 1);
    const auto after = snapshot(dir.path + "island");
    const std::string topo = after.at("WORLDS/ISLAND.ai42");
    EXPECT_EQ(type_at(topo, 3, 1), "0000255");
    EXPECT_FALSE(after.count("TYPES/ISLAND/ground_2"));
    EXPECT_EQ(after.at("WORLDS/ISLAND.place"), "START\r\n1,2\r\nOBJECT\r\ncoin,3,1\r\n");
    // Every file that changed or appeared was named on the output.
    for (const auto& [path, contents] : after) {
        auto old = before.find(path);
        if (old != before.end() && old->second == contents) continue;
        EXPECT_NE(r.out.find("wrote " + path + "\n"), std::string::npos) << path;
    }
    for (const auto& [path, contents] : before) EXPECT_TRUE(after.count(path)) << path;
    EXPECT_EQ(after.at("TYPES/ISLAND/0000255"), before.at("TYPES/ISLAND/0000255"));
    EXPECT_EQ(after.at("DATA/ini.txt"), before.at("DATA/ini.txt"));
}

TEST(TiledImport, RefusalsNameTheFileAndLeaveTheFolderAlone) {
    struct Case {
        const char* name;
        std::function<std::string(const TempDir&)> write;  // returns the map's path
        const char* reason;
    };
    auto tmx_with = [](const std::string& from, const std::string& to) {
        return [from, to](const TempDir& d) {
            const std::string path = write_test_map(d, Format::tmx, Data::csv, Tiles::embedded);
            std::string s = read_file(path);
            const size_t at = s.find(from);
            if (at != std::string::npos) s.replace(at, from.size(), to);
            return d.write("map.tmx", s);
        };
    };
    const Case cases[] = {
        {"isometric", tmx_with("orthogonal", "isometric"), "isometric maps are not read"},
        {"staggered", tmx_with("orthogonal", "staggered"), "staggered maps are not read"},
        {"hexagonal", tmx_with("orthogonal", "hexagonal"), "hexagonal maps are not read"},
        {"infinite", tmx_with("infinite=\"0\"", "infinite=\"1\""), "infinite maps are not read"},
        {"zstd", [](const TempDir& d) {
             std::string s = read_file(write_test_map(d, Format::tmx, Data::zlib, Tiles::embedded));
             s.replace(s.find("compression=\"zlib\""), 18, "compression=\"zstd\"");
             return d.write("map.tmx", s);
         }, "zstd"},
        {"missing tileset picture", [](const TempDir& d) {
             const std::string p = write_test_map(d, Format::tmx, Data::csv, Tiles::embedded);
             fs::remove(d.path + "pics/ground.png");
             return p;
         }, "pics/ground.png cannot be read"},
        {"unreadable tileset picture", [](const TempDir& d) {
             const std::string p = write_test_map(d, Format::tmx, Data::csv, Tiles::embedded);
             d.write("pics/ground.png", "not a picture");
             return p;
         }, "pics/ground.png cannot be read"},
        {"missing external tileset", [](const TempDir& d) {
             const std::string p = write_test_map(d, Format::json, Data::array, Tiles::external_tsj);
             fs::remove(d.path + "ground.tsj");
             return p;
         }, "ground.tsj: cannot be read"},
        {"truncated tmx", [](const TempDir& d) {
             std::string s = read_file(write_test_map(d, Format::tmx, Data::csv, Tiles::embedded));
             return d.write("map.tmx", s.substr(0, s.size() / 2));
         }, "map.tmx: line"},
        {"truncated json", [](const TempDir& d) {
             std::string s = read_file(write_test_map(d, Format::json, Data::array, Tiles::embedded));
             return d.write("map.tmj", s.substr(0, s.size() - 40));
         }, "map.tmj: line"},
        {"short layer data", tmx_with("1,1,2,2,3,", "1,1,2,2,"), "the layer data holds 19 tiles, not 20"},
        {"damaged zlib data", [](const TempDir& d) {
             std::string s = read_file(write_test_map(d, Format::tmx, Data::zlib, Tiles::embedded));
             const size_t at = s.find("compression=\"zlib\">") + 19;
             s.replace(at + 8, 4, "AAAA");
             return d.write("map.tmx", s);
         }, "damaged"},
        {"larger than the grid", tmx_with("width=\"5\" height=\"4\" tilewidth", "width=\"1026\" height=\"4\" tilewidth"),
         "at most 1025 x 1025"},
        {"tile outside the tilesets", tmx_with("1,1,2,2,3,", "1,1,2,2,9,"), "the tileset Ground has no tile 8 (it has 4)"},
    };
    for (const Case& c : cases) {
        TempDir maps, games;
        fs::copy(source_dir + "/game-saved", games.path + "island", fs::copy_options::recursive);
        const auto before = snapshot(games.path + "island");
        const std::string map = c.write(maps);
        for (const std::string& target : {games.path + "island", games.path + "new"}) {
            const RunResult r = tiled({"import", map, target}, maps.path);
            EXPECT_EQ(r.exit_code, 1) << c.name;
            EXPECT_NE(r.err.find(c.reason), std::string::npos) << c.name << ": " << r.err;
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.name << ": " << r.err;
            EXPECT_EQ(r.out, "") << c.name;
        }
        EXPECT_EQ(snapshot(games.path + "island"), before) << c.name;
        EXPECT_FALSE(fs::exists(games.path + "new")) << c.name;
        // Nothing left beside the games either.
        EXPECT_EQ(std::distance(fs::directory_iterator(games.path), fs::directory_iterator()), 1) << c.name;
    }
}

// ===========================================================================
// Export and the round trips
// ===========================================================================

TEST(TiledRoundTrip, ExportThenImportGivesTheSameCellTypesAlsoThroughTiledsJson) {
    TempDir dir;
    // A designed world: the island.
    RunResult r = tiled({"export", source_dir + "/game-saved", dir.path + "island.tmx"}, dir.path);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string original = read_file(source_dir + "/game-saved/WORLDS/ISLAND.ai42");
    const std::string original_red = read_file(source_dir + "/game-saved/WORLDS/ISLAND.red");
    r = run_program("/usr/bin/tiled", {"--export-map", "json", "island.tmx", "island.tmj"}, dir.path, {"QT_QPA_PLATFORM=offscreen"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    r = run_program("/usr/bin/tiled", {"--export-map", "tmx", "island.tmj", "back.tmx"}, dir.path, {"QT_QPA_PLATFORM=offscreen"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    for (const char* map : {"island.tmx", "island.tmj", "back.tmx"}) {
        const std::string game = dir.path + "from-" + map;
        r = tiled({"import", dir.path + map, game}, dir.path);
        ASSERT_EQ(r.exit_code, 0) << map << ": " << r.err;
        // A new game is named after the map.
        const std::string stem = std::string(map) == "back.tmx" ? "BACK" : "ISLAND";
        const std::string topo = read_file(game + "/WORLDS/" + stem + ".ai42");
        ASSERT_GT(lines_of(topo).size(), 5u) << map;
        EXPECT_EQ(lines_of(topo)[1], lines_of(original)[1]);
        EXPECT_EQ(lines_of(topo)[2], lines_of(original)[2]);
        for (int x = 0; x < 40; ++x)
            for (int y = 0; y < 25; ++y) {
                ASSERT_EQ(type_at(topo, x, y), type_at(original, x, y)) << map << " cell " << x << "," << y;
                ASSERT_EQ(alpha_at(read_file(game + "/WORLDS/" + stem + ".red"), 24, x, y), alpha_at(original_red, 24, x, y))
                    << map << " cell " << x << "," << y;
            }
    }

    // A generated world, with its start cell: export, import, export again
    // gives the same map.
    r = tiled({"export", source_dir + "/game", dir.path + "laby.tmx", "--world", "2"}, dir.path);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    r = tiled({"import", dir.path + "laby.tmx", dir.path + "laby"}, dir.path);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(read_file(dir.path + "laby/WORLDS/LABY.place").find("START\r\n"), std::string::npos);
    r = tiled({"export", dir.path + "laby", dir.path + "again.tmx"}, dir.path);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    auto body = [](const std::string& s) { return s.substr(s.find("<layer")); };
    EXPECT_EQ(body(read_file(dir.path + "again.tmx")), body(read_file(dir.path + "laby.tmx")));
    EXPECT_NE(read_file(dir.path + "laby.tsx").find("name=\"celltype\" value=\"LAB_WALL\""), std::string::npos);
}

TEST(TiledRoundTrip, TiledsRasterizerDrawsTheWorldAsTheCheckersMap) {
    // The labyrinth without children and enemies: the map then shows the
    // cells alone (and the start cell's frame, left out below).
    TempDir dir;
    const std::string game = dir.path + "game";
    fs::copy(source_dir + "/game", game, fs::copy_options::recursive);
    {
        std::vector<std::string> l = lines_of(read_file(game + "/DATA/ini.txt"));
        for (size_t i = 0; i + 1 < l.size(); i += 2)
            if (l[i] == "MAXFOE") l[i + 1] = "0";
        dir.write("game/DATA/ini.txt", tw::test::crlf(l));
    }
    for (const auto& e : fs::directory_iterator(game + "/TYPES/LABY")) {
        std::vector<std::string> l = lines_of(read_file(e.path().string()));
        for (size_t i = 0; i + 1 < l.size(); i += 2)
            if (l[i].rfind("CHILD", 0) == 0) l[i + 1] = "#";
        dir.write("game/TYPES/LABY/" + e.path().filename().string(), tw::test::crlf(l));
    }
    RunResult r = tiled({"export", game, dir.path + "world1.tmx", "--world", "1"}, dir.path);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    r = run_program("/usr/bin/tmxrasterizer", {"world1.tmx", "tiled.png"}, dir.path, {"QT_QPA_PLATFORM=offscreen"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    r = run_program(TILEWORLD_CHECK, {game, "--map", "1", dir.path + "checker.png", "--block", "32"}, dir.path);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const tw::rgba_image a = decoded(dir.path + "tiled.png"), b = decoded(dir.path + "checker.png");
    ASSERT_EQ(a.width, b.width);
    ASSERT_EQ(a.height, b.height);
    const std::vector<std::string> start_lines = lines_of(read_file(dir.path + "world1.tmx"));
    std::smatch m;
    const std::string tmx = read_file(dir.path + "world1.tmx");
    ASSERT_TRUE(std::regex_search(tmx, m, std::regex("type=\"start\" x=\"(\\d+)\" y=\"(\\d+)\"")));
    const int sx = std::stoi(m[1]) / 32, sy = std::stoi(m[2]) / 32;
    int compared = 0;
    for (int cy = 0; cy < a.height / 32; ++cy)
        for (int cx = 0; cx < a.width / 32; ++cx) {
            if (std::abs(cx - sx) <= 1 && std::abs(cy - sy) <= 1) continue;
            double sum_a[3] = {}, sum_b[3] = {};
            for (int y = cy * 32; y < cy * 32 + 32; ++y)
                for (int x = cx * 32; x < cx * 32 + 32; ++x)
                    for (int k = 0; k < 3; ++k) {
                        // Over black, as the checker's map draws.
                        sum_a[k] += pixel(a, x, y)[k] * pixel(a, x, y)[3] / 255.0;
                        sum_b[k] += pixel(b, x, y)[k] * pixel(b, x, y)[3] / 255.0;
                    }
            for (int k = 0; k < 3; ++k)
                ASSERT_NEAR(sum_a[k] / 1024, sum_b[k] / 1024, 6.0) << "cell " << cx << "," << cy << " channel " << k;
            ++compared;
        }
    EXPECT_GT(compared, 100);
}

// ===========================================================================
// A new game from a map, and the sample game's map source
// ===========================================================================

TEST(TiledNewGame, AnImportedGamePassesTheCheckerAndStarts) {
    TempDir dir;
    const std::string map = write_test_map(dir, Format::tmx, Data::zlib, Tiles::embedded);
    fs::create_directories(dir.path + "empty");
    RunResult r = tiled({"import", map, dir.path + "empty"}, dir.path);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    r = run_program(TILEWORLD_CHECK, {dir.path + "empty"}, dir.path);
    EXPECT_EQ(r.exit_code, 0) << r.out;
    EXPECT_NE(r.out.find("\n0 errors"), std::string::npos) << r.out;
    dir.write("script.txt", "at 30 screenshot " + dir.path + "shot.png\nat 31 dump " + dir.path + "dump.txt\nat 32 quit\n");
    r = tw::test::run_tileworld(dir.path + "empty", {"TILEWORLD_SCRIPT=" + dir.path + "script.txt", "TILEWORLD_DISPLAY=640x360",
                                                  "TILEWORLD_OUTPUT_FOLDER=" + dir.path});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string dump = read_file(dir.path + "dump.txt");
    EXPECT_NE(dump.find("world_width 4\n"), std::string::npos);
    EXPECT_NE(dump.find("world_height 3\n"), std::string::npos);
    // The red tile fills the top left cell of the screen.
    const tw::rgba_image shot = decoded(dir.path + "shot.png");
    ASSERT_GT(shot.width, 0);
    EXPECT_GT(pixel(shot, 12, 20)[0], 150);
    EXPECT_LT(pixel(shot, 12, 20)[2], 80);
}

TEST(TiledNewGame, GameSavedShipsItsMapSourceWhichImportsToItsWorld) {
    TempDir dir;
    fs::copy(source_dir + "/game-saved", dir.path + "island", fs::copy_options::recursive);
    const auto before = snapshot(dir.path + "island");
    const RunResult r = tiled({"import", dir.path + "island/WORLDS/ISLAND.tmx", dir.path + "island"}, dir.path);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const auto after = snapshot(dir.path + "island");
    const std::string topo = after.at("WORLDS/ISLAND.ai42"), original = before.at("WORLDS/ISLAND.ai42");
    ASSERT_EQ(lines_of(topo)[1], "39");
    ASSERT_EQ(lines_of(topo)[2], "24");
    for (int x = 0; x < 40; ++x)
        for (int y = 0; y < 25; ++y) {
            ASSERT_EQ(type_at(topo, x, y), type_at(original, x, y)) << x << "," << y;
            ASSERT_EQ(alpha_at(after.at("WORLDS/ISLAND.red"), 24, x, y), alpha_at(before.at("WORLDS/ISLAND.red"), 24, x, y));
        }
    for (const auto& [path, contents] : before)
        if (path.rfind("WORLDS/", 0) != 0) {
            EXPECT_EQ(after.at(path), contents) << path;
        }
}

TEST(TiledCommandLine, WatchImportsAgainWhenTheMapIsSaved) {
    TempDir dir;
    const std::string map = write_test_map(dir, Format::tmx, Data::csv, Tiles::embedded);
    tw::test::RunningProgram watcher(dir.path, {}, 120, TILEWORLD_TILED, {"import", "--watch", map, dir.path + "game"});
    const std::string topo = dir.path + "game/WORLDS/MAP.ai42";
    auto wait_for = [&](const std::function<bool()>& done) {
        for (int i = 0; i < 600 && !done(); ++i) watcher.wait(50);
        return done();
    };
    ASSERT_TRUE(wait_for([&] { return fs::exists(topo) && type_at(read_file(topo), 0, 0) == "ground_0"; }));
    // A save that breaks the map is reported; the world stays as it was.
    std::string text = read_file(map);
    dir.write("map.tmx", text.substr(0, 100));
    fs::last_write_time(map, fs::file_time_type::clock::now() + std::chrono::seconds(2));
    // Then a good save: the first cell is now the blue tile.
    text.replace(text.find("<data encoding=\"csv\">\n1,"), 24, "<data encoding=\"csv\">\n3,");
    watcher.wait(1500);
    dir.write("map.tmx", text);
    fs::last_write_time(map, fs::file_time_type::clock::now() + std::chrono::seconds(4));
    EXPECT_TRUE(wait_for([&] { return type_at(read_file(topo), 0, 0) == "ground_2"; }));
    EXPECT_FALSE(watcher.wait(0));  // still watching
}

TEST(TiledCommandLine, HelpVersionAndMistakes) {
    TempDir dir;
    RunResult r = tiled({"--help"}, dir.path);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_NE(r.out.find("tileworld-tiled import"), std::string::npos);
    for (const std::string& line : lines_of(r.out)) EXPECT_LE(line.size(), 80u) << line;
    r = tiled({"--version"}, dir.path);
    EXPECT_EQ(r.out, std::string("tileworld-tiled ") + TILEWORLD_VERSION + "\n");
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {}, {"draw"}, {"import", "a.tmx"}, {"import", "--frob", "a.tmx", "g"}, {"export", "g", "o.tmx", "--world"},
             {"import", "--world", "0", "a.tmx", "g"}, {"export", "g"}}) {
        r = tiled(bad, dir.path);
        EXPECT_EQ(r.exit_code, 2) << (bad.empty() ? "" : bad[0]);
        EXPECT_NE(r.err.find("--help"), std::string::npos);
    }
}
