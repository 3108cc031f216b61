// The program: the command line, then everything happens in engine_main.
#include <cstdio>

#include "core/core.h"
#include "runtime/media_runtime.h"

int main(int argc, char** argv) {
    const tw::command_line line = tw::read_command_line({argv + 1, argv + argc});
    if (line.exit_code >= 0) return line.exit_code;
    // Named from where the program was started, before the game folder is entered.
    tw::use_automation_files(line.replay_file, line.record_file);
    tw::set_run_choices(line.choices);
    tw::request_watch(line.watch);
    if (!tw::use_output_folder(line.output_folder)) return 2;
    tw::text why;
    if (!line.game_folder.empty() && !tw::enter_folder(line.game_folder, why)) {
        std::fprintf(stderr, "tileworld: game folder %s: %s\n", line.game_folder.c_str(), why.c_str());
        return 2;
    }
    return tw::engine_main();
}
