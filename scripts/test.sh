#!/usr/bin/env bash
# Installs what Tavrel needs, builds it with its tests and runs every test
# (under Xvfb with a window manager when there is no display).
# BUILD_DIR and further CMake options (as arguments) select another build,
# e.g. scripts/test.sh -DTAVREL_SANITIZE=ON with BUILD_DIR=build-asan.
set -euo pipefail
TAVREL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$TAVREL_ROOT/scripts/lib/deps.sh"
. "$TAVREL_ROOT/scripts/lib/xvfb.sh"

tavrel_install_packages
build="${BUILD_DIR:-$TAVREL_ROOT/build}"
tavrel_build "$build" "" "$@"
export NO_AT_BRIDGE=1
tavrel_ensure_display
# The tests get a display here: one that finds none fails instead of skipping.
export TAVREL_REQUIRE_DISPLAY=1
cd "$build"
ctest --output-on-failure -j2 ${CTEST_ARGS:--LE stress}
