#!/bin/sh
# Builds the demo data generator (the sources in scripts/demo_data) and writes Tavrel's demo
# game data (level file, catalogs, map picture, piece and hero pictures, program icon) into
# the given folder, by default the repository's "data" folder. The output is the same on
# every run.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-"$here/../data"}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# shellcheck disable=SC2046
g++ -std=c++20 -O2 -Wall -Wextra -o "$tmp/gen_demo_data" "$here"/demo_data/*.cpp \
  $(pkg-config --cflags --libs cairo gdk-pixbuf-2.0) -lm
"$tmp/gen_demo_data" "$out"
