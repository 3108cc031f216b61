// system_faults: runtime start-up and shutdown, and what every platform's
// fault catching shares. How faults are caught and stop requests arrive is in
// system_faults_posix.cpp and system_faults_windows.cpp.
#include <cstdio>
#include <cstdlib>

#include "runtime/media_runtime.h"
#include "runtime/platform.h"
#include "runtime/testing.h"

// A build with AddressSanitizer checks for leaks when the process ends; the
// program ends with _Exit, which skips that check, so it is run by hand.
#if defined(__SANITIZE_ADDRESS__)
#define TILEWORLD_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TILEWORLD_LEAK_CHECK 1
#endif
#endif
#if defined(TILEWORLD_LEAK_CHECK)
#include <sanitizer/lsan_interface.h>
#endif

namespace tw {

// ===========================================================================
// Lifetime
// ===========================================================================

void runtime_startup() {
    platform::install_fault_handlers();
    platform::install_stop_handlers();
    automation_startup();
}

void runtime_exit(int code) {
    code = finish_automation(code);
    // Released in end_program's order.
    video_shutdown();
    sound_shutdown();
    platform::remove_fault_handlers();
    platform::close_all_files();
#if defined(TILEWORLD_LEAK_CHECK)
    __lsan_do_leak_check();
#endif
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(code);
}

// ===========================================================================
// Faults
// ===========================================================================

int error_line() { return -1; }

text error_file() { return "Line numbering is disabled"; }

// The access through a null pointer is the point here: in a sanitized build
// the null check would stop the program before the fault happens, so that
// check alone is off for this function.
__attribute__((no_sanitize("null"))) void provoke_fault() {
#if defined(__EMSCRIPTEN__)
    // Address 0 is ordinary memory in WebAssembly: only a trap is a fault.
    __builtin_trap();
#endif
    volatile int* volatile target = nullptr;
    *target = 1;
}

}  // namespace tw
