#!/usr/bin/env bash
# Installs what is missing, builds the program and its sample set (nothing of the tests, so a
# first start waits for no more than it needs), and starts it from the build folder, where
# the sample set lives. Without a display it starts under a virtual one.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# A build folder made here leaves the tests out; one that has them keeps them.
[ -f build/CMakeCache.txt ] || cmake -S . -B build -G Ninja -DPOMVIK_TESTS=OFF
cmake --build build -j"$(nproc)" --target PomvikSequencer waves
cd build
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec ./PomvikSequencer
else
  exec xvfb-run -a -s "-screen 0 1024x768x24" ./PomvikSequencer
fi
