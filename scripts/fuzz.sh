#!/usr/bin/env bash
# Builds a fuzz target with clang in its own build folder, writes its seed
# corpus and fuzzes it for a fixed time (default 60 s). Exits non-zero when
# the fuzzer finds a crash, a sanitizer report, a leak or a hang; the input
# that caused it is left in the build folder.
#
# Targets: "images" (the picture decoders), "formation" (the formation file
# readers) and "xml" (the level file, catalog and "players.xml" readers).
#
# Usage: scripts/fuzz.sh <target> [seconds]
# Environment: FUZZ_BUILD_DIR (default <repo>/build-fuzz).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
name=${1:?usage: scripts/fuzz.sh images|formation|xml [seconds]}
seconds=${2:-60}
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}

mkdir -p "$build"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja \
  -DTAVREL_FUZZ=ON -DTAVREL_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$build/configure.log" 2>&1 || {
  cat "$build/configure.log"
  exit 1
}
ninja -C "$build" -j2 "fuzz_$name" "make_${name}_seeds"

seeds=$build/fuzz/$name-seeds
corpus=$build/fuzz/$name-corpus
artifacts=$build/fuzz/$name-findings/
mkdir -p "$seeds" "$corpus" "$artifacts"
"$build/tests/fuzz/make_${name}_seeds" "$seeds"

# Every seed must run cleanly before fuzzing starts.
"$build/tests/fuzz/fuzz_$name" -runs=0 "$seeds"

"$build/tests/fuzz/fuzz_$name" \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
  -print_final_stats=1 -artifact_prefix="$artifacts" "$corpus" "$seeds"
echo "fuzz $name: no findings in $seconds seconds"
