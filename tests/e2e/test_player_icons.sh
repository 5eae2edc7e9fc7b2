#!/bin/bash
# The player icon dialog as a user drives it, on a copy of the demo data; the open
# dialog uses next to no processor time. Usage: test_player_icons.sh <tavrel> <outdir>
set -u

. "$(dirname "$0")/e2e_lib.sh"
e2e_args player_icons "$@"
e2e_display
e2e_copy

e2e_start "$PROG/pics/varn_map.jpg"
before=$(stat -c %i.%Y "$PROG/players.xml")

# The second item of the menu "Spiel": "Spielericons ändern".
menu Down Down && wait_window Players || exit 1
DIALOG=$WAITED && settle
read -r used _ < <(usage 4) && hz=$(getconf CLK_TCK)
check '[ "$used" -le $((hz / 10)) ]' "with the dialog open for 4 s the program used $used/$hz s of processor time"

# The picker's cells are 32 wide (the demo pictures), in directory order.
mapfile -t ICONS < <(ls -U "$PROG/players" | grep '\.png$')
for K in "${!ICONS[@]}"; do [ "${ICONS[$K]}" != ritter.png ] && break; done
NEW=${ICONS[$K]}
# The picker opens as a window without a title; the window manager may have moved the dialog.
xdotool mousemove --window "$DIALOG" 145 50 click 1 && wait_window "" || exit 1
xdotool mousemove --window "$WAITED" $((K % 5 * 32 + 16)) $((K / 5 * 32 + 16)) click 1 && wait_gone "$WAITED" && settle
xdotool mousemove --window "$DIALOG" 110 395 click 1 && wait_gone "$DIALOG" && settle
wait_for 10 "a new players.xml" eval '[ "$(stat -c %i.%Y "$PROG/players.xml")" != "$before" ]'
shot after

pics=$(tr -d '\r' <"$PROG/players.xml" | grep -o '<pic>[^<]*</pic>' | tr '\n' ' ')
others="<pic>schildmaid.png</pic> <pic>magier.png</pic> <pic>jaegerin.png</pic> <pic>priester.png</pic> "
[ "$pics" = "<pic>$NEW</pic> $others" ] && pass "\"players.xml\" gives the first player $NEW" || fail "pictures: $pics"
# The first hero's new picture over the map, searched in the window's corner.
convert "$PROG/pics/varn_map.jpg" -crop 32x32+25+20 +repage "$PROG/players/$NEW" -composite "$OUT/hero.png"
crop "$OUT/after.png" "$WX" "$WY" 120 120 "$OUT/corner.png"
NOW=$(compare -metric AE -fuzz 4% -subimage-search "$OUT/corner.png" "$OUT/hero.png" null: 2>&1)
[ "${NOW%% *}" -lt 20 ] && pass "the first hero shows $NEW over the map" || fail "the first hero: $NEW at best $NOW"

e2e_finish player_icons
