// tileworld-check: reads a game folder the way the engine does and reports
// what the engine would skip or refuse, like a compiler: "path:line:
// warning: ..." and "path:line: error: ...". Exit code 1 when it found
// errors, 0 otherwise, 2 for a command line it does not understand. With
// --map and --map-sheet it draws worlds instead.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "checker/checker.h"

namespace {

const char* const usage =
    "usage: tileworld-check [--quiet]                          check the game in the current folder\n"
    "       tileworld-check --map N FILE.png [--block PIXELS]  draw world N (0 = the first world)\n"
    "       tileworld-check --map-sheet FIRST COUNT FILE.png [--block PIXELS]\n"
    "                                                          draw COUNT worlds from FIRST on one sheet\n"
    "Run it in the game folder (the one that holds DATA/ini.txt).\n";

int bad_usage(const std::string& why) {
    std::fprintf(stderr, "tileworld-check: %s\n%s", why.c_str(), usage);
    return 2;
}

// A whole non-negative number, or -1.
int number_argument(const std::string& s) {
    if (s.empty() || s.size() > 9) return -1;
    for (char c : s)
        if (c < '0' || c > '9') return -1;
    return std::atoi(s.c_str());
}

int run_check(bool quiet) {
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
    return result.errors > 0 ? 1 : 0;
}

int map_failed(const tw::text& why) {
    std::fprintf(stderr, "tileworld-check: error: %s\n", why.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    bool quiet = false;
    int block = -1;
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--quiet" || args[i] == "-q") {
            quiet = true;
        } else if (args[i] == "--help" || args[i] == "-h") {
            std::printf("%s", usage);
            return 0;
        } else if (args[i] == "--block") {
            if (i + 1 >= args.size() || (block = number_argument(args[i + 1])) < 1 || block > 64)
                return bad_usage("--block needs a number of pixels from 1 to 64");
            ++i;
        } else {
            rest.push_back(args[i]);
        }
    }

    if (rest.empty()) return run_check(quiet);

    tw::text why;
    if (rest[0] == "--map") {
        if (rest.size() != 3) return bad_usage("--map needs a world number and a file name");
        const int number = number_argument(rest[1]);
        if (number < 0) return bad_usage("the world number must be 0 or more");
        if (!tw::write_world_map(number, block > 0 ? block : 8, rest[2], why)) return map_failed(why);
        return 0;
    }
    if (rest[0] == "--map-sheet") {
        if (rest.size() != 4) return bad_usage("--map-sheet needs a first world, a count and a file name");
        const int first = number_argument(rest[1]);
        const int count = number_argument(rest[2]);
        if (first < 0) return bad_usage("the first world must be 0 or more");
        if (count < 1 || count > 100) return bad_usage("the count must be from 1 to 100");
        if (!tw::write_map_sheet(first, count, block > 0 ? block : 4, rest[3], why)) return map_failed(why);
        return 0;
    }
    return bad_usage("unknown argument " + rest[0]);
}
