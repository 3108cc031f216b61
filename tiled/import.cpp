// import: a Tiled map written as a designed world of a game: the topography
// file (one cell type per cell), the opacity file, the placements, and what
// the world needs that the game lacks (object files and pictures of new cell
// types; for an empty folder a whole game). Everything is written into a
// folder beside the game first and moved in only when all of it succeeded.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "checker/checker.h"
#include "core/engine_state.h"
#include "runtime/media_runtime.h"
#include "tiled/tiled.h"
#include "tiled/writing.h"
#include "world/world.h"

namespace tw::tiled {

namespace fs = std::filesystem;

std::string designed_world_stem(const std::string& app_entry, const std::string& app_start, int world) {
    std::string stem = app_entry + app_start;
    if (world >= 2) {
        stem += '-';
        stem += std::to_string(world);
    }
    return stem;
}

namespace {

// What the import knows of the game it writes into.
struct game_facts {
    bool fresh = true;            // a new game is made
    std::string app_entry = "WORLDS\\", app_start = "WORLD";
    std::string types_folder = "TYPES\\WORLD\\";  // RGBCODEPATH + APPSTART + "\"
    std::string pictures_folder = "GFX\\TOPO\\";   // TOPOGFX
    std::string codec = ".png";
    std::set<std::string> definitions;  // DGFXNAME of every object definition
    std::set<std::string> types;        // cell types that have an object file
    bool plays_designed = true;         // USESELFCREATEBASE is not 1
    int cell_size = 32;                 // RESOLUTION: a loaded world shows its pictures at their own size
};

std::string lowered_name(const std::string& s) {
    std::string out;
    for (char c : s) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (std::isalnum(u)) out += static_cast<char>(std::tolower(u));
        else if (!out.empty() && out.back() != '_') out += '_';
    }
    while (!out.empty() && out.back() == '_') out.pop_back();
    return out.empty() ? "tiles" : out;
}

std::string app_start_for(const std::string& map_path) {
    std::string stem = fs::path(map_path).stem().string(), out;
    for (char c : stem) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (std::isalnum(u)) out += static_cast<char>(std::toupper(u));
        else if (c == '_' || c == '-') out += '_';
    }
    return out.empty() ? "WORLD" : out;
}

// A cell type name is a file name on every system: no separators, no
// characters Windows refuses, not only dots.
bool usable_type_name(const std::string& s) {
    if (s.empty() || s.size() > 120 || s.find_first_not_of('.') == std::string::npos) return false;
    for (char c : s)
        if (static_cast<unsigned char>(c) < 32 || std::string("\\/:*?\"<>|").find(c) != std::string::npos) return false;
    return s.back() != ' ' && s.back() != '.';
}

// The name of a tile in an automatic type: tileset, local id, flips.
std::string tile_label(const tile_map& m, uint32_t gid) {
    const tileset* ts = tileset_of(m, gid);
    std::string label = lowered_name(ts ? ts->name : "") + "_" + std::to_string((gid & ~gid_flags) - (ts ? ts->firstgid : 0));
    if (gid & (flip_horizontal | flip_vertical | flip_diagonal)) {
        label += '_';
        if (gid & flip_horizontal) label += 'h';
        if (gid & flip_vertical) label += 'v';
        if (gid & flip_diagonal) label += 'd';
    }
    return label;
}

const tile_info* info_of(const tile_map& m, uint32_t gid) {
    const tileset* ts = tileset_of(m, gid);
    return ts ? ts->tile(static_cast<int32_t>((gid & ~gid_flags) - ts->firstgid)) : nullptr;
}

struct layered_tile {
    uint32_t gid;
    double opacity;
};

struct cell_kind {
    std::string name;
    bool named = false;     // by a celltype property
    bool write = false;     // object file and picture to be written
    std::vector<layered_tile> stack;
    bool blocks = false, enemies = false;
    std::string internal;
};

bool fail(std::string& why, const std::string& reason) {
    why = reason;
    return false;
}

std::string pairs(const std::vector<std::pair<std::string, std::string>>& p) {
    std::string s;
    for (const auto& [k, v] : p) s += k + "\r\n" + v + "\r\n";
    return s;
}

