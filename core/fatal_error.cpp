// fatal_error: the start-up failures the engine cannot go on from, and the
// report log written for processor faults while the game runs.
#include "core/core.h"

#include <cstdio>

#include "runtime/media_runtime.h"

namespace tw {

// ===========================================================================
// Fatal errors
// ===========================================================================

namespace {

fatal_error_procedure fatal_handler = nullptr;

}  // namespace

text fatal_error_text(int code) {
    switch (code) {
        case fatal_configuration: return " Could not open " + engine.config_path;
        case fatal_screen: return " Could not open screen";
        case fatal_window: return " Could not open window";
        case fatal_keyboard: return " Could not open keyboarddevice";
        case fatal_topographic_data: return " Could not open topographic data";
        case fatal_world_base: return " Could not open:" + engine.self_create_base_path;
        case fatal_gfx_list: return " Could not create gfx_list:" + engine.system_core_path + engine.core_name;
        case fatal_thread:
            return "Could not create thread (multithreading/parallel computing)\n"
                   "do you want to try serial computing? if *no* program will quit\n"
                   "engine will try to activate multithreading...";
        default: return {};
    }
}

void set_fatal_error_handler(fatal_error_procedure p) { fatal_handler = p; }

void fatal_error(int code) {
    text body = fatal_error_text(code);
    // Every listed code has a text; any other code does nothing.
    if (body.empty()) return;
    if (fatal_handler != nullptr) {
        // Every caller returns right after a fatal error, so the program
        // that installed the handler goes on with what it has.
        fatal_handler(code);
        return;
    }
    // Always on stderr as well, so a failure is visible where no box can be
    // shown (no display) and in the logs of whoever started the program.
    std::fprintf(stderr, "ERROR : %s\n", body.c_str());
    std::fflush(stderr);
    int answer = message_box("ERROR ", body, code == fatal_thread ? message_yes_no : message_ok);
    if (code == fatal_thread) {
        if (answer == answer_no) end_program(exit_start_up_failed);
        // Any other answer (Yes, or no box at all) goes on without threads.
        engine.multicore = 0;
        return;
    }
    end_program(exit_start_up_failed);
}

// ===========================================================================
// Report log
// ===========================================================================

bool report_log_inside(text& inside, text& why) {
    // LOGPATH arrives with the game folder before it; what follows is the
    // maker's, and must stay inside.
    text folder = engine.log_path;
    if (folder.compare(0, engine.base_dir.size(), engine.base_dir) == 0) folder.erase(0, engine.base_dir.size());
    if (!path_stays_inside(folder + engine.log_file, inside, why)) {
        why = "LOGPATH and LOGFILE lead out of the game folder (" + why + ")";
        return false;
    }
    return true;
}

void write_error_report() {
    // Without a file name there is nowhere to write; the report is dropped.
    if (engine.log_file.empty()) return;
    // The log is written only inside the game folder, never through a
    // symbolic link and only over a regular file: a game folder from a
    // stranger must not make a fault overwrite the player's files.
    text inside, why;
    if (!report_log_inside(inside, why)) {
        static bool said = false;
        if (!said) std::fprintf(stderr, "tileworld: the report log is not written: %s\n", why.c_str());
        said = true;
        return;
    }
    // Replaced as a whole: the log holds exactly the latest report, never the
    // tail of an older, longer one after it.
    text report;
    for (const text& line : {text("ENGINE REPORT: ERROR:"), error_message(), "LINE:" + int_to_text(error_line()),
                             "MODULE:" + error_file(), text(" "),
                             "DATESTAMP:" + format_date("%yyyy-,%mm-,%dd", current_date())})
        report += line + "\r\n";
    // A log that cannot be written loses the report, and the game goes on.
    write_file_inside(engine.base_dir, inside, report.data(), report.size(), why);
}

}  // namespace tw
