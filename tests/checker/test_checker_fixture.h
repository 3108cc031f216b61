// A small generated-world game that checks clean, written into a temporary
// folder, for the data checker's tests: each test breaks one thing and looks
// for the one report it should cause. Also runs the real tileworld-check.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "checker/checker.h"
#include "runtime/inspection.h"
#include "runtime/media_runtime.h"
#include "support/game_folder.h"

namespace tw::test {

struct CheckerGame : ::testing::Test {
    GameFolder dir;
    std::filesystem::path previous;

    // The configuration of the clean game; line numbers: the key of pair i
    // is on line 2i + 1.
    static Pairs clean_ini() {
        return {{"NOTE", "a clean test game"},         // 1
                {"WINDOWMODE", "1"},                   // 3
                {"RESOLUTION", "32"},                  // 5
                {"RESBASEW", "640"},                   // 7
                {"USESELFCREATEBASE", "1"},            // 9
                {"SELFCREATEBASE", "DATA\\base.txt"},  // 11
                {"WORLDRANDOM", "7"},                  // 13
                {"MAPSIZE", "40"},                     // 15
                {"LABSWITCH", "2"},                    // 17
                {"APPSTART", "LAB"},                   // 19
                {"RGBCODEPATH", "TYPES\\"},            // 21
                {"TOPOGFX", "GFX\\TOPO\\"},            // 23
                {"WORLDGFX", "GFX\\WORLD\\"},          // 25
                {"GFXCODEC", ".png"},                  // 27
                {"CURSOR", "GFX\\CURSOR\\"},           // 29
                {"MAXFOE", "5"},                       // 31
                {"SOUNDFXPATH", "SFX\\"},              // 33
                {"FONTPATH", "GFX\\FONT"},             // 35
                {"FONTSYSTEM", "DATA\\font.txt"}};     // 37
    }

    // The clean game's coin (lines as in clean_ini: DCOUNTSOUND on 13).
    static Pairs coin() {
        return {{"DGFXNAME", "coin"},        {"DDENSITY", "3"},       {"DCOLLISION", "1"},
                {"DGFXSHOW", "1"},           {"DGFXTRANSPARENCY", "255"}, {"DUSECOUNTSOUND", "1"},
                {"DCOUNTSOUND", "chime.ogg"}};
    }

    // `pairs` with `key` set to `value`, or the pair added at the end.
    static Pairs with(Pairs pairs, const std::string& key, const std::string& value) {
        bool found = false;
        for (auto& [k, v] : pairs)
            if (k == key) {
                v = value;
                found = true;
            }
        if (!found) pairs.push_back({key, value});
        return pairs;
    }

