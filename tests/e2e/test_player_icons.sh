#!/bin/bash
# The player icon dialog as a user drives it, on a copy of the demo data; the open
# dialog uses next to no processor time. Usage: test_player_icons.sh <tavrel> <outdir>
set -u

. "$(dirname "$0")/e2e_lib.sh"
e2e_args player_icons "$@"
e2e_display

# The dialog writes "players.xml" beside the program: run a copy.
PROG="$OUT/program" DATA=$(dirname "$TAVREL")
rm -rf "$PROG" && mkdir -p "$PROG" && cp -r "$TAVREL" "$DATA"/{*.xml,*.gxml,pics,players} "$PROG"/
TAVREL="$PROG/tavrel"

client_xy() { xwininfo -id "$1" | awk '/Absolute upper-left [XY]/ { printf "%s ", $4 }'; }
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$APP_PID/stat"; }

e2e_start "$PROG/pics/varn_map.jpg"

# "Spiel", then the second item: "Spielericons ändern".
xdotool mousemove $((WX + 20)) $((WY + 12)) click 1
sleep 0.5
xdotool key Down Down Return
DIALOG=$(find_window Players) || { fail "no window titled \"Players\""; exit 1; }
sleep 0.5
read -r DX DY <<<"$(client_xy "$DIALOG")"

t0=$(cpu_ticks)
sleep 4
used=$(($(cpu_ticks) - t0)) hz=$(getconf CLK_TCK)
message="with the dialog open for 4 s the program used $used/$hz s of processor time"
if [ "$used" -le $((hz / 10)) ]; then pass "$message"; else fail "$message"; fi

# The picker's cells start at the pointer, 32 wide (the demo pictures), in directory order.
mapfile -t ICONS < <(ls -U "$PROG/players" | grep '\.png$')
for K in "${!ICONS[@]}"; do [ "${ICONS[$K]}" != ritter.png ] && break; done
NEW=${ICONS[$K]}
PX=$((DX + 145)) PY=$((DY + 50))
xdotool mousemove "$PX" "$PY" click 1
sleep 1
xdotool mousemove $((PX + K % 5 * 32 + 16)) $((PY + K / 5 * 32 + 16)) click 1
sleep 0.5
xdotool mousemove $((DX + 110)) $((DY + 395)) click 1
sleep 1
import -window root "$OUT/after.png"

pics=$(tr -d '\r' <"$PROG/players.xml" | grep -o '<pic>[^<]*</pic>' | tr '\n' ' ')
others="<pic>schildmaid.png</pic> <pic>magier.png</pic> <pic>jaegerin.png</pic> <pic>priester.png</pic> "
[ "$pics" = "<pic>$NEW</pic> $others" ] && pass "\"players.xml\" gives the first player $NEW" || fail "pictures: $pics"
# The first hero's new picture over the map's corner, at its best place in the
# window's corner: "differing pixels @ x,y".
convert "$PROG/pics/varn_map.jpg" -crop 32x32+25+20 +repage "$PROG/players/$NEW" -composite "$OUT/hero.png"
convert "$OUT/after.png" -crop 120x120+$WX+$WY +repage "$OUT/corner.png"
NOW=$(compare -metric AE -fuzz 4% -subimage-search "$OUT/corner.png" "$OUT/hero.png" null: 2>&1)
[ "${NOW%% *}" -lt 20 ] && pass "the first hero shows $NEW over the map" || fail "the first hero: $NEW at best $NOW"

e2e_finish player_icons
