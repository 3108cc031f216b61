// Placeholder: replaced by the real implementation.
#include <cstdlib>
#include "runtime/media_runtime.h"

namespace tw {

void runtime_startup() {}
void runtime_shutdown() {}
[[noreturn]] void runtime_exit(int /*code*/) { std::abort(); }
void set_error_handler(fault_procedure /*p*/) {}
bool run_guarded(void (*step)()) { return {}; }
text error_message() { return {}; }
int error_line() { return {}; }
text error_file() { return {}; }
int create_mutex() { return {}; }
int message_box(const text& /*title*/, const text& /*body*/, int /*flags*/) { return {}; }
bool display_available() { return {}; }
int open_file_read(int /*number*/, const text& /*path*/) { return {}; }
int open_file(int /*number*/, const text& /*path*/) { return {}; }
int create_file(int /*number*/, const text& /*path*/) { return {}; }
text read_line(int /*number*/) { return {}; }
void write_line(int /*number*/, const text& /*t*/) {}
bool end_of_file(int /*number*/) { return {}; }
void close_file(int /*number*/) {}
text current_directory() { return {}; }
int examine_directory(int /*number*/, const text& /*folder*/, const text& /*pattern*/) { return {}; }
bool next_directory_entry(int /*number*/) { return {}; }
text directory_entry_name(int /*number*/) { return {}; }
int directory_entry_type(int /*number*/) { return {}; }
void finish_directory(int /*number*/) {}
bool file_exists(const text& /*path*/) { return {}; }
int64_t current_date() { return {}; }
text format_date(const text& /*mask*/, int64_t /*seconds*/) { return {}; }
bool write_text_file(const text& /*path*/, const text& /*contents*/) { return {}; }

}  // namespace tw
