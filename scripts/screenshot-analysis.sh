#!/bin/sh
# Under Xvfb: starts the window with settings of its own (0.02 layers a tick with one relaxation
# sweep on a 64 x 64 lattice, auto-height, fastest speed, English), starts the animation, opens the analysis
# window with Ctrl+G after a while, and takes a picture of both windows side by side.
# Usage: scripts/screenshot-analysis.sh [build/tessavo] [docs/analysis.png]
set -e
exe=$(realpath "${1:-build/tessavo}")
out=$(realpath -m "${2:-docs/analysis.png}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '[grid]\r\nx=64\r\ny=64\r\nsquare=1\r\n[layers]\r\ndep=20\r\nmax=1000\r\n[animation]\r\nspeed=100\r\nzoom=5\r\nautoheight=1\r\nxabs=290\r\nyabs=150\r\n[relaxation]\r\nt=1\r\n[options]\r\nlanguage=2\r\n' >"$work/shot.ini"

cat >"$work/run.sh" <<'SCRIPT'
set -e
"$EXE" & pid=$!
win=$(xdotool search --sync --name '^Tessavo 1.5$' | head -1)
sleep 1
xdotool windowfocus --sync "$win"
# Start (the button at the top left of the animation group, below the menu bar), then
# the configuration through the open dialog, whose name field has the focus; a Reset keeps
# the animation running.
geometry=$(xdotool getwindowgeometry "$win")
left=$(echo "$geometry" | sed -n 's/.*Position: \([0-9]*\),.*/\1/p')
top=$(echo "$geometry" | sed -n 's/.*Position: [0-9]*,\([0-9]*\).*/\1/p')
menu=$(( $(echo "$geometry" | sed -n 's/.*Geometry: [0-9]*x\([0-9]*\).*/\1/p') - 588 ))
xdotool mousemove $((left + 660)) $((top + menu + 44)); sleep 0.3; xdotool click 1
xdotool key ctrl+o; sleep 1
# The first Return takes the name from the completion list when it shows, the second opens;
# Escape closes a completion list left behind (a window manager would).
xdotool type --delay 5 "$WORK/shot.ini"; sleep 0.5; xdotool key Return; sleep 0.3; xdotool key Return; sleep 1
xdotool key Escape; sleep 0.3
sleep "$GROW"
xdotool windowfocus --sync "$win"; xdotool key ctrl+g
sleep 6
import -window root "$WORK/root.png"
kill $pid
SCRIPT
EXE="$exe" WORK="$work" GROW=${GROW:-8} xvfb-run -a -s "-screen 0 1700x760x24" sh "$work/run.sh"
convert "$work/root.png" -trim +repage "$out"
echo "$out"
