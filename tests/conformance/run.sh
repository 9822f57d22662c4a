#!/usr/bin/env bash
# Runs the conformance suite found in TK_CONFORMANCE_DIR or ../shared/conformance
# beside the source tree; exits 77 (skipped) when there is none.
set -u
runner=$1 swfrun=$2 source=$3 work=$4
suite=${TK_CONFORMANCE_DIR:-$source/../shared/conformance}
if [ ! -f "$suite/TESTS.txt" ]; then
  echo "conformance: skipped, no suite at $suite (set TK_CONFORMANCE_DIR)"
  exit 77
fi
here=$(dirname "$0")
exec "$runner" --suite "$suite" --swf-run "$swfrun" --work "$work" --jobs "$(nproc)" \
  --expected "$here/passing.txt" --expected-pictures "$here/passing_pictures.txt"
