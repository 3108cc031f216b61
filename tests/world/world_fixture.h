// Shared set-up for the world and object-file tests: a fresh engine state and
// a game folder in a temporary directory holding the labyrinth's object files.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/engine_state.h"
#include "support/media_files.h"
#include "support/test_support.h"
#include "world/world.h"

namespace tw::test {

// The ten labyrinth types.
inline const std::vector<std::string>& labyrinth_types() {
    static const std::vector<std::string> types = {
        "LAB_WALL",   "LAB_FLOOR",   "LAB_GREEN",   "LAB_WATER",   "LAB_WALL_E",
        "LAB_GREEN_E", "LAB_WATER_E", "LAB_WALL_S", "LAB_GREEN_S", "LAB_WATER_S"};
    return types;
}

// A game folder: object files under types/lab\ (RGBCODEPATH types/, APPSTART
// lab), cursor images under cursor/, a base file world.txt.
struct WorldFolder {
    TempDir dir;

    WorldFolder() {
        set_start_values();
        create_world_grid(512, 512);  // as start-up does
        engine.screen_width = 1024;
        engine.screen_height = 768;
        engine.resolution = 32;
        engine.rgb_code_path = dir.path + "types/";
        engine.app_start = "lab";
        engine.cursor_path = dir.path + "cursor/";
        engine.topo_gfx_path = dir.path + "gfx/";
        engine.gfx_codec = ".png";
        engine.map_size_x = 1024;
        engine.map_size_y = 1024;
    }

    std::string object_file(const std::string& type, const std::vector<std::string>& lines) const {
        return dir.write("types/lab/" + type, crlf(lines));
    }

    // Every labyrinth type gets a plain object file naming its own graphic.
    void write_labyrinth_types() const {
        for (const std::string& t : labyrinth_types())
            object_file(t, {"GFXNAME", t + ".png", "USECOLLISION", t == "LAB_WALL" ? "1" : "0"});
    }

    // The size a base file gives, and the largest size of a rebuilt world.
    static void base_size(int32_t w, int32_t h) {
        engine.world_base_width = w;
        engine.world_base_height = h;
    }
    static void map_size(int32_t w, int32_t h) {
        engine.map_size_x = w;
        engine.map_size_y = h;
    }

    // Builds world `number` anew, as Page Up and Page Down do.
    static void rebuild(int32_t number) {
        engine.world_number = number;
        rebuild_world();
    }

    std::string base_file(const std::string& width, const std::string& height) const {
        return dir.write("world.txt", crlf({"base", width, height, "", ""}));
    }

    // Cursor files; undecodable unless `decodable`.
    void cursor_images(int count, bool decodable = false) const {
        for (int i = 0; i < count; ++i) {
            const std::string name = "cursor/figure" + std::to_string(i) + ".png";
            if (decodable) dir.write(name, picture());
            else dir.write(name, "x");
        }
    }

    // A 2 x 2 picture (pictures are recognised by content, not by name).
    static Bytes picture() { return solid_bmp(2, 2, {0x40, 0x40, 0x40}); }
};

// The world's size: its last column and row.
using Size = std::pair<int32_t, int32_t>;
inline Size world_size() { return {engine.world_width, engine.world_height}; }

// One character per cell type, rows top to bottom, for comparing worlds.
inline std::string world_picture() {
    std::string s;
    for (int32_t y = 0; y <= engine.world_height; ++y) {
        for (int32_t x = 0; x <= engine.world_width; ++x) {
            const std::string& t = name_text(cell_or_blocker(x, y).cell_type);
            char c = '?';
            if (t == "LAB_WALL") c = '#';
            else if (t == "LAB_FLOOR") c = '.';
            else if (t == "LAB_GREEN") c = 'g';
            else if (t == "LAB_WATER") c = '~';
            else if (t == "LAB_WALL_E") c = 'e';
            else if (t == "LAB_GREEN_E") c = 'f';
            else if (t == "LAB_WATER_E") c = 'h';
            else if (t == "LAB_WALL_S") c = 's';
            else if (t == "LAB_GREEN_S") c = 't';
            else if (t == "LAB_WATER_S") c = 'u';
            s += c;
        }
        s += '\n';
    }
    return s;
}

}  // namespace tw::test
