#!/usr/bin/env bash
# Installs what is missing, builds everything, and runs the whole test suite once: a test
# that fails now and then is a fault to find, never one to run again.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --tests
scripts/build.sh -DPOMVIK_TESTS=ON
status=0
ctest --test-dir build --output-on-failure -j"$(nproc)" -LE listening || status=$?
# The tests that listen to playback through a real sound server print what they measured
# (dropouts, the machine's stalls and which dropout each excuses, timing): shown either way.
ctest --test-dir build --output-on-failure -L listening --verbose || status=$?
exit "$status"
