#!/usr/bin/env bash
# Installs what is missing, builds the course and starts it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DTK_BUILD_TESTS=OFF -DTK_BUILD_BENCH=OFF >/dev/null
cmake --build build
exec build/bin/tarvik-dovadovore-fr
