#!/usr/bin/env bash
# fuzz/run.sh BUILD_DIR SECONDS [TARGET]: runs a fuzz target (fuzz_swf, the
# default, on movie files; fuzz_script on frame scripts) for SECONDS on a copy
# of its seed corpus; exits non-zero when the fuzzer finds a crash (the
# reproducer is left in BUILD_DIR/fuzz-artifacts/). TK_FUZZ_SEED fixes the
# mutation sequence (./test.sh sets 1 so that its short run is repeatable);
# unset or 0, libFuzzer picks a new seed each run, as a long campaign wants.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:?usage: fuzz/run.sh BUILD_DIR SECONDS}"
seconds="${2:?usage: fuzz/run.sh BUILD_DIR SECONDS}"
target="${3:-fuzz_swf}"
case "$target" in
  fuzz_swf) corpus="$here/corpus" ;;
  fuzz_script) corpus="$here/script-corpus" ;;
  *) echo "fuzz/run.sh: unknown target $target" >&2; exit 2 ;;
esac
case "$build" in /*) ;; *) build="$PWD/$build" ;; esac
bin="$build/bin/$target"
[ -x "$bin" ] || { echo "fuzz/run.sh: $bin not built" >&2; exit 2; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -r "$corpus" "$work/corpus"
mkdir -p "$build/fuzz-artifacts"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$here/lsan.supp:print_suppressions=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
"$bin" "$work/corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=262144 \
  -artifact_prefix="$build/fuzz-artifacts/" -print_final_stats=1 -seed="${TK_FUZZ_SEED:-0}"
