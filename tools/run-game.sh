#!/bin/sh
# Builds tileworld and starts the bundled sample game.
set -e
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
cd game
exec ../build/tileworld
