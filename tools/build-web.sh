#!/bin/sh
# Builds tileworld for web browsers (WebAssembly) on Debian 12. Run as root.
#
#   sh tools/build-web.sh               the libraries, then the engine and the page
#   sh tools/build-web.sh GAME_FOLDER   the same, the page playing that game
#   sh tools/build-web.sh --test        the same, then the tests in headless Chromium
#   sh tools/build-web.sh --deps-only   the libraries only
#
# The libraries are Debian's own source packages of the versions the Linux
# build links (zlib, libogg, libvorbis, libpng, libjpeg-turbo, libtiff,
# FreeType, SDL2, SDL2_ttf), built as static WebAssembly libraries with
# Debian's emscripten. They are kept outside the clone, in
#   ${TILEWORLD_WEB_CACHE:-/var/cache/tileworld-web}/libs-KEY
# where KEY hashes those versions, emscripten's and the recipe below, so a
# second run goes straight to the engine. Such a folder is complete or
# absent: it is built under a temporary name and renamed once finished.
# It holds prefix/ (lib/, include/), licenses/, VERSIONS and the build logs.
#
# The engine is built in build-web/ (Release, -sASYNCIFY: the game's own
# loop runs unchanged and gives the browser its turn at every frame), and
# dist/tileworld-web.zip made: one folder with index.html, tileworld.js,
# tileworld.wasm, the games packed beside them (one .data file each) and
# licenses/. Any static web server can serve it.
#
# --test builds the Linux program too (build-web/linux, unless
# TILEWORLD_WEB_LINUX_BUILD names a build folder holding one), installs
# puppeteer-core from npm into the cache (once) and runs
# tools/web/test-in-chromium.mjs against the page served on 127.0.0.1.
#
# Environment: TILEWORLD_WEB_CACHE (see above), TILEWORLD_WEB_JOBS (parallel
# compile jobs, default 2), TILEWORLD_WEB_BUILD (the build folder, default
# build-web/ in the clone).
set -eu

# Bump when a library's configuration below changes: it starts a new cache.
RECIPE=1

CACHE_ROOT=${TILEWORLD_WEB_CACHE:-/var/cache/tileworld-web}
JOBS=${TILEWORLD_WEB_JOBS:-2}
ROOT=$(cd "$(dirname "$0")/.." && pwd)

# name:Linux -dev package, in build order (each after what it links).
LIBRARIES="zlib:zlib1g-dev ogg:libogg-dev vorbis:libvorbis-dev png:libpng-dev \
  jpeg:libjpeg62-turbo-dev tiff:libtiff-dev freetype:libfreetype-dev sdl2:libsdl2-dev \
  sdl2_ttf:libsdl2-ttf-dev"
# Tools whose versions shape the libraries, so they are part of the key.
TOOLS="emscripten"
PACKAGES="$TOOLS nodejs cmake make pkg-config dpkg-dev zip unzip gzip python3 \
  fonts-dejavu-core zlib1g-dev libsdl2-dev libsdl2-ttf-dev libfreetype-dev libpng-dev \
  libjpeg62-turbo-dev libtiff-dev libogg-dev libvorbis-dev"
TEST_PACKAGES="chromium"
MONO_FONT=/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf
# puppeteer-core drives the browser in --test; no browser of its own.
PUPPETEER_VERSION=24.43.1

say() { echo "build-web: $*"; }
die() { echo "build-web: $*" >&2; exit 1; }

usage() {
  echo "usage: sh tools/build-web.sh [--test | --deps-only] [GAME_FOLDER]"
  echo "Builds tileworld for web browsers (Debian 12, as root) into dist/tileworld-web.zip."
  echo "  GAME_FOLDER  the game the page plays (default: both sample games, game/ first)"
  echo "  --test       then compare the page in headless Chromium with the Linux program"
  echo "  --deps-only  build (or find cached) the WebAssembly libraries, nothing more"
}

DEPS_ONLY=0
TEST=0
GAME=""
for arg in "$@"; do
  case $arg in
    --deps-only) DEPS_ONLY=1 ;;
    --test) TEST=1 ;;
    -h|--help) usage; exit 0 ;;
    -*) usage >&2; exit 2 ;;
    *)
      [ -z "$GAME" ] || { usage >&2; exit 2; }
      [ -f "$arg/DATA/ini.txt" ] || die "$arg holds no DATA/ini.txt: not a game folder"
      GAME=$(cd "$arg" && pwd) ;;
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
  for p in "$@"; do
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
# (The same file tools/build-windows.sh writes.)
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

# --- emscripten ---------------------------------------------------------------------

