// command_line: what the program's arguments ask for. The engine itself
// takes none: a game folder named here becomes the current folder before
// start-up, which then reads DATA\ini.txt there as always.
#include <cstdint>
#include <cstdio>

#include "core/core.h"

namespace tw {

namespace {

const char* const usage =
    "usage: tileworld [OPTION]... [GAME_FOLDER]\n"
    "Runs the game in GAME_FOLDER, the folder that holds DATA\\ini.txt (default:\n"
    "the current folder).\n"
    "  -h, --help     show this text\n"
    "  --version      show the version\n"
    "  --record FILE  record the session into FILE, a script that replays it\n"
    "  --replay FILE  replay a recording and check that the game goes the same\n"
    "                 way; exit code 3 and the frame where it does not\n"
    "  --seed N       use N as WORLDRANDOM for this run (the file is unchanged)\n"
    "  --world N      start at world N (0 or more) instead of world 0\n"
    "  --watch        reload the game when one of its data files changes, keeping\n"
    "                 the world number; the checker's findings for the changed\n"
    "                 files and any refused reload go to stderr\n"
    "  --output-folder DIR  where a script's screenshots and dumps go (default:\n"
    "                 the game folder); nothing is written outside it\n"
    "FILE is relative to the folder the program was started in.\n"
    "\n"
    "Keys:\n"
    "  arrow keys           move the figure\n"
    "  Page Up, Page Down   next, previous world (generated worlds, and designed\n"
    "                       worlds with PLAYSAVEDWORLD 1)\n"
    "  P                    pause; C continues\n"
    "  Escape               quit screen; Q quits, C continues\n"
    "  joystick             steers; button 10 pauses (A continues), button 9 opens\n"
    "                       the quit screen (A quits, B continues)\n"
    "\n"
    "Environment:\n"
    "  TILEWORLD_SCRIPT=FILE   play an automation script instead of reading the\n"
    "                          keys: presses, screenshots, state dumps\n"
    "  TILEWORLD_RECORD=FILE   as --record\n"
    "  TILEWORLD_OUTPUT_FOLDER=DIR  as --output-folder\n"
    "  TILEWORLD_DISPLAY=WxH   pretend the display is W x H pixels\n"
    "  TILEWORLD_PACE=HZ       show at most HZ frames a second (0: as fast as\n"
    "                          possible; headless runs are unpaced by default)\n"
    "  SDL_VIDEODRIVER=offscreen, SDL_AUDIODRIVER=dummy\n"
    "                          run without a display, without a sound card\n"
    "\n"
    "Exit codes:\n"
    "  0  the game was quit (or stopped by a signal)\n"
    "  1  start-up failed: the game never ran (the message says why)\n"
    "  2  a mistake on the command line or in an automation script\n"
    "  3  a replay went out of step with its recording\n"
    "  4  an automation or recording output could not be written, or was\n"
    "     refused\n"
    "The game makers' guide describes the game folder and the scripts.\n";

command_line finished(int exit_code) {
    command_line line;
    line.exit_code = exit_code;
    return line;
}

command_line mistake(const text& why) {
    std::fprintf(stderr, "tileworld: %s (tileworld --help shows the usage)\n", why.c_str());
    return finished(2);
}

// A whole number in [low, high], written in decimal with an optional minus.
bool whole_number(const text& t, long long low, long long high, int32_t& out) {
    size_t i = t.size() > 1 && t[0] == '-' ? 1 : 0;
    if (i == t.size() || t.size() - i > 10) return false;
    long long v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9') return false;
        v = v * 10 + (t[i] - '0');
    }
    if (t[0] == '-') v = -v;
    if (v < low || v > high) return false;
    out = static_cast<int32_t>(v);
    return true;
}

}  // namespace

text program_version() { return TILEWORLD_VERSION; }

command_line read_command_line(const std::vector<text>& args) {
    command_line line;
    bool options = true;
    bool folder_named = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const text& a = args[i];
        if (options && a == "--") {
            options = false;
        } else if (options && (a == "--help" || a == "-h")) {
            std::printf("%s", usage);
            return finished(0);
        } else if (options && a == "--version") {
            std::printf("tileworld %s\n", program_version().c_str());
            return finished(0);
        } else if (options && a == "--output-folder") {
            if (i + 1 == args.size() || args[i + 1].empty()) return mistake(a + " needs a folder name");
            line.output_folder = args[++i];
        } else if (options && (a == "--record" || a == "--replay")) {
            if (i + 1 == args.size() || args[i + 1].empty()) return mistake(a + " needs a file name");
            (a == "--record" ? line.record_file : line.replay_file) = args[++i];
        } else if (options && a == "--seed") {
            if (i + 1 == args.size() || !whole_number(args[i + 1], INT32_MIN, INT32_MAX, line.choices.seed))
                return mistake("--seed needs a whole number from -2147483648 to 2147483647");
            line.choices.seed_given = true;
            ++i;
        } else if (options && a == "--world") {
            if (i + 1 == args.size() || !whole_number(args[i + 1], 0, INT32_MAX, line.choices.world))
                return mistake("--world needs a whole number from 0 to 2147483647");
            line.choices.world_given = true;
            ++i;
        } else if (options && a == "--watch") {
            line.watch = true;
        } else if (options && a.size() > 1 && a[0] == '-') {
            return mistake("unknown option " + a);
        } else if (folder_named || a.empty()) {
            return mistake(a.empty() ? "the game folder is an empty name" : "one game folder only, not also " + a);
        } else {
            line.game_folder = a;
            folder_named = true;
        }
    }
    return line;
}

}  // namespace tw