// The configuration of a game the import makes: every key the engine
// reads, designed worlds played.
std::string new_configuration(const std::string& app_start, int resolution) {
    return pairs({
        {"NOTE", "A game made by tileworld-tiled from a Tiled map. Key line, value line; no blank lines."},
        {"APPNAME", "tileworld - " + app_start},
        {"WINDOWMODE", "1"},
        {"USESPRITE3D", "1"},
        {"RESOLUTION", std::to_string(resolution)},
        {"RESBASEW", "1280"},
        {"RESBASEH", "720"},
        {"FULLSCREENZOOM", "1.0"},
        {"MULTITASK", "0"},
        {"WORLDREFRESH", "60"},
        {"USESELFCREATEBASE", "0"},
        {"SELFCREATEBASE", "WORLDS\\" + app_start + ".ai42"},
        {"PLAYSAVEDWORLD", "1"},
        {"WORLDRANDOM", "1"},
        {"MAPSIZE", "96"},
        {"LABSWITCH", "2"},
        {"USEEXTENDEDTOPO", "0"},
        {"APPENTRY", "WORLDS\\"},
        {"APPSTART", app_start},
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
        {"LOGPATH", "LOG\\"},
        {"LOGFILE", "report.log"},
        {"USELOGFILE", "1"},
    });
}

bool folder_is_empty(const std::string& folder) {
    std::error_code ec;
    return fs::is_directory(folder, ec) && fs::directory_iterator(folder, ec) == fs::directory_iterator();
}

// Reads what the import needs of an existing game (the current folder).
bool learn_game(game_facts& g, std::string& why) {
    text reason;
    if (!start_without_display(reason)) return fail(why, reason);
    g.fresh = false;
    g.app_entry = engine.app_entry;
    g.app_start = engine.app_start;
    g.types_folder = object_file_folder();
    g.pictures_folder = engine.topo_gfx_path;
    g.codec = engine.gfx_codec;
    g.plays_designed = engine.use_self_create_base != 1;
    g.cell_size = std::clamp(static_cast<int>(std::lround(engine.resolution)), 1, 1024);
    for (int i = 0; i < list_size(engine.object_definitions); ++i)
        g.definitions.insert(list_at(engine.object_definitions, i)->gfx_name);
    return true;
}

}  // namespace

