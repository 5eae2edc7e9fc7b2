#!/bin/bash
# Stress: changes by script, kill -9 at a random moment, again and again; the next start
# must offer a layout the session passed through (a recovery file it wrote), never another.
# Usage: bash stress_recovery.sh <tavrel> <outdir> [rounds]
set -u
. "$(dirname "$0")/e2e_lib.sh"
e2e_args stress-recovery "$@"
ROUNDS=${3:-50}
e2e_display
rm -rf "$OUT/seen" && mkdir -p "$OUT/seen"
# The first hero's place in a formation of the demo level (its record at byte 58).
hero_at() { od -A n -t d4 -j 88 -N 8 "$1" | tr -s ' ' | sed 's/^ //'; }
# Keeps the recovery file's formation under its checksum; true if the first hero stands at $1.
kept_at() {
  local file sum
  file=$(recovery_file) && formation_of "$file" >"$OUT/now.bin" || return 1
  sum=$(md5sum <"$OUT/now.bin" | cut -c1-32)
  cp "$OUT/now.bin" "$OUT/seen/$sum"
  [ -z "${1:-}" ] || [ "$(hero_at "$OUT/now.bin")" = "$1" ]
}

offered=0 fresh=0 changes=0 cx=41 cy=36
e2e_start "$(dirname "$TAVREL")/pics/varn_map.jpg"
for ((round = 1; round <= ROUNDS; round++)); do
  # One to four drags, each waited for in the recovery file; one more, the kill up to 2.5 s later.
  for ((n = RANDOM % 4 + 1; n >= 0; n--)); do
    tx=$((100 + RANDOM % 900)) ty=$((100 + RANDOM % 500))
    drag "$cx" "$cy" "$tx" "$ty" 2
    cx=$tx cy=$ty changes=$((changes + 1))
    [ "$n" = 0 ] || wait_for 5 "" kept_at "$((tx - 16)) $((ty - 16))" || {
      shot "round-$round"
      fail "round $round: no recovery file with the first hero at $((tx - 16)) $((ty - 16)) within 5 s" \
        "(the file has him at $(hero_at "$OUT/now.bin" 2>/dev/null); see round-$round.png)"
    }
  done
  sleep "$((RANDOM % 3)).$((RANDOM % 10))"
  stop_app KILL
  had=$(kept_at && echo yes)
  e2e_restart || exit 1
  if window_of Tavrel >/dev/null; then
    offered=$((offered + 1))
    reply Tavrel "" alt+y && settle
    rm -f "$OUT/check.tvf"
    save_as check || exit 1
    [ -e "$OUT/seen/$(md5sum <"$OUT/check.tvf" | cut -c1-32)" ] ||
      fail "round $round: the offered layout is none that the session passed through"
    read -r hx hy < <(hero_at "$OUT/check.tvf")
    cx=$((hx + 16)) cy=$((hy + 16))
  else
    fresh=$((fresh + 1))
    [ -z "$had" ] || fail "round $round: a recovery file was left, but nothing was offered"
    cx=41 cy=36
  fi
done
echo "rounds $ROUNDS, changes $changes: offered $offered times (each one a layout passed through unless" \
  "said above), nothing to offer $fresh times"
e2e_finish stress-recovery
