#!/usr/bin/env bash
# Takes the README's screenshots from the real game under Xvfb: the intro, a race and a result
# panel, each cropped to the window and doubled in size without smoothing.
set -euo pipefail
cd "$(dirname "$0")/.."
out=docs/screenshots
mkdir -p "$out"
display=:97
Xvfb "$display" -screen 0 320x320x24 -noreset >/dev/null 2>&1 &
xvfb=$!
trap 'kill $game $xvfb 2>/dev/null || true' EXIT
sleep 0.5
DISPLAY=$display ./build/Klimbor 2>/dev/null &
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
echo "Captures dans $out/"