# emcc's JavaScript optimiser needs Debian's node modules (acorn), and
# Node 20's own fetch() confuses the code emscripten makes for running
# programs under node (configure checks run that way): leave it out.
export NODE_PATH=/usr/share/nodejs
export EM_NODE_JS=/usr/bin/node
EMULATOR="/usr/bin/node;--no-experimental-fetch"
export NODE_OPTIONS=""

# Runs a command with its output in log $1; on failure shows the log's end.
step() {
  log=$1
  shift
  if ! "$@" >>"$log" 2>&1; then
    tail -n 40 "$log" >&2
    die "failed: $* (whole log: $log)"
  fi
}

# Only the WebAssembly prefix is searched, never the Linux system.
web_environment() {
  export PKG_CONFIG_PATH=""
  export PKG_CONFIG_SYSROOT_DIR=""
  export PKG_CONFIG_LIBDIR="$1/lib/pkgconfig:$1/share/pkgconfig"
}

cmake_library() {
  name=$1
  src=$2
  shift 2
  log=$WORK/logs/$name.log
  say "building $name"
  step "$log" emcmake cmake -S "$src" -B "$WORK/build/$name" -G "Unix Makefiles" \
    -DCMAKE_INSTALL_PREFIX="$STAGE/prefix" -DCMAKE_FIND_ROOT_PATH="$STAGE/prefix" \
    -DCMAKE_PREFIX_PATH="$STAGE/prefix" -DCMAKE_BUILD_TYPE=Release \
    "-DCMAKE_CROSSCOMPILING_EMULATOR=$EMULATOR" -DBUILD_SHARED_LIBS=OFF "$@"
  step "$log" cmake --build "$WORK/build/$name" -j "$JOBS"
  step "$log" cmake --install "$WORK/build/$name"
}

# Copies licence files into licenses/$1: paths relative to $2.
licences() {
  to=$STAGE/licenses/$1
  from=$2
  shift 2
  mkdir -p "$to"
  for f in "$@"; do
    [ -f "$from/$f" ] || die "licence file $from/$f is missing"
    cp -L "$from/$f" "$to/$(echo "$f" | tr / -)"
  done
}

# SDL2_ttf's CMake build installs no SDL2_ttf.pc, which the engine's build
# looks for; the static library needs FreeType named beside it.
ttf_pc() {
  version=$(upstream_of "$(source_of libsdl2-ttf-dev | cut -d' ' -f2)" | sed 's/+.*//')
  cat >"$STAGE/prefix/lib/pkgconfig/SDL2_ttf.pc" <<PC
prefix=$STAGE/prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: SDL2_ttf
Description: TrueType font rendering for SDL2
Version: $version
Requires: sdl2 freetype2
Libs: -L\${libdir} -lSDL2_ttf
Cflags: -I\${includedir}/SDL2
PC
}