bool import_map(const std::string& map_path, const std::string& game_folder, const import_options& options,
                import_result& result, std::string& why) {
    result = import_result{};
    if (options.world < 1) return fail(why, "the world number must be 1 or more");
    tile_map m;
    // Absolute: the game folder becomes the current folder while it is read.
    if (!read_map(fs::absolute(map_path).lexically_normal().string(), m, why)) return false;
    result.sources.push_back(m.file);
    for (const tileset& ts : m.tilesets) {
        if (ts.file != m.file) result.sources.push_back(ts.file);
        if (!ts.image.empty()) result.sources.push_back(ts.image);
        for (const tile_info& t : ts.tiles)
            if (!t.image.empty()) result.sources.push_back(t.image);
    }

    fs::path game = fs::absolute(game_folder).lexically_normal();
    if (game.filename().empty()) game = game.parent_path();  // "mygame/" or "."
    if (game.filename().empty()) return fail(why, game_folder + ": a game folder cannot be a drive's or system's root");
    const fs::path here = fs::current_path();
    game_facts g;
    std::error_code ec;
    const bool exists = fs::exists(game, ec);
    if (exists && !fs::is_directory(game, ec)) return fail(why, game_folder + ": not a folder");
    if (exists && !folder_is_empty(game.string())) {
        text reason;
        if (!enter_folder(game.string(), reason)) return fail(why, game_folder + ": " + reason);
        const bool ok = file_exists("DATA\\ini.txt");
        bool learnt = ok && learn_game(g, why);
        // The object files already there, looked up as the engine does.
        fs::current_path(here, ec);
        if (!ok) return fail(why, game_folder + ": neither empty nor a game folder (no DATA/ini.txt)");
        if (!learnt) return fail(why, game_folder + ": " + why);
    } else {
        // Cells of at least 32 pixels on a 1280-pixel screen; larger tiles keep their size.
        g.cell_size = std::clamp(m.tile_width, 32, 128);
        g.app_start = app_start_for(map_path);
        g.types_folder = "TYPES\\" + g.app_start + "\\";
    }

    // Staging beside the game; a previous, broken run's leftovers go first.
    std::string stage_name(1, '.');
    stage_name += game.filename().string();
    stage_name += ".tileworld-tiled";
    const fs::path stage = game.parent_path() / stage_name;
    fs::remove_all(stage, ec);
    staging out(stage.string(), game.string());
    if (!g.fresh) {
        text reason;
        enter_folder(game.string(), reason);
    }
    auto host = [&](const std::string& data_path) {
        std::string p = g.fresh ? data_path : std::string(resolved_path(data_path));
        std::replace(p.begin(), p.end(), '\\', '/');
        // Path keys may carry the game folder in front (base_dir): relative to it.
        const fs::path path(p);
        return path.is_absolute() ? path.lexically_normal().lexically_relative(game).generic_string() : p;
    };
    auto has_object_file = [&](const std::string& type) {
        return !g.fresh && file_exists(g.types_folder + type);
    };

    // --- cells: one stack of visible tiles each, bottom to top ---
    const int W = m.width, H = m.height;
    std::vector<int> kind_of(static_cast<size_t>(W) * H, -1);
    std::vector<int> alpha(static_cast<size_t>(W) * H, 0);
    std::vector<cell_kind> kinds;
    std::map<std::vector<uint32_t>, int> by_stack;
    std::map<std::string, int> by_name;
    std::vector<layered_tile> stack;
    std::vector<uint32_t> key;
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            stack.clear();
            key.clear();
            const size_t i = static_cast<size_t>(y) * W + x;
            for (const tile_layer& l : m.layers) {
                if (!l.visible) continue;
                const uint32_t gid = l.gids[i];
                if ((gid & ~gid_flags) == 0) continue;
                if (!tileset_of(m, gid)) {
                    fs::current_path(here, ec);
                    return fail(why, m.file + ": the layer " + l.name + " holds the tile number " +
                                         std::to_string(gid & ~gid_flags) + ", which belongs to no tileset");
                }
                stack.push_back({gid, l.opacity});
                key.push_back(gid & ~rotate_hexagonal);
            }
            if (stack.empty()) continue;  // an empty cell: no type, not drawn
            double a = stack.front().opacity;
            if (const tile_info* t = info_of(m, stack.front().gid))
                if (const std::string* o = find_property(t->props, "opacity")) a *= std::clamp(std::atof(o->c_str()), 0.0, 1.0);
            alpha[i] = static_cast<int>(std::lround(255 * a));
            auto found = by_stack.find(key);
            if (found != by_stack.end()) {
                kind_of[i] = found->second;
                continue;
            }
            cell_kind k;
            for (auto t = stack.rbegin(); t != stack.rend() && !k.named; ++t) {
                if (const tile_info* info = info_of(m, t->gid)) {
                    if (const std::string* name = find_property(info->props, "celltype"); name && !name->empty()) {
                        if (!usable_type_name(*name)) {
                            fs::current_path(here, ec);
                            return fail(why, tileset_of(m, t->gid)->file + ": the celltype \"" + *name +
                                                 "\" cannot be a file name");
                        }
                        k.name = *name;
                        k.named = true;
                    }
                }
            }
            if (!k.named) {
                for (const layered_tile& t : stack) {
                    if (!k.name.empty()) k.name += '+';
                    k.name += tile_label(m, t.gid);
                }
            }
            for (const layered_tile& t : stack) {
                if (const tile_info* info = info_of(m, t.gid)) {
                    k.blocks = k.blocks || property_true(info->props, "blocks");
                    k.enemies = k.enemies || property_true(info->props, "enemies");
                    if (!info->type.empty()) k.internal = info->type;
                }
            }
            k.stack = stack;
            auto same = by_name.find(k.name);
            int index;
            if (same != by_name.end()) {
                index = same->second;
            } else {
                // A named type the game has is used as it is; every other
                // type gets its object file and picture from this import.
                k.write = !(k.named && has_object_file(k.name));
                index = static_cast<int>(kinds.size());
                kinds.push_back(k);
                by_name[k.name] = index;
            }
            by_stack[key] = index;
            kind_of[i] = index;
        }
    }

    // --- pictures and object files of the types this import makes ---
    picture_cache cache;
    // Pictures at the cell's size: the engine draws a loaded world's cell
    // pictures as they are.
    const int tw_ = g.cell_size, th = g.cell_size;
    for (const cell_kind& k : kinds) {
        if (!k.write) continue;
        rgba_image pic;
        pic.width = tw_, pic.height = th, pic.has_alpha = true;
        pic.rgba.assign(static_cast<size_t>(tw_) * th * 4, 0);
        for (size_t s = 0; s < k.stack.size(); ++s) {
            rgba_image piece;
            if (!cache.tile_picture(m, k.stack[s].gid, tw_, th, piece, why)) {
                fs::current_path(here, ec);
                return false;
            }
            // The bottom tile's layer opacity becomes the cell's opacity; the
            // tiles above are drawn over it with theirs.
            draw_over(pic, piece, s == 0 ? 1.0 : k.stack[s].opacity);
        }
        const std::string picture_name = k.name + ".png";
        if (!out.png(host(g.pictures_folder + picture_name), pic)) {
            fs::current_path(here, ec);
            return fail(why, out.failure);
        }
        out.text(host(g.types_folder + k.name),
                 pairs({{"INTERNALNAME", k.internal.empty() ? k.name : k.internal},
                        {"GFXNAME", picture_name},
                        {"CHILD1", "#"},
                        {"RANDOMSEED", "0"},
                        {"USECOLLISION", k.blocks ? "1" : "0"},
                        {"TRANSPARENCY", "0"},
                        {"USEENEMY", k.enemies ? "1" : "0"},
                        {"USEDIRECTION", "DEFAULT"}}));
        result.new_types += 1;
    }
    result.types = static_cast<int>(kinds.size());
    if (!g.fresh && g.codec != ".png" && result.new_types > 0)
        result.notes.push_back("GFXCODEC is " + g.codec + ": the new cell pictures (.png) are not loaded");

    // --- the topography and opacity files, column by column ---
    const std::string stem = designed_world_stem(g.app_entry, g.app_start, options.world);
    std::string topo = "TILEWORLD TOPOGRAPHY " + g.app_start + "\r\n" + std::to_string(W - 1) + "\r\n" +
                       std::to_string(H - 1) + "\r\nthe cell type on the first of three lines per cell\r\n" +
                       "columns from the left, each from the top; imported from " +
                       fs::path(map_path).filename().string() + "\r\n";
    std::string red = "TILEWORLD OPACITY " + g.app_start + "\r\n\r\n\r\none line per cell, 0 to 255\r\n" +
                      "columns from the left, each from the top\r\n";
    topo.reserve(topo.size() + static_cast<size_t>(W) * H * 16);
    red.reserve(red.size() + static_cast<size_t>(W) * H * 5);
    for (int x = 0; x < W; ++x) {
        for (int y = 0; y < H; ++y) {
            const size_t i = static_cast<size_t>(y) * W + x;
            if (kind_of[i] >= 0) topo += kinds[static_cast<size_t>(kind_of[i])].name;
            topo += "\r\n\r\n\r\n";
            red += std::to_string(alpha[i]) + "\r\n";
        }
    }
    result.cells = W * H;
    out.text(host(stem + ".ai42"), topo);
    out.text(host(stem + ".red"), red);

    // --- placements: start and objects, on the cell under each centre ---
    std::string place;
    for (const object_layer& ol : m.object_layers) {
        if (!ol.visible) continue;
        for (const map_object& o : ol.objects) {
            std::string type = o.type;
            if (type.empty() && o.gid)
                if (const tile_info* t = info_of(m, o.gid)) type = t->type;
            double cx = o.x + o.width / 2, cy = o.y + o.height / 2;
            if (o.gid) cy = o.y - o.height / 2;  // tile objects hang from their bottom edge
            const long long x = static_cast<long long>(std::floor(cx / m.tile_width));
            const long long y = static_cast<long long>(std::floor(cy / m.tile_height));
            const std::string what = "object " + std::to_string(o.id) + (o.name.empty() ? "" : " (" + o.name + ")");
            if (type.empty()) {
                result.notes.push_back(what + " has no type: not placed");
                continue;
            }
            if (x < 0 || y < 0 || x >= W || y >= H) {
                result.notes.push_back(what + " lies outside the map: not placed");
                continue;
            }
            const std::string cell = std::to_string(x) + "," + std::to_string(y);
            if (type == "start") {
                place += "START\r\n" + cell + "\r\n";
            } else if (g.definitions.count(type)) {
                place += "OBJECT\r\n" + type + "," + cell + "\r\n";
                result.objects += 1;
            } else {
                result.notes.push_back(what + ": the type " + type + " names no object definition of the game: not placed");
            }
        }
    }
    out.text(host(stem + ".place"), place);

    if (g.fresh) {
        out.text("DATA/ini.txt", new_configuration(g.app_start, g.cell_size));
        out.text("LOG/readme.txt", "The engine writes its report log (report.log) here when something goes wrong.\r\n");
        write_game_basics(out);
        // The folders a game maker fills next, each with a note of what goes there.
        out.text("GFX/WORLD/readme.txt", "Object pictures and their definition files (.dll) go here.\r\n");
        out.text("SFX/readme.txt", "Sound effects (.ogg) go here.\r\n");
    } else if (!g.plays_designed) {
        result.notes.push_back("this game generates its worlds (USESELFCREATEBASE 1): set USESELFCREATEBASE 0 "
                               "and PLAYSAVEDWORLD 1 in DATA/ini.txt to play the designed world");
    }
    fs::current_path(here, ec);
    if (!out.failure.empty()) return fail(why, out.failure);
    if (!out.commit(why)) return false;
    result.written = out.written;
    return true;
}

}  // namespace tw::tiled
