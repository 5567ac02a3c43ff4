#!/usr/bin/env bash
# Builds Tarvix with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARVIX_SANITIZE=ON >/dev/null
cmake --build build-test
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1
cd build-test && ctest --output-on-failure -j "$(nproc)"
