#!/bin/sh
# Installs everything tileworld needs to build, run and test, from Debian's
# packages. Run as root on Debian 12. clang and its runtime build the fuzz
# harnesses (fuzz/run.sh); the image library's installed tests, the sound
# theme and the sound icons are real files nobody here wrote, for the
# decoders' tests (tests/runtime/test_real_files.cpp names them). dpkg-dev
# and file let cpack work out the Debian package's dependencies. Xvfb and
# xdotool let the tests play the game with real key events on a virtual display.
# Tiled (its tmxrasterizer and --export-map) checks the maps tileworld-tiled
# writes.
set -e
export DEBIAN_FRONTEND=noninteractive
PACKAGES="g++ cmake make pkg-config git dpkg-dev file \
  libsdl2-dev libsdl2-ttf-dev libfontconfig-dev fonts-dejavu-core \
  libpng-dev zlib1g-dev libjpeg62-turbo-dev libtiff-dev libogg-dev libvorbis-dev \
  libgtest-dev libgmock-dev libbenchmark-dev \
  libegl-mesa0 libgl1-mesa-dri libgles2 xvfb xauth xdotool \
  clang-14 libclang-rt-14-dev \
  gdk-pixbuf-tests sound-theme-freedesktop sound-icons \
  tiled"
missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  apt-get update
  apt-get install -y --no-install-recommends $missing
fi
