// platform: what the pieces of the runtime share among themselves besides
// its three faces (media_runtime.h, testing.h, inspection.h). Only files in
// runtime/ include this header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/values.h"

namespace tw::platform {

// Whole file into memory; false when it cannot be read or is larger than limit
// (runtime/system_files.cpp).
bool read_whole_file(const text& path, std::vector<uint8_t>& out, size_t limit);
void close_all_files();  // every open file, flushed first (runtime/system_files.cpp)

// What the host file system says about a path, with no case or separator
// resolution (runtime/system_files_posix.cpp, runtime/system_files_windows.cpp).
enum class entry_kind { missing, file, folder, other };  // other: a device, a pipe
struct host_entry {
    entry_kind kind = entry_kind::missing;
    uint64_t size = 0;  // bytes, for a file
    int64_t changed = 0;  // last change in the host's units (a folder: of its list of names)
};
host_entry host_stat(const std::string& host_path);
// The names in a folder, "." and ".." left out, in no particular order;
// false when it cannot be listed.
bool host_list_folder(const std::string& host_path, std::vector<std::string>& names);
// The process's current folder, ending with the platform's separator.
std::string host_current_folder();
// Makes `folder` the current one when it is a folder that can be entered and
// listed; else says why not, in the C library's words.
bool host_enter_folder(const std::string& folder, std::string& why);
// The files of a folder with what tells a change: size and modification
// time, from one listing (no separate look-up per name where the system
// gives both at once); false when it cannot be listed.
struct host_stamp {
    std::string name;
    uint64_t size = 0;
    int64_t modified = 0;  // in the system's own unit; only compared for equality
};
bool host_folder_stamps(const std::string& host_path, std::vector<host_stamp>& files);
// The folder of the running program, ending with the separator; empty when
// the system does not say.
std::string host_program_folder();
// Runs `program` with `args` (no shell) and waits for its end; its standard
// output goes into `output`, its standard error to ours. false when it could
// not be started.
bool host_run_program(const std::string& program, const std::vector<std::string>& args, std::string& output);

// Writing the game's own outputs (runtime/output_files_posix.cpp,
// runtime/output_files_windows.cpp). `parts` are the names below `folder`,
// none empty, "." or ".."; a part missing as written is looked up ignoring
// case. No part is followed through a symbolic link; only a regular file is
// replaced, or a named pipe written while a reader holds it (never waiting
// past a stop request). false with the reason.
bool host_write_inside(const std::string& folder, const std::vector<std::string>& parts, const void* data,
                       size_t size, std::string& why);
// A file the player named for writing (a recording): created, or replaced
// when it is a regular file; anything else (a device, a pipe, a folder) is
// refused without waiting. nullptr with the reason.
std::FILE* host_create_regular(const std::string& path, std::string& why);

// Catching processor faults and stop requests (runtime/system_faults_posix.cpp,
// runtime/system_faults_windows.cpp, runtime/system_faults_web.cpp). Installing twice does nothing more.
void install_fault_handlers();
void remove_fault_handlers();
void install_stop_handlers();

// The seed of a clock seeding: the script's "seed" when it has one, else
// `from_clock`; a recording writes it down (runtime/automation.cpp).
uint32_t clock_seed(uint32_t from_clock);

#if defined(__EMSCRIPTEN__)
// The browser's turn (runtime/system_faults_web.cpp): until its next
// animation frame, after presenting frame `shown` (the script's count of
// that frame); for a sleep, a timer.
void browser_frame(uint64_t shown);
void browser_sleep(int milliseconds);
#endif

// Longest single wait (sleep, event wait) before a stop request is looked at.
constexpr int stop_slice_ms = 50;

}  // namespace tw::platform
