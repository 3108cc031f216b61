// export: a world of a game written as a Tiled map: a TMX file, its tileset
// (.tsx) and the tileset picture (.png) beside it, one tile per cell type
// carrying the type in its `celltype` property. Cells of one opacity share
// a layer whose opacity is theirs; the start cell and the placed objects of
// a designed world become an object layer.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>

#include "assets/assets.h"
#include "checker/checker.h"
#include "core/engine_state.h"
#include "runtime/media_runtime.h"
#include "tiled/tiled.h"
#include "world/world.h"

namespace tw::tiled {

namespace fs = std::filesystem;

namespace {

struct world_picture {
    int width = 0, height = 0;  // in cells
    std::vector<std::string> types;  // per cell, row by row
    std::vector<int> alpha;
    bool has_start = false;
    int start_x = 0, start_y = 0;
    std::vector<std::tuple<std::string, int, int>> objects;
};

std::string xml_escaped(const std::string& s) {
    std::string o;
    for (char c : s) {
        switch (c) {
            case '&': o += "&amp;"; break;
            case '<': o += "&lt;"; break;
            case '>': o += "&gt;"; break;
            case '"': o += "&quot;"; break;
            default: o += c;
        }
    }
    return o;
}

// The lines of a text file as the engine's read_line splits them.
std::vector<std::string> file_lines(const std::string& path) {
    std::vector<std::string> lines;
    std::string bytes;
    if (!read_file_bytes(path, bytes)) return lines;
    std::string line;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n' || c == '\0') {
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

bool read_designed_world(const std::string& stem, world_picture& w, std::string& why) {
    const std::string topo = resolved_path(stem + ".ai42");
    if (!file_exists(topo)) {
        why = topo + ": there is no such designed world";
        return false;
    }
    const std::vector<std::string> t = file_lines(topo);
    const int W = t.size() > 1 ? text_to_int(t[1]) : 0, H = t.size() > 2 ? text_to_int(t[2]) : 0;
    if (W < 0 || H < 0 || W > max_world_index || H > max_world_index) {
        why = topo + ": the world size is outside 0..1024";
        return false;
    }
    w.width = W + 1, w.height = H + 1;
    const size_t cells = static_cast<size_t>(w.width) * w.height;
    w.types.assign(cells, "");
    w.alpha.assign(cells, 0);
    const std::vector<std::string> r = file_lines(resolved_path(stem + ".red"));
    for (size_t k = 0; k < cells; ++k) {
        const int x = static_cast<int>(k / w.height), y = static_cast<int>(k % w.height);
        const size_t i = static_cast<size_t>(y) * w.width + x, line = 5 + 3 * k;
        if (line < t.size()) w.types[i] = t[line] + (line + 1 < t.size() ? t[line + 1] : "") + (line + 2 < t.size() ? t[line + 2] : "");
        if (5 + k < r.size()) w.alpha[i] = text_to_int(r[5 + k]);
    }
    const std::vector<std::string> p = file_lines(resolved_path(stem + ".place"));
    for (size_t k = 0; k + 1 < p.size(); k += 2) {
        const std::string& value = p[k + 1];
        if (p[k] == "START") {
            const size_t comma = value.find(',');
            if (comma == std::string::npos) continue;
            w.has_start = true;
            w.start_x = text_to_int(value.substr(0, comma));
            w.start_y = text_to_int(value.substr(comma + 1));
        } else if (p[k] == "OBJECT") {
            const size_t b = value.rfind(','), a = b == std::string::npos || b == 0 ? std::string::npos : value.rfind(',', b - 1);
            if (a == std::string::npos) continue;
            w.objects.emplace_back(value.substr(0, a), text_to_int(value.substr(a + 1, b - a - 1)),
                                   text_to_int(value.substr(b + 1)));
        }
    }
    return true;
}

void read_generated_world(world_picture& w) {
    w.width = engine.world_width + 1, w.height = engine.world_height + 1;
    w.types.assign(static_cast<size_t>(w.width) * w.height, "");
    w.alpha.assign(w.types.size(), 0);
    for (int y = 0; y < w.height; ++y) {
        for (int x = 0; x < w.width; ++x) {
            if (!cell_in_grid(x, y)) continue;
            const world_cell& c = cell_at(x, y);
            if (c.state != 1) continue;
            const size_t i = static_cast<size_t>(y) * w.width + x;
            w.types[i] = name_text(c.cell_type);
            w.alpha[i] = std::clamp<int>(c.alpha, 0, 255);
        }
    }
    if (const floor_cell* start = list_at(engine.floor_cells, 0)) {
        w.has_start = true;
        w.start_x = start->x, w.start_y = start->y;
    }
}

rgba_image picture_for(const std::string& gfx_name, int size) {
    rgba_image out;
    out.width = out.height = size, out.has_alpha = true;
    out.rgba.assign(static_cast<size_t>(size) * size * 4, 0);
    const int32_t g = find_world_graphic(gfx_name);
    const world_graphic* wg = g >= 0 ? list_at(engine.world_graphics, g) : nullptr;
    rgba_image src;
    text why;
    if (!wg || !decode_image_file(wg->path, src, why) || src.width < 1 || src.height < 1) return out;
    for (int y = 0; y < size; ++y) {
        const int sy = static_cast<int>(static_cast<long long>(y) * src.height / size);
        for (int x = 0; x < size; ++x) {
            const int sx = static_cast<int>(static_cast<long long>(x) * src.width / size);
            std::copy_n(&src.rgba[(static_cast<size_t>(sy) * src.width + sx) * 4], 4,
                        &out.rgba[(static_cast<size_t>(y) * size + x) * 4]);
        }
    }
    return out;
}

bool write_text(const std::string& path, const std::string& s, std::string& why) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (f) f.write(s.data(), static_cast<std::streamsize>(s.size()));
    if (!f) {
        why = path + ": cannot be written";
        return false;
    }
    return true;
}

}  // namespace

bool export_map(const std::string& game_folder, const std::string& out_path, const export_options& options,
                std::string& why) {
    const fs::path out = fs::absolute(out_path).lexically_normal();
    const fs::path here = fs::current_path();
    text reason;
    if (!enter_folder(game_folder, reason)) {
        why = game_folder + ": " + reason;
        return false;
    }
    struct back_home {
        fs::path p;
        ~back_home() {
            std::error_code ec;
            fs::current_path(p, ec);
        }
    } home{here};
    if (!file_exists("DATA\\ini.txt")) {
        why = game_folder + ": not a game folder (no DATA/ini.txt)";
        return false;
    }
    world_picture w;
    if (!start_without_display(reason)) {
        why = game_folder + ": " + reason;
        return false;
    }
    if (engine.use_self_create_base == 1) {
        const int number = options.world < 0 ? 0 : options.world;
        if (!build_world_for_map(number, reason)) {
            why = game_folder + ": world " + std::to_string(number) + ": " + reason;
            return false;
        }
        read_generated_world(w);
    } else {
        const int number = options.world < 1 ? 1 : options.world;
        if (!read_designed_world(designed_world_stem(engine.app_entry, engine.app_start, number), w, why)) return false;
    }

    // One tile per cell type, in the order the cells first show it.
    const int size = std::clamp(static_cast<int>(std::lround(engine.resolution)), 8, 128);
    std::map<std::string, int> tile_of;
    std::vector<std::string> order;
    for (int x = 0; x < w.width; ++x)
        for (int y = 0; y < w.height; ++y) {
            const std::string& t = w.types[static_cast<size_t>(y) * w.width + x];
            if (!t.empty() && !tile_of.count(t)) {
                tile_of[t] = static_cast<int>(order.size());
                order.push_back(t);
            }
        }
    const int count = std::max<int>(1, static_cast<int>(order.size()));
    int columns = 1;
    while (columns * columns < count) ++columns;
    const int rows = (count + columns - 1) / columns;
    rgba_image sheet;
    sheet.width = columns * size, sheet.height = rows * size, sheet.has_alpha = true;
    sheet.rgba.assign(static_cast<size_t>(sheet.width) * sheet.height * 4, 0);
    std::string tiles_xml;
    const text folder = object_file_folder();
    for (size_t n = 0; n < order.size(); ++n) {
        world_cell c{};
        apply_object_file(c, cached_object_file(folder + order[n]));
        const rgba_image p = picture_for(name_text(c.gfx_name), size);
        const int x0 = static_cast<int>(n % columns) * size, y0 = static_cast<int>(n / columns) * size;
        for (int y = 0; y < size; ++y)
            std::copy_n(&p.rgba[static_cast<size_t>(y) * size * 4], static_cast<size_t>(size) * 4,
                        &sheet.rgba[(static_cast<size_t>(y0 + y) * sheet.width + x0) * 4]);
        tiles_xml += " <tile id=\"" + std::to_string(n) + "\">\n  <properties>\n"
                     "   <property name=\"celltype\" value=\"" + xml_escaped(order[n]) + "\"/>\n";
        if (c.use_collision != 0) tiles_xml += "   <property name=\"blocks\" type=\"bool\" value=\"true\"/>\n";
        tiles_xml += "  </properties>\n </tile>\n";
    }
    const std::string stem = out.stem().string();
    const fs::path tsx = out.parent_path() / (stem + ".tsx"), png = out.parent_path() / (stem + ".png");
    if (!save_png(png.string(), sheet)) {
        why = png.string() + ": cannot be written";
        return false;
    }
    const std::string tileset = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                "<tileset version=\"1.8\" tiledversion=\"1.8.2\" name=\"" + xml_escaped(engine.app_start) +
                                "\" tilewidth=\"" + std::to_string(size) + "\" tileheight=\"" + std::to_string(size) +
                                "\" tilecount=\"" + std::to_string(order.size()) + "\" columns=\"" +
                                std::to_string(columns) + "\">\n <image source=\"" + xml_escaped(png.filename().string()) +
                                "\" width=\"" + std::to_string(sheet.width) + "\" height=\"" +
                                std::to_string(sheet.height) + "\"/>\n" + tiles_xml + "</tileset>\n";
    if (!write_text(tsx.string(), tileset, why)) return false;

    // One layer per opacity, the opaque cells first.
    std::vector<int> alphas;
    for (size_t i = 0; i < w.types.size(); ++i)
        if (!w.types[i].empty() && std::find(alphas.begin(), alphas.end(), std::clamp(w.alpha[i], 0, 255)) == alphas.end())
            alphas.push_back(std::clamp(w.alpha[i], 0, 255));
    std::sort(alphas.rbegin(), alphas.rend());
    if (alphas.empty()) alphas.push_back(255);
    std::string map = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<map version=\"1.8\" tiledversion=\"1.8.2\" orientation=\"orthogonal\" renderorder=\"right-down\" "
                      "width=\"" + std::to_string(w.width) + "\" height=\"" + std::to_string(w.height) +
                      "\" tilewidth=\"" + std::to_string(size) + "\" tileheight=\"" + std::to_string(size) +
                      "\" infinite=\"0\" nextlayerid=\"" + std::to_string(alphas.size() + 2) + "\" nextobjectid=\"" +
                      std::to_string(w.objects.size() + 2) + "\">\n"
                      " <tileset firstgid=\"1\" source=\"" + xml_escaped(tsx.filename().string()) + "\"/>\n";
    int layer_id = 1;
    for (int a : alphas) {
        char opacity[32];
        std::snprintf(opacity, sizeof opacity, "%.6g", a / 255.0);
        map += " <layer id=\"" + std::to_string(layer_id++) + "\" name=\"" +
               (a == 255 ? std::string("cells") : "cells at opacity " + std::to_string(a)) + "\" width=\"" +
               std::to_string(w.width) + "\" height=\"" + std::to_string(w.height) + "\"" +
               (a == 255 ? std::string() : std::string(" opacity=\"") + opacity + "\"") +
               ">\n  <data encoding=\"csv\">\n";
        std::string csv;
        csv.reserve(static_cast<size_t>(w.width) * w.height * 3);
        for (int y = 0; y < w.height; ++y) {
            for (int x = 0; x < w.width; ++x) {
                const size_t i = static_cast<size_t>(y) * w.width + x;
                const bool here_ = !w.types[i].empty() && std::clamp(w.alpha[i], 0, 255) == a;
                csv += here_ ? std::to_string(tile_of[w.types[i]] + 1) : "0";
                if (x + 1 < w.width || y + 1 < w.height) csv += ',';
            }
            csv += '\n';
        }
        map += csv + "</data>\n </layer>\n";
    }
    if (w.has_start || !w.objects.empty()) {
        map += " <objectgroup id=\"" + std::to_string(layer_id) + "\" name=\"objects\">\n";
        int id = 1;
        auto object = [&](const std::string& type, int x, int y) {
            map += "  <object id=\"" + std::to_string(id++) + "\" type=\"" + xml_escaped(type) + "\" x=\"" +
                   std::to_string(x * size) + "\" y=\"" + std::to_string(y * size) + "\" width=\"" +
                   std::to_string(size) + "\" height=\"" + std::to_string(size) + "\"/>\n";
        };
        if (w.has_start) object("start", w.start_x, w.start_y);
        for (const auto& [name, x, y] : w.objects) object(name, x, y);
        map += " </objectgroup>\n";
    }
    map += "</map>\n";
    return write_text(out.string(), map, why);
}

}  // namespace tw::tiled
