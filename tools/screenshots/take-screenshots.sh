#!/usr/bin/env bash
# Takes the README's screenshots from the real program on a virtual display:
# the splash, the main menu with a title pointed at, and a lesson playing. No
# screen opens the picture menu, so its picture comes from the course windows
# test, which draws it with a row pointed at (BUILD_DIR/screenshots/).
# Usage: tools/screenshots/take-screenshots.sh [BUILD_DIR] [OUT_DIR]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
out=${2:-docs/screenshots}
program="$build/bin/tarvik-dovadovore-fr"
mkdir -p "$out"

. tools/virtual-display.sh
start_virtual_display 120 20
trap 'kill $app $xvfb 2>/dev/null || true' EXIT

window() { xdotool search --sync --onlyvisible --name "^$1\$" | head -1; }
origin() { xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}'; }
shoot() { import -window "$1" "$out/$2.png"; echo "$out/$2.png"; }
click() { xdotool mousemove "$1" "$2"; sleep 0.1; xdotool click 1; }

"$program" & app=$!
w=$(window Form2); sleep 0.5; shoot "$w" splash
read -r x y < <(origin "$w"); click $((x + 60)) $((y + 275))
w=$(window Form1); read -r x y < <(origin "$w")
xdotool mousemove $((x + 260)) $((y + 120 + 32 * 2 + 8)); sleep 0.4; shoot "$w" main-menu
click $((x + 260)) $((y + 120 + 32 * 2 + 8))
w=$(window Form5); sleep 6; shoot "$w" lesson
kill $app 2>/dev/null || true
if [ -f "$build/screenshots/picture-menu.png" ]; then cp "$build/screenshots/picture-menu.png" "$out/"; fi
