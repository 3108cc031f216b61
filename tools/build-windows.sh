#!/bin/sh
# Cross-builds tileworld for 64-bit Windows on Debian 12. Run as root.
#
#   sh tools/build-windows.sh              the libraries, then the engine and the zip
#   sh tools/build-windows.sh --test       the same, then the tests under Wine
#   sh tools/build-windows.sh --deps-only  the libraries only
#
# The libraries are Debian's own source packages of the versions the Linux
# build links (SDL2, SDL2_ttf, FreeType, libpng, libjpeg-turbo, libtiff,
# libogg, libvorbis), cross-built with mingw-w64 as DLLs; zlib is Debian's
# mingw package. They are kept outside the clone, in
#   ${TILEWORLD_WINDOWS_CACHE:-/var/cache/tileworld-windows}/libs-KEY
# where KEY hashes those versions, the cross compiler's and the recipe below,
# so a second run goes straight to the engine. Such a folder is complete or
# absent: it is built under a temporary name and renamed once finished.
# It holds prefix/ (bin/ with every DLL a program needs, lib/, include/),
# licenses/ (one folder per bundled library), VERSIONS and the build logs.
#
# Freshly built (or with --deps-only), a small program using every library
# (tools/windows/smoke) is built against them and run under Wine on a virtual
# X display.
#
# The engine is built in build-windows/ (Release), and
# dist/tileworld-windows-x64.zip made: tileworld.exe, tileworld-check.exe,
# tileworld-tiled.exe, the DLLs they need, the monospace font the debug line falls back on,
# licenses/ and both sample games. --test builds the unit tests too and runs
# tools/windows/test-under-wine.sh.
#
# Environment: TILEWORLD_WINDOWS_CACHE (see above), TILEWORLD_WINDOWS_JOBS
# (parallel compile jobs, default 2), TILEWORLD_WINDOWS_BUILD (the build
# folder, default build-windows/ in the clone).
set -eu

# Bump when a library's configuration below changes: it starts a new cache.
RECIPE=2

TRIPLET=x86_64-w64-mingw32
CACHE_ROOT=${TILEWORLD_WINDOWS_CACHE:-/var/cache/tileworld-windows}
JOBS=${TILEWORLD_WINDOWS_JOBS:-2}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
TOOLCHAIN=$ROOT/tools/windows/mingw-w64-x86_64.cmake

# name:Linux -dev package, in build order (each after what it links).
LIBRARIES="ogg:libogg-dev vorbis:libvorbis-dev png:libpng-dev jpeg:libjpeg62-turbo-dev \
  tiff:libtiff-dev freetype:libfreetype-dev sdl2:libsdl2-dev sdl2_ttf:libsdl2-ttf-dev"
# Cross tools whose versions shape the DLLs, so they are part of the key.
TOOLS="g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev \
  binutils-mingw-w64-x86-64 libz-mingw-w64-dev libz-mingw-w64"
PACKAGES="$TOOLS mingw-w64-tools cmake make nasm pkg-config dpkg-dev \
  wine wine64 xvfb xauth zip unzip fonts-dejavu-core googletest \
  libsdl2-dev libsdl2-ttf-dev libfreetype-dev libpng-dev libjpeg62-turbo-dev \
  libtiff-dev libogg-dev libvorbis-dev"
# The mingw runtime every C++ program and some DLLs need beside them.
RUNTIME_DLLS="/usr/lib/gcc/$TRIPLET/12-posix/libstdc++-6.dll \
  /usr/lib/gcc/$TRIPLET/12-posix/libgcc_s_seh-1.dll /usr/$TRIPLET/lib/libwinpthread-1.dll"
FONT=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
MONO_FONT=/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf
WINE_DLLS=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows

say() { echo "build-windows: $*"; }
die() { echo "build-windows: $*" >&2; exit 1; }

usage() {
  echo "usage: sh tools/build-windows.sh [--test | --deps-only]"
  echo "Cross-builds tileworld for 64-bit Windows (Debian 12, as root) into dist/tileworld-windows-x64.zip."
  echo "  --test       then build the unit tests and run them and both sample games under Wine"
  echo "  --deps-only  build (or find cached) the Windows libraries and prove them under Wine, nothing more"
}

