// tileworld-check: reads a game folder the way the engine does and reports
// what the engine would skip or refuse, like a compiler: "path:line:
// warning: ..." and "path:line: error: ...". Exit code 1 when it found
// errors (with --strict also warnings), 0 otherwise, 2 for a command line it
// does not understand or a game folder it cannot enter. With --map and
// --map-sheet it draws worlds instead, with --catalog it lists them.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "checker/checker.h"
#include "core/core.h"
#include "runtime/inspection.h"
#include "runtime/media_runtime.h"

namespace {

const char* const usage =
    "usage: tileworld-check [--quiet] [--strict] [GAME_FOLDER]\n"
    "           check the game in GAME_FOLDER (default: the current folder), the\n"
    "           folder that holds DATA\\ini.txt; --quiet prints the errors only,\n"
    "           --strict counts warnings as errors (exit code 1)\n"
    "       tileworld-check [GAME_FOLDER] --map N FILE.png [--block PIXELS]\n"
    "           draw world N (0 = the first world)\n"
    "       tileworld-check [GAME_FOLDER] --map-sheet FIRST COUNT FILE.png\n"
    "                       [--block PIXELS]\n"
    "           draw COUNT worlds from FIRST on one sheet\n"
    "       tileworld-check [GAME_FOLDER] --catalog FIRST COUNT [--csv]\n"
    "           list COUNT worlds from FIRST: size, objects by type, enemies and\n"
    "           the pickups the figure can reach from its start\n"
    "       tileworld-check --help | --version\n"
    "Exit code: 0 no errors, 1 errors found (or no picture written), 2 a command\n"
    "line it does not understand or a game folder it cannot enter.\n";

int bad_usage(const std::string& why) {
    std::fprintf(stderr, "tileworld-check: %s (tileworld-check --help shows the usage)\n", why.c_str());
    return 2;
}

// A whole non-negative number, or -1.
int number_argument(const std::string& s) {
    if (s.empty() || s.size() > 9) return -1;
    for (char c : s)
        if (c < '0' || c > '9') return -1;
    return std::atoi(s.c_str());
}

int run_check(bool quiet, bool strict) {
    const tw::check_result result = tw::check_game();
    for (const tw::check_message& m : result.messages) {
        if (quiet && m.level != tw::check_level::error) continue;
        std::printf("%s\n", tw::format_check_message(m).c_str());
    }
    if (!quiet) {
        for (const tw::text& fact : result.facts) std::printf("%s\n", fact.c_str());
        std::printf("%d error%s, %d warning%s\n", result.errors, result.errors == 1 ? "" : "s", result.warnings,
                    result.warnings == 1 ? "" : "s");
    }
    std::fflush(stdout);
    return result.errors > 0 || (strict && result.warnings > 0) ? 1 : 0;
}

int map_failed(const tw::text& why) {
    std::fprintf(stderr, "tileworld-check: error: %s\n", why.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    bool quiet = false;
    bool strict = false;
    bool csv = false;
    int block = -1;
    std::string mode;                 // "", "--map" or "--map-sheet"
    std::vector<std::string> values;  // the mode's own arguments
    std::string folder;
    bool options = true;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!options || a.size() < 2 || a[0] != '-') {
            if (a.empty()) return bad_usage("the game folder is an empty name");
            if (!folder.empty()) return bad_usage("one game folder only, not also " + a);
            folder = a;
        } else if (a == "--") {
            options = false;
        } else if (a == "--quiet" || a == "-q") {
            quiet = true;
        } else if (a == "--strict") {
            strict = true;
        } else if (a == "--csv") {
            csv = true;
        } else if (a == "--help" || a == "-h") {
            std::printf("%s", usage);
            return 0;
        } else if (a == "--version") {
            std::printf("tileworld-check %s\n", tw::program_version().c_str());
            return 0;
        } else if (a == "--block") {
            if (i + 1 >= args.size() || (block = number_argument(args[i + 1])) < 1 || block > 64)
                return bad_usage("--block needs a number of pixels from 1 to 64");
            ++i;
        } else if (a == "--map" || a == "--map-sheet" || a == "--catalog") {
            const size_t count = a == "--map" || a == "--catalog" ? 2 : 3;
            if (!mode.empty()) return bad_usage("one at a time: --map, --map-sheet or --catalog");
            if (i + count >= args.size())
                return bad_usage(a == "--map"       ? "--map needs a world number and a file name"
                                 : a == "--catalog" ? "--catalog needs a first world and a count"
                                                    : "--map-sheet needs a first world, a count and a file name");
            mode = a;
            values.assign(args.begin() + static_cast<long>(i) + 1, args.begin() + static_cast<long>(i + count) + 1);
            i += count;
        } else {
            return bad_usage("unknown option " + a);
        }
    }

    int first = 0, count = 0;
    if (mode == "--map") {
        first = number_argument(values[0]);
        if (first < 0) return bad_usage("the world number must be 0 or more");
    } else if (mode == "--map-sheet" || mode == "--catalog") {
        first = number_argument(values[0]);
        count = number_argument(values[1]);
        if (first < 0) return bad_usage("the first world must be 0 or more");
        const int most = mode == "--catalog" ? 1000 : 100;
        if (count < 1 || count > most) return bad_usage("the count must be from 1 to " + std::to_string(most));
    }
    if (csv && mode != "--catalog") return bad_usage("--csv goes with --catalog");

    // The picture goes where it was asked for, not into the game folder.
    if (!values.empty() && mode != "--catalog") values.back() = tw::absolute_path(values.back());
    tw::text why;
    if (!folder.empty() && !tw::enter_folder(folder, why)) {
        std::fprintf(stderr, "tileworld-check: game folder %s: %s\n", folder.c_str(), why.c_str());
        return 2;
    }

    if (mode.empty()) return run_check(quiet, strict);
    if (mode == "--catalog") return tw::write_catalog(first, count, csv, why) ? 0 : map_failed(why);
    const bool drawn = mode == "--map" ? tw::write_world_map(first, block > 0 ? block : 8, values.back(), why)
                                       : tw::write_map_sheet(first, count, block > 0 ? block : 4, values.back(), why);
    return drawn ? 0 : map_failed(why);
}
