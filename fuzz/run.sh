#!/bin/sh
# Builds the fuzz harnesses (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for the given number of seconds,
# starting from the seed corpus in fuzz/corpus/<harness>/.
#
#   sh fuzz/run.sh SECONDS [HARNESS ...]     e.g. sh fuzz/run.sh 600 fuzz_png
#
# New inputs that the fuzzer finds go to <build>/fuzz/corpus/<harness>/, never
# into the repository; crashes, leaks, time-outs and out-of-memory inputs go to
# <build>/fuzz/findings/. Each run's log is <build>/fuzz/logs/<harness>.log.
# The build folder is build-fuzz unless TILEWORLD_FUZZ_BUILD names another.
# Ends with a non-zero code when a harness found something or stopped early.
set -e
cd "$(dirname "$0")/.."
seconds=${1:?usage: sh fuzz/run.sh SECONDS [HARNESS ...]}
shift
build=${TILEWORLD_FUZZ_BUILD:-build-fuzz}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link \
  -DTILEWORLD_FUZZ=ON -DTILEWORLD_SANITIZE=ON -DTILEWORLD_BENCH=OFF >/dev/null
if [ $# -eq 0 ]; then
  cmake --build "$build" -j"$(nproc)" --target fuzz_harnesses
  set -- $(cd fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//')
else
  cmake --build "$build" -j"$(nproc)" --target "$@"
fi

out="$build/fuzz"
mkdir -p "$out/logs" "$out/findings"
# Leaks in the decoders' libraries would be real findings too, so leak
# detection stays on; the engine keeps its state in globals, which are not leaks.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
status=0
for h in "$@"; do
  seeds="fuzz/corpus/$h"
  work="$out/corpus/$h"
  mkdir -p "$work"
  [ -d "$seeds" ] || seeds=""
  log="$out/logs/$h.log"
  rm -f "$out/findings/$h"-*
  # -timeout: one input taking longer than this is a hang; -rss_limit_mb: one
  # input may not make the engine hold more memory (nor allocate more at once).
  if "$out/$h" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -print_final_stats=1 -artifact_prefix="$out/findings/$h-" "$work" $seeds >"$log" 2>&1; then
    result="clean"
  else
    result="FOUND"
    status=1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  if [ "$result" = clean ] && ! grep -q '^Done [0-9]* runs' "$log"; then
    result="STOPPED EARLY"
    status=1
  fi
  found=$(ls "$out/findings" 2>/dev/null | grep -c "^$h-" || true)
  printf '%-20s %-14s %12s executions  %s findings  (%s)\n' "$h" "$result" "${runs:-0}" "$found" "$log"
done
exit $status
