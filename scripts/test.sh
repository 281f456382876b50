#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
# A test that listens to playback through a real sound server gets a second run: on a shared
# or virtual machine one run in a few is spoilt by stalls of the machine itself.
ctest --test-dir build --output-on-failure -j"$(nproc)" --repeat until-pass:2
