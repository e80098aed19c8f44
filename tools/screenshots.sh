#!/usr/bin/env bash
# Takes the README's screenshots from the real programs under Xvfb: the intro, a race and a
# result panel, each cropped to the game window and doubled in size without smoothing; then the
# viewer "klb best scores" on a table of a few places.
set -euo pipefail
cd "$(dirname "$0")/.."
out=docs/screenshots
mkdir -p "$out"
display=:97
Xvfb "$display" -screen 0 700x700x24 -noreset >/dev/null 2>&1 &
xvfb=$!
home=$(mktemp -d)
game=
viewer=
trap 'kill $game $viewer $xvfb 2>/dev/null || true; rm -rf "$home"' EXIT
sleep 0.5
DISPLAY=$display HOME=$home ./build/Klimbor 2>/dev/null &
game=$!

shot() {
  DISPLAY=$display import -window root -crop 129x278+0+0 +repage png24:- |
    convert - -filter point -resize 200% "$out/$1.png"
}
sleep 1
shot intro
sleep 2.4
# One press of VITESSE (space bar over the window): the player spider pulls ahead.
DISPLAY=$display xdotool mousemove 60 150
DISPLAY=$display xdotool key space
sleep 0.6
shot race
sleep 6
shot result
kill $game

# A few places as games leave them: slots of 128 bytes, Windows-1252 text.
python3 - "$home/scores klimbor" <<'PY'
import struct, sys
places = [("Zoé", 3410, "au clavier, sans souris"), ("Karim", 2275, "le turbo au bon moment"),
          ("Lou", 1160, "première partie"), ("Max", 980, "égalité au niveau 2 !")]
with open(sys.argv[1], "wb") as table:
    for pseudo, score, comment in places:
        text = comment.encode("cp1252")
        slot = pseudo.encode("cp1252").ljust(30) + struct.pack("<hH", score, len(text)) + text
        table.write(slot.ljust(128, b"\0"))
    table.write(bytes(128 * (30 - len(places))))
PY
DISPLAY=$display HOME=$home "./build/klb best scores" 2>/dev/null &
viewer=$!
sleep 1.5
# The viewer opens centred: its place, as the window system reports it.
crop=$(DISPLAY=$display xdotool search --name '^Klimbor$' getwindowgeometry --shell %@ |
  awk -F= '/^X=/ {x = $2} /^Y=/ {y = $2} /^WIDTH=/ {w = $2}
           /^HEIGHT=/ {if (w == 660) print w "x" $2 "+" x "+" y}')
DISPLAY=$display import -window root -crop "$crop" +repage png24:"$out/scores.png"
echo "Captures dans $out/"