build_libraries() {
  WORK=$(mktemp -d "${TMPDIR:-/tmp}/tileworld-web.XXXXXX")
  chmod 755 "$WORK"
  STAGE=$CACHE_ROOT/.building-$KEY.$$
  mkdir -p "$WORK/logs" "$STAGE/prefix/lib" "$STAGE/prefix/include" "$STAGE/licenses"
  trap 'rm -rf "$STAGE"; [ -z "$WORK" ] || say "work folder kept for inspection: $WORK"' EXIT
  trap 'rm -rf "$WORK"; WORK=""; exit 130' INT TERM
  web_environment "$STAGE/prefix"

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

  # zlib through its own configure script: Debian's tarball lacks a file its
  # CMake build wants (win32/zlib1.rc).
  say "building zlib"
  log=$WORK/logs/zlib.log
  (cd "$SRC_zlib" && step "$log" emconfigure ./configure --static --prefix="$STAGE/prefix" &&
    step "$log" emmake make -j "$JOBS" libz.a && step "$log" emmake make install)
  licences zlib "$SRC_zlib" debian/copyright

  cmake_library ogg "$SRC_ogg" -DINSTALL_DOCS=OFF -DBUILD_TESTING=OFF
  licences ogg "$SRC_ogg" COPYING debian/copyright

  cmake_library vorbis "$SRC_vorbis"
  licences vorbis "$SRC_vorbis" COPYING debian/copyright

  cmake_library png "$SRC_png" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
    -DPNG_EXECUTABLES=OFF -DPNG_HARDWARE_OPTIMIZATIONS=OFF
  licences png "$SRC_png" LICENSE debian/copyright

  # The libjpeg 6.2 interface, as Linux's libjpeg62-turbo; no TurboJPEG, no
  # SIMD (none for WebAssembly). Its install rules want an absolute folder.
  cmake_library jpeg "$SRC_jpeg" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
    -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF -DCMAKE_INSTALL_LIBDIR="$STAGE/prefix/lib"
  licences jpeg "$SRC_jpeg" LICENSE.md README.ijg debian/copyright

  # Deflate and JPEG codecs and the built-in ones; no other library.
  cmake_library tiff "$SRC_tiff" -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF \
    -Dtiff-docs=OFF -Dcxx=OFF -Dzlib=ON -Djpeg=ON -Djpeg12=OFF -Dlibdeflate=OFF \
    -Djbig=OFF -Dlerc=OFF -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF -Dtiff-opengl=OFF
  licences tiff "$SRC_tiff" LICENSE.md debian/copyright

  cmake_library freetype "$SRC_freetype" -DFT_REQUIRE_ZLIB=ON -DFT_REQUIRE_PNG=ON \
    -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
  licences freetype "$SRC_freetype" LICENSE.TXT docs/FTL.TXT debian/copyright

  # SDL's own choice of browser backends (WebGL, Web Audio, the Gamepad API).
  cmake_library sdl2 "$SRC_sdl2" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF
  licences sdl2 "$SRC_sdl2" LICENSE.txt debian/copyright

  cmake_library sdl2_ttf "$SRC_sdl2_ttf" -DSDL2TTF_VENDORED=OFF -DSDL2TTF_HARFBUZZ=OFF \
    -DSDL2TTF_SAMPLES=OFF
  licences sdl2_ttf "$SRC_sdl2_ttf" LICENSE.txt debian/copyright
  ttf_pc

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

# Folders left by runs that were killed outright (they end in the run's id).
remove_stale_folders() {
  for dir in "$CACHE_ROOT"/.building-*; do
    [ -d "$dir" ] || continue
    kill -0 "${dir##*.}" 2>/dev/null || rm -rf "$dir"
  done
}

# --- first half: the libraries --------------------------------------------------

started=$(date +%s)
install_packages $PACKAGES
if [ "$TEST" = 1 ]; then
  install_packages $TEST_PACKAGES
  # npm comes with Node.js from other sources than Debian's.
  command -v npm >/dev/null || install_packages npm
fi
mkdir -p "$CACHE_ROOT"
remove_stale_folders
KEY=$(manifest | sha256sum | cut -c1-16)
CACHE_DIR=$CACHE_ROOT/libs-$KEY
if [ -d "$CACHE_DIR" ]; then
  say "libraries cached in $CACHE_DIR"
else
  say "building the libraries into $CACHE_DIR (takes a while)"
  build_libraries
fi
say "libraries ready in $(($(date +%s) - started)) s"
[ "$DEPS_ONLY" = 0 ] || exit 0

# --- second half: the engine and the page -------------------------------------------

BUILD=${TILEWORLD_WEB_BUILD:-$ROOT/build-web}
ZIP=$ROOT/dist/tileworld-web.zip
mkdir -p "$BUILD"
log=$BUILD/build-web.log
: >"$log"
web_environment "$CACHE_DIR/prefix"
say "building tileworld for the browser in $BUILD"
# Optimised as the other builds (-O2), without debugging information.
step "$log" emcmake cmake -S "$ROOT" -B "$BUILD" -G "Unix Makefiles" \
  -DCMAKE_FIND_ROOT_PATH="$CACHE_DIR/prefix" -DCMAKE_PREFIX_PATH="$CACHE_DIR/prefix" \
  -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
  "-DCMAKE_C_FLAGS_RELEASE=-O2 -DNDEBUG" "-DCMAKE_CROSSCOMPILING_EMULATOR=$EMULATOR" \
  -DTILEWORLD_WEB_FONT="$MONO_FONT" -DTILEWORLD_BENCH=OFF
step "$log" cmake --build "$BUILD" -j "$JOBS" --target tileworld
say "built in $(($(date +%s) - started)) s"

# A game's folder name as the page uses it (in the address and in the file
# system): letters, digits, '.', '_' and '-'.
page_name() {
  n=$(basename "$1" | tr -c 'A-Za-z0-9._\n-' _)
  [ -n "$n" ] && [ "$n" != . ] && [ "$n" != .. ] || n=game
  echo "$n"
}

# Packs game folder $1 as $2.data (and $2.data.js, which the page loads
# before the program) into folder $3; the files appear under /$2.
pack_game() {
  step "$log" python3 /usr/share/emscripten/tools/file_packager.py "$3/$2.data" \
    --preload "$1@/$2" --js-output="$3/$2.data.js"
}

# The page: one folder, as any static web server serves it.
stage=$(mktemp -d "${TMPDIR:-/tmp}/tileworld-web-zip.XXXXXX")
trap 'rm -rf "$stage"' EXIT
top=$stage/tileworld-web
mkdir -p "$top/licenses/fonts-dejavu"
cp "$ROOT/tools/web/index.html" "$ROOT/tools/web/tileworld-page.js" "$top/"
cp "$BUILD/tileworld.js" "$BUILD/tileworld.wasm" "$BUILD/tileworld.data" "$top/"
cp /usr/share/doc/fonts-dejavu-core/copyright "$top/licenses/fonts-dejavu/copyright"
cp -R "$CACHE_DIR/licenses/." "$top/licenses/"
games_js=$top/games.js
echo "// The games this page offers, the first one unless the address names one." >"$games_js"
echo "var TILEWORLD_GAMES = [" >>"$games_js"
if [ -n "$GAME" ]; then
  name=$(page_name "$GAME")
  pack_game "$GAME" "$name" "$top"
  echo "  { name: '$name', title: '$name' }," >>"$games_js"
else
  # The sample games as the clone has them, without what runs left there.
  samples=$stage/samples
  mkdir -p "$samples"
  (cd "$ROOT" && git ls-files -z game game-saved 2>/dev/null | xargs -0 -r cp --parents -t "$samples")
  [ -f "$samples/game/DATA/ini.txt" ] || (cd "$ROOT" && cp -R game game-saved "$samples/")
  pack_game "$samples/game" game "$top"
  pack_game "$samples/game-saved" game-saved "$top"
  echo "  { name: 'game', title: 'the labyrinth' }," >>"$games_js"
  echo "  { name: 'game-saved', title: 'the island' }," >>"$games_js"
fi
echo "];" >>"$games_js"
mkdir -p "$(dirname "$ZIP")"
rm -f "$ZIP"
(cd "$stage" && zip -qr -X "$ZIP" tileworld-web)
# What a visitor downloads: the page's files, compressed as a web server
# sends them.
gz=0
for f in "$top"/*; do
  [ -f "$f" ] && gz=$((gz + $(gzip -9c "$f" | wc -c)))
done
rm -rf "$stage"
trap - EXIT
say "wrote $ZIP ($(du -k "$ZIP" | cut -f1) kB; a visitor downloads $((gz / 1024)) kB gzip-compressed, every game included)"

if [ "$TEST" = 1 ]; then
  # The Linux program of the same sources, to compare with.
  if [ -n "${TILEWORLD_WEB_LINUX_BUILD:-}" ]; then
    LINUX_BUILD=$TILEWORLD_WEB_LINUX_BUILD
  elif [ -f "$ROOT/build/CMakeCache.txt" ]; then
    LINUX_BUILD=$ROOT/build
  else
    LINUX_BUILD=$BUILD/linux
  fi
  say "building the Linux program in $LINUX_BUILD to compare with"
  if [ ! -f "$LINUX_BUILD/CMakeCache.txt" ]; then
    launcher=""
    command -v ccache >/dev/null && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
    (unset PKG_CONFIG_LIBDIR; step "$log" cmake -S "$ROOT" -B "$LINUX_BUILD" \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTILEWORLD_BENCH=OFF $launcher)
  fi
  (unset PKG_CONFIG_LIBDIR; step "$log" cmake --build "$LINUX_BUILD" -j "$JOBS" --target tileworld)

  # puppeteer-core from npm, once, beside the libraries.
  PUPPETEER=$CACHE_ROOT/npm-puppeteer-core-$PUPPETEER_VERSION
  if [ ! -d "$PUPPETEER/node_modules/puppeteer-core" ]; then
    say "installing puppeteer-core $PUPPETEER_VERSION from npm into $PUPPETEER"
    rm -rf "$PUPPETEER.part"
    mkdir -p "$PUPPETEER.part"
    step "$log" env PUPPETEER_SKIP_DOWNLOAD=1 npm install --prefix "$PUPPETEER.part" --no-audit \
      --no-fund --omit=dev "puppeteer-core@$PUPPETEER_VERSION"
    mv -T "$PUPPETEER.part" "$PUPPETEER"
  fi
  run=$(mktemp -d "${TMPDIR:-/tmp}/tileworld-web-test.XXXXXX")
  trap 'rm -rf "$run"' EXIT
  unzip -q "$ZIP" -d "$run"
  say "testing the page in headless Chromium"
  node "$ROOT/tools/web/test-in-chromium.cjs" --page "$run/tileworld-web" \
    --linux "$LINUX_BUILD/tileworld" --games "$ROOT" --work "$run" \
    --puppeteer "$PUPPETEER/node_modules/puppeteer-core" ||
    { trap - EXIT; die "the page failed its tests (files kept in $run)"; }
  rm -rf "$run"
  trap - EXIT
fi
say "done in $(($(date +%s) - started)) s"
