#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#  1. the code style of every C++ file (.clang-format) and the source layout
#     (file sizes, what the engine's parts may include; scripts/check-layout.py);
#  2. the normal build and its whole CTest suite (unit, offscreen picture, e2e and
#     conformance tests);
#  3. the unit tests again, but the lesson movie checks, under AddressSanitizer
#     and UndefinedBehaviorSanitizer;
#  4. the two fuzz targets, movie files and frame scripts, for a short run each
#     (TK_FUZZ_SECONDS between them, 60 by default).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
jobs=$(nproc)

echo "== format"
scripts/check-format.sh
scripts/check-layout.py

echo "== build"
cmake -S . -B build -G Ninja -DTK_BUILD_TESTS=ON -DTK_BUILD_BENCH=ON >/dev/null
cmake --build build -j"$jobs"
echo "== tests"
ctest --test-dir build --output-on-failure -j"$jobs" --timeout 600

echo "== sanitizers (ASan + UBSan), unit tests"
cmake -S . -B build-asan -G Ninja -DTK_BUILD_TESTS=ON -DTK_BUILD_BENCH=OFF -DTK_SANITIZE=ON \
  -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-asan -j"$jobs"
# The lesson movie checks (authoring determinism, safe area, pacing: 19 movies
# built and played through every frame) take most of the sanitizer time and
# run in the normal build above; the sanitizers keep every engine, player and
# bad-input test, which also play the lessons.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs" -L unit -E '^All/LessonMovie\.' --timeout 900

if [ -f fuzz/CMakeLists.txt ]; then
  echo "== fuzz"
  CXX=clang++ CC=clang cmake -S . -B build-fuzz -G Ninja -DTK_FUZZ=ON -DTK_BUILD_TESTS=OFF \
    -DTK_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build-fuzz -j"$jobs" --target fuzz_swf fuzz_script
  half=$(( ${TK_FUZZ_SECONDS:-60} / 2 ))
  export TK_FUZZ_SEED="${TK_FUZZ_SEED:-1}"
  fuzz/run.sh build-fuzz "$half" fuzz_swf
  fuzz/run.sh build-fuzz "$half" fuzz_script
fi
echo "== all tests passed"
