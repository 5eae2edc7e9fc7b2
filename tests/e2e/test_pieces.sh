#!/bin/bash
# End to end on the demo level, as a user would: a grave stone set from the context menu and its
# inscription; a transport created, attached to a hero, dragged behind him and removed.
set -u
. "$(dirname "$0")/e2e_lib.sh"
e2e_args pieces "$@"
MAP="$(dirname "$TAVREL")/pics/varn_map.jpg"
e2e_display

# Pixels off between screenshot <name> at canvas (x, y) and 40 x 40 of <pic> over the map ("-": none).
piece_off() {
  convert "$MAP" -crop 40x40+"$3"+"$4" +repage "$OUT/expected.png"
  [ "$2" = - ] || convert "$OUT/expected.png" "$(dirname "$MAP")/$2" -composite "$OUT/expected.png"
  convert "$OUT/$1.png" -crop 40x40+$((CX + $3))+$((CY + $4)) +repage "$OUT/drawn.png"
  compare -metric AE -fuzz 4% "$OUT/drawn.png" "$OUT/expected.png" null: 2>&1 | awk '{ printf "%d\n", $1 }'
}
check() { if [ "$2" -lt 40 ]; then pass "$1 ($2 pixels off)"; else fail "$1 ($2 pixels off)"; fi; }
# menu_item <x> <y> <keys...>: from the context menu there (a piece picker opens with its first cell there).
menu_item() { move "$1" "$2" && settle program && xdotool click 3 && choose "${@:3}" && settle; }

e2e_start "$MAP"
set_grave 300 400 && shot grave
check "the stone stands centred on the clicked spot" "$(piece_off grave stone0.png 280 380)"
move 305 405 && settle && shot label
black=$(convert "$OUT/label.png" -crop 400x40+$((GX + 300))+$((GY + 400)) +repage \
  -fx '(r + g + b < 0.05) ? 1 : 0' -format '%[fx:round(mean * w * h)]' info:)
if [ "$black" -gt 2500 ]; then pass "the pointer on the stone shows its label (look at the date in label.png)"
else fail "no inscription at the pointer ($black black pixels)"; fi

menu_item 600 400 Down Down  # "Transportmittel erstellen"; the offered "Planwagen" is kept
xdotool click 1 && settle && reply Tavrel "" && reply Tavrel Falken && settle && shot transport
check "the wagon stands centred on the clicked spot" "$(piece_off transport wagon0.png 580 380)"
menu_item 600 400 Down Down  # "Transportmittel anhängen", then the first hero's picture
xdotool click 1 && settle && shot attached
check "attached, the wagon stands 36 below the first hero's centre" "$(piece_off attached wagon0.png 21 52)"

# The hero dragged 360 pixels right: the wagon follows 36 behind his centre (401, 36) on his trail.
drag 41 36 401 36 12 && shot dragged
best=$(for dx in $(seq -6 6); do piece_off dragged wagon0.png $((345 + dx)) 16; done | sort -n | head -n 1)
check "the wagon followed the hero along his trail" "$best"

menu_item 365 36 Down  # "Transportmittel entfernen"
reply Tavrel "" alt+y && settle && shot removed
check "removed with Yes, the wagon is gone" "$(piece_off removed - 345 16)"
e2e_finish pieces
