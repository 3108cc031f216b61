// command_line: what the program's arguments ask for. The engine itself
// takes none: a game folder named here becomes the current folder before
// start-up, which then reads DATA\ini.txt there as always.
#include <cstdio>

#include "core/core.h"

namespace tw {

namespace {

const char* const usage =
    "usage: tileworld [--record FILE] [--replay FILE] [--output-folder DIR]\n"
    "                 [GAME_FOLDER]\n"
    "Runs the game in GAME_FOLDER, the folder that holds DATA\\ini.txt (default:\n"
    "the current folder).\n"
    "  -h, --help     show this text\n"
    "  --version      show the version\n"
    "  --record FILE  record the session into FILE, a script that replays it\n"
    "  --replay FILE  replay a recording and check that the game goes the same\n"
    "                 way; exit code 3 and the frame where it does not\n"
    "  --output-folder DIR  where a script's screenshots and dumps go (default:\n"
    "                 the game folder); nothing is written outside it\n"
    "\n"
    "Keys:\n"
    "  arrow keys           move the figure\n"
    "  Page Up, Page Down   next, previous world (generated worlds)\n"
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
