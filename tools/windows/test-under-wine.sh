#!/bin/sh
# Tests the Windows build under Wine on a virtual X display:
#
#   sh tools/windows/test-under-wine.sh BUILD_FOLDER ZIP
#
# - each unit test program BUILD_FOLDER/test_*.exe (those need no display;
#   the DLLs come from TILEWORLD_WINDOWS_DLLS through WINEPATH);
# - from the unpacked ZIP (so that it is complete): tileworld-check.exe on
#   both sample games, and tileworld.exe playing each of them by a script
#   under Wine's own display driver, its dump at frame 60 equal line for
#   line to the Linux build's (build/tileworld, built when missing) at the
#   same display size.
#
# tools/build-windows.sh --test runs it with WINEPREFIX, WINEDEBUG and
# WINEDLLOVERRIDES set. Exit code 0 when everything passed.
set -eu

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$(cd "$1" && pwd)
ZIP=$2
DISPLAY_SIZE=1280x720
TEST_TIMEOUT=${TILEWORLD_WINE_TEST_TIMEOUT:-1200}

say() { echo "test-under-wine: $*"; }

# One virtual display and one Wine server for all of it.
if [ -z "${TILEWORLD_UNDER_XVFB:-}" ]; then
  TILEWORLD_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 ${DISPLAY_SIZE}x24" sh "$0" "$@"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/tileworld-wine-test.XXXXXX")
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
failures=0
fail() {
  echo "test-under-wine: FAILED: $*" >&2
  failures=$((failures + 1))
}
# Wine writes Windows line ends; the comparisons want Linux ones.
unix_text() { tr -d '\r' <"$1"; }

# --- unit tests -----------------------------------------------------------------
# A test program passes when it exits with 0 and GoogleTest says so: both,
# since an exit code can be lost on the way out of Wine. They run headless,
# as on Linux.
#
# Left out: reading back the frame a flip presented. Under Wine, whichever
# hardware renderer SDL takes (OpenGL, Direct3D 9 or 11, all over Mesa on
# the virtual display) gives that buffer back black, while the buffer being
# drawn reads back right; the software renderer keeps it, but blends and
# rotates differently from the others, which other tests catch.
# A new test that reads the presented frame (read_screen_pixels(1, ...))
# joins this list.
LEFT_OUT=Screen.FlipAlternatesTwoBuffersThatKeepTheirContents:Automation.ScreenshotIsThePresentedFrame
LEFT_OUT=$LEFT_OUT:ProgressBar.ShowsTheLastTickAtEachPresentationAndAtTheEnd

WINEPATH=$(winepath -w "$TILEWORLD_WINDOWS_DLLS")
export WINEPATH SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
for exe in "$BUILD"/test_*.exe; do
  name=$(basename "$exe" .exe)
  start=$(date +%s)
  status=0
  (cd "$work" && timeout "$TEST_TIMEOUT" wine "$exe" --gtest_brief=1 "--gtest_filter=-$LEFT_OUT") >"$work/$name.log" 2>&1 || status=$?
  unix_text "$work/$name.log" >"$work/$name.txt"
  passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$work/$name.txt")
  if [ "$status" = 0 ] && [ -n "$passed" ] && ! grep -q '^\[  FAILED  \]' "$work/$name.txt"; then
    say "$name: $passed tests passed in $(($(date +%s) - start)) s"
  else
    tail -n 60 "$work/$name.txt" >&2
    fail "$name (exit code $status)"
  fi
done
unset WINEPATH SDL_VIDEODRIVER SDL_AUDIODRIVER

# --- the zip: the checker and the sample games ------------------------------------

unzip -q "$ZIP" -d "$work/zip"
dist=$(find "$work/zip" -mindepth 1 -maxdepth 1 -type d)

linux=$ROOT/build/tileworld
if [ ! -x "$linux" ]; then
  say "building the Linux program to compare with"
  cmake -S "$ROOT" -B "$ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$work/linux-build.log" 2>&1 &&
    cmake --build "$ROOT/build" -j2 --target tileworld >>"$work/linux-build.log" 2>&1 ||
    { tail -n 40 "$work/linux-build.log" >&2; fail "building the Linux program"; }
fi

for game in game game-saved; do
  status=0
  (cd "$dist" && wine tileworld-check.exe --quiet "$game") >"$work/check-$game.log" 2>&1 || status=$?
  if [ "$status" = 0 ]; then
    say "tileworld-check.exe $game: no errors"
  else
    unix_text "$work/check-$game.log" >&2
    fail "tileworld-check.exe $game (exit code $status)"
  fi

  # The same script for both builds; only the dump's name differs.
  for side in linux windows; do
    if [ "$side" = linux ]; then dump=$work/$game-linux.txt; else dump=$(winepath -w "$work/$game-windows.txt"); fi
    printf 'display %s\nat 60 dump %s\nat 61 quit\n' "$DISPLAY_SIZE" "$dump" >"$work/$game-$side.script"
  done
  status=0
  # Dumps go to the work folder, named as the folder for outputs (a script
  # writes only inside it).
  SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy TILEWORLD_SCRIPT=$work/$game-linux.script \
    TILEWORLD_OUTPUT_FOLDER=$work \
    timeout 300 "$linux" "$dist/$game" >"$work/$game-linux.log" 2>&1 || status=$?
  [ "$status" = 0 ] || { cat "$work/$game-linux.log" >&2; fail "the Linux build playing $game (exit code $status)"; }
  # Wine's own display driver on the virtual display, no sound card.
  status=0
  (cd "$dist" && env -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy \
    TILEWORLD_SCRIPT="$(winepath -w "$work/$game-windows.script")" \
    TILEWORLD_OUTPUT_FOLDER="$(winepath -w "$work")" \
    timeout 300 wine tileworld.exe "$game") >"$work/$game-windows.log" 2>&1 || status=$?
  if [ "$status" != 0 ]; then
    unix_text "$work/$game-windows.log" >&2
    fail "tileworld.exe playing $game (exit code $status)"
  elif [ ! -s "$work/$game-windows.txt" ] || [ ! -s "$work/$game-linux.txt" ]; then
    fail "$game: no dump at frame 60"
  elif unix_text "$work/$game-windows.txt" | diff "$work/$game-linux.txt" - >"$work/$game.diff"; then
    say "tileworld.exe $game: the dump at frame 60 equals the Linux build's ($(wc -l <"$work/$game-linux.txt") lines)"
  else
    head -n 20 "$work/$game.diff" >&2
    fail "$game: the dumps at frame 60 differ"
  fi
done

wineserver -w
if [ "$failures" != 0 ]; then
  say "$failures failed"
  exit 1
fi
say "all passed"
