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

constexpr int thread_question = 11;

fatal_error_procedure fatal_handler = nullptr;

bool is_listed(int code) {
    switch (code) {
        case 0: case 1: case 2: case 3: case 4: case 5: case 10: case 11: return true;
        default: return false;
    }
}

}  // namespace

text fatal_error_text(int code) {
    switch (code) {
        case 0: return " Could not open " + engine.config_path;
        case 1: return " Could not open screen";
        case 2: return " Could not open window";
        case 3: return " Could not open keyboarddevice";
        case 4: return " Could not open topographic data";
        case 5: return " Could not open:" + engine.self_create_base_path;
        case 10: return " Could not create gfx_list:" + engine.system_core_path + engine.core_name;
        case 11:
            return "Could not create thread (multithreading/parallel computing)\n"
                   "do you want to try serial computing? if *no* program will quit\n"
                   "engine will try to activate multithreading...";
        default: return {};
    }
}

void set_fatal_error_handler(fatal_error_procedure p) { fatal_handler = p; }

void fatal_error(int code) {
    if (!is_listed(code)) return;
    if (fatal_handler != nullptr) {
        // Every caller returns right after a fatal error, so the program
        // that installed the handler goes on with what it has.
        fatal_handler(code);
        return;
    }
    text body = fatal_error_text(code);
    // Always on stderr as well, so a failure is visible where no box can be
    // shown (no display) and in the logs of whoever started the program.
    std::fprintf(stderr, "ERROR : %s\n", body.c_str());
    std::fflush(stderr);
    int answer = message_box("ERROR ", body, code == thread_question ? message_yes_no : message_ok);
    if (code == thread_question) {
        if (answer == answer_no) end_program();
        // Any other answer (Yes, or no box at all) goes on without threads.
        engine.multicore = 0;
        return;
    }
    end_program();
}

// ===========================================================================
// Report log
// ===========================================================================

void write_error_report() {
    // Without a file name there is nowhere to write; the report is dropped.
    if (engine.log_file.empty()) return;
    // Truncated first: the log holds exactly the latest report, never the
    // tail of an older, longer one after it.
    int file = create_file(-1, engine.log_path + engine.log_file);
    if (file == 0) return;
    write_line(file, "ENGINE REPORT: ERROR:");
    write_line(file, error_message());
    write_line(file, "LINE:" + int_to_text(error_line()));
    write_line(file, "MODULE:" + error_file());
    write_line(file, " ");
    write_line(file, "DATESTAMP:" + format_date("%yyyy-,%mm-,%dd", current_date()));
    close_file(file);
}

}  // namespace tw
