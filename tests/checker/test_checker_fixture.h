// A small generated-world game that checks clean, written into a temporary
// folder, for the data checker's tests: each test breaks one thing and looks
// for the one report it should cause. Also runs the real tileworld-check.
#pragma once

#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "checker/checker.h"
#include "runtime/inspection.h"
#include "support/test_support.h"

namespace tw::test {

using Pairs = std::vector<std::pair<std::string, std::string>>;

inline std::vector<std::string> pair_lines(const Pairs& pairs) {
    std::vector<std::string> lines;
    for (const auto& [k, v] : pairs) {
        lines.push_back(k);
        lines.push_back(v);
    }
    return lines;
}

// A tiny RIFF WAVE sound: the engine picks decoders by content, so it loads
// under an .ogg name as well.
inline std::string wave_sound() {
    std::string s;
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    auto put16 = [&](uint16_t v) {
        for (int i = 0; i < 2; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    s += "RIFF";
    put32(36 + 8);
    s += "WAVEfmt ";
    put32(16);
    put16(1);
    put16(1);
    put32(8000);
    put32(16000);
    put16(2);
    put16(16);
    s += "data";
    put32(8);
    s += std::string(8, '\0');
    return s;
}

struct CheckerGame : ::testing::Test {
    TempDir dir;
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
        definition("coin", {{"DGFXNAME", "coin"},            // 1
                            {"DDENSITY", "3"},               // 3
                            {"DCOLLISION", "1"},             // 5
                            {"DGFXSHOW", "1"},               // 7
                            {"DGFXTRANSPARENCY", "255"},     // 9
                            {"DUSECOUNTSOUND", "1"},         // 11
                            {"DCOUNTSOUND", "chime.ogg"}});  // 13
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
        dir.write("SFX/chime.ogg", wave_sound());
        picture("GFX/CURSOR/hero.png", 200, 30, 30, 24, 24);
        const std::string font = "ABCDEGIJMNOPQRSTUY0123456789-";
        dir.write("DATA/font.txt", crlf({font, "the first line lists the font's characters"}));
        for (char c : font)
            picture("GFX/FONT/" + std::string(c == '-' ? "MINUS" : std::string(1, c)) + ".png", 0, 0, 0, 4, 6);

        previous = std::filesystem::current_path();
        std::filesystem::current_path(dir.path);
    }

    void TearDown() override { std::filesystem::current_path(previous); }

    void write_ini(const std::vector<std::string>& lines) const { dir.write("DATA/ini.txt", crlf(lines)); }
    void set_ini(const std::string& key, const std::string& value) const {
        Pairs p = clean_ini();
        bool found = false;
        for (auto& [k, v] : p)
            if (k == key) {
                v = value;
                found = true;
            }
        if (!found) p.push_back({key, value});
        write_ini(pair_lines(p));
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
    void picture(const std::string& relative, int r, int g, int b, int w, int h) const {
        const std::string path = dir.write(relative, "");
        rgba_image image{w, h, true, std::vector<uint8_t>(static_cast<size_t>(w) * static_cast<size_t>(h) * 4)};
        std::vector<uint8_t>& rgba = image.rgba;
        for (size_t i = 0; i < rgba.size(); i += 4) {
            rgba[i] = static_cast<uint8_t>(r);
            rgba[i + 1] = static_cast<uint8_t>(g);
            rgba[i + 2] = static_cast<uint8_t>(b);
            rgba[i + 3] = 255;
        }
        ASSERT_TRUE(save_png(path, image)) << path;
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

struct CheckerRun {
    int exit_code = -1;
    std::string out;
    std::string err;
};

// Runs the real build/tileworld-check in `folder` with the given arguments.
inline CheckerRun run_checker(const std::string& folder, const std::vector<std::string>& args) {
    CheckerRun r;
    TempDir outdir;
    const std::string out_path = outdir.path + "out.txt", err_path = outdir.path + "err.txt";
#if defined(_WIN32)
    r.exit_code = run_windows_program(std::string(TILEWORLD_BUILD_DIR) + "/tileworld-check.exe", args, folder, {},
                                      out_path, err_path, 120);
#else
    const std::string binary = std::string(TILEWORLD_BUILD_DIR) + "/tileworld-check";
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0) _exit(127);
        if (!freopen(out_path.c_str(), "w", stdout)) _exit(127);
        if (!freopen(err_path.c_str(), "w", stderr)) _exit(127);
        alarm(120);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(binary.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(binary.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) r.exit_code = WEXITSTATUS(status);
#endif
    r.out = read_file(out_path);
    r.err = read_file(err_path);
    return r;
}

}  // namespace tw::test
