// platform: what the pieces of the runtime share among themselves besides
// its three faces (media_runtime.h, testing.h, inspection.h). Only files in
// runtime/ include this header.
#pragma once

#include <cstddef>
#include <cstdint>
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