DEPS_ONLY=0
TEST=0
for arg in "$@"; do
  case $arg in
    --deps-only) DEPS_ONLY=1 ;;
    --test) TEST=1 ;;
    -h|--help) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
done
[ "$(id -u)" = 0 ] || die "run as root (it installs Debian packages)"
export DEBIAN_FRONTEND=noninteractive

# --- packages ---------------------------------------------------------------

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

install_packages() {
  missing=""
  for p in $PACKAGES; do
    installed "$p" || missing="$missing $p"
  done
  if [ -n "$missing" ]; then
    say "installing$missing"
    apt-get update
    apt-get install -y --no-install-recommends $missing
  fi
}

# Source lines for Debian's archive, the same URIs and suites as the host's
# binary lines, in a file of their own so the host's files stay as they are.
SRC_LIST=/etc/apt/sources.list.d/tileworld-debian-src

deb822_source_lines() {
  awk 'BEGIN { RS = ""; ORS = "\n\n" }
    {
      types = ""; uris = ""; enabled = 1; out = ""
      n = split($0, line, "\n")
      for (i = 1; i <= n; i++) {
        if (line[i] ~ /^Types:/) types = line[i]
        if (line[i] ~ /^URIs:/) uris = line[i]
        if (line[i] ~ /^Enabled:[ \t]*(no|false)/) enabled = 0
      }
      if (!enabled || types !~ /[ \t]deb([ \t]|$)/ || types ~ /deb-src/ || uris !~ /\/debian/) next
      for (i = 1; i <= n; i++) {
        if (line[i] ~ /^#/) continue
        if (line[i] ~ /^Types:/) line[i] = "Types: deb-src"
        out = out (out == "" ? "" : "\n") line[i]
      }
      print out
    }' "$@"
}

one_line_source_lines() {
  awk '$1 == "deb" && $0 ~ /\/debian/ { $1 = "deb-src"; print }' "$@"
}

add_source_lines() {
  new=$(mktemp)
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    deb822_source_lines /etc/apt/sources.list.d/debian.sources >"$new"
    file=$SRC_LIST.sources
  elif [ -f /etc/apt/sources.list ]; then
    one_line_source_lines /etc/apt/sources.list >"$new"
    file=$SRC_LIST.list
  fi
  if [ ! -s "$new" ]; then
    rm -f "$new"
    say "no Debian archive lines found to mirror; relying on the host's own deb-src lines"
    return
  fi
  if ! cmp -s "$new" "$file"; then
    mv "$new" "$file"
    chmod 644 "$file"
    say "wrote $file"
    apt-get update
  elif ! ls /var/lib/apt/lists/*_Sources* >/dev/null 2>&1; then
    rm -f "$new"
    apt-get update
  else
    rm -f "$new"
  fi
}

# --- versions and the cache key -------------------------------------------------

source_of() { dpkg-query -W -f='${source:Package} ${source:Version}' "$1"; }

manifest() {
  echo "recipe $RECIPE"
  for entry in $LIBRARIES; do
    echo "${entry%%:*} $(source_of "${entry#*:}")"
  done
  for p in $TOOLS; do
    echo "$p $(dpkg-query -W -f='${Version}' "$p")"
  done
}

upstream_of() {
  v=${1#*:}
  echo "${v%-*}"
}

# Unpacks the source package $2 of version $3 into $WORK/src/$1 and sets
# SRC to its folder and BUILT to the version unpacked. Debian's archive
# drops a version once it is superseded, and a mirror may lack the security
# archive's sources: then the nearest revision of the same upstream release
# that can be had (newest first) is built instead, and said so.
fetch_source() {
  dir=$WORK/src/$1
  mkdir -p "$dir"
  chown _apt "$dir" 2>/dev/null || true  # lets apt download without root
  log=$WORK/logs/$1.log
  BUILT=""
  for v in $3 $(apt-cache showsrc "$2" | awk '/^Version:/ { print $2 }' | sort -Vru); do
    [ "$v" = "$3" ] && [ -n "$BUILT" ] && continue
    [ "$(upstream_of "$v")" = "$(upstream_of "$3")" ] || continue
    if (cd "$dir" && apt-get source "$2=$v") >>"$log" 2>&1; then
      BUILT=$v
      break
    fi
    BUILT=none
    find "$dir" -mindepth 1 -delete
  done
  [ -n "$BUILT" ] && [ "$BUILT" != none ] ||
    die "no source of $2 $(upstream_of "$3") could be fetched (wanted $3; log: $log)"
  [ "$BUILT" = "$3" ] || say "$2 $3 could not be fetched from the archive; building $BUILT, the same upstream release"
  SRC=$(find "$dir" -mindepth 1 -maxdepth 1 -type d)
  [ -d "$SRC/debian" ] || die "unpacking $2 $BUILT gave no source folder (log: $log)"
}

# --- building -------------------------------------------------------------------

# Runs a command with its output in log $1; on failure shows the log's end.
step() {
  log=$1
  shift
  if ! "$@" >>"$log" 2>&1; then
    tail -n 40 "$log" >&2
    die "failed: $* (whole log: $log)"
  fi
}

cmake_library() {
  name=$1
  src=$2
  shift 2
  log=$WORK/logs/$name.log
  say "building $name"
  step "$log" cmake -S "$src" -B "$WORK/build/$name" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DTILEWORLD_WINDOWS_PREFIX="$STAGE/prefix" \
    -DCMAKE_INSTALL_PREFIX="$STAGE/prefix" -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_SHARED_LIBS=ON "$@"
  step "$log" cmake --build "$WORK/build/$name" -j "$JOBS"
  step "$log" cmake --install "$WORK/build/$name"
}

# Copies licence files into licenses/$1: paths relative to $2, or absolute
# (named then after their folder, as Debian's are all called copyright).
licences() {
  to=$STAGE/licenses/$1
  from=$2
  shift 2
  mkdir -p "$to"
  for f in "$@"; do
    case $f in
      /*) name=$(basename "$(dirname "$f")")-$(basename "$f") ;;
      *) name=$(echo "$f" | tr / -); f=$from/$f ;;
    esac
    [ -f "$f" ] || die "licence file $f is missing"
    cp -L "$f" "$to/$name"
  done
}

# DLLs a Windows program or DLL imports, one a line.
imports() {
  $TRIPLET-objdump -p "$1" | awk '/DLL Name:/ { print $3 }'
}

# The DLLs of folder $2 that program $1 needs, directly or through another.
dll_closure() {
  todo=$1
  seen=""
  while [ -n "$todo" ]; do
    current=${todo%% *}
    case $todo in *" "*) todo=${todo#* } ;; *) todo="" ;; esac
    for dll in $(imports "$current"); do
      [ -f "$2/$dll" ] || continue
      case " $seen " in *" $dll "*) continue ;; esac
      seen="$seen $dll"
      todo="${todo:+$todo }$2/$dll"
    done
  done
  echo $seen
}

build_libraries() {
  WORK=$(mktemp -d "${TMPDIR:-/tmp}/tileworld-windows.XXXXXX")
  chmod 755 "$WORK"
  STAGE=$CACHE_ROOT/.building-$KEY.$$
  mkdir -p "$WORK/logs" "$STAGE/prefix/bin" "$STAGE/licenses"
  trap 'rm -rf "$STAGE"; [ -z "$WORK" ] || say "work folder kept for inspection: $WORK"' EXIT
  trap 'rm -rf "$WORK"; WORK=""; exit 130' INT TERM

  add_source_lines
  built_from=""
  for entry in $LIBRARIES; do
    name=${entry%%:*}
    set -- $(source_of "${entry#*:}")
    fetch_source "$name" "$1" "$2"
    eval "SRC_$name=\$SRC"
    built_from="$built_from
$name built from $1 $BUILT"
  done

  # zlib: Debian's own mingw build.
  cp /usr/$TRIPLET/lib/zlib1.dll "$STAGE/prefix/bin/"
  licences zlib / /usr/share/doc/libz-mingw-w64/copyright

  # Their export lists name the DLL "ogg.dll" or leave the name empty, which
  # GNU ld refuses; the name must come from the file CMake makes, libogg.dll.
  sed -i '/^LIBRARY/d' "$SRC_ogg"/win32/*.def "$SRC_vorbis"/win32/*.def
  cmake_library ogg "$SRC_ogg" -DINSTALL_DOCS=OFF -DBUILD_TESTING=OFF
  licences ogg "$SRC_ogg" COPYING debian/copyright

  cmake_library vorbis "$SRC_vorbis"
  licences vorbis "$SRC_vorbis" COPYING debian/copyright

  cmake_library png "$SRC_png" -DPNG_SHARED=ON -DPNG_STATIC=OFF -DPNG_TESTS=OFF \
    -DPNG_EXECUTABLES=OFF
  licences png "$SRC_png" LICENSE debian/copyright

  # The libjpeg 6.2 interface, as Linux's libjpeg62-turbo; no TurboJPEG.
  cmake_library jpeg "$SRC_jpeg" -DENABLE_SHARED=ON -DENABLE_STATIC=OFF \
    -DWITH_TURBOJPEG=OFF -DREQUIRE_SIMD=ON
  licences jpeg "$SRC_jpeg" LICENSE.md README.ijg debian/copyright

  # Deflate and JPEG codecs and the built-in ones; no other library.
  cmake_library tiff "$SRC_tiff" -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF \
    -Dtiff-docs=OFF -Dcxx=OFF -Dzlib=ON -Djpeg=ON -Djpeg12=OFF -Dlibdeflate=OFF \
    -Djbig=OFF -Dlerc=OFF -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF -Dtiff-opengl=OFF
  licences tiff "$SRC_tiff" LICENSE.md debian/copyright

  cmake_library freetype "$SRC_freetype" -DFT_REQUIRE_ZLIB=ON -DFT_REQUIRE_PNG=ON \
    -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
  licences freetype "$SRC_freetype" LICENSE.TXT docs/FTL.TXT debian/copyright

  # SDL's own choice of Windows backends.
  cmake_library sdl2 "$SRC_sdl2" -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF
  licences sdl2 "$SRC_sdl2" LICENSE.txt debian/copyright

  cmake_library sdl2_ttf "$SRC_sdl2_ttf" -DSDL2TTF_VENDORED=OFF -DSDL2TTF_HARFBUZZ=OFF \
    -DSDL2TTF_SAMPLES=OFF
  licences sdl2_ttf "$SRC_sdl2_ttf" LICENSE.txt debian/copyright

  for dll in $RUNTIME_DLLS; do cp "$dll" "$STAGE/prefix/bin/"; done
  licences mingw-w64-runtime / /usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright \
    /usr/share/doc/mingw-w64-x86-64-dev/copyright

  # The libraries' own programs are not wanted; the DLLs ship without their
  # symbols (the C++ runtime's alone are 20 MB).
  rm -f "$STAGE"/prefix/bin/*.exe
  step "$WORK/logs/strip.log" $TRIPLET-strip --strip-unneeded "$STAGE"/prefix/bin/*.dll
  # Every DLL must find what it imports beside it or in Windows itself (as
  # Wine provides it).
  for dll in "$STAGE"/prefix/bin/*.dll; do
    for need in $(imports "$dll"); do
      [ -f "$STAGE/prefix/bin/$need" ] && continue
      [ -f "$WINE_DLLS/$(echo "$need" | tr '[:upper:]' '[:lower:]')" ] && continue
      die "$(basename "$dll") needs $need, which is neither built here nor part of Windows"
    done
  done

  # The build wrote its own folder's name into .pc files, CMake package
  # files and scripts: point them at the folder the cache will have.
  grep -rlIF "$STAGE" "$STAGE/prefix" | while read -r f; do
    sed -i "s|$STAGE|$CACHE_DIR|g" "$f"
  done
  cp -r "$WORK/logs" "$STAGE/logs"
  { manifest; echo "$built_from" | sed '/^$/d'; } >"$STAGE/VERSIONS"

  mv -T "$STAGE" "$CACHE_DIR" 2>/dev/null ||
    say "another run filled $CACHE_DIR meanwhile; keeping that one"
  rm -rf "$WORK"
  WORK=""
  trap - EXIT INT TERM
}

# --- Wine ---------------------------------------------------------------------------

export WINEDEBUG=${WINEDEBUG:--all}  # e.g. WINEDEBUG=err+module shows a missing DLL
# No Mono or Gecko installer, and no debugger popping up on a crash: the
# crashing program just ends with its exception's code.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

# A Wine prefix for this Wine version, made once under the cache root (it
# takes a while): complete or absent like the libraries.
wine_prefix() {
  WINEPREFIX=$CACHE_ROOT/wine-$(dpkg-query -W -f='${Version}' wine64 | tr -c 'A-Za-z0-9.+\n' _)
  export WINEPREFIX
  [ -d "$WINEPREFIX" ] && return
  final=$WINEPREFIX
  WINEPREFIX=$CACHE_ROOT/.wine-building.$$
  rm -rf "$WINEPREFIX"
  say "making the Wine prefix $final"
  start=$(date +%s)
  xvfb-run -a wineboot -i >/dev/null 2>&1 || { rm -rf "$WINEPREFIX"; die "wineboot failed"; }
  wineserver -w
  mv "$WINEPREFIX" "$final"
  WINEPREFIX=$final
  say "Wine prefix made in $(($(date +%s) - start)) s"
}

# --- proof: the small program under Wine ----------------------------------------

smoke_test() {
  smoke=$(mktemp -d "${TMPDIR:-/tmp}/tileworld-windows-smoke.XXXXXX")
  log=$smoke/build.log
  say "building tools/windows/smoke against $CACHE_DIR"
  step "$log" cmake -S "$ROOT/tools/windows/smoke" -B "$smoke/build" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DTILEWORLD_WINDOWS_PREFIX="$CACHE_DIR/prefix" \
    -DCMAKE_BUILD_TYPE=Release
  step "$log" cmake --build "$smoke/build" -j "$JOBS"

  # Laid out as the zip will be: the program with just the DLLs it needs.
  mkdir "$smoke/run"
  cp "$smoke/build/smoke.exe" "$FONT" "$smoke/run/"
  for dll in $(dll_closure "$smoke/run/smoke.exe" "$CACHE_DIR/prefix/bin"); do
    cp "$CACHE_DIR/prefix/bin/$dll" "$smoke/run/"
  done
  say "smoke.exe needs: $(cd "$smoke/run" && ls *.dll | tr '\n' ' ')"

  wine_prefix
  # Wine's own processes outlive the program briefly: wait for them while
  # the X display is still there.
  start=$(date +%s%N)
  if ! (cd "$smoke/run" && xvfb-run -a -s "-screen 0 640x480x24" sh -c \
      'wine smoke.exe "$1"; status=$?; wineserver -w; exit $status' sh "$(basename "$FONT")") \
      >"$smoke/run.log" 2>&1; then
    cat "$smoke/run.log" >&2
    die "smoke.exe failed under Wine (kept in $smoke)"
  fi
  ms=$((($(date +%s%N) - start) / 1000000))
  tr -d '\r' <"$smoke/run.log" | sed 's/^/  smoke.exe: /'
  grep -q '^OK' "$smoke/run.log" || die "smoke.exe did not print OK (kept in $smoke)"
  say "smoke.exe ran under Wine in $ms ms (X server start and Wine shut-down included)"
  rm -rf "$smoke"
}

# Folders left by runs that were killed outright (they end in the run's id).
remove_stale_folders() {
  for dir in "$CACHE_ROOT"/.building-* "$CACHE_ROOT"/.wine-building.*; do
    [ -d "$dir" ] || continue
    kill -0 "${dir##*.}" 2>/dev/null || rm -rf "$dir"
  done
}

# --- first half: the libraries --------------------------------------------------

started=$(date +%s)
install_packages
mkdir -p "$CACHE_ROOT"
remove_stale_folders
KEY=$(manifest | sha256sum | cut -c1-16)
CACHE_DIR=$CACHE_ROOT/libs-$KEY
if [ -d "$CACHE_DIR" ]; then
  say "libraries cached in $CACHE_DIR"
else
  say "building the libraries into $CACHE_DIR (takes a while)"
  build_libraries
  SMOKE=1
fi
[ "$DEPS_ONLY" = 0 ] && [ "${SMOKE:-0}" = 0 ] || smoke_test
say "libraries ready in $(($(date +%s) - started)) s"
[ "$DEPS_ONLY" = 0 ] || exit 0

# --- second half: the engine and the zip ------------------------------------------

BUILD=${TILEWORLD_WINDOWS_BUILD:-$ROOT/build-windows}
ZIP=$ROOT/dist/tileworld-windows-x64.zip
TARGETS="tileworld tileworld-check tileworld-tiled"
TESTS="test_core test_presentation test_assets test_world test_runtime test_checker"
[ "$TEST" = 0 ] || TARGETS="$TARGETS $TESTS"
mkdir -p "$BUILD"
log=$BUILD/build-windows.log
: >"$log"
say "building $TARGETS in $BUILD"
# Optimised as the Linux build (-O2; -O3 draws false warnings from GCC 12),
# without its debugging information.
step "$log" cmake -S "$ROOT" -B "$BUILD" -G "Unix Makefiles" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
  -DTILEWORLD_WINDOWS_PREFIX="$CACHE_DIR/prefix" -DCMAKE_BUILD_TYPE=Release \
  "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" "-DCMAKE_C_FLAGS_RELEASE=-O2 -DNDEBUG" -DTILEWORLD_BENCH=OFF
step "$log" cmake --build "$BUILD" -j "$JOBS" --target $TARGETS
# The programs in the build folder (the tests among them) find the font
# beside them, as in the zip.
cp "$MONO_FONT" "$BUILD/"
say "built in $(($(date +%s) - started)) s"

# The zip holds one folder, laid out as it runs: the programs with just the
# DLLs they need beside them.
stage=$(mktemp -d "${TMPDIR:-/tmp}/tileworld-windows-zip.XXXXXX")
trap 'rm -rf "$stage"' EXIT
top=$stage/tileworld-windows-x64
mkdir -p "$top/licenses/fonts-dejavu"
for program in tileworld tileworld-check tileworld-tiled; do
  $TRIPLET-strip -o "$top/$program.exe" "$BUILD/$program.exe"
done
for dll in $(dll_closure "$top/tileworld.exe $top/tileworld-check.exe $top/tileworld-tiled.exe" "$CACHE_DIR/prefix/bin"); do
  cp "$CACHE_DIR/prefix/bin/$dll" "$top/"
done
cp "$MONO_FONT" "$top/"
# Double-click launchers: the program reads the game in its current folder,
# and Explorer starts it in the program's own folder, which holds none.
launcher() { printf '@echo off\r\ncd /d "%%~dp0"\r\nstart "" tileworld.exe %s\r\n' "$2" > "$top/$1.bat"; }
launcher labyrinth game
launcher island game-saved
cp /usr/share/doc/fonts-dejavu-core/copyright "$top/licenses/fonts-dejavu/copyright"
cp -R "$CACHE_DIR/licenses/." "$top/licenses/"
# The sample games as the clone has them, without what runs left there.
(cd "$ROOT" && git ls-files -z game game-saved 2>/dev/null | xargs -0 -r cp --parents -t "$top")
[ -f "$top/game/DATA/ini.txt" ] || (cd "$ROOT" && cp -R game game-saved "$top/")
mkdir -p "$(dirname "$ZIP")"
rm -f "$ZIP"
(cd "$stage" && zip -qr -X "$ZIP" tileworld-windows-x64)
rm -rf "$stage"
trap - EXIT
say "wrote $ZIP ($(du -k "$ZIP" | cut -f1) kB; the programs need $(dll_closure "$BUILD/tileworld.exe $BUILD/tileworld-check.exe $BUILD/tileworld-tiled.exe" "$CACHE_DIR/prefix/bin" | wc -w) DLLs)"

if [ "$TEST" = 1 ]; then
  wine_prefix
  TILEWORLD_WINDOWS_DLLS=$CACHE_DIR/prefix/bin sh "$ROOT/tools/windows/test-under-wine.sh" "$BUILD" "$ZIP"
fi
say "done in $(($(date +%s) - started)) s"