    void SetUp() override {
        write_ini(pair_lines(clean_ini()));
        dir.write("DATA/base.txt", crlf({"TEST BASE", "24", "24", "base width and height", "end"}));
        object_file("LAB_WALL", {{"GFXNAME", "wall.png"}, {"CHILD1", "moss"}, {"CHILD2", "#"}, {"USECOLLISION", "1"}});
        object_file("LAB_FLOOR", {{"GFXNAME", "floor.png"}, {"CHILD1", "coin"}, {"CHILD2", "#"}, {"USEENEMY", "1"}});
        object_file("LAB_GREEN", {{"GFXNAME", "green.png"}, {"CHILD1", "#"}});
        object_file("LAB_WATER", {{"GFXNAME", "water.png"}, {"CHILD1", "#"}, {"USECOLLISION", "1"}});
        picture("GFX/TOPO/wall.png", 90, 90, 100, 8, 8);
        picture("GFX/TOPO/floor.png", 200, 170, 120, 8, 8);
        picture("GFX/TOPO/green.png", 40, 160, 40, 8, 8);
        picture("GFX/TOPO/water.png", 40, 80, 200, 8, 8);
        definition("coin", coin());
        picture("GFX/WORLD/coin.png", 250, 200, 0, 16, 16);
        definition("moss", {{"DGFXNAME", "moss"},
                            {"DDENSITY", "2"},
                            {"DGFXSHOW", "1"},
                            {"DGFXTRANSPARENCY", "255"},
                            {"DFITTOMATRIX", "1"}});
        picture("GFX/WORLD/moss.png", 20, 120, 20, 8, 8);
        definition(
            "slime",
            {{"DGFXNAME", "#"}, {"DISENEMY", "1"}, {"DDENSITY", "20"}, {"DGFXSHOW", "1"}, {"DGFXTRANSPARENCY", "255"}});
        picture("GFX/WORLD/slime.png", 60, 220, 60, 32, 32);
        // The engine picks sound decoders by content: a wave loads under an
        // .ogg name as well.
        dir.write("SFX/chime.ogg", wave16(1, 8000, {0, 0, 0, 0}));
        picture("GFX/CURSOR/hero.png", 200, 30, 30, 24, 24);
        const std::string font = "ABCDEGIJMNOPQRSTUY0123456789-";
        dir.write("DATA/font.txt", crlf({font, "the first line lists the font's characters"}));
        for (char c : font)
            picture("GFX/FONT/" + std::string(c == '-' ? "MINUS" : std::string(1, c)) + ".png", 0, 0, 0, 4, 6);

        previous = std::filesystem::current_path();
        std::filesystem::current_path(dir.path);
    }

    void TearDown() override { std::filesystem::current_path(previous); }

    void write_ini(const std::vector<std::string>& lines) const { dir.configure(lines); }
    void set_ini(const std::string& key, const std::string& value) const {
        write_ini(pair_lines(with(clean_ini(), key, value)));
    }
    // Object files end with TRANSPARENCY 0 unless they set it or `opaque`
    // is false: a generated world's cells are invisible without it.
    void object_file(const std::string& type, Pairs pairs, bool opaque = true) const {
        bool has_transparency = false;
        for (const auto& [k, v] : pairs) has_transparency |= k == "TRANSPARENCY";
        if (opaque && !has_transparency) pairs.push_back({"TRANSPARENCY", "0"});
        dir.write("TYPES/LAB/" + type, crlf(pair_lines(pairs)));
    }
    void definition(const std::string& stem, const Pairs& pairs) const {
        dir.write("GFX/WORLD/" + stem + ".dll", crlf(pair_lines(pairs)));
    }
    // A picture of one colour; white and magenta are see-through, so tests
    // use other colours.
    void picture(const std::string& relative, uint8_t r, uint8_t g, uint8_t b, int w, int h) const {
        dir.write(relative, solid_png(w, h, {r, g, b}));
    }
    void remove(const std::string& relative) const { std::filesystem::remove_all(dir.path + relative); }
};

// Every report as its printed line.
inline std::vector<std::string> printed(const check_result& r) {
    std::vector<std::string> lines;
    for (const check_message& m : r.messages) lines.push_back(format_check_message(m));
    return lines;
}

inline std::string all_of(const check_result& r) {
    std::string s;
    for (const std::string& l : printed(r)) s += l + "\n";
    return s;
}

// The one report that starts with `where` ("path:line: warning: ") and
// contains `words`; fails the test unless exactly one does.
inline std::string report_at(const check_result& r, const std::string& where, const std::string& words) {
    std::string hit;
    int hits = 0;
    for (const std::string& l : printed(r)) {
        if (l.rfind(where, 0) == 0 && l.find(words) != std::string::npos) {
            hit = l;
            hits += 1;
        }
    }
    EXPECT_EQ(hits, 1) << "looking for [" << where << "] with [" << words << "] in:\n" << all_of(r);
    return hit;
}

// Runs the real build/tileworld-check in `folder` with the given arguments.
inline RunResult run_checker(const std::string& folder, const std::vector<std::string>& args) {
    return run_program(std::string(TILEWORLD_BUILD_DIR) + "/tileworld-check", args, folder);
}

}  // namespace tw::test
