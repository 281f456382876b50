#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program from the build folder, where
# its sample set lives. Without a display it starts under a virtual one.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
cd build
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec ./PomvikSequencer
else
  exec xvfb-run -a -s "-screen 0 1024x768x24" ./PomvikSequencer
fi
