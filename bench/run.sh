#!/usr/bin/env bash
# Runs the benchmarks and prints their figures (they never fail on a figure):
#  - start to the splash's first paint, next to a bare Qt frameless window that
#    paints once, five runs each, alternating, on one virtual display;
#  - screen changes, lesson first frame, CPU while a lesson plays, peak memory;
#  - a soak of 10,000 screen changes with resident memory sampled;
#  - the SWF engine's render benchmark.
# Usage: bench/run.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bench="$build/bin/tk-bench-course"
[ -x "$bench" ] || { echo "build first: $bench is missing" >&2; exit 1; }

. tools/virtual-display.sh
start_virtual_display 150 50
trap 'kill $xvfb 2>/dev/null || true' EXIT

echo "== start to first paint (5 runs each, ms)"
for i in 1 2 3 4 5; do
  "$bench" --bare "$(date +%s%N)"
  "$bench" --splash "$(date +%s%N)"
done | awk '{ v[$1] = v[$1] " " $2 } END { for (k in v) print k ":" v[k] }' | sort

echo "== screen changes, lesson, memory"
"$bench" --course "$(date +%s%N)" 100 | tail -n +2

echo "== soak: 10,000 screen changes"
"$bench" --soak 10000 | tail -4

echo "== SWF engine: test movies at 705 x 481"
"$build/bin/swf_bench" 5
if [ -x "$build/bin/swf_media_bench" ]; then
  echo "== SWF engine: bitmaps and sound"
  "$build/bin/swf_media_bench"
fi
echo "== SWF engine: the 19 lessons at their player sizes"
sheet="$build/bin/swf-contact-sheet"
"$sheet" --bench --size 729x489 "$build/bin/demarre_tk.swf"
"$sheet" --bench --size 745x489 "$build/bin/dessiner_piece.swf" | tail -1
others=$(ls "$build/bin"/*.swf | grep -v -e demarre_tk -e dessiner_piece)
# shellcheck disable=SC2086
"$sheet" --bench --size 705x481 $others | tail -n +2
