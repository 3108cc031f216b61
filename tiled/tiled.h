// tiled: Tiled maps read into one plain record, turned into designed worlds
// of a game, and worlds of a game written back as Tiled maps. Used by the
// tileworld-tiled program and its tests only; never linked into the game.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "runtime/inspection.h"

namespace tw::tiled {

// ===========================================================================
// The map record (every reader fills the same one)
// ===========================================================================

struct property {
    std::string name;
    std::string type;  // "string", "bool", "int", "float", ... ("string" when not said)
    std::string value;
};
using properties = std::vector<property>;
// The value of the named property, or nullptr.
const std::string* find_property(const properties& props, const std::string& name);
bool property_true(const properties& props, const std::string& name);  // "true" or "1"

struct tile_info {
    int32_t id = 0;
    std::string type;  // "type" (Tiled up to 1.8) or "class" (1.9 on)
    properties props;
    std::string image;  // image-collection tilesets: the tile's own picture (host path)
};

struct tileset {
    uint32_t firstgid = 1;
    std::string name;
    std::string file;  // the file it was read from (the map for embedded tilesets)
    int tile_width = 0, tile_height = 0;
    int margin = 0, spacing = 0, columns = 0, tile_count = 0;
    std::string image;  // host path of the tileset picture, empty for image collections
    std::vector<tile_info> tiles;
    const tile_info* tile(int32_t id) const;
};

struct tile_layer {
    std::string name;
    int width = 0, height = 0;
    bool visible = true;
    double opacity = 1.0;  // groups multiplied in
    properties props;
    std::vector<uint32_t> gids;  // row by row, flags kept in the top bits
};

struct map_object {
    int id = 0;
    std::string name;
    std::string type;  // "type" or "class"
    double x = 0, y = 0, width = 0, height = 0;
    uint32_t gid = 0;  // a tile object, flags kept
    properties props;
};

struct object_layer {
    std::string name;
    bool visible = true;
    properties props;
    std::vector<map_object> objects;
};

struct tile_map {
    std::string file;
    int width = 0, height = 0;  // in tiles
    int tile_width = 0, tile_height = 0;
    properties props;
    std::vector<tileset> tilesets;        // by firstgid
    std::vector<tile_layer> layers;       // bottom to top
    std::vector<object_layer> object_layers;
};

// The flags Tiled keeps in a gid's top bits.
constexpr uint32_t flip_horizontal = 0x80000000u;
constexpr uint32_t flip_vertical = 0x40000000u;
constexpr uint32_t flip_diagonal = 0x20000000u;
constexpr uint32_t rotate_hexagonal = 0x10000000u;
constexpr uint32_t gid_flags = 0xF0000000u;

// A TMX or JSON map (chosen by content), with its external tilesets. false
// with "file: reason" on refusal.
bool read_map(const std::string& path, tile_map& out, std::string& why);

// ===========================================================================
// Small readers and decoders (tiled/xml.cpp, tiled/json.cpp, tiled/data.cpp)
// ===========================================================================

struct xml_element {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<xml_element> children;
    std::string text;  // character data directly inside, entities resolved
    const std::string* attribute(const std::string& key) const;
    const xml_element* child(const std::string& key) const;
};
bool parse_xml(const std::string& source, xml_element& root, std::string& why);

struct json_value {
    enum class kind { null, boolean, number, string, array, object } type = kind::null;
    bool boolean = false;
    double number = 0;
    std::string string;  // strings; numbers keep their text here too
    std::vector<json_value> items;
    std::vector<std::pair<std::string, json_value>> members;
    const json_value* member(const std::string& key) const;
    std::string as_text() const;  // strings as they are, numbers as written, booleans "true"/"false"
};
bool parse_json(const std::string& source, json_value& root, std::string& why);

bool decode_base64(const std::string& s, std::string& out);
void put_utf8(std::string& out, uint32_t code_point);  // one code point as UTF-8
// zlib or gzip streams (the header tells which); false on damage.
bool inflate_bytes(const std::string& in, std::string& out, size_t expected);
bool deflate_zlib(const std::string& in, std::string& out);
bool read_file_bytes(const std::string& path, std::string& out);

// ===========================================================================
// Pictures of tiles (tiled/pictures.cpp)
// ===========================================================================

// Tileset pictures decoded once each.
struct picture_cache {
    std::map<std::string, rgba_image> images;
    // The picture of one gid (flags applied), scaled to w x h. false with the
    // reason when its tileset picture cannot be read.
    bool tile_picture(const tile_map& m, uint32_t gid, int w, int h, rgba_image& out, std::string& why);
};
const tileset* tileset_of(const tile_map& m, uint32_t gid);  // nullptr for gid 0 or unknown
// src drawn over dst (same size) with the given opacity 0..1.
void draw_over(rgba_image& dst, const rgba_image& src, double opacity);

// ===========================================================================
// Import and export (tiled/import.cpp, tiled/export.cpp)
// ===========================================================================

struct import_options {
    int world = 1;  // designed world number (1: STEM, n: STEM-n)
};
struct import_result {
    std::vector<std::string> written;  // files written, relative to the game folder
    std::vector<std::string> notes;    // what the maker should know
    std::vector<std::string> sources;  // the map, its tileset files and pictures (host paths)
    int cells = 0, types = 0, new_types = 0, objects = 0;
};
// The map as designed world `world` of the game in `game_folder` (made when
// missing or empty). Nothing is written into the folder on refusal.
bool import_map(const std::string& map_path, const std::string& game_folder, const import_options& options,
                import_result& result, std::string& why);

struct export_options {
    int world = -1;  // -1: the game's first world (designed world 1 or generated world 0)
};
bool export_map(const std::string& game_folder, const std::string& out_path, const export_options& options,
                std::string& why);

// Designed-world file names: STEM.ai42 for world 1, STEM-n.ai42 for n >= 2.
std::string designed_world_stem(const std::string& app_entry, const std::string& app_start, int world);

}  // namespace tw::tiled
