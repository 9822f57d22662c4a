#!/usr/bin/env bash
# Builds picgen and rewrites the committed pictures, icon resources and
# desktop icons. Run from anywhere; BUILD_DIR overrides the build folder.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${BUILD_DIR:-$root/build-pic}"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DTK_BUILD_BENCH=OFF
fi
cmake --build "$build" --target picgen -j2
QT_QPA_PLATFORM=offscreen "$build/bin/picgen" \
  "$root/media/pictures" "$root/app/windows" "$root/app/desktop"
echo "Images régénérées dans media/pictures, app/windows et app/desktop."
