#!/usr/bin/env bash
# Builds Tarvix with AddressSanitizer and UndefinedBehaviorSanitizer and runs every
# test: unit and window tests, end-to-end runs of tarvix-report, and each fuzz target
# of fuzz/ for 10 seconds from its committed seeds (built with clang in build-fuzz/).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
bash tools/fuzz-build.sh build-fuzz >/dev/null
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARVIX_SANITIZE=ON \
  -DTARVIX_FUZZ_RUNS="$PWD/build-fuzz/fuzz" >/dev/null
cmake --build build-test
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1
cd build-test && ctest --output-on-failure -j "$(nproc)"
