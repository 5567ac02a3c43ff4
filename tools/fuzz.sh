#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) in build-fuzz/ with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each of them for SECONDS (default 10):
#
#   tools/fuzz.sh [SECONDS] [TARGET...]
#
# What each run finds new is kept in build-fuzz/corpus/, its inputs that fail in
# build-fuzz/findings/ (see tools/fuzz-one.sh); the exit status is 1 when a target
# found something.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
shift || true
bash tools/deps.sh
bash tools/fuzz-build.sh build-fuzz
if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for f in fuzz/*Fuzz.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
status=0
for t in "${targets[@]}"; do
  bash tools/fuzz-one.sh build-fuzz/fuzz build-fuzz "$t" "$seconds" || status=1
done
exit $status
