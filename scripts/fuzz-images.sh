#!/usr/bin/env bash
# Builds the image fuzzer with clang in its own build folder, writes the seed
# corpus and fuzzes the picture decoders for a fixed time (default 60 s).
# Exits non-zero when the fuzzer finds a crash, a sanitizer report, a leak or
# a hang; the input that caused it is left in the build folder.
#
# Usage: scripts/fuzz-images.sh [seconds]
# Environment: FUZZ_BUILD_DIR (default <repo>/build-fuzz).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}

mkdir -p "$build"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja \
  -DTAVREL_FUZZ=ON -DTAVREL_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$build/configure.log" 2>&1 || {
  cat "$build/configure.log"
  exit 1
}
ninja -C "$build" -j2 fuzz_images make_image_seeds

seeds=$build/fuzz/images-seeds
corpus=$build/fuzz/images-corpus
artifacts=$build/fuzz/images-findings/
mkdir -p "$seeds" "$corpus" "$artifacts"
"$build/tests/fuzz/make_image_seeds" "$seeds"

# Every seed must load cleanly before fuzzing starts.
"$build/tests/fuzz/fuzz_images" -runs=0 "$seeds"

"$build/tests/fuzz/fuzz_images" \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
  -print_final_stats=1 -artifact_prefix="$artifacts" "$corpus" "$seeds"
echo "fuzz-images: no findings in $seconds seconds"
