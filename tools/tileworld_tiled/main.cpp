// tileworld-tiled: Tiled maps as designed worlds of a game, and a game's
// worlds as Tiled maps. "import" writes a map as a designed world (a whole
// game into an empty or missing folder); "--watch" imports again whenever
// the map, its tilesets or their pictures change. "export" writes a world
// as a TMX map with its tileset. Exit code 0 done, 1 refused (one line on
// stderr naming the file and the reason), 2 a command line it does not
// understand.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "core/core.h"
#include "runtime/media_runtime.h"
#include "tiled/tiled.h"

namespace {

const char* const usage =
    "usage: tileworld-tiled import [--world N] [--watch] MAP GAME_FOLDER\n"
    "           write the Tiled map MAP (.tmx, .tmj or .json) as designed world N\n"
    "           (default 1) of the game in GAME_FOLDER; an empty or missing\n"
    "           folder becomes a whole new game. --watch imports again each time\n"
    "           the map or its tilesets change, until stopped (Ctrl+C)\n"
    "       tileworld-tiled export GAME_FOLDER OUT.tmx [--world N]\n"
    "           write world N of the game (a generated game: world N of its seed,\n"
    "           default 0; else designed world N, default 1) as a Tiled map, with\n"
    "           its tileset OUT.tsx and picture OUT.png beside it\n"
    "       tileworld-tiled --help | --version\n"
    "Exit code: 0 done, 1 refused (the reason on stderr; nothing written into\n"
    "the game), 2 a command line it does not understand.\n";

int bad_usage(const std::string& why) {
    std::fprintf(stderr, "tileworld-tiled: %s (tileworld-tiled --help shows the usage)\n", why.c_str());
    return 2;
}

int number_argument(const std::string& s) {
    if (s.empty() || s.size() > 9) return -1;
    for (char c : s)
        if (c < '0' || c > '9') return -1;
    return std::atoi(s.c_str());
}

void register_decoders() {
    tw::use_png_decoder();
    tw::use_jpeg_decoder();
    tw::use_tga_decoder();
    tw::use_tiff_decoder();
}

bool import_once(const std::string& map, const std::string& game, const tw::tiled::import_options& options,
                 tw::tiled::import_result& result) {
    std::string why;
    if (!tw::tiled::import_map(map, game, options, result, why)) {
        std::fprintf(stderr, "tileworld-tiled: %s\n", why.c_str());
        std::fflush(stderr);
        return false;
    }
    for (const std::string& f : result.written) std::printf("wrote %s\n", f.c_str());
    for (const std::string& n : result.notes) std::fprintf(stderr, "tileworld-tiled: note: %s\n", n.c_str());
    std::printf("imported %s as designed world %d of %s: %d cells, %d cell types (%d new), %d objects placed\n",
                map.c_str(), options.world, game.c_str(), result.cells, result.types, result.new_types, result.objects);
    std::fflush(stdout);
    std::fflush(stderr);
    return true;
}

using stamps = std::map<std::string, std::filesystem::file_time_type>;

stamps stamps_of(const std::vector<std::string>& files) {
    stamps s;
    for (const std::string& f : files) {
        std::error_code ec;
        s[f] = std::filesystem::last_write_time(f, ec);
    }
    return s;
}

// Imports, then again after every change of the files the last import read
// (the map alone after a refusal). Runs until the program is stopped.
int watch(const std::string& map, const std::string& game, const tw::tiled::import_options& options) {
    tw::tiled::import_result result;
    import_once(map, game, options, result);
    std::vector<std::string> sources = result.sources.empty() ? std::vector<std::string>{map} : result.sources;
    stamps seen = stamps_of(sources);
    std::printf("watching %s for changes (Ctrl+C stops)\n", map.c_str());
    std::fflush(stdout);
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stamps now = stamps_of(sources);
        if (now == seen) continue;
        // A save may come in several writes: wait until the files are quiet.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        if (import_once(map, game, options, result)) sources = result.sources;
        seen = stamps_of(sources);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return bad_usage("a command is needed: import or export");
    if (args[0] == "--help" || args[0] == "-h") {
        std::printf("%s", usage);
        return 0;
    }
    if (args[0] == "--version") {
        std::printf("tileworld-tiled %s\n", tw::program_version().c_str());
        return 0;
    }
    if (args[0] != "import" && args[0] != "export") return bad_usage("unknown command " + args[0]);
    int world = -1;
    bool watching = false;
    std::vector<std::string> names;
    bool options = true;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (options && a == "--") {
            options = false;
        } else if (options && a == "--world") {
            if (i + 1 >= args.size() || (world = number_argument(args[i + 1])) < 0)
                return bad_usage("--world needs a world number");
            ++i;
        } else if (options && a == "--watch" && args[0] == "import") {
            watching = true;
        } else if (options && a.size() > 1 && a[0] == '-') {
            return bad_usage("unknown option " + a);
        } else {
            if (a.empty()) return bad_usage("an empty name");
            names.push_back(a);
        }
    }
    if (names.size() != 2)
        return bad_usage(args[0] == "import" ? "import needs a map and a game folder"
                                             : "export needs a game folder and an output file");
    register_decoders();
    if (args[0] == "import") {
        tw::tiled::import_options options_;
        if (world == 0) return bad_usage("designed worlds are numbered from 1");
        options_.world = world < 0 ? 1 : world;
        if (watching) return watch(names[0], names[1], options_);
        tw::tiled::import_result result;
        return import_once(names[0], names[1], options_, result) ? 0 : 1;
    }
    tw::tiled::export_options options_;
    options_.world = world;
    std::string why;
    if (!tw::tiled::export_map(names[0], names[1], options_, why)) {
        std::fprintf(stderr, "tileworld-tiled: %s\n", why.c_str());
        return 1;
    }
    std::printf("wrote %s\n", names[1].c_str());
    return 0;
}
