#!/bin/sh
# Builds tileworld with AddressSanitizer and UndefinedBehaviorSanitizer in a
# build folder of its own (build-sanitize unless TILEWORLD_SANITIZE_BUILD names
# another; no benchmarks) and runs the whole test suite there, headless.
set -e
cd "$(dirname "$0")/.."
build=${TILEWORLD_SANITIZE_BUILD:-build-sanitize}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTILEWORLD_SANITIZE=ON -DTILEWORLD_BENCH=OFF
cmake --build "$build" -j"$(nproc)"

export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
# The runtime survives processor faults with a signal handler of its own, and
# the tests provoke real invalid memory accesses on purpose (fault recovery,
# the automation script's "fault"). allow_user_segv_handler lets the runtime's
# handler take over from AddressSanitizer's once it is installed, so those
# faults are recovered exactly as in a normal build; a fault anywhere else
# still gets AddressSanitizer's report. handle_segv=0 would do as well but
# would lose that report for unexpected faults.
export ASAN_OPTIONS="allow_user_segv_handler=1:detect_leaks=1:detect_stack_use_after_return=0:strict_string_checks=1:check_initialization_order=1:verify_asan_link_order=0"
# Leaks inside the graphics driver and the system libraries behind SDL are not
# ours to fix; everything else is reported. The driver is unloaded when SDL
# shuts down, before the leak check at exit, which then cannot say whose
# memory it was: loading the driver up front keeps it mapped, so that its
# leaks match the suppressions (verify_asan_link_order=0 above allows that).
export LSAN_OPTIONS="suppressions=$(pwd)/tools/sanitizers/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
libs="/usr/lib/$(gcc -print-multiarch)"
preload=""
for lib in "$libs/libEGL_mesa.so.0" "$libs/dri/swrast_dri.so"; do
  [ -f "$lib" ] && preload="$preload $lib"
done
LD_PRELOAD="$preload" ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 900
