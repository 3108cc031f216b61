// read_map: Tiled maps (TMX and JSON) and their external tilesets (TSX and
// JSON) read into one tile_map record. Only what a designed world can use is
// kept; what cannot become one (other orientations, infinite maps, zstd data)
// is refused with the file and the reason.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "tiled/tiled.h"

namespace tw::tiled {

namespace fs = std::filesystem;

const std::string* find_property(const properties& props, const std::string& name) {
    for (const property& p : props)
        if (p.name == name) return &p.value;
    return nullptr;
}

bool property_true(const properties& props, const std::string& name) {
    const std::string* v = find_property(props, name);
    return v && (*v == "true" || *v == "1");
}

const tile_info* tileset::tile(int32_t id) const {
    for (const tile_info& t : tiles)
        if (t.id == id) return &t;
    return nullptr;
}

namespace {

// Largest map the engine's grid holds, in tiles per side.
constexpr long long max_side = 1025;
constexpr long long max_tileset_tiles = 1 << 20;

struct context {
    std::string file;  // the file being read, for messages
    std::string why;
    bool fail(const std::string& reason) {
        if (why.empty()) why = file + ": " + reason;
        return false;
    }
};

std::string folder_of(const std::string& file) {
    fs::path p = fs::path(file).parent_path();
    return p.empty() ? std::string(".") : p.string();
}

std::string resolve(const std::string& folder, const std::string& relative) {
    fs::path p(relative);
    if (p.is_absolute()) return p.lexically_normal().string();
    return (fs::path(folder) / p).lexically_normal().string();
}

bool whole(const std::string& s, long long& v) {
    if (s.empty()) return false;
    char* end = nullptr;
    v = std::strtoll(s.c_str(), &end, 10);
    return end && *end == '\0';
}

bool read_int(context& c, const std::string* s, const char* what, int& out, long long low, long long high,
              bool required = true) {
    if (!s) return required ? c.fail(std::string("no ") + what) : true;
    long long v;
    if (!whole(*s, v)) return c.fail(std::string("the ") + what + " \"" + *s + "\" is not a whole number");
    if (v < low || v > high)
        return c.fail(std::string("the ") + what + " " + *s + " is outside " + std::to_string(low) + ".." +
                      std::to_string(high));
    out = static_cast<int>(v);
    return true;
}

bool parse_gid(const std::string& s, uint32_t& gid) {
    long long v;
    if (!whole(s, v) || v < 0 || v > 0xFFFFFFFFLL) return false;
    gid = static_cast<uint32_t>(v);
    return true;
}

// CSV: numbers separated by commas and line breaks.
bool csv_gids(context& c, const std::string& text, size_t count, std::vector<uint32_t>& gids) {
    gids.clear();
    std::string item;
    auto flush = [&]() {
        if (item.empty()) return true;
        uint32_t g;
        if (!parse_gid(item, g)) return c.fail("the layer data holds \"" + item + "\", not a tile number");
        gids.push_back(g);
        item.clear();
        return true;
    };
    for (char ch : text) {
        if (ch == ',' || ch == ' ' || ch == '\n' || ch == '\r' || ch == '\t') {
            if (!flush()) return false;
        } else {
            item += ch;
        }
    }
    if (!flush()) return false;
    if (gids.size() != count)
        return c.fail("the layer data holds " + std::to_string(gids.size()) + " tiles, not " + std::to_string(count));
    return true;
}

// base64, then zlib / gzip or nothing; four little-endian bytes per tile.
bool base64_gids(context& c, const std::string& text, const std::string& compression, size_t count,
                 std::vector<uint32_t>& gids) {
    std::string bytes, raw;
    if (!decode_base64(text, bytes)) return c.fail("the layer data is not valid base64");
    if (compression == "zstd") return c.fail("zstd-compressed layer data is not read (save with zlib or gzip)");
    if (compression == "zlib" || compression == "gzip") {
        if (!inflate_bytes(bytes, raw, count * 4))
            return c.fail("the " + compression + " layer data is damaged or holds other than " + std::to_string(count) +
                          " tiles");
    } else if (compression.empty()) {
        raw.swap(bytes);
    } else {
        return c.fail("unknown layer compression \"" + compression + "\"");
    }
    if (raw.size() != count * 4)
        return c.fail("the layer data holds " + std::to_string(raw.size() / 4) + " tiles, not " + std::to_string(count));
    gids.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const auto* p = reinterpret_cast<const unsigned char*>(raw.data() + i * 4);
        gids[i] = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
                  static_cast<uint32_t>(p[3]) << 24;
    }
    return true;
}

bool check_orientation(context& c, const std::string* orientation, const std::string* infinite) {
    if (orientation && *orientation != "orthogonal")
        return c.fail(*orientation + " maps are not read: a world is a grid of square cells (make it orthogonal)");
    if (infinite && (*infinite == "1" || *infinite == "true"))
        return c.fail("infinite maps are not read (Map > Map Properties: untick Infinite)");
    return true;
}

// ===========================================================================
// TMX / TSX
// ===========================================================================

void xml_properties(const xml_element& el, properties& out) {
    const xml_element* ps = el.child("properties");
    if (!ps) return;
    for (const xml_element& p : ps->children) {
        if (p.name != "property") continue;
        property prop;
        if (const std::string* n = p.attribute("name")) prop.name = *n;
        const std::string* t = p.attribute("type");
        prop.type = t ? *t : "string";
        if (const std::string* v = p.attribute("value")) prop.value = *v;
        else prop.value = p.text;
        out.push_back(prop);
    }
}

bool read_file(context& c, const std::string& path, std::string& bytes) {
    if (!read_file_bytes(path, bytes)) return c.fail("cannot be read");
    if (bytes.empty()) return c.fail("is empty");
    return true;
}

bool tsx_tileset(context& c, const xml_element& el, const std::string& folder, tileset& ts) {
    if (el.name != "tileset") return c.fail("not a tileset (the top element is <" + el.name + ">)");
    if (const std::string* n = el.attribute("name")) ts.name = *n;
    if (!read_int(c, el.attribute("tilewidth"), "tile width", ts.tile_width, 1, 4096) ||
        !read_int(c, el.attribute("tileheight"), "tile height", ts.tile_height, 1, 4096) ||
        !read_int(c, el.attribute("margin"), "margin", ts.margin, 0, 4096, false) ||
        !read_int(c, el.attribute("spacing"), "spacing", ts.spacing, 0, 4096, false) ||
        !read_int(c, el.attribute("columns"), "column count", ts.columns, 0, 1 << 16, false) ||
        !read_int(c, el.attribute("tilecount"), "tile count", ts.tile_count, 0, max_tileset_tiles, false))
        return false;
    if (const xml_element* img = el.child("image")) {
        const std::string* src = img->attribute("source");
        if (!src || src->empty()) return c.fail("the tileset " + ts.name + " has an image without a source");
        ts.image = resolve(folder, *src);
    }
    for (const xml_element& t : el.children) {
        if (t.name != "tile") continue;
        tile_info info;
        if (!read_int(c, t.attribute("id"), "tile id", info.id, 0, max_tileset_tiles)) return false;
        if (const std::string* ty = t.attribute("type")) info.type = *ty;
        if (const std::string* cl = t.attribute("class")) info.type = *cl;
        xml_properties(t, info.props);
        if (const xml_element* img = t.child("image")) {
            const std::string* src = img->attribute("source");
            if (!src || src->empty()) return c.fail("tile " + std::to_string(info.id) + " has an image without a source");
            info.image = resolve(folder, *src);
        }
        ts.tiles.push_back(info);
    }
    return true;
}

bool json_tileset(context& c, const json_value& v, const std::string& folder, tileset& ts);

bool external_tileset(const std::string& path, tileset& ts, std::string& why) {
    context c{path, {}};
    std::string bytes;
    if (!read_file(c, path, bytes)) return why = c.why, false;
    ts.file = path;
    size_t first = bytes.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
    bool ok;
    if (first != std::string::npos && bytes[first] == '<') {
        xml_element root;
        std::string reason;
        ok = parse_xml(bytes, root, reason) ? tsx_tileset(c, root, folder_of(path), ts) : c.fail(reason);
    } else {
        json_value root;
        std::string reason;
        ok = parse_json(bytes, root, reason) ? json_tileset(c, root, folder_of(path), ts) : c.fail(reason);
    }
    if (!ok) why = c.why;
    return ok;
}

bool tmx_layer_data(context& c, const xml_element& data, size_t count, std::vector<uint32_t>& gids) {
    if (data.child("chunk")) return c.fail("infinite maps are not read (Map > Map Properties: untick Infinite)");
    const std::string* enc = data.attribute("encoding");
    const std::string* comp = data.attribute("compression");
    if (!enc) {  // one <tile gid=".."/> per cell
        gids.clear();
        for (const xml_element& t : data.children) {
            if (t.name != "tile") continue;
            uint32_t g = 0;
            const std::string* a = t.attribute("gid");
            if (a && !parse_gid(*a, g)) return c.fail("a tile gid \"" + *a + "\" is not a tile number");
            gids.push_back(g);
        }
        if (gids.size() != count)
            return c.fail("the layer data holds " + std::to_string(gids.size()) + " tiles, not " + std::to_string(count));
        return true;
    }
    if (*enc == "csv") return csv_gids(c, data.text, count, gids);
    if (*enc == "base64") return base64_gids(c, data.text, comp ? *comp : "", count, gids);
    return c.fail("unknown layer encoding \"" + *enc + "\"");
}

bool tmx_layers(context& c, const xml_element& parent, tile_map& m, double opacity, bool visible, int depth) {
    if (depth > 32) return c.fail("groups nested too deeply");
    for (const xml_element& el : parent.children) {
        const std::string* vis = el.attribute("visible");
        const bool v = visible && !(vis && *vis == "0");
        double op = opacity;
        if (const std::string* o = el.attribute("opacity")) op *= std::atof(o->c_str());
        if (el.name == "layer") {
            tile_layer l;
            if (const std::string* n = el.attribute("name")) l.name = *n;
            if (!read_int(c, el.attribute("width"), "layer width", l.width, 1, max_side) ||
                !read_int(c, el.attribute("height"), "layer height", l.height, 1, max_side))
                return false;
            if (l.width != m.width || l.height != m.height)
                return c.fail("the layer " + l.name + " is not the map's size");
            l.visible = v;
            l.opacity = std::clamp(op, 0.0, 1.0);
            xml_properties(el, l.props);
            const xml_element* data = el.child("data");
            if (!data) return c.fail("the layer " + l.name + " has no data");
            if (!tmx_layer_data(c, *data, static_cast<size_t>(l.width) * l.height, l.gids)) return false;
            m.layers.push_back(std::move(l));
        } else if (el.name == "objectgroup") {
            object_layer ol;
            if (const std::string* n = el.attribute("name")) ol.name = *n;
            ol.visible = v;
            xml_properties(el, ol.props);
            for (const xml_element& o : el.children) {
                if (o.name != "object") continue;
                map_object ob;
                if (const std::string* a = o.attribute("id")) ob.id = std::atoi(a->c_str());
                if (const std::string* a = o.attribute("name")) ob.name = *a;
                if (const std::string* a = o.attribute("type")) ob.type = *a;
                if (const std::string* a = o.attribute("class")) ob.type = *a;
                if (const std::string* a = o.attribute("x")) ob.x = std::atof(a->c_str());
                if (const std::string* a = o.attribute("y")) ob.y = std::atof(a->c_str());
                if (const std::string* a = o.attribute("width")) ob.width = std::atof(a->c_str());
                if (const std::string* a = o.attribute("height")) ob.height = std::atof(a->c_str());
                if (const std::string* a = o.attribute("gid"))
                    if (!parse_gid(*a, ob.gid)) return c.fail("object " + std::to_string(ob.id) + " has a bad gid");
                xml_properties(o, ob.props);
                ol.objects.push_back(ob);
            }
            m.object_layers.push_back(std::move(ol));
        } else if (el.name == "group") {
            if (!tmx_layers(c, el, m, op, v, depth + 1)) return false;
        }
    }
    return true;
}

bool read_tmx(context& c, const xml_element& root, tile_map& m) {
    if (root.name != "map") return c.fail("not a Tiled map (the top element is <" + root.name + ">)");
    if (!check_orientation(c, root.attribute("orientation"), root.attribute("infinite"))) return false;
    if (!read_int(c, root.attribute("width"), "map width", m.width, 1, 1 << 30) ||
        !read_int(c, root.attribute("height"), "map height", m.height, 1, 1 << 30) ||
        !read_int(c, root.attribute("tilewidth"), "tile width", m.tile_width, 1, 4096) ||
        !read_int(c, root.attribute("tileheight"), "tile height", m.tile_height, 1, 4096))
        return false;
    if (m.width > max_side || m.height > max_side)
        return c.fail("the map is " + std::to_string(m.width) + " x " + std::to_string(m.height) +
                      " tiles; a world holds at most 1025 x 1025 cells");
    xml_properties(root, m.props);
    const std::string folder = folder_of(m.file);
    for (const xml_element& el : root.children) {
        if (el.name != "tileset") continue;
        tileset ts;
        long long first;
        const std::string* fg = el.attribute("firstgid");
        if (!fg || !whole(*fg, first) || first < 1 || first > 0x0FFFFFFF) return c.fail("a tileset without a valid firstgid");
        if (const std::string* src = el.attribute("source")) {
            if (!external_tileset(resolve(folder, *src), ts, c.why)) return false;
        } else {
            ts.file = m.file;
            if (!tsx_tileset(c, el, folder, ts)) return false;
        }
        ts.firstgid = static_cast<uint32_t>(first);
        m.tilesets.push_back(std::move(ts));
    }
    return tmx_layers(c, root, m, 1.0, true, 0);
}

// ===========================================================================
// JSON (.tmj / .tsj / .json)
// ===========================================================================

int json_int(const json_value* v, int fallback = 0) {
    return v && v->type == json_value::kind::number ? static_cast<int>(v->number) : fallback;
}
std::string json_text(const json_value* v) { return v ? v->as_text() : std::string(); }

// New shape: [{name, type, value}]; old shape: {name: value} beside
// "propertytypes": {name: type}.
void json_properties(const json_value& owner, properties& out, const json_value* old_shape = nullptr,
                     const json_value* old_types = nullptr) {
    const json_value* ps = old_shape ? old_shape : owner.member("properties");
    if (!ps) return;
    if (ps->type == json_value::kind::array) {
        for (const json_value& p : ps->items) {
            property prop;
            prop.name = json_text(p.member("name"));
            prop.type = p.member("type") ? json_text(p.member("type")) : "string";
            prop.value = json_text(p.member("value"));
            out.push_back(prop);
        }
    } else if (ps->type == json_value::kind::object) {
        const json_value* types = old_types ? old_types : owner.member("propertytypes");
        for (const auto& [k, v] : ps->members) {
            property prop{k, "string", v.as_text()};
            if (types && types->member(k)) prop.type = json_text(types->member(k));
            else if (v.type == json_value::kind::boolean) prop.type = "bool";
            out.push_back(prop);
        }
    }
}

bool json_tile(context& c, const json_value& t, int32_t id, const std::string& folder, tile_info& info) {
    info.id = id;
    if (id < 0 || id > max_tileset_tiles) return c.fail("a tile id outside 0.." + std::to_string(max_tileset_tiles));
    info.type = json_text(t.member("type"));
    if (t.member("class")) info.type = json_text(t.member("class"));
    json_properties(t, info.props);
    if (const json_value* img = t.member("image")) info.image = resolve(folder, img->as_text());
    return true;
}

bool json_tileset(context& c, const json_value& v, const std::string& folder, tileset& ts) {
    if (v.type != json_value::kind::object) return c.fail("not a tileset");
    ts.name = json_text(v.member("name"));
    ts.tile_width = json_int(v.member("tilewidth"));
    ts.tile_height = json_int(v.member("tileheight"));
    ts.margin = json_int(v.member("margin"));
    ts.spacing = json_int(v.member("spacing"));
    ts.columns = json_int(v.member("columns"));
    ts.tile_count = json_int(v.member("tilecount"));
    if (ts.tile_width < 1 || ts.tile_width > 4096 || ts.tile_height < 1 || ts.tile_height > 4096)
        return c.fail("the tileset " + ts.name + " has no valid tile size");
    if (ts.margin < 0 || ts.spacing < 0 || ts.columns < 0 || ts.tile_count < 0 || ts.tile_count > max_tileset_tiles)
        return c.fail("the tileset " + ts.name + " has a negative or huge margin, spacing or count");
    if (const json_value* img = v.member("image"); img && !img->as_text().empty())
        ts.image = resolve(folder, img->as_text());
    if (const json_value* tiles = v.member("tiles")) {
        if (tiles->type == json_value::kind::array) {
            for (const json_value& t : tiles->items) {
                tile_info info;
                if (!json_tile(c, t, json_int(t.member("id"), -1), folder, info)) return false;
                ts.tiles.push_back(info);
            }
        } else if (tiles->type == json_value::kind::object) {  // old shape: {"id": {...}}
            for (const auto& [k, t] : tiles->members) {
                tile_info info;
                if (!json_tile(c, t, std::atoi(k.c_str()), folder, info)) return false;
                ts.tiles.push_back(info);
            }
        }
    }
    // Old shape: tile properties apart, keyed by id.
    if (const json_value* tp = v.member("tileproperties"); tp && tp->type == json_value::kind::object) {
        const json_value* tt = v.member("tilepropertytypes");
        for (const auto& [k, props] : tp->members) {
            const int32_t id = std::atoi(k.c_str());
            tile_info* info = nullptr;
            for (tile_info& t : ts.tiles)
                if (t.id == id) info = &t;
            if (!info) {
                ts.tiles.push_back(tile_info{});
                info = &ts.tiles.back();
                info->id = id;
            }
            json_properties(v, info->props, &props, tt ? tt->member(k) : nullptr);
        }
    }
    return true;
}

bool json_layers(context& c, const json_value& parent, tile_map& m, double opacity, bool visible, int depth) {
    if (depth > 32) return c.fail("groups nested too deeply");
    const json_value* layers = parent.member("layers");
    if (!layers) return true;
    for (const json_value& el : layers->items) {
        const std::string type = json_text(el.member("type"));
        const json_value* vis = el.member("visible");
        const bool v = visible && !(vis && vis->type == json_value::kind::boolean && !vis->boolean);
        double op = opacity;
        if (const json_value* o = el.member("opacity"); o && o->type == json_value::kind::number) op *= o->number;
        if (type == "tilelayer") {
            tile_layer l;
            l.name = json_text(el.member("name"));
            if (el.member("chunks")) return c.fail("infinite maps are not read (Map > Map Properties: untick Infinite)");
            l.width = json_int(el.member("width"));
            l.height = json_int(el.member("height"));
            if (l.width != m.width || l.height != m.height) return c.fail("the layer " + l.name + " is not the map's size");
            l.visible = v;
            l.opacity = std::clamp(op, 0.0, 1.0);
            json_properties(el, l.props);
            const size_t count = static_cast<size_t>(l.width) * l.height;
            const json_value* data = el.member("data");
            if (!data) return c.fail("the layer " + l.name + " has no data");
            if (data->type == json_value::kind::array) {
                if (data->items.size() != count)
                    return c.fail("the layer data holds " + std::to_string(data->items.size()) + " tiles, not " +
                                  std::to_string(count));
                l.gids.resize(count);
                for (size_t i = 0; i < count; ++i)
                    if (!parse_gid(data->items[i].as_text(), l.gids[i]))
                        return c.fail("the layer data holds \"" + data->items[i].as_text() + "\", not a tile number");
            } else if (data->type == json_value::kind::string) {
                if (json_text(el.member("encoding")) != "base64")
                    return c.fail("layer data as a text needs the base64 encoding");
                if (!base64_gids(c, data->string, json_text(el.member("compression")), count, l.gids)) return false;
            } else {
                return c.fail("the layer " + l.name + " has data of an unknown shape");
            }
            m.layers.push_back(std::move(l));
        } else if (type == "objectgroup") {
            object_layer ol;
            ol.name = json_text(el.member("name"));
            ol.visible = v;
            json_properties(el, ol.props);
            if (const json_value* objs = el.member("objects")) {
                for (const json_value& o : objs->items) {
                    map_object ob;
                    ob.id = json_int(o.member("id"));
                    ob.name = json_text(o.member("name"));
                    ob.type = json_text(o.member("type"));
                    if (o.member("class")) ob.type = json_text(o.member("class"));
                    auto num = [&](const char* k) {
                        const json_value* n = o.member(k);
                        return n && n->type == json_value::kind::number ? n->number : 0.0;
                    };
                    ob.x = num("x"), ob.y = num("y"), ob.width = num("width"), ob.height = num("height");
                    if (const json_value* g = o.member("gid"))
                        if (!parse_gid(g->as_text(), ob.gid)) return c.fail("object " + std::to_string(ob.id) + " has a bad gid");
                    json_properties(o, ob.props);
                    ol.objects.push_back(ob);
                }
            }
            m.object_layers.push_back(std::move(ol));
        } else if (type == "group") {
            if (!json_layers(c, el, m, op, v, depth + 1)) return false;
        }
    }
    return true;
}

bool read_json_map(context& c, const json_value& root, tile_map& m) {
    if (root.type != json_value::kind::object || json_text(root.member("type")) == "tileset")
        return c.fail("not a Tiled map");
    const std::string orientation = json_text(root.member("orientation"));
    const json_value* inf = root.member("infinite");
    const std::string infinite = inf && inf->type == json_value::kind::boolean && inf->boolean ? "true" : "false";
    if (!check_orientation(c, root.member("orientation") ? &orientation : nullptr, &infinite)) return false;
    const json_value* w = root.member("width");
    const json_value* h = root.member("height");
    if (!w || !h || w->type != json_value::kind::number || h->type != json_value::kind::number || w->number < 1 ||
        h->number < 1)
        return c.fail("the map has no valid size");
    if (w->number > max_side || h->number > max_side)
        return c.fail("the map is " + w->string + " x " + h->string + " tiles; a world holds at most 1025 x 1025 cells");
    m.width = static_cast<int>(w->number);
    m.height = static_cast<int>(h->number);
    m.tile_width = json_int(root.member("tilewidth"));
    m.tile_height = json_int(root.member("tileheight"));
    if (m.tile_width < 1 || m.tile_width > 4096 || m.tile_height < 1 || m.tile_height > 4096)
        return c.fail("the map has no valid tile size");
    json_properties(root, m.props);
    const std::string folder = folder_of(m.file);
    if (const json_value* sets = root.member("tilesets")) {
        for (const json_value& s : sets->items) {
            tileset ts;
            const int first = json_int(s.member("firstgid"));
            if (first < 1 || first > 0x0FFFFFFF) return c.fail("a tileset without a valid firstgid");
            if (const json_value* src = s.member("source")) {
                if (!external_tileset(resolve(folder, src->as_text()), ts, c.why)) return false;
            } else {
                ts.file = m.file;
                if (!json_tileset(c, s, folder, ts)) return false;
            }
            ts.firstgid = static_cast<uint32_t>(first);
            m.tilesets.push_back(std::move(ts));
        }
    }
    return json_layers(c, root, m, 1.0, true, 0);
}

}  // namespace

bool read_map(const std::string& path, tile_map& out, std::string& why) {
    out = tile_map{};
    out.file = path;
    context c{path, {}};
    std::string bytes;
    if (!read_file(c, path, bytes)) return why = c.why, false;
    size_t first = bytes.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
    bool ok;
    std::string reason;
    if (first != std::string::npos && bytes[first] == '<') {
        xml_element root;
        ok = parse_xml(bytes, root, reason) ? read_tmx(c, root, out) : c.fail(reason);
    } else {
        json_value root;
        ok = parse_json(bytes, root, reason) ? read_json_map(c, root, out) : c.fail(reason);
    }
    if (ok) {
        std::sort(out.tilesets.begin(), out.tilesets.end(),
                  [](const tileset& a, const tileset& b) { return a.firstgid < b.firstgid; });
    }
    if (!ok) why = c.why;
    return ok;
}

}  // namespace tw::tiled
